#include "grid/ColumnTitleDefValuesEx.h"
#include "grid/ColumnDefValuesEx.h"
#include "grid/DBGridEx.h"

TCustomDBGridEx* TColumnTitleDefValuesEx::grid() const { return owner_ ? owner_->Grid() : nullptr; }

TAlignment TColumnTitleDefValuesEx::Alignment() const
{
    if (has(assigned_, cvdpTitleAlignmentEx))
        return alignment_;
    return grid() && grid()->UseMultiTitle() ? taCenter : taLeftJustify;
}

void TColumnTitleDefValuesEx::SetAlignment(TAlignment a)
{
    if (has(assigned_, cvdpTitleAlignmentEx) && a == alignment_)
        return;
    alignment_ = a;
    assigned_ |= bit(cvdpTitleAlignmentEx);
    if (grid())
        grid()->InvalidateGrid();
}

gfx::TColor TColumnTitleDefValuesEx::Color() const
{
    if (has(assigned_, cvdpTitleColorEx))
        return color_;
    return grid() ? grid()->FixedColor() : gfx::clBtnFace;
}

void TColumnTitleDefValuesEx::SetColor(gfx::TColor c)
{
    if (has(assigned_, cvdpTitleColorEx) && c == color_)
        return;
    color_ = c;
    assigned_ |= bit(cvdpTitleColorEx);
    if (grid())
        grid()->InvalidateGrid();
}

void TColumnTitleDefValuesEx::SetEndEllipsis(bool v)
{
    if (v == endEllipsis_)
        return;
    endEllipsis_ = v;
    if (grid())
        grid()->InvalidateGrid();
}

void TColumnTitleDefValuesEx::SetOrientation(TTextOrientationEx o)
{
    if (o == orientation_)
        return;
    orientation_ = o;
    if (grid())
        grid()->LayoutChanged();
}

void TColumnTitleDefValuesEx::Assign(const TColumnTitleDefValuesEx& source)
{
    if (has(assigned_, cvdpTitleAlignmentEx))
        SetAlignment(source.Alignment());
    if (has(assigned_, cvdpTitleColorEx))
        SetColor(source.Color());
    SetEndEllipsis(source.EndEllipsis());
    titleButton_ = source.titleButton_;
    toolTips_ = source.toolTips_;
    SetOrientation(source.Orientation());
}
