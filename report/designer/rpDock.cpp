#include "report/designer/rpDock.h"

#include "platform/system/Registry.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QVariant>
#include <algorithm>

QString rpDockRegRoot = QStringLiteral("Software\\ReportEngine");

namespace {

QList<TrpToolBar*>& floatingBars()
{
    static QList<TrpToolBar*> bars;
    return bars;
}

void raisedFrame(QPainter& p, const QRect& r, const QPalette& pal)
{
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(r.left(), r.bottom(), r.left(), r.top());
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
}

} // namespace

QString rpRegBoolText(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

int rpRegReadInt(const sys::TRegIniFile& reg, const QString& section, const QString& name, int def)
{
    bool ok = false;
    const int v = reg.ReadString(section, name, QString()).toInt(&ok);
    return ok ? v : def;
}

bool rpRegReadBool(const sys::TRegIniFile& reg, const QString& section, const QString& name, bool def)
{
    return rpRegReadInt(reg, section, name, def ? 1 : 0) != 0;
}

// ---- dock ---------------------------------------------------------------------------------------------

TrpDock::TrpDock(Qt::Alignment align, QWidget* parent) : QWidget(parent), align_(align)
{
    setProperty("rpAlign", int(align));
}

QList<TrpToolBar*> TrpDock::ToolBars() const
{
    QList<TrpToolBar*> bars;
    for (QObject* o : children())
        if (auto* bar = dynamic_cast<TrpToolBar*>(o))
            bars.append(bar);
    return bars;
}

void TrpDock::AdjustBounds()
{
    QList<TrpToolBar*> kids;
    for (TrpToolBar* bar : ToolBars())
        if (!bar->isHidden())
            kids.append(bar);
    const bool row = IsRow();
    const bool far = align_ == Qt::AlignBottom || align_ == Qt::AlignRight;
    auto nearEdge = [row](QWidget* w) { return row ? w->y() : w->x(); };
    auto length = [row](QWidget* w) { return row ? w->height() : w->width(); };
    auto shift = [row](QWidget* w, int d) { row ? w->move(w->x(), w->y() + d) : w->move(w->x() + d, w->y()); };
    const QSize before = size();
    if (kids.isEmpty()) {
        row ? resize(width(), 1) : resize(1, height());
    } else {
        const int farEdge = row ? height() : width();
        int rows = farEdge / RowSize;
        int extent = RowSize * rows + 1;
        for (int r = 0; r < rows;) {
            const int p = far ? farEdge - r * RowSize : r * RowSize;
            bool used = false;
            for (QWidget* w : kids) {
                const int edge = far ? nearEdge(w) + length(w) : nearEdge(w);
                if (edge == p || (nearEdge(w) < p && p < nearEdge(w) + length(w))) {
                    used = true;
                    break;
                }
            }
            if (used) {
                ++r;
                continue;
            }
            for (QWidget* w : kids)
                if ((far ? nearEdge(w) + length(w) : nearEdge(w)) > p)
                    shift(w, -RowSize);
            extent -= RowSize;
            --rows;
        }
        if (far) {
            for (QWidget* w : kids) {
                const int pos = row ? w->y() : w->x();
                if (pos < 0) {
                    const int d = 1 - pos;
                    for (QWidget* k : kids)
                        shift(k, d);
                    extent += d;
                    break;
                }
            }
            for (QWidget* w : kids)
                extent = std::max(extent, nearEdge(w) + length(w));
        } else {
            for (QWidget* w : kids)
                if (nearEdge(w) + length(w) > extent) {
                    extent = nearEdge(w) + length(w) + 1;
                    break;
                }
        }
        row ? resize(width(), extent) : resize(extent, height());
    }
    if (size() != before && OnResize)
        OnResize();
}

void TrpDock::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
}

// ---- grip ---------------------------------------------------------------------------------------------

TrpDragBox::TrpDragBox(TrpToolBar* bar) : QWidget(bar), bar_(bar)
{
    resize(11, 11);
    setCursor(Qt::SizeAllCursor);
}

void TrpDragBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (bar_->IsFloat)
        return;
    if (bar_->ParentAlign() == 1) {
        raisedFrame(p, QRect(2, 0, 3, height()), palette());
        raisedFrame(p, QRect(5, 0, 3, height()), palette());
    } else {
        raisedFrame(p, QRect(0, 2, width(), 3), palette());
        raisedFrame(p, QRect(0, 5, width(), 3), palette());
    }
}

void TrpDragBox::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        bar_->DoMouseDown(e->globalPosition().toPoint());
}

