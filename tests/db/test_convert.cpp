#include "DbFixture.h"
#include "OldJournal.h"

#include "db/ConversionFiles.h"
#include "db/ConverterDB.h"
#include "db/JournalSchemas.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace ctl;
using dbfixture::MainWindowDb;
using dbfixture::WorkFolder;
using oldjournal::u;

namespace {

const QString kInterrupted = u("Конвертация прерванна");
const QString kSuccess = u("Конвертация Базы Данных успешно завершена!");

// A work folder with an old journal, its photos, and the main window's objects on it.
struct Fixture {
    WorkFolder work;
    TScriptedMessageBoxPort boxes;
    std::unique_ptr<MainWindowDb> main;
    QMap<QString, QByteArray> before;

    explicit Fixture(int generation, std::vector<oldjournal::Row> rows = oldjournal::sampleRows(),
                     std::vector<dbf::Column> extra = {})
    {
        oldjournal::write(work.database("BASE.DBF"), generation, rows, extra);
        QDir(work.path()).mkpath("PHOTOS");
        testutil::writeFile(work.path() + "/PHOTOS/2009.05.12 10.22.33_0123.jpg", oldjournal::jpegBytes());
        testutil::writeFile(work.path() + "/PHOTOS/2011.11.11 11.11.11_0009.jpg", oldjournal::damagedPhoto());
        before = dbfixture::snapshot(db());
        main = std::make_unique<MainWindowDb>(work.path());
    }
    QString db() const { return work.path() + "/DATABASE"; }
    TfmConverterDB& converter() { return main->converter; }
    QStringList texts() const
    {
        QStringList out;
        for (const auto& a : boxes.AskedSoFar())
            out << a.text;
        return out;
    }
    QStringList files() const { return dbfixture::snapshot(db()).keys(); }
    // The old journal is back as it was, byte for byte, beside whatever a rollback moved aside.
    void expectOldJournalBack() const
    {
        const auto now = dbfixture::snapshot(db());
        for (auto it = before.begin(); it != before.end(); ++it)
            EXPECT_EQ(now.value(it.key()), it.value()) << it.key().toStdString();
        for (const QString& name : now.keys())
            EXPECT_TRUE(before.contains(name) || name.startsWith("BASE_del (")) << name.toStdString();
    }
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
        EXPECT_EQ(fx.main->converter.DetectFormat(), c.source);
        ASSERT_TRUE(fx.converter().Convert(c.required, c.source));
        EXPECT_EQ(fx.texts(), QStringList{kSuccess});
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

TEST(Conversion, WindowShowsItsTextsAndProgress)
{
    std::vector<oldjournal::Row> rows(200, oldjournal::sampleRows()[0]);
    for (int i = 0; i < 200; ++i)
        rows[static_cast<std::size_t>(i)].date = QString("2012.01.01 00:%1:00").arg(i % 60, 2, 10, QLatin1Char('0'));
    Fixture fx(3, rows);
    TfmConverterDB& w = fx.converter();
    EXPECT_EQ(w.windowTitle(), u("Конвертер БД"));
    EXPECT_EQ(w.size(), QSize(446, 222));
    EXPECT_EQ(w.lbOpisanie->text(), u("Описание:"));
    EXPECT_TRUE(w.lbOpisanie_podrobno->text().startsWith(u("В предыдущих версиях программы использовалась немного иная структура \nфайла")));
    EXPECT_TRUE(w.lbOpisanie_podrobno->text().endsWith(u("\noldBASE.DBF можно будет потом удалить, если он вам больше не потребуется.")));
    EXPECT_EQ(w.lbOpisanie_podrobno->text().count('\n'), 6);
    EXPECT_EQ(w.Label1->text(), u("Прогресс конвертирования:"));
    EXPECT_EQ(w.lbProgress->text(), "---");
    EXPECT_EQ(w.bCancel->text(), u("Отмена"));
    EXPECT_EQ(w.pbProgress->minimum(), 0);
    EXPECT_EQ(w.pbProgress->maximum(), 100);

    bool shownWhileCopying = false;
    QString afterFirstRow;
    int copied = 0;
    db::TConversionFiles::CrashPoint = [&](const char* step) {
        if (QByteArray(step) != "row-copied")
            return;
        shownWhileCopying = w.isVisible();
        if (++copied == 2)
            afterFirstRow = w.lbProgress->text();
    };
    const bool ok = w.Convert(7, 3);
    db::TConversionFiles::CrashPoint = nullptr;
    ASSERT_TRUE(ok);
    EXPECT_TRUE(shownWhileCopying);
    EXPECT_FALSE(w.isVisible());
    // The label counts the rows before the one just written: 0/200 after the first, 199/200 after the last.
    EXPECT_EQ(w.lbProgress->text(), "199/200");
    EXPECT_EQ(w.pbProgress->value(), 99);
    EXPECT_EQ(afterFirstRow, "0/200");
    EXPECT_EQ(dbf::Table::open(fx.db() + "/BASE.DBF")->recordCount(), 200u);

    // The "default" journal moves only the bar, to 100.
    Fixture def(2);
    ASSERT_TRUE(def.converter().Convert(3, 2));
    EXPECT_EQ(def.converter().pbProgress->value(), 100);
    EXPECT_EQ(def.converter().lbProgress->text(), "---");
}

TEST(Conversion, CancelPutsTheOldJournalBack)
{
    // The cancel button, and the window's close box, stop the copy after the row in hand.
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox);
        Fixture fx(3);
        int rows = 0;
        db::TConversionFiles::CrashPoint = [&](const char* step) {
            if (QByteArray(step) == "row-copied" && ++rows == 3) {
                if (closeBox)
                    fx.converter().close();
                else
                    fx.converter().bCancel->click();
            }
        };
        const bool ok = fx.converter().Convert(7, 3);
        db::TConversionFiles::CrashPoint = nullptr;
        EXPECT_FALSE(ok);
        EXPECT_EQ(rows, 3);
        EXPECT_TRUE(fx.converter().Cancel);
        EXPECT_EQ(fx.texts(), QStringList{kInterrupted});
        EXPECT_EQ(fx.boxes.AskedSoFar()[0].caption, u("Ошибка!"));
        EXPECT_EQ(fx.boxes.AskedSoFar()[0].flags, MB_OK | MB_ICONERROR);
        fx.expectOldJournalBack();
        // The half-made table and its memo are kept aside under the time of the rollback.
        const QRegularExpression stamped(R"(^BASE_del \(\d{4}\.\d\d\.\d\d \d\d\.\d\d\.\d\d\)\.(DBF|DBT)$)");
        int aside = 0;
        for (const QString& name : fx.files())
            aside += stamped.match(name).hasMatch();
        EXPECT_EQ(aside, 2);
        EXPECT_FALSE(QFileInfo::exists(fx.db() + "/CONVERT.STATE"));
    }
}

