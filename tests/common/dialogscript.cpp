#include "common/dialogscript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace testutil {

namespace {

DialogScript* g_current = nullptr;
// How long a shown dialog may take to become the active window on a machine loaded far past its processors.
constexpr qint64 kActivationMs = 30000;

} // namespace

DialogScript::DialogScript(TUnscripted unscripted) : unscripted_(unscripted), outer_(g_current)
{
    g_current = this;
}

DialogScript::~DialogScript()
{
    g_current = outer_;
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " dialog steps were not used";
    EXPECT_TRUE(files_.empty()) << files_.size() << " file answers were not used";
    EXPECT_TRUE(menus_.empty()) << menus_.size() << " menu steps were not used";
}

DialogScript* DialogScript::Current()
{
    return g_current;
}

std::string DialogScript::NameOf(const QWidget& w)
{
    return (w.objectName().isEmpty() ? QString::fromLatin1(w.metaObject()->className()) : w.objectName())
        .toStdString();
}

void DialogScript::Then(Step step)
{
    steps_.push_back(std::move(step));
}

void DialogScript::File(const QString& name, int filterIndex)
{
    files_.push_back(std::make_pair(name, filterIndex));
}

void DialogScript::CancelFile()
{
    files_.push_back(std::nullopt);
}

void DialogScript::Menu(std::function<void(QMenu&)> step)
{
    menus_.push_back(std::move(step));
}

int DialogScript::Exec(QDialog& dialog)
{
    Shown.append(QString::fromStdString(NameOf(dialog)));
    if (steps_.empty() && unscripted_ == FailUnscripted) {
        ADD_FAILURE() << "unexpected dialog " << NameOf(dialog);
        return QDialog::Rejected;
    }
    Step step;
    if (!steps_.empty()) {
        step = std::move(steps_.front());
        steps_.pop_front();
    }
    // The step runs from the dialog's own modal loop once the dialog is the active window, where the user's
    // keys go (a window system that never activates it still gets the step after a generous bound). The
    // timer dies with this call, so a step the loop never reached cannot act on a later dialog.
    bool ran = false;
    QElapsedTimer shown;
    shown.start();
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        if (!dialog.isActiveWindow() && shown.elapsed() < kActivationMs) {
            start.start(5);
            return;
        }
        ran = true;
        const QPointer<QDialog> alive(&dialog);
        if (step)
            step(dialog);
        if (alive && alive->isVisible())
            alive->reject();
    });
    start.start(0);
    const int result = dialog.exec();
    if (!ran && step)
        steps_.push_front(std::move(step));
    return result;
}

bool DialogScript::AskFile(ctl::TFileQuestion& question, QWidget*)
{
    FileAsked.append(question);
    if (files_.empty()) {
        if (unscripted_ == FailUnscripted)
            ADD_FAILURE() << "unexpected file question";
        return false;
    }
    const auto answer = files_.front();
    files_.pop_front();
    if (!answer)
        return false;
    question.FileName = answer->first;
    if (answer->second > 0)
        question.FilterIndex = answer->second;
    return true;
}

void DialogScript::Popup(QMenu& menu, const QPoint& at)
{
    ++Popups;
    if (menus_.empty()) {
        // As the program would: shown, and left to the next click.
        menu.popup(at);
        return;
    }
    const auto step = std::move(menus_.front());
    menus_.pop_front();
    step(menu);
}

void Activate(QWidget& window)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 30000));
}

QWidget* Focused(QWidget& window)
{
    QWidget* w = QApplication::focusWidget();
    return w && w->window() == &window ? w : &window;
}

void ClickOn(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isEnabled()) << w->objectName().toStdString() << " is disabled";
    // Clicked on its text side, where check boxes and radio buttons take clicks too.
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(std::min(w->width() / 2, 10), w->height() / 2));
}

void ClickButton(QWidget* dialog, const char* name)
{
    ClickOn(Child<QAbstractButton>(*dialog, name));
}

void Type(QLineEdit* edit, const QString& text)
{
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // Letters beyond ASCII have no key code of their own: they come as the text of the key.
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(edit, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void ClickItem(QListWidget* list, const QString& text, Qt::KeyboardModifiers mods)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualItemRect(found[0]).center());
}

} // namespace testutil
