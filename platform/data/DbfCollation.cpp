#include "platform/data/DbfCollation.h"

#include "platform/data/DbfCodec.h"

#include <QVector>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>

namespace dbf {
namespace {

using Weights = std::array<quint16, 256>;

// Weights of every byte of a code page: ASCII letters fold to upper case; Cyrillic letters fold and sort
// after every other character in alphabet order, with Ё between Е and Ж.
Weights makeWeights(rtl::CodePage cp)
{
    Weights w{};
    for (int b = 0; b < 256; ++b) {
        const QChar ch = QChar(rtl::charOf(cp, static_cast<unsigned char>(b))).toUpper();
        const char16_t u = ch.unicode();
        if (u >= 0x0410 && u <= 0x042F) {
            const int letter = u - 0x0410;
            w[b] = static_cast<quint16>(0x200 + 2 * letter + (letter > 5 ? 2 : 0));  // room for Ё after Е
        } else if (u == 0x0401) {
            w[b] = 0x200 + 2 * 5 + 1;
        } else if (u < 0x80) {
            w[b] = u;
        } else {
            const int back = rtl::byteOf(cp, u);
            w[b] = static_cast<quint16>(0x100 + (back >= 0 ? back : b));
        }
    }
    return w;
}

const Weights& weights(rtl::CodePage cp)
{
    static const Weights cp1251 = makeWeights(rtl::CodePage::Cp1251);
    static const Weights cp866 = makeWeights(rtl::CodePage::Cp866);
    return cp == rtl::CodePage::Cp866 ? cp866 : cp1251;
}

// Rank of a weight among the distinct weights of a code page, from 1. A weight the code page lacks takes
// the rank of the next one up, and ranks stop at 255: such a rank is not exact (bit 8 set), and a prefix
// ends after it, since the letters after it no longer decide the order.
using Ranks = std::array<quint16, 1024>;

Ranks makeRanks(rtl::CodePage cp)
{
    const Weights& w = weights(cp);
    std::array<bool, 1024> present{};
    for (quint16 x : w)
        if (x < 1024)
            present[x] = true;
    Ranks r{};
    int below = 0;
    for (int x = 0; x < 1024; ++x) {
        const int rank = std::min(255, below + 1);
        r[x] = static_cast<quint16>(rank | (present[x] && rank < 255 ? 0 : 0x100));
        below += present[x];
    }
    return r;
}

const Ranks& ranks(rtl::CodePage cp)
{
    static const Ranks cp1251 = makeRanks(rtl::CodePage::Cp1251);
    static const Ranks cp866 = makeRanks(rtl::CodePage::Cp866);
    return cp == rtl::CodePage::Cp866 ? cp866 : cp1251;
}

quint16 weightOf(QChar ch, rtl::CodePage cp)
{
    const int b = rtl::byteOf(cp, ch.unicode());
    return b < 0 ? 0xFFFF : weights(cp)[b];
}

void putWeight(uchar*& out, quint16 w)
{
    *out++ = static_cast<uchar>(w >> 8);
    *out++ = static_cast<uchar>(w);
}

int numberKey(std::int64_t scaled, uchar* out)
{
    out[0] = 1;
    const std::uint64_t u = static_cast<std::uint64_t>(scaled) ^ (std::uint64_t(1) << 63);
    for (int i = 0; i < 8; ++i)
        out[1 + i] = static_cast<uchar>(u >> (56 - 8 * i));
    return 9;
}

std::int64_t scale(double v, int decimals)
{
    // Powers of ten up to 1e22 are exact doubles, as pow gives them, without its cost in every key.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double s = v * (decimals >= 0 && decimals < int(std::size(kPowers)) ? kPowers[decimals] : std::pow(10.0, decimals));
    if (s >= 9.2e18)
        return INT64_MAX;
    if (s <= -9.2e18)
        return INT64_MIN;
    return std::llround(s);
}

ByteCollation makeByteCollation(rtl::CodePage cp)
{
    ByteCollation b{};
    b.exactRanks = true;
    for (int x = 0; x < 256; ++x) {
        b.weight[x] = weights(cp)[x];
        const quint16 rank = ranks(cp)[b.weight[x]];
        b.rank[x] = static_cast<uchar>(rank);
        b.exactRanks = b.exactRanks && !(rank & 0x100);
    }
    return b;
}

} // namespace

const ByteCollation& byteCollation(rtl::CodePage cp)
{
    static const ByteCollation cp1251 = makeByteCollation(rtl::CodePage::Cp1251);
    static const ByteCollation cp866 = makeByteCollation(rtl::CodePage::Cp866);
    return cp == rtl::CodePage::Cp866 ? cp866 : cp1251;
}

int trimText(const Column& c, const char* field, int* begin)
{
    const int end = int(trimBlankEnd(field, field + c.length) - field);
    *begin = 0;
    if (c.type != 'C')
        while (*begin < end && field[*begin] == ' ')
            ++*begin;
    return end;
}

int fieldKey(const Column& c, const char* field, rtl::CodePage cp, uchar* out)
{
    if (c.isNumeric()) {
        if (c.decimals == 0) {
            // Whole numbers, the identifiers among them, without a detour through a variant.
            const char* b = field;
            const char* e = field + c.length;
            while (b < e && (*b == ' ' || *b == '\0'))
                ++b;
            while (e > b && (e[-1] == ' ' || e[-1] == '\0'))
                --e;
            if (b == e) {
                out[0] = 0;
                return 1;
            }
            long long n = 0;
            const auto r = std::from_chars(*b == '+' ? b + 1 : b, e, n);
            if (r.ec == std::errc() && r.ptr == e)
                return numberKey(n, out);
        }
        const QVariant v = decodeField(c, field, cp);
        if (v.isNull()) {
            out[0] = 0;
            return 1;
        }
        if (v.typeId() == QMetaType::LongLong && c.decimals == 0)
            return numberKey(v.toLongLong(), out);
        return numberKey(scale(v.toDouble(), c.decimals), out);
    }
    int begin = 0;
    const int end = trimText(c, field, &begin);
    if (begin == end) {
        out[0] = 0;
        return 1;
    }
    const Weights& w = weights(cp);
    uchar* p = out;
    *p++ = 1;
    for (int i = begin; i < end; ++i)
        putWeight(p, w[static_cast<unsigned char>(field[i])]);
    return static_cast<int>(p - out);
}

quint64 keyPrefix(const Column& c, const uchar* key, int length, rtl::CodePage cp)
{
    if (length == 0 || key[0] == 0)
        return 0;  // NULL
    if (c.isNumeric()) {
        quint64 u = 0;
        for (int i = 1; i < 9 && i < length; ++i)
            u = u << 8 | key[i];
        return std::max<quint64>(u, 1);
    }
    const Ranks& r = ranks(cp);
    quint64 p = 0;
    bool exact = true;
    for (int i = 0; i < 8; ++i) {
        const int at = 1 + 2 * i;
        quint16 rank = 0;
        if (exact && at + 1 < length) {
            const int w = key[at] << 8 | key[at + 1];
            rank = w >= 1024 ? 0x1FF : r[w];
            exact = !(rank & 0x100);
        } else {
            exact = false;
        }
        p = p << 8 | (rank & 0xFF);
    }
    return p;
}

FieldOrder::FieldOrder(const Column& column, rtl::CodePage codePage)
    : column_(column),
      codePage_(codePage),
      collation_(byteCollation(codePage)),
      wholeNumbers_(column.isNumeric() && column.decimals == 0),
      exactText_(!column.isNumeric() && byteCollation(codePage).exactRanks),
      keyA_(static_cast<std::size_t>(keyRoom(column))),
      keyB_(static_cast<std::size_t>(keyRoom(column)))
{
}

quint64 FieldOrder::prefix(const char* field) const
{
    if (exactText_) {
        int begin = 0;
        const int end = trimText(column_, field, &begin);
        return textPrefix(collation_, field + begin, end - begin);
    }
    if (wholeNumbers_) {
        // Right-aligned digits, as every writer puts them; anything else makes its key.
        const char* b = field;
        const char* const e = field + column_.length;
        while (b < e && *b == ' ')
            ++b;
        if (b == e)
            return 0;  // NULL
        if (e - b <= 18) {
            qint64 n = 0;
            const char* p = b;
            while (p < e && *p >= '0' && *p <= '9')
                n = n * 10 + (*p++ - '0');
            if (p == e)
                return static_cast<quint64>(n) ^ (quint64(1) << 63);
        }
    }
    const int n = fieldKey(column_, field, codePage_, keyA_.data());
    return keyPrefix(column_, keyA_.data(), n, codePage_);
}

int FieldOrder::compareTies(const char* a, const char* b) const
{
    if (exactText_) {
        // Equal prefixes of exact ranks: the first eight letters weigh the same.
        int beginA = 0, beginB = 0;
        const int endA = trimText(column_, a, &beginA), endB = trimText(column_, b, &beginB);
        const int na = endA - beginA, nb = endB - beginB;
        for (int i = std::min(8, std::min(na, nb)); i < na && i < nb; ++i) {
            const quint16 x = collation_.weight[static_cast<uchar>(a[beginA + i])];
            const quint16 y = collation_.weight[static_cast<uchar>(b[beginB + i])];
            if (x != y)
                return x < y ? -1 : 1;
        }
        return na == nb ? 0 : (na < nb ? -1 : 1);
    }
    const int na = fieldKey(column_, a, codePage_, keyA_.data());
    const int nb = fieldKey(column_, b, codePage_, keyB_.data());
    const int cmp = std::memcmp(keyA_.data(), keyB_.data(), static_cast<std::size_t>(std::min(na, nb)));
    return cmp != 0 ? cmp : (na == nb ? 0 : (na < nb ? -1 : 1));
}

bool valueKey(const Column& c, const QVariant& value, rtl::CodePage cp, QByteArray* key)
{
    if (c.isMemo())
        return false;
    key->clear();
    if (value.isNull()) {
        key->append('\0');
        return true;
    }
    if (c.isNumeric()) {
        double d = 0;
        const int t = value.typeId();
        if (t == QMetaType::LongLong || t == QMetaType::Int || t == QMetaType::UInt || t == QMetaType::ULongLong || t == QMetaType::Bool) {
            uchar buf[9];
            const std::int64_t n = value.toLongLong();
            const int len = c.decimals == 0 ? numberKey(n, buf) : numberKey(scale(static_cast<double>(n), c.decimals), buf);
            *key = QByteArray(reinterpret_cast<const char*>(buf), len);
            return true;
        }
        if (t == QMetaType::Double || t == QMetaType::Float) {
            d = value.toDouble();
        } else {
            const QByteArray text = value.toString().toLatin1();
            if (!parseNumber(text.constData(), text.constData() + text.size(), &d))
                return false;
        }
        uchar buf[9];
        *key = QByteArray(reinterpret_cast<const char*>(buf), numberKey(scale(d, c.decimals), buf));
        return true;
    }
    QString text = value.typeId() == QMetaType::Double ? QString::number(value.toDouble(), 'g', 15) : value.toString();
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    if (c.type != 'C')
        while (text.startsWith(QLatin1Char(' ')))
            text.remove(0, 1);
    if (text.isEmpty()) {
        key->append('\0');
        return true;
    }
    key->reserve(1 + 2 * text.size());
    key->append('\1');
    for (QChar ch : text) {
        const quint16 w = weightOf(ch, cp);
        key->append(static_cast<char>(w >> 8));
        key->append(static_cast<char>(w));
    }
    return true;
}

QVector<quint16> textWeights(const QString& text, rtl::CodePage cp)
{
    QVector<quint16> out;
    out.reserve(text.size());
    for (QChar ch : text)
        out.append(weightOf(ch, cp));
    return out;
}

int fieldWeights(const Column& c, const char* field, rtl::CodePage cp, quint16* out)
{
    int begin = 0;
    const int end = trimText(c, field, &begin);
    const Weights& w = weights(cp);
    for (int i = begin; i < end; ++i)
        out[i - begin] = w[static_cast<unsigned char>(field[i])];
    return end - begin;
}

} // namespace dbf
