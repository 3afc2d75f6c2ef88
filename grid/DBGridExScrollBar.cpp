#include "grid/DBGridExScrollBar.h"
#include "grid/DBGridEx.h"
#include "grid/GridError.h"

void TDBGridExScrollBar::SetVisibleMode(TScrollBarVisibleModeEx m)
{
    if (m == mode_)
        return;
    mode_ = m;
    if (ext_)
        ext_->setVisible(Visible());
    if (kind_ == sbVertical)
        grid_->UpdateScrollBar();
    grid_->LayoutChanged();
}

void TDBGridExScrollBar::Assign(const TDBGridExScrollBar& source)
{
    SetVisible(source.Visible());
    tracking_ = source.tracking_;
    SetExtScrollBar(source.ext_);
}

namespace {
const char* const AttachedProperty = "velt.grid.attached";
}

TDBGridExScrollBar::~TDBGridExScrollBar() { detach(); }

void TDBGridExScrollBar::detach()
{
    for (auto& c : connections_)
        QObject::disconnect(c);
    connections_.clear();
    if (ext_)
        ext_->setProperty(AttachedProperty, QVariant());
    ext_ = nullptr;
}

void TDBGridExScrollBar::SetExtScrollBar(QScrollBar* bar)
{
    if (bar == ext_)
        return;
    if (bar && bar->property(AttachedProperty).toBool())
        throw EInvalidGridOperation(QStringLiteral("Possible %1 already attached to the other control.").arg(bar->objectName()));
    detach();
    ext_ = bar;
    if (!bar)
        return;
    bar->setProperty(AttachedProperty, true);
    const bool vertical = kind_ == sbVertical;
    connections_.push_back(QObject::connect(bar, &QAbstractSlider::actionTriggered, grid_, [this, vertical](int a) {
        if (ext_ && a != QAbstractSlider::SliderMove && a != QAbstractSlider::SliderNoAction)
            grid_->ExtScrollAction(vertical, a, ext_->sliderPosition());
    }));
    connections_.push_back(QObject::connect(bar, &QAbstractSlider::sliderMoved, grid_, [this, vertical](int pos) {
        grid_->ExtScrollAction(vertical, QAbstractSlider::SliderMove, pos);
    }));
    connections_.push_back(QObject::connect(bar, &QAbstractSlider::sliderReleased, grid_, [this, vertical] {
        if (ext_)
            grid_->ExtScrollAction(vertical, -1, ext_->sliderPosition());
    }));
    bar->setVisible(Visible());
    if (vertical)
        grid_->UpdateScrollBar();
    else
        grid_->UpdateHorzExtScrollBar();
    grid_->LayoutChanged();
}

bool TDBGridExScrollBar::IsScrollBarVisible() const
{
    if (ext_)
        return ext_->isVisible();
    return Visible()
           && (kind_ == sbVertical ? grid_->verticalScrollBar()->isVisible() : grid_->horizontalScrollBar()->isVisible());
}
