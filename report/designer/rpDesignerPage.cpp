#include "report/designer/rpDesignerPage.h"

#include "platform/graphics/Canvas.h"
#include "report/designer/rpDesignerForm.h"
#include "report/rpBandView.h"
#include "report/rpPage.h"
#include "report/rpView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <cmath>

namespace {

// What the inverting inks of the platform leave on the white page: the overlays take those colours.
const QColor markColor(0, 0, 0);
const QColor groupMarkColor(0, 128, 128);
const QColor outlineColor(63, 63, 63);

const QImage& gridBrush(int gridSize)
{
    static QImage brush8, brush4;
    QImage& b = gridSize == 4 ? brush4 : brush8;
    if (b.isNull()) {
        b = QImage(8, 8, QImage::Format_RGB32);
        b.fill(Qt::white);
        b.setPixel(0, 0, qRgb(0, 0, 0));
        if (gridSize == 4) {
            b.setPixel(4, 0, qRgb(0, 0, 0));
            b.setPixel(0, 4, qRgb(0, 0, 0));
            b.setPixel(4, 4, qRgb(0, 0, 0));
        }
    }
    return b;
}

} // namespace

TrpDesignerPage::TrpDesignerPage(TrpDesignerForm* designer, QWidget* parent) : QWidget(parent), FDesigner(designer)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAutoFillBackground(false);
}

QList<TrpView*>& TrpDesignerPage::objects() const
{
    return FDesigner->Page->Objects;
}

void TrpDesignerPage::Init()
{
    Pressed = false;
    skip_ = false;
    RFlag = false;
    Handle = 0;
    SetDesignCursor(dcDefault);
}

void TrpDesignerPage::SetPage()
{
    TrpPage* page = FDesigner->Page;
    if (!page)
        return;
    const int w = page->PrnInfo.Pgw;
    const int h = page->PrnInfo.Pgh;
    resize(w, h);
    QWidget* holder = parentWidget();
    const int parentWidth = FDesigner->ScrollBox1 ? FDesigner->ScrollBox1->viewport()->width() : (holder ? holder->width() : w);
    const int left = w > parentWidth ? 10 : (parentWidth - w) / 2;
    move(left, 10);
    // The scroll range reaches 10 pixels beyond the page.
    if (holder)
        holder->resize(std::max(left + w + 10, parentWidth), h + 20);
    if (cache_.size() != QSize(w, h)) {
        cache_ = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
        cache_.fill(Qt::white);
    }
}

void TrpDesignerPage::requestRepaint(const QRegion& region)
{
    pending_ += region;
    update(region);
}

QRegion TrpDesignerPage::TakeRepaints()
{
    QRegion r = pending_;
    pending_ = QRegion();
    return r;
}

void TrpDesignerPage::fillBackground(QPainter& p, const QRegion& area)
{
    const int g = FDesigner->GridSize;
    if (!FDesigner->GridShow) {
        for (const QRect& r : area)
            p.fillRect(r, Qt::white);
        return;
    }
    if (g != 18) {
        p.setBrushOrigin(0, 0);
        const QBrush brush(gridBrush(g));
        for (const QRect& r : area)
            p.fillRect(r, brush);
        return;
    }
    for (const QRect& r : area) {
        p.fillRect(r, Qt::white);
        const int x0 = (r.left() + 17) / 18 * 18;
        const int y0 = (r.top() + 17) / 18 * 18;
        for (int yy = y0; yy <= r.bottom(); yy += 18)
            for (int xx = x0; xx <= r.right(); xx += 18)
                cache_.setPixel(xx, yy, qRgb(0, 0, 0));
    }
}

void TrpDesignerPage::Draw(int n, const QRegion* region)
{
    TrpPage* page = FDesigner->Page;
    if (!page)
        return;
    if (cache_.size() != QSize(page->PrnInfo.Pgw, page->PrnInfo.Pgh))
        SetPage();
    DisableDrawing = false;
    CurPage = page;
    const QRegion whole(cache_.rect());
    const QRegion repaint = region ? region->intersected(whole) : whole;
    drawObjects(n, repaint, false);
    if (!Pressed)
        marks_ = true;
    requestRepaint(region ? repaint : whole);
}

