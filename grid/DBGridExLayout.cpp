// TCustomDBGridEx: layout of columns and rows, the record window, and the record scroll bar.
#include "grid/DBGridEx.h"
#include "grid/GridMath.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
#include <QFontMetrics>
#include <QMetaObject>
#include <QScrollBar>
#include <algorithm>

namespace {
QFontMetrics metrics(const gfx::TFont& f) { return QFontMetrics(f.ToQFont()); }
} // namespace

void TCustomDBGridEx::BeginLayout()
{
    BeginUpdate();
    if (layoutLock_ == 0)
        columns_->BeginUpdate();
    ++layoutLock_;
}

void TCustomDBGridEx::EndLayout()
{
    if (layoutLock_ == 1) {
        // A layout that fails still leaves the grid unlocked.
        rtl::TScopeGuard unlock([this] {
            layoutLock_ = 0;
            columns_->EndUpdate();
            EndUpdate();
        });
        internalLayout();
        unlock.Dismiss();
        columns_->EndUpdate();
    }
    if (layoutLock_ > 0)
        --layoutLock_;
    EndUpdate();
}

void TCustomDBGridEx::CancelLayout()
{
    if (layoutLock_ == 1)
        columns_->EndUpdate();
    if (layoutLock_ > 0)
        --layoutLock_;
    EndUpdate();
}

bool TCustomDBGridEx::AcquireLayoutLock()
{
    if (updateLock_ == 0 && layoutLock_ == 0) {
        BeginLayout();
        return true;
    }
    return false;
}

void TCustomDBGridEx::LayoutChanged()
{
    if (AcquireLayoutLock())
        EndLayout();
}

void TCustomDBGridEx::DeferLayout()
{
    if (!deferredLayoutPending_) {
        deferredLayoutPending_ = true;
        QMetaObject::invokeMethod(this, [this] {
            if (!deferredLayoutPending_)
                return;
            deferredLayoutPending_ = false;
            LayoutChanged();
        }, Qt::QueuedConnection);
    }
    CancelLayout();
}

void TCustomDBGridEx::DefineFieldMap()
{
    if (columns_->State() == csCustomized) {
        dataLink_.SetSparseMap(true);
        for (int i = 0; i < columns_->Count(); ++i)
            dataLink_.AddMapping(columns_->Items(i)->FieldName());
    } else {
        dataLink_.SetSparseMap(false);
        TDataSet* ds = dataLink_.DataSet();
        for (int i = 0; i < ds->FieldCount(); ++i)
            if (ds->Fields(i)->Visible())
                dataLink_.AddMapping(ds->Fields(i)->FieldName());
    }
}

