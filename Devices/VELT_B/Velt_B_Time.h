#pragma once
// Instrument time as the request-and-answer drivers show and file it.
#include "core/ConvertTimeLong.h"
#include "platform/rtl/DateTime.h"

#include <QString>

namespace velt_b {

rtl::TDateTime dateTimeOf(LongTime t);
QString dateText(LongTime t);     // dd.mm.yyyy
QString dateTimeText(LongTime t); // dd.mm.yyyy hh:nn:ss

} // namespace velt_b
