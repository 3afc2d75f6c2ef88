#include "Devices/ControlMeasure.h"
#include "Devices/MeasurementsFacade.h"
#include "core/Debug.h"

#include <chrono>
#include <exception>

uint32_t TickCount()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TControlMeasure::TControlMeasure(TMeasurementsFacade* facade, std::function<uint32_t()> tick)
    : Interface(facade), tick_(tick ? std::move(tick) : std::function<uint32_t()>(TickCount))
{
    if (Interface)
        Interface->SetBurstCounter(&Counter);
}

TControlMeasure::~TControlMeasure()
{
    Stop();
    // The journal outlives the watchdog and must not read the counter once it is gone.
    if (Interface)
        Interface->SetBurstCounter(nullptr);
}

void TControlMeasure::Kick()
{
    LastTick = tick_();
    if (!active_) {
        Counter = 0;
        if (Interface)
            Interface->BeginBurst();
        active_ = true;
        Resume();
    }
    ++Counter;
}

void TControlMeasure::EndBurstIfDue()
{
    if (!active_ || !BurstOver(tick_(), LastTick))
        return;
    active_ = false;
    if (Interface) {
        Interface->EndBurst();
        Interface->OnMeasurements(nullptr, 1);
    }
}

void TControlMeasure::Execute()
{
    while (!Terminated()) {
        try {
            if (!active_) {
                SuspendSelf();
                continue;
            }
            if (BurstOver(tick_(), LastTick))
                Synchronize([this] { EndBurstIfDue(); });
        } catch (const std::exception& e) {
            Dbg().Print("Ошибка во время контроля получения массива измерений: %s", e.what());
        } catch (...) {
            Dbg().Print("Ошибка во время контроля получения массива измерений");
        }
        Sleep(100);
    }
}
