#include "Devices/DevicesSources.h"
#include "Devices/Manager.h"
#include "Devices/VELT_A/ListenerPanel.h"
#include "DevicesTestUtil.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/IniFile.h"
#include "platform/system/SerialPorts.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono;
using devtest::Pump;

namespace {

struct MappedPty : devtest::Pty {
    int number;
    explicit MappedPty(int n) : number(n) { sys::SetSerialPortOverride(n, path); }
    ~MappedPty() { sys::SetSerialPortOverride(number, QString()); }
};

const QByteArray kFixture = QByteArray(kPrintoutProductWord, 4) + "\xB9" "1234150310" + QByteArray::fromHex("1503100930009600");

struct Listener : ::testing::Test {
    testutil::TempDir dir;
    ctl::TScriptedMessageBoxPort boxes;
    TMeasurementStack stack;
    QWidget panel;
    std::unique_ptr<TVelt_A> driver;

    Listener()
    {
        driver = std::make_unique<TVelt_A>(QString::fromUtf8("VELT-A (тип 1)"), 1);
        driver->Init(&panel, stack.Hooks(), nullptr);
    }
    ~Listener() override
    {
        driver->Terminate();
        driver->WaitFor();
        driver.reset();
    }
    QString Ini() const { return dir.file("VELT.ini"); }
    void Choose(const QString& text)
    {
        TListenerPanel* p = driver->Panel();
        p->cbPort->Fill();
        int i = p->cbPort->findText(text);
        if (i < 0) {
            p->cbPort->addItem(text);
            i = p->cbPort->count() - 1;
        }
        p->cbPort->setCurrentIndex(i);
        p->PortChange();
    }
    bool PopWithin(TVELTMeasurement& m, int ms)
    {
        return Pump([&] { return PopMeasurement(stack.Hooks(), &m); }, ms);
    }
};

} // namespace

TEST_F(Listener, SettingsGoToTheSourcesSectionAndOpenThePortAgain)
{
    MappedPty pty(220);
    driver->SaveSettings(Ini(), 3);
    rtl::TIniFile ini(Ini());
    EXPECT_EQ(ini.ReadString("Device_003", "TypeDev", ""), QString::fromUtf8("VELT-A (тип 1)"));
    EXPECT_EQ(ini.ReadString("Device_003", "COM", "x"), " ") << "no port open: a single space";

    driver->LoadSettings(QString(), 3); // starting settings: no port
    EXPECT_EQ(driver->GetPortNumber(), -1);
    ini.WriteString("Device_003", "COM", "COM220");
    driver->LoadSettings(Ini(), 3);
    EXPECT_EQ(driver->GetPortNumber(), 220);
    EXPECT_EQ(driver->Panel()->lbStatus->text(), QString::fromUtf8("Статус: Открыт успешно"));
    driver->SaveSettings(Ini(), 3);
    EXPECT_EQ(rtl::TIniFile(Ini()).ReadString("Device_003", "COM", ""), "COM220");
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(Listener, PortChoiceFailuresAreToldAsTheOperatorSeesThem)
{
    MappedPty pty(221);
    struct Case { QString choice; const char* status; const char* message; };
    const Case cases[] = {
        {"---", "Статус: Ошибка открытия!", "В системе не может быть порт COM 0 !"},
        {"COM239", "Статус: Порт не найден!", "В системе не найден порт COM239 !"},
    };
    for (const Case& c : cases) {
        boxes.Clear();
        Choose(c.choice);
        EXPECT_EQ(driver->Panel()->lbStatus->text(), QString::fromUtf8(c.status));
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(boxes.AskedSoFar()[0].caption, "Error");
        EXPECT_EQ(boxes.AskedSoFar()[0].flags, ctl::MB_OK | ctl::MB_ICONSTOP);
        EXPECT_TRUE(driver->Panel()->cbPort->isEnabled());
    }
    // Held by someone else: no message, only the status.
    boxes.Clear();
    TSerialPort other;
    ASSERT_TRUE(other.Open(221));
    Choose("COM221");
    EXPECT_EQ(driver->Panel()->lbStatus->text(), QString::fromUtf8("Статус: Ошибка открытия!"));
    EXPECT_EQ(driver->GetPortNumber(), -1);
    EXPECT_EQ(boxes.Count(), 0);

    driver->GetEEPROM();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text,
              QString::fromUtf8("Для получения фискальных данных из приборов серии VELT-A (тип 1). \nНа панели прибора "
                                "нажмите ПЕЧАТЬ и затем РЕЖИМ"));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, QString::fromUtf8("Информация!"));
    EXPECT_EQ(boxes.AskedSoFar()[0].icon(), ctl::MB_ICONQUESTION);
}

