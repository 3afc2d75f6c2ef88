#pragma once
// The burst watchdog: the first record after a pause opens a burst, 1000 ms without a record closes it.
//
// Whether a burst is open is decided on the main thread only: Kick opens one, and the end-of-burst call
// checks the time again before it closes one. So a record that arrives while a burst is being closed always
// opens a new burst of its own and is always followed by an end-of-burst call.
#include "Devices/Thread.h"

#include <atomic>
#include <cstdint>
#include <functional>

class TMeasurementsFacade;

class TControlMeasure : public TThread {
public:
    // tick: the millisecond tick count (the system's when empty).
    explicit TControlMeasure(TMeasurementsFacade* facade, std::function<uint32_t()> tick = {});
    ~TControlMeasure() override;

    // Main thread, for every record delivered, before the journal gets it.
    void Kick();

    // A tick difference taken modulo 2^32, so the wrap of the counter does no harm.
    static bool BurstOver(uint32_t now, uint32_t lastTick) { return uint32_t(now - lastTick) > 1000; }

    bool InBurst() const { return active_.load(); }
    uint32_t Count() const { return Counter; }

protected:
    void Execute() override;

private:
    void EndBurstIfDue(); // main thread

    std::atomic<uint32_t> LastTick{0};
    TMeasurementsFacade* Interface;
    uint32_t Counter = 0;
    std::atomic<bool> active_{false};
    std::function<uint32_t()> tick_;
};

// The system's millisecond tick count, wrapping at 2^32.
uint32_t TickCount();
