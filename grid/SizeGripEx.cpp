// TSizeGripEx: the grip in a corner of a drop-down window.
#include "grid/ToolCtrlsEx.h"
#include <QAbstractScrollArea>
#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QScreen>
#include <QStyle>

QRect TSizeGripEx::WorkAreaForTests;

TSizeGripEx::TSizeGripEx(QWidget* parent) : QWidget(parent)
{
    const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    resize(extent, extent);
    setAutoFillBackground(false);
    if (parent) {
        // A scroll area raises its scroll bars each time it lays them out: the grip follows them up.
        parent->installEventFilter(this);
        for (QObject* o : parent->children())
            if (o != this && o->isWidgetType())
                o->installEventFilter(this);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent)) {
            for (const Qt::Alignment side : {Qt::AlignTop, Qt::AlignBottom}) {
                auto* room = new QWidget;
                room->setFixedHeight(extent);
                room->setAutoFillBackground(true);
                room->setPalette(QPalette(gfx::ToQColor(gfx::clBtnFace)));
                room->hide();
                area->addScrollBarWidget(room, side);
                (side == Qt::AlignTop ? roomTop_ : roomBottom_) = room;
            }
        }
    }
    recreate();
}

bool TSizeGripEx::event(QEvent* e)
{
    if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent)
        updateRoom();
    return QWidget::event(e);
}

bool TSizeGripEx::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == parent() && e->type() == QEvent::Resize) {
        UpdatePosition();
    } else if (watched == parent() && e->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(e)->child();
        if (child != this && child->isWidgetType())
            child->installEventFilter(this);
    } else if (watched != this && watched->parent() == parent()) {
        if (e->type() == QEvent::ZOrderChange)
            raise();
        else if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
            updateRoom();  // the horizontal bar came or went
    }
    return false;
}

void TSizeGripEx::updateRoom()
{
    // Asked also while the window goes, when it is a scroll area no more.
    const auto* area = qobject_cast<const QAbstractScrollArea*>(parentWidget());
    if (!roomTop_ || !roomBottom_ || !area)
        return;
    const bool right = position_ == sgpTopRight || position_ == sgpBottomRight;
    const bool bottom = position_ == sgpBottomLeft || position_ == sgpBottomRight;
    // With both bars shown the grip has the corner between them to itself.
    const QWidget* hBar = area->horizontalScrollBar()->parentWidget();
    roomTop_->setVisible(!isHidden() && right && !bottom);
    roomBottom_->setVisible(!isHidden() && right && bottom && hBar->isHidden());
}

void TSizeGripEx::SetPosition(TSizeGripPostion p)
{
    if (p == position_)
        return;
    position_ = p;
    recreate();
}

void TSizeGripEx::SetTriangleWindow(bool v)
{
    if (v == triangle_)
        return;
    triangle_ = v;
    recreate();
}

void TSizeGripEx::ChangePosition(TSizeGripChangePosition d)
{
    TSizeGripPostion p = position_;
    switch (d) {
    case sgcpToLeft:
        p = p == sgpTopRight ? sgpTopLeft : p == sgpBottomRight ? sgpBottomLeft : p;
        break;
    case sgcpToRight:
        p = p == sgpTopLeft ? sgpTopRight : p == sgpBottomLeft ? sgpBottomRight : p;
        break;
    case sgcpToTop:
        p = p == sgpBottomRight ? sgpTopRight : p == sgpBottomLeft ? sgpTopLeft : p;
        break;
    case sgcpToBottom:
        p = p == sgpTopRight ? sgpBottomRight : p == sgpTopLeft ? sgpBottomLeft : p;
        break;
    }
    SetPosition(p);
}

