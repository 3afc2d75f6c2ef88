#include "grid/PopupListbox.h"
#include "grid/ToolCtrlsEx.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>

namespace {
constexpr int SearchPauseMs = 2000;
constexpr int SearchMaxLength = 32;
} // namespace

std::function<qint64()> TPopupListbox::Clock = SteadyClockMs;

TPopupListbox::TPopupListbox(QWidget* owner) : QListWidget(owner)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // One line of the frame colour on every side: a sunken box leaves the bottom and right edges white.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setMouseTracking(true);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    itemHeight_ = std::max(QFontMetrics(font()).height(), 11);
    grip_ = new TSizeGripEx(this);
    grip_->hide();
    hide();
}

int TPopupListbox::LocateText(const QStringList& items, const QString& text, bool partial)
{
    for (int i = 0; i < items.size(); ++i) {
        const QString& s = items[i];
        if (partial ? s.startsWith(text, Qt::CaseInsensitive) : s.compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int TPopupListbox::SearchKey(const QString& typed)
{
    const qint64 now = Clock();
    if (now - lastKey_ > SearchPauseMs)
        searchText_.clear();
    lastKey_ = now;
    if (searchText_.size() < SearchMaxLength)
        searchText_ += typed;
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts << item(i)->text();
    const int i = LocateText(texts, searchText_, true);
    if (i >= 0)
        setCurrentRow(i);
    return i;
}

void TPopupListbox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Escape) {
        searchText_.clear();
    } else if (!e->text().isEmpty() && e->text().at(0).unicode() >= 32 && e->text().at(0).isPrint()) {
        SearchKey(e->text());
        e->accept();
        return;
    }
    QListWidget::keyPressEvent(e);
}

void TPopupListbox::mouseMoveEvent(QMouseEvent* e)
{
    if (e->buttons() == Qt::NoButton) {
        if (QListWidgetItem* it = itemAt(e->position().toPoint()))
            setCurrentItem(it);
        return;
    }
    QListWidget::mouseMoveEvent(e);
}

void TPopupListbox::mouseReleaseEvent(QMouseEvent* e)
{
    QListWidget::mouseReleaseEvent(e);
    if (OnMouseUpEx)
        OnMouseUpEx(rect().contains(e->position().toPoint()));
}

void TPopupListbox::wheelEvent(QWheelEvent* e)
{
    const int step = e->angleDelta().y() < 0 ? 1 : -1;
    setCurrentRow(std::clamp(currentRow() + step, 0, std::max(0, count() - 1)));
    e->accept();
}

void TPopupListbox::resizeEvent(QResizeEvent* e)
{
    // Never smaller than a scroll bar's breadth and arrow.
    const int minW = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int minH = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (width() < minW || height() < minH) {
        resize(std::max(width(), minW), std::max(height(), minH));
        return;
    }
    // Whole items only, at least one: the last one shown is never cut.
    const int rowH = std::max(1, sizeHintForRow(0) > 0 ? sizeHintForRow(0) : itemHeight_);
    const int whole = FrameHeight() + rowH * std::max(1, (height() - FrameHeight()) / rowH);
    if (height() != whole) {
        resize(width(), whole);
        return;
    }
    if (isVisible())
        sizeChangedByUser_ = true;
    QListWidget::resizeEvent(e);
}
