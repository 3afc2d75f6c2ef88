#pragma once
// Driving modal windows as a user would: the test's steps run once the window is the active modal one,
// and keys go to the control that has the focus.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <typeinfo>

#include <gtest/gtest.h>

namespace testutil {

// Runs the action once a modal window of class W is the active one (looked for from the event loop, for
// at most 30 s); shown counts the runs. A window the action leaves open (it failed) is cancelled.
template <class W>
void WhenModal(std::function<void(W&)> action, int* shown = nullptr)
{
    auto poll = std::make_shared<std::function<void()>>();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    *poll = [action, poll, clock, shown] {
        if (auto* w = dynamic_cast<W*>(QApplication::activeModalWidget())) {
            if (shown)
                ++*shown;
            const QPointer<QDialog> dialog(w);
            action(*w);
            if (dialog && dialog->isVisible())
                dialog->reject();
            *poll = nullptr;
        } else if (clock->elapsed() < 30000) {
            QTimer::singleShot(5, *poll);
        } else {
            ADD_FAILURE() << "no window " << typeid(W).name();
            *poll = nullptr;
        }
    };
    QTimer::singleShot(0, *poll);
}

// Makes the window the active one, as the window system does when the window above it goes.
inline void Activate(QWidget& window)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 30000));
}

// Where the user's keys go: the control of the window that has the focus, else the window.
inline QWidget* Focused(QWidget& window)
{
    QWidget* w = QApplication::focusWidget();
    return w && w->window() == &window ? w : &window;
}

} // namespace testutil
