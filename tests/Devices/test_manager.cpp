#include "Devices/ControlMeasure.h"
#include "Devices/DevicesSources.h"
#include "Devices/FormManager.h"
#include "Devices/Manager.h"
#include "DevicesTestUtil.h"
#include "common/dialogscript.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/IniFile.h"

#include <set>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <utility>

using namespace std::chrono;
using devtest::Pump;
using devtest::RecordingFacade;

namespace {

std::vector<std::string> g_events;
std::function<void()> g_onDestroy;

// A driver that does nothing but say what is done to it; optionally it pushes records or calls the main thread.
class FakeDriver : public TDeviceDriver {
public:
    enum Mode { Idle, Pushing, Synchronizing };
    static inline std::atomic<int> mode{Idle};
    static inline std::atomic<int> syncCalls{0};

    FakeDriver(const QString& name, int typeId) : TDeviceDriver(name, typeId)
    {
        g_events.push_back("create " + Name.toStdString());
        Resume();
    }
    ~FakeDriver() override
    {
        Stop();
        g_events.push_back("destroy " + Name.toStdString());
        if (g_onDestroy)
            g_onDestroy();
    }
    void Init(QWidget*, const TStackHooks& stack, TDBInfoPribors*) override
    {
        stack_ = stack;
        g_events.push_back("init " + Name.toStdString());
    }
    void LoadSettings(const QString& ini, int number) override
    {
        g_events.push_back("load " + Name.toStdString() + (ini.isEmpty() ? " defaults" : " " + std::to_string(number)));
    }
    void SaveSettings(const QString& ini, int number) override
    {
        g_events.push_back("save " + std::to_string(number));
        rtl::TIniFile(ini).WriteString(DeviceSectionName(number), "TypeDev", Name);
        if (onSave)
            onSave();
    }
    void GetEEPROM() override { g_events.push_back("read " + Name.toStdString()); }
    static inline std::function<void()> onSave;

protected:
    void Execute() override
    {
        uint16_t n = 0;
        while (!Terminated()) {
            if (mode == Pushing) {
                TVELTMeasurement m = ZeroMeasurement();
                m.SerialNumber = ++n;
                PushMeasurement(stack_, &m);
            } else if (mode == Synchronizing) {
                Synchronize([] { ++syncCalls; });
                continue;
            }
            Sleep(2);
        }
    }

private:
    TStackHooks stack_;
};

struct Fixture : ::testing::Test {
    testutil::TempDir dir;
    ctl::TScriptedMessageBoxPort boxes;
    RecordingFacade facade;
    TDriverFactory previous;

    Fixture()
    {
        g_events.clear();
        g_onDestroy = nullptr;
        FakeDriver::mode = FakeDriver::Idle;
        FakeDriver::onSave = nullptr;
        previous = TDevicesSources::SetDriverFactory(
            [](int kind, const QString& name, int typeId) -> std::unique_ptr<TDeviceDriver> {
                if (kind == 1 || kind == 10)
                    return std::make_unique<FakeDriver>(name, typeId);
                return nullptr;
            });
    }
    ~Fixture() override { TDevicesSources::SetDriverFactory(previous); }

    void Ini(const char* utf8) { testutil::writeFile(dir.file("VELT.ini"), rtl::toCp1251(QString::fromUtf8(utf8))); }
    rtl::TIniFile IniFile() { return rtl::TIniFile(dir.file("VELT.ini")); }
    std::unique_ptr<TManager> Start(bool withFacade = true)
    {
        auto m = std::make_unique<TManager>(true, dir.path(), nullptr);
        if (withFacade)
            m->CreateControlMeasure(&facade);
        m->Resume();
        return m;
    }
    bool Has(const std::string& event) const
    {
        return std::find(g_events.begin(), g_events.end(), event) != g_events.end();
    }
    int IndexOf(const std::string& event) const
    {
        return int(std::find(g_events.begin(), g_events.end(), event) - g_events.begin());
    }
};

const char* const kTwoSources = "[Device_002]\nTypeDev=VELT-A (тип 1)\nCOM=COM3\n[Other]\nkey=1\n[Device_007]\nTypeDev=VELT-B (тип 2)\n";

} // namespace

