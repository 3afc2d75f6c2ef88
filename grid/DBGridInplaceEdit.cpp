#include "grid/DBGridInplaceEdit.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/PopupListbox.h"
#include "grid/ToolCtrlsEx.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

TInplaceEdit* TCustomDBGridEx::CreateEditor() { return new TDBGridInplaceEdit(this, viewport()); }

TDBGridInplaceEdit::TDBGridInplaceEdit(TCustomDBGridEx* grid, QWidget* parent)
    : TInplaceEdit(grid, parent), grid_(grid)
{
}

TColumnEx* TDBGridInplaceEdit::column() const
{
    const int i = grid_->SelectedIndex();
    return i >= 0 && i < grid_->Columns().Count() ? grid_->Columns().Items(i) : nullptr;
}

bool TDBGridInplaceEdit::canModify() const
{
    TColumnEx* c = column();
    return c && !isReadOnly() && grid_->CanEditModify();
}

QStringList TDBGridInplaceEdit::shownPicks() const
{
    TColumnEx* c = column();
    if (!c || !c->HasPickList())
        return {};
    QStringList picks = c->PickList();
    // Picks without a key are not offered.
    if (c->HasKeyList() && !c->KeyList().isEmpty())
        picks = picks.mid(0, std::min(picks.size(), c->KeyList().size()));
    return picks;
}

void TDBGridInplaceEdit::UpdateContents()
{
    if (listVisible_)
        CloseUp(false);
    TColumnEx* c = column();
    TField* f = c ? c->GetField() : nullptr;
    TEditStyle style = esSimple;
    if (c) {
        switch (c->ButtonStyle()) {
        case cbsEllipsis: style = esEllipsis; break;
        case cbsUpDown: style = esUpDown; break;
        case cbsDropDown: style = esDropDown; break;
        case cbsNone: style = esSimple; break;
        case cbsAuto:
            if (f && c->HasPickList() && !c->PickList().isEmpty() && !c->ReadOnly() && !c->ImageList())
                style = esPickList;
            break;
        }
    }
    editStyle_ = style;
    if (style == esPickList && !pickList_) {
        pickList_ = new TPopupListbox(this);
        pickList_->OnMouseUpEx = [this](bool inside) { CloseUp(inside); };
    }
    setReadOnly(c ? c->ReadOnly() || !grid_->CanEditModify() : true);
    if (c)
        setFont(c->Font().ToQFont());
    layoutButtons();
}

void TDBGridInplaceEdit::layoutButtons()
{
    if (editStyle_ == esSimple) {
        if (button_)
            button_->hide();
        setTextMargins(0, 0, 0, 0);
        return;
    }
    if (!button_) {
        button_ = new TEditButtonControlEx(this);
        button_->OnDown = [this](TEditButtonControlEx*, bool top, bool& autoRepeat) {
            if (editStyle_ == esUpDown) {
                stepValue(top);
                return;
            }
            autoRepeat = false;
            if (!listVisible_ && (editStyle_ == esPickList)) {
                DropDown();
                openedByPress_ = true;
            }
        };
        button_->OnClick = [this](TEditButtonControlEx*) {
            bool handled = false;
            if ((editStyle_ == esEllipsis || editStyle_ == esDropDown) && grid_->OnEditButtonClick)
                grid_->OnEditButtonClick(grid_);
            if (TColumnEx* c = column(); c && c->OnEditButtonClick)
                c->OnEditButtonClick(c, handled);
            if (!handled && listVisible_ && !openedByPress_)
                CloseUp(false);
            openedByPress_ = false;
        };
    }
    const TEditButtonStyleEx s = editStyle_ == esEllipsis ? ebsEllipsisEx
                                 : editStyle_ == esUpDown ? ebsUpDownEx
                                                          : ebsDropDownEx;
    button_->SetStyle(s);
    button_->SetFlat(grid_->Flat());
    const int w = grid_->Flat() ? GetDefaultFlatButtonWidth() : style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    button_->setGeometry(width() - w, 0, w, height());
    button_->show();
    setTextMargins(0, 0, w, 0);
}

