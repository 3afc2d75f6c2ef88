#pragma once
// The instrument information record and the in-memory copy of InfoPrib: per instrument its serial number and
// its rows in DATECONST order, with the look-ups the journal makes for a record's date.
#include "core/ConvertTimeLong.h"

#include <QString>

#include <cstdint>
#include <vector>

// What a driver hands over when an instrument has identified itself; one row of InfoPrib.
struct TInfoPriborRecord {
    LongTime DATEGET = 0;    // when the program read the data
    uint32_t PRIBPROT = 0;
    uint16_t PRIBMODEL = 0;
    uint32_t PRIBOR = 0;     // serial number
    uint16_t FIRMWARE = 0;
    LongTime DATEPOVER = 0;  // verification date
    LongTime DATECONST = 0;  // date of the instrument's constants
    float ACCURACY = 0.0f;
    double NORMA = 0.0;      // legal norm stored in the instrument, mg/l
    uint16_t T_VIDOH = 0;
    uint16_t W_WIDOH = 0;
    int16_t NETNUMBER = 0;
    LongTime DATEPRIB = 0;   // the instrument's clock at reading
    uint32_t LIFEZAPIS = 0;  // exhalations in the instrument's life
};

struct TInfoPriborEntry {
    uint32_t serial = 0;
    std::vector<TInfoPriborRecord> rows;  // in the order appended (DATECONST order when loaded)
};

class TInfoPribCopy {
public:
    // Appends a row to its instrument (a new entry for a new serial number). A second row with the same
    // DATECONST for an instrument is refused (false): it would make the norm at that date ambiguous.
    bool Append(const TInfoPriborRecord& record);
    void Clear() { instruments_.clear(); }

    int Count() const { return static_cast<int>(instruments_.size()); }
    const std::vector<TInfoPriborEntry>& Instruments() const { return instruments_; }
    const TInfoPriborEntry* Find(uint32_t serial) const;

    // The row in force at t: the last whose DATECONST is at or before t (unsigned comparison), else the
    // first. Null for an unknown instrument or one without rows.
    const TInfoPriborRecord* RowAt(uint32_t serial, LongTime t) const;

private:
    std::vector<TInfoPriborEntry> instruments_;
};

// Parses the journal's date form "yyyy.mm.dd hh:nn:ss" (fields of any digit count, the time optional)
// without touching any process-wide setting; raises rtl::EConvertError for anything else.
LongTime DateTimeTextToLong(const QString& text);