using Manager = Fixture;

TEST_F(Manager, OneRecordMakesOneBurstThatEndsAboutASecondLater)
{
    Ini(kTwoSources);
    auto m = Start();
    TVELTMeasurement rec = ZeroMeasurement();
    rec.SerialNumber = 1234;
    const auto pushed = steady_clock::now();
    ASSERT_TRUE(PushMeasurement(m->StackHooks(), &rec));
    ASSERT_TRUE(Pump([&] { return facade.calls.size() >= 4; }, 5000));
    EXPECT_EQ(facade.Sequence(), (std::vector<std::string>{"begin", "record", "end", "endburst"}));
    EXPECT_EQ(facade.calls[1].record.SerialNumber, 1234);
    EXPECT_EQ(facade.calls[1].counter, 1u);
    // The quiet second is counted from when the record left the stack, which is after the push and may be before
    // the window is handed the record.
    const auto ended = duration_cast<milliseconds>(facade.calls[2].at - pushed).count();
    EXPECT_GE(ended, 1000);
    EXPECT_LT(ended, 1000 + testutil::kPromptMs);
    EXPECT_LT(duration_cast<milliseconds>(facade.calls[1].at - pushed).count(), testutil::kPromptMs);
    EXPECT_FALSE(facade.offMainThread);
}

TEST(ControlMeasure, RecordsWithinASecondKeepOneBurstAndALateRecordOpensANewOne)
{
    RecordingFacade facade;
    std::atomic<uint32_t> tick{0xFFFFFC00u}; // the counter wraps during the burst
    TControlMeasure w(&facade, [&] { return tick.load(); });
    ASSERT_NE(facade.counter, nullptr) << "the counter is handed to the facade at once";
    for (int i = 0; i < 3; ++i) {
        w.Kick();
        facade.OnMeasurements(nullptr, 0); // stands for the record's delivery
        tick += 900;
    }
    EXPECT_EQ(*facade.counter, 3u);
    // 900 ms after the last kick: still open.
    Pump([] { return false; }, 250);
    EXPECT_TRUE(w.InBurst());
    tick += 101; // 1001 ms after the last kick
    ASSERT_TRUE(Pump([&] { return !w.InBurst(); }, 30000));
    EXPECT_EQ(facade.Sequence(), (std::vector<std::string>{"begin", "null", "null", "null", "end", "endburst"}));

    // A record that arrives while the end of a burst is on its way opens no burst of its own: it stays in the
    // open one, which the end then leaves open, and every record is followed by an end.
    facade.calls.clear();
    w.Kick();
    tick += 1500;
    // Wait without serving until the watchdog has queued its end-of-burst call, then kick first.
    for (int i = 0; i < 300 && ctl::PendingSynchronizeCalls() == 0; ++i)
        std::this_thread::sleep_for(milliseconds(10));
    w.Kick();
    ctl::ProcessSynchronizeQueue();
    EXPECT_TRUE(w.InBurst());
    tick += 1001;
    ASSERT_TRUE(Pump([&] { return !w.InBurst(); }, 30000));
    EXPECT_EQ(facade.Sequence(), (std::vector<std::string>{"begin", "end", "endburst"}));
    EXPECT_EQ(*facade.counter, 2u);

    EXPECT_TRUE(TControlMeasure::BurstOver(0x000001F5u, 0xFFFFFE00u));  // 1013 ms across the wrap
    EXPECT_FALSE(TControlMeasure::BurstOver(0x000001E7u, 0xFFFFFE00u)); // 999 ms
}

