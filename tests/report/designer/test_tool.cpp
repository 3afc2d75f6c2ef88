// The program that opens the designer on a file: a file it cannot read is named with the reason, and a
// snapshot run ends with a failure status instead of waiting on a message box no one sees.
#include "report/rpPages.h"
#include "report/rpReport.h"
#include "common/testutil.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    bool finished = false;
    int status = -1;
    QString errors;
};

ToolRun snapshot(const QString& picture, const QString& file)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VELT_REGISTRY_FILE"), picture + QStringLiteral(".ini"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELT_BINARY_DIR "/bin/velt-designer"), {QStringLiteral("--snapshot"), picture, file});
    ToolRun run;
    run.finished = p.waitForFinished(60000);
    if (!run.finished)
        p.kill(), p.waitForFinished();
    run.status = p.exitCode();
    run.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

} // namespace

TEST(DesignerTool, FilesItCannotReadAreNamedWithTheReasonAndFailTheSnapshot)
{
    testutil::TempDir dir;
    TrpReport report;
    report.SaveToRP3File(dir.file("export.rp3"));
    testutil::writeFile(dir.file("damaged.rpf"), QByteArray("\x17\x05 not a report", 15));
    testutil::writeFile(dir.file("empty.rpf"), QByteArray());
    QDir(dir.path()).mkdir(QStringLiteral("folder.rpf"));
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {
        {"damaged.rpf", "Unsupported RPF format"},
        {"empty.rpf", "Unsupported RPF format"},
        {"export.rp3", "is an XML report form (.rp3)"},
        {"folder.rpf", "directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = dir.file(QString::fromLatin1(c.file));
        const ToolRun run = snapshot(dir.file("shot.png"), file);
        ASSERT_TRUE(run.finished) << "still running after a minute";
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.errors.contains(file)) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(QString::fromLatin1(c.reason))) << run.errors.toStdString();
        EXPECT_FALSE(QFile::exists(dir.file("shot.png")));
    }
}

TEST(DesignerTool, SnapshotOfAReadableFileIsWritten)
{
    testutil::TempDir dir;
    TrpReport report;
    report.SaveToFile(dir.file("good.rpf"));
    const ToolRun run = snapshot(dir.file("shot.png"), dir.file("good.rpf"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_FALSE(QImage(dir.file("shot.png")).isNull());
}
