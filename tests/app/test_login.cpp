#include "printers.h"
#include "app/EditOperForm.h"
#include "app/LoginForm.h"
#include "app/ProgParam.h"
#include "common/testutil.h"
#include "common/dialogscript.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/IniFile.h"

#include <QAbstractItemView>
#include <QTest>
#include <QWindow>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ctl;
using testutil::TempDir;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

void key(QWidget* w, int k, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &release);
}

void type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        key(w, 0, QString(c));
}

struct Fixture {
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    TProgParam store;
    Fixture()
    {
        store.AddOper(u("ИВАНОВ"), "123");
        store.AddOper(u("ПЕТРОВ"), "555");
        store.AddOper(u("СИДОРОВ"), "7");
    }
    QString ini() const { return dir.file("VELT.ini"); }
    QString remembered() const { return rtl::TIniFile(ini()).ReadString("Methods", "Operator", "<none>"); }
};

} // namespace

TEST(Login, RememberedOperatorNeedsOnlyThePasswordAndEnter)
{
    Fixture fx;
    rtl::TIniFile(fx.ini()).WriteString("Methods", "Operator", u("ПЕТРОВ"));
    TfmLogin d;
    EXPECT_TRUE(d.Setup(&fx.store, fx.dir.path()));
    EXPECT_EQ(d.cbLoginName->count(), 3);
    EXPECT_EQ(d.cbLoginName->maxVisibleItems(), 3);
    EXPECT_EQ(d.cbLoginName->currentText(), u("ПЕТРОВ"));
    d.show();
    EXPECT_EQ(d.focusWidget(), d.eLoginPassword);
    type(d.eLoginPassword, "555");
    key(d.eLoginPassword, Qt::Key_Return);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(d.OperatorName, u("ПЕТРОВ"));
    EXPECT_EQ(fx.boxes.Count(), 0);
}

TEST(Login, TypingSelectsByCapitalsAndTheChoiceIsRemembered)
{
    Fixture fx;
    TfmLogin d;
    d.Setup(&fx.store, fx.dir.path());
    // Nothing remembered: nothing chosen.
    EXPECT_EQ(d.cbLoginName->currentIndex(), -1);
    d.show();
    type(d.cbLoginName, u("с"));
    EXPECT_EQ(d.cbLoginName->currentText(), u("СИДОРОВ"));
    EXPECT_TRUE(d.bOk->isEnabled());
    d.eLoginPassword->setText("7");
    key(d.cbLoginName, Qt::Key_Enter);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(d.OperatorName, u("СИДОРОВ"));
    EXPECT_EQ(fx.remembered(), u("СИДОРОВ"));
}

TEST(Login, WrongPasswordOrUnknownOperatorKeepsTheDialogOpen)
{
    Fixture fx;
    rtl::TIniFile(fx.ini()).WriteString("Methods", "Operator", u("ИВАНОВ"));
    TfmLogin d;
    d.Setup(&fx.store, fx.dir.path());
    d.show();
    d.eLoginPassword->setText("1");
    d.bOk->click();
    ASSERT_EQ(fx.boxes.Count(), 1);
    EXPECT_EQ(fx.boxes.AskedSoFar()[0].text, u("Неверный пароль!"));
    EXPECT_EQ(fx.boxes.AskedSoFar()[0].caption, u("Внимание!"));
    EXPECT_EQ(fx.boxes.AskedSoFar()[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.cbLoginName->currentText(), u("ИВАНОВ"));
    EXPECT_TRUE(d.OperatorName.isEmpty());

    // Empty store: the list is empty and every attempt reports an unknown operator.
    TProgParam empty;
    TfmLogin e;
    e.Setup(&empty, fx.dir.path());
    EXPECT_EQ(e.cbLoginName->count(), 0);
    e.show();
    EXPECT_TRUE(e.bOk->isEnabled());
    e.eLoginPassword->setText("123");
    key(e.eLoginPassword, Qt::Key_Return);
    EXPECT_EQ(fx.boxes.AskedSoFar().back().text, u("Оператор не найден!"));
    EXPECT_TRUE(e.isVisible());
    EXPECT_EQ(fx.remembered(), u("ИВАНОВ"));
}

TEST(Login, CancelEscAndCloseGiveTwoAndLeaveEverything)
{
    Fixture fx;
    testutil::DialogScript dialogs;
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        TfmLogin d;
        d.Setup(&fx.store, fx.dir.path());
        d.eLoginPassword->setText("123");
        dialogs.Then<TfmLogin>([way](TfmLogin* w) {
            if (way == 0) w->bCancel->click();
            if (way == 1) key(w->eLoginPassword, Qt::Key_Escape);
            if (way == 2) w->close();
        });
        EXPECT_EQ(ctl::ExecDialog(d), 2);
        EXPECT_TRUE(d.OperatorName.isEmpty());
    }
    EXPECT_EQ(fx.remembered(), "<none>");
    EXPECT_EQ(fx.boxes.Count(), 0);
}