void TrpDragBox::mouseMoveEvent(QMouseEvent* e)
{
    bar_->DoMouseMove(e->globalPosition().toPoint());
}

void TrpDragBox::mouseReleaseEvent(QMouseEvent*)
{
    bar_->DoMouseUp();
}

// ---- tool bar -----------------------------------------------------------------------------------------

TrpToolBar::TrpToolBar(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    resize(width(), 26);
    Grip = new TrpDragBox(this);
    Grip->move(0, 0);
}

TrpToolBar::~TrpToolBar()
{
    destroying_ = true;
    floatingBars().removeAll(this);
    if (float_) {
        TrpFloatWindow* w = float_;
        float_ = nullptr;
        w->bar_ = nullptr;
        setParent(nullptr);
        w->hide();
        delete w;
    }
}

int TrpToolBar::ParentAlign() const
{
    const QWidget* p = parentWidget();
    const int a = p ? p->property("rpAlign").toInt() : 0;
    if (a == Qt::AlignBottom || a == Qt::AlignTop || a == 0)
        return 1;
    return 3;
}

TrpDock* TrpToolBar::Dock() const
{
    return dynamic_cast<TrpDock*>(parentWidget());
}

bool TrpToolBar::IsVisible() const
{
    return IsFloat && float_ ? !float_->isHidden() : !isHidden();
}

void TrpToolBar::SetVisible(bool visible)
{
    // The dock keeps its rows: whoever hides bars to save their places or shows them again lays it out.
    if (IsFloat && float_)
        float_->setVisible(visible);
    else
        setVisible(visible);
}

void TrpToolBar::RealignControls()
{
    QList<QWidget*> kids;
    for (QObject* o : children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow())
            kids.append(w);
    const bool row = ParentAlign() == 1;
    std::stable_sort(kids.begin(), kids.end(), [row](QWidget* a, QWidget* b) { return row ? a->x() < b->x() : a->y() < b->y(); });
    if (row && width() < height())
        resize(height(), width());
    if (!row && height() < width())
        resize(height(), width());
    int pos = 1;
    // The grip keeps its 11 pixels along the bar even while hidden (floating): a hidden bar gets no resize
    // event that would set it, and the bar's length counts it.
    Grip->setGeometry(row ? QRect(1, 1, 11, std::max(11, height() - 2)) : QRect(1, 1, std::max(11, width() - 2), 11));
    for (QWidget* w : kids) {
        if (w->isHidden())
            continue;
        if (w == Grip)
            w->setGeometry(row ? QRect(pos, 1, 11, height() - 2) : QRect(1, pos, width() - 2, 11));
        else if (row)
            w->setGeometry(pos, 1, w->width() > 0 ? w->width() : 22, height() - 2);
        else
            w->setGeometry(1, pos, width() - 2, w->height() > 0 ? w->height() : 22);
        pos += row ? w->width() : w->height();
    }
}

void TrpToolBar::AdjustBounds()
{
    RealignControls();
    const bool row = ParentAlign() == 1;
    int sum = 0;
    for (QObject* o : children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow())
            sum += row ? w->width() : w->height();
    row ? resize(sum + 4, height()) : resize(width(), sum + 4);
    if (float_)
        float_->FitBar();
}

void TrpToolBar::DockTo(TrpDock* dock, int x, int y)
{
    hide();
    if (IsFloat && float_) {
        TrpFloatWindow* w = float_;
        w->hide();
        float_ = nullptr;
        w->bar_ = nullptr;
        setParent(nullptr);
        w->deleteLater();
    }
    TrpDock* old = Dock();
    setParent(dock);
    if (old && old != dock)
        old->AdjustBounds();
    IsFloat = false;
    Grip->show();
    // Turned from a row into a column or back, it takes the length of its controls.
    AdjustBounds();
    move(x, y);
    show();
    dock->AdjustBounds();
    floatingBars().removeAll(this);
}

void TrpToolBar::AddToDock(TrpDock* dock)
{
    switch (int(dock->Align())) {
    case Qt::AlignTop: DockTo(dock, 0, dock->height() - 1); break;
    case Qt::AlignBottom: DockTo(dock, 0, 1 - height()); break;
    case Qt::AlignLeft: DockTo(dock, dock->width() - 1, 0); break;
    default: DockTo(dock, 1 - width(), 0); break;
    }
}

