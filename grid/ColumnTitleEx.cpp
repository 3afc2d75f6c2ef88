#include "grid/ColumnTitleEx.h"
#include "grid/FollowedFont.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/GridSettings.h"
#include "platform/data/Field.h"

TColumnTitleEx::TColumnTitleEx(TColumnEx* column) : column_(column)
{
    font_.OnChange = [this] { fontChanged(); };
}

bool TColumnTitleEx::assigned(TColumnExValue v) const { return column_ && has(column_->assigned_, v); }
void TColumnTitleEx::flag(TColumnExValue v) { column_->assigned_ |= bit(v); }

const gfx::TFont& TColumnTitleEx::defaultFont() const
{
    if (TCustomDBGridEx* g = column_->Grid())
        return g->TitleFont();
    return column_->Font();
}

void TColumnTitleEx::fontChanged()
{
    flag(cvTitleFont);
    column_->Changed(true);
}

gfx::TFont& TColumnTitleEx::GetFont()
{
    if (!assigned(cvTitleFont)) {
        const gfx::TFont& def = defaultFont();
        gridfont::Follow(font_, def, followedGeneration_, def.PixelsPerInch() != font_.PixelsPerInch());
    }
    return font_;
}

void TColumnTitleEx::RefreshDefaultFont()
{
    if (assigned(cvTitleFont))
        return;
    gridfont::Follow(font_, defaultFont(), followedGeneration_, true);
}

void TColumnTitleEx::SetFont(const gfx::TFont& f) { font_.Assign(f); }

TAlignment TColumnTitleEx::Alignment() const
{
    if (assigned(cvTitleAlignment))
        return alignment_;
    TCustomDBGridEx* g = column_->Grid();
    return g ? g->ColumnDefValues().Title().Alignment() : taLeftJustify;
}

void TColumnTitleEx::SetAlignment(TAlignment a)
{
    if (assigned(cvTitleAlignment) && a == alignment_)
        return;
    alignment_ = a;
    flag(cvTitleAlignment);
    column_->Changed(false);
}

QString TColumnTitleEx::defaultCaption() const
{
    TField* f = column_->field_;
    if (!f && column_->Grid())
        f = column_->GetField();
    return f ? f->DisplayName() : column_->FieldName();
}

QString TColumnTitleEx::Caption() const
{
    return assigned(cvTitleCaption) ? caption_ : defaultCaption();
}

bool TColumnTitleEx::IsCaptionStored() const
{
    return assigned(cvTitleCaption) && caption_ != defaultCaption();
}

void TColumnTitleEx::SetCaption(const QString& s)
{
    if (column_->SeenPassthrough()) {
        if (column_->linkActiveWithField())
            column_->GetField()->SetDisplayLabel(s);
        column_->Changed(false);
        return;
    }
    if (assigned(cvTitleCaption) && s == caption_)
        return;
    caption_ = s;
    flag(cvTitleCaption);
    column_->Changed(false);
}

gfx::TColor TColumnTitleEx::Color() const
{
    if (assigned(cvTitleColor))
        return color_;
    TCustomDBGridEx* g = column_->Grid();
    return g ? g->ColumnDefValues().Title().Color() : gfx::clBtnFace;
}

void TColumnTitleEx::SetColor(gfx::TColor c)
{
    if (assigned(cvTitleColor) && c == color_)
        return;
    color_ = c;
    flag(cvTitleColor);
    column_->Changed(false);
}

bool TColumnTitleEx::EndEllipsis() const
{
    if (assigned(cvTitleEndEllipsis))
        return endEllipsis_;
    TCustomDBGridEx* g = column_->Grid();
    return g ? g->ColumnDefValues().Title().EndEllipsis() : false;
}

void TColumnTitleEx::SetEndEllipsis(bool v)
{
    if (assigned(cvTitleEndEllipsis) && v == endEllipsis_)
        return;
    endEllipsis_ = v;
    flag(cvTitleEndEllipsis);
    column_->Changed(false);
}

TTextOrientationEx TColumnTitleEx::Orientation() const
{
    if (assigned(cvTitleOrientation))
        return orientation_;
    TCustomDBGridEx* g = column_->Grid();
    return g ? g->ColumnDefValues().Title().Orientation() : tohHorizontal;
}

void TColumnTitleEx::SetOrientation(TTextOrientationEx o)
{
    if (assigned(cvTitleOrientation) && o == orientation_)
        return;
    orientation_ = o;
    flag(cvTitleOrientation);
    column_->Changed(false);
}

bool TColumnTitleEx::TitleButton() const
{
    if (assigned(cvTitleButton))
        return titleButton_;
    TCustomDBGridEx* g = column_->Grid();
    return g ? g->ColumnDefValues().Title().TitleButton() : false;
}

void TColumnTitleEx::SetTitleButton(bool v)
{
    if (assigned(cvTitleButton) && v == titleButton_)
        return;
    titleButton_ = v;
    flag(cvTitleButton);
    column_->Changed(false);
}

