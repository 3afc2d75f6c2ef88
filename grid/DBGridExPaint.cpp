// TCustomDBGridEx: painting of the whole control and of each cell, footers and the default cell painters.
#include "grid/ActiveBookmark.h"
#include "grid/DBGridEx.h"
#include "grid/GridGlyphs.h"
#include "grid/GridSettings.h"
#include "grid/TextWriters.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/data/FloatField.h"
#include "platform/graphics/CheckBox.h"
#include "platform/graphics/Edge.h"
#include "platform/rtl/FormatFloat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuard.h"
#include <QPainter>

using namespace gfx;

void TCustomDBGridEx::loadGlyphs()
{
    indicatorGlyphs_ = gridglyphs::IndicatorGlyphs();
    sortGlyphs_ = gridglyphs::SortGlyphs();
    RecreateInplaceSearchIndicator();
}

QColor TCustomDBGridEx::FixedLineColor() const { return ToQColor(flat_ ? clGray : clBlack); }
QColor TCustomDBGridEx::DataLineColor() const { return ToQColor(color_ == clSilver ? clGray : clSilver); }
QColor TCustomDBGridEx::FixedFillColor() const { return ToQColor(fixedColor_); }
QColor TCustomDBGridEx::DataFillColor() const { return ToQColor(color_); }

void TCustomDBGridEx::Paint(QPainter& painter, const QRect& clip)
{
    if (layoutInProgress_)
        return;
    canvas_.SetPainter(&painter);
    // The painter ends with this paint, also when a handler throws: the canvas must not keep it.
    const rtl::TScopeGuard release([this] { canvas_.SetPainter(nullptr); });
    TCustomGrid::Paint(painter, clip);
    if (useMultiTitle_ && has(options_, dgTitles))
        titleRoot_.DoForAllNode([](THeadTreeNode* n) { n->Drawn = false; });
}

TGridDrawState TCustomDBGridEx::CellState(int c, int r, bool fixed, bool focused) const
{
    // Only the current cell (or row) counts as selected: selections of their own paint through HighlightCell.
    if (fixed)
        return gdFixed;
    TGridDrawState st = 0;
    if (focused && c == Col() && r == Row())
        st |= gdFocused;
    if (r == Row() && (HasOption(goRowSelect) || c == Col()))
        st |= gdSelected;
    return st;
}

void TCustomDBGridEx::FillCell(QPainter&, int c, int r, const QRect& rect, bool fixed)
{
    // Multi-level titles fill their own bands, which reach over neighbouring cells.
    const bool multiTitle = useMultiTitle_ && r < titleOffset_ && c >= indicatorOffset_;
    if (defaultDrawing_ && !multiTitle) {
        canvas_.Brush().SetColor(fixed ? fixedColor_ : color_);
        canvas_.FillRect(TRect::fromQRect(rect));
    }
}

void TCustomDBGridEx::PaintOverCells(QPainter&, const TGridDrawInfo&)
{
    if (CanDrawFocusRowRect() && linkActive()) {
        const QRect box = BoxRect(FixedCols(), Row(), ColCount() - 1, Row());
        if (!box.isEmpty()) {
            canvas_.Brush().SetColor(color_);
            canvas_.DrawFocusRect(TRect::fromQRect(box));
        }
    }
}

void TCustomDBGridEx::FillBackground(QPainter&, const QRect& rect)
{
    canvas_.Brush().SetColor(color_);
    canvas_.FillRect(TRect::fromQRect(rect));
}

bool TCustomDBGridEx::CanDrawFocusRowRect() const
{
    return has(options_, dgRowSelect) && defaultDrawing_ && GridFocused();
}