void TCustomDBGridEx::internalLayout()
{
    if (inLayout_)
        return;
    inLayout_ = true;
    layoutInProgress_ = true;
    deferredLayoutPending_ = false;
    // Never a mix of stored columns and columns made from the fields.
    for (int i = 1; i < columns_->Count(); ++i)
        if (columns_->Items(i)->Stored() && !columns_->Items(i - 1)->Stored()) {
            for (int k = columns_->Count() - 1; k >= 0; --k)
                if (!columns_->Items(k)->Stored())
                    columns_->Delete(k);
            break;
        }
    indicatorOffset_ = has(options_, dgIndicator) ? 1 : 0;
    dataLink_.ClearMapping();
    if (linkActive())
        DefineFieldMap();
    if (columns_->State() == csCustomized) {
        for (int i = 0; i < columns_->Count(); ++i)
            columns_->Items(i)->dropField();
    } else if (!linkActive() && dataLink_.DefaultFields()) {
        columns_->Clear();
    } else {
        for (int i = columns_->Count() - 1; i >= 0; --i) {
            TField* f = columns_->Items(i)->GetField();
            bool found = false;
            for (int k = 0; k < dataLink_.FieldCount(); ++k)
                found = found || dataLink_.Fields(k) == f;
            if (!found)
                columns_->Delete(i);
        }
        for (int k = 0; k < dataLink_.FieldCount(); ++k) {
            TField* f = dataLink_.Fields(k);
            int at = -1;
            for (int i = k; i < columns_->Count(); ++i)
                if (columns_->Items(i)->GetField() == f) {
                    at = i;
                    break;
                }
            if (at < 0) {
                TColumnEx* c = columns_->InternalAdd();
                c->SetField(f);
                at = columns_->Count() - 1;
            }
            columns_->Move(at, k);
        }
        if (dataLink_.FieldCount() == 0 && columns_->Count() == 0)
            columns_->InternalAdd();
    }
    visibleColumns_.clear();
    int hiddenFrozen = 0, visibleSeen = 0;
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumnEx* c = columns_->Items(i);
        if (c->Visible()) {
            visibleColumns_.append(c);
            ++visibleSeen;
        } else if (visibleSeen < frozenCols_) {
            ++hiddenFrozen;
        }
    }
    SetColCount(std::max(1, columns_->Count() + indicatorOffset_));
    const int fixed = linkActive() || columns_->State() == csCustomized ? indicatorOffset_ + frozenCols_ + hiddenFrozen
                                                                         : indicatorOffset_ + hiddenFrozen;
    SetFixedCols(std::min(fixed, ColCount() - 1));
    titleOffset_ = CalcTitleOffset();

    // Row height from the grid font.
    const QFontMetrics fm = metrics(font_);
    const int H = fm.height();
    const int K = flat_ ? 1 : 3;
    int rowH = (rowHeight_ < 1 && rowLines_ < 1) ? H + K : (fm.height() + fm.leading()) * rowLines_ + rowHeight_;
    if (has(optionsEx_, dghFitRowHeightToText) && H > 0) {
        const int n = (rowH - K) / H, r = (rowH - K) % H;
        rowH = (r <= H / 2 && n > 0) ? n * H + K : (n + 1) * H + K;
        rowLines_ = (rowH - K) / H;
        // Keep the pair so that the next layout computes the same height again instead of adding to it.
        rowHeight_ = rowH - (fm.height() + fm.leading()) * rowLines_;
    }
    SetDefaultRowHeight(std::max(1, rowH));
    multiLineRows_ = fm.height() + fm.leading() + 4 < DefaultRowHeight();
    if (has(options_, dgTitles)) {
        int th = 0;
        if (useMultiTitle_) {
            int base = metrics(titleFont_).height() + 4;
            titleRoot_.CreateFieldTree(this, leafFieldArr_, base);
            th = std::max(1, SetChildTreeHeight(&titleRoot_));
        } else if (titleHeight_ > 0 || titleLines_ > 0) {
            const QFontMetrics tfm = metrics(titleFont_);
            th = titleLines_ * tfm.height() + tfm.leading() + 2 + titleHeight_ + (has(options_, dgRowLines) ? 1 : 0);
        } else if (columns_->Count() == 0) {
            th = metrics(titleFont_).height() + 4;
        } else {
            for (int i = 0; i < columns_->Count(); ++i)
                th = std::max(th, metrics(columns_->Items(i)->Title().GetFont()).height() + 4);
        }
        for (int r = 0; r < titleOffset_ && r < RowCount(); ++r)
            SetRowHeights(r, th);
    }
    if (!useMultiTitle_) {
        titleRoot_.FreeAllChild();
        leafFieldArr_.clear();
    }
    const bool hVisible = horzScrollBar_.Visible() && !autoFitColWidths_;
    SetScrollBars(hVisible ? ssHorizontal : ssNone);
    SetColumnAttributes();
    if (autoFitColWidths_)
        autoFitColWidths();
    inLayout_ = false;
    layoutInProgress_ = false;
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateGrid();
}

void TCustomDBGridEx::SetColumnAttributes()
{
    if (indicatorOffset_ > 0)
        SetColWidths(0, 11);
    for (int i = 0; i < columns_->Count() && DataToRawColumn(i) < ColCount(); ++i) {
        TColumnEx* c = columns_->Items(i);
        const int w = c->Visible() ? c->Width() : (has(options_, dgColLines) ? -1 : 0);
        SetColWidths(DataToRawColumn(i), w);
    }
}

