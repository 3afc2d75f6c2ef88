#include "core/Debug.h"

#include "common/testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <thread>
#include <vector>

using testutil::readFile;

namespace {

const QByteArray kHeader20240102 = "\r\n-===( 2024.01.02 )=======================-\r\n\r\n";

// A log with a clock the test sets and fixed ids.
struct FakeLog {
    rtl::SystemTime now{2024, 1, 2, 2, 3, 4, 5, 6};
    TDebug log{TDebug::Sources{[this] { return now; }, [] { return 0x1aul; }, [] { return 0x2bul; }}};
};

void printWithPrefix(TDebug& log, const char* prefix, const char* fmt, ...) VELT_PRINTF(3, 4);
void printWithPrefix(TDebug& log, const char* prefix, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    log.VPrint(prefix, fmt, args);
    va_end(args);
}

std::string systemText(int err)
{
    char buf[256];
    return strerror_r(err, buf, sizeof buf);
}

} // namespace

TEST(Debug, WholeFileByteForByte)
{
    testutil::TempDir dir;
    FakeLog f;
    f.log.SetBaseName(dir.file("velt"));
    f.log.Print("Hello %d", 5);
    f.now.wMilliseconds = 789;
    f.now.wHour = 23;
    printWithPrefix(f.log, "GETEEPROM_Thread: ", "%s=%.3f", "value", 0.25);
    f.now = rtl::SystemTime{2024, 1, 3, 3, 0, 0, 1, 0}; // past midnight: still no new header
    f.log.Print("two\nlines, UTF-8 kept: %s", "Оператор");
    EXPECT_EQ(readFile(dir.file("velt.log")),
              kHeader20240102 + "03:04:05.006 01a\\02b  Hello 5\r\n"
                  "23:04:05.789 01a\\02b  GETEEPROM_Thread: value=0.250\r\n"
                  "00:00:01.000 01a\\02b  two\r\nlines, UTF-8 kept: " + QByteArray("Оператор") + "\r\n");
    EXPECT_EQ(f.log.FileName(), dir.file("velt.log"));

    // Ids above three digits keep all of theirs.
    testutil::TempDir dir2;
    TDebug wide(TDebug::Sources{[] { return rtl::SystemTime{2024, 1, 2, 2, 0, 0, 0, 0}; }, [] { return 0x12345ul; },
                                [] { return 0xabcdeful; }});
    wide.SetBaseName(dir2.file("w"));
    wide.Print("x");
    EXPECT_EQ(readFile(dir2.file("w.log")), kHeader20240102 + "00:00:00.000 12345\\abcdef  x\r\n");
}

TEST(Debug, AppendsAndStartsEachOpeningWithTheDayHeader)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("velt.log"), "old\r\n");
    FakeLog f;
    f.log.SetBaseName(dir.file("velt"));
    EXPECT_TRUE(f.log.OpenFile());
    f.log.Print("a");
    // A new base name closes the old file; the next line opens the new one with its own header.
    f.log.SetBaseName(QString(dir.file("other")));
    f.now.wDay = 3;
    f.log.Print("b");
    f.log.SetBaseName(dir.file("velt"));
    f.log.Print("c");
    const QByteArray header3 = "\r\n-===( 2024.01.03 )=======================-\r\n\r\n";
    EXPECT_EQ(readFile(dir.file("velt.log")), "old\r\n" + kHeader20240102 + "03:04:05.006 01a\\02b  a\r\n" + header3
                                                  + "03:04:05.006 01a\\02b  c\r\n");
    EXPECT_EQ(readFile(dir.file("other.log")), header3 + "03:04:05.006 01a\\02b  b\r\n");
}

TEST(Debug, FallsBackToNumberedNames)
{
    testutil::TempDir dir;
    QDir d(dir.path());
    d.mkdir("velt.log"); // a folder where the file should be: cannot be opened
    d.mkdir("velt000.log");
    FakeLog f;
    f.log.SetBaseName(dir.file("velt"));
    f.log.Print("line");
    EXPECT_EQ(f.log.FileName(), dir.file("velt001.log"));
    EXPECT_EQ(readFile(dir.file("velt001.log")), kHeader20240102 + "03:04:05.006 01a\\02b  line\r\n");

    // Nowhere to write: lines are dropped, and the next line tries again.
    FakeLog g;
    g.log.SetBaseName(dir.file("later/velt"));
    g.log.Print("lost");
    EXPECT_FALSE(g.log.OpenFile());
    // A folder that is not there refuses every name: the numbered ones are not tried.
    EXPECT_EQ(g.log.FileName(), dir.file("later/velt.log"));
    d.mkdir("later");
    g.log.Print("kept");
    EXPECT_EQ(readFile(dir.file("later/velt.log")), kHeader20240102 + "03:04:05.006 01a\\02b  kept\r\n");
}

