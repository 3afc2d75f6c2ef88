#include "Devices/VELT_B/Velt_B_Time.h"

#include "platform/rtl/FormatDateTime.h"

namespace velt_b {

rtl::TDateTime dateTimeOf(LongTime t)
{
    rtl::SystemTime st{};
    LongToSystemTime(t, st);
    return rtl::SystemTimeToDateTime(st);
}

QString dateText(LongTime t)
{
    return rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy"), dateTimeOf(t));
}

QString dateTimeText(LongTime t)
{
    return rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), dateTimeOf(t));
}

} // namespace velt_b
