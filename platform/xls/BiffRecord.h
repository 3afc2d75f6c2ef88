#pragma once
// BIFF8 records: the typed, length-prefixed pieces a workbook stream is made of, little-endian helpers
// and the string forms the records hold.
#include <QString>

#include <cstdint>
#include <vector>

namespace xls {

using Bytes = std::vector<uint8_t>;

namespace rt {
constexpr uint16_t BOF = 0x0809, EOF_ = 0x000A, CONTINUE = 0x003C, BOUNDSHEET = 0x0085, SST = 0x00FC,
                   EXTSST = 0x00FF, INDEX = 0x020B, DBCELL = 0x00D7, DIMENSIONS = 0x0200, ROW = 0x0208,
                   COLINFO = 0x007D, BLANK = 0x0201, MULBLANK = 0x00BE, NUMBER = 0x0203, RK = 0x027E,
                   MULRK = 0x00BD, LABEL = 0x0204, LABELSST = 0x00FD, RSTRING = 0x00D6, BOOLERR = 0x0205,
                   FORMULA = 0x0006, STRING = 0x0207, SHRFMLA = 0x04BC, ARRAY = 0x0221, TABLE = 0x0236,
                   CODEPAGE = 0x0042, WINDOW1 = 0x003D, WINDOW2 = 0x023E, FONT = 0x0031, FORMAT = 0x041E,
                   XF = 0x00E0, STYLE = 0x0293, DEFCOLWIDTH = 0x0055, DEFAULTROWHEIGHT = 0x0225;
}

// Largest data part of one record; longer contents go on in CONTINUE records.
constexpr size_t kMaxRecordData = 8224;
constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kBofGlobals = 0x0005, kBofWorksheet = 0x0010;

struct Record {
    uint16_t type = 0;
    Bytes data;
    size_t offset = 0;  // where it stood in the stream it was read from
};

inline uint16_t get16(const Bytes& b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }
inline uint32_t get32(const Bytes& b, size_t at) { return uint32_t(get16(b, at)) | (uint32_t(get16(b, at + 2)) << 16); }
inline void set16(Bytes& b, size_t at, uint16_t v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }
inline void set32(Bytes& b, size_t at, uint32_t v) { set16(b, at, uint16_t(v)); set16(b, at + 2, uint16_t(v >> 16)); }
inline void put8(Bytes& b, uint8_t v) { b.push_back(v); }
inline void put16(Bytes& b, uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
inline void put32(Bytes& b, uint32_t v) { put16(b, uint16_t(v)); put16(b, uint16_t(v >> 16)); }
void putDouble(Bytes& b, double v);
double getDouble(const Bytes& b, size_t at);

// Splits a stream into records; false when a record runs past the end.
bool ReadRecords(const Bytes& stream, std::vector<Record>& records);
// Appends a record (header and data) to a stream.
void WriteRecord(Bytes& stream, uint16_t type, const Bytes& data);

// Texts go in one byte a character when every character fits, else in UTF-16.
bool FitsCompressed(const QString& text);
void putChars(Bytes& b, const QString& text, bool compressed);
// A string with a 16-bit (long) or 8-bit (short) character count, its option byte and its characters.
void putLongString(Bytes& b, const QString& text);
void putShortString(Bytes& b, const QString& text);
// Reads a long string at `at`; false when it runs past the end.
bool getLongString(const Bytes& b, size_t at, QString& text);

// The value of an RK number.
double DecodeRk(uint32_t rk);

// A cell record's data: row, column, format, then the record's own part.
Bytes CellHead(uint32_t row, uint16_t col, uint16_t xf);

} // namespace xls