TEST(Conversion, RefusalsTouchNothing)
{
    struct Case {
        const char* what;
        int required, detected;
        std::function<void(Fixture&)> prepare;
        QStringList messages;
        bool ok;
    };
    const QString oldExists = u("Внимание! В каталоге уже существует файл oldBase.dbf, программа не имеет права удалять его, т.к. "
                                "возможно там важные данные. Переименуйте или удалите его самостоятельно, убедившись в его "
                                "ненадобности! Конвертация прерванна.");
    const Case cases[] = {
        {"an oldBASE.DBF of any case", 7, 3,
         [](Fixture& fx) { testutil::writeFile(fx.db() + "/OLDBASE.dbf", "kept"); }, {oldExists}, false},
        {"no BASE.DBF", 7, 3, [](Fixture& fx) { QFile::rename(fx.db() + "/BASE.DBF", fx.db() + "/OTHER.DBF"); },
         {u("файл BASE.DBF не найден! Конвертация прерванна.")}, false},
        {"medic keeps its table", 4, 2, [](Fixture&) {}, {}, true},
        {"police keeps its table", 5, 3, [](Fixture&) {}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture fx(3);
        c.prepare(fx);
        fx.before = dbfixture::snapshot(fx.db());
        EXPECT_EQ(fx.converter().Convert(c.required, c.detected), c.ok);
        EXPECT_EQ(fx.texts(), c.messages);
        EXPECT_EQ(dbfixture::snapshot(fx.db()), fx.before);
    }
    Fixture fx(3);
    testutil::writeFile(fx.db() + "/OLDBASE.dbf", "kept");
    fx.converter().Convert(7, 3);
    EXPECT_EQ(fx.boxes.AskedSoFar()[0].caption, u("Ошибка!"));
    EXPECT_EQ(fx.boxes.AskedSoFar()[0].flags, MB_OK | MB_ICONINFORMATION);
}

TEST(Conversion, FailuresRollBackWithTheirMessages)
{
    const QString error = u("произошла ошибка при конвертации БД");
    struct Case {
        const char* what;
        int generation, required, detected;
        std::vector<oldjournal::Row> rows;
        QStringList messages;
        bool tableMade;
    };
    const Case cases[] = {
        // A table whose columns match no generation has no converter: moved and moved back.
        {"no converter for the pair", 3, 7, 0, oldjournal::sampleRows(), {kInterrupted}, false},
        {"an empty table, default_mp", 3, 7, 3, {},
         {u("В BASE.DBF нет записей, просто удалите этот файл чтобы при следующем запуске база создалась автоматически."), kInterrupted}, false},
        {"an empty table, default", 2, 3, 2, {},
         {u("В oldBASE.DBF нет записей, просто удалите этот файл чтобы при следующем запуске база создалась автоматически."), kInterrupted}, false},
        // Generation 2 read as 3: its NUM_VIDOH is missing.
        {"a column missing", 2, 7, 3, oldjournal::sampleRows(), {error, kInterrupted}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture fx(c.generation, c.rows);
        EXPECT_FALSE(fx.converter().Convert(c.required, c.detected));
        EXPECT_EQ(fx.texts(), c.messages);
        fx.expectOldJournalBack();
        bool aside = false;
        for (const QString& name : fx.files())
            aside |= name.startsWith("BASE_del (") && name.endsWith(".DBF");
        EXPECT_EQ(aside, c.tableMade);
    }
}

TEST(Conversion, TheMemoFileTravelsWithItsTable)
{
    const std::vector<dbf::Column> memo = {oldjournal::col("REMARK", 'M', 10)};
    {
        // Success: the old table keeps its memo as oldBASE.DBT; the new table has its own.
        Fixture fx(3, oldjournal::sampleRows(), memo);
        ASSERT_TRUE(fx.before.contains("BASE.DBT"));
        ASSERT_TRUE(fx.converter().Convert(7, 3));
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
        EXPECT_FALSE(fx.converter().Convert(7, 3));
        EXPECT_EQ(dbfixture::snapshot(fx.db()), fx.before);
    }
    {
        // A failure puts both back under their own names, the mixed case included.
        Fixture fx(2, oldjournal::sampleRows(), memo);
        QFile::rename(fx.db() + "/BASE.DBF", fx.db() + "/Base.dbf");
        QFile::rename(fx.db() + "/BASE.DBT", fx.db() + "/Base.dbt");
        fx.before = dbfixture::snapshot(fx.db());
        EXPECT_FALSE(fx.converter().Convert(7, 3));
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

TEST(ConverterDB, InsertBuilders)
{
    QString cols, params;
    TfmConverterDB::AddSqlFieldValue("ID", 1, cols, params, true);
    TfmConverterDB::AddSqlField("OBSL_FAM", "", cols, params, false);
    TfmConverterDB::AddSqlFieldValue("PRIBOR", 0, cols, params, false);
    TfmConverterDB::AddSqlField("OPER", "", cols, params, false);
    TfmConverterDB::AddSqlFieldValue("IZM", 0.5, cols, params, false);
    EXPECT_EQ("INSERT INTO Base ( " + cols + " ) VALUES ( " + params + " )",
              "INSERT INTO Base ( ID, PRIBOR, IZM ) VALUES ( :ID, :PRIBOR, :IZM )");
    // The first column goes in whatever its value; the character form always does.
    TfmConverterDB::AddSqlField("DATA_IZM", "", cols, params, true);
    TfmConverterDB::AddSqlFieldChar("STAT", QChar('0'), cols, params, false);
    EXPECT_EQ(cols, "DATA_IZM, STAT");
    EXPECT_EQ(params, ":DATA_IZM, :STAT");
}
