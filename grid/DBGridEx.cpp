// TCustomDBGridEx: construction, options and properties, the data source, and the reactions to the data
// link. Layout, painting and input live in DBGridExLayout.cpp, DBGridExPaint.cpp and DBGridExInput.cpp.
#include "grid/DBGridEx.h"
#include "grid/ToolTipsWindow.h"
#include "grid/GridError.h"
#include "platform/controls/InplaceEdit.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>

TCustomDBGridEx::TCustomDBGridEx(QWidget* parent)
    : TCustomGrid(parent),
      columnDefValues_(std::make_unique<TDBGridExColumnDefValuesEx>(this)),
      dataLink_(this),
      selectedRows_(this),
      selection_(this),
      horzScrollBar_(this, TDBGridExScrollBar::sbHorizontal),
      vertScrollBar_(this, TDBGridExScrollBar::sbVertical)
{
    TCustomGrid::SetDefaultDrawing(false);
    loadGlyphs();
    SetScrollBars(ssHorizontal);
    SetGridOptions(gridOpt(goFixedVertLine) | gridOpt(goFixedHorzLine) | gridOpt(goVertLine) | gridOpt(goHorzLine)
                   | gridOpt(goColSizing) | gridOpt(goColMoving) | gridOpt(goEditing) | gridOpt(goTabs));
    columns_ = std::make_unique<TDBGridColumnsEx>(this);
    SetRowCount(2);
    SetColCount(2);
    font_.OnChange = [this] { fontChanged(); };
    titleFont_.OnChange = [this] { if (has(options_, dgTitles)) LayoutChanged(); };
    footerFont_.OnChange = [this] { LayoutChanged(); };
    sumList_.SumListChanged = [this](TDBSumListProducer*) { InvalidateFooter(); };
    sumList_.OnRecalcAll = [this](TDBSumListProducer*) { if (OnSumListRecalcAll) OnSumListRecalcAll(this); };
    LayoutChanged();
}

bool TCustomDBGridEx::ConfirmDelete(const QString& text) const
{
    return !has(options_, dgConfirmDelete)
           || ctl::MessageBox(text, QStringLiteral("Confirm"), ctl::MB_OKCANCEL | ctl::MB_ICONQUESTION) == ctl::IDOK;
}

std::unique_ptr<TColumnDefValuesEx> TCustomDBGridEx::CreateColumnDefValues()
{
    return std::make_unique<TDBGridExColumnDefValuesEx>(this);
}

void TCustomDBGridEx::RecreateColumnDefValues()
{
    std::unique_ptr<TColumnDefValuesEx> made = CreateColumnDefValues();
    made->Assign(*columnDefValues_);
    columnDefValues_ = std::move(made);
    LayoutChanged();
}

TCustomDBGridEx::~TCustomDBGridEx()
{
    dataLink_.SetDataSource(nullptr);
    sumList_.SetDataSet(nullptr);
    columns_.reset();
}

// ---- options ----

void TCustomDBGridEx::SetOptions(TDBGridOptions value)
{
    if (has(value, dgRowSelect))
        value &= ~(bit(dgEditing) | bit(dgAlwaysShowEditor));
    if (value == options_)
        return;
    TGridOptions g = 0;
    if (rowSizingAllowed_) g |= gridOpt(goRowSizing);
    if (has(value, dgColLines)) g |= gridOpt(goFixedVertLine) | gridOpt(goVertLine);
    if (has(value, dgRowLines)) g |= gridOpt(goFixedHorzLine) | gridOpt(goHorzLine);
    if (has(value, dgColumnResize)) g |= gridOpt(goColSizing) | gridOpt(goColMoving);
    if (has(value, dgTabs)) g |= gridOpt(goTabs);
    if (has(value, dgRowSelect)) g |= gridOpt(goRowSelect);
    if (has(value, dgEditing)) g |= gridOpt(goEditing);
    if (has(value, dgAlwaysShowEditor)) g |= gridOpt(goAlwaysShowEditor);
    if (has(options_, dgMultiSelect) && !has(value, dgMultiSelect))
        ClearSelection();
    const unsigned layoutBits = bit(dgEditing) | bit(dgAlwaysShowEditor) | bit(dgTitles) | bit(dgIndicator)
                                | bit(dgColLines) | bit(dgRowLines) | bit(dgRowSelect) | bit(dgAlwaysShowSelection);
    const bool relayout = (options_ ^ value) & layoutBits;
    options_ = value;
    SetGridOptions(g);
    if (relayout)
        LayoutChanged();
    if (EditorMode())
        InvalidateEditor();
}

