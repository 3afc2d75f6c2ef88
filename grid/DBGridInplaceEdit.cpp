#include "grid/DBGridInplaceEdit.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/DBLookupGridsEx.h"
#include "grid/PopupListbox.h"
#include "grid/ToolCtrlsEx.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>

TInplaceEdit* TCustomDBGridEx::CreateEditor() { return new TDBGridInplaceEdit(this, viewport()); }

TDBGridInplaceEdit::TDBGridInplaceEdit(TCustomDBGridEx* grid, QWidget* parent)
    : TInplaceEdit(grid, parent), grid_(grid)
{
}

TDBGridInplaceEdit::~TDBGridInplaceEdit()
{
    // The data list belongs to its column; it must not keep reading through this editor's source.
    if (dataList_) {
        dataList_->OnCloseUp = nullptr;
        dataList_->hide();
        dataList_->SetListSource(nullptr);
    }
}

TPopupDataGridEx* TDBGridInplaceEdit::DataList() const { return dataList_.data(); }

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

TDBGridInplaceEdit::TEditStyle TDBGridInplaceEdit::styleOf(TColumnEx* c) const
{
    if (!c)
        return esSimple;
    switch (c->ButtonStyle()) {
    case cbsEllipsis: return esEllipsis;
    case cbsUpDown: return esUpDown;
    case cbsDropDown: return esDropDown;
    case cbsNone: return esSimple;
    case cbsAuto: break;
    }
    TField* f = c->GetField();
    if (!f)
        return esSimple;
    if (f->FieldKind() == fkLookup) {
        // The list writes the key fields: each must exist and take a value, and the grid must let it.
        try {
            const std::vector<TField*> keys = GetFieldsProperty(f->DataSet(), QString(), f->KeyFields());
            const bool keysWritable = !keys.empty()
                                      && std::all_of(keys.begin(), keys.end(), [](TField* k) { return k->CanModify(); });
            const bool columnWritable = !has(c->AssignedValues(), cvReadOnly) || !c->ReadOnly();
            if (keysWritable && columnWritable && !grid_->ReadOnly() && grid_->DataLink()->Active()
                && !grid_->DataLink()->ReadOnly())
                return esDataList;
        } catch (const std::exception&) {
        }
        return esSimple;
    }
    if (c->HasPickList() && !c->PickList().isEmpty() && !c->ReadOnly() && !c->ImageList())
        return esPickList;
    if ((f->DataType() == ftDate || f->DataType() == ftDateTime) && !c->ReadOnly())
        return esDateCalendar;
    return esSimple;
}

QWidget* TDBGridInplaceEdit::activeList() const
{
    switch (editStyle_) {
    case esPickList: return pickList_;
    case esDataList: return dataList_.data();
    case esDateCalendar: return calendar_;
    default: return nullptr;
    }
}

void TDBGridInplaceEdit::UpdateContents()
{
    if (listVisible_)
        CloseUp(false);
    TColumnEx* c = column();
    editStyle_ = styleOf(c);
    if (editStyle_ == esPickList && !pickList_) {
        pickList_ = new TPopupListbox(this);
        pickList_->OnMouseUpEx = [this](bool inside) { CloseUp(inside); };
    }
    if (editStyle_ == esDataList) {
        TPopupDataGridEx* list = c->GetDataList();
        if (list != dataList_.data()) {
            if (dataList_)
                dataList_->OnCloseUp = nullptr;
            dataList_ = list;
        }
        dataList_->OnCloseUp = [this](TPopupDataGridEx*, bool accept) { CloseUp(accept); };
    }
    if (editStyle_ == esDateCalendar && !calendar_) {
        calendar_ = new TPopupMonthCalendarEx(this);
        calendar_->OnCloseUp = [this](bool accept) { CloseUp(accept); };
    }
    grid_->SetEditValues({}, {});
    setReadOnly(c ? c->ReadOnly() || !grid_->CanEditModify() : true);
    if (c)
        setFont(c->Font().ToQFont());
    // Several lines only where the cell shows several.
    SetWordWrap(c && c->WordWrap() && grid_->MultiLineRows());
    layoutButtons();
}

// ---- buttons ----

