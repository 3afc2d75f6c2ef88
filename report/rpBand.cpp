#include "report/rpBand.h"

#include "report/rpView.h"

QString TrpBand::Name() const
{
    return View ? View->Name : QString();
}