void TCustomDBGridEx::SetOptionsEx(TDBGridExOptions value)
{
    if (value == optionsEx_)
        return;
    const bool multiOff = has(optionsEx_, dghMultiSortMarking) && !has(value, dghMultiSortMarking);
    optionsEx_ = value;
    if (multiOff)
        for (int i = 1; i < sortMarkedColumns_.size(); ++i)
            sortMarkedColumns_[i]->Title().SetSortMarker(smNoneEx);
    LayoutChanged();
}

void TCustomDBGridEx::SetAllowedSelections(TDBGridExAllowedSelections v)
{
    allowedSelections_ = v;
    if (selection_.SelectionType() != gstNon && !CanSelectType(selection_.SelectionType()))
        selection_.Clear();
}

bool TCustomDBGridEx::CanSelectType(TDBGridExSelectionType t) const
{
    if (t == gstNon)
        return true;
    if (!has(options_, dgMultiSelect) || !has(allowedSelections_, t))
        return false;
    if (t == gstRectangle || t == gstColumns)
        return !has(options_, dgRowSelect);
    return true;
}

void TCustomDBGridEx::SetAutoFitColWidths(bool v)
{
    if (v == autoFitColWidths_)
        return;
    if (v)
        for (int i = 0; i < columns_->Count(); ++i)
            columns_->Items(i)->SetInitialWidth(columns_->Items(i)->Width());
    autoFitColWidths_ = v;
    if (!v)
        for (int i = 0; i < columns_->Count(); ++i)
            columns_->Items(i)->SetWidth(columns_->Items(i)->InitialWidth());
    LayoutChanged();
}

void TCustomDBGridEx::SetMinAutoFitWidth(int v) { minAutoFitWidth_ = v; LayoutChanged(); }
void TCustomDBGridEx::SetColor(gfx::TColor c) { color_ = c; InvalidateGrid(); }
void TCustomDBGridEx::SetFixedColor(gfx::TColor c) { fixedColor_ = c; InvalidateGrid(); }
void TCustomDBGridEx::SetFooterColor(gfx::TColor c) { footerColor_ = c; InvalidateGrid(); }
void TCustomDBGridEx::SetFooterRowCount(int n) { if (n >= 0) { footerRowCount_ = n; LayoutChanged(); } }
void TCustomDBGridEx::SetFrozenCols(int n) { frozenCols_ = std::max(0, n); LayoutChanged(); }
void TCustomDBGridEx::SetFlat(bool v)
{
    flat_ = v;
    applyBorder();
    LayoutChanged();
}

void TCustomDBGridEx::SetBorderStyle(TBorderStyle s)
{
    borderStyle_ = s;
    applyBorder();
}

void TCustomDBGridEx::applyBorder()
{
    // A flat grid has a one-pixel sunken border; otherwise the usual sunken frame, or none.
    if (borderStyle_ == bsNone)
        setFrameStyle(QFrame::NoFrame);
    else if (flat_)
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
    else
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    if (flat_)
        setLineWidth(1);
}

gfx::TRect TCustomDBGridEx::DataRect() const
{
    const TGridRect b = DataBox();
    return gfx::TRect::fromQRect(BoxRect(b.Left, b.Top, b.Right, b.Bottom));
}

TGridRect TCustomDBGridEx::DataBox() const
{
    const int lastDataRow = titleOffset_ + std::max(1, DataRowCount()) - 1;
    return {indicatorOffset_, titleOffset_, ColCount() - 1, lastDataRow};
}
void TCustomDBGridEx::SetReadOnly(bool v) { readOnly_ = v; InvalidateGrid(); }
void TCustomDBGridEx::SetDrawMemoText(bool v) { drawMemoText_ = v; InvalidateGrid(); }
void TCustomDBGridEx::SetRowHeight(int v)
{
    v = std::max(0, v);
    if (v == rowHeight_)
        return;
    rowHeight_ = v;
    LayoutChanged();
}

void TCustomDBGridEx::SetRowLines(int v)
{
    v = std::max(0, v);
    if (v == rowLines_)
        return;
    rowLines_ = v;
    LayoutChanged();
}
void TCustomDBGridEx::SetTitleHeight(int v) { titleHeight_ = v; LayoutChanged(); }
void TCustomDBGridEx::SetTitleLines(int v) { titleLines_ = v; LayoutChanged(); }
void TCustomDBGridEx::SetUseMultiTitle(bool v) { useMultiTitle_ = v; LayoutChanged(); }
void TCustomDBGridEx::SetVTitleMargin(int v) { vTitleMargin_ = v; LayoutChanged(); }