TEST(Debug, LastErrorTextOnlyWithTheMarker)
{
    testutil::TempDir dir;
    FakeLog f;
    f.log.SetBaseName(dir.file("velt"));
    f.log.OpenFile();
    errno = ENOENT;
    f.log.Print("open %s +LE", "x");
    EXPECT_EQ(errno, ENOENT); // logging leaves the caller's error code alone
    errno = EACCES;
    f.log.Print("no marker");
    f.log.Print("%s", "+LE in an argument is no marker");
    EXPECT_EQ(readFile(dir.file("velt.log")),
              kHeader20240102 + "03:04:05.006 01a\\02b  open x +LE { " + QByteArray::fromStdString(systemText(ENOENT))
                  + " }\r\n03:04:05.006 01a\\02b  no marker\r\n03:04:05.006 01a\\02b  +LE in an argument is no marker\r\n");

    // The process-wide log takes the error code before its first use can change it.
    Dbg().SetBaseName(dir.file("global"));
    errno = EPERM;
    DbgPrintWithPrefix("Init: ", "ioctl +LE");
    const QByteArray global = readFile(dir.file("global.log"));
    EXPECT_TRUE(global.endsWith("  Init: ioctl +LE { " + QByteArray::fromStdString(systemText(EPERM)) + " }\r\n"))
        << global.constData();
    Dbg().SetDefaultBaseName();
}

TEST(Debug, PrintDebugWritesNothingAtLevelZero)
{
    testutil::TempDir dir;
    FakeLog f;
    f.log.SetBaseName(dir.file("velt"));
    f.log.PrintDebug("hidden %d", 1);
    EXPECT_FALSE(QFileInfo::exists(dir.file("velt.log")));
}

TEST(Debug, LocationPrefix)
{
    char buf[kDbgLocationSize];
    EXPECT_STREQ(DbgFormatLocation(buf, "a_very_long_file_name_over_31_chars.cpp", "f", 12),
                 "a_very_long_file_name_over_31_c (12) f ");
    const std::string longFunc(80, 'g');
    EXPECT_EQ(std::string(DbgFormatLocation(buf, "Manager.cpp", longFunc.c_str(), -2147483647 - 1)),
              "Manager.cpp (-2147483648) " + std::string(60, 'g') + " ");
}

TEST(Debug, SixteenThreadsWriteWholeLines)
{
    testutil::TempDir dir;
    // Real clock and ids; every thread taken for one whose lines are never limited: this is about whole lines.
    TDebug log{TDebug::Sources{[] { return rtl::LocalSystemTime(); }, [] { return static_cast<unsigned long>(::getpid()); },
                               [] { return static_cast<unsigned long>(::gettid()); }, {}, [] { return true; }}};
    log.SetBaseName(dir.file("velt"));
    constexpr int kThreads = 16, kLines = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&log, t] {
            for (int l = 0; l < kLines; ++l)
                log.Print("T%d L%d %s", t, l, std::string(size_t(l % 97), 'x').c_str());
        });
    for (std::thread& th : threads)
        th.join();

    const QByteArray bytes = readFile(dir.file("velt.log"));
    ASSERT_TRUE(bytes.startsWith("\r\n-===( "));
    const QList<QByteArray> lines = bytes.mid(bytes.indexOf(")=") + 1).split('\n').mid(2);
    ASSERT_EQ(lines.size(), kThreads * kLines + 1); // the last split is empty
    const QRegularExpression re(
        "^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ([0-9a-f]{3,})\\\\([0-9a-f]{3,})  T(\\d+) L(\\d+) (x*)\r$");
    std::vector<int> next(kThreads, 0);
    std::vector<QString> tids(kThreads);
    for (int i = 0; i < kThreads * kLines; ++i) {
        const auto m = re.match(QString::fromLatin1(lines[i]));
        ASSERT_TRUE(m.hasMatch()) << lines[i].constData();
        const int t = m.captured(3).toInt(), l = m.captured(4).toInt();
        ASSERT_EQ(m.captured(1).toULong(nullptr, 16), ulong(getpid()));
        ASSERT_EQ(l, next[t]++); // each thread's lines in its own order
        ASSERT_EQ(m.captured(5).size(), l % 97);
        if (tids[t].isEmpty())
            tids[t] = m.captured(2);
        ASSERT_EQ(m.captured(2), tids[t]);
    }
    EXPECT_TRUE(lines.last().isEmpty());
}

