// A conversion killed at any moment is finished by the next start: the old journal is back byte for byte,
// or the finished conversion stands. Never no journal, never a half table taken for a whole one.
#include "DbFixture.h"
#include "OldJournal.h"

#include "db/JournalConverter.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QProcess>

#include <gtest/gtest.h>

using dbfixture::WorkFolder;

namespace {

struct ChildRun {
    QStringList steps;
    bool killed = false;
};

// Runs the conversion in its own process; stopAfterLines > 0 kills it from outside once it has told that
// many steps (the kill then lands wherever the child has got to).
ChildRun runChild(const QString& work, int killAt, int cancelAt, int stopAfterLines = 0)
{
    QProcess p;
    p.start(QStringLiteral(VELT_CONVERT_CHILD),
            {work, "7", "3", QString::number(killAt), QString::number(cancelAt)});
    ChildRun run;
    EXPECT_TRUE(p.waitForStarted(10000));
    while (p.state() != QProcess::NotRunning || p.canReadLine()) {
        if (!p.canReadLine() && !p.waitForReadyRead(10000) && p.state() != QProcess::NotRunning)
            break;
        while (p.canReadLine()) {
            run.steps << QString::fromUtf8(p.readLine()).trimmed().section(' ', 1);
            if (stopAfterLines > 0 && run.steps.size() == stopAfterLines)
                p.kill();
        }
    }
    p.waitForFinished(10000);
    run.killed = p.exitStatus() == QProcess::CrashExit;
    return run;
}

struct Journal {
    WorkFolder work;
    QByteArray table, memo;
    int rows;
    explicit Journal(int n)
        : rows(n)
    {
        std::vector<oldjournal::Row> all;
        for (int i = 0; i < n; ++i)
            all.push_back(oldjournal::sampleRows()[static_cast<std::size_t>(i % 5)]);
        oldjournal::write(work.database("BASE.DBF"), 3, all, {oldjournal::col("REMARK", 'M', 10)});
        QDir(work.path()).mkpath("PHOTOS");
        testutil::writeFile(work.path() + "/PHOTOS/2009.05.12 10.22.33_0123.jpg", oldjournal::jpegBytes());
        table = testutil::readFile(work.database("BASE.DBF"));
        memo = testutil::readFile(work.database("BASE.DBT"));
    }

    // What the next start finds after it has recovered.
    void expectWholeAfterRecovery(const QString& what) const
    {
        SCOPED_TRACE(what.toStdString());
        const QString db = work.path() + "/DATABASE";
        ASSERT_EQ(db::TJournalConverter::RecoverInterrupted(db), db::TConversionFiles::RestoreResult::Restored);
        EXPECT_FALSE(QFileInfo::exists(db + "/CONVERT.STATE"));
        const QString old = rtl::resolveCaseInsensitive(db + "/oldBASE.DBF");
        if (QFileInfo::exists(old)) {
            // The conversion stands: the old journal kept whole, the new one with every row.
            EXPECT_EQ(testutil::readFile(old), table);
            EXPECT_EQ(testutil::readFile(rtl::resolveCaseInsensitive(db + "/oldBASE.DBT")), memo);
            auto t = dbf::Table::open(db + "/BASE.DBF");
            EXPECT_EQ(t->recordCount(), quint32(rows));
            EXPECT_EQ(t->missingOnOpen(), 0u);
        } else {
            EXPECT_EQ(testutil::readFile(db + "/BASE.DBF"), table);
            EXPECT_EQ(testutil::readFile(db + "/BASE.DBT"), memo);
        }
    }
};

} // namespace

// The steps of a conversion of five rows through to the end, and of one cancelled after its second row (so
// that the rollback's own steps are killed too).
const QStringList kThrough = {"marker-written", "table-moved-to-old", "memo-moved-to-old", "table-created", "row-copied",
                              "row-copied", "row-copied", "row-copied", "row-copied", "before-commit", "committed"};
const QStringList kCancelled = {"marker-written", "table-moved-to-old", "memo-moved-to-old", "table-created", "row-copied",
                                "row-copied", "new-table-aside", "new-memo-aside", "old-table-back", "old-memo-back"};

TEST(ConversionCrash, StepsOfAConversionNotKilled)
{
    for (const int cancelAt : {0, 2}) {
        Journal j(5);
        const ChildRun whole = runChild(j.work.path(), 0, cancelAt);
        ASSERT_FALSE(whole.killed);
        EXPECT_EQ(whole.steps, cancelAt ? kCancelled : kThrough);
        j.expectWholeAfterRecovery("not killed");
    }
}

class KilledAtStep : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(KilledAtStep, IsRecoveredAtTheNextStart)
{
    const auto [cancelAt, k] = GetParam();
    Journal j(5);
    const ChildRun run = runChild(j.work.path(), k, cancelAt);
    ASSERT_TRUE(run.killed);
    const QStringList& steps = cancelAt ? kCancelled : kThrough;
    ASSERT_EQ(run.steps, steps.mid(0, k));
    j.expectWholeAfterRecovery(QStringLiteral("killed after %1").arg(steps[k - 1]));
    if (QFileInfo::exists(rtl::resolveCaseInsensitive(j.work.database("oldBASE.DBF"))))
        return;  // the conversion stood
    // Put back, the journal converts as if nothing had happened.
    const ChildRun again = runChild(j.work.path(), 0, 0);
    EXPECT_EQ(again.steps, kThrough);
    j.expectWholeAfterRecovery("converted after recovery");
}

std::vector<std::pair<int, int>> killPoints()
{
    std::vector<std::pair<int, int>> points;
    for (int k = 1; k <= kThrough.size(); ++k)
        points.emplace_back(0, k);
    for (int k = 1; k <= kCancelled.size(); ++k)
        points.emplace_back(2, k);
    return points;
}

INSTANTIATE_TEST_SUITE_P(ConversionCrash, KilledAtStep, testing::ValuesIn(killPoints()),
                         [](const auto& info) {
                             return std::string(info.param.first ? "Cancelled" : "Through") + "Step"
                                    + std::to_string(info.param.second);
                         });

TEST(ConversionCrash, KilledFromOutsideWhileRowsAreWritten)
{
    for (const int after : {40, 333}) {
        Journal j(400);
        const ChildRun run = runChild(j.work.path(), 0, 0, after);
        ASSERT_TRUE(run.killed);
        j.expectWholeAfterRecovery(QStringLiteral("killed after %1 steps").arg(after));
    }
}