void TDBGridInplaceEdit::layoutButtons()
{
    TColumnEx* c = column();
    const int extra = c ? c->EditButtons().Count() : 0;
    // One pair (button, separator) for the style button and one per column edit button.
    while (int(buttons_.size()) > 1 + extra) {
        delete buttons_.back().first;
        delete buttons_.back().second;
        buttons_.pop_back();
    }
    while (int(buttons_.size()) < 1 + extra) {
        const int slot = int(buttons_.size());
        auto* b = new TEditButtonControlEx(this);
        b->resize(10, 17);
        b->OnDown = [this, slot](TEditButtonControlEx*, bool top, bool& autoRepeat) { buttonDown(slot, top, autoRepeat); };
        b->OnClick = [this, slot](TEditButtonControlEx*) { buttonClick(slot); };
        b->installEventFilter(this);
        auto* separator = new QWidget(this);
        separator->setAutoFillBackground(true);
        separator->setPalette(QPalette(gfx::ToQColor(gfx::clBtnFace)));
        buttons_.emplace_back(b, separator);
    }
    const bool flat = grid_->Flat();
    const int standard = flat ? FlatButtonWidth() : style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int h = height();
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    int edge = rtl ? 0 : width();
    int total = 0;
    for (size_t slot = 0; slot < buttons_.size(); ++slot) {
        TEditButtonControlEx* b = buttons_[slot].first;
        QWidget* separator = buttons_[slot].second;
        bool visible;
        int w;
        int bh = h;
        if (slot == 0) {
            visible = editStyle_ != esSimple;
            b->SetStyle(editStyle_ == esEllipsis ? ebsEllipsisEx : editStyle_ == esUpDown ? ebsUpDownEx : ebsDropDownEx);
            b->setToolTip(QString());
            w = standard;
        } else {
            const TEditButtonEx* item = c->EditButtons().Items(int(slot) - 1);
            visible = item->Visible();
            b->SetStyle(item->Style());
            b->SetGlyph(item->Glyph(), item->NumGlyphs());
            b->setToolTip(item->Hint());
            w = item->Width() >= 1 ? item->Width() : standard;
            if (h * 2 > 17 * 3)
                bh = 17;
        }
        b->SetFlat(flat);
        if (!visible) {
            b->hide();
            separator->hide();
            continue;
        }
        const int sw = flat ? 1 : 0;
        edge = rtl ? edge : edge - w;
        b->setGeometry(edge, (h - bh) / 2, w, bh);
        b->show();
        edge = rtl ? edge + w : edge;
        if (sw > 0) {
            edge = rtl ? edge : edge - sw;
            separator->setGeometry(edge, 0, sw, h);
            separator->show();
            edge = rtl ? edge + sw : edge;
        } else {
            separator->hide();
        }
        total += w + sw;
    }
    // The text area: inside the frame and clear of the buttons.
    const int left = flat ? 1 : 2, right = 2;
    SetTextArea(QMargins(rtl ? left + total : left, 0, rtl ? right : right + total, flat ? 1 : 0));
}

void TDBGridInplaceEdit::buttonDown(int slot, bool topButton, bool& autoRepeat)
{
    setFocus();
    TColumnEx* c = column();
    if (!c)
        return;
    bool handled = false;
    if (slot > 0) {
        autoRepeat = false;
        const TEditButtonEx* item = c->EditButtons().Items(slot - 1);
        if (item->OnDown)
            item->OnDown(Button(slot), topButton, autoRepeat, handled);
        if (!handled && item->DropdownMenu()) {
            TEditButtonControlEx* b = Button(slot);
            const bool rightAligned = item->DropdownMenu()->layoutDirection() == Qt::RightToLeft;
            item->DropdownMenu()->popup(b->mapToGlobal(QPoint(rightAligned ? b->width() : 0, b->height())));
            // The menu takes the press: the button comes up without a click.
            QMouseEvent up(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), Qt::LeftButton, Qt::NoButton, {});
            QApplication::sendEvent(b, &up);
        }
        return;
    }
    if (c->OnEditButtonDown)
        c->OnEditButtonDown(c, topButton, autoRepeat, handled);
    if (handled)
        return;
    if (editStyle_ == esUpDown) {
        stepValue(topButton);
        return;
    }
    autoRepeat = false;
    if (!listVisible_ && activeList()) {
        DropDown();
        openedByPress_ = listVisible_;
    }
}