namespace {

// A log whose lines come from an instrument's thread, with a clock the test moves.
struct WorkerLog {
    std::int64_t ms = 0;
    TDebug log{TDebug::Sources{[] { return rtl::SystemTime{2024, 1, 2, 2, 3, 4, 5, 6}; }, [] { return 0x1aul; },
                               [] { return 0x2bul; }, [this] { return ms; }, [] { return false; }}};
};

void noAnswer(TDebug& log) { log.Print("Current measure: Alc_get_result - error"); }
void noise(TDebug& log, int n) { log.Print("bad header %d", n); }

QList<QByteArray> linesOf(const QString& path)
{
    QList<QByteArray> lines;
    for (const QByteArray& l : readFile(path).split('\n'))
        if (l.startsWith("03:04:05.006"))
            lines << l.mid(QByteArray("03:04:05.006 01a\\02b  ").size()).chopped(1);
    return lines;
}

} // namespace

TEST(Debug, AnInstrumentsThreadLogsASilentInstrumentOnceAMinuteAndNoiseInMeasure)
{
    testutil::TempDir dir;
    WorkerLog w;
    w.log.SetBaseName(dir.file("velt"));
    for (int i = 0; i < 40; ++i, w.ms += 1500)  // a poll every 1.5 s for a minute
        noAnswer(w.log);
    w.ms = 61000;
    noAnswer(w.log);
    for (int i = 0; i < 50; ++i)
        noise(w.log, i);
    w.ms = 122000;
    noise(w.log, 99);
    const QList<QByteArray> lines = linesOf(dir.file("velt.log"));
    ASSERT_EQ(lines.size(), 2 + kLogLinesPerWindow + 1);
    EXPECT_EQ(lines[0], "Current measure: Alc_get_result - error");
    EXPECT_EQ(lines[1], "Current measure: Alc_get_result - error [39 more like this not logged]");
    EXPECT_EQ(lines[2], "bad header 0");
    EXPECT_EQ(lines[1 + kLogLinesPerWindow], "bad header 19");
    EXPECT_EQ(lines.back(), "bad header 99 [30 more like this not logged]");

    // Texts passed on whole ("%s", as the drivers' window lines are) are each their own: a download's
    // hundreds of different lines all stay, one repeated line does not.
    testutil::TempDir dir3;
    WorkerLog p;
    p.log.SetBaseName(dir3.file("velt"));
    for (int i = 0; i < 100; ++i)
        p.log.Print("%s", QStringLiteral("Загрузка: Блок 0, запись %1").arg(i).toUtf8().constData());
    for (int i = 0; i < 10; ++i)
        p.log.Print("%s", "Прибор не обнаружен");
    const QList<QByteArray> passed = linesOf(dir3.file("velt.log"));
    ASSERT_EQ(passed.size(), 101);
    EXPECT_EQ(passed.back(), QByteArray("Прибор не обнаружен"));

    // The main thread's lines are what the operator did: never left out.
    testutil::TempDir dir2;
    FakeLog f;
    f.log.SetBaseName(dir2.file("velt"));
    for (int i = 0; i < 50; ++i)
        noise(f.log, 1);
    EXPECT_EQ(linesOf(dir2.file("velt.log")).size(), 50);
}

TEST(Debug, BytesFromALineAreWrittenAsHex)
{
    testutil::TempDir dir;
    FakeLog f;
    f.log.SetBaseName(dir.file("velt"));
    f.log.Print("incorrect date ('%.12s')", "\x1b[2J\r\x01" "12\xff\xd0" "\x7f");
    f.log.Print("%s", "Оператор\tкак есть");
    const QList<QByteArray> lines = linesOf(dir.file("velt.log"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "incorrect date ('\\x1b[2J\\x0d\\x0112\\xff\\xd0\\x7f')");
    EXPECT_EQ(lines[1], QByteArray("Оператор\tкак есть"));
}

TEST(Debug, RotatedBySizeKeepingAFewOldFiles)
{
    testutil::TempDir dir;
    FakeLog f;
    f.log.SetBaseName(dir.file("velt"));
    const std::string chunk(4000, 'x');
    const int perFile = int(kLogRotateBytes / 4000) + 1;
    for (int i = 0; i < perFile * (kLogFilesKept + 2); ++i)
        f.log.Print("%d %s", i, chunk.c_str());
    QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    QStringList want = {"velt.log"};
    for (int k = 1; k <= kLogFilesKept; ++k)
        want << QStringLiteral("velt.log.%1").arg(k);
    EXPECT_EQ(names, want);
    for (const QString& n : names) {
        EXPECT_LE(QFileInfo(dir.file(n)).size(), kLogRotateBytes + 8192) << n.toStdString();
        EXPECT_TRUE(readFile(dir.file(n)).startsWith(kHeader20240102)) << n.toStdString();
    }
    // The newest lines are in the current file, the ones before them in ".1".
    EXPECT_TRUE(readFile(dir.file("velt.log")).contains(QByteArray::number(perFile * (kLogFilesKept + 2) - 1) + " x"));
    EXPECT_TRUE(QFileInfo(dir.file("velt.log")).permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser));
}
