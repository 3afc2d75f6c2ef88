// The conversion engine without a window: its steps, their outcomes and the files they leave.
#include "ConvertFixture.h"

#include "db/ConversionFiles.h"
#include "db/JournalConverter.h"
#include "db/JournalSchemas.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/CaseInsensitivePath.h"


#include <gtest/gtest.h>

using dbfixture::WorkFolder;
using Converter = db::TJournalConverter;
using Rows = Converter::Rows;
using MoveResult = db::TConversionFiles::MoveResult;
using RestoreResult = db::TConversionFiles::RestoreResult;

namespace {

struct Fixture : convertfixture::Fixture<Converter> {
    using convertfixture::Fixture<Converter>::Fixture;

    // The steps of a conversion as the window takes them: the move, the rows (none without a converter for
    // the pair), and the old table put back unless they all went over.
    std::optional<Rows> convert(int required, int detected, const Converter::Progress& progress = {})
    {
        EXPECT_EQ(converter().MoveToOld(), MoveResult::Moved);
        std::optional<Rows> rows;
        if (const auto target = Converter::TargetFor(required, detected))
            rows = converter().ConvertRows(*target, detected, progress);
        rowsError = converter().LastError();
        if (rows != Rows::Converted)
            EXPECT_EQ(converter().PutOldBack(), RestoreResult::Restored);
        // The engine tells its outcomes; it shows nothing.
        EXPECT_EQ(boxes.Count(), 0);
        return rows;
    }
    QString rowsError; // why the rows did not go over
};

} // namespace

TEST(Conversion, EveryOlderGenerationReachesItsTarget)
{
    struct Case {
        int required;
        int source;
    };
    const Case cases[] = {{7, 1}, {7, 2}, {7, 3}, {7, 6}, {3, 1}, {3, 2}, {3, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.required << ", " << c.source << ")");
        Fixture fx(c.source);
        EXPECT_EQ(fx.converter().DetectFormat(), c.source);
        std::vector<std::pair<int, int>> told;
        ASSERT_EQ(fx.convert(c.required, c.source, [&](int done, int total) {
            told.emplace_back(done, total);
            return true;
        }), Rows::Converted);
        // Progress after each row written: rows done of the total.
        EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
        EXPECT_EQ(fx.converter().DetectFormat(), c.required);
        // The old table is kept as it was; nothing of the conversion is left behind.
        EXPECT_EQ(testutil::readFile(fx.db() + "/oldBASE.DBF"), fx.before.value("BASE.DBF"));
        EXPECT_FALSE(QFileInfo::exists(fx.db() + "/CONVERT.STATE"));

        const bool mp = c.required == 7;
        const QJsonArray rows = oldjournal::readWithDbfread(rtl::resolveCaseInsensitive(fx.db() + "/BASE.DBF"));
        ASSERT_EQ(rows.size(), 5);
        // Date order, ties in file order, numbered 1..n whatever the old identifiers were.
        const int order[5] = {1, 0, 3, 2, 4};
        const auto src = oldjournal::sampleRows();
        const double izm[5] = {0.124, 0.123, 1.5, 0.0, 0.0};
        const char* stat[5] = {"1", "0", "1", "0", "0"};
        const int typeRecord[5] = {2, 1, 2, 1, 1};
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            const QJsonObject r = rows[i].toObject();
            const auto& o = src[static_cast<std::size_t>(order[i])];
            EXPECT_EQ(r["ID"].toInt(), i + 1);
            EXPECT_EQ(r["PRIBOR"].toInteger(), o.pribor);
            EXPECT_EQ(r["DATA_IZM"].toString(), o.date);
            EXPECT_DOUBLE_EQ(r["IZM"].toDouble(), izm[i]);
            EXPECT_EQ(r["STAT"].toString(), stat[i]);
            EXPECT_EQ(r["OPER"].toString(), o.oper);
            EXPECT_EQ(r["OBSL_FAM"].toString(), o.fam.left(mp ? 23 : 20));
            EXPECT_EQ(r["OBSL_NAME"].toString(), o.name.left(mp ? 23 : 19));
            EXPECT_EQ(r["OBSL_PAT"].toString(), o.pat);
            // Generation 6 has no info mark: its interlock events are known by their codes.
            const bool event = c.source == 6 && i == 4;
            if (!mp) {
                EXPECT_EQ(r["NUM_VIDOH"].toInteger(), c.source == 6 ? o.numVidoh : 0);
                EXPECT_EQ(r["PAGE_FOOT"].toString(), event ? "1" : "0");
                continue;
            }
            if (c.source == 3 || c.source == 6)
                EXPECT_EQ(r["NUM_VIDOH"].toInteger(), o.numVidoh);
            else
                EXPECT_TRUE(r["NUM_VIDOH"].isNull());
            EXPECT_EQ(r["TYPERECORD"].toInt(), c.source == 3 ? typeRecord[i] : event ? 2 : 1);
            EXPECT_EQ(r["MEAS_PLACE"].toString(), c.source == 6 ? o.place.left(23).trimmed() : QString());
            EXPECT_EQ(r["OBSL_NAUTO"].toString(), c.source == 6 ? o.nauto : QString());
            EXPECT_EQ(r["INSP_FAM"].toString(), c.source == 6 ? o.insp[0] : QString());
            EXPECT_EQ(r["INSP_NUMB"].toString(), c.source == 6 ? o.insp[4] : QString());
            EXPECT_TRUE(r["TYPE_PRIB"].isNull());
            EXPECT_TRUE(r["DATA_REC"].toString().isEmpty());
        }
        if (mp) {
            // Photos as their bytes, the damaged one too.
            auto table = dbf::Table::open(fx.db() + "/BASE.DBF");
            const int photo = table->columnIndex("OBSL_PHOTO");
            EXPECT_EQ(table->value(1, photo).toByteArray(), oldjournal::jpegBytes());
            EXPECT_EQ(table->value(4, photo).toByteArray(), oldjournal::damagedPhoto());
            for (quint32 r : {0u, 2u, 3u})
                EXPECT_TRUE(table->value(r, photo).isNull()) << r;
        }
    }
}