void TDBGridInplaceEdit::buttonClick(int slot)
{
    TColumnEx* c = column();
    bool handled = false;
    if (slot == 0) {
        if ((editStyle_ == esEllipsis || editStyle_ == esDropDown) && grid_->OnEditButtonClick)
            grid_->OnEditButtonClick(grid_);
        if (c && c->OnEditButtonClick)
            c->OnEditButtonClick(c, handled);
    } else if (c && slot - 1 < c->EditButtons().Count()) {
        if (const TEditButtonEx* item = c->EditButtons().Items(slot - 1); item->OnClick)
            item->OnClick(Button(slot), handled);
    }
    if (!handled && slot == 0 && listVisible_ && !openedByPress_)
        CloseUp(false);
    openedByPress_ = false;
}

void TDBGridInplaceEdit::pressButton(int slot)
{
    bool autoRepeat = false;
    buttonDown(slot, true, autoRepeat);
    buttonClick(slot);
}

bool TDBGridInplaceEdit::eventFilter(QObject* watched, QEvent* e)
{
    // Entering the buttons' area makes them all active (a flat button shows its edge then).
    if (e->type() == QEvent::Enter || e->type() == QEvent::Leave) {
        const bool active = e->type() == QEvent::Enter;
        for (auto& [b, separator] : buttons_)
            b->SetActive(active);
    }
    // While the list is open and the style button holds the pointer, reaching the list hands it the drag.
    if (e->type() == QEvent::MouseMove && listVisible_ && !buttons_.empty() && watched == buttons_[0].first) {
        QWidget* list = activeList();
        const QPoint global = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
        QWidget* area = editStyle_ == esPickList ? pickList_->viewport()
                        : editStyle_ == esDataList ? dataList_->viewport()
                                                   : list;
        const QPoint local = area->mapFromGlobal(global);
        if (list && area->rect().contains(local)) {
            QMouseEvent cancel(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), Qt::LeftButton,
                               Qt::NoButton, {});
            QApplication::sendEvent(buttons_[0].first, &cancel);
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(global), Qt::LeftButton,
                              Qt::LeftButton, {});
            QApplication::sendEvent(area, &press);
            return true;
        }
    }
    if (e->type() == QEvent::MouseButtonRelease && !buttons_.empty() && watched == buttons_[0].first) {
        const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
        if (!buttons_[0].first->rect().contains(p))
            openedByPress_ = false;
    }
    return TInplaceEdit::eventFilter(watched, e);
}

void TDBGridInplaceEdit::resizeEvent(QResizeEvent* e)
{
    TInplaceEdit::resizeEvent(e);
    layoutButtons();
}

// ---- lists ----

