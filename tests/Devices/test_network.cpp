// The networked VELT-A driver against the simulator's line of networked instruments: search, polling, lost
// and restored instruments, the panel's list with its flags, the net number dialog, VELT.ini, and the thread's
// hand-over (no start lost, every wait ended at shut-down, the port freed with the driver).
#include "Devices/VELT_A_NETWORK/NetPanel.h"
#include "Devices/VELT_A_NETWORK/Netnum.h"
#include "Devices/VELT_A_NETWORK/Velt_a_network.h"
#include "common/dialogscript.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/IniFile.h"
#include "test_rq_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

using namespace rqtest;
using devtest::Pump;

namespace {

QString when(double t)
{
    return rtl::FormatDateTime(QStringLiteral("yyyy.mm.dd hh:nn:ss"), t);
}

// A networked source on COM<number>, configured through its VELT.ini section.
class NetRig : public Consumer {
public:
    explicit NetRig(int number, const QString& keys) : number_(number)
    {
        ini_ = dir_.file(QStringLiteral("VELT.ini"));
        const QString com = number > 0 ? QStringLiteral("COM=COM%1\r\n").arg(number) : QString();
        testutil::writeFile(ini_, rtl::toCp1251(U("[Device_000]\r\nTypeDev=VELT-A СЕТЕВЫЕ (тип 1)\r\n") + com + keys));
        StartConsumer();
        driver = std::make_unique<TVelt_A_NETWORK>(U("VELT-A СЕТЕВЫЕ (тип 1)"), 3);
        driver->Init(&panel, stack.Hooks(), nullptr);
    }
    ~NetRig()
    {
        driver.reset();
        StopConsumer();
    }
    void Load() { driver->LoadSettings(ini_, 0); }
    TNetPanel* Panel() const { return driver->Panel(); }
    bool State(const char* text, int ms = 10000)
    {
        return Pump([&] { return Panel()->lbState->text() == U(text); }, ms);
    }
    QString Cell(int row, int column) const
    {
        const QTableWidgetItem* item = Panel()->StrGrid->item(row, column);
        return item ? item->text() : QString();
    }
    QString Ini() const { return rtl::fromCp1251(testutil::readFile(ini_)); }
    const QString& IniPath() const { return ini_; }

    devtest::LogCapture log;
    ctl::TScriptedMessageBoxPort boxes;
    QWidget panel;
    std::unique_ptr<TVelt_A_NETWORK> driver;

private:
    int number_;
    testutil::TempDir dir_;
    QString ini_;
};

// A search waits the send time-out at every silent number, and an answer later than it is an instrument
// missed. The time-out is long enough for a machine loaded far past its processors; the search stays short
// because it ends once 32 instruments are found, after only a few silent numbers.
const char* kSearch = "Timeouts_OutTimeout=2000\r\nTimeouts_InTimeout=2000\r\nTimeouts_SynchroTimeout=10\r\nLinkPeriod=0\r\n"
                      "PollPeriod=10\r\nCheckPeriod=200\r\nVELTTimeout=1\r\n";
const char* kFastPoll = "Timeouts_OutTimeout=60\r\nTimeouts_InTimeout=200\r\nTimeouts_SynchroTimeout=10\r\nLinkPeriod=100\r\n"
                        "PollPeriod=10\r\nCheckPeriod=200\r\nVELTTimeout=1\r\n";

std::vector<uint16_t> edited(const TVelt_A_NETWORK& d)
{
    return std::vector<uint16_t>(d.Edited.netNumbers, d.Edited.netNumbers + d.Edited.count);
}

} // namespace