TEST_F(Listener, APrintoutOnThePortBecomesARecordALineAndLabels)
{
    devtest::LogCapture log;
    MappedPty pty(222);
    Choose("COM222");
    ASSERT_EQ(driver->GetPortNumber(), 222);
    ASSERT_TRUE(pty.Write(kFixture));
    TVELTMeasurement m;
    ASSERT_TRUE(PopWithin(m, 30000));
    EXPECT_EQ(m.SerialNumber, 1234);
    EXPECT_DOUBLE_EQ(m.Probe.Timestamp, rtl::EncodeDateTime(2010, 3, 15, 9, 30, 0, 0));
    EXPECT_DOUBLE_EQ(m.Probe.AlcResult, 0.150);
    EXPECT_EQ(m.DeviceType, 1u);
    ASSERT_TRUE(Pump([&] { return !driver->Panel()->mJournal->toPlainText().isEmpty(); }, 30000));
    const QString journal = driver->Panel()->mJournal->toPlainText();
    EXPECT_TRUE(journal.contains(QString::fromUtf8(
        "\tПроизведён выдох:\nНомер прибора: 1234,\n Время измерения 15.03.2010 09:30:00,\n Измерение: 0.150 мг/л,\n "
        "Статус выдоха: (нормальный).")))
        << journal.toStdString();
    EXPECT_EQ(driver->Panel()->lbModelValue->text(), rtl::fromCp1251(QByteArray(kPrintoutProductWord, 4)));
    EXPECT_EQ(driver->Panel()->lbSerialValue->text(), "1234");
    EXPECT_EQ(driver->Panel()->lbDateValue->text(), "15.03.2010 00:00:00");
    EXPECT_TRUE(log.Contains("PushMeasurement 0"));

    // After the silence that ends the printout: noise, then a printout cut in the middle of a record. Both are
    // logged and the listener goes on.
    Pump([] { return false; }, 400);
    ASSERT_TRUE(pty.Write(QByteArray("\x01\x02garbage!!!!!!")));
    Pump([] { return false; }, 400);
    ASSERT_TRUE(pty.Write(kFixture + QByteArray::fromHex("1503100931")));
    ASSERT_TRUE(PopWithin(m, 30000));
    ASSERT_TRUE(Pump([&] { return log.Contains("probe trash (5 bytes)"); }, 30000));
    EXPECT_TRUE(log.Contains("bad header")) << log.Text().toStdString();
    ASSERT_TRUE(pty.Write(kFixture));
    EXPECT_TRUE(PopWithin(m, 30000)) << "still listening";
}

TEST_F(Listener, SwitchingPortsWhileTheThreadWaitsListensOnTheNewOne)
{
    MappedPty a(223), b(224);
    Choose("COM223");
    Pump([] { return false; }, 50); // the thread waits on the first port now
    const auto t = steady_clock::now();
    Choose("COM224");
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t).count(), testutil::kPromptMs);
    EXPECT_EQ(driver->GetPortNumber(), 224);
    ASSERT_TRUE(a.Write(kFixture) || true);
    ASSERT_TRUE(b.Write(kFixture));
    TVELTMeasurement m;
    ASSERT_TRUE(PopWithin(m, 30000));
    Pump([] { return false; }, 300);
    EXPECT_FALSE(PopMeasurement(stack.Hooks(), &m)) << "the first port is no longer heard";
    // The first port is free for others again.
    TSerialPort other;
    EXPECT_TRUE(other.Open(223));
}