void TrpDesignerPage::drawObjects(int n, const QRegion& repaint, bool skipSelected)
{
    TrpPage* page = FDesigner->Page;
    QRegion freeArea(cache_.rect());
    {
        gfx::TCanvas canvas(&cache_);
        QList<TrpView*>& objs = objects();
        for (int i = int(objs.size()) - 1; i >= 0; --i) {
            TrpView* v = objs[i];
            const QRegion area = v->GetClipRgn(rtNormal);
            if (skipSelected && v->Selected)
                continue;
            if (i <= n && (v->Selected || area.intersects(repaint))) {
                canvas.SetClipRegion(v->Selected ? freeArea : repaint.intersected(freeArea));
                v->Draw(&canvas);
            }
            freeArea -= area;
        }
        canvas.Release();
    }
    QPainter p(&cache_);
    fillBackground(p, freeArea.intersected(repaint));
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.setBrush(Qt::NoBrush);
    if (page->UseMargins) {
        const QRect m(QPoint(page->LeftMargin(), page->TopMargin()), QPoint(page->RightMargin() - 1, page->BottomMargin() - 1));
        p.drawRect(m);
    }
    if (page->ColCount > 1) {
        page->ColWidth = (page->RightMargin() - page->LeftMargin()) / page->ColCount;
        p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
        int x = page->LeftMargin();
        for (int i = 0; i < page->ColCount; ++i) {
            p.drawRect(QRect(QPoint(x, -1), QPoint(x + page->ColWidth, page->PrnInfo.Pgh)));
            x += page->ColWidth + page->ColGap;
        }
    }
}

void TrpDesignerPage::buildDragLayer()
{
    layerBounds_ = selectionArea().boundingRect();
    drawObjects(10000, QRegion(cache_.rect()), true);
    layer_ = QImage(cache_.size(), QImage::Format_ARGB32_Premultiplied);
    layer_.fill(Qt::transparent);
    {
        gfx::TCanvas canvas(&layer_);
        for (TrpView* v : objects())
            if (v->Selected)
                v->Draw(&canvas);
        canvas.Release();
    }
    layerOffset_ = QPoint();
    layerActive_ = true;
}

void TrpDesignerPage::dropDragLayer()
{
    layerActive_ = false;
    layer_ = QImage();
}

void TrpDesignerPage::DrawPage(TrpDesignerDrawMode mode)
{
    if (DisableDrawing || !FDesigner->Page)
        return;
    switch (mode) {
    case dmAll: Draw(10000); break;
    case dmSelection: ShowMarks(!marks_); break;
    case dmShape: ShowShapes(!shapes_); break;
    }
}

QRegion TrpDesignerPage::selectionArea() const
{
    QRegion r;
    for (TrpView* v : objects())
        if (v->Selected)
            r += v->GetClipRgn(rtExtended);
    return r;
}

void TrpDesignerPage::ShowMarks(bool show)
{
    if (marks_ == show)
        return;
    marks_ = show;
    requestRepaint(selectionArea());
}

void TrpDesignerPage::ShowShapes(bool show)
{
    if (shapes_ == show)
        return;
    shapes_ = show;
    requestRepaint(selectionArea());
}

void TrpDesignerPage::ShowOutline(bool show)
{
    if (outline_ == show && !show)
        return;
    outline_ = show;
    gfx::TRect r = OldRect;
    NormalizeRect(r);
    requestRepaint(QRegion(r.Left - 1, r.Top - 1, r.Width() + 3, r.Height() + 3));
}

void TrpDesignerPage::ShowLine(bool show)
{
    if (line_ == show && !show)
        return;
    line_ = show;
    gfx::TRect r = OldRect;
    NormalizeRect(r);
    const int w = std::max(1, rpRound(LastStyle.LineWidth)) + 2;
    requestRepaint(QRegion(r.Left - w, r.Top - w, r.Width() + 2 * w + 1, r.Height() + 2 * w + 1));
}

