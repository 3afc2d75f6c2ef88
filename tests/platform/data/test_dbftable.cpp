#include "KillAtSyscall.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfCodec.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/DbfHeader.h"
#include "platform/data/DbfTable.h"
#include "platform/data/LockedFile.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/CodePage.h"
#include "common/testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <charconv>
#include <clocale>
#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using dbf::Column;
using dbf::Table;

namespace {

const QByteArray kJpeg("\xFF\xD8\xFF\xE0\x1A\x1A\x1F\x00\x41\x1A\x1A\xFF\xD9", 13);

std::vector<Column> journalColumns()
{
    return {{"ID", 'N', 11, 0}, {"OBSL_FAM", 'C', 23, 0}, {"IZM", 'N', 19, 6}, {"OBSL_PHOTO", 'M', 10, 0}, {"STAT", 'C', 1, 0}};
}

QByteArray u8(const char* s) { return QByteArray(s); }
} // namespace

TEST(DbfTable, CreateWriteReopenRoundTrip)
{
    testutil::TempDir dir;
    const QString path = dir.file("BASE.DBF");
    QByteArray big(70000, '\x1A');  // spans many blocks and is all end-of-file bytes
    {
        auto t = Table::create(path, journalColumns());
        t->append({1, QString::fromUtf8("ИВАНОВ"), 0.123, kJpeg, "1"});
        t->append({-2147483647LL, QVariant(), 1234567.5, QVariant(), QVariant()});
        t->append({4294967295LL, QString::fromUtf8("Д'АРТАНЬЯН ёЁ"), 0.0, big, "0"});
        t->update(1, {{1, QString::fromUtf8("ПЕТРОВ")}, {3, kJpeg}});
    }
    auto t = Table::open(dir.file("Base.dbf"));
    ASSERT_EQ(t->recordCount(), 3u);
    EXPECT_EQ(t->value(0, 0).toLongLong(), 1);
    EXPECT_EQ(t->value(0, 1).toString(), QString::fromUtf8("ИВАНОВ"));
    EXPECT_DOUBLE_EQ(t->value(0, 2).toDouble(), 0.123);
    EXPECT_EQ(t->value(0, 3).toByteArray(), kJpeg);
    EXPECT_EQ(t->value(1, 0).toLongLong(), -2147483647LL);
    EXPECT_EQ(t->value(1, 1).toString(), QString::fromUtf8("ПЕТРОВ"));
    EXPECT_EQ(t->value(1, 3).toByteArray(), kJpeg);
    EXPECT_TRUE(t->value(1, 4).isNull());  // blank is NULL
    EXPECT_EQ(t->value(2, 0).toLongLong(), 4294967295LL);
    EXPECT_EQ(t->value(2, 1).toString(), QString::fromUtf8("Д'АРТАНЬЯН ёЁ"));
    EXPECT_EQ(t->value(2, 3).toByteArray(), big);

    const QByteArray dbf = testutil::readFile(path);
    EXPECT_EQ(uchar(dbf[0]), 0x8B);
    EXPECT_EQ(uchar(dbf[29]), 0x57);
    EXPECT_EQ(dbf[32 * 6], '\x0D');
    EXPECT_EQ(dbf.size(), 32 * 6 + 1 + 3 * (1 + 11 + 23 + 19 + 10 + 1) + 1);
    EXPECT_EQ(dbf.back(), '\x1A');
    const QByteArray first = dbf.mid(193, 65);
    EXPECT_EQ(first.mid(1, 11), u8("          1"));
    EXPECT_EQ(first.mid(12, 6), QByteArray("\xC8\xC2\xC0\xCD\xCE\xC2"));  // cp1251
    EXPECT_EQ(first.mid(35, 19), u8("           0.123000"));
    const QByteArray dbt = testutil::readFile(t->memoPath());
    EXPECT_EQ(dbt.mid(512, 8), QByteArray("\xFF\xFF\x08\x00\x15\x00\x00\x00", 8));  // 13 bytes + 8
}

TEST(DbfTable, RejectsValuesThatDoNotFitAndWritesNothing)
{
    testutil::TempDir dir;
    auto t = Table::create(dir.file("T.DBF"), {{"N", 'N', 11, 0}, {"F", 'N', 6, 2}});
    EXPECT_THROW(t->append({123456789012LL, 1.0}), EDatabaseError);
    EXPECT_THROW(t->append({1, 12345.0}), EDatabaseError);
    EXPECT_THROW(t->append({"abc", 1.0}), EDatabaseError);
    EXPECT_EQ(t->recordCount(), 0u);
    t->append({"  42 ", "0,5"});  // texts given for numbers: either separator
    EXPECT_EQ(t->value(0, 0).toLongLong(), 42);
    EXPECT_DOUBLE_EQ(t->value(0, 1).toDouble(), 0.5);
}