TEST(EditOper, AddChecksInOrderAndStoresCapitals)
{
    Fixture fx;
    TfmEditOper d;
    EXPECT_TRUE(d.Execute(&fx.store, u("ИВАНОВ"), fx.dir.path()));
    d.show();
    EXPECT_EQ(d.lbListOper->count(), 3);
    EXPECT_TRUE(d.pListOper->isVisible());
    EXPECT_FALSE(d.pAddOper->isVisible());

    d.bbAddOper->click();
    EXPECT_TRUE(d.pAddOper->isVisible());
    EXPECT_FALSE(d.pListOper->isVisible());
    struct Step { const char* name; const char* p1; const char* p2; const char* message; };
    const Step steps[] = {
        {"", "", "", "Вы не ввели Имя оператора!"},
        {"кузнецов", "", "", "Вы не ввели Пароль оператора!"},
        {"кузнецов", "1", "2", "Пароли не совпадают!"},
    };
    for (const Step& s : steps) {
        d.eAdd_Oper->clear();
        type(d.eAdd_Oper, u(s.name));
        d.eAdd_Passw->setText(u(s.p1));
        d.eAdd_Passw2->setText(u(s.p2));
        d.bbAdd_OK->click();
        EXPECT_EQ(fx.boxes.AskedSoFar().back().text, u(s.message));
        EXPECT_EQ(fx.boxes.AskedSoFar().back().caption, u("Внимание!"));
        EXPECT_EQ(fx.boxes.AskedSoFar().back().icon(), MB_ICONWARNING);
        EXPECT_TRUE(d.pAddOper->isVisible());
    }
    EXPECT_EQ(fx.store.GetOperList().size(), 3);
    d.eAdd_Passw2->setText("1");
    d.bbAdd_OK->click();
    EXPECT_EQ(fx.store.GetOperList().last(), u("КУЗНЕЦОВ"));
    EXPECT_EQ(fx.store.CheckOper(u("КУЗНЕЦОВ"), "1"), 0);
    EXPECT_EQ(d.lbListOper->count(), 4);
    EXPECT_TRUE(d.pListOper->isVisible());

    // A duplicate is reported by the store; the list comes back.
    d.bbAddOper->click();
    EXPECT_TRUE(d.eAdd_Oper->text().isEmpty());
    type(d.eAdd_Oper, u("петров"));
    d.eAdd_Passw->setText("x");
    d.eAdd_Passw2->setText("x");
    d.bbAdd_OK->click();
    EXPECT_EQ(fx.boxes.AskedSoFar().back().text, u("Оператор с таким именем уже существует!"));
    EXPECT_TRUE(d.pListOper->isVisible());
    EXPECT_EQ(d.lbListOper->count(), 4);

    d.bbAddOper->click();
    d.bbAdd_Cancel->click();
    EXPECT_TRUE(d.pListOper->isVisible());
}

TEST(EditOper, DeleteFlow)
{
    Fixture fx;
    TfmEditOper d;
    d.Execute(&fx.store, u("ИВАНОВ"), fx.dir.path());
    d.show();
    d.bbDelOper->click();
    EXPECT_EQ(fx.boxes.AskedSoFar().back().text, u("Сначала выделите оператора!"));
    EXPECT_TRUE(d.pListOper->isVisible());

    d.lbListOper->setCurrentRow(0); // the current operator
    d.bbDelOper->click();
    EXPECT_EQ(fx.boxes.AskedSoFar().back().text, u("Нельзя удалить текущего оператора!"));
    EXPECT_TRUE(d.pListOper->isVisible());

    d.lbListOper->setCurrentRow(1);
    d.bbDelOper->click();
    ASSERT_TRUE(d.pDelOper->isVisible());
    EXPECT_EQ(d.eDel_Oper->text(), u("ПЕТРОВ"));
    EXPECT_FALSE(d.eDel_Oper->isEnabled());
    EXPECT_TRUE(d.eDel_Passw->text().isEmpty());

    d.eDel_Passw->setText("000");
    d.bbDel_OK->click();
    EXPECT_EQ(fx.boxes.AskedSoFar().back().text, u("Неверный пароль!"));
    EXPECT_TRUE(d.pDelOper->isVisible());

    const int before = fx.boxes.Count();
    d.eDel_Passw->setText("555");
    fx.boxes.Answer(IDNO);
    d.bbDel_OK->click();
    EXPECT_EQ(fx.boxes.Count(), before + 1); // only the store's question
    EXPECT_TRUE(d.pDelOper->isVisible());
    EXPECT_EQ(fx.store.GetOperList().size(), 3);

    fx.boxes.Answer(IDYES);
    d.bbDel_OK->click();
    EXPECT_TRUE(d.pListOper->isVisible());
    EXPECT_EQ(fx.store.GetOperList(), (QStringList{u("ИВАНОВ"), u("СИДОРОВ")}));
    EXPECT_EQ(d.lbListOper->count(), 2);

    d.lbListOper->setCurrentRow(1);
    d.bbDelOper->click();
    d.bbDel_Cancel->click();
    EXPECT_TRUE(d.pListOper->isVisible());
    EXPECT_EQ(fx.store.GetOperList().size(), 2);
}