QRect TDBGridInplaceEdit::ScreenArea() const
{
    if (!ScreenAreaForTests.isNull())
        return ScreenAreaForTests;
    const QScreen* s = screen() ? screen() : QApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void TDBGridInplaceEdit::placeList(QWidget* list, int w, int h)
{
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
    list->setGeometry(x, y, w, h);
}

void TDBGridInplaceEdit::DropDown()
{
    TColumnEx* c = column();
    if (listVisible_ || !activeList() || !c)
        return;
    switch (editStyle_) {
    case esPickList: dropDownPickList(c); break;
    case esDataList: dropDownDataList(c); break;
    case esDateCalendar: dropDownCalendar(c); break;
    default: return;
    }
    activeList()->show();
    listVisible_ = true;
    if (StyleButton())
        StyleButton()->SetAlwaysDown(true);
    update();
    setFocus();
}

void TDBGridInplaceEdit::dropDownPickList(TColumnEx* c)
{
    TPopupListbox& list = *pickList_;
    list.ClearSearch();
    list.setFont(font());
    list.setPalette(palette());
    const QStringList picks = shownPicks();
    list.clear();
    list.addItems(picks);
    const int rows = std::max(1, std::min(int(picks.size()), int(c->DropDownRows())));
    const int rowH = list.sizeHintForRow(0) > 0 ? list.sizeHintForRow(0) : list.ItemHeight();
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
    list.SetSizeChangedByUser(false);
    placeList(&list, w, rowH * rows + list.FrameHeight());
    list.SizeGrip()->setVisible(c->DropDownSizing());
    list.SetSizeChangedByUser(false);
}

void TDBGridInplaceEdit::dropDownDataList(TColumnEx* c)
{
    TField* f = c->GetField();
    TPopupDataGridEx& list = *dataList_;
    TDataSet* lookup = f->LookupDataSet();
    list.setFont(font());
    list.SpecRow().Assign(c->DropDownSpecRow());
    listSource_.SetDataSet(lookup);
    list.SetListSource(&listSource_);
    list.SetKeyField(f->LookupKeyFields());
    // The result field is shown first; the column may name more fields to show.
    QString shown = c->LookupDisplayFields();
    if (shown.isEmpty())
        shown = f->LookupResultField();
    QStringList names = shown.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (!names.contains(f->LookupResultField(), Qt::CaseInsensitive))
        names.prepend(f->LookupResultField());
    list.SetListField(names.join(QLatin1Char(';')));
    list.SetListFieldIndex(int(names.indexOf(f->LookupResultField())));
    list.SetShowTitles(c->DropDownShowTitles());
    int rows = int(c->DropDownRows());
    if (lookup && lookup->Active() && lookup->IsSequenced())
        rows = std::min(rows, lookup->RecordCount());
    list.SetRowCount(std::max(1, rows));
    int w = width();
    if (c->DropDownWidth() == -1)
        w = std::max(w, list.ColumnsWidth() + list.width() - list.viewport()->width());
    else if (c->DropDownWidth() > 0)
        w = std::max(w, c->DropDownWidth());
    list.SetKeyValue(FieldValues(f->DataSet(), f->KeyFields()));
    list.ResetSizeChangedByUser();
    placeList(&list, w, list.height());
    list.SizeGrip().setVisible(c->DropDownSizing());
}

void TDBGridInplaceEdit::dropDownCalendar(TColumnEx* c)
{
    TField* f = c->GetField();
    QDate date = f && !f->IsNull() ? f->Value().toDate() : QDate();
    if (!date.isValid() && f && !f->IsNull())
        date = QDate::fromString(f->Text(), QStringLiteral("dd.MM.yyyy"));
    calendar_->setSelectedDate(date.isValid() ? date : QDate::currentDate());
    calendar_->setFont(font());
    const QSize size = calendar_->minimumSizeHint();
    placeList(calendar_, size.width(), size.height());
}

void TDBGridInplaceEdit::CloseUp(bool accept)
{
    QWidget* list = activeList();
    if (!listVisible_ || !list)
        return;
    TColumnEx* c = column();
    // What was chosen, before the list goes.
    QString chosen;
    QVariant key;
    bool picked = false;
    QDate date;
    if (editStyle_ == esPickList) {
        const int row = pickList_->currentRow();
        picked = row >= 0 && row < pickList_->count();
        if (picked)
            chosen = pickList_->item(row)->text();
        if (pickList_->SizeChangedByUser() && c) {
            const int rowH = pickList_->sizeHintForRow(0) > 0 ? pickList_->sizeHintForRow(0) : pickList_->ItemHeight();
            c->SetDropDownRows(unsigned(std::max(1, pickList_->viewport()->height() / std::max(1, rowH))));
            c->SetDropDownWidth(pickList_->width());
        }
    } else if (editStyle_ == esDataList) {
        key = dataList_->KeyValue();
        chosen = dataList_->Text();
        picked = true;
        if (dataList_->SizeChangedByUser() && c) {
            c->SetDropDownRows(unsigned(dataList_->RowCount()));
            c->SetDropDownWidth(dataList_->width());
        }
    } else {
        date = calendar_->selectedDate();
        picked = date.isValid();
    }
    list->hide();
    listVisible_ = false;
    openedByPress_ = false;
    if (StyleButton())
        StyleButton()->SetAlwaysDown(false);
    if (editStyle_ == esDataList) {
        dataList_->SetListSource(nullptr);
        listSource_.SetDataSet(nullptr);
    }
    update();
    if (!accept) {
        SetTextQuietly(grid_->GetEditText(grid_->Col(), grid_->Row()));
        return;
    }
    if (!c || !picked)
        return;
    switch (editStyle_) {
    case esDataList:
        if (c->CanModify(true))
            chooseLookup(key, chosen, 0);
        break;
    case esDateCalendar:
        if (c->CanModify(true)) {
            c->UpdateDataValues(date.toString(QStringLiteral("dd.MM.yyyy")), QVariant(date), false);
            SetTextQuietly(grid_->GetEditText(grid_->Col(), grid_->Row()));
            selectAll();
        }
        break;
    default:
        if (grid_->CanEditModify()) {
            setText(chosen);
            selectAll();
        }
        break;
    }
}

void TDBGridInplaceEdit::chooseLookup(const QVariant& key, const QString& text, int selectFrom)
{
    grid_->SetEditValues(key, text);
    setText(text);
    setSelection(selectFrom, int(text.size()) - selectFrom);
    grid_->DataLink()->Modified();
}

// ---- typing ----

bool TDBGridInplaceEdit::completeFromDataList(const QString& wanted)
{
    TColumnEx* c = column();
    TField* f = c ? c->GetField() : nullptr;
    TDataSet* lookup = f ? f->LookupDataSet() : nullptr;
    if (!lookup || !lookup->Active())
        return true;
    if (lookup->Locate(f->LookupResultField(), wanted, TLocateOptions(loCaseInsensitive) | loPartialKey)) {
        if (!c->CanModify(true))
            return true;
        const QVariant key = FieldValues(lookup, f->LookupKeyFields());
        chooseLookup(key, lookup->FieldByName(f->LookupResultField())->DisplayText(), int(wanted.size()));
        if (listVisible_)
            dataList_->SetKeyValue(key);
        return true;
    }
    if (c->OnNotInList && c->CanModify(true)) {
        chooseLookup(QVariant(), wanted, int(wanted.size()));
        if (listVisible_)
            dataList_->SetKeyValue(QVariant());
    }
    return true;  // without a handler the typed text is dropped
}

bool TDBGridInplaceEdit::completeTyped(const QString& before, const QString& typed, const QString& after)
{
    TColumnEx* c = column();
    if (!c)
        return false;
    if (editStyle_ == esDataList) {
        const bool updates = has(grid_->AllowedOperations(), alopUpdateEx) || grid_->DataLink()->DataSet()->State() == dsInsert;
        return !updates || completeFromDataList(before + typed + after);
    }
    const bool keyed = c->HasKeyList() && !c->KeyList().isEmpty();
    if (editStyle_ != esPickList && !keyed)
        return false;
    if (!grid_->CanEditModify())
        return keyed;
    const QString wanted = before + typed + after;
    const QStringList picks = shownPicks();
    const int i = TPopupListbox::LocateText(picks, wanted, true);
    if (i < 0) {
        if (keyed && c->OnNotInList) {
            setText(wanted);
            if (pickList_)
                pickList_->setCurrentRow(-1);
        }
        return keyed;  // free text goes on in a plain pick list; a keyed one takes only its picks
    }
    setText(picks[i]);
    setSelection(int(wanted.size()), int(picks[i].size()) - int(wanted.size()));
    grid_->DataLink()->Modified();
    if (pickList_ && listVisible_)
        pickList_->setCurrentRow(i);
    return true;
}

bool TDBGridInplaceEdit::searchPickList(const QString& typed)
{
    // The open list searches what is typed into the cell as it searches keys of its own: an item that
    // begins with the letters typed without a pause is shown with the rest of its text selected.
    const int i = pickList_->SearchKey(typed);
    if (i < 0)
        return false;
    if (grid_->CanEditModify()) {
        const QString item = pickList_->item(i)->text();
        const int typedLength = int(std::min(pickList_->SearchText().size(), item.size()));
        setText(item);
        setSelection(typedLength, int(item.size()) - typedLength);
        grid_->DataLink()->Modified();
    }
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

bool TDBGridInplaceEdit::listKey(QKeyEvent* e)
{
    const Qt::KeyboardModifiers m = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int k = e->key();
    const bool enter = k == Qt::Key_Return || k == Qt::Key_Enter;
    if ((k == Qt::Key_Up || k == Qt::Key_Down) && m == Qt::AltModifier) {
        listVisible_ ? CloseUp(true) : DropDown();
        return true;
    }
    if (listVisible_ && (enter || k == Qt::Key_Escape) && !(m & Qt::AltModifier)) {
        CloseUp(enter);
        return true;
    }
    if (!listVisible_ && enter && m == Qt::ControlModifier) {
        DropDown();
        return true;
    }
    // A character typed into the cell opens any of the lists, the calendar too, and then goes on.
    if (!listVisible_ && !(m & (Qt::ControlModifier | Qt::AltModifier)) && !e->text().isEmpty()
        && e->text().at(0).isPrint() && column() && column()->AutoDropDown())
        DropDown();
    if (listVisible_) {
        const bool ctrlEnds = m == Qt::ControlModifier && (k == Qt::Key_Home || k == Qt::Key_End);
        const bool sides = editStyle_ == esDateCalendar && (k == Qt::Key_Left || k == Qt::Key_Right);
        if (k == Qt::Key_PageUp || k == Qt::Key_PageDown || k == Qt::Key_Up || k == Qt::Key_Down || ctrlEnds || sides) {
            QApplication::sendEvent(editStyle_ == esDataList ? dataList_->viewport() : activeList(), e);
            if (editStyle_ == esDataList)
                SetTextQuietly(dataList_->Text());
            else if (editStyle_ == esPickList)
                if (QListWidgetItem* it = pickList_->currentItem(); it && grid_->CanEditModify())
                    setText(it->text());
            return true;
        }
    }
    return false;
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers m = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int k = e->key();
    TColumnEx* c = column();
    if (activeList() && listKey(e))
        return;
    // Ctrl+Enter is the line feed, never a Tab.
    if ((k == Qt::Key_Return || k == Qt::Key_Enter) && m != Qt::ControlModifier && has(grid_->OptionsEx(), dghEnterAsTab)) {
        QApplication::sendEvent(grid_, e);
        return;
    }
    if (c) {
        const QKeyCombination pressed(m, Qt::Key(k));
        // The special row's shortcut chooses "none" in a lookup cell.
        if (editStyle_ == esDataList && c->DropDownSpecRow().Visible() && pressed == c->DropDownSpecRow().ShortCut()) {
            if (c->CanModify(true))
                chooseLookup(c->DropDownSpecRow().Value(), c->DropDownSpecRow().CellsText(), 0);
            return;
        }
        for (int i = 0; i < c->EditButtons().Count(); ++i) {
            const TEditButtonEx* item = c->EditButtons().Items(i);
            if (item->Visible() && item->ShortCut().toCombined() != 0 && pressed == item->ShortCut()) {
                pressButton(i + 1);
                return;
            }
        }
    }
    const bool keyed = c && c->HasKeyList() && !c->KeyList().isEmpty() && c->HasPickList();
    const bool completes = editStyle_ == esPickList || editStyle_ == esDataList || keyed;
    if (completes && !isReadOnly()) {
        const QString before = text().left(hasSelectedText() ? selectionStart() : cursorPosition());
        const QString after;  // the completion replaces what follows the caret
        if (e->matches(QKeySequence::Paste) && has(grid_->AllowedOperations(), alopUpdateEx) && (editStyle_ == esDataList || keyed)) {
            const int end = hasSelectedText() ? selectionStart() + int(selectedText().size()) : cursorPosition();
            completeTyped(before, QApplication::clipboard()->text(), text().mid(end));
            return;
        }
        const QString typed = e->text();
        if (!typed.isEmpty() && typed.at(0).isPrint() && !(m & (Qt::ControlModifier | Qt::AltModifier))) {
            if ((editStyle_ == esPickList && listVisible_ && searchPickList(typed)) || completeTyped(before, typed, after)) {
                e->accept();
                return;
            }
        }
        if (k == Qt::Key_Backspace && pickList_)
            pickList_->ClearSearch();
    }
    TInplaceEdit::keyPressEvent(e);
    // After a deletion in a lookup cell the key follows the text that is left.
    if (editStyle_ == esDataList && (k == Qt::Key_Backspace || k == Qt::Key_Delete))
        grid_->SetEditValues(QVariant(), QString());
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
    QWidget* list = activeList();
    if (listVisible_ && list && list->windowHandle() && QGuiApplication::focusWindow() == list->windowHandle()) {
        // A window system that activates the shown list although it takes no focus: the activation goes
        // back to the editor's window, whose keys the list follows.
        window()->activateWindow();
        TInplaceEdit::focusOutEvent(e);
        return;
    }
    if (listVisible_ && to != this && !(to && to == WrapView()) && !(list && (to == list || list->isAncestorOf(to))))
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