TEST(Conversion, AStopPutsTheOldJournalBack)
{
    // A progress that asks to stop ends the copy after the row in hand.
    Fixture fx(3);
    int rows = 0;
    EXPECT_EQ(fx.convert(7, 3, [&](int done, int) {
        rows = done;
        return done < 3;
    }), Rows::Stopped);
    EXPECT_EQ(rows, 3);
    fx.expectOldJournalBack();
    // The half-made table and its memo are kept aside under the time of the rollback.
    EXPECT_EQ(fx.aside().size(), 2);
    EXPECT_FALSE(QFileInfo::exists(fx.db() + "/CONVERT.STATE"));
}

TEST(Conversion, RefusalsTouchNothing)
{
    struct Case {
        const char* what;
        std::function<void(Fixture&)> prepare;
        MoveResult result;
    };
    const Case cases[] = {
        {"an oldBASE.DBF of any case", [](Fixture& fx) { testutil::writeFile(fx.db() + "/OLDBASE.dbf", "kept"); },
         MoveResult::OldTableExists},
        {"no BASE.DBF", [](Fixture& fx) { QFile::rename(fx.db() + "/BASE.DBF", fx.db() + "/OTHER.DBF"); }, MoveResult::NoTable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture fx(3);
        c.prepare(fx);
        fx.before = dbfixture::snapshot(fx.db());
        EXPECT_EQ(fx.converter().MoveToOld(), c.result);
        EXPECT_EQ(dbfixture::snapshot(fx.db()), fx.before);
    }
    // "medic" and "police" keep no journal: there is nothing to convert their table into.
    EXPECT_FALSE(Converter::KeepsJournal(4));
    EXPECT_FALSE(Converter::KeepsJournal(5));
    EXPECT_TRUE(Converter::KeepsJournal(db::GenerationOf(db::Schema::Default)));
    EXPECT_TRUE(Converter::KeepsJournal(db::GenerationOf(db::Schema::DefaultMp)));
}

TEST(Conversion, ConvertersOfThePairs)
{
    using T = Converter::Target;
    struct Case {
        int required, detected;
        std::optional<T> target;
    };
    const Case cases[] = {
        {7, 1, T::DefaultMp}, {7, 2, T::DefaultMp}, {7, 3, T::DefaultMp}, {7, 6, T::DefaultMp},
        {3, 1, T::Default},   {3, 2, T::Default},   {3, 6, T::Default},
        {7, 0, std::nullopt}, {7, 5, std::nullopt}, {3, 3, std::nullopt}, {4, 2, std::nullopt}, {5, 3, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Converter::TargetFor(c.required, c.detected), c.target) << c.required << ", " << c.detected;
}

TEST(Conversion, FailuresRollBack)
{
    struct Case {
        const char* what;
        int generation, required, detected;
        std::vector<oldjournal::Row> rows;
        std::optional<Rows> result;
        bool tableMade;
    };
    const Case cases[] = {
        // A table whose columns match no generation has no converter: moved and moved back.
        {"no converter for the pair", 3, 7, 0, oldjournal::sampleRows(), std::nullopt, false},
        {"an empty table, default_mp", 3, 7, 3, {}, Rows::Empty, false},
        {"an empty table, default", 2, 3, 2, {}, Rows::Empty, false},
        // Generation 2 read as 3: its NUM_VIDOH is missing.
        {"a column missing", 2, 7, 3, oldjournal::sampleRows(), Rows::Failed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture fx(c.generation, c.rows);
        EXPECT_EQ(fx.convert(c.required, c.detected), c.result);
        fx.expectOldJournalBack();
        EXPECT_EQ(fx.tableAside(), c.tableMade);
        if (c.tableMade)
            EXPECT_TRUE(fx.rowsError.contains("NUM_VIDOH")) << fx.rowsError.toStdString();
    }
}

TEST(Conversion, TheMemoFileTravelsWithItsTable)
{
    const std::vector<dbf::Column> memo = {oldjournal::col("REMARK", 'M', 10)};
    {
        // Success: the old table keeps its memo as oldBASE.DBT; the new table has its own.
        Fixture fx(3, oldjournal::sampleRows(), memo);
        ASSERT_TRUE(fx.before.contains("BASE.DBT"));
        ASSERT_EQ(fx.convert(7, 3), Rows::Converted);
        EXPECT_EQ(testutil::readFile(fx.db() + "/oldBASE.DBT"), fx.before.value("BASE.DBT"));
        auto old = dbf::Table::open(fx.db() + "/oldBASE.DBF");
        EXPECT_EQ(old->value(2, old->columnIndex("REMARK")).toByteArray(), "memo of row 2");
        EXPECT_NE(testutil::readFile(rtl::resolveCaseInsensitive(fx.db() + "/BASE.DBT")), fx.before.value("BASE.DBT"));
    }
    {
        // A stray oldBASE.DBT beside a table with a memo is someone's file: refused, nothing touched.
        Fixture fx(3, oldjournal::sampleRows(), memo);
        testutil::writeFile(fx.db() + "/oldBASE.DBT", "stray");
        fx.before = dbfixture::snapshot(fx.db());
        EXPECT_EQ(fx.converter().MoveToOld(), MoveResult::OldMemoExists);
        EXPECT_EQ(dbfixture::snapshot(fx.db()), fx.before);
    }
    {
        // A failure puts both back under their own names, the mixed case included.
        Fixture fx(2, oldjournal::sampleRows(), memo);
        QFile::rename(fx.db() + "/BASE.DBF", fx.db() + "/Base.dbf");
        QFile::rename(fx.db() + "/BASE.DBT", fx.db() + "/Base.dbt");
        fx.before = dbfixture::snapshot(fx.db());
        EXPECT_EQ(fx.convert(7, 3), Rows::Failed);
        fx.expectOldJournalBack();
    }
}

TEST(ConversionFiles, RenamesNeverReplace)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("a"), "a");
    testutil::writeFile(dir.file("b"), "b");
    EXPECT_FALSE(db::RenameNoReplace(dir.file("a"), dir.file("b")));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(testutil::readFile(dir.file("b")), "b");
    EXPECT_TRUE(db::RenameNoReplace(dir.file("a"), dir.file("c")));
    EXPECT_EQ(testutil::readFile(dir.file("c")), "a");
    EXPECT_FALSE(QFileInfo::exists(dir.file("a")));
}

TEST(ConversionFiles, TwoRollbacksInOneSecondKeepBothTables)
{
    WorkFolder work;
    const QDateTime now(QDate(2010, 12, 28), QTime(14, 5, 33));
    for (int round = 0; round < 2; ++round) {
        testutil::writeFile(work.database("BASE.DBF"), "old");
        db::TConversionFiles files(work.path() + "/DATABASE");
        ASSERT_EQ(files.MoveToOld(), db::TConversionFiles::MoveResult::Moved);
        EXPECT_TRUE(files.InProgress());
        testutil::writeFile(work.database("Base.DBF"), QByteArray("new ") + QByteArray::number(round));
        testutil::writeFile(work.database("Base.DBT"), "memo");
        ASSERT_EQ(files.Restore(now), db::TConversionFiles::RestoreResult::Restored);
        EXPECT_FALSE(files.InProgress());
        EXPECT_EQ(testutil::readFile(work.database("BASE.DBF")), "old");
        QFile::remove(work.database("BASE.DBF"));
    }
    EXPECT_EQ(testutil::readFile(work.database("BASE_del (2010.12.28 14.05.33).DBF")), "new 0");
    EXPECT_EQ(testutil::readFile(work.database("BASE_del (2010.12.28 14.05.33).DBT")), "memo");
    EXPECT_EQ(testutil::readFile(work.database("BASE_del (2010.12.28 14.05.33) 2.DBF")), "new 1");
}

TEST(JournalConverter, InsertBuilders)
{
    QString cols, params;
    Converter::AddSqlFieldValue("ID", 1, cols, params, true);
    Converter::AddSqlField("OBSL_FAM", "", cols, params, false);
    Converter::AddSqlFieldValue("PRIBOR", 0, cols, params, false);
    Converter::AddSqlField("OPER", "", cols, params, false);
    Converter::AddSqlFieldValue("IZM", 0.5, cols, params, false);
    EXPECT_EQ("INSERT INTO Base ( " + cols + " ) VALUES ( " + params + " )",
              "INSERT INTO Base ( ID, PRIBOR, IZM ) VALUES ( :ID, :PRIBOR, :IZM )");
    // The first column goes in whatever its value; the character form always does.
    Converter::AddSqlField("DATA_IZM", "", cols, params, true);
    Converter::AddSqlFieldChar("STAT", QChar('0'), cols, params, false);
    EXPECT_EQ(cols, "DATA_IZM, STAT");
    EXPECT_EQ(params, ":DATA_IZM, :STAT");
}
