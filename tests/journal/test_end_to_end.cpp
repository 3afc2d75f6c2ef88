// End to end: the instrument simulator prints results on a pseudo-terminal, the printout listener hears
// them, the manager hands them on the main thread to the journal through the facade's interface, and they
// land in Base.DBF, read back by dbfread.
#include "JournalFixture.h"

#include "Devices/DevicesSources.h"
#include "Devices/Manager.h"
#include "Devices/VELT_B/RqPanel.h"
#include "Devices/VELT_B/Velt_B_EEPROM.h"
#include "Devices/MeasurementsFacade.h"
#include "platform/controls/MessageBox.h"
#include "platform/controls/Synchronize.h"
#include "platform/system/SerialPorts.h"

#include "common/SimProcess.h"

#include <functional>

#include <algorithm>
#include <chrono>

namespace {

// What the shell's facade does for "default_mp".
class MpFacade : public TMeasurementsFacade {
public:
    explicit MpFacade(TJournalController& c) : c_(c) {}
    void OnMeasurements(const TVELTMeasurement* record, int flag) override
    {
        c_.NewMeasure(record, flag);
        if (!record && flag) {
            ++bursts;
            inBurst = false;
        }
    }
    void BeginBurst() override
    {
        inBurst = true;
        c_.QueryAfterOpenBurstInstall();
    }
    void EndBurst() override { c_.QueryAfterOpenInstall(); }
    void SetBurstCounter(const uint32_t* counter) override { c_.SetBurstCounter(counter); }
    int bursts = 0;
    bool inBurst = false;

private:
    TJournalController& c_;
};

using Simulator = testutil::SimProcess;

// velt-sim prints two printouts of three results each on COM<number>; the manager hands them to the journal
// through the facade until they are filed and the burst is over.
template <class J>
void FileTwoPrintouts(J& j, int number, MpFacade& facade, const std::function<bool()>& done)
{
    testutil::writeFile(j.dir.file("VELT.ini"),
                        rtl::toCp1251(QString::fromUtf8("[Device_000]\nTypeDev=VELT-B (тип 1)\nCOM=COM%1\n").arg(number)));
    Simulator sim(number, {"--printouts", "2", "--count", "3", "--interval", "600", "--serial", "4321", "--verification",
                           "01.02.2023", "--time", "2024-12-31 23:58", "--values", "0.150,0.3,1.234", "--status",
                           "0,1,2", "--linger", "3000"});
    ASSERT_TRUE(sim.Ready());
    auto manager = std::make_unique<TManager>(true, j.dir.path(), j.info.get());
    manager->CreateControlMeasure(&facade);
    manager->Resume();
    const bool heard = ctl::WaitServing([&] { return j.Rows() >= 6 && facade.bursts >= 1 && !facade.inBurst && done(); },
                                        std::chrono::milliseconds(20000));
    manager.reset();
    ASSERT_TRUE(heard) << j.log().toStdString();
}

} // namespace

