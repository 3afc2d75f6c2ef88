#include "platform/data/DbfCodec.h"

#include "platform/data/DataLimits.h"
#include "platform/data/DatabaseError.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace dbf {
namespace {

void trim(const char*& b, const char*& e)
{
    while (b < e && (*b == ' ' || *b == '\0'))
        ++b;
    while (e > b && (e[-1] == ' ' || e[-1] == '\0'))
        --e;
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

QVariant decodeField(const Column& c, const char* bytes, rtl::CodePage codePage)
{
    const char* b = bytes;
    const char* e = bytes + c.length;
    if (c.type == 'C') {
        while (e > b && (e[-1] == ' ' || e[-1] == '\0'))
            --e;
        if (b == e)
            return {};
        return rtl::decode(codePage, b, e - b);
    }
    trim(b, e);
    if (b == e)
        return {};
    if (c.isNumeric() || c.isMemo()) {
        if (c.decimals == 0) {
            long long n = 0;
            const char* s = *b == '+' ? b + 1 : b;
            auto r = std::from_chars(s, e, n);
            if (r.ec == std::errc() && r.ptr == e)
                return QVariant::fromValue<qlonglong>(n);
            if (c.isMemo())
                return {};
        }
        double d = 0;
        if (!parseNumber(b, e, &d))
            return {};  // overflow stars or garbage: unknown, never a made-up number
        if (c.decimals == 0 && std::fabs(d) < 9e18 && d == std::trunc(d))
            return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(d));
        return d;
    }
    if (c.type == 'L' && (*b == '?'))
        return {};
    return rtl::decode(codePage, b, e - b);
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
