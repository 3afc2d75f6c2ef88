#include "report/rpPreview.h"

#include "platform/graphics/Canvas.h"
#include "report/rpEMFPages.h"
#include "report/rpGlobals.h"
#include "report/rpPage.h"
#include "report/rpPrepare.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QActionGroup>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>

double TrpPageView::LastZoom = 1.0;
int TrpPageView::LastZoomMode = 0;

namespace {

const QColor kGray(128, 128, 128);

int roundEven(double v)
{
    return int(std::nearbyint(v));
}

} // namespace

// ---- paint box ----------------------------------------------------------------------------------------

TrpPBox::TrpPBox(TrpPageView* view) : QWidget(view), view_(view)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

void TrpPBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    view_->paintPages(painter, event->rect());
}

void TrpPBox::resizeEvent(QResizeEvent*)
{
    view_->FormResize();
}

void TrpPBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        down_ = true;
        last_ = event->position().toPoint();
    } else if (event->button() == Qt::RightButton) {
        view_->PopupProcMenu(event->globalPosition().toPoint(), true);
    }
}

void TrpPBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!down_)
        return;
    const QPoint p = event->position().toPoint();
    const QPoint d = p - last_;
    last_ = p;
    view_->HScrollBar->setValue(view_->HScrollBar->value() - d.x());
    view_->VScrollBar->setValue(view_->VScrollBar->value() - d.y());
}

void TrpPBox::mouseReleaseEvent(QMouseEvent*)
{
    down_ = false;
}

void TrpPBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && view_->EditPageEnabled())
        view_->OnEditPage();
}

void TrpPBox::wheelEvent(QWheelEvent* event)
{
    if (event->angleDelta().y() > 0)
        view_->FormMouseWheelUp();
    else if (event->angleDelta().y() < 0)
        view_->FormMouseWheelDown();
    event->accept();
}

// ---- page view ----------------------------------------------------------------------------------------

TrpPageView::TrpPageView(QWidget* parent) : QWidget(parent)
{
    PBox = new TrpPBox(this);
    VScrollBar = new QScrollBar(Qt::Vertical, this);
    HScrollBar = new QScrollBar(Qt::Horizontal, this);
    PgUp = new QToolButton(this);
    PgUp->setArrowType(Qt::UpArrow);
    PgDown = new QToolButton(this);
    PgDown->setArrowType(Qt::DownArrow);
    PageLabel = new QLabel(this);
    VScrollBar->setSingleStep(8);
    HScrollBar->setSingleStep(8);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(PBox, 0, 0);
    auto* side = new QWidget(this);
    auto* sideLayout = new QGridLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->setSpacing(0);
    sideLayout->addWidget(VScrollBar, 0, 0);
    sideLayout->addWidget(PgUp, 1, 0);
    sideLayout->addWidget(PgDown, 2, 0);
    grid->addWidget(side, 0, 1);
    auto* bottom = new QWidget(this);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(4);
    bottomLayout->addWidget(PageLabel);
    bottomLayout->addWidget(HScrollBar, 1);
    grid->addWidget(bottom, 1, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(0, 1);
    side->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    bottom->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    ProcMenu = new QMenu(this);
    auto* group = new QActionGroup(ProcMenu);
    auto add = [&](const QString& text, int tag) {
        QAction* a = ProcMenu->addAction(text);
        a->setCheckable(true);
        a->setData(tag);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { N3Click(tag); });
    };
    for (int p : {200, 150, 100, 75, 50, 25, 10})
        add(QString::number(p) + QLatin1Char('%'), p);
    add(rpLoadStr(53020), 1);
    add(rpLoadStr(53021), 2);
    add(rpLoadStr(53022), 3);
    EditSeparator = ProcMenu->addSeparator();
    EditPageItem = ProcMenu->addAction(rpLoadStr(53029));
    AddPageItem = ProcMenu->addAction(rpLoadStr(53030));
    DeletePageItem = ProcMenu->addAction(rpLoadStr(53031));
    auto run = [](const std::function<void()>& handler) {
        if (handler)
            handler();
    };
    connect(EditPageItem, &QAction::triggered, this, [this, run] { run(OnEditPage); });
    connect(AddPageItem, &QAction::triggered, this, [this, run] { run(OnAddPage); });
    connect(DeletePageItem, &QAction::triggered, this, [this, run] { run(OnDeletePage); });
    for (QAction* a : {EditSeparator, EditPageItem, AddPageItem, DeletePageItem})
        a->setVisible(false);

    connect(VScrollBar, &QScrollBar::valueChanged, this, [this] { VScrollBarChange(); });
    connect(HScrollBar, &QScrollBar::valueChanged, this, [this] { HScrollBarChange(); });
    connect(PgUp, &QToolButton::clicked, this, [this] { PgUpClick(); });
    connect(PgDown, &QToolButton::clicked, this, [this] { PgDownClick(); });
}

