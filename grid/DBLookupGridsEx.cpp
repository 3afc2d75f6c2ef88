// TDBLookupGridEx and TPopupDataGridEx: the data grid as a lookup list and as a drop-down window.
#include "grid/DBLookupGridsEx.h"
#include "grid/ColumnEx.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/graphics/Canvas.h"
#include "platform/data/DatabaseError.h"
#include <QApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

namespace {
constexpr int kSearchPauseMs = 2000;
constexpr int kMaxSearch = 32;
constexpr int kMaxRows = 100;
} // namespace

std::function<qint64()> TDBLookupGridEx::Clock = SteadyClockMs;
qint64 TDBLookupGridEx::lastSearchKey_ = 0;

// ---- the data link ----

void TLookupGridDataLinkEx::ActiveChanged() { grid_->UpdateDataFields(); }

void TLookupGridDataLinkEx::LayoutChanged() { grid_->UpdateDataFields(); }

void TLookupGridDataLinkEx::RecordChanged(TField*) { grid_->DataLinkRecordChanged(); }

void TLookupGridDataLinkEx::FocusControl(TField** field)
{
    if (!field || !*field)
        return;
    const auto& fields = grid_->dataFields_;
    if (std::find(fields.begin(), fields.end(), *field) != fields.end() && grid_->focusPolicy() != Qt::NoFocus) {
        grid_->setFocus();
        *field = nullptr;
    }
}

// ---- the special row's cells ----

const TSpecRowEx* TGridColumnSpecCellEx::specRow() const
{
    TCustomDBGridEx* g = column_ ? column_->Grid() : nullptr;
    auto* lookup = dynamic_cast<TDBLookupGridEx*>(g);
    return lookup ? &lookup->SpecRow() : nullptr;
}

QString TGridColumnSpecCellEx::Text() const
{
    if (textAssigned_ || !specRow())
        return text_;
    return specRow()->GetCellText(column_->Index());
}

void TGridColumnSpecCellEx::SetText(const QString& text)
{
    text_ = text;
    textAssigned_ = true;
}

gfx::TColor TGridColumnSpecCellEx::Color() const
{
    if (colorAssigned_ || !specRow())
        return color_;
    return specRow()->ColorAssigned() ? specRow()->Color() : column_->Grid()->Color();
}

void TGridColumnSpecCellEx::SetColor(gfx::TColor color)
{
    color_ = color;
    colorAssigned_ = true;
}

const gfx::TFont& TGridColumnSpecCellEx::Font() const
{
    if (fontAssigned_ || !specRow())
        return font_;
    return specRow()->FontAssigned() ? specRow()->Font() : column_->Grid()->Font();
}

void TGridColumnSpecCellEx::SetFont(const gfx::TFont& font)
{
    font_.Assign(font);
    fontAssigned_ = true;
}

void TGridColumnSpecCellEx::Assign(const TGridColumnSpecCellEx& source)
{
    if (source.textAssigned_)
        SetText(source.text_);
    if (source.colorAssigned_)
        SetColor(source.color_);
    if (source.fontAssigned_)
        SetFont(source.font_);
}

// ---- the lookup grid ----

