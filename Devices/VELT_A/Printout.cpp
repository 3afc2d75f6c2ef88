#include "Devices/VELT_A/Printout.h"
#include "core/Debug.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"

#include <cstring>

const char kPrintoutProductWord[4] = {'V', '\xC5', 'L', '\xD2'};

namespace {

// A byte with a nibble above 9 is no BCD number: it gives -1, which no date or time accepts.
int bcd(unsigned char b)
{
    if ((b >> 4) > 9 || (b & 0x0F) > 9)
        return -1;
    return (b >> 4) * 10 + (b & 0x0F);
}

unsigned char toBcd(int v)
{
    return static_cast<unsigned char>(((v / 10) % 10) << 4 | (v % 10));
}

QByteArray asText(const QByteArray& bytes)
{
    return rtl::fromCp1251(bytes).toUtf8();
}

bool digitsOnly(const unsigned char* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
    }
    return true;
}

int number(const unsigned char* p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

} // namespace

int ReadPrintout(TPrintoutSource& source, int typeId, const std::function<void(const TPrintoutResult&)>& onResult)
{
    // Header: single bytes up to 0xB9; the first four must be the product word.
    QByteArray model;
    bool headerEnd = false;
    bool bad = false;
    while (model.size() < 12) {
        unsigned char b = 0;
        if (source.Read(&b, 1) != 1) {
            bad = true;
            break;
        }
        if (b == kPrintoutHeaderEnd) {
            headerEnd = true;
            break;
        }
        model.append(char(b));
        if (model.size() == 4 && std::memcmp(model.constData(), kPrintoutProductWord, 4) != 0) {
            bad = true;
            break;
        }
        source.Sleep(10);
    }
    if (bad || !headerEnd) {
        if (!source.Stopped())
            Dbg().Print("bad header %s", asText(model).constData());
        return 0;
    }

    // Serial number and verification date.
    unsigned char ident[10];
    const int identRead = source.Read(ident, 10);
    if (identRead < 10) {
        if (!source.Stopped())
            Dbg().Print("header trash (%d bytes)", identRead);
        return 0;
    }
    if (!digitsOnly(ident, 10))
        return 0;
    rtl::TDateTime verification = 0;
    if (!rtl::TryEncodeDate(2000 + number(ident + 8, 2), number(ident + 6, 2), number(ident + 4, 2), verification)) {
        Dbg().Print("incorrect date ('%.10s')", reinterpret_cast<const char*>(ident));
        return 0;
    }
    const int serial = number(ident, 4);

    int results = 0;
    while (!source.Stopped()) {
        source.Sleep(10);
        unsigned char r[8];
        const int n = source.Read(r, 8);
        if (n != 8) {
            if (n > 0)
                Dbg().Print("probe trash (%d bytes)", n);
            break;
        }
        if (r[0] != 0xFF) {
            const int day = bcd(r[0]), month = bcd(r[1]), year = bcd(r[2]), hour = bcd(r[3]), minute = bcd(r[4]);
            rtl::TDateTime date = 0, time = 0;
            if (year < 0 || !rtl::TryEncodeDate(2000 + year, month, day, date) ||
                !rtl::TryEncodeTime(hour, minute, 0, 0, time)) {
                Dbg().Print("incorrect date or time ( %d.%d.%d %d:%d)", int(r[0]), int(r[1]), 2000 + int(r[2]),
                            int(r[3]), int(r[4]));
            } else {
                TPrintoutResult result{ZeroMeasurement(), model};
                TVELTMeasurement& m = result.record;
                m.NetNumber = 0;
                m.SerialNumber = uint16_t(serial);
                SetMeasurementText(m.Model, model.constData(), size_t(model.size()));
                m.VerificationDate = verification;
                m.Probe.Timestamp = date + time;
                m.Probe.AlcResult = double((unsigned(r[5]) << 8) | r[6]) * 0.001;
                m.Probe.Exhale = r[7];
                m.Probe.RecordType = 1;
                m.ModelCode = 1;
                m.DeviceType = uint32_t(typeId);
                ++results;
                onResult(result);
            }
        }
        source.Sleep(10);
    }
    return results;
}

QByteArray EncodePrintoutHeader(const QByteArray& model, int serial, int day, int month, int year)
{
    QByteArray bytes = model;
    bytes.append(char(kPrintoutHeaderEnd));
    bytes.append(QString::asprintf("%04d%02d%02d%02d", serial % 10000, day % 100, month % 100, (year - 2000) % 100).toLatin1());
    return bytes;
}

QByteArray EncodePrintoutRecord(const TPrintoutEntry& e)
{
    QByteArray bytes;
    bytes.append(char(toBcd(e.day)));
    bytes.append(char(toBcd(e.month)));
    bytes.append(char(toBcd(e.year - 2000)));
    bytes.append(char(toBcd(e.hour)));
    bytes.append(char(toBcd(e.minute)));
    bytes.append(char((e.value >> 8) & 0xFF));
    bytes.append(char(e.value & 0xFF));
    bytes.append(char(e.status));
    return bytes;
}
