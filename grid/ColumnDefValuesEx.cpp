#include "grid/ColumnDefValuesEx.h"
#include "grid/DBGridEx.h"

void TColumnDefValuesEx::SetAlwaysShowEditButton(bool v)
{
    if (v == alwaysShowEditButton_)
        return;
    alwaysShowEditButton_ = v;
    if (grid_)
        grid_->InvalidateGrid();
}

void TColumnDefValuesEx::SetEndEllipsis(bool v)
{
    if (v == endEllipsis_)
        return;
    endEllipsis_ = v;
    if (grid_)
        grid_->InvalidateGrid();
}

void TColumnDefValuesEx::Assign(const TColumnDefValuesEx& source)
{
    title_.Assign(source.title_);
    SetAlwaysShowEditButton(source.alwaysShowEditButton_);
    SetEndEllipsis(source.endEllipsis_);
    autoDropDown_ = source.autoDropDown_;
    dblClickNextVal_ = source.dblClickNextVal_;
    toolTips_ = source.toolTips_;
    dropDownSizing_ = source.dropDownSizing_;
    dropDownShowTitles_ = source.dropDownShowTitles_;
}
