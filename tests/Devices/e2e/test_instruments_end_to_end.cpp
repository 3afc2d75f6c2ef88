// End to end through the real program's window: a VELT-C source, an interlock and a networked VELT-A source
// configured in VELT.ini on COM ports that lead to the simulator; what the instruments give shows in the main
// window's grid and lands in DATABASE/Base.DBF, read back by dbfread.
#include "Devices/Manager.h"
#include "Devices/DevicesSources.h"
#include "Devices/VELT_B/RqPanel.h"
#include "Devices/VELT_B/Velt_B_EEPROM.h"
#include "Devices/VELT_C/Velt_c.h"
#include "Devices/test_rq_fixture.h"
#include "common/dialogscript.h"
#include "app/LoginForm.h"
#include "app/MainForm.h"
#include "app/ProgParam.h"
#include "grid/DBGridEx.h"
#include "grid/GridDataLinkEx.h"
#include "journal/CellLook.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/rtl/CodePage.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

QString runPython(const QString& script, const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "python: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The program in a fresh work folder with one operator and the given sources, logged in and shown.
class Program {
public:
    explicit Program(const QString& sources)
    {
        app_ = dir_.file("app");
        work_ = app_ + "/MyDocuments";
        QDir().mkpath(work_ + "/DATABASE");
        QDir().mkpath(dir_.file("run"));
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", dir_.file("run").toLocal8Bit());
        TProgParam store;
        store.AddOper(u("ОПЕРАТОР"), "1111");
        store.SaveToFile(work_ + "/VELT.dat");
        testutil::writeFile(work_ + "/VELT.ini", rtl::toCp1251(u("[Methods]\r\nAppType=default_mp\r\n\r\n") + sources));
        options_.Terminate = [this] { ++terminated; };
        window = std::make_unique<TfmMain>(app_, options_);
        dialogs_.Then<TfmLogin>([](TfmLogin* d) {
            d->cbLoginName->setCurrentText(u("ОПЕРАТОР"));
            d->eLoginPassword->setText(QStringLiteral("1111"));
            d->bOk->click();
        });
        started = window->FormCreate();
        QApplication::setActiveWindow(window.get());
    }
    ~Program()
    {
        if (window && started)
            window->FormDestroy();
        window.reset();
        if (savedRuntime_.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", savedRuntime_);
    }
    // The burst is over and the grid shows n records.
    bool Shows(int n, int ms)
    {
        return devtest::Pump(
            [&] {
                return window->DBGrid->DataLink()->RecordCount() == n &&
                       window->StatusPanels[3]->text() == u("Всего записей: %1").arg(n) && window->DBGrid->isEnabled();
            },
            ms);
    }
    QStringList GridRows(const char* columns) const
    {
        TDataSet* shown = window->DBGrid->GetDataSource()->DataSet();
        QStringList rows;
        for (shown->First(); !shown->Eof(); shown->Next()) {
            QStringList cells;
            for (const QString& c : QString::fromLatin1(columns).split(' '))
                cells << shown->FieldByName(c)->AsString();
            rows << cells.join('|');
        }
        rows.sort();
        return rows;
    }
    QString Base() const { return work_ + "/DATABASE/Base.DBF"; }

    std::unique_ptr<TfmMain> window;
    bool started = false;
    int terminated = 0;
    ctl::TScriptedMessageBoxPort boxes;

private:
    testutil::DialogScript dialogs_; // the sources window or a login the test does not answer is cancelled
    testutil::TempDir dir_;
    QString app_, work_;
    QByteArray savedRuntime_;
    TfmMain::Options options_;
};

} // namespace

TEST(InstrumentsEndToEnd, AVeltCMemoryLandsInTheJournalWithEveryTextAndTheAirResult)
{
    // A memory of 3 records after 302 exhalations: exhalations 300, 301 and 299 in the order read.
    rqtest::Sim sim(211, {"--velt-c", "--serial", "4321", "--life", "302", "--memory", "3", "--accuracy", "0.001", "--person",
                          "Иванов,Иван,Иванович,Тверь,К001КК69", "--inspector", "Петров,Пётр,Петрович,ОБ ДПС,0042"});
    Program p(u("[Device_000]\r\nTypeDev=VELT-C\r\nCOM=COM211\r\nAutoEnum=0\r\n"));
    ASSERT_TRUE(p.started);
    TManager* manager = p.window->Manager.get();
    ASSERT_NE(manager, nullptr);
    auto* driver = dynamic_cast<TVelt_C*>(manager->Source(0)->GetDevice());
    ASSERT_NE(driver, nullptr);
    ASSERT_TRUE(devtest::Pump([&] { return driver->Panel()->bGetEEPROM->isEnabled(); }, 20000)) << driver->Panel()->LogText().toStdString();
    manager->ReadCurrentDevice();
    ASSERT_TRUE(p.Shows(3, 30000)) << driver->Panel()->LogText().toStdString();
    EXPECT_EQ(p.GridRows("DATA_IZM IZM IZM_AIR OBSL_FAM INSP_FAM").join('\n').toStdString(),
              "2011.06.01 12:59:00|0,299|0,99|Иванов|Петров\n"
              "2011.06.01 13:00:00|0,3|0|Иванов|Петров\n"
              "2011.06.01 13:01:00|0,301|0,01|Иванов|Петров");

    const QString stored = runPython(
        QStringLiteral("import sys, dbfread\n"
                       "rows = sorted(dbfread.DBF(sys.argv[1], encoding='cp1251'), key=lambda r: r['DATA_IZM'])\n"
                       "for r in rows:\n"
                       "    print(r['DATA_IZM'], r['PRIBOR'], r['TYPE_PRIB'], '%.3f' % r['IZM'], '%.3f' % r['IZM_AIR'], "
                       "r['STAT'], r['NUM_VIDOH'], r['MEAS_PLACE'], r['OBSL_FAM'], r['OBSL_NAME'], r['OBSL_PAT'], "
                       "r['OBSL_NAUTO'], r['INSP_FAM'], r['INSP_NAME'], r['INSP_PAT'], r['INSP_DEPR'], r['INSP_NUMB'], "
                       "r['TYPERECORD'], r['OPER'])\n"),
        p.Base());
    EXPECT_EQ(stored.toStdString(),
              "2011.06.01 12:59:00 4321 7 0.299 0.990 3 300 Тверь Иванов Иван Иванович К001КК69 Петров Пётр Петрович "
              "ОБ ДПС 0042 1 ОПЕРАТОР\n"
              "2011.06.01 13:00:00 4321 7 0.300 0.000 0 301 Тверь Иванов Иван Иванович К001КК69 Петров Пётр Петрович "
              "ОБ ДПС 0042 1 ОПЕРАТОР\n"
              "2011.06.01 13:01:00 4321 7 0.301 0.010 1 302 Тверь Иванов Иван Иванович К001КК69 Петров Пётр Петрович "
              "ОБ ДПС 0042 1 ОПЕРАТОР");
    EXPECT_EQ(p.boxes.Count(), 0);
}

TEST(InstrumentsEndToEnd, NetworkedResultsLandInTheJournalOnceEach)
{
    rqtest::Sim sim(212, {"--net", "--at", "3,5", "--serial", "3=812", "--result", "3=400/1/020324/1130", "--result",
                          "3=150/0/020324/1131", "--result", "5=90/0/020324/1132"},
                    false);
    Program p(u("[Device_000]\r\nTypeDev=VELT-A СЕТЕВЫЕ (тип 1)\r\nCOM=COM212\r\nnetnums= 3; 5; \r\n"
                "Timeouts_OutTimeout=60\r\nLinkPeriod=100\r\nPollPeriod=20\r\n"));
    ASSERT_TRUE(p.started);
    ASSERT_TRUE(p.Shows(3, 20000));
    EXPECT_EQ(p.GridRows("DATA_IZM PRIBOR IZM STAT").join('\n').toStdString(), "2024.03.02 11:30:00|812|0,4|1\n"
                                                                            "2024.03.02 11:31:00|812|0,15|0\n"
                                                                            "2024.03.02 11:32:00|1005|0,09|0");
    const QString stored = runPython(
        QStringLiteral("import sys, dbfread\n"
                       "rows = sorted(dbfread.DBF(sys.argv[1], encoding='cp1251'), key=lambda r: r['DATA_IZM'])\n"
                       "for r in rows:\n"
                       "    print(r['DATA_IZM'], r['PRIBOR'], r['TYPE_PRIB'], '%.3f' % r['IZM'], r['STAT'], "
                       "r['DATA_POVER'], r['TYPERECORD'], r['OPER'])\n"),
        p.Base());
    EXPECT_EQ(stored.toStdString(), "2024.03.02 11:30:00 812 3 0.400 1 15.01.2024 00:00:00 1 ОПЕРАТОР\n"
                                    "2024.03.02 11:31:00 812 3 0.150 0 15.01.2024 00:00:00 1 ОПЕРАТОР\n"
                                    "2024.03.02 11:32:00 1005 3 0.090 0 15.01.2024 00:00:00 1 ОПЕРАТОР");
    EXPECT_EQ(p.boxes.Count(), 0);
}

TEST(InstrumentsEndToEnd, InterlockEventsKeepTheirKindInTheJournal)
{
    // Exhalations 1 to 6 of the memory are the six events, in the order of their codes; 0 and 7 are measurements.
    QStringList args{"--model", "4", "--serial", "777", "--life", "8", "--start", "2024-03-01 10:00:00"};
    for (int k = 1; k <= 6; ++k)
        args << "--mark" << QStringLiteral("%1=8000000%2").arg(k).arg(k);
    rqtest::Sim sim(213, args);
    Program p(u("[Device_000]\r\nTypeDev=VELT-B АЛКОЗАМОК\r\nCOM=COM213\r\nAutoEnum=0\r\n"));
    ASSERT_TRUE(p.started);
    TManager* manager = p.window->Manager.get();
    auto* driver = dynamic_cast<TVelt_B*>(manager->Source(0)->GetDevice());
    ASSERT_NE(driver, nullptr);
    ASSERT_TRUE(devtest::Pump([&] { return driver->Panel()->bGetEEPROM->isEnabled(); }, 20000)) << driver->Panel()->LogText().toStdString();
    manager->ReadCurrentDevice();
    TfmVelt_B_EEPROM* w = driver->Panel()->EEPROMWindow();
    ASSERT_TRUE(devtest::Pump([&] { return w->isVisible() && w->bActions->isEnabled(); }, 20000));
    w->bActions->click(); // "Загрузить"
    ASSERT_TRUE(devtest::Pump([&] { return w->bActions->text() == u("Передать") && w->bActions->isEnabled(); }, 20000))
        << driver->Panel()->LogText().toStdString();
    w->bActions->click(); // "Передать"
    ASSERT_TRUE(p.Shows(8, 30000)) << driver->Panel()->LogText().toStdString();

    // The grid writes each event's own text where a measurement has its names.
    TDataSet* shown = p.window->DBGrid->GetDataSource()->DataSet();
    QStringList texts;
    for (shown->First(); !shown->Eof(); shown->Next()) {
        const TCellLook look = Default_MP_CellLook(TDataSetRow(*shown), 1, false, {});
        texts << shown->FieldByName("DATA_IZM")->AsString() + '|' + shown->FieldByName("TYPERECORD")->AsString() + '|' +
                     (look.Pieces.empty() ? QString() : look.Pieces[0].Text);
    }
    texts.sort();
    EXPECT_EQ(texts.join('\n').toStdString(),
              "2024.03.01 10:00:00|1|  \n"
              "2024.03.01 10:01:00|2| \\пропадание питания\n"
              "2024.03.01 10:02:00|2| \\включение зажигания\n"
              "2024.03.01 10:03:00|2| \\подключение датчика к коробке блокиратора\n"
              "2024.03.01 10:04:00|2| \\отключение датчика от коробки блокиратора\n"
              "2024.03.01 10:05:00|2| \\индикация максимального количества прерванных выдохов\n"
              "2024.03.01 10:06:00|2| \\был отказ от выдоха\n"
              "2024.03.01 10:07:00|1|  ");

    // The table keeps the code as the signed number the printed journal and the consolidated report read.
    const QString stored = runPython(
        QStringLiteral("import sys, dbfread\n"
                       "rows = sorted(dbfread.DBF(sys.argv[1], encoding='cp1251'), key=lambda r: r['DATA_IZM'])\n"
                       "print(' '.join('%d/%d' % (r['TYPERECORD'], r['NUM_VIDOH']) for r in rows))\n"),
        p.Base());
    EXPECT_EQ(stored.toStdString(), "1/0 2/-2147483647 2/-2147483646 2/-2147483645 2/-2147483644 2/-2147483643 "
                                    "2/-2147483642 1/0");
    EXPECT_EQ(p.boxes.Count(), 0);
}
