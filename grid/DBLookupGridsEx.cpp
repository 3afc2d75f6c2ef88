// TDBLookupGridEx and TPopupDataGridEx: the data grid as a lookup list and as a drop-down window.
#include "grid/DBLookupGridsEx.h"
#include "grid/ColumnEx.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/graphics/Canvas.h"
#include <QApplication>
#include <QResizeEvent>
#include <QStyle>

namespace {
constexpr int kSearchPauseMs = 2000;
constexpr int kMaxSearch = 32;
constexpr int kMaxRows = 100;
} // namespace

std::function<qint64()> TDBLookupGridEx::Clock = SteadyClockMs;
qint64 TDBLookupGridEx::lastSearchKey_ = 0;

TDBLookupGridEx::TDBLookupGridEx(QWidget* parent) : TCustomDBGridEx(parent)
{
    SetOptions(bit(dgColLines) | bit(dgRowSelect));
    SetOptionsEx(OptionsEx() | bit(dghTraceColSizing));
    VertScrollBar().SetTracking(true);
    HorzScrollBar().SetTracking(true);
    SetFlat(true);
    SetDrawMemoText(true);
    SetVTitleMargin(5);
    setFocusPolicy(Qt::ClickFocus);
    specRow_.OnChange = [this] {
        LayoutChanged();
        KeyValueChanged();
        applyHeight();
    };
}

TDataSet* TDBLookupGridEx::listSet() const
{
    TDataSource* s = DataSource();
    TDataSet* ds = s ? s->DataSet() : nullptr;
    return ds && ds->Active() ? ds : nullptr;
}

void TDBLookupGridEx::SetListSource(TDataSource* source)
{
    SetDataSource(source);
    KeyValueChanged();
}

void TDBLookupGridEx::SetKeyField(const QString& names)
{
    if (TDataSet* ds = listSet())
        GetFieldsProperty(ds, objectName(), names);  // an unknown name is an error now, not at the first pick
    keyField_ = names;
    KeyValueChanged();
}

