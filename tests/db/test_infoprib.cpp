#include "DbFixture.h"

#include "db/DBInfoPribors.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/DbfTable.h"

#include <gtest/gtest.h>

#include <QFile>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>
#include <vector>

using dbfixture::WorkFolder;

namespace {

constexpr LongTime kLawChange = 1235088000 + 86400; // 2010-08-06 00:00:00

LongTime at(const char* text)
{
    return DateTimeTextToLong(QString::fromLatin1(text));
}

TInfoPriborRecord instrument(uint32_t serial, const char* dateConst, double norma, uint32_t life)
{
    TInfoPriborRecord r;
    r.DATEGET = at("2012.01.02 03:04:05");
    r.PRIBPROT = 0;
    r.PRIBMODEL = 2;
    r.PRIBOR = serial;
    r.FIRMWARE = 0x000A;
    r.DATEPOVER = at("2009.01.20 00:00:00");
    r.DATECONST = at(dateConst);
    r.ACCURACY = 0.02f;
    r.NORMA = norma;
    r.T_VIDOH = 3;
    r.W_WIDOH = 4;
    r.NETNUMBER = 5;
    r.DATEPRIB = at("2012.01.02 03:04:00");
    r.LIFEZAPIS = life;
    return r;
}

// The rows of InfoPrib as dbfread (not our reader) sees them: "ID PRIBOR DATECONST LIFEZAPIS NORMA" lines.
QString rowsByDbfread(const QString& path)
{
    return dbfixture::runPython(QStringLiteral(
        "import sys, dbfread\n"
        "for r in dbfread.DBF(sys.argv[1], encoding='cp1251'):\n"
        "    print(r['ID'], r['PRIBOR'], r['DATECONST'], r['LIFEZAPIS'], r['NORMA'])\n"), path);
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(DBInfoPribors, CreatesTheTableWhenMissing)
{
    WorkFolder work;
    TDBInfoPribors info(work.path());
    ASSERT_TRUE(QFile::exists(work.database("InfoPrib.DBF")));
    EXPECT_EQ(info.Count(), 0);

    auto table = dbf::Table::open(work.database("InfoPrib.DBF"));
    EXPECT_EQ(table->recordCount(), 0u);
    const char* names[] = {"ID", "PRIBOR", "DATECONST", "DATEGET", "PRIBPROT", "DATEPRIB", "DATEPOVER", "PRIBMODEL",
                           "FIRMWARE", "NORMA", "ACCURACY", "T_VIDOH", "W_WIDOH", "NETNUMBER", "LIFEZAPIS"};
    ASSERT_EQ(table->columns().size(), 15u);
    for (int i = 0; i < 15; ++i) {
        const dbf::Column& c = table->columns()[std::size_t(i)];
        EXPECT_EQ(c.name, QString::fromLatin1(names[i]));
        const bool date = c.name.startsWith("DATE");
        EXPECT_EQ(c.type, date ? 'C' : 'N') << names[i];
        if (date)
            EXPECT_EQ(c.length, 19) << names[i];
        else
            EXPECT_GE(c.length, 10) << names[i] << ": room for every 32-bit serial number";
    }
}

TEST(DBInfoPribors, LegalNormChangesOn2010_08_06)
{
    WorkFolder work;
    TDBInfoPribors info(work.path());
    struct Case {
        const char* text;
        double norma;
    };
    const Case cases[] = {
        {"2010.08.05 12:00:00", 0.15},
        {"2010.08.05 23:59:59", 0.15},
        {"2010.08.06 00:00:00", 0.0},
        {"1971.06.16 00:00:00", 0.15},
        {"2030.01.01 00:00:00", 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(info.Norma(17, QString::fromLatin1(c.text)), c.norma) << c.text;
        EXPECT_DOUBLE_EQ(TDBInfoPribors::Norma_Zakon(at(c.text)), c.norma) << c.text;
    }
    EXPECT_DOUBLE_EQ(info.Norma(17, kLawChange - 1), 0.15);
    EXPECT_DOUBLE_EQ(info.Norma(17, kLawChange), 0.0);
    EXPECT_DOUBLE_EQ(TDBInfoPribors::Norma_Zakon(4294967295u), 0.0);
    EXPECT_EQ(info.AllLifeZapis(17, QStringLiteral("2010.08.05 12:00:00")), -1);
}

TEST(DBInfoPribors, AddRecordsNewRowsAndUpdatesTheLifetimeCount)
{
    WorkFolder work;
    const QString file = work.database("InfoPrib.DBF");
    {
        TDBInfoPribors info(work.path());
        struct Step {
            const char* what;
            TInfoPriborRecord record;
            bool result;
        };
        const Step steps[] = {
            {"first row of A", instrument(17, "2009.03.15 00:00:00", 0.15, 100), true},
            {"A again", instrument(17, "2009.03.15 00:00:00", 0.15, 100), false},
            {"A with a larger count", instrument(17, "2009.03.15 00:00:00", 0.15, 120), true},
            {"A with new constants", instrument(17, "2011.03.15 00:00:00", 0.0, 300), true},
            {"B on the same date as A", instrument(18, "2009.03.15 00:00:00", 0.2, 7), true},
            {"largest serial number", instrument(4294967295u, "2011.01.01 00:00:00", 0.1, 4294967295u), true},
        };
        for (const Step& s : steps) {
            const QByteArray before = bytesOf(file);
            EXPECT_EQ(info.Add(s.record), s.result) << s.what;
            if (!s.result)
                EXPECT_EQ(bytesOf(file), before) << s.what << ": nothing written";
        }
        EXPECT_EQ(info.Count(), 3);
        EXPECT_EQ(info.AllLifeZapis(17, QStringLiteral("2010.01.01 00:00:00")), 120);
        EXPECT_EQ(info.AllLifeZapis(4294967295u, at("2012.01.01 00:00:00")), -1); // the count as an int
    }
    // IDs count up from 1, the update kept its row's ID; read by a reader that is not ours.
    EXPECT_EQ(rowsByDbfread(file), "1 17 2009.03.15 00:00:00 120 0.15\n"
                                   "2 17 2011.03.15 00:00:00 300 0.0\n"
                                   "3 18 2009.03.15 00:00:00 7 0.2\n"
                                   "4 4294967295 2011.01.01 00:00:00 4294967295 0.1");

    // A later start loads every field back.
    TDBInfoPribors again(work.path());
    const TInfoPribCopy copy = again.Snapshot();
    ASSERT_EQ(copy.Count(), 3);
    const TInfoPriborEntry* a = copy.Find(17);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->rows.size(), 2u);
    const TInfoPriborRecord want = instrument(17, "2009.03.15 00:00:00", 0.15, 120);
    const TInfoPriborRecord& got = a->rows[0];
    EXPECT_EQ(got.DATEGET, want.DATEGET);
    EXPECT_EQ(got.PRIBPROT, want.PRIBPROT);
    EXPECT_EQ(got.PRIBMODEL, want.PRIBMODEL);
    EXPECT_EQ(got.PRIBOR, want.PRIBOR);
    EXPECT_EQ(got.FIRMWARE, want.FIRMWARE);
    EXPECT_EQ(got.DATEPOVER, want.DATEPOVER);
    EXPECT_EQ(got.DATECONST, want.DATECONST);
    EXPECT_FLOAT_EQ(got.ACCURACY, want.ACCURACY);
    EXPECT_DOUBLE_EQ(got.NORMA, want.NORMA);
    EXPECT_EQ(got.T_VIDOH, want.T_VIDOH);
    EXPECT_EQ(got.W_WIDOH, want.W_WIDOH);
    EXPECT_EQ(got.NETNUMBER, want.NETNUMBER);
    EXPECT_EQ(got.DATEPRIB, want.DATEPRIB);
    EXPECT_EQ(got.LIFEZAPIS, want.LIFEZAPIS);
    EXPECT_EQ(copy.Find(4294967295u)->rows[0].LIFEZAPIS, 4294967295u);
}

TEST(DBInfoPribors, NormAndLifetimeCountInForceAtADate)
{
    WorkFolder work;
    TDBInfoPribors info(work.path());
    ASSERT_TRUE(info.Add(instrument(17, "2011.03.15 00:00:00", 0.0, 300)));  // added out of date order
    ASSERT_TRUE(info.Add(instrument(17, "2009.03.15 00:00:00", 0.15, 100)));
    struct Case {
        uint32_t serial;
        const char* date;
        double norma;
        int life;
    };
    const Case cases[] = {
        {17, "2010.06.15 00:00:00", 0.15, 100},
        {17, "2012.03.15 00:00:00", 0.0, 300},
        {17, "2008.03.15 00:00:00", 0.15, 100}, // before every row: the first row's
        {17, "2011.03.15 00:00:00", 0.0, 300},  // the row's own date
        {99, "2010.08.05 12:00:00", 0.15, -1},  // unknown: the law's norm
        {99, "2010.08.06 00:00:00", 0.0, -1},
        {17, "", 0.0, 0},                       // not a date
        {17, "15.03.2010", 0.0, 0},
    };
    for (const Case& c : cases) {
        const QString date = QString::fromLatin1(c.date);
        EXPECT_DOUBLE_EQ(info.Norma(c.serial, date), c.norma) << c.serial << " " << c.date;
        EXPECT_EQ(info.AllLifeZapis(c.serial, date), c.life) << c.serial << " " << c.date;
    }
}

TEST(DBInfoPribors, SixteenDriverThreadsWhileTheMainThreadReadsNorms)
{
    WorkFolder work;
    TDBInfoPribors info(work.path());
    constexpr int kThreads = 16;
    constexpr int kPerThread = 8;
    std::atomic<int> finished{0};
    std::atomic<int> wrongResults{0};
    std::vector<std::thread> drivers;
    for (int t = 0; t < kThreads; ++t) {
        drivers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                const uint32_t serial = uint32_t(1000 + t * kPerThread + i);
                if (!info.Add(instrument(serial, "2009.03.15 00:00:00", 0.05 * (i % 4), 10)))
                    ++wrongResults;
                // The same identification again, as a driver's next connect would bring it.
                if (info.Add(instrument(serial, "2009.03.15 00:00:00", 0.05 * (i % 4), 10)))
                    ++wrongResults;
            }
            ++finished;
        });
    }
    // A deadlock would hang here: give up loudly instead (far beyond any normal run).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    long lookups = 0;
    while (finished.load() < kThreads) {
        for (uint32_t serial = 1000; serial < 1000 + kThreads * kPerThread; serial += 7) {
            const double n = info.Norma(serial, QStringLiteral("2010.01.01 00:00:00"));
            if (n != 0.15 && n != 0.0 && n != 0.05 && n != 0.1)
                ++wrongResults;
            info.AllLifeZapis(serial, at("2010.01.01 00:00:00"));
            ++lookups;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the threads did not finish: deadlock";
            std::abort();
        }
    }
    for (std::thread& d : drivers)
        d.join();
    EXPECT_EQ(wrongResults.load(), 0);
    EXPECT_GT(lookups, 0);

    EXPECT_EQ(info.Count(), kThreads * kPerThread);
    auto table = dbf::Table::open(work.database("InfoPrib.DBF"));
    ASSERT_EQ(table->recordCount(), quint32(kThreads * kPerThread));
    std::set<qlonglong> ids, serials;
    for (quint32 r = 0; r < table->recordCount(); ++r) {
        ids.insert(table->value(r, 0).toLongLong());
        serials.insert(table->value(r, 1).toLongLong());
    }
    EXPECT_EQ(ids.size(), std::size_t(kThreads * kPerThread));
    EXPECT_EQ(*ids.begin(), 1);
    EXPECT_EQ(*ids.rbegin(), kThreads * kPerThread);
    EXPECT_EQ(serials.size(), std::size_t(kThreads * kPerThread));
    for (int i = 0; i < kThreads * kPerThread; ++i)
        EXPECT_DOUBLE_EQ(info.Norma(uint32_t(1000 + i), at("2010.01.01 00:00:00")), 0.05 * ((i % kPerThread) % 4));
}