TrpPageView::~TrpPageView()
{
    ConnectBack();
}

int TrpPageView::PageCount() const
{
    return Pages ? Pages->Count() : 0;
}

gfx::TRect TrpPageView::PageRect(int index) const
{
    return index >= 0 && index < boxes_.size() ? boxes_[index].r : gfx::TRect();
}

bool TrpPageView::PageVisible(int index) const
{
    return index >= 0 && index < boxes_.size() && boxes_[index].visible;
}

void TrpPageView::Connect(TrpReport* report)
{
    // Connected again with nothing prepared since: the report holds only the empty store it was given, and
    // taking it would throw the pages shown away.
    if (Report == report && Pages && report->ConnectedView == this && report->EMFPages->Count() == 0) {
        EditEnabled = false;
        return;
    }
    if (Report && Report != report)
        ConnectBack();
    // Pages shown in another view come back from it first: they follow the latest view.
    if (report->ConnectedView && report->ConnectedView != this)
        report->ConnectedView->ConnectBack();
    Report = report;
    Pages = std::move(report->EMFPages);
    report->EMFPages = std::make_unique<TrpEMFPages>(report);
    report->ConnectedView = this;
    EditEnabled = false;
}

void TrpPageView::ConnectBack()
{
    if (!Report || !Pages)
        return;
    Report->EMFPages = std::move(Pages);
    if (Report->ConnectedView == this)
        Report->ConnectedView = nullptr;
    Report = nullptr;
    boxes_.clear();
    LayoutValid = false;
    update();
}

void TrpPageView::checkZoomItem()
{
    const int tag = ZoomMode == 0 ? roundEven(ZoomFactor * 100) : ZoomMode;
    for (QAction* a : ProcMenu->actions())
        if (a->isCheckable())
            a->setChecked(a->data().toInt() == tag);
}

void TrpPageView::RedrawAll()
{
    ZoomFactor = LastZoom;
    ZoomMode = LastZoomMode;
    checkZoomItem();
    CurrentPage = 1;
    ShowPageNum();
    OffsetX = OffsetY = 0;
    lastV_ = lastH_ = 0;
    {
        const QSignalBlocker bv(VScrollBar), bh(HScrollBar);
        VScrollBar->setValue(0);
        HScrollBar->setValue(0);
    }
    FormResize();
    for (int i = 0; i < PageCount(); ++i) {
        Pages->Pages(i).Visible = false;
        Pages->Pages(i).Page.reset();
        if (i < boxes_.size())
            boxes_[i].visible = false;
    }
    PBox->update();
}