TEST(ControlMeasure, TheFacadeLetsGoOfTheCounterWhenTheWatchdogGoes)
{
    // Shut down in the middle of a burst: the journal still holds the counter it shows, and the manager (with its
    // watchdog) is freed before the journal facade.
    RecordingFacade facade;
    {
        TControlMeasure w(&facade);
        w.Kick();
        ASSERT_NE(facade.counter, nullptr);
        EXPECT_EQ(*facade.counter, 1u);
    }
    EXPECT_EQ(facade.counter, nullptr) << "the journal would read the counter of a freed watchdog";
}

TEST(ControlMeasure, AFailingEndOfBurstIsLoggedWithItsReasonAndTheNextBurstStillEnds)
{
    devtest::LogCapture log;
    struct Failing : RecordingFacade {
        bool fail = true;
        void EndBurst() override
        {
            RecordingFacade::EndBurst();
            if (std::exchange(fail, false))
                throw std::runtime_error("journal gone");
        }
    } facade;
    std::atomic<uint32_t> tick{0};
    TControlMeasure w(&facade, [&] { return tick.load(); });
    w.Kick();
    tick += 1001;
    ASSERT_TRUE(Pump([&] { return log.Contains("Ошибка во время контроля получения массива измерений: journal gone"); }, 30000))
        << log.Text().toStdString();
    w.Kick();
    tick += 1001;
    ASSERT_TRUE(Pump([&] { return facade.calls.size() >= 5; }, 30000));
    EXPECT_EQ(facade.Sequence(), (std::vector<std::string>{"begin", "end", "begin", "end", "endburst"}));
}

TEST_F(Manager, SourcesComeFromTheirSectionsWithTheirNumbers)
{
    Ini(kTwoSources);
    auto m = Start();
    EXPECT_EQ(m->GetSourceCount(), 2);
    EXPECT_EQ(m->GetCurrentSource(), 1);
    ASSERT_NE(m->Source(0), nullptr);
    EXPECT_EQ(m->Source(0)->GetNumber(), 2);
    EXPECT_EQ(m->Source(1)->GetNumber(), 7);
    EXPECT_EQ(m->Source(0)->GetTypeId(), 1);
    EXPECT_EQ(m->Source(1)->GetTypeId(), 5);
    EXPECT_EQ(m->Form()->pcListDevSource->tabText(0), QString::fromUtf8("VELT-A (тип 1)"));
    // Drivers are created, initialised, then read their sections; nobody was asked anything.
    EXPECT_LT(IndexOf("init VELT-A (тип 1)"), IndexOf("load VELT-A (тип 1) 2"));
    EXPECT_TRUE(Has("load VELT-B (тип 2) 7"));
    EXPECT_EQ(boxes.Count(), 0);
    m->ReadCurrentDevice();
    EXPECT_TRUE(Has("read VELT-B (тип 2)"));

    // Shut-down: every source saves in slot order, then its driver ends.
    m.reset();
    EXPECT_LT(IndexOf("save 2"), IndexOf("save 7"));
    EXPECT_LT(IndexOf("save 2"), IndexOf("destroy VELT-A (тип 1)"));
    EXPECT_EQ(IniFile().ReadString("Other", "key", ""), "1");
}

TEST_F(Manager, WithoutSourcesItOffersTheWindowAndCannotRead)
{
    boxes.Answer(ctl::IDCANCEL);
    auto m = Start();
    ASSERT_EQ(boxes.Count(), 1);
    auto asked = boxes.AskedSoFar();
    EXPECT_EQ(asked[0].text, QString::fromUtf8(
        "В программе не настроены приборы! Вы не сможете получать данные от приборов.\nЖелаете настроить их сейчас?\n"
        "Вы можете настроить их позже, открыв окно настроек: 'Опции\\Источники измерений'"));
    EXPECT_EQ(asked[0].caption, QString::fromUtf8("Внимание!"));
    EXPECT_EQ(asked[0].flags, ctl::MB_OKCANCEL | ctl::MB_ICONWARNING);
    m->ReadCurrentDevice();
    asked = boxes.AskedSoFar();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, QString::fromUtf8(
        "Не могу выполнить команду! Несчего считать! Попытка обратиться к несозданному устройству! \nСовет: "
        "Пересоздайте устройство.(Опции\\Источники измерений)"));
    EXPECT_EQ(asked[1].flags, ctl::MB_OK | ctl::MB_ICONSTOP);
}

