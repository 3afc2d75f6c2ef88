// End to end: the instrument simulator prints results on a pseudo-terminal, the printout listener hears
// them, the manager hands them on the main thread to the journal through the facade's interface, and they
// land in Base.DBF, read back by dbfread.
#include "JournalFixture.h"

#include "Devices/Manager.h"
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
