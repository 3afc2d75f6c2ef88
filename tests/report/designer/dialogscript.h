#pragma once
// Drives the designer's modal dialogs as a user would: each dialog the designer opens takes the next
// step of the script, which clicks and types in it; a dialog the step leaves open is cancelled. File
// dialogs answer with a file and filter, or are cancelled.
#include "report/designer/rpDesignerDialogs.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

class QAbstractButton;
class QLineEdit;
class QListWidget;

namespace destest {

class DialogScript {
public:
    using Step = std::function<void(QDialog&)>;
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    void Then(Step step);
    // The next file dialog chooses this file with this filter (0 keeps the dialog's own).
    void File(const QString& name, int filterIndex = 0);
    void CancelFile();

    QStringList Shown;              // the object names of the dialogs run, in order
    QList<TrpFileDialog> FileAsked; // the file dialogs as they were opened

private:
    std::function<int(QDialog&)> previousRunner_;
    std::function<bool(TrpFileDialog&)> previousFileRunner_;
    std::deque<Step> steps_;
    std::deque<std::optional<std::pair<QString, int>>> files_;
};

template <typename T>
T* Child(const QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << "no " << name;
    return c;
}
void ClickOn(QWidget* w);
// Clicks the dialog's button of that object name.
void ClickButton(QWidget* dialog, const char* name);
// Replaces the text of an edit by typing.
void Type(QLineEdit* edit, const QString& text);
// Clicks the item with this text, adding it to the selection with Ctrl.
void ClickItem(QListWidget* list, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier);

// While it lives, a dialog or file dialog opened outside a DialogScript fails the test instead of waiting
// for a user.
class NoUnexpectedDialogs {
public:
    NoUnexpectedDialogs();
    ~NoUnexpectedDialogs();
};

// The dialog as shown: on every page of its tab widgets no control covers another or reaches out of its
// parent, and every text fits its control. The pictures go to VELT_TEST_GRAB_DIR when it is set.
void ExpectLaidOutCleanly(QWidget* dialog, const QString& pictureName);

} // namespace destest
