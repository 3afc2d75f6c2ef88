#include "platform/system/InstanceLock.h"
#include "platform/system/MoveFolder.h"
#include "platform/system/SystemInfo.h"
#include "common/testutil.h"

#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using sys::TInstanceLock;
using testutil::TempDir;

namespace {

// A child process that takes the lock, tells the parent through a pipe, then waits to be killed.
pid_t holdLockInChild(const QString& name, const QString& folder)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        TInstanceLock lock(name, folder);
        const char ok = lock.Acquire() == TInstanceLock::Result::Acquired ? '1' : '0';
        (void)!::write(fds[1], &ok, 1);
        for (;;)
            ::pause();
    }
    ::close(fds[1]);
    char ok = 0;
    (void)!::read(fds[0], &ok, 1);
    ::close(fds[0]);
    return ok == '1' ? pid : -1;
}

} // namespace

TEST(InstanceLock, SecondHolderIsToldItAlreadyExistsAndReleaseFreesIt)
{
    TempDir dir;
    TInstanceLock first("VOVI_DEROVIVA_ZUD_UZER", dir.path());
    TInstanceLock second("VOVI_DEROVIVA_ZUD_UZER", dir.path());
    ASSERT_EQ(first.Acquire(), TInstanceLock::Result::Acquired);
    EXPECT_EQ(first.FilePath(), dir.file("VOVI_DEROVIVA_ZUD_UZER.lock"));
    EXPECT_EQ(second.Acquire(), TInstanceLock::Result::AlreadyExists);
    EXPECT_FALSE(second.Held());
    // A second instance releasing what it never held must not free the first's lock.
    second.Release();
    TInstanceLock third("VOVI_DEROVIVA_ZUD_UZER", dir.path());
    EXPECT_EQ(third.Acquire(), TInstanceLock::Result::AlreadyExists);
    first.Release();
    EXPECT_EQ(third.Acquire(), TInstanceLock::Result::Acquired);
    // Other names are independent.
    TInstanceLock other("OTHER", dir.path());
    EXPECT_EQ(other.Acquire(), TInstanceLock::Result::Acquired);
}

TEST(InstanceLock, HeldByAnotherProcessAndNeverStaleAfterItIsKilled)
{
    TempDir dir;
    const pid_t child = holdLockInChild("VOVI_DEROVIVA_ZUD_UZER", dir.path());
    ASSERT_GT(child, 0);
    TInstanceLock mine("VOVI_DEROVIVA_ZUD_UZER", dir.path());
    EXPECT_EQ(mine.Acquire(), TInstanceLock::Result::AlreadyExists);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // The lock file is still there, but nobody holds it any more.
    EXPECT_TRUE(QFileInfo::exists(mine.FilePath()));
    EXPECT_EQ(mine.Acquire(), TInstanceLock::Result::Acquired);
}