bool TCustomDBGridEx::CellHave3DRect(int c, int r, TGridDrawState state) const
{
    const int dr = r - titleOffset_, dc = c - indicatorOffset_;
    const int F = footerRowCount_;
    const int S = RowCount() - F - 1 - titleOffset_;
    const bool fixed = state & gdFixed;
    if (has(optionsEx_, dghFixed3D) && fixed && (dr < 0 || dc < 0) && !(F > 0 && dr == S))
        return true;
    if (has(optionsEx_, dghFooter3D) && F > 0 && dr > S)
        return true;
    if (has(optionsEx_, dghData3D) && !fixed && (F == 0 || dr <= S))
        return true;
    if (has(optionsEx_, dghFixed3D) && (has(optionsEx_, dghData3D) || has(optionsEx_, dghFrozen3D)) && F > 0
        && dr == S && dc < 0)
        return true;
    return has(optionsEx_, dghFrozen3D) && fixed && dr >= 0 && dc >= 0;
}

void TCustomDBGridEx::DrawEdgeEx(const TRect& rect, bool sunkenA, bool sunkenB, bool leftSide, bool rightSide)
{
    const unsigned edge = (sunkenA || sunkenB) ? BDR_SUNKENINNER : BDR_RAISEDINNER;
    if (!flat_) {
        if (leftSide && rightSide) {
            DrawEdge(canvas_, rect, edge, BF_RECT);
        } else {
            DrawEdge(canvas_, rect, edge, leftSide ? BF_TOPLEFT : BF_TOP);
            DrawEdge(canvas_, rect, edge, rightSide ? BF_BOTTOMRIGHT : BF_BOTTOM);
        }
        return;
    }
    canvas_.Pen().SetColor(canvas_.Brush().Color());
    canvas_.MoveTo(rect.Left, rect.Bottom - 1);
    canvas_.LineTo(rect.Right, rect.Bottom - 1);
    if (rightSide) {
        canvas_.MoveTo(rect.Right - 1, rect.Top);
        canvas_.LineTo(rect.Right - 1, rect.Bottom);
    }
    DrawEdge(canvas_, rect, edge, leftSide ? BF_TOPLEFT : BF_TOP);
}

void TCustomDBGridEx::WriteCellText(const TRect& rect, bool fillRect, int dx, int dy, const QString& text, TAlignment a,
                                    TTextLayout layout, bool multiLine, bool endEllipsis, int leftMarg, int rightMarg)
{
    WriteTextEx(canvas_, rect, fillRect, dx, dy, text, a, layout, multiLine, endEllipsis, leftMarg, rightMarg);
}

void TCustomDBGridEx::DrawSubTitleCell(int, int, const TRect& rect, TGridDrawState)
{
    canvas_.Brush().SetColor(color_);
    canvas_.FillRect(rect);
}

void TCustomDBGridEx::DrawCell(int c, int r, const QRect& qrect, TGridDrawState state)
{
    cellParams_.Col = c;
    cellParams_.Row = r;
    TRect ar = TRect::fromQRect(qrect);
    if (ar.IsEmpty())
        return;
    const bool draw3D = CellHave3DRect(c, r, state);
    const int dr = r - titleOffset_, dc = c - indicatorOffset_;
    int dx = 2;
    if (draw3D) {
        InflateRect(ar, -1, -1);
        dx = 1;
    }
    const int dy = dx - (flat_ ? 1 : 0);
    bool pressed = false;
    if (dc >= 0) {
        TColumnEx* column = dc < columns_->Count() ? columns_->Items(dc) : nullptr;
        if (!column) {
            canvas_.Brush().SetColor(dr < 0 ? fixedColor_ : color_);
            canvas_.FillRect(ar);
        } else if (dr < 0) {
            if (dr == -titleOffset_ && has(options_, dgTitles) && TitleLeaf(dc)) {
                drawMultiTitleCell(dc, column, TRect::fromQRect(qrect), dx, dy);
                return;
            } else if (dr == -titleOffset_ && has(options_, dgTitles)) {
                pressed = pressedTitle_ == c && titlePressedDown_;
                drawTitleCell(column, ar, dx, dy, state);
            } else {
                DrawSubTitleCell(c, r, ar, state);
            }
        } else if (!linkActive()) {
            canvas_.Brush().SetColor(color_);
            canvas_.FillRect(ar);
        } else {
            const int records = std::max(1, dataLink_.RecordCount());
            if (footerRowCount_ > 0 && dr >= records) {
                if (dr == records) {
                    canvas_.Brush().SetColor(columnMarked(column) ? clHighlight : color_);
                    canvas_.FillRect(ar);
                } else {
                    drawFooterRowCell(dc, dr - records - 1, column, ar, state);
                }
            } else if (dr >= dataLink_.RecordCount()) {
                canvas_.Brush().SetColor(color_);
                canvas_.FillRect(ar);
            } else {
                drawDataRowCell(dc, dr, column, ar, dx, dy, state);
            }
        }
    } else {
        drawIndicatorCell(dr, ar, state, dx);
    }
    if (draw3D) {
        InflateRect(ar, 1, 1);
        DrawEdgeEx(ar, pressed, false, true, true);
    }
}

