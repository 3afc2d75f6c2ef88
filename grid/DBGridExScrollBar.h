#pragma once
// The grid's HorzScrollBar and VertScrollBar settings: shown automatically or never, and whether the
// thumb moves the grid while it is dragged.
#include "grid/DBGridExTypes.h"

class TCustomDBGridEx;

class TDBGridExScrollBar {
public:
    enum Kind { sbHorizontal, sbVertical };
    TDBGridExScrollBar(TCustomDBGridEx* grid, Kind kind) : grid_(grid), kind_(kind) {}
    Kind ScrollBarKind() const { return kind_; }
    bool Tracking() const { return tracking_; }
    void SetTracking(bool v) { tracking_ = v; }
    bool Visible() const { return mode_ != sbNeverShowEx; }
    void SetVisible(bool v) { SetVisibleMode(v ? sbAutoShowEx : sbNeverShowEx); }
    TScrollBarVisibleModeEx VisibleMode() const { return mode_; }
    void SetVisibleMode(TScrollBarVisibleModeEx m);
    void Assign(const TDBGridExScrollBar& source);

private:
    TCustomDBGridEx* grid_;
    Kind kind_;
    bool tracking_ = false;
    TScrollBarVisibleModeEx mode_ = sbAutoShowEx;
};