TEST(Network, NetNumbersAndPacketsAreReadAsWritten)
{
    EXPECT_EQ(ParseNetNumbers(QStringLiteral("12,0;x7")), (std::vector<uint16_t>{12, 7}));
    EXPECT_EQ(ParseNetNumbers(QStringLiteral(" 3; 256; 70000; 5")), (std::vector<uint16_t>{3, 256, 5}));
    EXPECT_TRUE(ParseNetNumbers(QString()).empty());
    QString many;
    for (int i = 1; i <= 40; ++i)
        many += QString::number(i) + QStringLiteral(";");
    EXPECT_EQ(ParseNetNumbers(many).size(), 32u);
    TNetSettings s;
    s.count = 2;
    s.netNumbers[0] = 3;
    s.netNumbers[1] = 7;
    EXPECT_EQ(FormatNetNumbers(s), QStringLiteral(" 3; 7; "));

    struct Case {
        const char* text; // 31 characters, then number and flag
        uint8_t lo, hi, flag;
        const char* verification;
        const char* time; // "now" when the result's date is taken from the clock
        uint16_t number;
    };
    const Case cases[] = {
        {"VELT-A     0812150124020324113", 0x90, 0x01, 1, "2024.01.15 00:00:00", "2024.03.02 11:30:00", 400},
        {"VELT-A     0812310224020324113", 0x05, 0x00, 0, "1899.12.30 00:00:00", "now", 5},
        {"VELT-A     0812150124300224113", 0x05, 0x00, 0, "2024.01.15 00:00:00", "now", 5},
        {"VELT-A     0812150124020324996", 0x05, 0x00, 0, "2024.01.15 00:00:00", "now", 5},
    };
    const double now = rtl::EncodeDateTime(2025, 6, 7, 8, 9, 0, 0);
    for (const Case& c : cases) {
        uint8_t p[34];
        std::memcpy(p, c.text, 30);
        p[30] = '0';
        p[31] = c.lo;
        p[32] = c.hi;
        p[33] = c.flag;
        const TNetPacket k = ParseNetPacket(p, now);
        EXPECT_STREQ(k.model, "VELT-A     ") << c.text;
        EXPECT_EQ(k.serial, 812);
        EXPECT_EQ(when(k.verification), c.verification) << c.text;
        EXPECT_EQ(when(k.time), std::string(c.time) == "now" ? when(now) : QString::fromLatin1(c.time)) << c.text;
        EXPECT_EQ(k.dateValid, std::string(c.time) != "now");
        EXPECT_EQ(k.number, c.number);
        EXPECT_EQ(k.flag, c.flag);
    }
}