void TrpToolBar::FloatTo(int x, int y)
{
    IsFloat = true;
    if (float_) {
        float_->move(x, y);
        return;
    }
    hide();
    Grip->hide();
    TrpDock* old = Dock();
    QWidget* owner = old ? old->window() : window();
    float_ = new TrpFloatWindow(this, owner);
    float_->move(x, y);
    float_->setWindowTitle(Caption);
    setParent(float_);
    AdjustBounds();
    if (old)
        old->AdjustBounds();
    move(float_->ClientRect().topLeft());
    show();
    float_->show();
    if (!floatingBars().contains(this))
        floatingBars().append(this);
}

void TrpToolBar::MakeFloat()
{
    IsFloat = true;
    const QPoint at = QCursor::pos();
    FloatTo(at.x(), at.y());
    dragging_ = false;
    if (float_)
        float_->Capture();
}

bool TrpToolBar::MoveTo(int x, int y)
{
    TrpDock* dock = Dock();
    if (!dock)
        return false;
    const bool row = dock->IsRow();
    bool toFloat = false;
    int needed = 4;
    for (int pass = 0; pass < 4; ++pass) {
        const int ox = x, oy = y;
        // a: position along the rows, b: across them.
        int& b = row ? y : x;
        const int a = row ? x : y;
        const int len = row ? width() : height();
        const int thick = row ? height() : width();
        const int limit = row ? dock->height() : dock->width();
        if (b < -20)
            toFloat = true;
        if (b < 0)
            b = 0;
        if (b + thick > limit)
            b = limit - thick;
        for (TrpToolBar* o : dock->ToolBars()) {
            if (o == this || o->isHidden())
                continue;
            const int oa = row ? o->x() : o->y();
            const int olen = row ? o->width() : o->height();
            const int ob = row ? o->y() : o->x();
            const int othick = row ? o->height() : o->width();
            if (!((oa <= a && oa + olen > a) || (oa >= a && oa < a + len)))
                continue;
            if (b >= ob && b < ob + othick)
                b = ob + othick;
            else if (ob > b && ob < b + thick)
                b = ob - thick;
        }
        if (toFloat || (x == ox && y == oy)) {
            needed = pass + 1;
            break;
        }
    }
    if (!CanFloat)
        toFloat = false;
    if (toFloat) {
        MakeFloat();
        return true;
    }
    if (needed >= 3)
        return false;
    const int thick = row ? height() : width();
    const int across = row ? y : x;
    const int extent = row ? dock->height() : dock->width();
    const int noted = (across + thick > extent || across < 0) ? extent : 0;
    move(x, y);
    dock->AdjustBounds();
    if (CanFloat && (row ? dock->height() : dock->width()) == noted) {
        MakeFloat();
    }
    return true;
}

bool TrpToolBar::FindDock(QWidget* form, QPoint point)
{
    TrpDock* dock = nullptr;
    for (QObject* o : form->children())
        // A dock with no bar is a pixel thin: it catches a window dropped a few pixels off it.
        if (auto* d = dynamic_cast<TrpDock*>(o); d && d->geometry().adjusted(-8, -8, 9, 9).contains(point)) {
            dock = d;
            break;
        }
    if (!dock)
        return false;
    if (Orientation == toHorzOnly && !dock->IsRow())
        return false;
    if (Orientation == toVertOnly && dock->IsRow())
        return false;
    int x, y;
    if (dock->IsRow()) {
        x = point.x() - dock->x();
        y = dock->height() - 1;
        x = std::max(0, std::min(x, dock->width() - width()));
        if (dock->Align() == Qt::AlignBottom)
            y = 1 - height();
    } else {
        x = dock->width() - 1;
        y = point.y() - dock->y();
        y = std::max(0, std::min(y, dock->height() - height()));
        if (dock->Align() == Qt::AlignRight)
            x = 1 - height();
    }
    DockTo(dock, x, y);
    grabMouse();
    DoMouseDown(QCursor::pos());
    return true;
}

void TrpToolBar::DoMouseDown(QPoint screen)
{
    dragPos_ = screen;
    dragging_ = true;
}

void TrpToolBar::DoMouseMove(QPoint screen)
{
    if (IsFloat) {
        unsetCursor();
        dragging_ = false;
        return;
    }
    TrpDock* dock = Dock();
    if (!dragging_ || !dock)
        return;
    const int stepX = dock->IsRow() ? 1 : dock->RowSize;
    const int stepY = dock->IsRow() ? dock->RowSize : 1;
    int dx = (screen.x() - dragPos_.x()) / stepX * stepX;
    int dy = (screen.y() - dragPos_.y()) / stepY * stepY;
    if (dx == 0 && dy == 0)
        return;
    if (MoveTo(x() + dx, y() + dy)) {
        if (dx)
            dragPos_.setX(screen.x());
        if (dy)
            dragPos_.setY(screen.y());
    }
}