void TCustomDBGridEx::autoFitColWidths()
{
    const int n = columns_->Count();
    held_.assign(size_t(n), false);
    const int lines = has(options_, dgColLines) ? 1 : 0;
    for (int pass = 0; pass < std::max(1, int(visibleColumns_.size())); ++pass) {
        int fitSum = 0, fixedSum = 0;
        for (int i = 0; i < n; ++i) {
            TColumnEx* c = columns_->Items(i);
            if (!c->Visible())
                continue;
            if (c->AutoFitColWidth() && !held_[size_t(i)])
                fitSum += c->InitialWidth();
            else
                fixedSum += c->Width();
        }
        int available = std::max(ClientWidth(), minAutoFitWidth_) - fixedSum;
        available = std::max(0, available);
        if (has(options_, dgIndicator))
            available -= ColWidths(0);
        available -= int(visibleColumns_.size()) * lines;
        if (has(options_, dgIndicator) && lines)
            available -= 1;
        available = std::max(0, available);
        // Columns that all start from zero width share nothing: scaling by a zero sum is meaningless.
        if (fitSum <= 0)
            break;
        bool newlyHeld = false;
        for (int i = 0; i < n; ++i) {
            TColumnEx* c = columns_->Items(i);
            if (!c->Visible() || !c->AutoFitColWidth() || held_[size_t(i)])
                continue;
            const int want = gridmath::MulDiv(c->InitialWidth(), available, fitSum);
            c->SetWidth(want);
            if (c->Width() != want) {
                held_[size_t(i)] = true;
                newlyHeld = true;
            }
        }
        if (!newlyHeld) {
            int sum = 0, last = -1;
            for (int i = 0; i < n; ++i) {
                TColumnEx* c = columns_->Items(i);
                if (c->Visible() && c->AutoFitColWidth() && !held_[size_t(i)]) {
                    sum += c->Width();
                    last = i;
                }
            }
            if (last >= 0 && sum != available)
                columns_->Items(last)->SetWidth(std::max(0, columns_->Items(last)->Width() + available - sum));
            break;
        }
    }
    SetColumnAttributes();
}

int TCustomDBGridEx::VisibleDataRowCount() const
{
    const int lw = has(options_, dgRowLines) ? GridLineWidth() : 0;
    int titleH = 0;
    for (int r = 0; r < titleOffset_ && r < RowCount(); ++r)
        titleH += RowHeights(r) + lw;
    const int rowExt = DefaultRowHeight() + lw;
    int footerH = footerRowCount_ > 0 ? footerRowCount_ * rowExt : 0;
    return std::max(1, (ClientHeight() - titleH - footerH) / std::max(1, rowExt));
}

int TCustomDBGridEx::DataRowCount() const
{
    return RowCount() - titleOffset_ - (footerRowCount_ > 0 ? footerRowCount_ + 1 : 0);
}

void TCustomDBGridEx::UpdateRowCount()
{
    const int old = RowCount();
    if (RowCount() < titleOffset_ + 1)
        SetRowCount(titleOffset_ + 1);
    SetFixedRows(titleOffset_);
    const int lw = has(options_, dgRowLines) ? GridLineWidth() : 0;
    int records = 1;
    if (linkActive()) {
        dataLink_.SetBufferCount(VisibleDataRowCount());
        records = std::max(1, dataLink_.RecordCount());
    }
    const int footers = footerRowCount_ > 0 ? footerRowCount_ + 1 : 0;
    const int newCount = titleOffset_ + records + footers;
    if (Row() >= newCount)
        MoveColRow(Col(), newCount - 1, true, false);
    SetRowCount(newCount);
    for (int r = titleOffset_; r < newCount; ++r)
        if (RowHeights(r) != DefaultRowHeight())
            SetRowHeights(r, DefaultRowHeight());
    if (footers > 0) {
        // The filler row before the footers takes what is left, so the footers sit at the bottom.
        int used = 0;
        for (int r = 0; r < newCount; ++r)
            if (r != titleOffset_ + records)
                used += RowHeights(r) + lw;
        SetRowHeights(titleOffset_ + records, std::max(0, ClientHeight() - used - lw));
    }
    if (TopRow() != titleOffset_)
        SetTopRow(titleOffset_);
    if (old != RowCount())
        InvalidateGrid();
    // A new record window places the current record on another row.
    UpdateActive();
}