TEST(DbfTable, TextsTheCodePageCannotHoldAreRefusedNotStoredAsQuestionMarks)
{
    testutil::TempDir dir;
    auto t = Table::create(dir.file("T.DBF"), {{"FAM", 'C', 23, 0}, {"NOTE", 'M', 10, 0}});
    t->append({QString::fromUtf8("ИВАНОВ"), QString::fromUtf8("ёЁ№«»—")});  // every one has a cp1251 byte
    const QByteArray before = testutil::readFile(dir.file("T.DBF"));
    const QString unmappable[] = {QString::fromUtf8("ЖУМАБЕКҰЛЫ"), QString::fromUtf8("José"), QString::fromUtf8("中")};
    for (const QString& text : unmappable) {
        SCOPED_TRACE(text.toStdString());
        try {
            t->append({text, QVariant()});
            ADD_FAILURE() << "stored";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().contains("FAM")) << e.what();
        }
        EXPECT_THROW(t->update(0, {{0, text}}), EDatabaseError);
        EXPECT_THROW(t->update(0, {{1, text}}), EDatabaseError);
    }
    EXPECT_EQ(t->recordCount(), 1u);
    EXPECT_EQ(testutil::readFile(dir.file("T.DBF")), before);
    EXPECT_EQ(t->value(0, 0).toString(), QString::fromUtf8("ИВАНОВ"));
    EXPECT_EQ(rtl::fromCp1251(t->value(0, 1).toByteArray()), QString::fromUtf8("ёЁ№«»—"));
}

TEST(DbfTable, NumbersNeverFollowTheProcessLocale)
{
    testutil::TempDir dir;
    {
        const testutil::CommaLocale comma;
        if (!comma.ok())
            GTEST_SKIP() << "no locale with a decimal comma can be had here";
        auto t = Table::create(dir.file("T.DBF"), {{"F", 'N', 19, 6}});
        t->append({0.123});
        t->append({"2.5"});
        EXPECT_DOUBLE_EQ(t->value(0, 0).toDouble(), 0.123);
        EXPECT_DOUBLE_EQ(t->value(1, 0).toDouble(), 2.5);
    }
    EXPECT_FALSE(testutil::readFile(dir.file("T.DBF")).contains("0,123"));
    EXPECT_TRUE(testutil::readFile(dir.file("T.DBF")).contains("0.123000"));
    EXPECT_TRUE(testutil::readFile(dir.file("T.DBF")).contains("2.500000"));
}

TEST(DbfTable, ReadsCp866TablesByTheirLanguageDriver)
{
    testutil::TempDir dir;
    dbf::Header h;
    h.columns = {{"NAME", 'C', 8, 0}};
    h.layout();
    h.languageDriver = 0x65;
    h.recordCount = 1;
    QByteArray bytes = h.build();
    bytes += ' ' + QByteArray("\x88\x82\x80\x8D\x8E\x82  ") + '\x1A';  // "ИВАНОВ" in cp866
    testutil::writeFile(dir.file("OLD.DBF"), bytes);
    auto t = Table::open(dir.file("old.dbf"));
    EXPECT_EQ(t->codePage(), rtl::CodePage::Cp866);
    EXPECT_EQ(t->value(0, 0).toString(), QString::fromUtf8("ИВАНОВ"));
    t->append({QString::fromUtf8("ПЕТРОВ")});  // written back in the table's own code page
    EXPECT_TRUE(testutil::readFile(dir.file("OLD.DBF")).contains(QByteArray("\x8F\x85\x92\x90\x8E\x82")));
}

TEST(DbfTable, FindsTableAndMemoWhateverTheirCase)
{
    testutil::TempDir dir;
    Table::create(dir.file("BASE.DBF"), journalColumns())->append({1, "A", 1.0, kJpeg, "0"});
    ASSERT_TRUE(QFile::rename(dir.file("BASE.DBT"), dir.file("Base.dbt")));
    EXPECT_EQ(rtl::resolveCaseInsensitive(dir.file("base.DbF")), dir.file("BASE.DBF"));
    EXPECT_TRUE(rtl::existsCaseInsensitive(dir.file("oldbase.dbf")) == false);
    EXPECT_EQ(rtl::resolveCaseInsensitive(dir.file("NEW/X.DBF")), dir.file("NEW/X.DBF"));
    auto t = Table::open(dir.file("Base.DBF"));
    EXPECT_EQ(t->value(0, 3).toByteArray(), kJpeg);
    EXPECT_THROW(Table::create(dir.file("base.dbf"), journalColumns()), EDatabaseError);
}