void TrpToolBar::DoMouseUp()
{
    dragging_ = false;
    releaseMouse();
}

void TrpToolBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (!IsFloat)
        raisedFrame(p, rect().adjusted(0, 0, -1, -1), palette());
}

void TrpToolBar::resizeEvent(QResizeEvent*)
{
    if (destroying_)
        return;
    if (ParentAlign() == 1)
        Grip->setGeometry(1, 1, 11, std::max(11, height() - 2));
    else
        Grip->setGeometry(1, 1, std::max(11, width() - 2), 11);
}

void TrpToolBar::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        DoMouseDown(e->globalPosition().toPoint());
}

void TrpToolBar::mouseMoveEvent(QMouseEvent* e)
{
    DoMouseMove(e->globalPosition().toPoint());
}

void TrpToolBar::mouseReleaseEvent(QMouseEvent*)
{
    DoMouseUp();
}

// ---- floating window ----------------------------------------------------------------------------------

// The window draws its own caption: dragged by it, the window is moved by its own mouse handling and can
// dock the bar again, which a window manager's move of a title bar would not let it see.
TrpFloatWindow::TrpFloatWindow(TrpToolBar* bar, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), bar_(bar), owner_(owner)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
}

QRect TrpFloatWindow::CaptionRect() const
{
    return QRect(1, 1, std::max(1, width() - 2), fontMetrics().height() + 2);
}

QRect TrpFloatWindow::CloseRect() const
{
    const QRect c = CaptionRect();
    return QRect(c.right() - c.height() + 2, c.top() + 1, c.height() - 2, c.height() - 2);
}

QRect TrpFloatWindow::ClientRect() const
{
    const QRect c = CaptionRect();
    return QRect(1, c.bottom() + 1, std::max(1, width() - 2), std::max(1, height() - c.bottom() - 2));
}

void TrpFloatWindow::FitBar()
{
    if (!bar_)
        return;
    // The grip is hidden while floating: the window is as wide as the bar without it.
    const int caption = fontMetrics().height() + 2;
    const int minWidth = fontMetrics().horizontalAdvance(windowTitle()) + caption + 8;
    resize(std::max(bar_->width() - 11, minWidth) + 2, bar_->height() + caption + 2);
}

void TrpFloatWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::Shadow));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect c = CaptionRect();
    p.fillRect(c, palette().color(QPalette::Highlight));
    p.setPen(palette().color(QPalette::HighlightedText));
    p.drawText(c.adjusted(3, 0, -c.height(), 0), Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(windowTitle(), Qt::ElideRight, c.width() - c.height() - 3));
    const QRect x = CloseRect().adjusted(2, 2, -2, -2);
    p.drawLine(x.topLeft(), x.bottomRight());
    p.drawLine(x.topRight(), x.bottomLeft());
}

TrpFloatWindow::~TrpFloatWindow()
{
    delete band_;
    if (bar_)
        bar_->float_ = nullptr;
}

void TrpFloatWindow::Capture()
{
    grabMouse();
    DragStart(QCursor::pos());
}

void TrpFloatWindow::DragStart(QPoint screen)
{
    grab_ = screen - pos();
    outline_ = QRect(screen - grab_, frameGeometry().size());
    if (!band_)
        band_ = new QRubberBand(QRubberBand::Rectangle);
    band_->setGeometry(outline_);
    band_->show();
    dragging_ = true;
}

void TrpFloatWindow::DragMove(QPoint screen)
{
    if (!dragging_)
        return;
    outline_.moveTopLeft(screen - grab_);
    if (owner_ && bar_) {
        const QPoint local = owner_->mapFromGlobal(screen);
        TrpToolBar* bar = bar_;
        if (bar->FindDock(owner_, local)) {
            // Docked: this window goes (DockTo released it).
            dragging_ = false;
            if (band_)
                band_->hide();
            releaseMouse();
            return;
        }
    }
    if (band_)
        band_->setGeometry(outline_);
}

void TrpFloatWindow::DragEnd()
{
    if (!dragging_)
        return;
    if (band_)
        band_->hide();
    move(outline_.topLeft());
    show();
    dragging_ = false;
    releaseMouse();
}

void TrpFloatWindow::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    if (CloseRect().contains(e->position().toPoint())) {
        // The close box hides the tool bar; the Toolbars menu shows it again.
        hide();
        return;
    }
    DragStart(e->globalPosition().toPoint());
}

void TrpFloatWindow::mouseMoveEvent(QMouseEvent* e)
{
    DragMove(e->globalPosition().toPoint());
}