TEST(EndToEnd, PrintedResultsLandInTheJournalOnceEach)
{
    ctl::TScriptedMessageBoxPort boxes;
    jtest::Journal j;
    j.window->show();
    j.ctrl->ShowAll();
    MpFacade facade(*j.ctrl);
    FileTwoPrintouts(j, 250, facade, [] { return true; });
    if (HasFatalFailure())
        return;
    EXPECT_EQ(j.Rows(), 6);
    // The grid shows the whole journal after the burst.
    // Records pushed between two pops arrive newest first, so identifiers need not follow the dates.
    std::vector<int> ids = j.ViewIds();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(j.grid->DataLink()->RecordCount(), 6);
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 6"));
    EXPECT_TRUE(j.grid->isEnabled());

    const QString rows = jtest::runPython(
        QStringLiteral("import sys, dbfread\n"
                       "rows = sorted(dbfread.DBF(sys.argv[1], encoding='cp1251'), key=lambda r: r['DATA_IZM'])\n"
                       "for r in rows:\n"
                       "    print(r['DATA_IZM'], r['PRIBOR'], '%.3f' % r['IZM'], r['STAT'], r['TYPERECORD'], r['DATA_POVER'], "
                       "r['OPER'])\n"),
        j.base());
    EXPECT_EQ(rows.toStdString(), "2024.12.31 23:58:00 4321 0.150 0 1 01.02.2023 00:00:00 ADMIN\n"
                                  "2024.12.31 23:59:00 4321 0.300 1 1 01.02.2023 00:00:00 ADMIN\n"
                                  "2025.01.01 00:00:00 4321 1.234 2 1 01.02.2023 00:00:00 ADMIN\n"
                                  "2025.01.01 00:01:00 4321 0.150 0 1 01.02.2023 00:00:00 ADMIN\n"
                                  "2025.01.01 00:02:00 4321 0.300 1 1 01.02.2023 00:00:00 ADMIN\n"
                                  "2025.01.01 00:03:00 4321 1.234 2 1 01.02.2023 00:00:00 ADMIN");
    EXPECT_FALSE(j.log().contains("NewMeasure - error"));
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(EndToEnd, PrintedResultsLandInTheDefaultJournalOnceEach)
{
    // "default": each record is filed as it comes, the whole view read again after each insert; the end of
    // the burst changes nothing.
    ctl::TScriptedMessageBoxPort boxes;
    jtest::DefaultJournal j;
    j.window->show();
    j.ctrl->ShowAll();
    MpFacade facade(*j.ctrl);
    // The main loop's timer reads the view once the pause after the last filing is over.
    FileTwoPrintouts(j, 251, facade, [&] {
        QCoreApplication::processEvents();
        return !j.ctrl->IsViewPending();
    });
    if (HasFatalFailure())
        return;
    EXPECT_EQ(j.Rows(), 6);
    std::vector<int> ids = j.ViewIds();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(j.grid->DataLink()->RecordCount(), 6);
    const QString rows = jtest::runPython(
        QStringLiteral("import sys, dbfread\n"
                       "rows = sorted(dbfread.DBF(sys.argv[1], encoding='cp1251'), key=lambda r: r['DATA_IZM'])\n"
                       "for r in rows:\n"
                       "    print(r['DATA_IZM'], r['PRIBOR'], '%.3f' % r['IZM'], r['STAT'], r['PAGE_FOOT'], r['OPER'] or '-')\n"),
        j.base());
    EXPECT_EQ(rows.toStdString(), "2024.12.31 23:58:00 4321 0.150 0 0 -\n"
                                  "2024.12.31 23:59:00 4321 0.300 1 0 -\n"
                                  "2025.01.01 00:00:00 4321 1.234 1 0 -\n"
                                  "2025.01.01 00:01:00 4321 0.150 0 0 -\n"
                                  "2025.01.01 00:02:00 4321 0.300 1 0 -\n"
                                  "2025.01.01 00:03:00 4321 1.234 1 0 -");
    EXPECT_EQ(boxes.Count(), 0);
}

// velt-sim plays an interlock whose memory holds twelve exhalations, the fourth marked as an event (sensor
// connected). The operator downloads it into a running "default" journal twice: each record lands once, in
// Base.DBF and in the grid, the event as an event row, and the second download files nothing new.
TEST(EndToEnd, ADownloadedMemoryLandsInTheDefaultJournalOnceAndAgainFilesNothing)
{
    ctl::TScriptedMessageBoxPort boxes;
    jtest::DefaultJournal j;
    j.window->show();
    j.ctrl->ShowAll();
    MpFacade facade(*j.ctrl);
    const int number = 252;
    testutil::writeFile(j.dir.file("VELT.ini"), rtl::toCp1251(QString::fromUtf8("[Device_000]\nTypeDev=VELT-B АЛКОЗАМОК\n"
                                                                                 "COM=COM%1\n").arg(number)));
    Simulator sim(number, {"--rq", "--model", "4", "--life", "12", "--start", "2024-03-01 10:00:00", "--mark",
                           "3=80000003"});
    ASSERT_TRUE(sim.Ready());
    auto manager = std::make_unique<TManager>(true, j.dir.path(), j.info.get());
    manager->CreateControlMeasure(&facade);
    manager->Resume();
    auto* d = manager->Source(0) ? dynamic_cast<TVelt_B*>(manager->Source(0)->GetDevice()) : nullptr;
    ASSERT_NE(d, nullptr);
    d->Pauses = {0, 0, 1, 0, 0}; // set before any download starts; the program keeps its own
    const auto wait = [](const std::function<bool()>& done) {
        return ctl::WaitServing(done, std::chrono::milliseconds(20000));
    };
    // The hand-over ends once every record is delivered; the end of the burst (a second later) is waited for
    // only when asked, since it is what puts the table onto the disk for dbfread.
    auto download = [&](bool toBurstEnd) {
        ASSERT_TRUE(wait([&] { return d->Panel()->bGetEEPROM && d->Panel()->bGetEEPROM->isEnabled(); })) << d->Panel()->LogText().toStdString();
        const int bursts = facade.bursts;
        d->GetEEPROM();
        TfmVelt_B_EEPROM* w = d->Panel()->EEPROMWindow();
        ASSERT_TRUE(wait([&] { return w && w->isVisible() && w->bActions->isEnabled(); }));
        w->bActions->click(); // "Загрузить": the memory is read
        ASSERT_TRUE(wait([&] { return w->bActions->text() == QString::fromUtf8("Передать") && w->bActions->isEnabled(); }))
            << d->Panel()->LogText().toStdString();
        w->bActions->click(); // "Передать": handed over to the journal
        ASSERT_TRUE(wait([&] {
            QCoreApplication::processEvents();
            return d->Panel()->LogText().endsWith(QString::fromUtf8("Запрос данных завершён.")) &&
                   (!toBurstEnd || (facade.bursts > bursts && !facade.inBurst)) && !j.ctrl->IsViewPending();
        })) << d->Panel()->LogText().toStdString();
    };
    download(false);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(j.Rows(), 12);
    download(true);
    if (HasFatalFailure())
        return;
    manager.reset();
    EXPECT_EQ(j.Rows(), 12) << "the same memory again files nothing new";
    EXPECT_EQ(j.grid->DataLink()->RecordCount(), 12);

    const QString rows = jtest::runPython(
        QStringLiteral("import sys, dbfread\n"
                       "rows = list(dbfread.DBF(sys.argv[1], encoding='cp1251'))\n"
                       "print(len(rows), len(set(r['DATA_IZM'] for r in rows)))\n"
                       "for r in rows:\n"
                       "    if r['PAGE_FOOT'] == '1':\n"
                       "        print(r['DATA_IZM'], r['NUM_VIDOH'])\n"),
        j.base());
    // The event row is marked and keeps its code (sensor connected), by which it is shown and counted.
    EXPECT_EQ(rows.toStdString(), "12 12\n2024.03.01 10:03:00 -2147483645") << rows.toStdString();
    for (const auto& asked : boxes.AskedSoFar())
        ADD_FAILURE() << "asked: " << asked.text.toStdString();
}