TEST(DbfTable, DamagedFilesAreRefusedUntouchedOrOpenedWithTheirWholeRecords)
{
    testutil::TempDir dir;
    {
        auto t = Table::create(dir.file("GOOD.DBF"), journalColumns());
        for (int i = 1; i <= 3; ++i)
            t->append({i, "A", 1.0, i == 3 ? QVariant(kJpeg) : QVariant(), "0"});
    }
    const QByteArray good = testutil::readFile(dir.file("GOOD.DBF"));
    const QByteArray goodMemo = testutil::readFile(dir.file("GOOD.DBT"));
    const int header = 32 * 6 + 1, record = 65;
    ASSERT_EQ(good.size(), header + 3 * record + 1);

    auto patched = [&](int at, QByteArray bytes) {
        QByteArray b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    auto le16 = [](int v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char(v >> 8)); };
    auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = char(v >> (8 * i));
        return b;
    };
    struct Case {
        const char* what;
        QByteArray dbf;
        QByteArray dbt;
        int expectRecords;  // -1: opening is refused
        const char* errorPart;
        quint32 missing = 0;
        int cut = 0;
    };
    QByteArray badVersion = good;
    badVersion[0] = char(0x42);
    QByteArray noFields = good;
    noFields[32] = 0x0D;
    const QByteArray fourth = good.mid(header + 2 * record, record);
    const Case cases[] = {
        {"empty file", QByteArray(), goodMemo, -1, "truncated"},
        {"header cut at 10 bytes", good.left(10), goodMemo, -1, "truncated"},
        {"header cut inside descriptors", good.left(100), goodMemo, -1, "truncated"},
        {"unknown version", badVersion, goodMemo, -1, "version"},
        {"no fields", noFields, goodMemo, -1, "no fields"},
        // The header disagrees with itself.
        {"record length 0xFFFF", patched(10, le16(0xFFFF)), goodMemo, -1, "records of 65 bytes"},
        {"record length one short", patched(10, le16(record - 1)), goodMemo, -1, "records of 65 bytes"},
        {"header length short of its descriptors", patched(8, le16(32 * 3 + 1)), goodMemo, -1, "run past"},
        {"header length far past its descriptors", patched(8, le16(header + 300)), goodMemo, -1, "truncated"},
        {"control byte in a field name", patched(32 + 2, "\x01"), goodMemo, -1, "name of field 1"},
        {"unknown field type", patched(32 * 2 + 11, "?"), goodMemo, -1, "descriptor 2"},
        {"number wider than its decimals allow", patched(32 * 3 + 17, "\x13"), goodMemo, -1, "descriptor 3"},
        // The header disagrees with the file.
        {"count zeroed", patched(4, le32(0)), goodMemo, -1, "more bytes after them"},
        {"count of a table too large to exist", patched(4, le32(0xFFFFFFFFu)), goodMemo, -1, "more than a table can hold"},
        // Cut inside the records: the whole ones, and how many are missing.
        {"count beyond the end", patched(4, le32(50)), goodMemo, 3, nullptr, 47},
        {"torn last record", good.left(header + 2 * record + 20), goodMemo, 2, nullptr, 1},
        // An insert a kill stopped between its record and its count: cut off.
        {"uncounted whole record", patched(4, le32(2)), goodMemo, 2, nullptr, 0, record + 1},
        {"uncounted torn record", patched(4, le32(2)).left(header + 2 * record + 20), goodMemo, 2, nullptr, 0, 20},
        // What lies after the end mark is not the table's.
        {"bytes after the end mark", good + fourth, goodMemo, 3, nullptr},
        {"memo file missing", good, QByteArray("-"), -1, "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::TempDir d;
        testutil::writeFile(d.file("T.DBF"), c.dbf);
        if (c.dbt != "-")
            testutil::writeFile(d.file("T.DBT"), c.dbt);
        if (c.expectRecords < 0) {
            try {
                Table::open(d.file("T.DBF"));
                ADD_FAILURE() << "opened";
            } catch (const EDatabaseError& e) {
                EXPECT_TRUE(e.Message().contains(QLatin1String(c.errorPart))) << e.what();
                EXPECT_TRUE(e.Message().contains(d.file("T.DBF")) || e.Message().contains("T.DBT")) << e.what();
            }
            EXPECT_EQ(testutil::readFile(d.file("T.DBF")), c.dbf) << "a refused table was written";
            continue;
        }
        auto t = Table::open(d.file("T.DBF"));
        EXPECT_EQ(t->recordCount(), quint32(c.expectRecords));
        EXPECT_EQ(t->missingOnOpen(), c.missing);
        EXPECT_EQ(t->cutOnOpen(), c.cut);
        if (c.cut)
            EXPECT_EQ(testutil::readFile(d.file("T.DBF")), patched(4, le32(2)).left(header + 2 * record) + "\x1A");
        for (quint32 r = 0; r < t->recordCount(); ++r)
            EXPECT_EQ(t->value(r, 0).toLongLong(), r + 1);
        // Appending after a torn tail overwrites it and counts right.
        t->append({9, "B", 2.0, QVariant(), "1"});
        EXPECT_EQ(t->value(quint32(c.expectRecords), 0).toLongLong(), 9);
        EXPECT_EQ(t->recordCount(), quint32(c.expectRecords + 1));
    }

    // A memo pointer past the memo file's end, or to an entry whose length runs past it: the row is
    // readable, its memo value empty, and the damage logged.
    {
        QStringList warnings;
        const auto previous = dbf::SetWarningHandler([&](const QString& w) { warnings << w; });
        testutil::TempDir d;
        testutil::writeFile(d.file("T.DBF"), good);
        testutil::writeFile(d.file("T.DBT"), goodMemo.left(520));
        auto t = Table::open(d.file("T.DBF"));
        EXPECT_EQ(t->value(2, 0).toLongLong(), 3);
        EXPECT_TRUE(t->value(2, 3).isNull());
        QByteArray farPointer = good;
        farPointer.replace(header + 2 * record + 54, 10, "      9999");
        t.reset();
        testutil::writeFile(d.file("T.DBF"), farPointer);
        testutil::writeFile(d.file("T.DBT"), goodMemo);
        t = Table::open(d.file("T.DBF"));
        EXPECT_TRUE(t->value(2, 3).isNull());
        // A length of a hundred megabytes in a small file is found out before anything is made that long.
        QByteArray longEntry = goodMemo;
        longEntry.replace(516, 4, QByteArray("\x00\x00\x40\x06", 4));
        t.reset();
        testutil::writeFile(d.file("T.DBF"), good);
        testutil::writeFile(d.file("T.DBT"), longEntry);
        t = Table::open(d.file("T.DBF"));
        EXPECT_TRUE(t->value(2, 3).isNull());
        dbf::SetWarningHandler(previous);
        ASSERT_EQ(warnings.size(), 3);
        EXPECT_TRUE(warnings[0].contains("runs past the end")) << warnings[0].toStdString();
        EXPECT_TRUE(warnings[1].contains("past the end")) << warnings[1].toStdString();
        EXPECT_TRUE(warnings[2].contains("length 104857600 runs past the end")) << warnings[2].toStdString();
        EXPECT_EQ(testutil::readFile(d.file("T.DBT")), longEntry);
    }
    // Garbage in a numeric field reads as NULL, never as a made-up number.
    {
        testutil::TempDir d;
        QByteArray garbage = good;
        garbage.replace(header + 1, 11, "*******1x2*");
        testutil::writeFile(d.file("T.DBF"), garbage);
        testutil::writeFile(d.file("T.DBT"), goodMemo);
        EXPECT_TRUE(Table::open(d.file("T.DBF"))->value(0, 0).isNull());
    }
}