// python3-dbf writes the fixtures below: the table as another program left it.
class DBInfoPriborsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!dbfixture::havePythonDbf())
            GTEST_SKIP() << "python3-dbf is not installed";
    }
    static QString fields(const char* lifezapis = "N(11,0)")
    {
        return QStringLiteral("ID N(11,0); PRIBOR N(11,0); DATECONST C(19); DATEGET C(19); PRIBPROT N(11,0); "
                              "DATEPRIB C(19); DATEPOVER C(19); PRIBMODEL N(11,0); FIRMWARE N(11,0); "
                              "NORMA N(19,6); ACCURACY N(19,6); T_VIDOH N(11,0); W_WIDOH N(11,0); "
                              "NETNUMBER N(11,0); LIFEZAPIS ")
               + QString::fromLatin1(lifezapis);
    }
    static QString row(int id, int serial, const char* dateConst, double norma, int life)
    {
        return QStringLiteral("(%1, %2, '%3', '2012.01.02 03:04:05', 0, '2012.01.02 03:04:00', "
                              "'2009.01.20 00:00:00', 2, 10, %4, 0.02, 3, 4, 5, %5)")
            .arg(id).arg(serial).arg(QString::fromLatin1(dateConst)).arg(norma).arg(life);
    }
    WorkFolder work;
};