void TCustomDBGridEx::UpdateScrollRange()
{
    // Columns scroll through the base; the vertical bar is the record bar.
    TCustomGrid::UpdateScrollRange();
    if (!inLayout_)
        UpdateScrollBar();
}

void TCustomDBGridEx::UpdateScrollBar()
{
    ScrollInfo si;
    if (!linkActive()) {
        si = {0, 1, 2, 0};
    } else if (sumList_.IsSequenced()) {
        const int page = VisibleDataRowCount();
        const int count = sumList_.RecordCount();
        si.min = 1;
        si.page = page;
        si.max = count + page - 1;
        const TDataSetState st = dataLink_.DataSet()->State();
        si.pos = (st == dsBrowse || st == dsEdit) ? sumList_.GetRecNo() : scrollInfo_.pos;
    } else {
        si.min = 0;
        si.page = 0;
        si.max = 4;
        si.pos = dataLink_.Bof() ? 0 : dataLink_.Eof() ? 4 : 2;
    }
    scrollInfo_ = si;
    // A bar that is not needed stays in place, disabled, unless it is set to hide.
    const bool needed = linkActive() && (si.page > 0 ? sumList_.RecordCount() > si.page : si.max > si.min);
    SetVerticalScrollInfo(si.min, si.max, si.page, si.pos);
    if (QScrollBar* ext = vertScrollBar_.ExtScrollBar()) {
        ext->blockSignals(true);
        ext->setRange(si.min, si.page > 0 ? std::max(si.min, si.max - si.page + 1) : si.max);
        ext->setPageStep(std::max(1, si.page));
        ext->setValue(si.pos);
        ext->setEnabled(needed);
        ext->blockSignals(false);
    }
    // With an external bar standing in, the grid's own vertical bar stays hidden.
    const Qt::ScrollBarPolicy policy = vertScrollBar_.Visible() && !vertScrollBar_.ExtScrollBar()
                                           ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
    verticalScrollBar()->setEnabled(needed);
}

void TCustomDBGridEx::VerticalScrollAction(int action, int trackPos)
{
    if (!AcquireFocus() || !linkActive())
        return;
    TDataSet* ds = dataLink_.DataSet();
    switch (action) {
    case SB_LINEUP: moveBy(-dataLink_.ActiveRecord() - 1); break;
    case SB_LINEDOWN: moveBy(dataLink_.RecordCount() - dataLink_.ActiveRecord()); break;
    case SB_PAGEUP: moveBy(-VisibleDataRowCount()); break;
    case SB_PAGEDOWN: moveBy(VisibleDataRowCount()); break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    case SB_THUMBTRACK:
        if (vertScrollBar_.Tracking()) {
            thumbTracked_ = true;
            moveBy(trackPos - sumList_.GetRecNo());
        }
        break;
    case SB_THUMBPOSITION:
        if (thumbTracked_) {
            thumbTracked_ = false;
            break;
        }
        if (sumList_.IsSequenced()) {
            if (trackPos <= 1)
                ds->First();
            else if (trackPos < sumList_.RecordCount())
                sumList_.SetRecNo(trackPos);
            else
                ds->Last();
        } else {
            switch (trackPos) {
            case 0: ds->First(); break;
            case 1: moveBy(-VisibleDataRowCount()); break;
            case 3: moveBy(VisibleDataRowCount()); break;
            case 4: ds->Last(); break;
            default: break;
            }
        }
        break;
    default:
        break;
    }
    UpdateScrollBar();
}

void TCustomDBGridEx::UpdateHorzExtScrollBar()
{
    QScrollBar* ext = horzScrollBar_.ExtScrollBar();
    if (!ext)
        return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const int page = VisibleColCount();
    const bool allVisible = LeftCol() == FixedCols() && di.Horz.LastFullVisibleCell >= ColCount() - 1;
    const int max = allVisible ? 0 : 127;
    // The last left column that still fills the window.
    int lastLeft = ColCount() - 1, sum = 0;
    for (; lastLeft >= FixedCols(); --lastLeft) {
        sum += ColWidths(lastLeft) + di.Horz.EffectiveLineWidth;
        if (sum > di.Horz.GridExtent - di.Horz.FixedBoundary)
            break;
    }
    lastLeft = std::max(FixedCols(), lastLeft + 1);
    const int pos = lastLeft > FixedCols() ? gridmath::MulDiv(LeftCol() - FixedCols(), 127, lastLeft - FixedCols()) : 0;
    if (max == extHorzMax_ && page == extHorzPage_ && pos == extHorzPos_)
        return;
    extHorzMax_ = max;
    extHorzPage_ = page;
    extHorzPos_ = pos;
    ext->blockSignals(true);
    ext->setRange(0, max);
    ext->setPageStep(std::max(1, page));
    ext->setValue(pos);
    ext->blockSignals(false);
}