TEST(DbfTable, WriterRefusesFieldsItsReaderWouldNotTakeBack)
{
    const Column refused[] = {
        {"T", 'C', 10, 2},  // the decimals byte of a text field is the high byte of its width
        {"T", 'C', 255, 0}, {"N", 'N', 21, 0}, {"N", 'N', 5, 4}, {"M", 'M', 19, 0}, {"L", 'L', 2, 0}, {"D", 'D', 10, 0},
        {"LONGERNAME1", 'N', 5, 0}, {"X", 'Q', 5, 0},
    };
    for (const Column& c : refused) {
        SCOPED_TRACE(QStringLiteral("%1 %2(%3,%4)").arg(c.name).arg(c.type).arg(c.length).arg(c.decimals).toStdString());
        testutil::TempDir d;
        EXPECT_THROW(Table::create(d.file("T.DBF"), {{"ID", 'N', 5, 0}, c}), EDatabaseError);
        EXPECT_TRUE(QDir(d.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    testutil::TempDir d;
    auto t = Table::create(d.file("T.DBF"), {{"T", 'C', 254, 0}, {"N", 'N', 20, 15}, {"L", 'L', 1, 0}, {"D", 'D', 8, 0}});
    t->append({"x", 0.5, true, "20240102"});
    t.reset();
    EXPECT_EQ(Table::open(d.file("T.DBF"))->value(0, 1).toDouble(), 0.5);
}

TEST(DbfTable, DBaseIIIMemoValuesEndAtTheFirstDoubleEndMark)
{
    // dBASE III entries carry no length: they end at 0x1A 0x1A, wherever it falls among the 4096-byte reads.
    const QByteArray a4094(4094, 'a'), a4095(4095, 'a'), a4096(4096, 'a');
    const QByteArray values[] = {"short", a4094, a4095, a4096, a4095 + "\x1A" + "b", QByteArray(9000, 'c')};
    const int n = int(std::size(values));
    testutil::TempDir dir;
    {
        auto t = Table::create(dir.file("T.DBF"), {{"ID", 'N', 5, 0}, {"M", 'M', 10, 0}});
        for (int i = 1; i <= n; ++i)
            t->append({i, QVariant()});
    }
    QByteArray dbf = testutil::readFile(dir.file("T.DBF"));
    dbf[0] = char(0x83);
    QByteArray dbt(512, '\0');
    for (int i = 0; i < n; ++i) {
        const QByteArray block = QByteArray::number(dbt.size() / 512).rightJustified(10, ' ');
        dbf.replace(32 * 3 + 1 + i * 16 + 6, 10, block);
        QByteArray entry = values[i] + "\x1A\x1A" + "zz";
        entry.resize(((entry.size() + 511) / 512) * 512, '\0');
        dbt += entry;
    }
    testutil::writeFile(dir.file("T.DBF"), dbf);
    testutil::writeFile(dir.file("T.DBT"), dbt);
    auto t = Table::open(dir.file("T.DBF"));
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(t->value(quint32(i), 1).toByteArray(), values[i]) << i;
}

TEST(DbfTable, DamagedMemoHeaderNeverPlacesNewEntriesOverOldOnesOrFarAway)
{
    testutil::TempDir dir;
    {
        auto t = Table::create(dir.file("T.DBF"), journalColumns());
        t->append({1, "A", 1.0, kJpeg, "0"});
    }
    QByteArray dbt = testutil::readFile(dir.file("T.DBT"));
    const qint64 sizeBefore = dbt.size();
    // The next-free-block number of the memo header as damage may leave it: 0 would reuse the header,
    // a huge one would wrap or make a file of terabytes.
    for (const char* next : {"\x00\x00\x00\x00", "\xFF\xFF\xFF\xFF", "\x00\x00\x00\x40"}) {
        SCOPED_TRACE(testing::PrintToString(QByteArray(next, 4).toHex().toStdString()));
        testutil::TempDir d;
        testutil::writeFile(d.file("T.DBF"), testutil::readFile(dir.file("T.DBF")));
        testutil::writeFile(d.file("T.DBT"), dbt.replace(0, 4, QByteArray(next, 4)));
        const QByteArray photo(1500, '\x5A');
        {
            auto t = Table::open(d.file("T.DBF"));
            t->append({2, "B", 2.0, photo, "0"});
            t->append({3, "C", 3.0, photo, "0"});
            t->update(0, {{1, "AA"}});
        }
        auto t = Table::open(d.file("T.DBF"));
        EXPECT_EQ(t->value(0, 3).toByteArray(), kJpeg);
        EXPECT_EQ(t->value(1, 3).toByteArray(), photo);
        EXPECT_EQ(t->value(2, 3).toByteArray(), photo);
        EXPECT_LT(QFileInfo(d.file("T.DBT")).size(), sizeBefore + 8 * 512);
    }
}

TEST(DbfTable, ACreateThatFailsLeavesNothingThatBlocksTheNextOne)
{
    // A full disk, played by a file size limit: at 300 bytes the memo file's first block does not fit, at
    // 600 it does but the table's header does not.
    std::vector<Column> columns = journalColumns();
    for (int i = 0; i < 20; ++i)
        columns.push_back({QStringLiteral("X%1").arg(i), 'N', 5, 0});
    for (rlim_t limit : {rlim_t(300), rlim_t(600)}) {
        SCOPED_TRACE(limit);
        testutil::TempDir dir;
        rlimit saved {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit tight = saved;
        tight.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
        EXPECT_THROW(Table::create(dir.file("BASE.DBF"), columns), EDatabaseError);
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);

        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()) << QDir(dir.path()).entryList(QDir::Files).join(' ').toStdString();
        auto t = Table::create(dir.file("BASE.DBF"), columns);
        t->append({1, "A", 1.0, kJpeg, "0"});
        EXPECT_EQ(t->value(0, 3).toByteArray(), kJpeg);
    }
}

TEST(DbfTable, SecondProcessIsRefusedWithAClearError)
{
    testutil::TempDir dir;
    auto t = Table::create(dir.file("T.DBF"), {{"A", 'N', 5, 0}});
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    if (child == 0) {
        char verdict = 'o';
        try {
            dbf::LockedFile second(dir.file("T.DBF"), dbf::LockedFile::Mode::OpenExisting);
        } catch (const EDatabaseError& e) {
            verdict = e.Message().contains("in use by another program") ? 'r' : 'x';
        }
        (void)!write(fds[1], &verdict, 1);
        _exit(0);
    }
    close(fds[1]);
    char verdict = 0;
    ASSERT_EQ(read(fds[0], &verdict, 1), 1);
    close(fds[0]);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(verdict, 'r');
    t.reset();
    EXPECT_NO_THROW(dbf::LockedFile(dir.file("T.DBF"), dbf::LockedFile::Mode::OpenExisting));
}

TEST(DbfTable, KilledWriterLeavesEveryReturnedInsert)
{
    testutil::TempDir dir;
    const QString path = dir.file("BASE.DBF");
    Table::create(path, journalColumns()).reset();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        auto t = Table::open(path);
        for (qint32 i = 1;; ++i) {
            t->append({i, QStringLiteral("N%1").arg(i), i / 1000.0, i % 7 == 0 ? QVariant(kJpeg) : QVariant(), "0"});
            if (write(fds[1], &i, sizeof i) != sizeof i)
                _exit(1);
        }
    }
    close(fds[1]);
    qint32 returned = 0, n = 0;
    while (returned < 300 && read(fds[0], &n, sizeof n) == sizeof n)
        returned = n;
    kill(child, SIGKILL);
    while (read(fds[0], &n, sizeof n) == sizeof n)
        returned = n;  // statements that returned before the kill landed
    close(fds[0]);
    waitpid(child, nullptr, 0);

    auto t = Table::open(path);
    ASSERT_GE(t->recordCount(), quint32(returned));
    for (quint32 r = 0; r < t->recordCount(); ++r) {
        ASSERT_EQ(t->value(r, 0).toLongLong(), r + 1);
        ASSERT_EQ(t->value(r, 1).toString(), QStringLiteral("N%1").arg(r + 1));
        if ((r + 1) % 7 == 0)
            ASSERT_EQ(t->value(r, 3).toByteArray(), kJpeg);
    }
}

TEST(DbfTable, AnInsertKilledAtAnyInstantLeavesWhatOutsideReadersCountAlike)
{
    // One insert with a photo, killed at every system call in turn; the next open must agree with dbfread,
    // which reads records up to the end mark whatever the header counts.
    QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/velt-kill-XXXXXX" : QDir::tempPath() + "/velt-kill-XXXXXX");
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("BASE.DBF");
    {
        auto t = Table::create(path, journalColumns());
        t->append({1, "A", 0.1, kJpeg, "0"});
    }
    const QByteArray table = testutil::readFile(path), memo = testutil::readFile(dir.filePath("BASE.DBT"));
    QStringList counts, states;
    bool finished = false;
    for (int stop = 1; stop < 500 && !finished; ++stop) {
        SCOPED_TRACE(stop);
        testutil::writeFile(path, table);
        testutil::writeFile(dir.filePath("BASE.DBT"), memo);
        const killat::Outcome outcome = killat::run(stop, [&] { Table::open(path)->append({2, "B", 0.2, kJpeg, "0"}); });
        ASSERT_NE(outcome, killat::Outcome::Failed);
        finished = outcome == killat::Outcome::Finished;
        quint32 ours = 0;
        {
            auto t = Table::open(path);
            ours = t->recordCount();
            ASSERT_TRUE(ours == 1 || ours == 2);
            EXPECT_EQ(t->value(0, 3).toByteArray(), kJpeg);
            if (ours == 2)
                EXPECT_EQ(t->value(1, 3).toByteArray(), kJpeg);
        }
        counts << QString::number(ours);
        const QString state = dir.filePath(QStringLiteral("S%1.DBF").arg(stop));
        QFile::copy(path, state);
        states << state;
    }
    QProcess python;
    python.start("/usr/bin/python3", QStringList{"-c", "import sys, dbfread\nfor p in sys.argv[1:]: print(len(list(dbfread.DBF(p, encoding='cp1251', ignore_missing_memofile=True, raw=True))))"} + states);
    ASSERT_TRUE(python.waitForFinished(20000));
    EXPECT_EQ(QString::fromLatin1(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), counts) << python.readAllStandardError().constData();
    EXPECT_TRUE(finished);
    EXPECT_TRUE(counts.contains("1") && counts.contains("2"));
}

// The 64-bit prefixes an index compares first never order two keys against their own order: texts with
// letters of both cases, letters the code page lacks, blanks and prefixes of each other; numbers of both signs.
TEST(KeyPrefix, NeverContradictsTheKeysOrder)
{
    const QString letters = QString::fromUtf8("aAzZ09 .-ёЁеЕжЖяЯ№\u4e2d\u00e9");
    const dbf::Column text{"T", 'C', 12, 0, 1};
    const dbf::Column number{"N", 'N', 11, 0, 1};
    quint32 seed = 7;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    std::vector<QVariant> values;
    for (int i = 0; i < 300; ++i) {
        QString t;
        for (int n = int(next() % 11); n > 0; --n)
            t += letters[int(next() % letters.size())];
        values.push_back(t);
    }
    for (qlonglong n : {-2147483647LL, -300LL, -256LL, -1LL, 0LL, 1LL, 255LL, 256LL, 257LL, 65536LL, 2147483647LL})
        values.push_back(n);
    int compared = 0;
    for (const auto& a : values)
        for (const auto& b : values) {
            const bool numeric = a.typeId() == QMetaType::LongLong;
            if (numeric != (b.typeId() == QMetaType::LongLong))
                continue;
            const dbf::Column& c = numeric ? number : text;
            QByteArray ka, kb;
            ASSERT_TRUE(dbf::valueKey(c, a, rtl::CodePage::Cp1251, &ka));
            ASSERT_TRUE(dbf::valueKey(c, b, rtl::CodePage::Cp1251, &kb));
            const quint64 pa = dbf::keyPrefix(c, reinterpret_cast<const uchar*>(ka.constData()), int(ka.size()), rtl::CodePage::Cp1251);
            const quint64 pb = dbf::keyPrefix(c, reinterpret_cast<const uchar*>(kb.constData()), int(kb.size()), rtl::CodePage::Cp1251);
            if (pa < pb) {
                ASSERT_LT(ka.toStdString(), kb.toStdString()) << a.toString().toStdString() << " / " << b.toString().toStdString();
                ++compared;
            }
        }
    EXPECT_GT(compared, 10000);  // most pairs are told apart by their prefixes
}

// The order a first read takes from field bytes without making their keys is the keys' order: prefixes
// equal to the keys' prefixes, and ties settled as the keys settle them. Numbers in every shape a writer may
// leave (blank, signed, padded with blanks or NULs, with decimals); texts of both code pages sharing their
// first letters, in both cases, of lengths around the prefix's eight letters.
TEST(FieldOrder, OrdersFieldsAsTheirKeysDo)
{
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    auto check = [&](const dbf::Column& c, rtl::CodePage cp, const std::vector<QByteArray>& fields) {
        const dbf::FieldOrder order(c, cp);
        std::vector<std::string> keys;
        for (const QByteArray& f : fields) {
            std::string key(std::size_t(dbf::keyRoom(c)), '\0');
            key.resize(std::size_t(dbf::fieldKey(c, f.constData(), cp, reinterpret_cast<uchar*>(key.data()))));
            ASSERT_EQ(order.prefix(f.constData()), dbf::keyPrefix(c, reinterpret_cast<const uchar*>(key.data()), int(key.size()), cp))
                << f.toHex().constData();
            keys.push_back(key);
        }
        for (std::size_t a = 0; a < fields.size(); ++a)
            for (std::size_t b = 0; b < fields.size(); ++b)
                if (order.prefix(fields[a].constData()) == order.prefix(fields[b].constData()))
                    ASSERT_EQ(sign(order.compareTies(fields[a].constData(), fields[b].constData())), sign(keys[a].compare(keys[b])))
                        << fields[a].toHex().constData() << " / " << fields[b].toHex().constData();
    };
    const dbf::Column whole{"N", 'N', 11, 0, 0}, decimals{"F", 'N', 11, 3, 0};
    std::vector<QByteArray> numbers;
    for (const char* f : {"           ", "          0", "         17", "         17", "        +17", "        -17", "  000000017",
                          "17         ", "17\0\0\0\0\0\0\0\0\0", "-2147483647", " 2147483647", "99999999999", "      1.5  ", "     -0.001"})
        numbers.push_back(QByteArray(f, 11));
    check(whole, rtl::CodePage::Cp1251, numbers);
    check(decimals, rtl::CodePage::Cp1251, numbers);

    quint32 seed = 5;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    const QString letters = QString::fromUtf8("aAеЕёЁжЖ .9");
    for (const rtl::CodePage cp : {rtl::CodePage::Cp1251, rtl::CodePage::Cp866})
        for (const char type : {'C', 'D'}) {
            const dbf::Column text{"T", type, 12, 0, 0};
            std::vector<QByteArray> fields;
            for (int i = 0; i < 200; ++i) {
                QString t = i % 2 ? QStringLiteral(" ") : QString();
                t += QString::fromUtf8("2010.01.");  // eight letters alike, as a month's dates are
                for (int n = int(next() % 5); n > 0; --n)
                    t += letters[int(next() % letters.size())];
                QByteArray f = rtl::encode(cp, t).leftJustified(12, i % 3 ? ' ' : '\0');
                fields.push_back(f.left(12));
            }
            check(text, cp, fields);
        }
}

// Field bytes as every writer leaves them, read into the values a caller gets: the shapes a numeric field
// takes most often are read without the general number reader, and must read exactly as it reads them.
TEST(DbfCodec, FieldBytesReadIntoTheirValues)
{
    using rtl::CodePage;
    struct Case {
        Column column;
        QByteArray bytes;
        QVariant want;  // invalid: NULL
        CodePage cp = CodePage::Cp1251;
    };
    auto ll = [](qlonglong n) { return QVariant(n); };
    const QString ivanov = QString::fromUtf8("ИВАНОВ");
    const Case cases[] = {
        {{"T", 'C', 8}, "ABC     ", "ABC"},
        {{"T", 'C', 9}, QByteArray("  AB  \0\0\0", 9), "  AB"},  // leading blanks are the text's own
        {{"T", 'C', 23}, QByteArray(23, ' '), {}},
        {{"T", 'C', 9}, QByteArray(9, '\0'), {}},
        {{"T", 'C', 23}, QByteArray("\xC8\xC2\xC0\xCD\xCE\xC2") + QByteArray(17, ' '), ivanov},
        {{"T", 'C', 8}, "\x88\x82\x80\x8D\x8E\x82  ", ivanov, CodePage::Cp866},
        {{"T", 'C', 3}, "\x98\xB9\xFF", QString(QChar(0x98)) + QChar(0x2116) + QChar(0x44F)},
        {{"T", 'C', 17}, "ABCDEFGH IJKLMNO ", "ABCDEFGH IJKLMNO"},  // a blank inside a word-sized step
        {{"N", 'N', 11}, "         42", ll(42)},
        {{"N", 'N', 11}, "        -42", ll(-42)},
        {{"N", 'N', 11}, "        +42", ll(42)},
        {{"N", 'N', 11}, "  -0       ", ll(0)},
        {{"N", 'N', 11}, QByteArray("\0\0\0\0\0\0\0\0 42", 11), ll(42)},
        {{"N", 'N', 11}, "        5.0", ll(5)},
        {{"N", 'N', 11}, "        5.5", 5.5},
        {{"N", 'N', 11}, "***********", {}},
        {{"N", 'N', 11}, "      1 2  ", {}},
        {{"N", 'N', 11}, "         --", {}},
        {{"N", 'N', 20}, " 9223372036854775807", ll(9223372036854775807LL)},
        {{"N", 'N', 20}, "   12345678901234567", ll(12345678901234567LL)},
        {{"N", 'N', 19, 6}, "           0.123000", 0.123},
        {{"N", 'N', 19, 6}, "          -0.000000", -0.0},
        {{"N", 'N', 19, 6}, "        1234,500000", 1234.5},
        {{"N", 'N', 19, 6}, "                 12", 12.0},
        {{"N", 'N', 19, 6}, "                12.", 12.0},
        {{"N", 'N', 19, 6}, "                 .5", 0.5},
        {{"N", 'N', 19, 6}, "              1.5e3", 1500.0},
        {{"N", 'N', 19, 6}, "              1.2.3", {}},
        {{"N", 'N', 19, 6}, "                  .", {}},
        {{"N", 'N', 19, 6}, QByteArray(19, ' '), {}},
        {{"N", 'N', 20, 15}, "0.123456789012345678", 0.123456789012345678},
        {{"F", 'F', 20, 10}, "        0.1234567890", 0.123456789},
        {{"L", 'L', 1}, "T", "T"},
        {{"L", 'L', 1}, "?", {}},
        {{"L", 'L', 1}, " ", {}},
        {{"D", 'D', 8}, "20240131", "20240131"},
        {{"M", 'M', 10}, "        12", ll(12)},
        {{"M", 'M', 10}, "          ", {}},
        {{"M", 'M', 10}, "       abc", {}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.bytes.size(), c.column.length) << c.bytes.constData();
        const QVariant got = dbf::decodeField(c.column, c.bytes.constData(), c.cp);
        SCOPED_TRACE(c.bytes.constData());
        EXPECT_EQ(got.isValid(), c.want.isValid());
        EXPECT_EQ(got.typeId(), c.want.typeId());
        EXPECT_EQ(got, c.want);
        if (c.want.typeId() == QMetaType::Double)
            EXPECT_EQ(std::signbit(got.toDouble()), std::signbit(c.want.toDouble()));
    }
}

// Every number of up to 17 digits and up to 15 decimals reads as the correctly rounded double the
// standard reader makes of the same text.
TEST(DbfCodec, DecimalNumbersReadCorrectlyRounded)
{
    quint64 seed = 12345;
    auto next = [&seed]() { return seed = seed * 6364136223846793005ULL + 1442695040888963407ULL; };
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + int(next() >> 33) % 17;
        const int decimals = std::min(digits, int(next() >> 33) % 16);
        std::string text;
        for (int d = 0; d < digits; ++d)
            text += char('0' + (next() >> 33) % 10);
        if (decimals > 0)
            text.insert(text.size() - std::size_t(decimals), 1, '.');
        if ((next() >> 33) % 2)
            text.insert(0, 1, '-');
        const Column column{"N", 'N', 20, std::max(decimals, 1)};
        QByteArray bytes(20, ' ');
        std::copy(text.begin(), text.end(), bytes.end() - qsizetype(text.size()));
        double want = 0;
        std::from_chars(text.data(), text.data() + text.size(), want);
        const QVariant got = dbf::decodeField(column, bytes.constData(), rtl::CodePage::Cp1251);
        ASSERT_EQ(got.typeId(), QMetaType::Double) << text;
        ASSERT_EQ(got.toDouble(), want) << text;
        ASSERT_EQ(std::signbit(got.toDouble()), std::signbit(want)) << text;
    }
}

