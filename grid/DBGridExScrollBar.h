#pragma once
// The grid's HorzScrollBar and VertScrollBar settings: shown automatically or never, and whether the
// thumb moves the grid while it is dragged.
#include "grid/DBGridExTypes.h"
#include <QMetaObject>
#include <QPointer>
#include <QScrollBar>
#include <vector>

class TCustomDBGridEx;

class TDBGridExScrollBar {
public:
    enum Kind { sbHorizontal, sbVertical };
    TDBGridExScrollBar(TCustomDBGridEx* grid, Kind kind) : grid_(grid), kind_(kind) {}
    bool Tracking() const { return tracking_; }
    void SetTracking(bool v) { tracking_ = v; }
    bool Visible() const { return mode_ != sbNeverShowEx; }
    void SetVisible(bool v) { SetVisibleMode(v ? sbAutoShowEx : sbNeverShowEx); }
    TScrollBarVisibleModeEx VisibleMode() const { return mode_; }
    void SetVisibleMode(TScrollBarVisibleModeEx m);
    void Assign(const TDBGridExScrollBar& source);
    ~TDBGridExScrollBar();

    // A scroll bar elsewhere on the form that stands in for this one: it mirrors Visible and its
    // requests scroll the grid. One bar serves one grid; null detaches it.
    QScrollBar* ExtScrollBar() const { return ext_; }
    void SetExtScrollBar(QScrollBar* bar);
    bool IsScrollBarVisible() const;

private:
    void detach();
    QPointer<QScrollBar> ext_;
    std::vector<QMetaObject::Connection> connections_;
    TCustomDBGridEx* grid_;
    Kind kind_;
    bool tracking_ = false;
    TScrollBarVisibleModeEx mode_ = sbAutoShowEx;
};