TEST(Network, TheSearchFindsTheInstrumentsAndThePanelListsThem)
{
    // 3, 5 and 7, then 29 more from 8 on: the search tries 1 to 36 and stops at 32 instruments; 1, 2, 4 and 6
    // are silent.
    QStringList more;
    std::vector<uint16_t> found{3, 5, 7};
    QString netnums = U(" 3; 5; 7; ");
    for (int n = 8; n <= 36; ++n) {
        more << QString::number(n);
        found.push_back(uint16_t(n));
        netnums += QString::number(n) + U("; ");
    }
    Sim sim(221, {"--net", "--at", "3,5", "--nothing-new", "7", "--at", more.join(','), "--serial", "3=812", "--model",
                  "3=VELT-A(N)", "--verification", "3=150124", "--verification", "5=010123"},
            false);
    NetRig rig(221, U(kSearch));
    rig.Panel()->Now = [] { return rtl::EncodeDate(2024, 12, 25); }; // 20 days before 3's verification is due
    rig.Load();
    // During the search the detail tells the number being tried.
    bool numberShown = false;
    ASSERT_TRUE(Pump([&] {
        numberShown |= rig.Panel()->lbDetail->text().startsWith(U("сетевой № "));
        return rig.Panel()->lbState->text() == U("опрос приборов");
    }, 60000)) << rig.Panel()->lbState->text().toStdString();
    EXPECT_TRUE(numberShown);
    EXPECT_EQ(edited(*rig.driver), found) << "the last find ends the search: it is kept too";
    ASSERT_TRUE(Pump([&] { return rig.Cell(0, 1) == QStringLiteral("VELT-A(N)") && rig.Cell(1, 2) == "1005"; }));
    EXPECT_EQ(rig.Cell(0, 0), "3");
    EXPECT_EQ(rig.Cell(0, 2), "0812");
    EXPECT_EQ(rig.Cell(0, 3), "15.01.2024");
    EXPECT_EQ(rig.Cell(1, 3), "01.01.2023");
    for (int c = 1; c < 4; ++c)
        EXPECT_EQ(rig.Cell(2, c), "-") << "7 never identified itself";
    const auto& rows = rig.Panel()->Rows();
    ASSERT_EQ(rows.size(), 32u);
    EXPECT_TRUE(rows[0].dueSoon);
    EXPECT_FALSE(rows[0].overdue);
    EXPECT_TRUE(rows[1].overdue);
    EXPECT_FALSE(rows[2].dueSoon || rows[2].overdue || rows[2].notAnswering);
    EXPECT_EQ(rig.Panel()->lbDetail->text(), U("требуется поверка"));
    EXPECT_FALSE(rig.Panel()->StartBtn->isEnabled());
    EXPECT_TRUE(rig.Panel()->StopBtn->isEnabled());

    // Drawn: 3's date olive with the picture of a verification due soon, 5's red with the attention picture,
    // 7's texts grey with no picture.
    QTableWidget* g = rig.Panel()->StrGrid;
    g->clearSelection();
    g->setCurrentIndex(QModelIndex());
    const QImage shot = g->viewport()->grab().toImage();
    EXPECT_LE(g->visualRect(g->model()->index(0, 3)).right(), shot.width() - 1)
        << "32 rows: the last column fits beside the scroll bar";
    auto pictureAt = [&](int row) {
        const QRect cell = g->visualRect(g->model()->index(row, 3));
        return shot.pixel(cell.right() - 14 + 5, cell.top() + 2 + 10);
    };
    const QImage p1 = NetworkPicture(1).toImage(), p2 = NetworkPicture(2).toImage();
    EXPECT_EQ(pictureAt(0), p1.pixel(5, 10));
    EXPECT_EQ(pictureAt(1), p2.pixel(5, 10));
    EXPECT_EQ(pictureAt(2), shot.pixel(g->visualRect(g->model()->index(2, 3)).right() - 3, g->visualRect(g->model()->index(2, 3)).top() + 1));
    auto hasColour = [&](int row, int column, QRgb rgb) {
        const QRect cell = g->visualRect(g->model()->index(row, column));
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x < cell.right() - 16; ++x)
                if (std::abs(qRed(shot.pixel(x, y)) - qRed(rgb)) + std::abs(qGreen(shot.pixel(x, y)) - qGreen(rgb)) +
                        std::abs(qBlue(shot.pixel(x, y)) - qBlue(rgb)) < 40)
                    return true; // the text's strokes, whatever its smoothing
        return false;
    };
    EXPECT_TRUE(hasColour(0, 3, qRgb(128, 128, 0))) << "olive";
    EXPECT_TRUE(hasColour(1, 3, qRgb(255, 0, 0))) << "red";
    EXPECT_TRUE(hasColour(2, 0, qRgb(128, 128, 128))) << "grey";

    // What the search found is saved with the source.
    rig.driver->SaveSettings(rig.IniPath(), 0);
    const rtl::TIniFile ini(rig.IniPath());
    // Written as the list stands, without quotes, and read back as the same list.
    EXPECT_TRUE(rig.Ini().contains(U("\r\nnetnums=") + netnums + U("\r\n"))) << rig.Ini().toStdString();
    EXPECT_EQ(ParseNetNumbers(ini.ReadString("Device_000", "netnums", "")), found);
    EXPECT_EQ(ini.ReadString("Device_000", "COM", ""), U("COM221"));
    EXPECT_EQ(ini.ReadString("Device_000", "TypeDev", ""), U("VELT-A СЕТЕВЫЕ (тип 1)"));
    EXPECT_EQ(ini.ReadString("Device_000", "Timeouts_OutTimeout", ""), U("2000")) << "the timings are only read";
}