TEST_F(DBInfoPriborsFixture, OnlyBrokenRowsAreLeftOutOfTheCopy)
{
    const QString rows = "[" + row(1, 17, "2009.03.15 00:00:00", 0.15, 100) + ","
                         + row(2, 17, "2009.03.15 00:00:00", 0.3, 200) + ","   // same instrument and date
                         + row(3, 17, "garbage", 0.4, 250) + ","               // unreadable date
                         + row(4, 17, "2011.03.15 00:00:00", 0.0, 300) + ","
                         + row(5, 18, "2010.01.01 00:00:00", 0.2, 7) + "]";
    ASSERT_TRUE(dbfixture::writeWithPythonDbf(work.database("InfoPrib.DBF"), fields(), rows));

    TDBInfoPribors info(work.path());
    const TInfoPribCopy copy = info.Snapshot();
    ASSERT_EQ(copy.Count(), 2);
    ASSERT_EQ(copy.Find(17)->rows.size(), 2u);
    EXPECT_DOUBLE_EQ(info.Norma(17, QStringLiteral("2010.06.15 00:00:00")), 0.15);
    EXPECT_EQ(info.AllLifeZapis(17, QStringLiteral("2010.06.15 00:00:00")), 100);
    EXPECT_DOUBLE_EQ(info.Norma(17, QStringLiteral("2012.06.15 00:00:00")), 0.0);
    EXPECT_EQ(info.AllLifeZapis(18, QStringLiteral("2012.06.15 00:00:00")), 7);

    // New rows go after the largest ID.
    ASSERT_TRUE(info.Add(instrument(19, "2009.03.15 00:00:00", 0.15, 1)));
    auto table = dbf::Table::open(work.database("InfoPrib.DBF"));
    ASSERT_EQ(table->recordCount(), 6u);
    EXPECT_EQ(table->value(5, 0).toLongLong(), 6);
}

