#pragma once
#include <QString>
#include <QStringView>

namespace rtl {

// Equal but for case. Names looked up among a table's columns or a statement's parameters differ in length far
// more often than in letters, and a length is cheaper to compare than folded letters.
inline bool SameText(QStringView a, QStringView b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

inline bool SameText(QStringView a, QLatin1String b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace rtl