void TCustomDBGridEx::SetRowSizingAllowed(bool v)
{
    rowSizingAllowed_ = v;
    SetGridOptions(v ? GridOptions() | gridOpt(goRowSizing) : GridOptions() & ~gridOpt(goRowSizing));
}

void TCustomDBGridEx::fontChanged()
{
    BeginLayout();
    for (int i = 0; i < columns_->Count(); ++i)
        columns_->Items(i)->RefreshDefaultFont();
    EndLayout();
}

void TCustomDBGridEx::changeEvent(QEvent* e)
{
    TCustomGrid::changeEvent(e);
}

// ---- data source and fields ----

TDataSource* TCustomDBGridEx::GetDataSource() const { return dataLink_.DataSource(); }

void TCustomDBGridEx::SetDataSource(TDataSource* source)
{
    if (source == dataLink_.DataSource())
        return;
    ClearSelection();
    dataLink_.SetDataSource(source);
    LinkActive(dataLink_.Active());
    sumList_.SetDataSet(source ? source->DataSet() : nullptr);
}

TField* TCustomDBGridEx::SelectedField()
{
    const int i = SelectedIndex();
    if (i < 0 || i >= columns_->Count())
        return nullptr;
    return columns_->Items(i)->GetField();
}

void TCustomDBGridEx::SetSelectedField(TField* field)
{
    if (!field)
        return;
    for (int i = 0; i < columns_->Count(); ++i)
        if (columns_->Items(i)->GetField() == field)
            MoveCol(DataToRawColumn(i), 0, false);
}

void TCustomDBGridEx::SetSelectedIndex(int i) { MoveCol(DataToRawColumn(i), 0, false); }

