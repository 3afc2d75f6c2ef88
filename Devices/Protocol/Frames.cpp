#include "Devices/Protocol/Frames.h"
#include "Devices/Protocol/Protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace proto {

namespace {

// Each answer's fields are listed once, with their offsets, and the list is run either to read or to write.
struct Reader {
    const uint8_t* p;
    void u16(int at, uint16_t& v) const { v = GetU16(p + at); }
    void u32(int at, uint32_t& v) const { v = GetU32(p + at); }
    void f32(int at, float& v) const { v = GetF32(p + at); }
    void f64(int at, double& v) const { v = GetF64(p + at); }
};

struct Writer {
    uint8_t* p;
    void u16(int at, uint16_t v) const { PutU16(p + at, v); }
    void u32(int at, uint32_t v) const { PutU32(p + at, v); }
    void f32(int at, float v) const { PutF32(p + at, v); }
    void f64(int at, double v) const { PutF64(p + at, v); }
};

template <class IO, class M>
void alcMeasFields(const IO& io, M& m)
{
    io.u16(0, m.model);
    io.f64(42, m.result);
    io.u32(50, m.time);
    io.u16(54, m.exhale);
    io.u16(56, m.mode);
}

template <class IO, class K>
void alcKnowFields(const IO& io, K& k)
{
    io.u16(0, k.model);
    io.u32(2, k.serial);
    io.u16(6, k.firmware);
    io.u32(8, k.verification);
    io.u32(12, k.constDate);
    io.f32(138, k.accuracy);
    io.f64(152, k.norm);
    io.u16(160, k.tVidoh);
    io.u16(162, k.wWidoh);
    io.u16(170, k.netNumber);
}

template <class IO, class B>
void infoBlockFields(const IO& io, B& b)
{
    io.u16(0, b.index);
    io.u16(2, b.model);
    io.u32(4, b.serial);
    io.u16(8, b.firmware);
    io.u32(10, b.verification);
    io.u32(14, b.clock);
    io.u32(18, b.life);
}

} // namespace

TAlcMeas TAlcMeas::Read(const uint8_t* p)
{
    TAlcMeas m;
    alcMeasFields(Reader{p}, m);
    return m;
}

void TAlcMeas::Write(uint8_t* p) const
{
    std::memset(p, 0, kSize);
    alcMeasFields(Writer{p}, *this);
}

TAlcKnow TAlcKnow::Read(const uint8_t* p)
{
    TAlcKnow k;
    alcKnowFields(Reader{p}, k);
    // The older models keep no norm there.
    if (k.model < 2)
        k.norm = -1.0;
    return k;
}

void TAlcKnow::Write(uint8_t* p) const
{
    std::memset(p, 0, size_t(SizeFor(model)));
    alcKnowFields(Writer{p}, *this);
}

TInfoBlock TInfoBlock::Read(const uint8_t* p)
{
    TInfoBlock b;
    infoBlockFields(Reader{p}, b);
    return b;
}

void TInfoBlock::Write(uint8_t* p) const
{
    std::memset(p, 0, kSize);
    infoBlockFields(Writer{p}, *this);
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

namespace {

// A memory record: the time, then the result (layout 0) or the number and the result (layouts 1 and 2), then
// in layout 2 two texts of at most 10 bytes.
constexpr int kRecTime = 0, kRecNumber = 4, kRecTextA = 12, kRecTextB = 22, kRecTextSize = 10;

int resultOffset(int layout)
{
    return layout == 0 ? 4 : 8;
}

bool knownLayout(int layout)
{
    return layout >= 0 && layout <= 2;
}

std::string text10(const uint8_t* p)
{
    size_t n = 0;
    while (n < size_t(kRecTextSize) && p[n])
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

} // namespace

LongTime TEfData::DateTime_alk(int i) const
{
    return knownLayout(layout_) ? GetU32(at(i) + kRecTime) : 0;
}

uint32_t TEfData::Number(int i) const
{
    return layout_ == 1 || layout_ == 2 ? GetU32(at(i) + kRecNumber) : 0;
}

float TEfData::Result(int i) const
{
    return knownLayout(layout_) ? GetF32(at(i) + resultOffset(layout_)) : 0.0f;
}

std::string TEfData::TextA(int i) const
{
    return layout_ == 2 ? text10(at(i) + kRecTextA) : std::string();
}

std::string TEfData::TextB(int i) const
{
    return layout_ == 2 ? text10(at(i) + kRecTextB) : std::string();
}

void WriteMemoryRecord(int layout, uint8_t* records, int i, const TMemoryRecord& r)
{
    uint8_t* p = records + i * RecordSize(layout);
    std::memset(p, 0, size_t(RecordSize(layout)));
    PutU32(p + kRecTime, r.time);
    PutF32(p + resultOffset(layout), r.result);
    if (layout == 0)
        return;
    PutU32(p + kRecNumber, r.number);
    if (layout == 2) {
        std::memcpy(p + kRecTextA, r.textA.data(), std::min<size_t>(kRecTextSize, r.textA.size()));
        std::memcpy(p + kRecTextB, r.textB.data(), std::min<size_t>(kRecTextSize, r.textB.size()));
    }
}


const char* TVELTEepromRecord::TextName(int i)
{
    static const char* names[kTexts] = {"SurvLastName", "SurvName",      "SurvPatronymic", "SurvPlace",
                                        "NumberAuto",   "InsLastName",   "InsName",        "InsPatronymic",
                                        "InsDepartment", "InsNumber"};
    return i >= 0 && i < kTexts ? names[i] : "";
}

TVELTEepromRecord TVELTEepromRecord::Read(const uint8_t* p)
{
    TVELTEepromRecord r;
    r.Exhale = GetU32(p);
    r.datetime = GetU32(p + 4);
    r.nMeasure = GetU32(p + 8);
    r.AirResult = GetF32(p + 12);
    r.AlcResult = GetF32(p + 16);
    for (int i = 0; i < kTexts; ++i) {
        const char* field = reinterpret_cast<const char*>(p + TextOffset(i));
        r.texts[i].assign(field, ::strnlen(field, size_t(TextSize(i))));
    }
    return r;
}

void TVELTEepromRecord::Write(uint8_t* p) const
{
    std::memset(p, 0, kSize);
    PutU32(p, Exhale);
    PutU32(p + 4, datetime);
    PutU32(p + 8, nMeasure);
    PutF32(p + 12, AirResult);
    PutF32(p + 16, AlcResult);
    for (int i = 0; i < kTexts; ++i)
        std::memcpy(p + TextOffset(i), texts[i].data(), std::min(texts[i].size(), size_t(TextSize(i))));
}

} // namespace proto
