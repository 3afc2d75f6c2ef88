// End to end through the real program's window: a type 1 source configured on a COM port that leads to the
// instrument simulator's pseudo-terminal; what the simulator prints shows in the main window's grid and lands
// in DATABASE/Base.DBF, read back by dbfread.
#include "app/LoginForm.h"
#include "app/MainForm.h"
#include "app/ProgParam.h"
#include "common/testutil.h"
#include "grid/DBGridEx.h"
#include "grid/GridDataLinkEx.h"
#include "common/dialogscript.h"
#include "platform/controls/MessageBox.h"
#include "db/JournalSchemas.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/rtl/CodePage.h"
#include "platform/system/SerialPorts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include "ProgramFolder.h"
#include "common/SimProcess.h"
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Runs the event loop (and with it the manager's calls to the main thread) until done() holds.
bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// The simulator on a pseudo-terminal, reached as COM<number>.
using Simulator = testutil::SimProcess;

using testutil::runPython;


} // namespace

TEST(EndToEnd, PrintedMeasurementsShowInTheWindowAndLandInTheJournal)
{
    ProgramFolder folder;
    const QString &app = folder.app, &work = folder.work;
    QDir().mkpath(work + "/DATABASE");
    // As the sources window leaves it after a type 1 source was given COM251.
    testutil::writeFile(work + "/VELT.ini",
                        rtl::toCp1251(u("[Methods]\r\nAppType=default_mp\r\n\r\n"
                                        "[Device_000]\r\nTypeDev=VELT-B (тип 1)\r\nCOM=COM251\r\n")));

    // Two printouts of three results each.
    Simulator sim(251, {"--printouts", "2", "--count", "3", "--interval", "500", "--serial", "4321", "--verification",
                        "01.02.2023", "--time", "2024-12-31 23:58", "--values", "0.150,0.3,1.234", "--status", "0,1,2",
                        "--linger", "3000"});
    ASSERT_TRUE(sim.Ready());

    ctl::TScriptedMessageBoxPort boxes;
    TfmMain::Options o;
    int terminated = 0;
    o.Terminate = [&terminated] { ++terminated; };
    {
        TfmMain w(app, o);
        testutil::OnModalOf<TfmLogin>([](TfmLogin* d) {
            d->cbLoginName->setCurrentText(u("ОПЕРАТОР"));
            d->eLoginPassword->setText(QStringLiteral("1111"));
            d->bOk->click();
            if (d->isVisible()) {
                ADD_FAILURE() << "login refused";
                d->bCancel->click();
            }
        });
        ASSERT_TRUE(w.FormCreate());
        QApplication::setActiveWindow(&w);

        // The burst is over when the full view is back: six records, counted, the grid usable again.
        const bool heard = waitFor(
            [&] {
                return w.DBGrid->DataLink()->RecordCount() == 6 && w.StatusPanels[3]->text() == u("Всего записей: 6")
                       && w.DBGrid->isEnabled();
            },
            20000);
        ASSERT_TRUE(heard) << w.StatusPanels[3]->text().toStdString();

        // What the grid shows, read through its own data source.
        TDataSet* shown = w.DBGrid->GetDataSource()->DataSet();
        QStringList rows;
        for (shown->First(); !shown->Eof(); shown->Next())
            rows << shown->FieldByName("DATA_IZM")->AsString() + " " + QString::number(shown->FieldByName("IZM")->AsFloat(), 'f', 3) + " "
                        + shown->FieldByName("STAT")->AsString();
        rows.sort();
        EXPECT_EQ(rows.join('\n').toStdString(), "2024.12.31 23:58:00 0.150 0\n"
                                                 "2024.12.31 23:59:00 0.300 1\n"
                                                 "2025.01.01 00:00:00 1.234 2\n"
                                                 "2025.01.01 00:01:00 0.150 0\n"
                                                 "2025.01.01 00:02:00 0.300 1\n"
                                                 "2025.01.01 00:03:00 1.234 2");
        EXPECT_TRUE(w.dUpdate->isEnabled());
        // The grid had the focus when the burst disabled it, and has it again: keys and wheel move its rows.
        EXPECT_TRUE(w.DBGrid->hasFocus());

        // Painted: each of the six rows by the journal's colours (no norm is known after 2010, so every value
        // exceeds it: light red, maroon where selected); the space below them stays unpainted by the journal.
        w.DBGrid->update();
        const QImage shot = w.DBGrid->viewport()->grab().toImage();
        const QRgb lightRed = qRgb(255, 154, 138), maroon = qRgb(128, 0, 0);
        for (int r = 1; r <= 6; ++r) {
            const QRect cell = w.DBGrid->CellRect(2, r); // the names column: wide and empty here
            ASSERT_FALSE(cell.isEmpty()) << "row " << r;
            const QRgb px = shot.pixel(cell.center()) & 0xFFFFFF;
            EXPECT_TRUE(px == (lightRed & 0xFFFFFF) || px == (maroon & 0xFFFFFF))
                << "row " << r << " painted " << std::hex << px;
        }
        const QRect below = w.DBGrid->CellRect(2, 6).translated(0, 3 * w.DBGrid->CellRect(2, 6).height());
        if (below.bottom() < shot.height())
            EXPECT_NE(shot.pixel(below.center()) & 0xFFFFFF, lightRed & 0xFFFFFF);

        w.FormDestroy();
    }
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(terminated, 0);

    const QString stored = runPython(
        QStringLiteral("import sys, dbfread\n"
                       "rows = sorted(dbfread.DBF(sys.argv[1], encoding='cp1251'), key=lambda r: r['DATA_IZM'])\n"
                       "for r in rows:\n"
                       "    print(r['DATA_IZM'], r['PRIBOR'], '%.3f' % r['IZM'], r['STAT'], r['TYPERECORD'], "
                       "r['DATA_POVER'], r['OPER'])\n"),
        work + "/DATABASE/Base.DBF");
    EXPECT_EQ(stored.toStdString(), "2024.12.31 23:58:00 4321 0.150 0 1 01.02.2023 00:00:00 ОПЕРАТОР\n"
                                    "2024.12.31 23:59:00 4321 0.300 1 1 01.02.2023 00:00:00 ОПЕРАТОР\n"
                                    "2025.01.01 00:00:00 4321 1.234 2 1 01.02.2023 00:00:00 ОПЕРАТОР\n"
                                    "2025.01.01 00:01:00 4321 0.150 0 1 01.02.2023 00:00:00 ОПЕРАТОР\n"
                                    "2025.01.01 00:02:00 4321 0.300 1 1 01.02.2023 00:00:00 ОПЕРАТОР\n"
                                    "2025.01.01 00:03:00 4321 1.234 2 1 01.02.2023 00:00:00 ОПЕРАТОР");
}