void TCustomDBGridEx::ExtScrollAction(bool vertical, int qtAction, int pos)
{
    int code = SB_THUMBPOSITION;
    switch (qtAction) {
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
    default: break;
    }
    if (vertical) {
        VerticalScrollAction(code, pos);
        return;
    }
    // The external horizontal bar runs from 0 to 127 over the scrollable columns.
    if (code == SB_THUMBTRACK && !horzScrollBar_.Tracking())
        return;
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        const int span = std::max(0, ColCount() - 1 - FixedCols());
        SetLeftCol(FixedCols() + gridmath::MulDiv(pos, span, 127));
    } else {
        HorizontalScrollAction(code, pos);
    }
    UpdateHorzExtScrollBar();
}

void TCustomDBGridEx::moveBy(int distance)
{
    if (distance != 0 && linkActive())
        dataLink_.MoveBy(distance);
}

void TCustomDBGridEx::ColWidthsChanged()
{
    if ((linkActive() || columns_->State() == csCustomized) && AcquireLayoutLock()) {
        const rtl::TScopeGuard endLayout([this] { EndLayout(); });
        for (int i = 0; i < columns_->Count() && DataToRawColumn(i) < ColCount(); ++i) {
            TColumnEx* c = columns_->Items(i);
            const int raw = DataToRawColumn(i);
            const int w = ColWidths(raw);
            if (!c->Visible())
                continue;
            const int allowed = c->AllowableWidth(w);
            if (!autoFitColWidths_) {
                c->SetWidth(allowed);
            } else if (allowed != c->Width()) {
                if (has(optionsEx_, dghResizeWholeRightPart)) {
                    // The whole part right of the sized column shares what is left, in proportion.
                    const int oldWidth = c->Width();
                    c->SetInitialWidth(oldWidth > 0 ? gridmath::MulDiv(c->InitialWidth(), allowed, oldWidth) : allowed);
                    int rightNow = 0, rightInitial = 0;
                    for (int k = i + 1; k < columns_->Count(); ++k) {
                        TColumnEx* r = columns_->Items(k);
                        if (r->Visible() && r->AutoFitColWidth()) {
                            rightNow += r->Width();
                            rightInitial += r->InitialWidth();
                        }
                    }
                    const int rightAfter = std::max(0, rightNow - (allowed - oldWidth));
                    for (int k = i + 1; k < columns_->Count(); ++k) {
                        TColumnEx* r = columns_->Items(k);
                        if (r->Visible() && r->AutoFitColWidth() && rightInitial > 0)
                            r->SetInitialWidth(std::max(1, gridmath::MulDiv(r->InitialWidth(), rightAfter, rightInitial)));
                    }
                    break;
                } else if (!c->AutoFitColWidth()) {
                    c->SetWidth(allowed);
                } else {
                    const int oldInitial = c->InitialWidth();
                    const int newInitial = c->Width() > 0 ? gridmath::MulDiv(oldInitial, allowed, c->Width()) : allowed;
                    c->SetInitialWidth(newInitial);
                    for (int k = i + 1; k < columns_->Count(); ++k)
                        if (columns_->Items(k)->Visible()) {
                            TColumnEx* next = columns_->Items(k);
                            next->SetInitialWidth(std::max(0, next->InitialWidth() - (newInitial - oldInitial)));
                            break;
                        }
                }
            }
        }
    } else {
        InvalidateEditor();
        if (OnColWidthsChanged)
            OnColWidthsChanged(this);
    }
}

void TCustomDBGridEx::EndUpdate()
{
    if (updateLock_ > 0 && --updateLock_ == 0 && resizePending_) {
        resizePending_ = false;
        GridResized();
    }
}