void TrpDesignerPage::ShowSplitter(bool show)
{
    if (splitter_ == show && !show)
        return;
    splitter_ = show;
    const gfx::TRect& r = splitterLine_;
    requestRepaint(QRegion(std::min(r.Left, r.Right) - 1, r.Top - 1, std::abs(r.Right - r.Left) + 3, r.Height() + 3));
}

void TrpDesignerPage::paintOverlays(QPainter& p) const
{
    TrpPage* page = FDesigner->Page;
    if (!page)
        return;
    const QList<TrpView*>& objs = page->Objects;
    if (layerActive_)
        p.drawImage(layerOffset_, layer_);
    if (marks_) {
        for (int i = 0; i < objs.size(); ++i) {
            const TrpView* v = objs[i];
            if (!v->Selected)
                continue;
            auto mark = [&p](int x, int y, const QColor& c) { p.fillRect(x - 2, y - 2, 5, 5, c); };
            mark(v->x, v->y, markColor);
            mark(v->x + v->dx, v->y, markColor);
            mark(v->x, v->y + v->dy, markColor);
            mark(v->x + v->dx, v->y + v->dy, i == RightBottom ? groupMarkColor : markColor);
            if (SelectedCount == 1) {
                mark(v->x + v->dx / 2, v->y, markColor);
                mark(v->x + v->dx / 2, v->y + v->dy, markColor);
                mark(v->x, v->y + v->dy / 2, markColor);
                mark(v->x + v->dx, v->y + v->dy / 2, markColor);
            }
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(outlineColor, 1));
    auto focusRect = [&p](gfx::TRect r) {
        NormalizeRect(r);
        if (r.Width() <= 1 || r.Height() <= 1)
            p.drawLine(r.Left, r.Top, std::max(r.Left, r.Right - 1), std::max(r.Top, r.Bottom - 1));
        else
            p.drawRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)));
    };
    if (shapes_)
        for (const TrpView* v : objs)
            if (v->Selected)
                focusRect(gfx::Rect(v->x, v->y, v->x + v->dx + 1, v->y + v->dy + 1));
    if (outline_)
        focusRect(OldRect);
    if (splitter_)
        p.drawLine(splitterLine_.Left, splitterLine_.Top, splitterLine_.Right, splitterLine_.Bottom);
    if (line_) {
        p.setPen(QPen(Qt::black, std::max(1, rpRound(LastStyle.LineWidth)), Qt::SolidLine, Qt::FlatCap));
        const int w = OldRect.Right - OldRect.Left, h = OldRect.Bottom - OldRect.Top;
        if (std::abs(w) > std::abs(h))
            p.drawLine(OldRect.Left, OldRect.Top, OldRect.Right, OldRect.Top);
        else
            p.drawLine(OldRect.Left, OldRect.Top, OldRect.Left, OldRect.Bottom);
    }
}

QImage TrpDesignerPage::Snapshot() const
{
    QImage image = cache_.copy();
    QPainter p(&image);
    paintOverlays(p);
    return image;
}

void TrpDesignerPage::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    for (const QRect& r : event->region())
        p.drawImage(r.topLeft(), cache_, r);
    paintOverlays(p);
}

void TrpDesignerPage::NormalizeRect(gfx::TRect& r)
{
    if (r.Left > r.Right)
        std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom)
        std::swap(r.Top, r.Bottom);
}

void TrpDesignerPage::NormalizeCoord(TrpView* v)
{
    if (v->dx < 0) {
        v->dx = -v->dx;
        v->x -= v->dx;
    }
    if (v->dy < 0) {
        v->dy = -v->dy;
        v->y -= v->dy;
    }
}

void TrpDesignerPage::RoundCoord(int& x, int& y) const
{
    if (!FDesigner->GridAlign)
        return;
    const int g = FDesigner->GridSize;
    x = x / g * g;
    y = y / g * g;
}

