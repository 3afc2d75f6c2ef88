#pragma once
// The measurement record every driver builds and the journal reads: a plain 312-byte value, copied whole.
// Texts are cp1251 bytes, NUL-terminated; date-times are day counts from 1899-12-30 (rtl::TDateTime).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

struct TVELTProbe {
    double Timestamp;   // the instrument's date and time of the measurement
    double AlcResult;   // mg/l, never negative
    double AirResult;   // second result of VELT-C, mg/l; 0 from the other drivers
    uint8_t Exhale;     // 0 normal, 1 interrupted, 2 refusal, 3 manual sampling
    uint32_t nMeasure;  // exhalation number in the instrument's count; 0 when unknown
    char SurvLastName[24];
    char SurvName[24];
    char SurvPatronymic[24];
    char SurvPlace[24];
    char NumberAuto[24];
    char InsLastName[24];
    char InsName[24];
    char InsPatronymic[24];
    char InsDepartment[24];
    char InsNumber[24];
    uint8_t Flag;        // 0 from every driver
    uint32_t RecordType; // 1 a measurement, 2 a marked memory entry
};

struct TVELTMeasurement {
    uint16_t NetNumber;      // net number on a networked line; 0 otherwise
    uint16_t SerialNumber;
    char Model[12];          // at most 11 bytes and a NUL
    double VerificationDate; // 0 when the driver has none
    TVELTProbe Probe;
    uint32_t ModelCode;      // 1 VELT-A, 10..13 VELT-B and the interlock, 20 VELT-C
    uint32_t DeviceType;     // type id 1..7 of the source whose driver made the record
};

static_assert(std::is_trivially_copyable_v<TVELTMeasurement>);
static_assert(std::is_standard_layout_v<TVELTMeasurement>);
static_assert(sizeof(TVELTMeasurement) == 312);
static_assert(alignof(TVELTMeasurement) == 8);
static_assert(offsetof(TVELTMeasurement, NetNumber) == 0);
static_assert(offsetof(TVELTMeasurement, SerialNumber) == 2);
static_assert(offsetof(TVELTMeasurement, Model) == 4);
static_assert(offsetof(TVELTMeasurement, VerificationDate) == 16);
static_assert(offsetof(TVELTMeasurement, Probe) == 24);
static_assert(offsetof(TVELTMeasurement, Probe.Timestamp) == 24);
static_assert(offsetof(TVELTMeasurement, Probe.AlcResult) == 32);
static_assert(offsetof(TVELTMeasurement, Probe.AirResult) == 40);
static_assert(offsetof(TVELTMeasurement, Probe.Exhale) == 48);
static_assert(offsetof(TVELTMeasurement, Probe.nMeasure) == 52);
static_assert(offsetof(TVELTMeasurement, Probe.SurvLastName) == 56);
static_assert(offsetof(TVELTMeasurement, Probe.SurvName) == 80);
static_assert(offsetof(TVELTMeasurement, Probe.SurvPatronymic) == 104);
static_assert(offsetof(TVELTMeasurement, Probe.SurvPlace) == 128);
static_assert(offsetof(TVELTMeasurement, Probe.NumberAuto) == 152);
static_assert(offsetof(TVELTMeasurement, Probe.InsLastName) == 176);
static_assert(offsetof(TVELTMeasurement, Probe.InsName) == 200);
static_assert(offsetof(TVELTMeasurement, Probe.InsPatronymic) == 224);
static_assert(offsetof(TVELTMeasurement, Probe.InsDepartment) == 248);
static_assert(offsetof(TVELTMeasurement, Probe.InsNumber) == 272);
static_assert(offsetof(TVELTMeasurement, Probe.Flag) == 296);
static_assert(offsetof(TVELTMeasurement, Probe.RecordType) == 300);
static_assert(offsetof(TVELTMeasurement, ModelCode) == 304);
static_assert(offsetof(TVELTMeasurement, DeviceType) == 308);

// A record with every byte 0, padding included: every record is built on one.
inline TVELTMeasurement ZeroMeasurement()
{
    TVELTMeasurement m;
    std::memset(&m, 0, sizeof m);
    return m;
}

// Stores at most N - 1 bytes of text and a NUL; the bytes after the field are never touched.
template <std::size_t N>
void SetMeasurementText(char (&field)[N], const char* bytes, std::size_t length)
{
    const std::size_t n = length < N - 1 ? length : N - 1;
    std::memset(field, 0, N);
    if (n)
        std::memcpy(field, bytes, n);
}

template <std::size_t N>
void SetMeasurementText(char (&field)[N], const char* text)
{
    SetMeasurementText(field, text, text ? std::strlen(text) : 0);
}

// The value rounded to the instrument's accuracy step, as the request-and-answer drivers file it (its
// magnitude). A step that is not a positive finite number, or a quotient out of the 32-bit range, leaves the
// value unrounded instead of filing a wrong one.
double RoundToStep(float value, float step);
