// Faults of the line as an operator meets them, through the simulator on a pseudo-terminal: printouts sent back
// to back, an instrument unplugged during a download or while it waits, a port missing at start-up.
#include "Devices/VELT_A/ListenerPanel.h"
#include "platform/rtl/IniFile.h"
#include "test_rq_fixture.h"

#include <gtest/gtest.h>

#include <memory>

using namespace rqtest;
using devtest::Pump;

namespace {

// COM<number> named by a link that each simulator makes again, as a USB adapter keeps its device name.
struct LinkedPort {
    int number;
    QString link;
    LinkedPort(int n, const testutil::TempDir& dir) : number(n), link(dir.file(QStringLiteral("line%1").arg(n)))
    {
        sys::SetSerialPortOverride(n, link);
    }
    ~LinkedPort() { sys::SetSerialPortOverride(number, QString()); }
    // A simulator on the link; its own COM number is one nobody uses.
    std::unique_ptr<Sim> Plug(QStringList args, bool rq = true)
    {
        args << QStringLiteral("--link") << link;
        auto sim = std::make_unique<Sim>(number + 500, args, rq);
        sys::SetSerialPortOverride(number, link);
        return sim;
    }
    // Pulled out: the simulator ends and its device name goes with it. The name goes first: once the simulator
    // has ended, another test process may be given its pseudo-terminal, and a driver waiting for the name to
    // come back would otherwise open that process's line.
    void Unplug(std::unique_ptr<Sim>& sim)
    {
        QFile::remove(link);
        sim.reset();
    }
};

struct ListenerRig {
    ctl::TScriptedMessageBoxPort boxes;
    TMeasurementStack stack;
    QWidget panel;
    TVelt_A driver{QString::fromUtf8("VELT-A (тип 1)"), 1};
    ListenerRig() { driver.Init(&panel, stack.Hooks(), nullptr); }
    ~ListenerRig() { driver.Stop(); }
    std::vector<double> Take(size_t n, int ms)
    {
        std::vector<double> values;
        TVELTMeasurement m;
        Pump([&] {
            while (PopMeasurement(stack.Hooks(), &m))
                values.push_back(m.Probe.AlcResult);
            return values.size() >= n;
        }, ms);
        return values;
    }
    QString Status() const { return driver.Panel()->lbStatus->text(); }
};

QString IniWithPort(const testutil::TempDir& dir, const char* type, int number)
{
    const QString ini = dir.file(QStringLiteral("VELT.ini"));
    rtl::TIniFile f(ini);
    f.WriteString(DeviceSectionName(1), QStringLiteral("TypeDev"), QString::fromUtf8(type));
    f.WriteString(DeviceSectionName(1), QStringLiteral("COM"), QStringLiteral("COM%1").arg(number));
    return ini;
}

QString SavedPort(const QString& ini)
{
    return rtl::TIniFile(ini).ReadString(DeviceSectionName(1), QStringLiteral("COM"), QString());
}

} // namespace