TEST(ListenerShutDown, EndsWithinASecondWhileReadingAPrintout)
{
    testutil::TempDir dir;
    ctl::TScriptedMessageBoxPort boxes;
    devtest::RecordingFacade facade;
    MappedPty pty(225);
    testutil::writeFile(dir.file("VELT.ini"), rtl::toCp1251(QString::fromUtf8("[Device_000]\nTypeDev=VELT-B (тип 1)\nCOM=COM225\n")));
    for (int round = 0; round < 6; ++round) {
        auto m = std::make_unique<TManager>(true, dir.path(), nullptr);
        m->CreateControlMeasure(&facade);
        m->Resume();
        auto* listener = dynamic_cast<TVelt_A*>(m->Source(0)->GetDevice());
        ASSERT_NE(listener, nullptr);
        ASSERT_EQ(listener->GetPortNumber(), 225);
        // A printout trickling in, for longer than the bound below: the thread is inside its reads when the end
        // comes, and reading it to its end would show.
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            QByteArray bytes = kFixture;
            for (int i = 0; i < 500 && !stop; ++i)
                bytes += QByteArray::fromHex("1503100930009600");
            for (int i = 0; i < bytes.size() && !stop; ++i) {
                pty.Write(bytes.mid(i, 1));
                std::this_thread::sleep_for(milliseconds(3));
            }
        });
        Pump([] { return false; }, 60 + 40 * round);
        const auto t = steady_clock::now();
        m.reset();
        EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t).count(), testutil::kPromptMs) << "round " << round;
        stop = true;
        writer.join();
        // The port is saved and free again.
        EXPECT_EQ(rtl::TIniFile(dir.file("VELT.ini")).ReadString("Device_000", "COM", ""), "COM225");
        TSerialPort again;
        EXPECT_TRUE(again.Open(225));
    }
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_FALSE(facade.offMainThread);
}

TEST(ListenerSource, ATypeChangeStartsTheNewListenerWithoutAPortAndFreesTheOldOne)
{
    testutil::TempDir dir;
    ctl::TScriptedMessageBoxPort boxes;
    MappedPty pty(226);
    testutil::writeFile(dir.file("VELT.ini"), rtl::toCp1251(QString::fromUtf8("[Device_004]\nTypeDev=VELT-A (тип 1)\nCOM=COM226\n")));
    TManager m(true, dir.path(), nullptr);
    TDevicesSources* s = m.Source(0);
    auto* first = dynamic_cast<TVelt_A*>(s->GetDevice());
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->GetPortNumber(), 226);
    s->TypeCombo()->setCurrentIndex(3); // "VELT-B (тип 1)"
    s->TypeChange();
    auto* second = dynamic_cast<TVelt_A*>(s->GetDevice());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Name, QString::fromUtf8("VELT-B (тип 1)"));
    EXPECT_EQ(second->TypeId, 4);
    EXPECT_EQ(second->GetPortNumber(), -1) << "starting settings: no port";
    EXPECT_TRUE(second->Suspended()) << "no port, no running thread";
    TSerialPort again;
    EXPECT_TRUE(again.Open(226)) << "the old listener let its port go";
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(Listener, AHeldListenerIsFreedAtOnce)
{
    MappedPty pty(227);
    Choose("COM227");
    ASSERT_FALSE(driver->Suspended());
    EXPECT_EQ(driver->ClosePort(), 1);
    EXPECT_TRUE(driver->Suspended()) << "held at the end of its pass";
    EXPECT_EQ(driver->ClosePort(), 2);
    const auto t = steady_clock::now();
    driver->Terminate();
    driver->WaitFor();
    EXPECT_TRUE(driver->Finished());
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t).count(), testutil::kPromptMs);
}

TEST_F(Listener, APrintoutIsFiledWhileTheMainThreadServesNothing)
{
    // The labels and the journal line are published for the panel; the record does not wait for them.
    MappedPty pty(228);
    Choose("COM228");
    ASSERT_EQ(driver->GetPortNumber(), 228);
    ASSERT_TRUE(pty.Write(kFixture));
    ASSERT_TRUE(devtest::WaitUnserved([&] { return StackCount(stack.Hooks()) == 1; }));
    TListenerPanel* p = driver->Panel();
    EXPECT_EQ(p->lbSerialValue->text(), "---");
    ASSERT_TRUE(Pump([&] { return p->lbSerialValue->text() == "1234"; }));
    EXPECT_EQ(p->lbDateValue->text(), "15.03.2010 00:00:00");
    EXPECT_TRUE(p->mJournal->toPlainText().contains(QString::fromUtf8("Номер прибора: 1234,")));
}