void TDBLookupGridEx::SetListField(const QString& names)
{
    if (TDataSet* ds = listSet())
        GetFieldsProperty(ds, objectName(), names);
    listField_ = names;
    Columns().Clear();
    for (const QString& name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        Columns().Add()->SetFieldName(name.trimmed());
    updateText();
    applyHeight();
}

void TDBLookupGridEx::SetListFieldIndex(int i)
{
    listFieldIndex_ = i;
    updateText();
}

bool TDBLookupGridEx::CanModify() const
{
    return listSet() && !readOnly_;
}

void TDBLookupGridEx::SetLookupOptions(TDBLookupGridExOptions o)
{
    lookupOptions_ = o;
    TDBGridOptions g = Options() & ~(bit(dgColumnResize) | bit(dgColLines) | bit(dgRowLines));
    if (o & (1u << dlgColumnResizeEx))
        g |= bit(dgColumnResize);
    if (o & (1u << dlgColLinesEx))
        g |= bit(dgColLines);
    if (o & (1u << dlgRowLinesEx))
        g |= bit(dgRowLines);
    SetOptions(g);
    TDBGridExOptions ex = OptionsEx() & ~(bit(dghAutoSortMarking) | bit(dghMultiSortMarking));
    if (o & (1u << dlgAutoSortMarkingEx))
        ex |= bit(dghAutoSortMarking);
    if (o & (1u << dlgMultiSortMarkingEx))
        ex |= bit(dghMultiSortMarking);
    SetOptionsEx(ex);
    applyHeight();
}

void TDBLookupGridEx::SetShowTitles(bool v)
{
    SetOptions(v ? Options() | bit(dgTitles) : Options() & ~bit(dgTitles));
    applyHeight();
}

int TDBLookupGridEx::DataRowHeight() const
{
    return DefaultRowHeight() + (has(Options(), dgRowLines) ? GridLineWidth() : 0);
}

int TDBLookupGridEx::SpecRowHeight() const
{
    return specRow_.Visible() ? DataRowHeight() : 0;
}

void TDBLookupGridEx::SetRowCount(int n)
{
    rowCount_ = std::clamp(n, 1, kMaxRows);
    applyHeight();
}

void TDBLookupGridEx::applyHeight()
{
    const int titles = ShowTitles() && TCustomGrid::RowCount() > 0 ? RowHeights(0) + GridLineWidth() : 0;
    // The frame, and the horizontal scroll bar while it shows.
    const int border = 2 * frameWidth() + (horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0);
    setFixedHeight(titles + DataRowHeight() * rowCount_ + border + SpecRowHeight());
}

int TDBLookupGridEx::CalcTitleOffset() const
{
    return (ShowTitles() ? 1 : 0) + (specRow_.Visible() ? 1 : 0);
}

void TDBLookupGridEx::UpdateRowCount()
{
    TCustomDBGridEx::UpdateRowCount();
    // The special row is as high as a record's row, not as the titles.
    if (specRow_.Visible() && specRowIndex() < TCustomGrid::RowCount())
        SetRowHeights(specRowIndex(), DefaultRowHeight());
}

void TDBLookupGridEx::DrawSubTitleCell(int c, int r, const gfx::TRect& rect, TGridDrawState state)
{
    if (!specRow_.Visible() || r != specRowIndex()) {
        TCustomDBGridEx::DrawSubTitleCell(c, r, rect, state);
        return;
    }
    const int dc = RawToDataColumn(c);
    TColumnEx* column = dc >= 0 && dc < Columns().Count() ? Columns()[dc] : nullptr;
    gfx::TCanvas& canvas = Canvas();
    canvas.Font().Assign(specRow_.FontAssigned() ? specRow_.Font() : Font());
    canvas.Brush().SetColor(specRow_.ColorAssigned() ? specRow_.Color() : Color());
    if (specRowSelected_) {
        canvas.Brush().SetColor(gfx::clHighlight);
        canvas.Font().SetColor(gfx::clHighlightText);
    }
    WriteCellText(rect, true, 2, 1, specRow_.GetCellText(dc), column ? column->Alignment() : taLeftJustify, tlTop,
                  false, false, 0, 0);
    if (specRowSelected_)
        canvas.DrawFocusRect(rect);
}

bool TDBLookupGridEx::HighlightCell(int, int, const QString&, TGridDrawState& state)
{
    // The chosen record is highlighted, wherever the list's cursor stands.
    if (specRowSelected_ || keyValue_.isNull() || keyField_.isEmpty())
        return false;
    TDataSet* ds = listSet();
    if (!ds)
        return false;
    QVariantList keys;
    for (TField* f : GetFieldsProperty(ds, objectName(), keyField_))
        keys.append(f->Value());
    const bool chosen = VarEquals(keys.size() == 1 ? keys.first() : QVariant(keys), keyValue_);
    if (chosen)
        state |= gdSelected;
    return chosen;
}

QVariant TDBLookupGridEx::currentKey() const
{
    TDataSet* ds = listSet();
    if (!ds || ds->IsEmpty() || keyField_.isEmpty())
        return {};
    const std::vector<TField*> keys = GetFieldsProperty(ds, objectName(), keyField_);
    if (keys.size() == 1)
        return keys[0]->Value();
    QVariantList values;
    for (TField* f : keys)
        values.append(f->Value());
    return values;
}

void TDBLookupGridEx::updateText()
{
    if (specRowSelected_) {
        text_ = specRow_.GetCellText(listFieldIndex_);
        return;
    }
    TDataSet* ds = listSet();
    const QStringList shown = (listField_.isEmpty() ? keyField_ : listField_).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (!ds || ds->IsEmpty() || shown.isEmpty() || keyValue_.isNull()) {
        text_.clear();
        return;
    }
    const int i = listFieldIndex_ >= 0 && listFieldIndex_ < shown.size() ? listFieldIndex_ : 0;
    TField* f = ds->FindField(shown[i].trimmed());
    text_ = f ? f->DisplayText() : QString();
}

bool TDBLookupGridEx::LocateKey()
{
    TDataSet* ds = listSet();
    if (!ds || keyField_.isEmpty() || keyValue_.isNull())
        return false;
    try {
        return ds->Locate(keyField_, keyValue_, {});
    } catch (...) {
        return false;  // a locate that fails leaves the key as it is
    }
}

void TDBLookupGridEx::KeyValueChanged()
{
    listChanging_ = true;
    specRowSelected_ = specRow_.Visible() && VarEquals(keyValue_, specRow_.Value());
    if (!specRowSelected_ && listSet()) {
        const bool found = LocateKey();
        if (!found && specRow_.Visible() && specRow_.ShowIfNotInKeyList())
            specRowSelected_ = true;
        else if (!found && !listSet()->IsEmpty())
            listSet()->First();
    }
    listChanging_ = false;
    updateText();
    InvalidateGrid();
}

void TDBLookupGridEx::SetKeyValue(const QVariant& value)
{
    if (VarEquals(value, keyValue_) && !keyValue_.isNull())
        return;
    keyValue_ = value;
    KeyValueChanged();
}

void TDBLookupGridEx::SelectKeyValue(const QVariant& value)
{
    keyValue_ = value;
    KeyValueChanged();
    if (OnKeyValueChanged)
        OnKeyValueChanged(this);
}

void TDBLookupGridEx::SelectCurrent()
{
    const QVariant key = currentKey();
    if (!VarEquals(key, keyValue_) || specRowSelected_)
        SelectKeyValue(key);
}

void TDBLookupGridEx::SelectSpecRow()
{
    if (!VarEquals(specRow_.Value(), keyValue_) || !specRowSelected_)
        SelectKeyValue(specRow_.Value());
}

void TDBLookupGridEx::LinkActive(bool value)
{
    TCustomDBGridEx::LinkActive(value);
    if (value && !listChanging_)
        KeyValueChanged();
}

void TDBLookupGridEx::DataChanged()
{
    TCustomDBGridEx::DataChanged();
    if (!listChanging_)
        updateText();
}

void TDBLookupGridEx::ProcessSearchKey(QChar ch)
{
    TDataSet* ds = listSet();
    const QStringList shown = listField_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (!ds || !CanModify() || shown.isEmpty())
        return;
    const int i = listFieldIndex_ >= 0 && listFieldIndex_ < shown.size() ? listFieldIndex_ : 0;
    TField* f = ds->FindField(shown[i].trimmed());
    if (!f || f->DataType() != ftString)
        return;
    if (ch == QChar(8) || ch == QChar(27)) {
        searchText_.clear();
        return;
    }
    if (ch.unicode() < 32)
        return;
    const qint64 now = Clock();
    if (now - lastSearchKey_ > kSearchPauseMs)
        searchText_.clear();
    lastSearchKey_ = now;
    if (searchText_.size() >= kMaxSearch)
        return;
    const QString wanted = searchText_ + ch;
    if (ds->Locate(f->FieldName(), wanted, TLocateOptions(loCaseInsensitive) | loPartialKey)) {
        searchText_ = wanted;
        SelectCurrent();
    }
}

void TDBLookupGridEx::KeyPress(QChar& ch)
{
    ProcessSearchKey(ch);
    ch = QChar();
}

void TDBLookupGridEx::KeyDown(int& key, TShiftState shift)
{
    TDataSet* ds = listSet();
    if (!ds || !CanModify()) {
        TCustomDBGridEx::KeyDown(key, shift);
        return;
    }
    const int page = std::max(1, VisibleDataRowCount());
    int delta = 0;
    bool first = false, last = false;
    switch (key) {
    case vk::Up: delta = -1; break;
    case vk::Down: delta = 1; break;
    case vk::Prior: delta = 1 - page; break;
    case vk::Next: delta = page - 1; break;
    case vk::Home: first = true; break;
    case vk::End: last = true; break;
    default:
        TCustomDBGridEx::KeyDown(key, shift);
        return;
    }
    key = 0;
    if ((delta < 0 && (specRowSelected_ || ds->RecNo() <= 1) && specRow_.Visible()) || (first && specRow_.Visible())) {
        SelectSpecRow();
    } else if (specRowSelected_ && delta > 0) {
        ds->First();
        SelectCurrent();
    } else {
        if (first)
            ds->First();
        else if (last)
            ds->Last();
        else
            ds->MoveBy(delta);
        SelectCurrent();
    }
}

bool TDBLookupGridEx::SelectItemAt(int x, int y)
{
    if (specRow_.Visible()) {
        const QRect spec = CellRect(DataToRawColumn(0), specRowIndex());
        if (y >= spec.top() && y <= spec.bottom()) {
            SelectSpecRow();
            return true;
        }
    }
    const TGridCoord cell = MouseCoord(x, std::min(y, viewport()->height() - 1));
    const int dr = cell.Y - TitleOffset();
    TDataSet* ds = listSet();
    if (!ds || dr < 0 || dr >= DataLink()->RecordCount() || cell.X < 0)
        return false;
    ds->MoveBy(dr - DataLink()->ActiveRecord());
    SelectCurrent();
    return true;
}

void TDBLookupGridEx::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    const TGridCoord cell = MouseCoord(x, y);
    const bool onSpec = specRow_.Visible() && cell.Y == specRowIndex();
    if (cell.Y < TitleOffset() && !onSpec) {
        TCustomDBGridEx::MouseDown(button, shift, x, y);
        return;
    }
    if (button == mbLeft)
        searchText_.clear();
    if (button == mbLeft && CanModify()) {
        tracking_ = true;
        SelectItemAt(x, y);
    }
}

