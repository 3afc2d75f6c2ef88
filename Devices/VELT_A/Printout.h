#pragma once
// The printout of a type 1 instrument on its serial line (9600 baud, 8N1), and its reading.
//
//   header:  product word (4 bytes), 0xB9, serial "SSSS", verification date "DDMMYY" (ASCII digits)
//   records: 8 bytes each: day, month, year - 2000, hour, minute (BCD; day 0xFF: no result), the result in
//            thousandths of mg/l (16 bits, high byte first), the exhale status (0 normal, else interrupted)
// No count and no terminator: the printout ends when the line falls silent.
#include "core/Measurement.h"

#include <QByteArray>

#include <functional>

// "VELT" in cp1251: two Latin letters and two Cyrillic ones (Е, Т).
extern const char kPrintoutProductWord[4];
constexpr unsigned char kPrintoutHeaderEnd = 0xB9;

// Where a reading pass takes its bytes from; reads follow the port's time-outs.
class TPrintoutSource {
public:
    virtual ~TPrintoutSource() = default;
    // Up to count bytes; fewer (or none) when the line falls silent.
    virtual int Read(unsigned char* buffer, int count) = 0;
    virtual void Sleep(int ms) = 0;
    virtual bool Stopped() = 0;
};

struct TPrintoutResult {
    TVELTMeasurement record; // as the journal files it
    QByteArray model;        // the header bytes before 0xB9 (cp1251)
};

// One pass over a printout whose first byte has arrived: every result is handed to onResult, in printed
// order; malformed parts are logged and skipped as the format allows. Returns the number of results.
int ReadPrintout(TPrintoutSource& source, int typeId, const std::function<void(const TPrintoutResult&)>& onResult);

// The bytes of a printout, for the simulator and the tests.
struct TPrintoutEntry {
    int day, month, year, hour, minute; // year in full (2000..2099)
    unsigned value;                     // thousandths of mg/l
    unsigned char status;
};
QByteArray EncodePrintoutHeader(const QByteArray& model, int serial, int day, int month, int year);
QByteArray EncodePrintoutRecord(const TPrintoutEntry& entry);
