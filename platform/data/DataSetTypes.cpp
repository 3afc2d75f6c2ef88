#include "platform/data/DataSetTypes.h"

#include <QLocale>
#include <atomic>

namespace {
std::atomic<char16_t> separator{0};
}

QChar displayDecimalSeparator()
{
    const char16_t s = separator.load();
    if (s != 0)
        return QChar(s);
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

void setDisplayDecimalSeparator(QChar s)
{
    separator.store(s.unicode());
}