TEST(Login, ListOpenedFromTheKeyboardSelectsWithEnter)
{
    // Keys go in as the window system delivers them: to the focus window, and to the list once it is open.
    Fixture fx;
    TfmLogin d;
    d.Setup(&fx.store, fx.dir.path());
    d.show();
    d.activateWindow();
    d.cbLoginName->setFocus();
    for (const int enter : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        SCOPED_TRACE(enter);
        d.cbLoginName->setCurrentIndex(0);
        QTest::keyClick(d.windowHandle(), Qt::Key_F4);
        QAbstractItemView* list = d.cbLoginName->view();
        ASSERT_TRUE(list->isVisible());
        QWindow* popup = list->window()->windowHandle();
        ASSERT_TRUE(popup);
        QTest::keyClick(d.windowHandle(), Qt::Key_Down);
        QTest::keyClick(d.windowHandle(), Qt::Key_Down);
        QTest::keyClick(d.windowHandle(), Qt::Key(enter));
        // The name highlighted is chosen and the list closes; the login waits for the password.
        EXPECT_FALSE(list->isVisible());
        EXPECT_EQ(d.cbLoginName->currentText(), u("СИДОРОВ"));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(fx.boxes.Count(), 0);
    }
    // Escape closes the open list and leaves the login; Enter afterwards logs in.
    QTest::keyClick(d.windowHandle(), Qt::Key_F4);
    ASSERT_TRUE(d.cbLoginName->view()->isVisible());
    QTest::keyClick(d.windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(d.cbLoginName->view()->isVisible());
    EXPECT_TRUE(d.isVisible());
    d.eLoginPassword->setText("7");
    QTest::keyClick(d.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(d.OperatorName, u("СИДОРОВ"));
}

TEST(Login, KeysOfTheOpenListOnlyChooseOrCloseIt)
{
    // Each key goes to the focused widget, as the window system hands it over: while the list is open that is
    // the list's own view, which on X also gets the press of the key that has just closed the list.
    Fixture fx;
    TfmLogin d;
    d.Setup(&fx.store, fx.dir.path());
    auto press = [](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), m);
    };
    testutil::DialogScript dialogs;
    dialogs.Then<TfmLogin>([&](TfmLogin* w) {
        [&] {
            ASSERT_TRUE(testutil::PumpUntil([&] { return QApplication::focusWidget() == w->eLoginPassword; }, 30000));
            press(Qt::Key_Backtab, Qt::ShiftModifier);
            ASSERT_EQ(QApplication::focusWidget(), w->cbLoginName);
            QAbstractItemView* list = w->cbLoginName->view();
            for (const int enter : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
                SCOPED_TRACE(enter);
                w->cbLoginName->setCurrentIndex(0);
                press(Qt::Key_F4);
                ASSERT_TRUE(list->isVisible());
                ASSERT_EQ(QApplication::focusWidget(), list);
                press(Qt::Key_Down);
                press(Qt::Key_Down);
                press(enter);
                EXPECT_FALSE(list->isVisible());
                EXPECT_EQ(w->cbLoginName->currentText(), u("СИДОРОВ"));
                ASSERT_TRUE(w->isVisible()) << "the choice is not a login";
                EXPECT_EQ(fx.boxes.Count(), 0) << "no password was checked";
                ASSERT_TRUE(testutil::PumpUntil([&] { return QApplication::focusWidget() == w->cbLoginName; }, 30000));
            }
            press(Qt::Key_F4);
            ASSERT_TRUE(list->isVisible());
            press(Qt::Key_Escape);
            EXPECT_FALSE(list->isVisible());
            ASSERT_TRUE(w->isVisible()) << "closing the list is not a cancel";
            ASSERT_TRUE(testutil::PumpUntil([&] { return QApplication::focusWidget() == w->cbLoginName; }, 30000));
            // The list closed, Enter in the name field logs in with the password typed.
            press(Qt::Key_Tab);
            ASSERT_EQ(QApplication::focusWidget(), w->eLoginPassword);
            QTest::keyClicks(w->eLoginPassword, QStringLiteral("7"));
            press(Qt::Key_Backtab, Qt::ShiftModifier);
            press(Qt::Key_Return);
        }();
        if (w->isVisible())
            w->done(3);
    });
    EXPECT_EQ(ctl::ExecDialog(d), 1);
    EXPECT_EQ(d.OperatorName, u("СИДОРОВ"));
    EXPECT_EQ(fx.boxes.Count(), 0);
}
