#pragma once
// The designer tests drive its dialogs with the common dialog script, and check how a dialog is laid out.
#include "common/dialogscript.h"

class QWidget;

namespace destest {

using testutil::Child;
using testutil::ClickButton;
using testutil::ClickItem;
using testutil::ClickOn;
using testutil::DialogScript;
using testutil::OnModalOf;
using testutil::Type;

// The next dialog is the band type choice: the type is clicked, then OK.
void ChooseBandType(DialogScript& script, int bandType);

// The dialog as shown: on every page of its tab widgets no control covers another or reaches out of its
// parent, and every text fits its control. The pictures go to VELT_TEST_GRAB_DIR when it is set.
void ExpectLaidOutCleanly(QWidget* dialog, const QString& pictureName);

} // namespace destest