TEST(Network, PollingFilesEachResultOnceAndALostInstrumentIsRestored)
{
    Sim sim(222, {"--net", "--at", "3,5", "--result", "3=400/1/020324/1130", "--result", "3=150", "--result", "5=90",
                  "--fault", "wrong-net@3*1", "--fault", "bad-date@5*1", "--fault", "noise@5*3"},
            false);
    NetRig rig(222, U(kFastPoll) + U("netnums=3;5\r\n"));
    // Bounds for a loaded machine: each wait ends as soon as what it waits for has happened.
    constexpr int kLoaded = 30000;
    rig.Load();
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 3; }, kLoaded)) << rig.log.Text().toStdString();
    auto records = rig.Records();
    ASSERT_GE(records.size(), 3u);
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.Probe.AlcResult > b.Probe.AlcResult; });
    const TVELTMeasurement& m = records[0];
    EXPECT_EQ(m.NetNumber, 3);
    EXPECT_EQ(m.SerialNumber, 1003);
    EXPECT_STREQ(m.Model, "VELT-A     ");
    EXPECT_EQ(when(m.VerificationDate), "2024.01.15 00:00:00");
    EXPECT_EQ(when(m.Probe.Timestamp), "2024.03.02 11:30:00");
    EXPECT_DOUBLE_EQ(m.Probe.AlcResult, 0.4);
    EXPECT_EQ(m.Probe.Exhale, 1);
    EXPECT_EQ(m.Probe.RecordType, 1u);
    EXPECT_EQ(m.ModelCode, 1u);
    EXPECT_EQ(m.DeviceType, 3u);
    EXPECT_DOUBLE_EQ(records[1].Probe.AlcResult, 0.15);
    EXPECT_EQ(records[2].NetNumber, 5);
    EXPECT_TRUE(rig.log.Contains("PushMeasurement 0"));
    EXPECT_TRUE(rig.log.Contains("incorrect date or time ('VELT-A     1005150124310224"));
    // Once its results are out, 3 is checked: its first test answer gives another net number.
    EXPECT_TRUE(Pump([&] { return rig.log.Contains("'ТЕСТ'  [003] x 1 : incorrect net number 004"); }, kLoaded));

    // Switched off: lost once its silence passes the answer time-out; switched on: restored.
    sim.Tell("off 5");
    ASSERT_TRUE(Pump([&] { return rig.log.Contains("связь с VELT #5 SN 1005 потеряна"); }, kLoaded));
    ASSERT_TRUE(Pump([&] { return rig.Panel()->Rows().size() == 2 && rig.Panel()->Rows()[1].notAnswering; }, kLoaded));
    EXPECT_EQ(rig.Panel()->lbDetail->text(), U("прибор(ы) не отвечает"));
    sim.Tell("on 5");
    ASSERT_TRUE(Pump([&] { return rig.log.Contains("связь с VELT #5 SN 1005 восстановленна"); }, kLoaded));
    ASSERT_TRUE(Pump([&] { return !rig.Panel()->Rows()[1].notAnswering; }, kLoaded));
    sim.Tell("push 5 321");
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 4; }, kLoaded));
    EXPECT_EQ(rig.RecordCount(), 4u) << "each result once";
    EXPECT_DOUBLE_EQ(rig.Records().back().Probe.AlcResult, 0.321);
}

TEST(Network, AStartIsNeverLostAndTheThreadEndsAtOnceWhateverItWaitsFor)
{
    SilentPort port(223);
    NetRig rig(223, QStringLiteral("Timeouts_OutTimeout=1\r\nLinkPeriod=0\r\nPollPeriod=10\r\n"));
    rig.Load();
    ASSERT_TRUE(rig.State("отключен", 10000));
    ASSERT_TRUE(Pump([&] { return rig.Panel()->lbDetail->text() == U("не найдено ни одного прибора"); }, 10000));
    // Start and stop in quick turns: each start is taken, whenever it comes in the thread's pass.
    for (int i = 0; i < 25; ++i) {
        rig.driver->Edited.count = 1;
        rig.driver->Edited.netNumbers[0] = uint16_t(9 + i);
        rig.Panel()->StartBtnClick();
        ASSERT_TRUE(rig.State("опрос приборов", 30000)) << "start " << i << " lost";
        rig.Panel()->StopBtnClick();
        ASSERT_TRUE(rig.State("отключен", 30000)) << "stop " << i;
    }
    // Stopped, the thread waits: freed now, it closes its port, which another source opens at once.
    QElapsedTimer t;
    t.start();
    rig.driver.reset();
    EXPECT_LT(t.elapsed(), testutil::kPromptMs);
    TSerialPort again;
    EXPECT_TRUE(again.Open(223));
}

TEST(Network, ADriverFreedWhilePollingWithLongTimeOutsEndsAtOnce)
{
    SilentPort port(224);
    NetRig rig(224, QStringLiteral("Timeouts_OutTimeout=20000\r\nTimeouts_InTimeout=20000\r\nLinkPeriod=60000\r\n"
                                   "PollPeriod=20000\r\nnetnums=1;2\r\n"));
    rig.Load();
    ASSERT_TRUE(rig.State("опрос приборов"));
    QElapsedTimer t;
    t.start();
    rig.driver.reset();
    EXPECT_LT(t.elapsed(), testutil::kPromptMs);
    TSerialPort again;
    EXPECT_TRUE(again.Open(224));
}

