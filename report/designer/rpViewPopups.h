#pragma once
// The items each kind of report view adds to the designer's pop-up menu: mostly check items that toggle
// one bit of Flags on every selected view, plus the display format and font commands of text views.
// The items reach the designer through rpDesigner (its undo step, redraw and current page).
class QMenu;
class TrpView;

// Appends the items of the view's kind (text, picture, band, or any other view) to popup; each item acts
// for the view that built the menu.
void rpDefinePopupMenu(TrpView* view, QMenu* popup);
