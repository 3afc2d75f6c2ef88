#pragma once
// Answers the program's dialogs as a user would, for the life of a scope. Each dialog the program runs
// runs modally as usual and, once it is the active window, takes the next step of the script from inside
// its own loop: the step clicks and types in it (it may open further dialogs, which take the steps after
// it). A dialog the step leaves open is cancelled. A file question takes the next file answer; a pop-up
// menu the next menu step. Steps and answers left unused when the script ends fail the test.
#include "platform/controls/DialogPort.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>

class QAbstractButton;
class QLineEdit;
class QListWidget;
class QMenu;

namespace testutil {

class DialogScript : public ctl::TScopedDialogPort {
public:
    // What a dialog that finds no step meets: it is shown and cancelled, or it fails the test unshown.
    enum TUnscripted { CancelUnscripted, FailUnscripted };
    using Step = std::function<void(QDialog&)>;

    explicit DialogScript(TUnscripted unscripted = CancelUnscripted);
    ~DialogScript() override;

    void Then(Step step);
    // The next dialog is a D (another fails the test) and takes the step.
    template <class D>
    void Then(std::function<void(D*)> step)
    {
        Then([step](QDialog& d) {
            auto* dialog = dynamic_cast<D*>(&d);
            ASSERT_NE(dialog, nullptr) << "unexpected dialog " << NameOf(d);
            step(dialog);
        });
    }
    template <class D>
    void Then(std::function<void(D&)> step)
    {
        Then<D>(std::function<void(D*)>([step](D* d) { step(*d); }));
    }
    // The next file question chooses this file with this filter (0 keeps the question's own).
    void File(const QString& name, int filterIndex = 0);
    void CancelFile();
    // The next pop-up menu takes the step (it triggers an item, or none).
    void Menu(std::function<void(QMenu&)> step);

    // The innermost script in force; null when there is none.
    static DialogScript* Current();
    static std::string NameOf(const QWidget& w);

    QStringList Shown;                   // the object names (else class names) of the dialogs run, in order
    QList<ctl::TFileQuestion> FileAsked; // the file questions as they were asked
    int Popups = 0;                      // pop-up menus shown

    int Exec(QDialog& dialog) override;
    bool AskFile(ctl::TFileQuestion& question, QWidget* parent) override;
    void Popup(QMenu& menu, const QPoint& at) override;

private:
    TUnscripted unscripted_;
    DialogScript* outer_;
    std::deque<Step> steps_;
    std::deque<std::optional<std::pair<QString, int>>> files_;
    std::deque<std::function<void(QMenu&)>> menus_;
};

// The next dialog the innermost script runs is a D and takes the step.
template <class D>
void OnModalOf(std::function<void(D*)> step)
{
    DialogScript* script = DialogScript::Current();
    ASSERT_NE(script, nullptr) << "no dialog script in force";
    script->Then<D>(std::move(step));
}
template <class D>
void OnModalOf(std::function<void(D&)> step)
{
    OnModalOf<D>(std::function<void(D*)>([step](D* d) { step(*d); }));
}

// Makes the window the active one, as the window system does when the window above it goes.
void Activate(QWidget& window);
// Where the user's keys go: the control of the window that has the focus, else the window.
QWidget* Focused(QWidget& window);

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

} // namespace testutil