TDBLookupGridEx::TDBLookupGridEx(QWidget* parent) : TCustomDBGridEx(parent)
{
    Columns().SetItemFactory([](TDBGridColumnsEx* columns, bool stored) -> std::unique_ptr<TColumnEx> {
        return std::make_unique<TDBLookupGridColumnEx>(columns, stored);
    });
    SetOptions(bit(dgColLines) | bit(dgRowSelect));
    SetOptionsEx(OptionsEx() | bit(dghTraceColSizing));
    VertScrollBar().SetTracking(true);
    HorzScrollBar().SetTracking(true);
    SetFlat(true);
    SetDrawMemoText(true);
    SetVTitleMargin(5);
    RecreateColumnDefValues();
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

TDBLookupGridEx::~TDBLookupGridEx()
{
    dataLink_.SetDataSource(nullptr);
}

void TDBLookupGridEx::checkNotCircular(TDataSource* list) const
{
    if (list && list->DataSet() && dataLink_.DataSource() && list->DataSet() == dataLink_.DataSource()->DataSet())
        throw EDatabaseError(QStringLiteral("Circular datalinks are not allowed"));
}

void TDBLookupGridEx::checkNotLookupMode() const
{
    if (lookupMode_)
        throw EDatabaseError(QStringLiteral("Property already defined by lookup field"));
}

void TDBLookupGridEx::SetDataFieldSource(TDataSource* source)
{
    if (source && source->DataSet() && DataSource() && DataSource()->DataSet() == source->DataSet() && !lookupMode_)
        throw EDatabaseError(QStringLiteral("Circular datalinks are not allowed"));
    dataLink_.SetDataSource(source);
    UpdateDataFields();
}

void TDBLookupGridEx::SetDataField(const QString& names)
{
    dataField_ = names;
    UpdateDataFields();
}

void TDBLookupGridEx::UpdateDataFields()
{
    dataFields_.clear();
    keyFieldNames_.clear();
    TDataSet* ds = dataLink_.Active() ? dataLink_.DataSet() : nullptr;
    if (ds && !dataField_.isEmpty()) {
        if (!lookupMode_)
            checkNotCircular(DataSource());
        dataFields_ = GetFieldsProperty(ds, objectName(), dataField_);
        const bool lookup = dataFields_.size() == 1 && dataFields_[0]->FieldKind() == fkLookup;
        keyFieldNames_ = lookup ? dataFields_[0]->KeyFields() : dataField_;
    }
    setLookupMode(dataFields_.size() == 1 && dataFields_[0]->FieldKind() == fkLookup);
    DataLinkRecordChanged();
}

void TDBLookupGridEx::setLookupMode(bool on)
{
    if (on) {
        TField* f = dataFields_[0];
        lookupMode_ = false;  // the list is set up through the ordinary setters once
        internalSource_.SetDataSet(f->LookupDataSet());
        SetDataSource(&internalSource_);
        keyField_ = f->LookupKeyFields();
        // The result field is shown first.
        QStringList names = listField_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& n : names)
            n = n.trimmed();
        names.removeIf([&](const QString& n) { return n.compare(f->LookupResultField(), Qt::CaseInsensitive) == 0; });
        names.prepend(f->LookupResultField());
        SetListField(names.join(QLatin1Char(';')));
        listFieldIndex_ = 0;
        lookupMode_ = true;
    } else if (lookupMode_) {
        lookupMode_ = false;
        SetDataSource(nullptr);
        internalSource_.SetDataSet(nullptr);
        keyField_.clear();
        listField_.clear();
        Columns().Clear();
    }
}

void TDBLookupGridEx::DataLinkRecordChanged()
{
    TDataSet* ds = dataLink_.Active() ? dataLink_.DataSet() : nullptr;
    if (!ds || keyFieldNames_.isEmpty())
        return;
    SetKeyValue(ds->IsEmpty() ? QVariant() : FieldValues(ds, keyFieldNames_));
}

void TDBLookupGridEx::SetListSource(TDataSource* source)
{
    checkNotLookupMode();
    checkNotCircular(source);
    SetDataSource(source);
    KeyValueChanged();
}

void TDBLookupGridEx::SetKeyField(const QString& names)
{
    checkNotLookupMode();
    if (TDataSet* ds = listSet())
        GetFieldsProperty(ds, objectName(), names);  // an unknown name is an error now, not at the first pick
    keyField_ = names;
    KeyValueChanged();
}