// The prefix an index build reads straight off a text field's bytes is the prefix of the field's key: every
// byte of both code pages, blanks and NULs around the text, fields trimmed at both ends or at the end only.
TEST(KeyPrefix, OfATextFieldsBytesIsThePrefixOfItsKey)
{
    quint32 seed = 11;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (const rtl::CodePage cp : {rtl::CodePage::Cp1251, rtl::CodePage::Cp866}) {
        const dbf::ByteCollation& collation = dbf::byteCollation(cp);
        ASSERT_TRUE(collation.exactRanks);
        for (const char type : {'C', 'D'}) {
            const dbf::Column c{"T", type, 12, 0, 0};
            for (int i = 0; i < 3000; ++i) {
                char field[12];
                for (char& b : field) {
                    const quint32 roll = next() % 8;
                    b = roll == 0 ? ' ' : roll == 1 ? '\0' : char(next() % 256);
                }
                uchar key[1 + 2 * 12];
                const int n = dbf::fieldKey(c, field, cp, key);
                int begin = 0;
                const int end = dbf::trimText(c, field, &begin);
                ASSERT_EQ(dbf::textPrefix(collation, field + begin, end - begin), dbf::keyPrefix(c, key, n, cp))
                    << QByteArray(field, 12).toHex().constData() << " " << type;
            }
        }
    }
}