void TCustomDBGridEx::drawTitleCell(TColumnEx* column, TRect rect, int dx, int dy, TGridDrawState)
{
    TColumnTitleEx& title = column->Title();
    canvas_.Font().Assign(title.GetFont());
    canvas_.Brush().SetColor(title.Color());
    const bool pressed = titlePressedDown_ && pressedTitle_ == DataToRawColumn(column->Index());
    const bool titleImage = titleImages_ && title.ImageIndex() >= 0 && title.ImageIndex() < int(titleImages_->size());
    const QString caption = titleImage ? QString() : title.Caption();
    TSortMarkerEx marker = title.SortMarker();
    const bool singleLine = titleHeight_ == 0 && titleLines_ == 0 && !useMultiTitle_;
    int offset = 0;
    if (pressed) {
        offset = singleLine ? 1 : 2;
        rect.Top += offset;
    }
    TRect textRect = rect;
    const int glyph = marker == smDownEx ? gridglyphs::SortDown : marker == smUpEx ? gridglyphs::SortUp : -1;
    if (glyph >= 0)
        textRect.Right -= 16;
    if (selection_.SelectionType() == gstAll
        || (selection_.SelectionType() == gstColumns && selection_.Columns().Contains(column))) {
        canvas_.Brush().SetColor(RGB(64, 64, 64));
        canvas_.Font().SetColor(clWhite);
    }
    canvas_.FillRect(rect);
    if (title.Orientation() == tohVertical) {
        WriteTextVerticalEx(canvas_, textRect, false, dx, dy + 2, caption, title.Alignment(), tlBottom,
                            title.EndEllipsis());
    } else if (singleLine) {
        OffsetRect(textRect, offset, 0);
        WriteCellText(textRect, false, dx, dy, caption, title.Alignment(), tlTop, false, title.EndEllipsis(), offset, -offset);
    } else {
        WriteCellText(textRect, false, dx, dy, caption, title.Alignment(), tlCenter, true, title.EndEllipsis(), offset, -offset);
    }
    if (titleImage)
        drawImageCentred((*titleImages_)[size_t(title.ImageIndex())], textRect, useMultiTitle_ ? taCenter : title.Alignment());
    if (glyph >= 0) {
        // The marker in the 16 pixels kept at the right; with several sorted columns, its number beside it.
        const QImage& g = sortGlyphs_[size_t(glyph)];
        const bool numbered = sortMarkedColumns_.size() > 1;
        const int x = textRect.Right + (numbered ? 1 : (16 - g.width()) / 2);
        const int y = (rect.Top + rect.Bottom - g.height()) / 2 + offset;
        canvas_.DrawImage(TRect(x, y, x + g.width(), y + g.height()), g);
        if (numbered) {
            const TColor brush = canvas_.Brush().Color();
            canvas_.Font().Assign(DBGridExSettings().SortMarkerFont);
            if (selection_.SelectionType() == gstAll)
                canvas_.Font().SetColor(clWhite);
            canvas_.Brush().SetStyle(bsClear);
            canvas_.TextOut(x + g.width(), y, QString::number(title.SortIndex()));
            canvas_.Brush().SetColor(brush);
        }
    }
}

