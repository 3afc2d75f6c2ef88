#pragma once
// The items each kind of report view adds to the designer's pop-up menu: mostly check items that toggle
// one bit of Flags on every selected view, plus the display format and font commands of text views.
// The items reach the designer through rpDesigner (its undo step, redraw and current page).
#include "platform/graphics/Font.h"

#include <QString>
#include <functional>

class QMenu;
class QWidget;
class TrpView;

// Appends the items of the view's kind (text, picture, band, or any other view) to popup; each item acts
// for the view that built the menu.
void rpDefinePopupMenu(TrpView* view, QMenu* popup);

// The dialogs the items open; tests put their own in.
struct TrpViewPopupDialogs {
    // The display format editor on a format code and string; false when cancelled. Unset: the item
    // opens nothing.
    static std::function<bool(QWidget* parent, qint32& format, QString& formatStr)> FormatEditor;
    // The font dialog on a copy of a font; false when cancelled.
    static std::function<bool(QWidget* parent, gfx::TFont& font)> FontDialog;
};