void TDBGridInplaceEdit::resizeEvent(QResizeEvent* e)
{
    TInplaceEdit::resizeEvent(e);
    layoutButtons();
}

QRect TDBGridInplaceEdit::ScreenArea() const
{
    if (!ScreenAreaForTests.isNull())
        return ScreenAreaForTests;
    const QScreen* s = screen() ? screen() : QApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void TDBGridInplaceEdit::DropDown()
{
    TColumnEx* c = column();
    if (listVisible_ || editStyle_ != esPickList || !pickList_ || !c)
        return;
    TPopupListbox& list = *pickList_;
    list.setFont(font());
    list.setPalette(palette());
    const QStringList picks = shownPicks();
    list.clear();
    list.addItems(picks);
    const int rows = std::max(1, std::min(int(picks.size()), int(c->DropDownRows())));
    const int rowH = list.sizeHintForRow(0) > 0 ? list.sizeHintForRow(0) : list.ItemHeight();
    int h = rowH * rows + list.FrameHeight();
    list.setVerticalScrollBarPolicy(int(picks.size()) > rows ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // The selected item: the key equal to the field's text with a key list, else the text shown.
    TField* f = c->GetField();
    int selected = -1;
    if (f && !f->IsNull()) {
        if (c->HasKeyList() && !c->KeyList().isEmpty())
            selected = c->KeyList().indexOf(f->Text());
        else
            selected = picks.indexOf(text());
    }
    list.setCurrentRow(selected < int(picks.size()) ? selected : -1);
    const QFontMetrics fm(list.font());
    int w = width();
    for (const QString& p : picks)
        w = std::max(w, fm.horizontalAdvance(p) + 8
                            + (int(picks.size()) > rows ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0));
    if (c->DropDownWidth() > 0)
        w = std::max(w, c->DropDownWidth());
    // Under the editor; above it when it does not fit there, else on the side with more room.
    const QRect screen = ScreenArea();
    const QPoint below = mapToGlobal(QPoint(0, height()));
    const QPoint above = mapToGlobal(QPoint(0, 0));
    int y = below.y();
    if (y + h > screen.bottom() + 1) {
        if (above.y() - h >= screen.top()) {
            y = above.y() - h;
        } else if (above.y() - screen.top() > screen.bottom() + 1 - below.y()) {
            h = above.y() - screen.top();
            y = screen.top();
        } else {
            h = screen.bottom() + 1 - below.y();
        }
    }
    int x = below.x();
    if (x + w > screen.right() + 1)
        x = std::max(screen.left(), screen.right() + 1 - w);
    list.SetSizeChangedByUser(false);
    list.setGeometry(x, y, w, h);
    list.SizeGrip()->setVisible(c->DropDownSizing());
    list.show();
    list.SetSizeChangedByUser(false);
    listVisible_ = true;
    if (button_)
        button_->SetAlwaysDown(true);
    setFocus();
}

void TDBGridInplaceEdit::CloseUp(bool accept)
{
    if (!listVisible_ || !pickList_)
        return;
    TColumnEx* c = column();
    TPopupListbox& list = *pickList_;
    QString chosen;
    const int row = list.currentRow();
    const bool picked = row >= 0 && row < list.count();
    if (picked)
        chosen = list.item(row)->text();
    if (list.SizeChangedByUser() && c) {
        const int rowH = list.sizeHintForRow(0) > 0 ? list.sizeHintForRow(0) : list.ItemHeight();
        c->SetDropDownRows(unsigned(std::max(1, list.viewport()->height() / std::max(1, rowH))));
        c->SetDropDownWidth(list.width());
    }
    list.hide();
    listVisible_ = false;
    openedByPress_ = false;
    if (button_)
        button_->SetAlwaysDown(false);
    if (!accept) {
        SetTextQuietly(grid_->GetEditText(grid_->Col(), grid_->Row()));
        return;
    }
    if (picked && grid_->CanEditModify()) {
        setText(chosen);
        selectAll();
    }
}

bool TDBGridInplaceEdit::completeTyped(const QString& typed)
{
    TColumnEx* c = column();
    if (!c || editStyle_ != esPickList)
        return false;
    const bool keyed = c->HasKeyList() && !c->KeyList().isEmpty();
    if (!grid_->CanEditModify())
        return keyed;
    const QString prefix = text().left(hasSelectedText() ? selectionStart() : cursorPosition()) + typed;
    const QStringList picks = shownPicks();
    const int i = TPopupListbox::LocateText(picks, prefix, true);
    if (i < 0)
        return keyed;  // free text goes on in a plain pick list; a keyed one takes only its picks
    setText(picks[i]);
    setSelection(int(prefix.size()), int(picks[i].size()) - int(prefix.size()));
    if (pickList_ && listVisible_)
        pickList_->setCurrentRow(i);
    return true;
}

void TDBGridInplaceEdit::stepValue(bool up)
{
    TColumnEx* c = column();
    if (!c || !canModify())
        return;
    if (text() != grid_->GetEditText(grid_->Col(), grid_->Row()))
        grid_->UpdateData();
    double inc = up ? c->Increment() : -c->Increment();
    if (c->GetColumnType() != ctCommon)
        inc = -inc;  // list types: the up button moves to the earlier entry
    c->SetNextFieldValue(inc);
    SetTextQuietly(grid_->GetEditText(grid_->Col(), grid_->Row()));
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers m = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int k = e->key();
    if (editStyle_ == esPickList) {
        const bool enter = k == Qt::Key_Return || k == Qt::Key_Enter;
        if ((k == Qt::Key_Up || k == Qt::Key_Down) && m == Qt::AltModifier) {
            listVisible_ ? CloseUp(true) : DropDown();
            return;
        }
        if (listVisible_ && (enter || k == Qt::Key_Escape) && !(m & Qt::AltModifier)) {
            CloseUp(enter);
            return;
        }
        if (!listVisible_ && enter && m == Qt::ControlModifier) {
            DropDown();
            return;
        }
        if (listVisible_) {
            const bool ctrlEnds = m == Qt::ControlModifier && (k == Qt::Key_Home || k == Qt::Key_End);
            if (k == Qt::Key_PageUp || k == Qt::Key_PageDown || k == Qt::Key_Up || k == Qt::Key_Down || ctrlEnds) {
                QApplication::sendEvent(pickList_, e);
                if (QListWidgetItem* it = pickList_->currentItem(); it && grid_->CanEditModify())
                    setText(it->text());
                return;
            }
        }
        const QString typed = e->text();
        if (!typed.isEmpty() && typed.at(0).isPrint()) {
            TColumnEx* c = column();
            if (!listVisible_ && c && c->AutoDropDown())
                DropDown();
            if (completeTyped(typed)) {
                e->accept();
                return;
            }
        }
    }
    if ((k == Qt::Key_Return || k == Qt::Key_Enter) && has(grid_->OptionsEx(), dghEnterAsTab)) {
        QApplication::sendEvent(grid_, e);
        return;
    }
    TInplaceEdit::keyPressEvent(e);
}

void TDBGridInplaceEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    TColumnEx* c = column();
    if (c && c->DblClickNextVal()) {
        c->SetNextFieldValue(e->modifiers() & Qt::ShiftModifier ? -1.0 : 1.0);
        SetTextQuietly(grid_->GetEditText(grid_->Col(), grid_->Row()));
        return;
    }
    TInplaceEdit::mouseDoubleClickEvent(e);
}

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent* e)
{
    QWidget* to = QApplication::focusWidget();
    if (listVisible_ && to != this && to != pickList_)
        CloseUp(false);
    TInplaceEdit::focusOutEvent(e);
}

void TDBGridInplaceEdit::wheelEvent(QWheelEvent* e)
{
    if (listVisible_) {
        e->accept();
        return;
    }
    TInplaceEdit::wheelEvent(e);
}