bool TColumnTitleEx::ToolTips() const
{
    if (assigned(cvTitleToolTips))
        return toolTips_;
    TCustomDBGridEx* g = column_->Grid();
    return g ? g->ColumnDefValues().Title().ToolTips() : false;
}

void TColumnTitleEx::SetToolTips(bool v)
{
    toolTips_ = v;
    flag(cvTitleToolTips);
}

void TColumnTitleEx::SetImageIndex(int i)
{
    imageIndex_ = i;
    if (TCustomDBGridEx* g = column_->Grid())
        g->LayoutChanged();
}

void TColumnTitleEx::SetSortMarker(TSortMarkerEx m)
{
    if (m == sortMarker_)
        return;
    sortMarker_ = m;
    TCustomDBGridEx* g = column_->Grid();
    if (!g)
        return;
    TDBGridColumnsEx& cols = g->Columns();
    TColumnsExList& marked = g->SortMarkedColumns();
    if (!has(g->OptionsEx(), dghMultiSortMarking)) {
        if (m != smNoneEx) {
            for (int i = 0; i < cols.Count(); ++i)
                if (cols[i] != column_) {
                    cols[i]->Title().sortMarker_ = smNoneEx;
                    cols[i]->Title().sortIndex_ = 0;
                }
            sortIndex_ = 1;
            marked.clear();
            marked.append(column_);
        } else {
            sortIndex_ = 0;
            marked.clear();
        }
    } else if (m != smNoneEx && sortIndex_ == 0) {
        int n = 0;
        for (int i = 0; i < cols.Count(); ++i)
            if (cols[i]->Title().sortIndex_ != 0)
                ++n;
        sortIndex_ = n + 1;
        marked.append(column_);
    } else if (m == smNoneEx && sortIndex_ != 0) {
        for (int i = 0; i < cols.Count(); ++i)
            if (cols[i]->Title().sortIndex_ > sortIndex_)
                --cols[i]->Title().sortIndex_;
        marked.removeAll(column_);
        sortIndex_ = 0;
    }
    column_->Changed(false);
}

void TColumnTitleEx::SetSortIndex(int i)
{
    i = std::max(i, 0);
    if (i == sortIndex_ || sortMarker_ == smNoneEx)
        return;
    TCustomDBGridEx* g = column_->Grid();
    if (!g)
        return;
    TDBGridColumnsEx& cols = g->Columns();
    for (int k = 0; k < cols.Count(); ++k) {
        TColumnTitleEx& other = cols[k]->Title();
        if (cols[k] != column_ && other.sortIndex_ == i && i != 0) {
            other.sortIndex_ = sortIndex_;
            sortIndex_ = i;
            TColumnsExList& marked = g->SortMarkedColumns();
            const int a = marked.indexOf(column_), b = marked.indexOf(cols[k]);
            if (a >= 0 && b >= 0)
                marked.swapItemsAt(a, b);
            column_->Changed(false);
            return;
        }
    }
}

void TColumnTitleEx::SetNextSortMarkerValue(bool keepOthers)
{
    if (!keepOthers)
        if (TCustomDBGridEx* g = column_->Grid())
            for (int i = 0; i < g->Columns().Count(); ++i)
                if (g->Columns()[i] != column_)
                    g->Columns()[i]->Title().SetSortMarker(smNoneEx);
    switch (sortMarker_) {
    case smNoneEx: SetSortMarker(smDownEx); break;
    case smDownEx: SetSortMarker(smUpEx); break;
    case smUpEx: SetSortMarker(keepOthers ? smNoneEx : smDownEx); break;
    }
}

int TColumnTitleEx::GetSortMarkingWidth()
{
    if (sortIndex_ == 0)
        return 0;
    int w = 16;
    TCustomDBGridEx* g = column_->Grid();
    int indexWidth = 0;
    if (g && g->SortMarkedColumns().size() >= 2) {
        indexWidth = QFontMetrics(DBGridExSettings().SortMarkerFont.ToQFont()).horizontalAdvance(QString::number(sortIndex_));
        w += indexWidth;
    }
    const int width = column_->Width();
    if (w > width - 4)
        w -= 14;
    if (w > width - 4)
        w -= indexWidth + 2;
    return w;
}

void TColumnTitleEx::RestoreDefaults()
{
    const bool fontWasAssigned = assigned(cvTitleFont);
    column_->assigned_ &= ~TitleValuesMask;
    caption_.clear();
    RefreshDefaultFont();
    column_->Changed(fontWasAssigned);
}

void TColumnTitleEx::Assign(const TColumnTitleEx& source)
{
    const TColumnTitleEx& s = source;
    if (s.assigned(cvTitleAlignment))
        SetAlignment(s.Alignment());
    if (s.assigned(cvTitleColor))
        SetColor(s.Color());
    if (s.assigned(cvTitleCaption))
        SetCaption(s.Caption());
    if (s.assigned(cvTitleFont))
        SetFont(s.font_);
    SetTitleButton(s.TitleButton());
    SetSortMarker(s.SortMarker());
    SetEndEllipsis(s.EndEllipsis());
    SetToolTips(s.ToolTips());
    SetOrientation(s.Orientation());
}