void TrpPageView::FormResize()
{
    const int count = PageCount();
    if (count == 0)
        return;
    LayoutValid = false;
    const int W = PBox->width();
    const int H = PBox->height();
    auto pageW = [&](int i) { return Pages->Pages(i).PrnInfo.Pgw; };
    auto pageH = [&](int i) { return Pages->Pages(i).PrnInfo.Pgh; };
    const int cur = std::clamp(CurrentPage - 1, 0, count - 1);
    if (ZoomMode == 1 && pageW(cur) > 0)
        ZoomFactor = double(W - 20) / pageW(cur);
    else if (ZoomMode == 2 && pageH(cur) > 0)
        ZoomFactor = double(H - 20) / pageH(cur);
    else if (ZoomMode == 3 && pageW(cur) > 0)
        ZoomFactor = double(W - 30) / (2.0 * pageW(cur));
    if (ZoomFactor <= 0)
        ZoomFactor = 0.01;
    ZoomCaption = QString::number(roundEven(ZoomFactor * 100)) + QLatin1Char('%');

    int perRow = 0;
    for (int x = 10; perRow < count; ++perRow) {
        x += roundEven(pageW(perRow) * ZoomFactor) + 10;
        if (x > W)
            break;
    }
    perRow = std::max(1, perRow);
    if (ZoomMode == 2)
        perRow = 1;
    else if (ZoomMode == 3)
        perRow = 2;

    boxes_.resize(count);
    int y = 10;
    int maxRight = 0, maxBottom = 0;
    for (int first = 0; first < count; first += perRow) {
        int x = 10;
        int rowHeight = 0;
        for (int i = first; i < std::min(count, first + perRow); ++i) {
            const int w = roundEven(pageW(i) * ZoomFactor);
            const int h = roundEven(pageH(i) * ZoomFactor);
            int left = x;
            if (perRow == 1 && w < W)
                left = (W - w) / 2;
            boxes_[i].r = gfx::TRect(left, y, left + w, y + h);
            maxRight = std::max(maxRight, left + w);
            maxBottom = std::max(maxBottom, y + h);
            x += w + 10;
            rowHeight = std::max(rowHeight, h);
        }
        y += rowHeight + 10;
    }
    const int hRange = std::max(0, maxRight - W + 10);
    const int vRange = std::max(0, maxBottom - H + 10);
    {
        const QSignalBlocker bv(VScrollBar), bh(HScrollBar);
        HScrollBar->setRange(0, hRange);
        VScrollBar->setRange(0, vRange);
        HScrollBar->setPageStep(std::max(1, W));
        VScrollBar->setPageStep(std::max(1, H));
        HScrollBar->setEnabled(hRange > 0);
        VScrollBar->setEnabled(vRange > 0);
        OffsetX = -HScrollBar->value();
        OffsetY = -VScrollBar->value();
        lastH_ = HScrollBar->value();
        lastV_ = VScrollBar->value();
    }
    SetToCurPage();
    LayoutValid = true;
    PBox->update();
}

void TrpPageView::SetToCurPage()
{
    if (CurrentPage < 1 || CurrentPage > boxes_.size())
        return;
    const int top = boxes_[CurrentPage - 1].r.Top - 10;
    if (VScrollBar->value() != top) {
        const int keep = CurrentPage;
        VScrollBar->setValue(top);
        CurrentPage = keep; // the scroll may have picked the page above a short last row
        ShowPageNum();
    }
}

void TrpPageView::ShowPageNum()
{
    PageLabel->setText(rpLoadStr(55004) + QLatin1Char(' ') + QString::number(PageCount() ? CurrentPage : 0) +
                       QLatin1Char('/') + QString::number(PageCount()));
}

void TrpPageView::VScrollBarChange()
{
    const int pos = VScrollBar->value();
    PBox->scroll(0, lastV_ - pos);
    lastV_ = pos;
    OffsetY = -pos;
    const int y = 11 - OffsetY;
    for (int i = 0; i < boxes_.size(); ++i)
        if (boxes_[i].r.Top <= y && boxes_[i].r.Bottom >= y) {
            CurrentPage = i + 1;
            break;
        }
    ShowPageNum();
    PBox->update();
}