void TCustomDBGridEx::drawImageCentred(const QImage& image, const TRect& area, TAlignment alignment)
{
    int x = area.Left + (area.Width() - image.width()) / 2;
    if (alignment == taLeftJustify)
        x = area.Left + 2;
    else if (alignment == taRightJustify)
        x = area.Right - image.width() - 2;
    const int y = area.Top + (area.Height() - image.height()) / 2;
    // Clipped to the cell, within the clip the paint already has.
    const bool clipped = canvas_.HasClip();
    const QRegion kept = clipped ? canvas_.ClipRegion() : QRegion();
    canvas_.IntersectClipRect(area);
    canvas_.DrawImage(TRect(x, y, x + image.width(), y + image.height()), image);
    if (clipped)
        canvas_.SetClipRegion(kept);
    else
        canvas_.ClearClip();
}

void TCustomDBGridEx::drawMultiTitleCell(int dataCol, TColumnEx* column, const TRect& cell, int dx, int dy)
{
    THeadTreeNode* leaf = TitleLeaf(dataCol);
    const bool selected = selection_.SelectionType() == gstAll;
    const bool edges = has(optionsEx_, dghFixed3D);
    // The leaf's own band, from under its parent to the bottom of the title.
    TRect band(cell.Left, std::max(cell.Top, cell.Bottom - leaf->Height), cell.Right, cell.Bottom);
    canvas_.Font().Assign(column->Title().GetFont());
    canvas_.Brush().SetColor(selected ? RGB(64, 64, 64) : column->Title().Color());
    if (selected)
        canvas_.Font().SetColor(clWhite);
    canvas_.FillRect(band);
    TRect text = band;
    if (edges)
        InflateRect(text, -1, -1);
    text.Top = band.Top + 3 - (edges ? 1 : 0);
    if (column->Title().SortMarker() != smNoneEx)
        text.Right -= 16;
    WriteCellText(text, false, dx, dy, leaf->Text, taCenter, tlCenter, true, column->Title().EndEllipsis(), 0, 0);
    if (edges)
        DrawEdgeEx(band, titlePressedDown_ && pressedTitle_ == DataToRawColumn(dataCol), false, true, true);
    // The parents above, each once per paint, over the span of all their leaves.
    int left = cell.Left;
    for (THeadTreeNode* child = leaf; child->Host && child->Host != &titleRoot_; child = child->Host) {
        THeadTreeNode* parent = child->Host;
        for (THeadTreeNode* n = parent->Child; n != child; n = n->Next)
            left -= n->Width + n->LineWidth;
        if (parent->Drawn)
            continue;
        parent->Drawn = true;
        int top = cell.Top;
        for (THeadTreeNode* a = parent->Host; a && a != &titleRoot_; a = a->Host)
            top += a->Height;
        TRect r(left, top, left + parent->Width, top + parent->Height);
        canvas_.Font().Assign(titleFont_);
        canvas_.Brush().SetColor(selected ? RGB(64, 64, 64) : ColumnDefValues().Title().Color());
        if (selected)
            canvas_.Font().SetColor(clWhite);
        canvas_.FillRect(r);
        TRect t = r;
        InflateRect(t, -1, -1);
        WriteCellText(t, false, 1, 1, parent->Text, taCenter, tlCenter, true, false, 0, 0);
        if (edges)
            DrawEdgeEx(TRect(r.Left, r.Top, r.Right, r.Bottom - (has(options_, dgRowLines) ? 1 : 0)), false, false, true, true);
        if (has(options_, dgRowLines)) {
            canvas_.Brush().SetColor(flat_ ? clGray : clBlack);
            canvas_.FillRect(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
        }
    }
}

bool TCustomDBGridEx::HighlightCell(int dataCol, int, const QString&, TGridDrawState& state)
{
    if (has(options_, dgMultiSelect) && linkActive()) {
        if (selection_.DataCellSelected(dataCol, gridbookmark::ActiveBookmark(dataLink_.DataSet())))
            return true;
    }
    const bool currentRow = dataLink_.ActiveRecord() + titleOffset_ == Row();
    bool focusHighlight = GridFocused() && has(optionsEx_, dghHighlightFocus);
    if (has(optionsEx_, dghRowHighlight) && currentRow && selection_.SelectionType() == gstNon
        && DataToRawColumn(dataCol) != Col()) {
        focusHighlight = true;
        state |= gdSelected;
    }
    if (!(state & gdSelected))
        return false;
    if (!has(options_, dgAlwaysShowSelection) && !focusHighlight)
        return false;
    return updateLock_ == 0 || has(options_, dgRowSelect);
}

void TCustomDBGridEx::drawDataRowCell(int dc, int dr, TColumnEx* column, TRect rect, int dx, int dy,
                                      TGridDrawState state)
{
    const int saved = dataLink_.ActiveRecord();
    dataLink_.SetActiveRecord(dr);
    const rtl::TScopeGuard activeBack([&] { dataLink_.SetActiveRecord(saved); });
    canvas_.Font().Assign(column->Font());
    canvas_.Brush().SetColor(column->Color());
    const QString text = column->DisplayText();
    if (HighlightCell(dc, dr, text, state)) {
        canvas_.Brush().SetColor(clHighlight);
        canvas_.Font().SetColor(clHighlightText);
        state |= gdSelected;
    }
    const TColumnExType type = column->GetColumnType();
    cellParams_.State = state;
    cellParams_.Font = &canvas_.Font();
    cellParams_.Alignment = column->Alignment();
    cellParams_.Background = canvas_.Brush().Color();
    cellParams_.Text = text;
    cellParams_.ImageIndex = type == ctKeyImageList ? column->GetImageIndex() : -1;
    cellParams_.CheckboxState = type == ctCheckboxes ? column->GetCheckboxState() : cbUnchecked;
    cellParams_.ReadOnly = column->ReadOnly();
    GetCellParams(column, canvas_.Font(), cellParams_.Background, state);
    column->GetColCellParams(false, cellParams_);
    canvas_.Brush().SetColor(cellParams_.Background);
    TRect textRect = rect;
    if (column->AlwaysShowEditButton())
        textRect.Right -= column->EditButtonsWidth();
    if (defaultDrawing_ && !textRect.IsEmpty()) {
        switch (type) {
        case ctKeyImageList:
            canvas_.FillRect(textRect);
            if (const TImageListEx* images = column->ImageList();
                images && cellParams_.ImageIndex >= 0 && cellParams_.ImageIndex < int(images->size()))
                drawImageCentred((*images)[size_t(cellParams_.ImageIndex)], textRect, taCenter);
            break;
        case ctCheckboxes:
            canvas_.FillRect(textRect);
            PaintButtonControlEx(canvas_, textRect, canvas_.Brush().Color(), bcsCheckboxEx, 0, flat_, false, true,
                                 cellParams_.CheckboxState);
            break;
        default:
            WriteCellText(textRect, true, dx, dy, cellParams_.Text, cellParams_.Alignment, tlTop,
                          column->WordWrap() && multiLineRows_, column->EndEllipsis(), 0, 0);
            if (inplaceSearching_ && dr == saved && dc == SelectedIndex())
                drawSearchMatch(textRect, dx, dy, cellParams_.Text, cellParams_.Alignment);
            break;
        }
    }
    if (columns_->State() == csDefault)
        DrawDataCell(rect, column->GetField(), state);
    DrawColumnCell(rect, dc, column, state);
    if (defaultDrawing_ && (state & gdFocused) && (has(options_, dgAlwaysShowSelection) || GridFocused())
        && !has(options_, dgRowSelect) && updateLock_ == 0 && IsActiveControl())
        canvas_.DrawFocusRect(rect);
}

void TCustomDBGridEx::drawIndicatorCell(int dr, TRect rect, TGridDrawState, int dx)
{
    const int F = footerRowCount_;
    const int S = RowCount() - F - 1 - titleOffset_;
    canvas_.Brush().SetColor((F > 0 && dr == S && !has(optionsEx_, dghFrozen3D)) ? color_ : fixedColor_);
    if (!linkActive()) {
        canvas_.FillRect(rect);
        return;
    }
    const bool recordRow = dr >= 0 && dr < dataLink_.RecordCount();
    bool multiSelected = false;
    if (recordRow && has(options_, dgMultiSelect)) {
        const int saved = dataLink_.ActiveRecord();
        dataLink_.SetActiveRecord(dr);
        multiSelected = selection_.DataCellSelected(-1, gridbookmark::ActiveBookmark(dataLink_.DataSet()));
        dataLink_.SetActiveRecord(saved);
    } else if (!recordRow) {
        multiSelected = selection_.SelectionType() == gstAll;
    }
    if (multiSelected)
        canvas_.Brush().SetColor(RGB(64, 64, 64));
    canvas_.FillRect(rect);
    const bool current = recordRow && dr == dataLink_.ActiveRecord();
    if (!current && !multiSelected)
        return;
    int glyph = -1;
    switch (dataLink_.DataSet()->State()) {
    case dsBrowse: if (current) glyph = multiSelected ? gridglyphs::ArrowOnDark : gridglyphs::Arrow; break;
    case dsEdit: glyph = current ? gridglyphs::Edit : -1; break;
    case dsInsert: glyph = current ? gridglyphs::Insert : -1; break;
    default: glyph = current ? gridglyphs::Arrow : -1; break;
    }
    if (current && inplaceSearching_)
        glyph = 6;  // the search's own arrow
    if (current)
        currentIndicatorRow_ = dr + titleOffset_;
    if (glyph < 0)
        return;
    const QImage& g = indicatorGlyphs_[size_t(glyph)];
    const int x = rect.Right - g.width() - dx;
    const int y = (rect.Top + rect.Bottom - g.height()) / 2;
    canvas_.DrawImage(TRect(x, y, x + g.width(), y + g.height()), g);
}

bool TCustomDBGridEx::columnMarked(TColumnEx* column)
{
    return selection_.SelectionType() == gstAll
           || (selection_.SelectionType() == gstColumns && selection_.Columns().Contains(column));
}

void TCustomDBGridEx::drawFooterRowCell(int dc, int fr, TColumnEx* column, TRect rect, TGridDrawState state)
{
    TColumnFooterEx& footer = column->UsedFooter(fr);
    canvas_.Font().Assign(footer.Font());
    canvas_.Brush().SetColor(footer.Color());
    if (columnMarked(column)) {
        canvas_.Brush().SetColor(clHighlight);
        canvas_.Font().SetColor(clHighlightText);
    }
    if (defaultDrawing_)
        DefaultDrawFooterCell(rect, dc, fr, column, state);
    else
        canvas_.FillRect(rect);
    if (OnDrawFooterCell)
        OnDrawFooterCell(this, dc, fr, column, rect, state);
}

void TCustomDBGridEx::DefaultDrawFooterCell(const TRect& r, int dataCol, int row, TColumnEx* column, TGridDrawState state)
{
    TRect rect = r;
    int dx = 2;
    if (has(optionsEx_, dghFooter3D)) {
        InflateRect(rect, -1, -1);
        dx = 1;
    }
    const int dy = dx - (flat_ ? 1 : 0);
    TColumnFooterEx& footer = column->UsedFooter(row);
    QString text = GetFooterValue(row, column);
    TColor background = canvas_.Brush().Color();
    TAlignment alignment = footer.Alignment();
    GetFooterParams(dataCol, row, column, canvas_.Font(), background, alignment, state, text);
    canvas_.Brush().SetColor(background);
    WriteCellText(rect, true, dx, dy, text, alignment, tlTop, footer.WordWrap() && multiLineRows_, footer.EndEllipsis(), 0, 0);
}

void TCustomDBGridEx::GetFooterParams(int dataCol, int row, TColumnEx* column, TFont& font, TColor& background,
                                      TAlignment& alignment, TGridDrawState state, QString& text)
{
    if (OnGetFooterParams)
        OnGetFooterParams(this, dataCol, row, column, font, background, alignment, state, text);
}

QString TCustomDBGridEx::GetFooterValue(int row, TColumnEx* column)
{
    TColumnFooterEx& footer = column->UsedFooter(row);
    TDataSet* ds = dataLink_.DataSet();
    switch (footer.ValueType()) {
    case fvtSum:
    case fvtAvg: {
        const QString name = footer.FieldName().isEmpty() ? column->FieldName() : footer.FieldName();
        TField* f = ds ? ds->FindField(name) : nullptr;
        if (!f)
            return QStringLiteral("0");
        const TDBSum* s = sumList_.SumCollection().GetSumByOpAndFName(footer.ValueType() == fvtSum ? goSum : goAvg, name);
        const double v = s ? s->Value() : 0.0;
        switch (f->DataType()) {
        case ftFloat:
        case ftCurrency:
        case ftBCD: {
            auto* ff = dynamic_cast<TFloatField*>(f);
            if (ff && !ff->DisplayFormat().isEmpty())
                return rtl::FormatFloat(ff->DisplayFormat(), v);
            if (ff && ff->Currency())
                return rtl::FloatToStrF(v, rtl::TFloatFormat::ffCurrency, 15, rtl::formatSettings().CurrencyDecimals);
            return rtl::FloatToStr(v);
        }
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint:
            return QString::number(qint64(std::llround(v)));
        default:
            return QStringLiteral("0");
        }
    }
    case fvtCount: {
        const TDBSum* s = sumList_.SumCollection().GetSumByOpAndFName(goCount, QString());
        return rtl::FloatToStr(s ? s->Value() : 0.0);
    }
    case fvtFieldValue: {
        TField* f = ds && ds->Active() ? ds->FindField(footer.FieldName()) : nullptr;
        return f ? f->Text() : QString();
    }
    case fvtStaticText:
        return footer.Value();
    default:
        return {};
    }
}

void TCustomDBGridEx::InvalidateFooter()
{
    if (footerRowCount_ <= 0)
        return;
    InvalidateRect(BoxRect(0, RowCount() - footerRowCount_, ColCount() - 1, RowCount() - 1));
}

void TCustomDBGridEx::GetCellParams(TColumnEx* column, TFont& font, TColor& background, TGridDrawState state)
{
    if (OnGetCellParams)
        OnGetCellParams(this, column, font, background, state);
}

void TCustomDBGridEx::DrawColumnCell(const TRect& rect, int dataCol, TColumnEx* column, TGridDrawState state)
{
    if (OnDrawColumnCell)
        OnDrawColumnCell(this, rect, dataCol, column, state);
}

void TCustomDBGridEx::DrawDataCell(const TRect& rect, TField* field, TGridDrawState state)
{
    if (OnDrawDataCell)
        OnDrawDataCell(this, rect, field, state);
}

void TCustomDBGridEx::DefaultDrawDataCell(const TRect& rect, TField* field, TGridDrawState)
{
    const QString text = field ? field->DisplayText() : QString();
    const TAlignment a = field ? field->Alignment() : taLeftJustify;
    WriteText(canvas_, rect, 2, 2, text, a);
}

void TCustomDBGridEx::DefaultDrawColumnCell(const TRect& rect, int, TColumnEx* column, TGridDrawState)
{
    int dx = 2;
    const int dy = dx - (flat_ ? 1 : 0);
    switch (column->GetColumnType()) {
    case ctKeyImageList: {
        canvas_.FillRect(rect);
        const int i = column->GetImageIndex();
        if (const TImageListEx* images = column->ImageList(); images && i >= 0 && i < int(images->size()))
            drawImageCentred((*images)[size_t(i)], rect, taCenter);
        break;
    }
    case ctCheckboxes:
        canvas_.FillRect(rect);
        PaintButtonControlEx(canvas_, rect, canvas_.Brush().Color(), bcsCheckboxEx, 0, flat_, false, true,
                             column->GetCheckboxState());
        break;
    default:
        WriteCellText(rect, true, dx, dy, column->DisplayText(), column->Alignment(), tlTop,
                      column->WordWrap() && multiLineRows_, column->EndEllipsis(), 0, 0);
        break;
    }
}

QImage TCustomDBGridEx::RenderToImage()
{
    return grab().toImage();
}