TEST(Network, PollStepsBeginAPollPeriodApartAndAPauseEndsAtShutDown)
{
    Sim sim(225, {"--net", "--at", "1,2"}, false);
    NetRig rig(225, QStringLiteral("Timeouts_OutTimeout=200\r\nTimeouts_InTimeout=200\r\nPollPeriod=250\r\n"
                                   "CheckPeriod=600000\r\nnetnums=1;2\r\n"));
    rig.Load();
    ASSERT_TRUE(rig.State("опрос приборов"));
    auto polls = [&] { return sim.Count(QStringLiteral("net 1 poll")) + sim.Count(QStringLiteral("net 2 poll")); };
    ASSERT_TRUE(Pump([&] { return polls() >= 2; }));
    QElapsedTimer t;
    t.start();
    const int first = polls();
    Pump([] { return false; }, 2000);
    // However slow the machine, never more steps than periods: two steps back to back would show here.
    const int steps = polls() - first;
    EXPECT_LE(steps, int(t.elapsed() / 250) + 1);
    EXPECT_GE(steps, 2);
    rig.driver.reset();

    // Between two steps the thread pauses on its line: freed then, it ends at once and the port is free. The pause
    // is longer than the bound, so a thread that waited it out would show.
    NetRig paused(225, QStringLiteral("Timeouts_OutTimeout=200\r\nTimeouts_InTimeout=200\r\nPollPeriod=30000\r\n"
                                      "CheckPeriod=600000\r\nnetnums=1;2\r\n"));
    const int before = polls();
    paused.Load();
    ASSERT_TRUE(paused.State("опрос приборов"));
    ASSERT_TRUE(Pump([&] { return polls() > before; })) << "the first step, then the pause";
    t.restart();
    paused.driver.reset();
    EXPECT_LT(t.elapsed(), testutil::kPromptMs);
    TSerialPort again;
    EXPECT_TRUE(again.Open(225));
}

TEST(Network, TheNetNumberDialogAddsAndTheListDeletes)
{
    NetRig rig(0, QStringLiteral("netnums=3\r\n")); // no port chosen: nothing runs
    rig.Load();
    TNetPanel* p = rig.Panel();
    testutil::DialogScript dialogs;
    auto add = [&](int number) {
        dialogs.Then<TNetNumSelectForm>([number](TNetNumSelectForm* d) {
            // 3 is listed: its cell is grey, and can still be chosen.
            EXPECT_EQ(d->MapGrid->item(0, 2)->background().color(), QColor(0x80, 0x80, 0x80));
            EXPECT_EQ(d->MapGrid->item(0, 3)->background().color(), QColor(Qt::white));
            d->MapGridSelectCell(1, 1);
            EXPECT_EQ(d->NumUpDown->value(), 12);
            d->NumUpDown->setValue(number);
            d->OkBtn->click();
        });
        p->AddBtnClick();
    };
    add(12);
    add(12);
    add(256);
    EXPECT_EQ(edited(*rig.driver), (std::vector<uint16_t>{3, 12, 256}));
    EXPECT_EQ(rig.Cell(1, 0), "12");
    EXPECT_EQ(rig.Cell(1, 1), "-");
    for (int n = 100; rig.driver->Edited.count < 32; ++n)
        add(n);
    EXPECT_FALSE(p->AddBtn->isEnabled());
    add(99);
    EXPECT_EQ(rig.driver->Edited.count, 32);
    EXPECT_FALSE(rig.driver->Edited.Has(99));

    p->StrGrid->clearSelection();
    p->StrGrid->setCurrentCell(-1, -1);
    p->DelBtnClick();
    EXPECT_EQ(rig.driver->Edited.count, 32) << "no row chosen";
    p->StrGrid->selectRow(1);
    p->DelBtnClick();
    EXPECT_EQ(rig.driver->Edited.count, 31);
    EXPECT_EQ(rig.driver->Edited.netNumbers[1], 256);
    // Without a port, "Поиск" empties the list and starts nothing.
    p->SearchBtnClick();
    EXPECT_EQ(rig.driver->Edited.count, 0);
    EXPECT_EQ(p->lbState->text(), QStringLiteral("---"));
    EXPECT_FALSE(rig.driver->Started());

    rig.boxes.Answer(ctl::IDOK);
    rig.driver->GetEEPROM();
    ASSERT_EQ(rig.boxes.Count(), 1);
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].text, U("Для получения фискальных данных из приборов серии VELT-A. \nНа панели "
                                                "прибора нажмите ПЕЧАТЬ и затем РЕЖИМ"));
}