void TrpPageView::HScrollBarChange()
{
    const int pos = HScrollBar->value();
    PBox->scroll(lastH_ - pos, 0);
    lastH_ = pos;
    OffsetX = -pos;
    PBox->update();
}

void TrpPageView::PgUpClick()
{
    if (CurrentPage > 1)
        --CurrentPage;
    SetToCurPage();
    ShowPageNum();
}

void TrpPageView::PgDownClick()
{
    if (CurrentPage < PageCount())
        ++CurrentPage;
    SetToCurPage();
    ShowPageNum();
}

void TrpPageView::N3Click(int tag)
{
    if (tag >= 1 && tag <= 3) {
        ZoomMode = tag;
    } else {
        ZoomMode = 0;
        ZoomFactor = tag / 100.0;
    }
    checkZoomItem();
    HScrollBar->setValue(0);
    FormResize();
    LastZoom = ZoomFactor;
    LastZoomMode = ZoomMode;
    PBox->update();
}

void TrpPageView::ZoomBtnClick()
{
    PopupProcMenu(mapToGlobal(QPoint(0, height())), false);
}

bool TrpPageView::EditPageEnabled() const
{
    return EditEnabled && rpDesigner && OnEditPage;
}

void TrpPageView::PopupProcMenu(const QPoint& globalPos, bool editItems)
{
    const bool shown = editItems && rpDesigner && OnEditPage;
    for (QAction* a : {EditSeparator, EditPageItem, AddPageItem, DeletePageItem}) {
        a->setVisible(shown);
        a->setEnabled(EditEnabled);
    }
    ProcMenu->popup(globalPos);
}

void TrpPageView::FormMouseWheelUp()
{
    VScrollBar->setValue(VScrollBar->value() - VScrollBar->singleStep() * WheelFactor);
}

void TrpPageView::FormMouseWheelDown()
{
    VScrollBar->setValue(VScrollBar->value() + VScrollBar->singleStep() * WheelFactor);
}

void TrpPageView::SetScrollBars(TrpScrollStyle style)
{
    VScrollBar->setVisible(style == ssVertical || style == ssBoth);
    HScrollBar->setVisible(style == ssHorizontal || style == ssBoth);
}

void TrpPageView::paintPages(QPainter& painter, const QRect& clip)
{
    if (!LayoutValid)
        return;
    if (PageCount() == 0) {
        painter.fillRect(clip, palette().button());
        return;
    }
    QRegion background(clip);
    const int cutoff = std::max(2000, PBox->height());
    for (int i = 0; i < boxes_.size(); ++i) {
        const gfx::TRect& r = boxes_[i].r;
        const QRect shifted(r.Left + OffsetX, r.Top + OffsetY, r.Width(), r.Height());
        bool visible = !(shifted.top() > cutoff || shifted.bottom() < 0) && shifted.adjusted(0, 0, 1, 1).intersects(clip);
        boxes_[i].visible = visible;
        Pages->Pages(i).Visible = visible;
        if (visible)
            background -= QRegion(shifted.adjusted(0, 0, 1, 1));
        else
            Pages->Pages(i).Page.reset();
    }
    for (const QRect& r : background)
        painter.fillRect(r, kGray);
    for (int i = 0; i < boxes_.size(); ++i) {
        if (!boxes_[i].visible)
            continue;
        const gfx::TRect& r = boxes_[i].r;
        const QRect page(r.Left + OffsetX, r.Top + OffsetY, r.Width(), r.Height());
        painter.fillRect(page, Qt::white);
        painter.setPen(Qt::black);
        painter.drawRect(page.adjusted(0, 0, -1, -1));
        painter.drawLine(page.right() + 1, page.top() + 1, page.right() + 1, page.bottom() + 1);
        painter.drawLine(page.left() + 1, page.bottom() + 1, page.right() + 1, page.bottom() + 1);
        const TrpPageInfo& info = Pages->Pages(i);
        gfx::TRect target(page.left(), page.top(), page.left() + page.width(), page.top() + page.height());
        if (!info.pgMargins) {
            const int ox = page.left() + roundEven(info.PrnInfo.Ofx * ZoomFactor);
            const int oy = page.top() + roundEven(info.PrnInfo.Ofy * ZoomFactor);
            target = gfx::TRect(ox, oy, ox + roundEven(info.PrnInfo.Pw * ZoomFactor),
                                oy + roundEven(info.PrnInfo.Ph * ZoomFactor));
        }
        painter.save();
        painter.setClipRect(page.intersected(clip));
        gfx::TCanvas canvas(&painter);
        Pages->Draw(i, &canvas, target);
        painter.restore();
    }
}

