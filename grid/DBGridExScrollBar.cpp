#include "grid/DBGridExScrollBar.h"
#include "grid/DBGridEx.h"

void TDBGridExScrollBar::SetVisibleMode(TScrollBarVisibleModeEx m)
{
    if (m == mode_)
        return;
    mode_ = m;
    if (kind_ == sbVertical)
        grid_->UpdateScrollBar();
    grid_->LayoutChanged();
}

void TDBGridExScrollBar::Assign(const TDBGridExScrollBar& source)
{
    SetVisible(source.Visible());
    tracking_ = source.tracking_;
}
