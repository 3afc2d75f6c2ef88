#include "Devices/Protocol/Frames.h"
#include "Devices/Protocol/Protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace proto {

TAlcMeas TAlcMeas::Read(const uint8_t* p)
{
    TAlcMeas m;
    m.model = GetU16(p);
    m.result = GetF64(p + 42);
    m.time = GetU32(p + 50);
    m.exhale = GetU16(p + 54);
    m.mode = GetU16(p + 56);
    return m;
}

void TAlcMeas::Write(uint8_t* p) const
{
    std::memset(p, 0, kSize);
    PutU16(p, model);
    PutF64(p + 42, result);
    PutU32(p + 50, time);
    PutU16(p + 54, exhale);
    PutU16(p + 56, mode);
}

TAlcKnow TAlcKnow::Read(const uint8_t* p)
{
    TAlcKnow k;
    k.model = GetU16(p);
    k.serial = GetU32(p + 2);
    k.firmware = GetU16(p + 6);
    k.verification = GetU32(p + 8);
    k.constDate = GetU32(p + 12);
    k.accuracy = GetF32(p + 138);
    k.norm = k.model >= 2 ? GetF64(p + 152) : -1.0;
    k.tVidoh = GetU16(p + 160);
    k.wWidoh = GetU16(p + 162);
    k.netNumber = GetU16(p + 170);
    return k;
}

void TAlcKnow::Write(uint8_t* p) const
{
    std::memset(p, 0, size_t(SizeFor(model)));
    PutU16(p, model);
    PutU32(p + 2, serial);
    PutU16(p + 6, firmware);
    PutU32(p + 8, verification);
    PutU32(p + 12, constDate);
    PutF32(p + 138, accuracy);
    PutF64(p + 152, norm);
    PutU16(p + 160, tVidoh);
    PutU16(p + 162, wWidoh);
    PutU16(p + 170, netNumber);
}

TInfoBlock TInfoBlock::Read(const uint8_t* p)
{
    TInfoBlock b;
    b.index = GetU16(p);
    b.model = GetU16(p + 2);
    b.serial = GetU32(p + 4);
    b.firmware = GetU16(p + 8);
    b.verification = GetU32(p + 10);
    b.clock = GetU32(p + 14);
    b.life = GetU32(p + 18);
    return b;
}

void TInfoBlock::Write(uint8_t* p) const
{
    std::memset(p, 0, kSize);
    PutU16(p, index);
    PutU16(p + 2, model);
    PutU32(p + 4, serial);
    PutU16(p + 8, firmware);
    PutU32(p + 10, verification);
    PutU32(p + 14, clock);
    PutU32(p + 18, life);
}

std::string FirmwareText(uint16_t firmware)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x,%02x", unsigned(firmware >> 8), unsigned(firmware & 0xFF));
    return text;
}

int LayoutOfModel(uint16_t model)
{
    return model <= 2 ? 0 : model <= 4 ? 1 : 2;
}

int RecordsPerBlock(int layout)
{
    return layout == 0 ? 24 : layout == 1 ? 16 : 6;
}

int RecordSize(int layout)
{
    return layout == 0 ? 8 : layout == 1 ? 12 : 32;
}

void TEfData::Set(int layout, const uint8_t* records)
{
    layout_ = layout;
    std::memcpy(bytes_, records, kBlockRecordBytes);
}

LongTime TEfData::DateTime_alk(int i) const
{
    return layout_ >= 0 && layout_ <= 2 ? GetU32(at(i)) : 0;
}

uint32_t TEfData::Number(int i) const
{
    return layout_ == 1 || layout_ == 2 ? GetU32(at(i) + 4) : 0;
}

float TEfData::Result(int i) const
{
    if (layout_ == 0)
        return GetF32(at(i) + 4);
    if (layout_ == 1 || layout_ == 2)
        return GetF32(at(i) + 8);
    return 0.0f;
}

namespace {

std::string text10(const uint8_t* p)
{
    size_t n = 0;
    while (n < 10 && p[n])
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

} // namespace

std::string TEfData::TextA(int i) const
{
    return layout_ == 2 ? text10(at(i) + 12) : std::string();
}

std::string TEfData::TextB(int i) const
{
    return layout_ == 2 ? text10(at(i) + 22) : std::string();
}

void WriteMemoryRecord(int layout, uint8_t* records, int i, const TMemoryRecord& r)
{
    uint8_t* p = records + i * RecordSize(layout);
    std::memset(p, 0, size_t(RecordSize(layout)));
    PutU32(p, r.time);
    if (layout == 0) {
        PutF32(p + 4, r.result);
        return;
    }
    PutU32(p + 4, r.number);
    PutF32(p + 8, r.result);
    if (layout == 2) {
        std::memcpy(p + 12, r.textA.data(), std::min<size_t>(10, r.textA.size()));
        std::memcpy(p + 22, r.textB.data(), std::min<size_t>(10, r.textB.size()));
    }
}

} // namespace proto
