// The conversion's window at start-up: its texts, its progress, its cancel button and close box, and the
// message of every outcome.
#include "app/ConverterDB.h"
#include "db/ConvertFixture.h"
#include "db/ConversionFiles.h"
#include "platform/data/DbfTable.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ctl;
using convertfixture::kInterrupted;
using convertfixture::kSuccess;
using oldjournal::u;

namespace {

using Fixture = convertfixture::Fixture<TfmConverterDB>;

} // namespace

TEST(ConverterWindow, ShowsItsTextsAndProgress)
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
    EXPECT_EQ(fx.texts(), QStringList{kSuccess});
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
    EXPECT_EQ(def.texts(), QStringList{kSuccess});
    EXPECT_EQ(def.converter().pbProgress->value(), 100);
    EXPECT_EQ(def.converter().lbProgress->text(), "---");
}

TEST(ConverterWindow, CancelPutsTheOldJournalBack)
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
        EXPECT_EQ(fx.aside().size(), 2);
        EXPECT_FALSE(QFileInfo::exists(fx.db() + "/CONVERT.STATE"));
    }
}

TEST(ConverterWindow, RefusalsTouchNothing)
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

TEST(ConverterWindow, FailuresRollBackWithTheirMessages)
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
        EXPECT_EQ(fx.tableAside(), c.tableMade);
    }
}