TEST(Network, APortThatIsNotThereIsWaitedForAndTakenWhenItComes)
{
    NetRig rig(226, U(kFastPoll) + U("netnums=4\r\n"));
    rig.Load();
    ASSERT_TRUE(Pump([&] { return rig.Panel()->lbDetail->text() == U("COM порт недоступен"); }, 10000));
    EXPECT_EQ(rig.Panel()->lbState->text(), U("отключен"));
    EXPECT_TRUE(rig.Panel()->StartBtn->isEnabled());
    // The adapter is plugged in: the line is opened and polled without the operator.
    Sim sim(226, {"--net", "--at", "4", "--result", "4=77"}, false);
    ASSERT_TRUE(rig.State("опрос приборов", 10000));
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 1; }, 10000));
    EXPECT_EQ(rig.Records()[0].NetNumber, 4);
    rig.driver.reset();
}

TEST(Network, EveryResultAnInstrumentGaveIsFiledOrLoggedAsLost)
{
    // Five results from each of 3, 5 and 7. 3's first answer carries a flag no instrument writes, 5's first frame
    // is damaged on the line, 7's first result has 31.02.24 for its date.
    Sim sim(227, {"--net", "--at", "3,5,7", "--results", "5", "--fault", "bad-flag@3*1", "--fault", "garbled@5*1",
                  "--fault", "bad-date@7*1"},
            false);
    // Time-outs no loaded machine runs into: an answer taken for lost would hide what this test looks for.
    NetRig rig(227, U("Timeouts_OutTimeout=5000\r\nTimeouts_InTimeout=5000\r\nTimeouts_SynchroTimeout=10\r\nLinkPeriod=0\r\n"
                      "PollPeriod=10\r\nCheckPeriod=600000\r\nnetnums=3;5;7\r\n"));
    rig.Load();
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 13 && sim.Heard().filter(QStringLiteral("sent ")).size() >= 15; },
                     30000))
        << rig.log.Text().toStdString();

    // The refused answer, whole, with the instrument's net number; the damaged one, which never came whole.
    EXPECT_TRUE(rig.log.Contains("'ОПРОС' [003] x 1 : incorrect flag 0x7f; результат потерян: "
                                 "['VELT-A     10031501240101241000', 21 мкг/л, 0x7f]"))
        << rig.log.Text().toStdString();
    EXPECT_TRUE(rig.log.Contains("'ОПРОС' [005] x 1 : ошибка приёма #-2; результат прибора потерян, его ответ не получен"));
    // The impossible date: filed with the computer's time, which the log keeps beside the instrument's text.
    TVELTMeasurement undated{};
    for (const TVELTMeasurement& m : rig.Records())
        if (m.NetNumber == 7 && m.Probe.AlcResult == 0.049)
            undated = m;
    ASSERT_EQ(undated.NetNumber, 7);
    EXPECT_TRUE(rig.log.Text().contains(
        U("VELT #7 SN 1007: результат ['VELT-A     10071501243102241000', 49 мкг/л, 0x00] с невозможной датой записан со "
          "временем ПК ") + when(undated.Probe.Timestamp)));

    // Everything else the instruments sent is filed once, with its own time: nothing went without a word.
    QStringList filed, sent;
    for (const TVELTMeasurement& m : rig.Records())
        if (!(m.NetNumber == 7 && m.Probe.AlcResult == 0.049))
            filed << QStringLiteral("%1 %2 %3").arg(m.NetNumber).arg(qRound(m.Probe.AlcResult * 1000)).arg(when(m.Probe.Timestamp));
    for (const QString& line : sim.Heard().filter(QStringLiteral("sent "))) {
        const QStringList w = line.split(' '); // sent N UGL FLAG DDMMYY HHMM
        if ((w[1] == "3" && w[2] == "21") || (w[1] == "5" && w[2] == "35") || (w[1] == "7" && w[2] == "49"))
            continue;
        sent << QStringLiteral("%1 %2 20%3.%4.%5 %6:%7:00")
                    .arg(w[1], w[2], w[4].mid(4, 2), w[4].mid(2, 2), w[4].left(2), w[5].left(2), w[5].mid(2, 2));
    }
    filed.sort();
    sent.sort();
    EXPECT_EQ(filed.join('\n').toStdString(), sent.join('\n').toStdString());
    EXPECT_EQ(sent.size(), 12);
}