void TrpFloatWindow::mouseReleaseEvent(QMouseEvent*)
{
    DragEnd();
}

void TrpFloatWindow::showEvent(QShowEvent*)
{
    raise();
}

// ---- registry -----------------------------------------------------------------------------------------

void SaveToolbarPosition(TrpToolBar* bar)
{
    sys::TRegIniFile reg(rpDockRegRoot);
    const QString section = QStringLiteral("ToolBar\\") + bar->objectName();
    const bool floating = bar->IsFloat && bar->GetFloatWindow();
    reg.WriteString(section, QStringLiteral("isFloat"), rpRegBoolText(floating));
    reg.WriteString(section, QStringLiteral("isVisible"), rpRegBoolText(bar->IsVisible()));
    const QPoint at = floating ? bar->GetFloatWindow()->pos() : bar->pos();
    reg.WriteString(section, QStringLiteral("XPosition"), QString::number(at.x()));
    reg.WriteString(section, QStringLiteral("YPosition"), QString::number(at.y()));
    reg.WriteString(section, QStringLiteral("Width"), QString::number(bar->width()));
    reg.WriteString(section, QStringLiteral("Height"), QString::number(bar->height()));
    if (TrpDock* dock = bar->Dock())
        reg.WriteString(section, QStringLiteral("DockName"), dock->objectName());
}

void RestoreToolbarPosition(TrpToolBar* bar)
{
    const sys::TRegIniFile reg(rpDockRegRoot);
    const QString section = QStringLiteral("ToolBar\\") + bar->objectName();
    const bool wasVisible = bar->IsVisible();
    Q_UNUSED(wasVisible);
    bar->hide();
    const int x = rpRegReadInt(reg, section, QStringLiteral("XPosition"), bar->x());
    const int y = rpRegReadInt(reg, section, QStringLiteral("YPosition"), bar->y());
    const int w = rpRegReadInt(reg, section, QStringLiteral("Width"), bar->width());
    const int h = rpRegReadInt(reg, section, QStringLiteral("Height"), bar->height());
    bar->resize(w, h);
    if (rpRegReadBool(reg, section, QStringLiteral("isFloat"), false)) {
        bar->FloatTo(x, y);
    } else {
        bar->move(x, y);
        const QString present = bar->parentWidget() ? bar->parentWidget()->objectName() : QString();
        const QString name = reg.ReadString(section, QStringLiteral("DockName"), present);
        QWidget* owner = bar->window();
        TrpDock* dock = nullptr;
        if (owner)
            for (QWidget* child : owner->findChildren<QWidget*>(name))
                if ((dock = dynamic_cast<TrpDock*>(child)))
                    break;
        if (dock && dock != bar->parentWidget())
            bar->DockTo(dock, x, y);
    }
    bar->AdjustBounds();
    bar->SetVisible(rpRegReadBool(reg, section, QStringLiteral("isVisible"), true));
}

// A window's place is its frame's top-left corner and its size the client's, saved and restored alike:
// mixing the frame's place with the client's moved it by the title bar at every start.
void SaveFormPosition(QWidget* form)
{
    sys::TRegIniFile reg(rpDockRegRoot);
    const QString section = QStringLiteral("Form\\") + form->objectName();
    reg.WriteString(section, QStringLiteral("isVisible"), rpRegBoolText(form->isVisible()));
    reg.WriteString(section, QStringLiteral("XPosition"), QString::number(form->x()));
    reg.WriteString(section, QStringLiteral("YPosition"), QString::number(form->y()));
    reg.WriteString(section, QStringLiteral("Width"), QString::number(form->width()));
    reg.WriteString(section, QStringLiteral("Height"), QString::number(form->height()));
}

void RestoreFormPosition(QWidget* form)
{
    const sys::TRegIniFile reg(rpDockRegRoot);
    const QString section = QStringLiteral("Form\\") + form->objectName();
    form->hide();
    form->move(rpRegReadInt(reg, section, QStringLiteral("XPosition"), form->x()),
               rpRegReadInt(reg, section, QStringLiteral("YPosition"), form->y()));
    form->resize(rpRegReadInt(reg, section, QStringLiteral("Width"), form->width()),
                 rpRegReadInt(reg, section, QStringLiteral("Height"), form->height()));
    if (rpRegReadBool(reg, section, QStringLiteral("isVisible"), true))
        form->show();
}

void rpFreeFloatingToolBars()
{
    const QList<TrpToolBar*> bars = floatingBars();
    floatingBars().clear();
    qDeleteAll(bars);
}
