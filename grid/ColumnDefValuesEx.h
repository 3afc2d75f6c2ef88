#pragma once
// The grid's defaults for the attributes a column has not set itself, with the title defaults.
#include "grid/ColumnTitleDefValuesEx.h"

class TCustomDBGridEx;

class TColumnDefValuesEx {
public:
    explicit TColumnDefValuesEx(TCustomDBGridEx* grid) : grid_(grid), title_(this) {}
    virtual ~TColumnDefValuesEx() = default;
    TColumnDefValuesEx(const TColumnDefValuesEx&) = delete;
    TColumnDefValuesEx& operator=(const TColumnDefValuesEx&) = delete;
    TCustomDBGridEx* Grid() const { return grid_; }

    bool AlwaysShowEditButton() const { return alwaysShowEditButton_; }
    void SetAlwaysShowEditButton(bool v);
    bool AutoDropDown() const { return autoDropDown_; }
    void SetAutoDropDown(bool v) { autoDropDown_ = v; }
    bool DblClickNextVal() const { return dblClickNextVal_; }
    void SetDblClickNextVal(bool v) { dblClickNextVal_ = v; }
    bool DropDownShowTitles() const { return dropDownShowTitles_; }
    void SetDropDownShowTitles(bool v) { dropDownShowTitles_ = v; }
    bool DropDownSizing() const { return dropDownSizing_; }
    void SetDropDownSizing(bool v) { dropDownSizing_ = v; }
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool v);
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool v) { toolTips_ = v; }
    TColumnTitleDefValuesEx& Title() { return title_; }
    const TColumnTitleDefValuesEx& Title() const { return title_; }
    void SetTitle(const TColumnTitleDefValuesEx& t) { title_.Assign(t); }
    void Assign(const TColumnDefValuesEx& source);

private:
    bool alwaysShowEditButton_ = false;
    bool autoDropDown_ = false;
    bool dblClickNextVal_ = false;
    bool dropDownShowTitles_ = false;
    bool dropDownSizing_ = false;
    bool endEllipsis_ = false;
    TCustomDBGridEx* grid_;
    TColumnTitleDefValuesEx title_;
    bool toolTips_ = false;
};

// The data grid's column defaults.
class TDBGridExColumnDefValuesEx : public TColumnDefValuesEx {
public:
    using TColumnDefValuesEx::TColumnDefValuesEx;
};