TEST_F(Manager, NewSourcesTakeFreeNumbersAndASeventeenthIsRefused)
{
    Ini("[Device_000]\nTypeDev=x\n[Device_002]\nTypeDev=x\n");
    auto m = Start();
    m->AddDeviceClick();
    EXPECT_EQ(m->Source(2)->GetNumber(), 1) << "the gap after 0";
    EXPECT_EQ(m->GetCurrentSource(), 2);
    m->AddDeviceClick();
    EXPECT_EQ(m->Source(3)->GetNumber(), 3);
    // Numbers that do not rise with the slots: the walk would give 1 again; a free number is taken.
    m->Form()->pcListDevSource->setCurrentWidget(m->Source(1)->GetTabSheet());
    m->DeleteDeviceClick(); // number 2 goes, slot 1 is free
    m->AddDeviceClick();    // slot 1: the walk over slot 0 (number 0) gives 1, which slot 2 holds
    const int n1 = m->Source(1)->GetNumber();
    EXPECT_NE(n1, 1);
    std::set<int> numbers;
    for (int s = 0; s < 16; ++s)
        if (m->Source(s))
            EXPECT_TRUE(numbers.insert(m->Source(s)->GetNumber()).second) << "number used twice";
    while (m->Form()->pcListDevSource->count() < 16)
        m->AddDeviceClick();
    for (int s = 0; s < 16; ++s)
        ASSERT_LE(m->Source(s)->GetNumber(), 15);
    EXPECT_EQ(boxes.Count(), 0);
    m->AddDeviceClick();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Не удалось создать Устройство-Источник!"));
    EXPECT_EQ(m->Form()->pcListDevSource->count(), 16);
}

TEST_F(Manager, DeletingASourceErasesItsSectionAtOnce)
{
    Ini(kTwoSources);
    auto m = Start();
    m->Form()->pcListDevSource->setCurrentWidget(m->Source(0)->GetTabSheet());
    m->DeleteDeviceClick();
    EXPECT_EQ(m->Source(0), nullptr);
    EXPECT_TRUE(Has("destroy VELT-A (тип 1)"));
    EXPECT_EQ(m->Form()->pcListDevSource->count(), 1);
    auto ini = IniFile();
    EXPECT_FALSE(ini.SectionExists("Device_002"));
    EXPECT_TRUE(ini.SectionExists("Device_007"));
    EXPECT_EQ(ini.ReadString("Other", "key", ""), "1");
    // No page of a source active: nothing found.
    m->Form()->pcListDevSource->setCurrentIndex(-1);
    auto* stray = new QWidget;
    m->Form()->pcListDevSource->addTab(stray, "x");
    m->Form()->pcListDevSource->setCurrentWidget(stray);
    m->DeleteDeviceClick();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Не найдено!"));
}

