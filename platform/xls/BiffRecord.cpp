#include "platform/xls/BiffRecord.h"

#include <cstring>

namespace xls {

void putDouble(Bytes& b, double v)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    put32(b, uint32_t(bits));
    put32(b, uint32_t(bits >> 32));
}

double getDouble(const Bytes& b, size_t at)
{
    const uint64_t bits = uint64_t(get32(b, at)) | (uint64_t(get32(b, at + 4)) << 32);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

bool ReadRecords(const Bytes& stream, std::vector<Record>& records)
{
    records.clear();
    size_t at = 0;
    while (at + 4 <= stream.size()) {
        Record r;
        r.offset = at;
        r.type = get16(stream, at);
        const size_t size = get16(stream, at + 2);
        if (at + 4 + size > stream.size())
            return false;
        r.data.assign(stream.begin() + long(at + 4), stream.begin() + long(at + 4 + size));
        records.push_back(std::move(r));
        at += 4 + size;
    }
    return true;
}

void WriteRecord(Bytes& stream, uint16_t type, const Bytes& data)
{
    put16(stream, type);
    put16(stream, uint16_t(data.size()));
    stream.insert(stream.end(), data.begin(), data.end());
}

bool FitsCompressed(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

void putChars(Bytes& b, const QString& text, bool compressed)
{
    for (QChar c : text) {
        if (compressed)
            put8(b, uint8_t(c.unicode()));
        else
            put16(b, c.unicode());
    }
}

void putLongString(Bytes& b, const QString& text)
{
    const bool compressed = FitsCompressed(text);
    put16(b, uint16_t(text.size()));
    put8(b, compressed ? 0 : 1);
    putChars(b, text, compressed);
}

void putShortString(Bytes& b, const QString& text)
{
    const bool compressed = FitsCompressed(text);
    put8(b, uint8_t(text.size()));
    put8(b, compressed ? 0 : 1);
    putChars(b, text, compressed);
}

bool getLongString(const Bytes& b, size_t at, QString& text)
{
    if (at + 3 > b.size())
        return false;
    const size_t cch = get16(b, at);
    const bool wide = b[at + 2] & 1;
    at += 3;
    if (at + cch * (wide ? 2 : 1) > b.size())
        return false;
    text.clear();
    text.reserve(qsizetype(cch));
    for (size_t i = 0; i < cch; ++i)
        text.append(QChar(wide ? get16(b, at + 2 * i) : b[at + i]));
    return true;
}

double DecodeRk(uint32_t rk)
{
    double v = 0;
    if (rk & 2) {
        v = double(int32_t(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 1) ? v / 100 : v;
}

Bytes CellHead(uint32_t row, uint16_t col, uint16_t xf)
{
    Bytes b;
    put16(b, uint16_t(row));
    put16(b, col);
    put16(b, xf);
    return b;
}

} // namespace xls