void TSizeGripEx::recreate()
{
    const bool nwse = position_ == sgpTopLeft || position_ == sgpBottomRight;
    setCursor(nwse ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    if (triangle_) {
        // A right triangle whose right angle lies in the grip's corner.
        const int w = width(), h = height();
        QPolygon t;
        switch (position_) {
        case sgpBottomRight: t << QPoint(0, h) << QPoint(w, h) << QPoint(w, 0); break;
        case sgpBottomLeft: t << QPoint(0, 0) << QPoint(0, h) << QPoint(w, h); break;
        case sgpTopLeft: t << QPoint(0, h) << QPoint(0, 0) << QPoint(w, 0); break;
        case sgpTopRight: t << QPoint(0, 0) << QPoint(w, 0) << QPoint(w, h); break;
        }
        setMask(QRegion(t));
    } else {
        clearMask();
    }
    UpdatePosition();
    updateRoom();
    update();
}

void TSizeGripEx::UpdatePosition()
{
    const QWidget* p = parentWidget();
    if (!p)
        return;
    const QRect c = p->contentsRect();
    const bool right = position_ == sgpTopRight || position_ == sgpBottomRight;
    const bool bottom = position_ == sgpBottomLeft || position_ == sgpBottomRight;
    move(right ? c.right() + 1 - width() : c.left(), bottom ? c.bottom() + 1 - height() : c.top());
    raise();
}

QRect TSizeGripEx::workArea() const
{
    if (!WorkAreaForTests.isNull())
        return WorkAreaForTests;
    const QScreen* s = screen() ? screen() : QApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
}

void TSizeGripEx::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !parentWidget())
        return;
    pressed_ = true;
    pressPoint_ = e->globalPosition().toPoint();
    pressGeometry_ = parentWidget()->geometry();
}

void TSizeGripEx::mouseMoveEvent(QMouseEvent* e)
{
    QWidget* p = parentWidget();
    if (!pressed_ || !p)
        return;
    const QPoint d = e->globalPosition().toPoint() - pressPoint_;
    QRect g = pressGeometry_;
    const QRect area = workArea();
    // The side at the grip moves with the pointer; the opposite side stays where it is.
    if (position_ == sgpTopRight || position_ == sgpBottomRight)
        g.setRight(std::min(g.right() + d.x(), area.right()));
    else
        g.setLeft(std::max(g.left() + d.x(), area.left()));
    if (position_ == sgpBottomLeft || position_ == sgpBottomRight)
        g.setBottom(std::min(g.bottom() + d.y(), area.bottom()));
    else
        g.setTop(std::max(g.top() + d.y(), area.top()));
    g.setWidth(std::max(g.width(), p->minimumWidth()));
    g.setHeight(std::max(g.height(), p->minimumHeight()));
    if (g == p->geometry())
        return;
    p->setGeometry(g);
    if (OnParentResized)
        OnParentResized();
    UpdatePosition();
}

void TSizeGripEx::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        pressed_ = false;
}

void TSizeGripEx::paintEvent(QPaintEvent*)
{
    // Diagonal stripes from the corner: every 4 pixels one line in the highlight colour, two in the
    // shadow colour and one in the face colour.
    QPainter p(this);
    const QColor face = gfx::ToQColor(gfx::clBtnFace), shadow = gfx::ToQColor(gfx::clBtnShadow);
    p.fillRect(rect(), face);
    const QColor colours[4] = {gfx::ToQColor(gfx::clBtnHighlight), shadow, shadow, face};
    const int w = width(), h = height(), n = std::max(w, h);
    const bool right = position_ == sgpTopRight || position_ == sgpBottomRight;
    const bool bottom = position_ == sgpBottomLeft || position_ == sgpBottomRight;
    for (int k = 1; k < n; ++k) {
        p.setPen(colours[k % 4]);
        // A line at distance k from the corner, across the grip.
        const QPoint a(right ? w - 1 - k : k, bottom ? h - 1 : 0);
        const QPoint b(right ? w - 1 : 0, bottom ? h - 1 - k : k);
        p.drawLine(a, b);
    }
}
