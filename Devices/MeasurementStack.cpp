#include "Devices/MeasurementStack.h"
#include "core/Debug.h"

TMeasurementStack::TMeasurementStack() : records_(new TVELTMeasurement[kMeasurementStackCapacity])
{
    for (uint16_t i = 0; i < kMeasurementStackCapacity; ++i)
        records_[i] = ZeroMeasurement();
}

TStackHooks TMeasurementStack::Hooks()
{
    return {records_.get(), &count_, kMeasurementStackCapacity, &lock_, &tally_};
}

bool PushMeasurement(const TStackHooks& stack, const TVELTMeasurement* record, bool logPush)
{
    if (!record || !stack.Attached())
        return false;
    TCritLock g(*stack.Lock);
    if (*stack.Count >= stack.Capacity)
        return false;
    if (logPush)
        Dbg().Print("PushMeasurement %i", int(*stack.Count));
    stack.Array[*stack.Count] = *record;
    ++*stack.Count;
    return true;
}

bool PopMeasurement(const TStackHooks& stack, TVELTMeasurement* dest)
{
    if (!dest || !stack.Attached())
        return false;
    TCritLock g(*stack.Lock);
    if (*stack.Count == 0)
        return false;
    --*stack.Count;
    *dest = stack.Array[*stack.Count];
    return true;
}

int StackCount(const TStackHooks& stack)
{
    if (!stack.Attached())
        return 0;
    TCritLock g(*stack.Lock);
    return *stack.Count;
}

bool WaitStackEmpty(const TStackHooks& stack, const std::function<bool()>& stopRequested,
                    const std::function<void(int)>& sleepMs)
{
    for (;;) {
        if (stopRequested())
            return false;
        if (StackCount(stack) == 0)
            return true;
        sleepMs(10);
    }
}
