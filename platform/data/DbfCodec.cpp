#include "platform/data/DbfCodec.h"

#include "platform/data/DataLimits.h"
#include "platform/data/DatabaseError.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace dbf {
namespace {

// Fields are trimmed eight bytes at a time: most text fields of a journal are blank or half blank, and
// numbers stand right-aligned in wide fields. A byte is blank when it is ' ' or '\0'.
static_assert(std::endian::native == std::endian::little, "the words below are read little-endian");
constexpr std::uint64_t kNotBlank = ~0x2020202020202020ull;  // zero for the bytes ' ' and '\0' alone

std::uint64_t nonBlankBytes(const char* at)
{
    std::uint64_t w;
    std::memcpy(&w, at, 8);
    return w & kNotBlank;
}

// The end of a field's bytes without its trailing blanks.
inline const char* trimEnd(const char* b, const char* e)
{
    if (e - b < 8) {
        while (e > b && (e[-1] == ' ' || e[-1] == '\0'))
            --e;
        return e;
    }
    for (; e - b > 8; e -= 8)
        if (const std::uint64_t m = nonBlankBytes(e - 8))
            return e - std::countl_zero(m) / 8;
    // The first eight bytes: those past e were seen blank.
    const std::uint64_t m = nonBlankBytes(b);
    return m ? b + 8 - std::countl_zero(m) / 8 : b;
}

// The first byte of a field that is not blank.
inline const char* trimStart(const char* b, const char* e)
{
    if (e - b < 8) {
        while (b < e && (*b == ' ' || *b == '\0'))
            ++b;
        return b;
    }
    for (; e - b > 8; b += 8)
        if (const std::uint64_t m = nonBlankBytes(b))
            return b + std::countr_zero(m) / 8;
    // The last eight bytes: those before b were seen blank.
    const std::uint64_t m = nonBlankBytes(e - 8);
    return m ? e - 8 + std::countr_zero(m) / 8 : e;
}

void trim(const char*& b, const char*& e)
{
    e = trimEnd(b, e);
    b = trimStart(b, e);
}

[[noreturn]] void noFit(const Column& c, const QString& value)
{
    throw EDatabaseError(QStringLiteral("The value %1 does not fit field %2 %3(%4,%5)")
                             .arg(value, c.name, QString(QLatin1Char(c.type)))
                             .arg(c.length)
                             .arg(c.decimals));
}

void putRight(const Column& c, const char* text, std::size_t n, char* bytes, const QString& shown)
{
    if (n > static_cast<std::size_t>(c.length))
        noFit(c, shown);
    std::memset(bytes, ' ', c.length);
    std::memcpy(bytes + c.length - n, text, n);
}

void encodeNumber(const Column& c, const QVariant& value, char* bytes)
{
    char buf[kNumberTextRoom];
    const bool integral = value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int ||
                          value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::ULongLong ||
                          value.typeId() == QMetaType::Bool;
    if (integral && c.decimals == 0) {
        auto r = std::to_chars(buf, buf + sizeof buf, value.toLongLong());
        putRight(c, buf, r.ptr - buf, bytes, QString::number(value.toLongLong()));
        return;
    }
    double d = 0;
    if (integral) {
        d = static_cast<double>(value.toLongLong());
    } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        d = value.toDouble();
    } else {
        const QByteArray text = value.toString().trimmed().toLatin1();
        if (text.isEmpty()) {
            std::memset(bytes, ' ', c.length);
            return;
        }
        if (!parseNumber(text.constData(), text.constData() + text.size(), &d))
            throw EDatabaseError(QStringLiteral("'%1' is not a number for field %2").arg(value.toString(), c.name));
    }
    if (!std::isfinite(d))
        noFit(c, QStringLiteral("(not a number)"));
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, c.decimals);
    if (r.ec != std::errc())
        noFit(c, QString::number(d));
    // "-0.000" reads back as zero anyway, but keep the sign off a value that rounds to zero.
    std::size_t n = r.ptr - buf;
    if (buf[0] == '-' && std::strspn(buf + 1, "0.") == n - 1) {
        std::memmove(buf, buf + 1, n - 1);
        --n;
    }
    putRight(c, buf, n, bytes, QString::fromLatin1(buf, static_cast<qsizetype>(n)));
}

} // namespace

bool parseNumber(const char* b, const char* e, double* value)
{
    trim(b, e);
    if (b == e)
        return false;
    char buf[kMaxNumberText + 1];
    const std::size_t n = static_cast<std::size_t>(e - b);
    if (n >= sizeof buf)
        return false;
    std::memcpy(buf, b, n);
    for (std::size_t i = 0; i < n; ++i)
        if (buf[i] == ',')
            buf[i] = '.';
    const char* start = buf[0] == '+' ? buf + 1 : buf;
    double d = 0;
    auto r = std::from_chars(start, buf + n, d);
    if (r.ec != std::errc() || r.ptr != buf + n || !std::isfinite(d))
        return false;
    *value = d;
    return true;
}

