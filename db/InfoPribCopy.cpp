#include "db/InfoPribCopy.h"

#include "platform/rtl/DateTime.h"

bool TInfoPribCopy::Append(const TInfoPriborRecord& record)
{
    for (TInfoPriborEntry& entry : instruments_) {
        if (entry.serial != record.PRIBOR)
            continue;
        for (const TInfoPriborRecord& row : entry.rows) {
            if (row.DATECONST == record.DATECONST)
                return false;
        }
        entry.rows.push_back(record);
        return true;
    }
    instruments_.push_back(TInfoPriborEntry{record.PRIBOR, {record}});
    return true;
}

const TInfoPriborEntry* TInfoPribCopy::Find(uint32_t serial) const
{
    for (const TInfoPriborEntry& entry : instruments_) {
        if (entry.serial == serial)
            return &entry;
    }
    return nullptr;
}

const TInfoPriborRecord* TInfoPribCopy::RowAt(uint32_t serial, LongTime t) const
{
    const TInfoPriborEntry* entry = Find(serial);
    if (!entry || entry->rows.empty())
        return nullptr;
    const TInfoPriborRecord* found = &entry->rows.front();
    for (const TInfoPriborRecord& row : entry->rows) {
        if (row.DATECONST <= t)
            found = &row;
    }
    return found;
}

namespace {

// Reads one run of digits at pos; false when there is none or it is absurdly long.
bool readNumber(const QString& s, qsizetype& pos, int& value)
{
    const qsizetype start = pos;
    value = 0;
    while (pos < s.size() && s[pos] >= u'0' && s[pos] <= u'9') {
        if (pos - start >= 4)
            return false;
        value = value * 10 + (s[pos].unicode() - u'0');
        ++pos;
    }
    return pos > start;
}

bool expect(const QString& s, qsizetype& pos, char16_t c)
{
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

LongTime DateTimeTextToLong(const QString& text)
{
    const QString s = text.trimmed();
    qsizetype pos = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    bool ok = readNumber(s, pos, y) && expect(s, pos, u'.') && readNumber(s, pos, mo) && expect(s, pos, u'.')
              && readNumber(s, pos, d);
    if (ok && pos < s.size()) {
        ok = expect(s, pos, u' ');
        while (ok && expect(s, pos, u' ')) {
        }
        ok = ok && readNumber(s, pos, h) && expect(s, pos, u':') && readNumber(s, pos, mi);
        if (ok && pos < s.size())
            ok = expect(s, pos, u':') && readNumber(s, pos, sec);
    }
    rtl::TDateTime check;
    if (!ok || pos != s.size() || !rtl::TryEncodeDate(y, mo, d, check) || !rtl::TryEncodeTime(h, mi, sec, 0, check))
        throw rtl::EConvertError(("'" + text + "' is not a valid date and time").toStdString());
    rtl::SystemTime st{};
    st.wYear = uint16_t(y);
    st.wMonth = uint16_t(mo);
    st.wDay = uint16_t(d);
    st.wHour = uint16_t(h);
    st.wMinute = uint16_t(mi);
    st.wSecond = uint16_t(sec);
    return SystemTimeToLong(st);
}