TColumnEx* TCustomDBGridEx::GetFieldColumns(const QString& fieldName)
{
    for (int i = 0; i < columns_->Count(); ++i)
        if (columns_->Items(i)->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return columns_->Items(i);
    throw EInvalidGridOperation(QStringLiteral("Field name '%1' is not found").arg(fieldName));
}

void TCustomDBGridEx::SetSortMarkedColumns()
{
    sortMarkedColumns_.clear();
    for (int i = 0; i < columns_->Count(); ++i) {
        const int si = columns_->Items(i)->Title().SortIndex();
        if (si > 0) {
            while (sortMarkedColumns_.size() < si)
                sortMarkedColumns_.append(nullptr);
            sortMarkedColumns_[si - 1] = columns_->Items(i);
        }
    }
}

// ---- selection ----

void TCustomDBGridEx::ClearSelection()
{
    if (has(options_, dgMultiSelect) && has(optionsEx_, dghClearSelection))
        selectedRows_.Clear();
    selecting_ = false;
    if (has(optionsEx_, dghClearSelection) && selection_.SelectionType() != gstNon) {
        selection_.Clear();
        InvalidateGrid();
    }
}

bool TCustomDBGridEx::AcquireFocus()
{
    if (!acquireFocus_)
        return true;
    if (!GridFocused() && isVisible() && isEnabled())
        setFocus();
    return GridFocused() || !isVisible();
}

bool TCustomDBGridEx::IsActiveControl() const
{
    return GridFocused();
}

void TCustomDBGridEx::InvalidateCurrentRow()
{
    if (linkActive())
        InvalidateRow(titleOffset_ + dataLink_.ActiveRecord());
}

// ---- edit actions and the saved place ----

bool TCustomDBGridEx::CheckCopyAction()
{
    return linkActive() && selection_.SelectionType() != gstNon;
}

bool TCustomDBGridEx::CheckDeleteAction()
{
    if (!linkActive() || readOnly_)
        return false;
    TDataSet* ds = dataLink_.DataSet();
    if (ds->IsEmpty() || !ds->CanModify())
        return false;
    switch (selection_.SelectionType()) {
    case gstRectangle:
    case gstColumns: return has(allowedOperations_, alopUpdateEx);
    default: return has(allowedOperations_, alopDeleteEx);
    }
}

bool TCustomDBGridEx::CheckCutAction() { return CheckCopyAction() && CheckDeleteAction(); }

bool TCustomDBGridEx::CheckPasteAction(bool clipboardHasGridData)
{
    if (!linkActive() || readOnly_ || !dataLink_.DataSet()->CanModify() || !clipboardHasGridData)
        return false;
    return dataLink_.DataSet()->State() == dsInsert || has(allowedOperations_, alopUpdateEx);
}

bool TCustomDBGridEx::CheckSelectAllAction()
{
    return linkActive() && !dataLink_.DataSet()->IsEmpty() && has(allowedSelections_, gstAll);
}

void TCustomDBGridEx::SaveBookmark()
{
    if (!linkActive())
        return;
    const int count = dataLink_.RecordCount();
    savedRowOffset_ = dataLink_.ActiveRecord() - count / 2 + (count + 1) % 2;
    TDataSet* ds = dataLink_.DataSet();
    ds->MoveBy(-savedRowOffset_);
    savedBookmark_ = ds->GetBookmark();
    ds->MoveBy(savedRowOffset_);
}

void TCustomDBGridEx::RestoreBookmark()
{
    TDataSet* ds = dataLink_.DataSet();
    if (!linkActive() || savedBookmark_.isEmpty() || !ds->BookmarkValid(savedBookmark_))
        return;
    ds->GotoBookmark(savedBookmark_);
    ds->MoveBy(savedRowOffset_);
}

// ---- reactions to the data link ----

void TCustomDBGridEx::LinkActive(bool value)
{
    if (!value) {
        HideEditor();
        searchIndex_.Clear();
    }
    selection_.LinkActive(value);
    sumList_.SetDataSet(value ? dataLink_.DataSet() : nullptr);
    LayoutChanged();
    if (value && has(options_, dgAlwaysShowEditor))
        ShowEditor();
    UpdateScrollBar();
}

void TCustomDBGridEx::DataChanged()
{
    if (inSumRecalc_)
        return;
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateEditor();
    InvalidateGrid();
}

void TCustomDBGridEx::RecordChanged(TField* field)
{
    if (!field) {
        InvalidateGrid();
    } else {
        for (int i = 0; i < columns_->Count(); ++i)
            if (columns_->Items(i)->GetField() == field)
                InvalidateCell(DataToRawColumn(i), Row());
    }
    TField* sel = SelectedField();
    if ((!field || field == sel) && sel && EditorMode() && InplaceEditor()
        && sel->Text() != InplaceEditor()->text())
        UpdateEditorText();
}

void TCustomDBGridEx::Scroll(int distance)
{
    if (!linkActive())
        return;
    // Only the search's own moves keep it going.
    if (inplaceSearching_ && !inplaceSearchingInProcess_)
        StopInplaceSearch();
    InvalidateCell(0, Row());
    if (dataLink_.ActiveRecord() >= RowCount() - titleOffset_)
        UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    if (distance != 0) {
        HideEditor();
        if (std::abs(distance) > VisibleDataRowCount()) {
            InvalidateGrid();
        } else {
            // Only the rows that come into view are painted; the rest of the data area moves.
            const int rowExtent = DefaultRowHeight() + (has(options_, dgRowLines) ? GridLineWidth() : 0);
            ScrollDataArea(-distance * rowExtent);
            InvalidateCol(0);
        }
        if (has(options_, dgAlwaysShowEditor))
            ShowEditor();
    }
    InvalidateFooter();
}

void TCustomDBGridEx::UpdateActive()
{
    if (!linkActive())
        return;
    const int rawRow = titleOffset_ + dataLink_.ActiveRecord();
    if (rawRow != Row() && rawRow < RowCount()) {
        if (!has(options_, dgAlwaysShowEditor))
            HideEditor();
        const int oldRow = Row();
        MoveColRow(Col(), rawRow, true, false);
        InvalidateRow(oldRow);
        InvalidateRow(rawRow);
        InvalidateEditor();
    }
}

void TCustomDBGridEx::EditingChanged()
{
    if (has(options_, dgIndicator))
        InvalidateCell(0, Row());
}

void TCustomDBGridEx::UpdateData()
{
    const int i = SelectedIndex();
    if (i < 0 || i >= columns_->Count() || !InplaceEditor())
        return;
    TColumnEx* c = columns_->Items(i);
    const QString text = InplaceEditor()->text();
    if (c->GetColumnType() == ctLookupField) {
        c->UpdateDataValues(text, lookupKeyOf(c, text), false);
        return;
    }
    if (c->HasKeyList() && !c->KeyList().isEmpty()) {
        // A key pick list shows the pick and stores its key; a text that is no pick clears the field.
        const int k = c->HasPickList() ? int(c->PickList().indexOf(text)) : -1;
        if (k >= 0 && k < c->KeyList().size())
            c->UpdateDataValues(c->KeyList()[k], c->KeyList()[k], true);
        else
            c->UpdateDataValues(QString(), QVariant(), false);
        return;
    }
    c->UpdateDataValues(text, text, true);
}

QVariant TCustomDBGridEx::lookupKeyOf(TColumnEx* c, const QString& text)
{
    // The key chosen with this text, else the list record showing the text, else what the column's
    // not-in-list handler gives.
    if (text == editKeyText_ && !editKeyValue_.isNull())
        return editKeyValue_;
    TField* f = c->GetField();
    TDataSet* list = f ? f->LookupDataSet() : nullptr;
    if (text.isEmpty() || !list || !list->Active())
        return {};
    if (list->Locate(f->LookupResultField(), text, TLocateOptions(loCaseInsensitive)))
        return FieldValues(list, f->LookupKeyFields());
    QVariant value;
    if (c->OnNotInList) {
        bool recheck = false;
        c->OnNotInList(c, text, value, recheck);
    }
    return value;
}

// ---- editing hooks ----

bool TCustomDBGridEx::CanEditShow() const
{
    if (layoutLock_ > 0 || !has(options_, dgEditing) || has(options_, dgRowSelect) || !EditorMode()
        || inplaceSearching_)
        return false;
    const int i = RawToDataColumn(Col());
    if (i < 0 || i >= columns_->Count())
        return false;
    const TColumnExType t = columns_->Items(i)->GetColumnType();
    return t != ctKeyImageList && t != ctCheckboxes;
}

bool TCustomDBGridEx::CanEditModify()
{
    const int i = SelectedIndex();
    if (i < 0 || i >= columns_->Count())
        return false;
    TColumnEx* c = columns_->Items(i);
    return !inplaceSearching_ && c->GetColumnType() != ctCheckboxes && has(options_, dgEditing) && c->CanModify(true);
}

QString TCustomDBGridEx::GetEditText(int c, int)
{
    const int i = RawToDataColumn(c);
    if (i < 0 || i >= columns_->Count())
        return {};
    TColumnEx* col = columns_->Items(i);
    TField* f = col->GetField();
    if (!f)
        return {};
    if (col->HasKeyList() && !col->KeyList().isEmpty()) {
        const int k = col->KeyList().indexOf(f->Text());
        return k >= 0 && k < col->PickList().size() ? col->PickList()[k] : QString();
    }
    if (drawMemoText_ && f->DataType() == ftMemo)
        return f->AsString();
    return f->Text();
}

void TCustomDBGridEx::SetEditText(int, int, const QString&)
{
    dataLink_.Modified();
}

int TCustomDBGridEx::GetEditLimit()
{
    const int i = SelectedIndex();
    if (i < 0 || i >= columns_->Count())
        return 0;
    TColumnEx* c = columns_->Items(i);
    TField* f = c->GetField();
    if (!f || (c->HasKeyList() && !c->KeyList().isEmpty()) || f->DataType() != ftString)
        return 0;
    return f->Size();
}

void TCustomDBGridEx::keyPressEvent(QKeyEvent* e)
{
    try {
        TCustomGrid::keyPressEvent(e);
    } catch (const std::exception& ex) {
        e->accept();
        ctl::MessageBox(QString::fromUtf8(ex.what()), QStringLiteral("Error"), ctl::MB_OK | ctl::MB_ICONSTOP);
    }
}

void TCustomDBGridEx::focusOutEvent(QFocusEvent* e)
{
    // Leaving the grid for another control: an untouched new record is dropped, edits are posted.
    QWidget* to = QApplication::focusWidget();
    const bool inside = to && (to == this || isAncestorOf(to));
    if (!inside && linkActive()) {
        TDataSet* ds = dataLink_.DataSet();
        try {
            if (has(options_, dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified()
                && !dataLink_.InUpdateData())
                ds->Cancel();
            else if (ds->State() == dsEdit || ds->State() == dsInsert)
                dataLink_.UpdateRecord();
        } catch (const std::exception& ex) {
            // The data set refused the post: say so, as the platform shows a data set's error.
            ctl::MessageBox(QString::fromUtf8(ex.what()), QStringLiteral("Error"), ctl::MB_OK | ctl::MB_ICONSTOP);
        }
    }
    // Losing the focus ends any gesture under way.
    if (mouseState_ != 0 || trackingTitle_ || GridState() != gsNormal) {
        mouseState_ = 0;
        StopTracking();
        CancelGesture();
    }
    TCustomGrid::focusOutEvent(e);
}

void TCustomDBGridEx::GridFocusChanged(bool)
{
    if (has(options_, dgRowSelect))
        InvalidateRow(Row());
}