namespace {

// A text value made in its variant's own storage: the string's count is never stepped up and down.
QVariant textValue(rtl::CodePage codePage, const char* b, const char* e)
{
    QVariant v{QString()};
    QString text = rtl::decode(codePage, b, e - b);
    static_cast<QString*>(v.data())->swap(text);
    return v;
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The numbers every writer puts in a numeric field (its blanks trimmed off): an optional sign, digits, and
// a point or comma with more digits. True with the value when the field is such a number that is read
// exactly: at most 15 digits in all, so that the digits and the power of ten are exact doubles and their
// quotient is the correctly rounded value. False for anything else, which the general reader takes.
bool plainNumber(const char* b, const char* e, bool* integral, long long* whole, double* value)
{
    const bool negative = *b == '-';
    if (*b == '-' || *b == '+')
        ++b;
    unsigned long long m = 0;
    int digits = 0, decimals = 0;
    bool point = false;
    for (const char* p = b; p < e; ++p) {
        const unsigned d = unsigned(uchar(*p) - '0');
        if (d <= 9) {
            m = m * 10 + d;
            ++digits;
            decimals += point;
        } else if ((*p == '.' || *p == ',') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0 || digits > 15 || (point && decimals == 0))
        return false;
    *integral = !point;
    *whole = negative ? -(long long)m : (long long)m;
    const double magnitude = decimals ? double(m) / kPowersOfTen[decimals] : double(m);
    *value = negative ? -magnitude : magnitude;
    return true;
}

} // namespace

const char* trimBlankEnd(const char* begin, const char* end)
{
    return trimEnd(begin, end);
}

QVariant decodeField(const Column& c, const char* bytes, rtl::CodePage codePage)
{
    const char* b = bytes;
    const char* e = trimEnd(b, bytes + c.length);
    if (c.type == 'C')
        return b == e ? QVariant() : textValue(codePage, b, e);
    b = trimStart(b, e);
    if (b == e)
        return {};
    if (c.isNumeric()) {
        bool integral = false;
        long long whole = 0;
        double d = 0;
        if (plainNumber(b, e, &integral, &whole, &d)) {
            if (c.decimals == 0 && (integral || d == std::trunc(d)))
                return QVariant(integral ? qlonglong(whole) : static_cast<qlonglong>(d));
            return d;
        }
    }
    if (c.isNumeric() || c.isMemo()) {
        if (c.decimals == 0) {
            long long n = 0;
            const char* s = *b == '+' ? b + 1 : b;
            auto r = std::from_chars(s, e, n);
            if (r.ec == std::errc() && r.ptr == e)
                return QVariant(qlonglong(n));
            if (c.isMemo())
                return {};
        }
        double d = 0;
        if (!parseNumber(b, e, &d))
            return {};  // overflow stars or garbage: unknown, never a made-up number
        if (c.decimals == 0 && std::fabs(d) < 9e18 && d == std::trunc(d))
            return QVariant(static_cast<qlonglong>(d));
        return d;
    }
    if (c.type == 'L' && (*b == '?'))
        return {};
    return textValue(codePage, b, e);
}

QByteArray encodeText(const Column& c, const QString& text, rtl::CodePage codePage)
{
    int unmappable = 0;
    QByteArray bytes = rtl::encode(codePage, text, &unmappable);
    if (unmappable > 0)
        throw EDatabaseError(QStringLiteral("The text '%1' for field %2 holds %3 character(s) that the table's code page (%4) has no byte for")
                                 .arg(text, c.name)
                                 .arg(unmappable)
                                 .arg(codePage == rtl::CodePage::Cp866 ? QStringLiteral("cp866") : QStringLiteral("cp1251")));
    return bytes;
}

void encodeField(const Column& c, const QVariant& value, char* bytes, rtl::CodePage codePage)
{
    if (value.isNull()) {
        std::memset(bytes, ' ', c.length);
        return;
    }
    if (c.isNumeric()) {
        encodeNumber(c, value, bytes);
        return;
    }
    QByteArray text;
    if (c.type == 'L') {
        const bool truth = value.typeId() == QMetaType::QString
                               ? QStringLiteral("TtYy1").contains(value.toString().trimmed().left(1)) && !value.toString().trimmed().isEmpty()
                               : value.toBool();
        text = truth ? "T" : "F";
    } else if (value.typeId() == QMetaType::Double) {
        char buf[kNumberTextRoom];
        auto r = std::to_chars(buf, buf + sizeof buf, value.toDouble());
        text = QByteArray(buf, r.ptr - buf);
    } else {
        text = encodeText(c, value.toString(), codePage);
    }
    if (text.size() > c.length)
        text.truncate(c.length);
    std::memset(bytes, ' ', c.length);
    std::memcpy(bytes, text.constData(), static_cast<std::size_t>(text.size()));
}

} // namespace dbf