void TDBLookupGridEx::SetListField(const QString& names)
{
    checkNotLookupMode();
    if (TDataSet* ds = listSet())
        GetFieldsProperty(ds, objectName(), names);
    listField_ = names;
    // Columns set up by the user (a column's drop-down box) stay; only the ones made here from the list
    // fields are made again.
    if (Columns().State() != csCustomized || madeFromListField()) {
        Columns().Clear();
        for (const QString& name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            Columns().Add()->SetFieldName(name.trimmed());
        madeAt_ = Columns().MadeCount();
        madeCount_ = std::size_t(Columns().Count());
    }
    updateText();
    applyHeight();
}

bool TDBLookupGridEx::madeFromListField()
{
    // Moving a made column is not setting the columns up; adding or removing one is.
    return Columns().MadeCount() == madeAt_ && std::size_t(Columns().Count()) == madeCount_;
}

void TDBLookupGridEx::SetListFieldIndex(int i)
{
    listFieldIndex_ = i;
    updateText();
}

bool TDBLookupGridEx::CanModify() const
{
    if (!listSet() || readOnly_)
        return false;
    // With data fields, the key is chosen only when they can take it.
    if (dataLink_.Active() && !dataFields_.empty()) {
        if (dataLink_.ReadOnly())
            return false;
        const std::vector<TField*> keys = GetFieldsProperty(dataLink_.DataSet(), objectName(), keyFieldNames_);
        return std::all_of(keys.begin(), keys.end(), [](TField* f) { return f->CanModify(); });
    }
    return true;
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

std::unique_ptr<TColumnDefValuesEx> TDBLookupGridEx::CreateColumnDefValues()
{
    return std::make_unique<TDBLookupGridColumnDefValuesEx>(this);
}

void TDBLookupGridEx::SetAutoFitColWidths(bool v)
{
    // The horizontal bar comes or goes meanwhile: the rows stay as many, the height follows.
    adjustingHeight_ = true;
    TCustomDBGridEx::SetAutoFitColWidths(v);
    applyHeight();
}

void TDBLookupGridEx::SetUseMultiTitle(bool v)
{
    adjustingHeight_ = true;
    TCustomDBGridEx::SetUseMultiTitle(v);
    applyHeight();
}

void TDBLookupGridEx::ColWidthsChanged()
{
    // A column the user sized in a fitting list keeps its width: the list grows or shrinks around its
    // columns instead of squeezing the others.
    int wanted = -1;
    if (sizedByUser_ && AutoFitColWidths()) {
        wanted = 0;
        const int lines = has(Options(), dgColLines) ? GridLineWidth() : 0;
        for (int i = 0; i < Columns().Count() && DataToRawColumn(i) < ColCount(); ++i)
            if (TColumnEx* c = Columns().Items(i); c->Visible())
                wanted += c->AllowableWidth(ColWidths(DataToRawColumn(i))) + lines;
    }
    TCustomDBGridEx::ColWidthsChanged();
    if (wanted >= 0 && wanted != viewport()->width())
        resize(width() - viewport()->width() + wanted, height());
}

int TDBLookupGridEx::DataRowHeight() const
{
    return DefaultRowHeight() + (has(Options(), dgRowLines) ? GridLineWidth() : 0);
}

int TDBLookupGridEx::ColumnsWidth()
{
    int w = 0;
    for (int i = 0; i < Columns().Count(); ++i)
        if (Columns().Items(i)->Visible())
            w += Columns().Items(i)->Width() + (has(Options(), dgColLines) ? GridLineWidth() : 0);
    return w;
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

int TDBLookupGridEx::titlesHeight() const
{
    return ShowTitles() && TCustomGrid::RowCount() > 0 ? RowHeights(0) + GridLineWidth() : 0;
}

int TDBLookupGridEx::borderHeight() const
{
    // The frame, and the horizontal scroll bar while it shows.
    // Asked of the policy, not of the bar: a list not yet shown has its bar hidden as well.
    return 2 * frameWidth()
           + (horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? horizontalScrollBar()->sizeHint().height() : 0);
}

int TDBLookupGridEx::heightForRows(int rows) const
{
    return titlesHeight() + borderHeight() + DataRowHeight() * rows + SpecRowHeight();
}

void TDBLookupGridEx::applyHeight()
{
    adjustingHeight_ = true;
    resize(width(), heightForRows(rowCount_));
    adjustingHeight_ = false;
}

void TDBLookupGridEx::resizeEvent(QResizeEvent* e)
{
    TCustomDBGridEx::resizeEvent(e);
    if (adjustingHeight_)
        return;
    // A height from outside (a layout, the size grip) is snapped to whole rows.
    const int rows = std::max(1, (height() - borderHeight() - titlesHeight() - SpecRowHeight()) / std::max(1, DataRowHeight()));
    rowCount_ = std::min(rows, kMaxRows);
    if (heightForRows(rows) != height()) {
        adjustingHeight_ = true;
        resize(width(), heightForRows(rows));
        adjustingHeight_ = false;
    }
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
    TDBLookupGridColumnEx* column = dc >= 0 && dc < Columns().Count() ? LookupColumn(dc) : nullptr;
    gfx::TCanvas& canvas = Canvas();
    canvas.Font().Assign(column ? column->SpecCell().Font() : specRow_.FontAssigned() ? specRow_.Font() : Font());
    canvas.Brush().SetColor(column ? column->SpecCell().Color() : specRow_.ColorAssigned() ? specRow_.Color() : Color());
    if (specRowSelected_) {
        canvas.Brush().SetColor(gfx::clHighlight);
        canvas.Font().SetColor(gfx::clHighlightText);
    }
    WriteCellText(rect, true, 2, 1, column ? column->SpecCell().Text() : specRow_.GetCellText(dc),
                  column ? column->Alignment() : taLeftJustify, tlTop, false, false, 0, 0);
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
    const bool chosen = VarEquals(FieldValues(ds, keyField_), keyValue_);
    if (chosen)
        state |= gdSelected;
    return chosen;
}

QVariant TDBLookupGridEx::currentKey() const
{
    TDataSet* ds = listSet();
    if (!ds || ds->IsEmpty() || keyField_.isEmpty())
        return {};
    return FieldValues(ds, keyField_);
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
    if (dataLink_.Active() && !dataFields_.empty()) {
        if (!dataLink_.Edit())
            return;
        DataSetSetFieldValues(dataLink_.DataSet(), keyFieldNames_, value);
    }
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

void TDBLookupGridEx::UpdateScrollBar()
{
    TDataSet* ds = listSet();
    if (!ds || !ds->IsSequenced()) {
        TCustomDBGridEx::UpdateScrollBar();
        return;
    }
    // The bar stands for the list's records: the thumb is the first shown record, the page the rows shown.
    const int count = ds->RecordCount();
    const int page = std::max(1, VisibleDataRowCount());
    SetVerticalScrollInfo(0, std::max(0, count - 1), page, DataLink()->FirstRecord());
    verticalScrollBar()->setEnabled(count > page);
    const Qt::ScrollBarPolicy policy = VertScrollBar().Visible() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
}

void TDBLookupGridEx::UpdateScrollRange()
{
    const Qt::ScrollBarPolicy before = horizontalScrollBarPolicy();
    TCustomDBGridEx::UpdateScrollRange();
    // The horizontal bar came or went: the rows stay as many and whole, the height follows.
    if (horizontalScrollBarPolicy() != before && !adjustingHeight_)
        applyHeight();
}

void TDBLookupGridEx::VerticalScrollAction(int action, int trackPos)
{
    TDataSet* ds = listSet();
    if (!ds || !ds->IsSequenced()) {
        TCustomDBGridEx::VerticalScrollAction(action, trackPos);
        return;
    }
    // Scrolling moves the list, not the key.
    const int active = DataLink()->ActiveRecord(), shown = DataLink()->RecordCount();
    switch (action) {
    case SB_LINEUP: ds->MoveBy(-active - 1); break;
    case SB_LINEDOWN: ds->MoveBy(shown - active); break;
    case SB_PAGEUP: ds->MoveBy(-active - VisibleDataRowCount()); break;
    case SB_PAGEDOWN: ds->MoveBy(shown - active - 1 + VisibleDataRowCount()); break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The record at the thumb becomes the first shown.
        const int first = std::clamp(trackPos, 0, std::max(0, ds->RecordCount() - 1));
        const int current = DataLink()->FirstRecord() + active, last = first + VisibleDataRowCount() - 1;
        if (first < DataLink()->FirstRecord()) {
            ds->MoveBy(first - current);
        } else if (first > DataLink()->FirstRecord()) {
            ds->MoveBy(last - current);  // the window follows down until its first row is the thumb's
            ds->MoveBy(first - (DataLink()->FirstRecord() + DataLink()->ActiveRecord()));
        }
        break;
    }
    default:
        break;
    }
    UpdateScrollBar();
}

int TDBLookupGridEx::dataTop() const
{
    return TitleOffset() > 0 ? CellRect(DataToRawColumn(0), TitleOffset() - 1).bottom() + 1 : 0;
}

int TDBLookupGridEx::dataBottom() const
{
    return dataTop() + VisibleDataRowCount() * DataRowHeight();
}

void TDBLookupGridEx::WMTimer(int id)
{
    if (id == 1 && tracking_) {
        TimerScroll();
        return;
    }
    TCustomDBGridEx::WMTimer(id);
}

int TDBLookupGridEx::dragDistance() const
{
    const int top = dataTop() - SpecRowHeight(), bottom = dataBottom();
    return lastY_ < top ? lastY_ - top : lastY_ >= bottom ? lastY_ - bottom + 1 : 0;
}

void TDBLookupGridEx::TimerScroll()
{
    TDataSet* ds = listSet();
    if (!tracking_ || !ds) {
        TCustomDBGridEx::TimerScroll();
        return;
    }
    // One row a tick toward the pointer, faster the farther it is beyond the edge.
    const int distance = dragDistance();
    if (distance < 0) {
        if (specRow_.Visible() && (specRowSelected_ || ds->RecNo() <= 1)) {
            SelectSpecRow();
        } else {
            ds->MoveBy(-1);
            SelectCurrent();
        }
    } else if (distance > 0) {
        if (specRowSelected_)
            ds->First();
        else
            ds->MoveBy(1);
        SelectCurrent();
    } else {
        StopTimer();
        return;
    }
    ResetTimer(std::max(0, 200 - 15 * std::abs(distance)));
}

void TDBLookupGridEx::ColumnMoved(int from, int to)
{
    TCustomDBGridEx::ColumnMoved(from, to);
    if (listField_.isEmpty())
        return;
    // The shown fields and the special row's texts follow the columns' new order.
    QStringList names, texts;
    for (int i = 0; i < Columns().Count(); ++i) {
        names << Columns().Items(i)->FieldName();
        const QString t = LookupColumn(i)->SpecCell().TextAssigned() ? LookupColumn(i)->SpecCell().Text() : QString();
        texts << t;
    }
    QStringList oldTexts;
    for (int i = 0; i < specRow_.CellCount(); ++i)
        oldTexts << specRow_.GetCellText(i);
    if (oldTexts.size() > std::max(from, to)) {
        oldTexts.move(from, to);
        QStringList quoted;
        for (const QString& t : oldTexts)
            quoted << QLatin1Char('"') + QString(t).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        specRow_.SetCellsText(quoted.join(QLatin1Char(';')));
    }
    listField_ = names.join(QLatin1Char(';'));
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
    lastY_ = y;
    // Beyond the rows the list scrolls on a timer; over them the pointer chooses.
    if (const int distance = dragDistance(); distance != 0) {
        if (ScrollTimerInterval() < 0)
            TimerScroll();
        else
            ResetTimer(std::max(0, 200 - 15 * std::abs(distance)));
        return;
    }
    StopTimer();
    SelectItemAt(x, y);
}

void TDBLookupGridEx::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!tracking_) {
        TCustomDBGridEx::MouseUp(button, shift, x, y);
        return;
    }
    tracking_ = false;
    StopTimer();
    SelectItemAt(x, y);
}

TPopupDataGridEx::TPopupDataGridEx(QWidget* parent) : TDBLookupGridEx(parent)
{
    // A window of its own that leaves the focus with the editor, which hands it its keys.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    grip_ = new TSizeGripEx(this);
    grip_->OnParentResized = [this] { resized_ = true; };
    const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setMinimumSize(extent, extent);
    applyBorder();
}

void TPopupDataGridEx::applyBorder()
{
    // The window's own border: one line of the frame colour on every side, as the pick list has; the
    // flat sunken frame of the grid leaves the bottom and right edges white on a white list.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
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