void TCustomDBGridEx::RowHeightsChanged()
{
    if (!sizedByUser_)
        return;
    // The user sized a row: that height becomes the height of every data row.
    for (int r = titleOffset_; r < RowCount(); ++r)
        if (RowHeights(r) != DefaultRowHeight()) {
            rowLines_ = 0;
            rowHeight_ = RowHeights(r);
            break;
        }
    LayoutChanged();
    UpdateScrollBar();
}

void TCustomDBGridEx::ChangeScale(int m, int d)
{
    if (m == d || d == 0)
        return;
    auto scale = [m, d](gfx::TFont& f) { f.SetHeight(gridmath::MulDiv(f.Height(), m, d)); };
    BeginLayout();
    scale(titleFont_);
    scale(footerFont_);
    int before = 0, scaledBefore = 0;
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumnEx* c = columns_->Items(i);
        if (c->AssignedValues() & bit(cvFont))
            scale(c->Font());
        if (c->AssignedValues() & bit(cvTitleFont))
            scale(c->Title().GetFont());
        before += c->Width();
        const int scaledUpTo = gridmath::MulDiv(before, m, d);
        c->SetWidth(scaledUpTo - scaledBefore);
        scaledBefore = scaledUpTo;
    }
    EndLayout();
}

void TCustomDBGridEx::GridResized()
{
    // A size change during an update (a scroll bar coming or going while laying out) is handled after it.
    if (updateLock_ > 0) {
        resizePending_ = true;
        return;
    }
    if (autoFitColWidths_) {
        LayoutChanged();
        InvalidateEditor();
    } else {
        UpdateRowCount();
        UpdateScrollBar();
    }
}

void TCustomDBGridEx::TopLeftChanged()
{
    InvalidateGrid();
    UpdateHorzExtScrollBar();
}

void TCustomDBGridEx::ColumnMoved(int from, int to)
{
    const int f = RawToDataColumn(from), t = RawToDataColumn(to);
    if (f >= 0 && f < columns_->Count() && t >= 0 && t < columns_->Count())
        columns_->Items(f)->SetIndex(t);
    if (OnColumnMoved)
        OnColumnMoved(this, f, t);
}

int TCustomDBGridEx::StdDefaultRowHeight()
{
    const QFontMetrics fm = metrics(font_);
    return fm.boundingRect(QStringLiteral("Wg")).height() + 3 + (has(options_, dgRowLines) ? GridLineWidth() : 0);
}

THeadTreeNode* TCustomDBGridEx::TitleLeaf(int dataCol) const
{
    return useMultiTitle_ && dataCol >= 0 && dataCol < int(leafFieldArr_.size()) ? leafFieldArr_[size_t(dataCol)] : nullptr;
}

int TCustomDBGridEx::SetChildTreeHeight(THeadTreeNode* node)
{
    if (!node->Child)
        return 0;
    QImage scratch(1, 1, QImage::Format_RGB32);
    gfx::TCanvas measure(&scratch);
    int m = 0;
    THeadTreeNode* c = node->Child;
    do {
        const int s = c->Child ? SetChildTreeHeight(c) : 0;
        const gfx::TFont& font = c->Column ? c->Column->Title().GetFont() : titleFont_;
        measure.Font().Assign(font);
        const QString text = c->Text.isEmpty() ? QStringLiteral(" ") : c->Text;
        int t = 0;
        if (c->Column && c->Column->Title().Orientation() == tohVertical) {
            t = c->Width < 1 ? 0 : measure.TextWidth(text) + 6;
        } else {
            if (c->Width >= 1) {
                gfx::TRect r(0, 0, std::max(1, c->Width - 4 - c->MarkerSpace), 0);
                t = measure.DrawText(text, r, gfx::DT_CALCRECT | gfx::DT_WORDBREAK | gfx::DT_NOPREFIX);
            }
            t += vTitleMargin_;
        }
        m = std::max(m, s + t);
        c = c->Next;
    } while (c != node->Child);
    c = node->Child;
    do {
        c->Height = c->Child ? m - c->Height : m;
        c = c->Next;
    } while (c != node->Child);
    node->Height = m;
    return m;
}
