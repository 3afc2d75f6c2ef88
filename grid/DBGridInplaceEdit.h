#pragma once
// The data grid's in-place editor: the platform's line editor plus, as the column asks, the button of its
// edit style (ellipsis, drop-down, up-down) and the column's own edit buttons at its right, and a drop-down
// list: the column's pick list of texts (optionally mapped to key values that go to the field in place of
// the texts), the records of a lookup field's list, or a month calendar for dates.
#include "platform/controls/InplaceEdit.h"
#include "platform/data/DataSource.h"
#include <QPointer>
#include <utility>
#include <vector>

class TCustomDBGridEx;
class TColumnEx;
class TEditButtonControlEx;
class TPopupDataGridEx;
class TPopupListbox;
class TPopupMonthCalendarEx;

class TDBGridInplaceEdit : public TInplaceEdit {
    Q_OBJECT
public:
    enum TEditStyle : unsigned char { esSimple, esEllipsis, esPickList, esDataList, esDateCalendar, esUpDown, esDropDown };

    TDBGridInplaceEdit(TCustomDBGridEx* grid, QWidget* parent);
    ~TDBGridInplaceEdit() override;

    TEditStyle EditStyle() const { return editStyle_; }
    void UpdateContents() override;
    // Opens the style's list under (or above) the editor; closes it taking the chosen value or not.
    void DropDown();
    void CloseUp(bool accept);
    bool ListVisible() const { return listVisible_; }
    TPopupListbox* PickList() const { return pickList_; }
    TPopupDataGridEx* DataList() const;
    TPopupMonthCalendarEx* Calendar() const { return calendar_; }
    // The button of the edit style (slot 0), then one per column edit button.
    TEditButtonControlEx* StyleButton() const { return buttons_.empty() ? nullptr : buttons_[0].first; }
    int ButtonCount() const { return int(buttons_.size()); }
    TEditButtonControlEx* Button(int i) const { return buttons_[size_t(i)].first; }
    QWidget* Separator(int i) const { return buttons_[size_t(i)].second; }
    // The screen area a list must fit in; by default the editor's screen.
    QRect ScreenArea() const;
    static inline QRect ScreenAreaForTests;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TColumnEx* column() const;
    QStringList shownPicks() const;
    bool canModify() const;
    TEditStyle styleOf(TColumnEx* c) const;
    QWidget* activeList() const;
    void layoutButtons();
    void stepValue(bool up);
    // Puts the list at its size under the editor, or above it, or beside it on the side with more room.
    void placeList(QWidget* list, int width, int height);
    void dropDownDataList(TColumnEx* c);
    void dropDownCalendar(TColumnEx* c);
    void dropDownPickList(TColumnEx* c);
    // Keys of the list styles; true when the key was taken.
    bool listKey(QKeyEvent* e);
    // Completes typed (or pasted) text against the list; false when the text goes on to the ordinary editing.
    bool completeTyped(const QString& before, const QString& typed, const QString& after);
    bool completeFromDataList(const QString& wanted);
    // Hands a character typed into the cell to the open pick list's search; false when nothing matched.
    bool searchPickList(const QString& typed);
    void chooseLookup(const QVariant& key, const QString& text, int selectFrom);

    // The buttons' handlers, by slot (0 the style button).
    void buttonDown(int slot, bool topButton, bool& autoRepeat);
    void buttonClick(int slot);
    void pressButton(int slot);

    TCustomDBGridEx* grid_;
    TEditStyle editStyle_ = esSimple;
    TPopupListbox* pickList_ = nullptr;
    QPointer<TPopupDataGridEx> dataList_;  // the column's: it may go before the editor
    TPopupMonthCalendarEx* calendar_ = nullptr;
    TDataSource listSource_;
    std::vector<std::pair<TEditButtonControlEx*, QWidget*>> buttons_;
    bool listVisible_ = false;
    bool openedByPress_ = false;
};
