#pragma once
// Driving modal dialogs as a user would: a step runs on the next modal window that opens, and a
// dialog's look is checked (nothing overlaps, every text is whole) and kept as a screenshot.
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <QWidget>
#include <functional>

namespace destest {

// Runs step on the next modal window other than the one on top now that takes (any window without take),
// once it is shown. A step that never finds its window fails the test after a hang guard.
void OnModal(const std::function<void(QWidget*)>& step, const std::function<bool(QWidget*)>& take = {});

template <typename Dialog>
void OnModalOf(const std::function<void(Dialog*)>& step)
{
    OnModal([step](QWidget* w) { step(dynamic_cast<Dialog*>(w)); },
            [](QWidget* w) { return dynamic_cast<Dialog*>(w) != nullptr; });
}

// The problems of a shown dialog's layout: sibling controls that overlap, texts cut by their control.
QStringList LayoutProblems(QWidget* dialog);
// Saves the dialog as build/screenshots/<name>.png; false when it cannot be written.
bool SaveScreenshot(QWidget* dialog, const QString& name);

} // namespace destest