TEST_F(DBInfoPriborsFixture, FailedStatementsAreReportedAsFailures)
{
    // LIFEZAPIS three digits wide: a count of 1000 or more cannot be written.
    const QString rows = "[" + row(1, 17, "2009.03.15 00:00:00", 0.15, 100) + "]";
    ASSERT_TRUE(dbfixture::writeWithPythonDbf(work.database("InfoPrib.DBF"), fields("N(3,0)"), rows));
    const QString file = work.database("InfoPrib.DBF");
    TDBInfoPribors info(work.path());

    QByteArray before = bytesOf(file);
    EXPECT_FALSE(info.Add(instrument(18, "2009.03.15 00:00:00", 0.15, 5000))) << "insert failed";
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_FALSE(info.Add(instrument(17, "2009.03.15 00:00:00", 0.15, 5000))) << "update failed";
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(info.AllLifeZapis(17, QStringLiteral("2010.01.01 00:00:00")), 100);
    EXPECT_EQ(info.Count(), 1);

    EXPECT_TRUE(info.Add(instrument(18, "2009.03.15 00:00:00", 0.15, 999)));
    EXPECT_TRUE(info.Add(instrument(17, "2009.03.15 00:00:00", 0.15, 101)));
    EXPECT_EQ(info.AllLifeZapis(17, QStringLiteral("2010.01.01 00:00:00")), 101);
    EXPECT_EQ(info.Count(), 2);
}

TEST_F(DBInfoPriborsFixture, FailedLookUpWritesNothing)
{
    // No DATECONST column: whether an instrument is recorded cannot be known.
    ASSERT_TRUE(dbfixture::writeWithPythonDbf(work.database("InfoPrib.DBF"),
                                              "ID N(11,0); PRIBOR N(11,0); LIFEZAPIS N(11,0)", "[(1, 17, 100)]"));
    const QString file = work.database("InfoPrib.DBF");
    const QByteArray before = bytesOf(file);
    TDBInfoPribors info(work.path());
    EXPECT_EQ(info.Count(), 0);
    EXPECT_FALSE(info.Add(instrument(17, "2009.03.15 00:00:00", 0.15, 100)));
    EXPECT_FALSE(info.Add(instrument(18, "2009.03.15 00:00:00", 0.15, 100)));
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_DOUBLE_EQ(info.Norma(17, QStringLiteral("2010.08.05 00:00:00")), 0.15);
}