TEST_F(Manager, UnknownAndNotYetBuiltTypes)
{
    Ini("[Device_000]\nTypeDev=VELT-X\nCOM=COM1\n[Device_001]\nTypeDev=VELT-C\nAutoEnum=1\nCOM=COM4\n");
    auto m = Start();
    // A text not in the list: no type, no driver, the tab keeps its first caption.
    EXPECT_EQ(m->Source(0)->GetTypeId(), 0);
    EXPECT_EQ(m->Source(0)->GetDevice(), nullptr);
    EXPECT_EQ(m->Form()->pcListDevSource->tabText(0), QString::fromUtf8("Ещё не определённый источник"));
    // VELT-C has a type but its driver is not in the program: the type shows, nothing runs.
    EXPECT_EQ(m->Source(1)->GetTypeId(), 7);
    EXPECT_EQ(m->Source(1)->GetDevice(), nullptr);
    EXPECT_EQ(m->Form()->pcListDevSource->tabText(1), QString::fromUtf8("VELT-C"));
    m->Form()->pcListDevSource->setCurrentIndex(0);
    m->ReadCurrentDevice(); // current is slot 1: nothing to ask
    EXPECT_EQ(boxes.Count(), 0);
    m->Source(0)->Read();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.AskedSoFar()[0].text.startsWith(QString::fromUtf8("Попытка обратиться к устройсвту с неопределённом типом!\nСовет:")));
    m.reset();
    // Saved at the end: the unknown type leaves its section as it was, VELT-C keeps its keys.
    auto ini = IniFile();
    EXPECT_EQ(ini.ReadString("Device_000", "TypeDev", ""), "VELT-X");
    EXPECT_EQ(ini.ReadString("Device_001", "TypeDev", ""), "VELT-C");
    EXPECT_EQ(ini.ReadString("Device_001", "COM", ""), "COM4");
    EXPECT_EQ(ini.ReadString("Device_001", "AutoEnum", ""), "1");
}

TEST_F(Manager, ATypeChangeEndsTheOldDriverFirstAndCannotBeCutShort)
{
    Ini(kTwoSources);
    auto m = Start();
    TDevicesSources* s = m->Source(0);
    g_events.clear();
    // While the old driver ends, something tries to delete this very source and to start a second change.
    bool tried = false;
    g_onDestroy = [&] {
        if (tried)
            return;
        tried = true;
        m->Form()->pcListDevSource->setCurrentWidget(s->GetTabSheet());
        m->DeleteDeviceClick();
        m->AddDeviceClick();
        s->TypeChange();
    };
    s->TypeCombo()->setCurrentIndex(4); // "VELT-B (тип 2)"
    s->TypeChange();
    EXPECT_TRUE(tried);
    EXPECT_EQ(m->Source(0), s) << "the source survived its own change";
    EXPECT_EQ(m->Source(2), nullptr) << "no source added in the middle of a change";
    EXPECT_EQ(g_events, (std::vector<std::string>{"destroy VELT-A (тип 1)", "create VELT-B (тип 2)",
                                                  "init VELT-B (тип 2)", "load VELT-B (тип 2) defaults"}));
    EXPECT_EQ(s->GetTypeId(), 5);
    EXPECT_TRUE(s->TypeCombo()->isEnabled());
}

TEST_F(Manager, ShutDownNeverHangs)
{
    Ini(kTwoSources);
    for (int round = 0; round < 8; ++round) {
        facade.calls.clear();
        auto m = Start();
        // Mid-burst, with the drivers pushing (or calling the main thread) and the manager delivering.
        FakeDriver::mode = round % 2 ? FakeDriver::Pushing : FakeDriver::Synchronizing;
        if (round % 2)
            ASSERT_TRUE(Pump([&] { return facade.Records() > 3; }, 30000));
        else
            ASSERT_TRUE(Pump([&] { return FakeDriver::syncCalls > 3; }, 30000));
        TVELTMeasurement rec = ZeroMeasurement();
        PushMeasurement(m->StackHooks(), &rec);
        Pump([&] { return facade.Records() > 0; }, 2000);
        int recordsAtSave = -1;
        FakeDriver::onSave = [&] { if (recordsAtSave < 0) recordsAtSave = facade.Records(); };
        const auto t = steady_clock::now();
        m.reset();
        const auto took = duration_cast<milliseconds>(steady_clock::now() - t).count();
        EXPECT_LT(took, testutil::kPromptMs) << "round " << round;
        EXPECT_EQ(facade.Records(), recordsAtSave) << "a record reached the journal after the manager ended";
        FakeDriver::mode = FakeDriver::Idle;
        FakeDriver::onSave = nullptr;
    }
}

