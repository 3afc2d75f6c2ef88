#pragma once
// The measurement stack: where the drivers leave their records and the manager takes them, last in first out.
// One lock guards the array and the count between the driver threads that push and the manager thread that
// pops; it is held for one record copy (and, for the drivers that log their pushes, one log line: the log's
// lock is only ever taken inside it).
#include "core/CriticalSection.h"
#include "core/Measurement.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

constexpr uint16_t kMeasurementStackCapacity = 5460;

// What the journal made of the records the manager handed it: a memory download counts as handed over
// only what was filed.
struct TFilingTally {
    std::atomic<uint32_t> Delivered{0}; // handed to the journal, filed or not
    std::atomic<uint32_t> Unfiled{0};   // of those, the ones it could not file
};

// What a driver is handed when it is attached: the array, the count, the capacity and the lock (not owned).
struct TStackHooks {
    TVELTMeasurement* Array = nullptr;
    uint16_t* Count = nullptr;
    uint16_t Capacity = 0;
    critsection_t* Lock = nullptr;
    TFilingTally* Tally = nullptr;

    bool Attached() const { return Array && Count && Lock; }
};

// The stack itself, owned by the manager and allocated once with it.
class TMeasurementStack {
public:
    TMeasurementStack();
    TMeasurementStack(const TMeasurementStack&) = delete;
    TMeasurementStack& operator=(const TMeasurementStack&) = delete;

    TStackHooks Hooks();
    TFilingTally& Tally() { return tally_; }

private:
    std::unique_ptr<TVELTMeasurement[]> records_;
    uint16_t count_ = 0;
    critsection_t lock_;
    TFilingTally tally_;
};

// True when the record was stored; a full stack drops it. With logPush the line "PushMeasurement %i" (the
// count before the store) is written under the stack lock.
bool PushMeasurement(const TStackHooks& stack, const TVELTMeasurement* record, bool logPush = false);
// True when a record was copied into dest; an empty stack leaves dest as it was.
bool PopMeasurement(const TStackHooks& stack, TVELTMeasurement* dest);
// The count, read under the lock.
int StackCount(const TStackHooks& stack);
// For memory downloads: waits in 10 ms steps until the stack is empty. Gives up (false) as soon as
// stopRequested() holds, so a download never outlives the thread that runs it.
bool WaitStackEmpty(const TStackHooks& stack, const std::function<bool()>& stopRequested,
                    const std::function<void(int)>& sleepMs);
