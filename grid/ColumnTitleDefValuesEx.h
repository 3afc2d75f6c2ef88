#pragma once
// What every column title takes for an attribute it has not set itself.
#include "grid/DBGridExTypes.h"
#include "platform/data/DataSetTypes.h"
#include "platform/graphics/Color.h"

class TColumnDefValuesEx;
class TCustomDBGridEx;

class TColumnTitleDefValuesEx {
public:
    enum Value : unsigned { cvdpTitleColorEx, cvdpTitleAlignmentEx };
    explicit TColumnTitleDefValuesEx(TColumnDefValuesEx* owner) : owner_(owner) {}

    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    gfx::TColor Color() const;
    void SetColor(gfx::TColor c);
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool v);
    TTextOrientationEx Orientation() const { return orientation_; }
    void SetOrientation(TTextOrientationEx o);
    bool TitleButton() const { return titleButton_; }
    void SetTitleButton(bool v) { titleButton_ = v; }
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool v) { toolTips_ = v; }
    void Assign(const TColumnTitleDefValuesEx& source);

private:
    TCustomDBGridEx* grid() const;
    TAlignment alignment_ = taLeftJustify;
    unsigned assigned_ = 0;
    gfx::TColor color_ = gfx::clBtnFace;
    TColumnDefValuesEx* owner_;
    bool endEllipsis_ = false;
    TTextOrientationEx orientation_ = tohHorizontal;
    bool titleButton_ = false;
    bool toolTips_ = false;
};