TEST(InstanceLock, DefaultFolderIsTheRuntimeFolderElseTempWithTheUid)
{
    TempDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(TInstanceLock("X").FilePath(), runtime.file("X.lock"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(TInstanceLock("X").FilePath(), QDir(QDir::tempPath()).filePath(QStringLiteral("X-%1.lock").arg(::getuid())));
    if (!saved.isNull())
        qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(InstanceLock, UnusableFolderFails)
{
    TInstanceLock lock("X", "/nonexistent/folder");
    EXPECT_EQ(lock.Acquire(), TInstanceLock::Result::Failed);
    EXPECT_NE(lock.LastError(), 0);
}

namespace {

void put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    testutil::writeFile(path, bytes);
}

} // namespace

TEST(MoveFolder, MovesIntoTargetCreatingIt)
{
    TempDir dir;
    put(dir.file("app/DATABASE/Base.DBF"), "table");
    put(dir.file("app/DATABASE/sub/x.txt"), "x");
    ASSERT_TRUE(sys::MoveFolder(dir.file("app/DATABASE"), dir.file("work")));
    EXPECT_FALSE(QFileInfo::exists(dir.file("app/DATABASE")));
    EXPECT_EQ(testutil::readFile(dir.file("work/DATABASE/Base.DBF")), "table");
    EXPECT_EQ(testutil::readFile(dir.file("work/DATABASE/sub/x.txt")), "x");
}

TEST(MoveFolder, MergesIntoExistingTargetButNeverOverwrites)
{
    TempDir dir;
    put(dir.file("app/PHOTOS/a.jpg"), "old-a");
    put(dir.file("app/PHOTOS/b.jpg"), "old-b");
    put(dir.file("work/PHOTOS/b.jpg"), "new-b");
    EXPECT_FALSE(sys::MoveFolder(dir.file("app/PHOTOS"), dir.file("work")));
    EXPECT_EQ(testutil::readFile(dir.file("work/PHOTOS/a.jpg")), "old-a");
    EXPECT_FALSE(QFileInfo::exists(dir.file("app/PHOTOS/a.jpg")));
    // The clash stays on both sides as it was.
    EXPECT_EQ(testutil::readFile(dir.file("work/PHOTOS/b.jpg")), "new-b");
    EXPECT_EQ(testutil::readFile(dir.file("app/PHOTOS/b.jpg")), "old-b");
}

TEST(MoveFolder, NamesDifferingOnlyInCaseAreTheSameEntry)
{
    // The work folder is read case-insensitively: a moved file must never sit beside one whose name
    // differs only in letter case, and a folder of such a name is merged into, not made twice.
    TempDir dir;
    put(dir.file("app/DATABASE/BASE.DBF"), "old table");
    put(dir.file("app/DATABASE/Sub/x.txt"), "x");
    put(dir.file("app/DATABASE/Sub/Y.TXT"), "old y");
    put(dir.file("work/database/Base.DBF"), "new table");
    put(dir.file("work/database/sub/y.txt"), "new y");
    EXPECT_FALSE(sys::MoveFolder(dir.file("app/DATABASE"), dir.file("work")));
    EXPECT_FALSE(QFileInfo::exists(dir.file("work/DATABASE")));
    EXPECT_EQ(QDir(dir.file("work/database")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"Base.DBF", "sub"}));
    EXPECT_EQ(testutil::readFile(dir.file("work/database/Base.DBF")), "new table");
    EXPECT_EQ(testutil::readFile(dir.file("work/database/sub/x.txt")), "x");
    EXPECT_EQ(QDir(dir.file("work/database/sub")).entryList(QDir::Files), (QStringList{"x.txt", "y.txt"}));
    EXPECT_EQ(testutil::readFile(dir.file("work/database/sub/y.txt")), "new y");
    // What could not move stays where it was.
    EXPECT_EQ(testutil::readFile(dir.file("app/DATABASE/BASE.DBF")), "old table");
    EXPECT_EQ(testutil::readFile(dir.file("app/DATABASE/Sub/Y.TXT")), "old y");
    EXPECT_FALSE(QFileInfo::exists(dir.file("app/DATABASE/Sub/x.txt")));
}

TEST(MoveFolder, RefusesMissingSourceAndMoveIntoItself)
{
    TempDir dir;
    EXPECT_FALSE(sys::MoveFolder(dir.file("nothing"), dir.file("work")));
    put(dir.file("a/f"), "f");
    EXPECT_FALSE(sys::MoveFolder(dir.file("a"), dir.file("a/inner")));
    EXPECT_EQ(testutil::readFile(dir.file("a/f")), "f");
    put(dir.file("work/a"), "a file where the folder should go");
    EXPECT_FALSE(sys::MoveFolder(dir.file("a"), dir.file("work")));
    EXPECT_EQ(testutil::readFile(dir.file("a/f")), "f");
}

TEST(MoveFolder, AcrossFileSystemsCopiesThenDeletes)
{
    struct stat a{}, b{};
    TempDir dir;
    if (::stat(QFile::encodeName(dir.path()).constData(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system to move across";
    QTemporaryDir other("/dev/shm/velt-move-XXXXXX");
    ASSERT_TRUE(other.isValid());
    QByteArray big(300000, 'z');
    put(dir.file("app/DATABASE/Base.DBF"), big);
    put(dir.file("app/DATABASE/deep/Base.dbt"), "memo");
    put(other.filePath("DATABASE/keep.txt"), "keep");
    ::chmod(QFile::encodeName(dir.file("app/DATABASE/Base.DBF")).constData(), 0640);
    ASSERT_TRUE(sys::MoveFolder(dir.file("app/DATABASE"), other.path()));
    EXPECT_FALSE(QFileInfo::exists(dir.file("app/DATABASE")));
    EXPECT_EQ(testutil::readFile(other.filePath("DATABASE/Base.DBF")), big);
    EXPECT_EQ(testutil::readFile(other.filePath("DATABASE/deep/Base.dbt")), "memo");
    EXPECT_EQ(testutil::readFile(other.filePath("DATABASE/keep.txt")), "keep");
    EXPECT_EQ(QFileInfo(other.filePath("DATABASE/Base.DBF")).permissions() & QFile::WriteGroup, QFileDevice::Permissions());
    EXPECT_FALSE(QDir(other.filePath("DATABASE")).entryList().join(",").contains("part~"));
}

TEST(MoveFolder, ACopyInProgressNeverTakesTheNameOfATargetFile)
{
    // Across file systems a file is copied under a temporary name first; a file of the target that
    // already bears that name is not the copy's to overwrite.
    struct stat a{}, b{};
    TempDir dir;
    if (::stat(QFile::encodeName(dir.path()).constData(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system to move across";
    QTemporaryDir other("/dev/shm/velt-move-XXXXXX");
    ASSERT_TRUE(other.isValid());
    put(dir.file("app/DATABASE/Base.DBF"), "table");
    put(other.filePath("DATABASE/Base.DBF.part~"), "keep me");
    ASSERT_TRUE(sys::MoveFolder(dir.file("app/DATABASE"), other.path()));
    EXPECT_EQ(testutil::readFile(other.filePath("DATABASE/Base.DBF")), "table");
    EXPECT_EQ(testutil::readFile(other.filePath("DATABASE/Base.DBF.part~")), "keep me");
    EXPECT_EQ(QDir(other.filePath("DATABASE")).entryList(QDir::Files), (QStringList{"Base.DBF", "Base.DBF.part~"}));
}

TEST(SystemInfo, UserVersionDocuments)
{
    EXPECT_FALSE(sys::UserName().isEmpty());
    const QString v = sys::AppVersion();
    EXPECT_NE(v, "No");
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(v).hasMatch()) << v.toStdString();

    TempDir home;
    const QByteArray savedHome = qgetenv("HOME"), savedCfg = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.file(".config").toLocal8Bit());
    ASSERT_TRUE(sys::DocumentsFolder().has_value());
    EXPECT_EQ(*sys::DocumentsFolder(), home.file("Documents"));
    put(home.file(".config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Докум\"\n");
    EXPECT_EQ(*sys::DocumentsFolder(), home.file(QString::fromUtf8("Докум")));
    qputenv("HOME", savedHome);
    if (savedCfg.isNull()) qunsetenv("XDG_CONFIG_HOME"); else qputenv("XDG_CONFIG_HOME", savedCfg);
}

TEST(SystemInfo, OpenWithProgramHandsThePathToXdgOpen)
{
    TempDir bin;
    const QString out = bin.file("opened.txt");
    put(bin.file("xdg-open"), QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(out).toUtf8());
    ::chmod(QFile::encodeName(bin.file("xdg-open")).constData(), 0755);
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ":" + savedPath);
    const QString file = QString::fromUtf8("/tmp/отчёт 1.xls");
    EXPECT_TRUE(sys::OpenWithProgram(file));
    qputenv("PATH", savedPath);
    for (int i = 0; i < 200 && QFileInfo(out).size() == 0; ++i)
        QThread::msleep(10);
    EXPECT_EQ(QString::fromUtf8(testutil::readFile(out)), file);

    qputenv("PATH", bin.file("empty").toLocal8Bit());
    EXPECT_FALSE(sys::OpenWithProgram(file));
    qputenv("PATH", savedPath);
}
