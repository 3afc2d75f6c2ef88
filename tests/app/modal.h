#pragma once
// Drives a modal dialog from inside its own event loop: the action runs once the dialog is the active
// modal widget.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace testutil {

// Raised by each test that drives dialogs, so an action its test never used cannot act in the next one.
inline int& modalEpoch()
{
    static int epoch = 0;
    return epoch;
}

template <class Dialog>
void whenModal(std::function<void(Dialog*)> action, int tries = 500)
{
    auto remaining = std::make_shared<int>(tries);
    auto poll = std::make_shared<std::function<void()>>();
    const int epoch = modalEpoch();
    *poll = [action, remaining, poll, epoch] {
        if (epoch != modalEpoch()) {
            *poll = nullptr;
            return;
        }
        if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            action(d);
            *poll = nullptr;
            return;
        }
        if (--*remaining > 0)
            QTimer::singleShot(2, *poll);
    };
    QTimer::singleShot(0, *poll);
}

} // namespace testutil