TEST(Network, AnAnswerThatComesAfterItsTimeOutIsLoggedWithTheResultItCarried)
{
    // 3's first answer comes three seconds late: long after its 100 ms time-out, long before the next poll.
    Sim sim(228, {"--net", "--at", "3", "--result", "3=250", "--result", "3=300", "--fault", "late@3*1"}, false);
    NetRig rig(228, U("Timeouts_OutTimeout=100\r\nTimeouts_InTimeout=100\r\nTimeouts_SynchroTimeout=10\r\nLinkPeriod=0\r\n"
                      "PollPeriod=6000\r\nCheckPeriod=600000\r\nnetnums=3\r\n"));
    rig.Load();
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 1; }, 60000)) << rig.log.Text().toStdString();
    EXPECT_TRUE(rig.log.Contains("'ОПРОС' [003] : ответ пришёл после таймаута; результат потерян: "
                                 "['VELT-A     10031501240101241000', 250 мкг/л, 0x00]"))
        << rig.log.Text().toStdString();
    EXPECT_EQ(rig.RecordCount(), 1u);
    EXPECT_DOUBLE_EQ(rig.Records()[0].Probe.AlcResult, 0.3) << "the next result comes with the next poll";
}

TEST(Network, TheNetNumberDialogIsUsedWithTheKeysAlone)
{
    NetRig rig(0, QStringLiteral("netnums=3\r\n")); // no port chosen: nothing runs
    rig.Load();
    // Each key goes to the widget that has the focus in the shown dialog, as the window system hands it over.
    auto press = [](int k) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(k)); };
    testutil::DialogScript dialogs;
    auto add = [&](const std::function<void(TNetNumSelectForm*)>& keys) {
        dialogs.Then<TNetNumSelectForm>([keys](TNetNumSelectForm* d) {
            keys(d);
            if (d->isVisible())
                d->done(QDialog::Rejected);
        });
        rig.Panel()->AddBtnClick();
    };
    // On the map: the arrows move from the number shown, and Enter takes the cell they reached.
    add([&](TNetNumSelectForm* d) {
        ASSERT_TRUE(testutil::PumpUntil([&] { return QApplication::focusWidget() == d->MapGrid; }, 30000));
        EXPECT_EQ(d->MapGrid->currentRow() * 10 + d->MapGrid->currentColumn() + 1, 1);
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        press(Qt::Key_Down);
        EXPECT_EQ(d->NumUpDown->value(), 13);
        press(Qt::Key_Return);
    });
    EXPECT_EQ(edited(*rig.driver), (std::vector<uint16_t>{3, 13}));
    // Opened again it starts on 13; a number typed in the field is taken, and the map shows its cell or none.
    add([&](TNetNumSelectForm* d) {
        ASSERT_TRUE(testutil::PumpUntil([&] { return QApplication::focusWidget() == d->MapGrid; }, 30000));
        EXPECT_EQ(d->MapGrid->currentItem()->text(), "13");
        press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), d->NumUpDown);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("7"));
        EXPECT_EQ(d->MapGrid->currentItem()->text(), "7");
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
        EXPECT_EQ(d->MapGrid->currentItem(), nullptr);
        press(Qt::Key_Up);
        press(Qt::Key_Enter);
    });
    EXPECT_EQ(edited(*rig.driver), (std::vector<uint16_t>{3, 13, 76}));
    // With no cell for the number shown, the keys start in the field; Escape takes nothing.
    add([&](TNetNumSelectForm* d) {
        ASSERT_TRUE(testutil::PumpUntil([&] { return QApplication::focusWidget() == d->NumUpDown; }, 30000));
        press(Qt::Key_Down);
        press(Qt::Key_Escape);
    });
    EXPECT_EQ(edited(*rig.driver), (std::vector<uint16_t>{3, 13, 76}));
}