TEST(LineFaults, PrintoutsSentBackToBackAreFiledWhole)
{
    // Three printouts with no pause between them; in the second run the first printout breaks off inside a
    // record, so the next header starts out of line.
    const std::vector<double> values{0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    for (const bool cut : {false, true}) {
        testutil::TempDir dir;
        LinkedPort port(283, dir);
        ListenerRig rig;
        QStringList args{"--printouts", "3", "--count", "2", "--interval", "0", "--values", "0.1,0.2,0.3,0.4,0.5,0.6"};
        if (cut)
            args << "--fault" << "partial@1";
        const auto sim = port.Plug(args, false);
        rig.driver.Panel()->cbPort->Fill();
        rig.driver.Panel()->cbPort->setCurrentIndex(rig.driver.Panel()->cbPort->findText(QStringLiteral("COM283")));
        rig.driver.Panel()->PortChange();
        const std::vector<double> got = rig.Take(values.size(), 8000);
        ASSERT_EQ(got.size(), values.size()) << "cut " << cut;
        for (size_t i = 0; i < values.size(); ++i)
            EXPECT_NEAR(got[i], values[i], 1e-9) << "cut " << cut << " result " << i;
        EXPECT_TRUE(rig.Take(1, 500).empty()) << "nothing out of line is filed";
    }
}

TEST(LineFaults, TheListenerWaitsForAMissingPortAndOpensALostOneAgain)
{
    testutil::TempDir dir;
    devtest::LogCapture log;
    LinkedPort port(284, dir);
    ListenerRig rig;
    // Configured on a port whose adapter is not plugged in: the name stays, shown and saved.
    const QString ini = IniWithPort(dir, "VELT-A (тип 1)", 284);
    rig.driver.LoadSettings(ini, 1);
    EXPECT_EQ(rig.Status(), U("Статус: Порт не найден!"));
    EXPECT_EQ(rig.driver.Panel()->cbPort->ShownPort(), "COM284");
    rig.driver.SaveSettings(ini, 1);
    EXPECT_EQ(SavedPort(ini), "COM284");

    // Plugged in: the listener opens it by itself and hears the printout.
    auto sim = port.Plug({"--printouts", "1", "--values", "0.25", "--linger", "100000"}, false);
    EXPECT_EQ(rig.Take(1, 8000), std::vector<double>{0.25});
    EXPECT_EQ(rig.Status(), U("Статус: Открыт успешно"));

    // Unplugged: said on the panel and once in the log; the port is still the source's.
    port.Unplug(sim);
    ASSERT_TRUE(Pump([&] { return rig.Status() == U("Статус: Связь потеряна!"); }, 5000));
    Pump([] { return false; }, 1200);
    EXPECT_EQ(log.Text().count(QStringLiteral("the line is lost")), 1);
    rig.driver.SaveSettings(ini, 1);
    EXPECT_EQ(SavedPort(ini), "COM284");

    // Back on the same name: open again without the operator, and listening.
    sim = port.Plug({"--printouts", "1", "--values", "0.75", "--linger", "100000"}, false);
    EXPECT_EQ(rig.Take(1, 8000), std::vector<double>{0.75});
    EXPECT_EQ(rig.Status(), U("Статус: Открыт успешно"));
    EXPECT_EQ(log.Text().count(QStringLiteral("the line is back")), 2);
}

TEST(LineFaults, TheRequestAndAnswerDriverKeepsAMissingPortAndIdentifiesTheInstrumentWhenItIsBack)
{
    testutil::TempDir dir;
    LinkedPort port(285, dir);
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    const QString ini = IniWithPort(dir, "VELT-B (тип 2)", 285);
    d->LoadSettings(ini, 1);
    EXPECT_EQ(d->Panel()->lbStatus->text(), U("Статус: Порт не найден!"));
    d->SaveSettings(ini, 1);
    EXPECT_EQ(SavedPort(ini), "COM285");

    auto sim = port.Plug({"--model", "4", "--life", "5"});
    ASSERT_TRUE(rig.Identified(15000)) << d->Panel()->LogText().toStdString();
    EXPECT_EQ(d->Panel()->lbStatus->text(), U("Статус: Открыт успешно"));

    port.Unplug(sim);
    ASSERT_TRUE(Pump([&] { return d->Panel()->lbStatus->text() == U("Статус: Связь потеряна!"); }, 8000))
        << d->Panel()->LogText().toStdString();
    EXPECT_FALSE(d->Panel()->bGetEEPROM->isEnabled());
    Pump([] { return false; }, 1500);
    EXPECT_EQ(d->Panel()->LogText().count(U("Связь потеряна!")), 1);
    d->SaveSettings(ini, 1);
    EXPECT_EQ(SavedPort(ini), "COM285");

    sim = port.Plug({"--model", "4", "--life", "6"});
    ASSERT_TRUE(rig.LogHas("Всего произведено выдохов: 6", 15000)) << d->Panel()->LogText().toStdString();
    EXPECT_EQ(d->Panel()->lbStatus->text(), U("Статус: Открыт успешно"));
    EXPECT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
}

TEST(LineFaults, ADownloadCutMidwaySaysItIsIncompleteAndHowMuchCameOver)
{
    testutil::TempDir dir;
    LinkedPort port(286, dir);
    auto sim = port.Plug({"--model", "4", "--life", "200"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    d->Pauses.walkRecord = 10;
    rig.StartConsumer();
    rig.Choose(286);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    ASSERT_TRUE(rig.LogHas("Загрузка: Блок 2, запись 0"));
    port.Unplug(sim); // in the middle of the walk

    ASSERT_TRUE(rig.LogHas("Запрос данных не завершён! Передано записей", 20000)) << d->Panel()->LogText().toStdString();
    const QString log = d->Panel()->LogText();
    EXPECT_FALSE(log.contains(U("Загрузка: Завершена!")));
    EXPECT_FALSE(log.contains(U("Запрос данных завершён.")));
    EXPECT_TRUE(log.contains(U("Загрузка: Не завершена! Получено записей ")));
    EXPECT_TRUE(log.contains(U("Связь с прибором потеряна!")));
    const QString handed = QStringLiteral("Передано записей %1 из 200.").arg(rig.RecordCount());
    EXPECT_TRUE(log.contains(handed)) << log.right(400).toStdString();
    EXPECT_GE(rig.RecordCount(), 32u);
    EXPECT_LT(rig.RecordCount(), 200u);
}