// ---- the embeddable control ---------------------------------------------------------------------------

TrpPreview::TrpPreview(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFocusPolicy(Qt::StrongFocus);
    window_ = new TrpPageView(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    layout->addWidget(window_);
    SetScrollBars(ssBoth);
}

TrpPreview::~TrpPreview()
{
    Disconnect();
}

void TrpPreview::Connect(TrpReport* report)
{
    window_->Connect(report);
    switch (report->InitialZoom) {
    case pzPageWidth: TrpPageView::LastZoomMode = 1; break;
    case pzOnePage: TrpPageView::LastZoomMode = 2; break;
    case pzTwoPages: TrpPageView::LastZoomMode = 3; break;
    default: break;
    }
    window_->CurrentPage = 1;
    window_->RedrawAll();
    // On a host window the window's wheel turns the pages, three lines a step.
    QWidget* host = window();
    if (host != this && host != hostWithFilter_) {
        if (hostWithFilter_)
            hostWithFilter_->removeEventFilter(this);
        host->installEventFilter(this);
        hostWithFilter_ = host;
        window_->WheelFactor = 3;
    }
}

bool TrpPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == hostWithFilter_ && event->type() == QEvent::Wheel && window_->PageCount() > 0) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->angleDelta().y() > 0)
            window_->FormMouseWheelUp();
        else if (wheel->angleDelta().y() < 0)
            window_->FormMouseWheelDown();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void TrpPreview::Disconnect()
{
    window_->ConnectBack();
}

int TrpPreview::Page() const
{
    return window_->CurrentPage;
}

void TrpPreview::SetPage(int page)
{
    if (page < 1 || page > AllPages())
        return;
    window_->CurrentPage = page;
    window_->SetToCurPage();
    window_->ShowPageNum();
}

int TrpPreview::AllPages() const
{
    return window_->PageCount();
}

double TrpPreview::Zoom() const
{
    return window_->ZoomFactor * 100;
}

void TrpPreview::SetZoom(double percent)
{
    window_->ZoomFactor = percent / 100;
    window_->ZoomMode = 0;
    window_->FormResize();
    window_->PBox->update();
}

void TrpPreview::SetScrollBars(TrpScrollStyle style)
{
    scrollBars_ = style;
    window_->SetScrollBars(style);
}

void TrpPreview::OnePage()
{
    window_->ZoomMode = 2;
    window_->FormResize();
}

void TrpPreview::TwoPages()
{
    window_->ZoomMode = 3;
    window_->FormResize();
}

void TrpPreview::PageWidth()
{
    window_->ZoomMode = 1;
    window_->FormResize();
}

void TrpPreview::First()
{
    SetPage(1);
}

void TrpPreview::Next()
{
    SetPage(Page() + 1);
}

void TrpPreview::Prev()
{
    SetPage(Page() - 1);
}

void TrpPreview::Last()
{
    SetPage(AllPages());
}

void TrpPreview::Print()
{
    TrpReport* report = window_->Report;
    if (!report)
        return;
    // Printing needs the report's own pages.
    window_->ConnectBack();
    rpPrintPreparedReport(report, QString(), 1);
    window_->Connect(report);
    window_->FormResize();
}

void TrpPreview::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    window_->FormResize();
}
