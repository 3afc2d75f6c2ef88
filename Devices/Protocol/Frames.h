#pragma once
// The answers of the request-and-answer instruments, field by field (little-endian throughout), read by the
// drivers and written by the test instrument.
#include "core/ConvertTimeLong.h"

#include <cstdint>
#include <string>

namespace proto {

// Answer to code 2: the current result.
struct TAlcMeas {
    static constexpr int kSize = 70;
    uint16_t model = 0;   // the model word; below 3 for the older models
    double result = 0.0;  // mg/l
    LongTime time = 0;    // DT_result_sec
    uint16_t exhale = 0;  // interrupted: 0xFFFF for model words below 3, 2 for the others
    uint16_t mode = 0;    // 4 a result is ready; 1, 2, 3 the other working modes

    static TAlcMeas Read(const uint8_t* p);
    void Write(uint8_t* p) const; // kSize bytes
    bool Interrupted() const { return model < 3 ? exhale == 0xFFFF : exhale == 2; }
};

// Answer to code 3: the instrument's constants.
struct TAlcKnow {
    static constexpr int kCapacity = 194;
    uint16_t model = 0;
    uint32_t serial = 0;
    uint16_t firmware = 0;     // high byte, low byte
    LongTime verification = 0; // 0: the constants are not valid
    LongTime constDate = 0;
    float accuracy = 0.0f;     // resolution step, mg/l
    double norm = 0.0;         // legal norm; models 2 and above
    uint16_t tVidoh = 0, wWidoh = 0, netNumber = 0;

    // 184 for model word 0, 194 for 1, 186 otherwise.
    static int SizeFor(uint16_t model) { return model == 0 ? 184 : model == 1 ? 194 : 186; }
    static TAlcKnow Read(const uint8_t* p);
    void Write(uint8_t* p) const; // SizeFor(model) bytes
};

// Answer to code 7 with index 0xFFFF.
struct TInfoBlock {
    static constexpr int kSize = 22;
    uint16_t index = 0xFFFF;
    uint16_t model = 0;
    uint32_t serial = 0;
    uint16_t firmware = 0;
    LongTime verification = 0;
    LongTime clock = 0;
    uint32_t life = 0; // exhalations in the instrument's life, 32 bits

    static TInfoBlock Read(const uint8_t* p);
    void Write(uint8_t* p) const;
};

// The constants' model words of the two instruments a model word tells apart: the interlock (whose memory marks
// its events) and VELT-C (whose memory keeps whole records); the other words are VELT-A and VELT-B of type 2.
constexpr uint16_t kInterlockModel = 4;
constexpr uint16_t kVeltCModel = 11;

// "%x,%02x" of the firmware's high and low byte: 0x0004 gives "0,04".
std::string FirmwareText(uint16_t firmware);

// Memory blocks: echo (2), continuation word (2, 0 while further blocks follow), 192 bytes of records.
constexpr int kBlockHeader = 4;
constexpr int kBlockRecordBytes = 192;
constexpr int kBlockSize = kBlockHeader + kBlockRecordBytes;
constexpr int kExchangeSize = 642;

// Record layout by the constants' model: 0 for models 0-2, 1 for 3 and 4, 2 for 5 and above.
int LayoutOfModel(uint16_t model);
int RecordsPerBlock(int layout); // 24, 16, 6
int RecordSize(int layout);      // 8, 12, 32

struct TMemoryRecord {
    LongTime time = 0;
    uint32_t number = 0;
    float result = 0.0f;
    std::string textA, textB; // cp1251 bytes, at most 10
};

// One block's records as received (efdata).
class TEfData {
public:
    void Set(int layout, const uint8_t* records); // copies kBlockRecordBytes
    int Layout() const { return layout_; }
    LongTime DateTime_alk(int i) const;
    uint32_t Number(int i) const;
    float Result(int i) const;
    std::string TextA(int i) const;
    std::string TextB(int i) const;

private:
    const uint8_t* at(int i) const { return bytes_ + i * RecordSize(layout_); }
    int layout_ = 0;
    uint8_t bytes_[kBlockRecordBytes] = {};
};

// VELT-C keeps one 256-byte record per measurement, one per memory block: echo (2), continuation word (2,
// not 0 on the last block), the record.
struct TVELTEepromRecord {
    static constexpr int kSize = 256;
    static constexpr int kTexts = 10;
    static constexpr int kBlockSize = kBlockHeader + kSize;
    uint32_t Exhale = 0;   // its two low bits are the exhalation state
    LongTime datetime = 0;
    uint32_t nMeasure = 0;
    float AirResult = 0.0f, AlcResult = 0.0f;
    // SurvLastName, SurvName, SurvPatronymic, SurvPlace, NumberAuto, InsLastName, InsName, InsPatronymic,
    // InsDepartment, InsNumber: cp1251 bytes up to their first NUL, at most the field's size.
    std::string texts[kTexts];

    static int TextOffset(int i) { return 20 + 24 * i; }
    // The last field ends with the record: 20 bytes, not 24.
    static int TextSize(int i) { return i == kTexts - 1 ? 20 : 24; }
    static const char* TextName(int i);
    static TVELTEepromRecord Read(const uint8_t* p);
    void Write(uint8_t* p) const; // kSize bytes; a text as long as its field gets no NUL
};

// Writes record i of a block's record bytes in the layout.
void WriteMemoryRecord(int layout, uint8_t* records, int i, const TMemoryRecord& r);

} // namespace proto
