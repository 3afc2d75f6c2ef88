#include "common/dialogscript.h"
#include "platform/controls/MessageBox.h"
#include "platform/controls/Synchronize.h"

#include <gtest/gtest.h>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <thread>

using namespace ctl;
using namespace std::chrono_literals;

TEST(MessageBoxPort, ButtonsAndDefaultResults)
{
    struct Case { unsigned flags; std::vector<int> results; int def; };
    const Case cases[] = {
        {MB_OK | MB_ICONSTOP, {IDOK}, IDOK},
        {MB_OKCANCEL | MB_ICONWARNING, {IDOK, IDCANCEL}, IDOK},
        {MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO},
        {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDYES},
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ButtonResults(c.flags), c.results) << c.flags;
        EXPECT_EQ(DefaultResult(c.flags), c.def) << c.flags;
    }
}

TEST(MessageBoxPort, ScriptedPortAnswersInOrderAndRecordsFromAnyThread)
{
    TScriptedMessageBoxPort port;
    port.Answer(IDNO);
    EXPECT_EQ(MessageBox(QString::fromUtf8("Удалить?"), QString::fromUtf8("Внимание!"), MB_YESNO | MB_ICONQUESTION), IDNO);
    // Script used up: the default button answers.
    EXPECT_EQ(MessageBox("a", "b", MB_OKCANCEL | MB_ICONWARNING), IDOK);

    // A worker is blocked until the main thread has answered.
    std::atomic<int> workerResult{0};
    std::atomic<bool> done{false};
    port.Answer(IDCANCEL);
    std::thread worker([&] {
        workerResult = MessageBox("from worker", "Error", MB_OKCANCEL | MB_ICONSTOP);
        done = true;
    });
    EXPECT_TRUE(WaitServing([&] { return done.load(); }, 5s));
    worker.join();
    EXPECT_EQ(workerResult.load(), IDCANCEL);

    const auto asked = port.AskedSoFar();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].text, QString::fromUtf8("Удалить?"));
    EXPECT_EQ(asked[0].caption, QString::fromUtf8("Внимание!"));
    EXPECT_EQ(asked[0].buttons(), MB_YESNO);
    EXPECT_EQ(asked[0].icon(), MB_ICONQUESTION);
    EXPECT_EQ(asked[1].result, IDOK);
    EXPECT_EQ(asked[2].text, "from worker");
    EXPECT_EQ(asked[2].icon(), MB_ICONSTOP);
}

TEST(MessageBoxPort, PortsNestAndRestore)
{
    auto outer = std::make_unique<TScriptedMessageBoxPort>();
    {
        TScriptedMessageBoxPort inner;
        MessageBox("x", "y");
        EXPECT_EQ(inner.Count(), 1);
    }
    MessageBox("x", "y");
    EXPECT_EQ(outer->Count(), 1);
}

TEST(MessageBoxPort, QtPortShowsTextsIconAndMapsTheClickedButton)
{
    QString seenText, seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QStringList seenButtons;
    testutil::DialogScript dialogs;
    dialogs.Then<QMessageBox>([&](QMessageBox* box) {
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenIcon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seenButtons << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QString::fromUtf8("Нет"))
                b->click();
    });
    TQtMessageBoxPort port;
    const int r = port.Show(QString::fromUtf8("Продолжить?"), QString::fromUtf8("Внимание!"), MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(r, IDNO);
    EXPECT_EQ(seenText, QString::fromUtf8("Продолжить?"));
    EXPECT_EQ(seenTitle, QString::fromUtf8("Внимание!"));
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
    EXPECT_TRUE(seenButtons.contains(QString::fromUtf8("Да")));
    EXPECT_TRUE(seenButtons.contains(QString::fromUtf8("Нет")));
}

TEST(MessageBoxPort, QtPortClosedByEscapeGivesCancel)
{
    testutil::DialogScript dialogs;
    dialogs.Then<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    TQtMessageBoxPort port;
    EXPECT_EQ(port.Show("t", "c", MB_OKCANCEL), IDCANCEL);
}