bool TrpDesignerPage::GridStep(int& dx, int& dy) const
{
    if (!FDesigner->GridAlign)
        return true;
    const int g = FDesigner->GridSize;
    if (std::abs(dx) < g && std::abs(dy) < g)
        return false;
    dx -= dx % g;
    dy -= dy % g;
    return true;
}

bool TrpDesignerPage::FindNearestEdge(int& x, int& y) const
{
    double best = FDesigner->GridSize;
    gfx::TPoint point(x, y);
    bool found = false;
    for (const TrpView* v : objects()) {
        const gfx::TPoint corners[4] = {{v->x, v->y}, {v->x + v->dx, v->y}, {v->x + v->dx, v->y + v->dy}, {v->x, v->y + v->dy}};
        for (const gfx::TPoint& c : corners) {
            const double d = std::hypot(double(c.X - x), double(c.Y - y));
            if (d < best) {
                best = d;
                point = c;
                found = true;
            }
        }
    }
    x = point.X;
    y = point.Y;
    return found;
}

void TrpDesignerPage::GetMultipleSelected()
{
    LeftTop = gfx::TPoint(10000, 10000);
    RightBottom = -1;
    GroupFrame = false;
    groupSaved_.clear();
    if (SelectedCount <= 1)
        return;
    const QList<TrpView*>& objs = objects();
    int bestRight = 0, bestBottom = 0;
    for (int i = 0; i < objs.size(); ++i) {
        TrpView* v = objs[i];
        if (!v->Selected)
            continue;
        groupSaved_.insert(v, gfx::Rect(v->x, v->y, v->dx, v->dy));
        const int r = v->x + v->dx, b = v->y + v->dy;
        if (RightBottom < 0 || r > bestRight || (r == bestRight && b > bestBottom)) {
            RightBottom = i;
            bestRight = r;
            bestBottom = b;
        }
        LeftTop.X = std::min(LeftTop.X, v->x);
        LeftTop.Y = std::min(LeftTop.Y, v->y);
    }
    if (RightBottom < 0)
        return;
    OldRect = OldRect1 = gfx::Rect(LeftTop.X, LeftTop.Y, bestRight, bestBottom);
    GroupFrame = true;
}

int TrpDesignerPage::topSelectedIndex() const
{
    return FDesigner->TopSelectedIndex();
}

TrpView* TrpDesignerPage::singleSelected() const
{
    for (TrpView* v : objects())
        if (v->Selected)
            return v;
    return nullptr;
}

void TrpDesignerPage::SetDesignCursor(TrpDesignCursor c)
{
    cursor_ = c;
    switch (c) {
    case dcDefault: setCursor(Qt::ArrowCursor); break;
    case dcCross: setCursor(Qt::CrossCursor); break;
    case dcPencil: setCursor(Qt::PointingHandCursor); break;
    case dcSizeNWSE: setCursor(Qt::SizeFDiagCursor); break;
    case dcSizeNESW: setCursor(Qt::SizeBDiagCursor); break;
    case dcSizeNS: setCursor(Qt::SizeVerCursor); break;
    case dcSizeWE: setCursor(Qt::SizeHorCursor); break;
    case dcHSplit: setCursor(Qt::SplitHCursor); break;
    }
}

// ---- Qt events, handed to the handlers ----------------------------------------------------------------

void TrpDesignerPage::mousePressEvent(QMouseEvent* e)
{
    MDown(e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
}

void TrpDesignerPage::mouseMoveEvent(QMouseEvent* e)
{
    MMove(e->modifiers(), int(e->position().x()), int(e->position().y()));
}

void TrpDesignerPage::mouseReleaseEvent(QMouseEvent* e)
{
    MUp(e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
}

void TrpDesignerPage::mouseDoubleClickEvent(QMouseEvent*)
{
    DClick();
}

void TrpDesignerPage::leaveEvent(QEvent*)
{
    MouseLeave();
}

void TrpDesignerPage::MouseLeave()
{
    if (Mode == mdInsert && !Pressed) {
        ShowOutline(false);
        gfx::OffsetRect(OldRect, -10000, -10000);
    }
}