TEST_F(Manager, TheWindowListsTheSevenTypesAndItsButtonsAddAndDelete)
{
    boxes.Answer(ctl::IDOK); // "configure them now?": the window opens
    bool shown = false;
    testutil::DialogScript dialogs;
    dialogs.Then<TfmFormManager>([&](TfmFormManager* form) {
        shown = true;
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Источники измерений. Приборы, подключённые к ПК"));
        EXPECT_EQ(form->bCreateDev->text(), QString::fromUtf8("Создать."));
        EXPECT_EQ(form->bDeleteDev->text(), QString::fromUtf8("Удалить."));
        form->bCreateDev->click();
        form->bCreateDev->click();
        form->bDeleteDev->click(); // the page just made is the active one
        form->reject();
    });
    auto m = Start();
    EXPECT_TRUE(shown);
    EXPECT_EQ(m->Form()->pcListDevSource->count(), 1);
    ASSERT_NE(m->Source(0), nullptr);
    EXPECT_EQ(m->Source(1), nullptr);
    EXPECT_EQ(m->Source(0)->GetNumber(), 0);
    EXPECT_EQ(m->Form()->pcListDevSource->tabText(0), QString::fromUtf8("Ещё не определённый источник"));

    const char* texts[] = {"VELT-A (тип 1)", "VELT-A (тип 2)", "VELT-A СЕТЕВЫЕ (тип 1)", "VELT-B (тип 1)",
                           "VELT-B (тип 2)", "VELT-B АЛКОЗАМОК", "VELT-C"};
    const int kinds[] = {1, 10, 2, 1, 10, 11, 20};
    QComboBox* combo = m->Source(0)->TypeCombo();
    ASSERT_EQ(combo->count(), 7);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->placeholderText(), QString::fromUtf8("Выберите тип устройства"));
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(combo->itemText(i), QString::fromUtf8(texts[i]));
        EXPECT_EQ(kDeviceTypes[i].id, i + 1);
        EXPECT_EQ(kDeviceKinds[i], kinds[i]);
    }
    // Applying with nothing chosen is refused.
    boxes.Clear();
    m->Source(0)->ApplyClick();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Не выбран тип Устройства!"));
    // Choosing a type names the page after it.
    combo->setCurrentIndex(3);
    m->Source(0)->TypeChange();
    EXPECT_EQ(m->Form()->pcListDevSource->tabText(0), QString::fromUtf8("VELT-B (тип 1)"));
    EXPECT_TRUE(Has("load VELT-B (тип 1) defaults"));
    m.reset();
    EXPECT_EQ(IniFile().ReadString("Device_000", "TypeDev", ""), QString::fromUtf8("VELT-B (тип 1)"));
}

TEST_F(Manager, AFailingDeliveryIsLoggedAndTheNextRecordStillArrives)
{
    devtest::LogCapture log;
    Ini(kTwoSources);
    auto m = Start();
    bool thrown = false;
    facade.onRecord = [&] {
        if (!thrown) {
            thrown = true;
            throw std::runtime_error("journal failed");
        }
    };
    TVELTMeasurement rec = ZeroMeasurement();
    PushMeasurement(m->StackHooks(), &rec);
    ASSERT_TRUE(Pump([&] { return facade.Records() == 1; }, 30000));
    rec.SerialNumber = 2;
    PushMeasurement(m->StackHooks(), &rec);
    ASSERT_TRUE(Pump([&] { return facade.Records() == 2; }, 30000));
    EXPECT_EQ(facade.calls.back().record.SerialNumber, 2);
    EXPECT_TRUE(log.Contains("Ошибка во время получения измерений из стека: journal failed"));
}