// The journal goes to its newest record before the window shows; the grid must follow it when it gets its
// size, or the first row is painted as the selected one and "изменить" opens another record than the newest.
TEST(EndToEnd, AtStartUpTheNewestRecordIsTheHighlightedOne)
{
    ProgramFolder folder;
    const QString &app = folder.app, &work = folder.work;
    QDir().mkpath(work + "/DATABASE");
    {
        TADOConnection connection;
        connection.SetConnectionString("FILE NAME=" + work + "/connect.udl");
        connection.Open();
        TADOQuery query(&connection);
        query.SetSQL(db::CreateTableText(db::Schema::DefaultMp));
        query.ExecSQL();
        for (int i = 1; i <= 8; ++i) {
            query.SetSQL(QStringLiteral("INSERT INTO Base (ID, PRIBOR, DATA_IZM, IZM, STAT, TYPERECORD) "
                                        "VALUES (%1, 5, '2024.01.0%1 03:04:05', 0.1, '0', 1)").arg(i));
            query.ExecSQL();
        }
    }
    testutil::writeFile(work + "/VELT.ini", "[Methods]\r\nAppType=default_mp\r\n[Device_000]\r\nTypeDev=-\r\n");

    ctl::TScriptedMessageBoxPort boxes;
    TfmMain::Options o;
    o.Terminate = [] {};
    {
        TfmMain w(app, o);
        testutil::OnModalOf<TfmLogin>([](TfmLogin* d) {
            d->cbLoginName->setCurrentText(u("ОПЕРАТОР"));
            d->eLoginPassword->setText(QStringLiteral("1111"));
            d->bOk->click();
        });
        ASSERT_TRUE(w.FormCreate());
        QCoreApplication::processEvents();
        ASSERT_EQ(w.ADOQuery->RecNo(), 8);
        EXPECT_EQ(w.DBGrid->Row(), 1 + w.DBGrid->DataLink()->ActiveRecord());
        const QImage shot = w.DBGrid->viewport()->grab().toImage();
        EXPECT_EQ(shot.pixel(w.DBGrid->CellRect(2, 8).center()) & 0xFFFFFF, qRgb(128, 0, 0) & 0xFFFFFF);
        EXPECT_EQ(shot.pixel(w.DBGrid->CellRect(2, 1).center()) & 0xFFFFFF, qRgb(255, 154, 138) & 0xFFFFFF);
        // Up from the newest record goes to the one before it.
        QApplication::setActiveWindow(&w);
        w.DBGrid->setFocus();
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
        QCoreApplication::sendEvent(w.DBGrid, &up);
        EXPECT_EQ(w.ADOQuery->RecNo(), 7);
        w.FormDestroy();
    }
}
