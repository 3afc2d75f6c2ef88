#include "Devices/VELT_A/Printout.h"
#include "core/Debug.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"

#include <algorithm>
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

namespace {

// The bytes of a pass: what has been read and not taken yet, filled from the line as the reading needs.
class TPrintoutBytes {
public:
    explicit TPrintoutBytes(TPrintoutSource& source) : source_(source) {}
    // At least n bytes at hand; false when the line fell silent first (what came is kept).
    bool Need(int n)
    {
        while (bytes_.size() < n) {
            unsigned char chunk[16];
            const int got = source_.Read(chunk, std::min<int>(n - int(bytes_.size()), int(sizeof chunk)));
            if (got <= 0)
                return false;
            bytes_.append(reinterpret_cast<const char*>(chunk), got);
        }
        return true;
    }
    int Size() const { return int(bytes_.size()); }
    const unsigned char* Data() const { return reinterpret_cast<const unsigned char*>(bytes_.constData()); }
    QByteArray Left(int n) const { return bytes_.left(n); }
    void Drop(int n) { bytes_.remove(0, n); }

private:
    TPrintoutSource& source_;
    QByteArray bytes_;
};

struct THeader {
    QByteArray model;
    int serial = 0;
    rtl::TDateTime verification = 0;
};

// The header at the start of the bytes: single bytes up to 0xB9, the first four the product word, then the
// serial number and the verification date. Taken when sound; false (logged) when not.
bool readHeader(TPrintoutSource& source, TPrintoutBytes& in, THeader& h)
{
    int end = -1;
    for (int i = 0; i < 12; ++i) {
        if (!in.Need(i + 1))
            break;
        if (in.Data()[i] == kPrintoutHeaderEnd) {
            end = i;
            break;
        }
        if (i == 3 && std::memcmp(in.Data(), kPrintoutProductWord, 4) != 0) {
            const QByteArray word = in.Left(4);
            in.Drop(4);
            if (!source.Stopped())
                Dbg().Print("bad header %s", asText(word).constData());
            return false;
        }
        source.Sleep(10);
    }
    if (end < 0) {
        const QByteArray model = in.Left(std::min(in.Size(), 12));
        in.Drop(model.size());
        if (!source.Stopped())
            Dbg().Print("bad header %s", asText(model).constData());
        return false;
    }
    h.model = in.Left(end);
    in.Drop(end + 1);
    const bool whole = in.Need(10);
    unsigned char ident[10];
    const int identRead = std::min(in.Size(), 10);
    std::memcpy(ident, in.Data(), size_t(identRead));
    in.Drop(identRead);
    if (!whole) {
        if (!source.Stopped())
            Dbg().Print("header trash (%d bytes)", identRead);
        return false;
    }
    if (!digitsOnly(ident, 10))
        return false;
    if (!rtl::TryEncodeDate(2000 + number(ident + 8, 2), number(ident + 6, 2), number(ident + 4, 2), h.verification)) {
        Dbg().Print("incorrect date ('%.10s')", reinterpret_cast<const char*>(ident));
        return false;
    }
    h.serial = number(ident, 4);
    return true;
}

// Where the product word begins within the next record's 8 bytes, or -1. A word cut by the end of those bytes
// is looked at whole when the line brings its rest; no record begins with it (its second byte is no BCD).
int headerWithinRecord(TPrintoutBytes& in)
{
    for (int p = 0; p < 8; ++p) {
        int matched = 0;
        while (matched < 4 && p + matched < in.Size() && in.Data()[p + matched] == uint8_t(kPrintoutProductWord[matched]))
            ++matched;
        if (matched == 4)
            return p;
        if (p + matched == in.Size() && matched > 0 && in.Need(p + 4) &&
            std::memcmp(in.Data() + p, kPrintoutProductWord, 4) == 0)
            return p;
    }
    return -1;
}

} // namespace

int ReadPrintout(TPrintoutSource& source, int typeId, const std::function<void(const TPrintoutResult&)>& onResult)
{
    TPrintoutBytes in(source);
    THeader header;
    if (!readHeader(source, in, header))
        return 0;

    int results = 0;
    while (!source.Stopped()) {
        source.Sleep(10);
        if (!in.Need(8)) {
            if (in.Size() > 0)
                Dbg().Print("probe trash (%d bytes)", in.Size());
            break;
        }
        // A printout sent right behind this one: its header starts where a record would, or inside a record
        // cut short. The reading follows it, so no record of it is read out of line.
        const int next = headerWithinRecord(in);
        if (next >= 0) {
            if (next > 0) {
                Dbg().Print("probe trash (%d bytes)", next);
                in.Drop(next);
            }
            if (!readHeader(source, in, header))
                break;
            continue;
        }
        unsigned char r[8];
        std::memcpy(r, in.Data(), 8);
        in.Drop(8);
        if (r[0] != 0xFF) {
            const int day = bcd(r[0]), month = bcd(r[1]), year = bcd(r[2]), hour = bcd(r[3]), minute = bcd(r[4]);
            rtl::TDateTime date = 0, time = 0;
            if (year < 0 || !rtl::TryEncodeDate(2000 + year, month, day, date) ||
                !rtl::TryEncodeTime(hour, minute, 0, 0, time)) {
                Dbg().Print("incorrect date or time ( %d.%d.%d %d:%d)", int(r[0]), int(r[1]), 2000 + int(r[2]),
                            int(r[3]), int(r[4]));
            } else {
                TPrintoutResult result{ZeroMeasurement(), header.model};
                TVELTMeasurement& m = result.record;
                m.NetNumber = 0;
                m.SerialNumber = uint16_t(header.serial);
                SetMeasurementText(m.Model, header.model.constData(), size_t(header.model.size()));
                m.VerificationDate = header.verification;
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
