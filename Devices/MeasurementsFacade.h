#pragma once
// What the manager and the burst watchdog call of the journal facade. The shell's facade (TInterface)
// implements it; tests use a recording one. Every call runs on the main thread.
#include "core/Measurement.h"

#include <cstdint>

class TMeasurementsFacade {
public:
    virtual ~TMeasurementsFacade() = default;
    // One record with flag 0; at the end of a burst no record and flag 1.
    virtual void OnMeasurements(const TVELTMeasurement* record, int flag) = 0;
    // False when the record of the last OnMeasurements could not be filed.
    virtual bool LastRecordFiled() const { return true; }
    virtual void BeginBurst() = 0;
    virtual void EndBurst() = 0;
    // The watchdog's count of the records of the current burst; read and written on the main thread only.
    virtual void SetBurstCounter(const uint32_t* counter) = 0;
};
