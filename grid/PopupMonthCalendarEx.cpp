// TPopupMonthCalendarEx: the drop-down calendar of date cells.
#include "grid/ToolCtrlsEx.h"
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>
#include <QWheelEvent>

TPopupMonthCalendarEx::TPopupMonthCalendarEx(QWidget* owner) : QCalendarWidget(owner)
{
    // A window of its own that leaves the focus with the editor, which hands it its keys.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setGridVisible(false);
    // A release on a day takes it; releases on the navigation bar or the day names do nothing.
    connect(this, &QCalendarWidget::clicked, this, [this](QDate) {
        if (OnCloseUp)
            OnCloseUp(true);
    });
    if (auto* view = findChild<QTableView*>())
        view->viewport()->installEventFilter(this);
    hide();
}

void TPopupMonthCalendarEx::PostCloseUp(bool accept)
{
    QTimer::singleShot(0, this, [this, accept] {
        if (OnCloseUp)
            OnCloseUp(accept);
    });
}

bool TPopupMonthCalendarEx::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(e));
        return true;
    }
    return QCalendarWidget::eventFilter(watched, e);
}

void TPopupMonthCalendarEx::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        if (OnCloseUp)
            OnCloseUp(e->key() != Qt::Key_Escape);
        e->accept();
        return;
    }
    // The keys the editor hands over move the chosen day.
    const QDate d = selectedDate().isValid() ? selectedDate() : QDate::currentDate();
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    QDate to;
    switch (e->key()) {
    case Qt::Key_Left: to = d.addDays(-1); break;
    case Qt::Key_Right: to = d.addDays(1); break;
    case Qt::Key_Up: to = d.addDays(-7); break;
    case Qt::Key_Down: to = d.addDays(7); break;
    case Qt::Key_PageUp: to = d.addMonths(-1); break;
    case Qt::Key_PageDown: to = d.addMonths(1); break;
    case Qt::Key_Home: to = ctrl ? QDate(d.year(), d.month(), 1) : QDate(); break;
    case Qt::Key_End: to = ctrl ? QDate(d.year(), d.month(), d.daysInMonth()) : QDate(); break;
    default: break;
    }
    if (to.isValid()) {
        setSelectedDate(to);
        e->accept();
        return;
    }
    QCalendarWidget::keyPressEvent(e);
}

void TPopupMonthCalendarEx::mousePressEvent(QMouseEvent* e)
{
    if (!rect().contains(e->position().toPoint())) {
        if (OnCloseUp)
            OnCloseUp(false);
        return;
    }
    QCalendarWidget::mousePressEvent(e);
}

void TPopupMonthCalendarEx::wheelEvent(QWheelEvent* e)
{
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0)
        setSelectedDate(selectedDate().addDays(-steps));  // down moves on by a day
    e->accept();
}
