#pragma once
// The data grid's in-place editor: the platform's line editor plus, as the column asks, a button at its
// right (ellipsis, drop-down, up-down) and a drop-down pick list of the column's texts, optionally mapped
// to key values that go to the field in place of the texts.
#include "platform/controls/InplaceEdit.h"

class TCustomDBGridEx;
class TColumnEx;
class TEditButtonControlEx;
class TPopupListbox;

class TDBGridInplaceEdit : public TInplaceEdit {
    Q_OBJECT
public:
    enum TEditStyle : unsigned char { esSimple, esEllipsis, esPickList, esDataList, esDateCalendar, esUpDown, esDropDown };

    TDBGridInplaceEdit(TCustomDBGridEx* grid, QWidget* parent);

    TEditStyle EditStyle() const { return editStyle_; }
    void UpdateContents() override;
    // Opens the pick list under (or above) the editor; closes it taking the chosen item or not.
    void DropDown();
    void CloseUp(bool accept);
    bool ListVisible() const { return listVisible_; }
    TPopupListbox* PickList() const { return pickList_; }
    TEditButtonControlEx* StyleButton() const { return button_; }
    // The screen area a list must fit in; by default the editor's screen.
    QRect ScreenArea() const;
    static inline QRect ScreenAreaForTests;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    TColumnEx* column() const;
    QStringList shownPicks() const;
    bool canModify() const;
    void layoutButtons();
    void stepValue(bool up);
    // Completes typed text against the pick list; false when the text goes on to the ordinary editing.
    bool completeTyped(const QString& typed);

    TCustomDBGridEx* grid_;
    TEditStyle editStyle_ = esSimple;
    TPopupListbox* pickList_ = nullptr;
    TEditButtonControlEx* button_ = nullptr;
    bool listVisible_ = false;
    bool openedByPress_ = false;
};
