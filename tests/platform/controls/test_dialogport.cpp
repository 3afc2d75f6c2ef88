#include "platform/controls/DialogPort.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QMenu>
#include <QPoint>

#include <stdexcept>

namespace {

// Answers every dialog with its result and every file question with its result as the name.
class Answering : public ctl::TScopedDialogPort {
public:
    explicit Answering(int result) : result_(result) {}
    int Exec(QDialog&) override { return result_; }
    bool AskFile(ctl::TFileQuestion& question, QWidget*) override
    {
        question.FileName = QString::number(result_);
        question.FilterIndex = 2;
        return true;
    }
    void Popup(QMenu&, const QPoint&) override { ++popups; }
    int popups = 0;

private:
    int result_;
};

} // namespace

// A port is in force for its scope only, however the scope ends, and the one it replaced answers again.
TEST(DialogPort, AScopedPortAnswersForItsScopeAndPutsBackTheOneItReplaced)
{
    QDialog dialog;
    QMenu menu;
    Answering outer(5);
    {
        Answering inner(7);
        EXPECT_EQ(ctl::ExecDialog(dialog), 7);
        ctl::TFileQuestion question;
        question.Filters = QStringList{"A (*.a)", "B (*.b)"};
        EXPECT_TRUE(ctl::AskFile(question, nullptr));
        EXPECT_EQ(question.FileName, "7");
        EXPECT_EQ(question.FilterIndex, 2);
        ctl::PopupMenu(menu, QPoint());
        EXPECT_EQ(inner.popups, 1);
    }
    EXPECT_EQ(ctl::ExecDialog(dialog), 5);
    try {
        Answering failing(9);
        throw std::runtime_error("a failed check leaves the scope");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ctl::ExecDialog(dialog), 5);
    ctl::PopupMenu(menu, QPoint());
    EXPECT_EQ(outer.popups, 1);
}