void TDBLookupGridEx::MouseMove(TShiftState shift, int x, int y)
{
    if (!tracking_) {
        TCustomDBGridEx::MouseMove(shift, x, y);
        return;
    }
    SelectItemAt(x, y);
}

void TDBLookupGridEx::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!tracking_) {
        TCustomDBGridEx::MouseUp(button, shift, x, y);
        return;
    }
    tracking_ = false;
    SelectItemAt(x, y);
}

TPopupDataGridEx::TPopupDataGridEx(QWidget* parent) : TDBLookupGridEx(parent)
{
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    grip_ = new TSizeGripEx(this);
    grip_->OnParentResized = [this] { resized_ = true; };
    const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setMinimumSize(extent, extent);
}

void TPopupDataGridEx::resizeEvent(QResizeEvent* e)
{
    TDBLookupGridEx::resizeEvent(e);
    grip_->UpdatePosition();
}

void TPopupDataGridEx::MouseMove(TShiftState shift, int x, int y)
{
    // Without a button held the item under the pointer is selected (unless read-only).
    if (QApplication::mouseButtons() == Qt::NoButton && !ReadOnly()) {
        SelectItemAt(x, y);
        return;
    }
    TDBLookupGridEx::MouseMove(shift, x, y);
}

void TPopupDataGridEx::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TDBLookupGridEx::MouseUp(button, shift, x, y);
    if (!viewport()->rect().contains(x, y)) {
        if (OnCloseUp)
            OnCloseUp(this, false);
        return;
    }
    const TGridCoord cell = MouseCoord(x, y);
    const bool onSpec = SpecRow().Visible() && cell.Y == (ShowTitles() ? 1 : 0);
    const int dr = cell.Y - TitleOffset();
    if ((onSpec || (dr >= 0 && dr < DataLink()->RecordCount())) && OnCloseUp)
        OnCloseUp(this, true);
}
