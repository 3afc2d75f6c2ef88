#include "Devices/DevicesSources.h"
#include "Devices/VELT_C/Velt_c.h"
#include "db/DBInfoPribors.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/IniFile.h"
#include "test_rq_fixture.h"

#include <QDir>
#include <gtest/gtest.h>

#include <ctime>
#include <stdexcept>
#include <sys/resource.h>

using namespace rqtest;
using devtest::Pump;

namespace {

LongTime at(const char* text)
{
    return DateTimeTextToLong(QString::fromLatin1(text));
}

QString when(double t)
{
    return rtl::FormatDateTime(QStringLiteral("yyyy.mm.dd hh:nn:ss"), t);
}

} // namespace

TEST(RqDriver, FindsTheInstrumentByAutoSearchIdentifiesRecordsAndPollsEachNewResultOnce)
{
    testutil::TempDir work;
    QDir(work.path()).mkpath(QStringLiteral("DATABASE"));
    TDBInfoPribors info(work.path());
    SilentPort silent(240);
    Sim sim(241, {"--model", "5", "--serial", "70123", "--firmware", "0010", "--life", "42", "--accuracy", "0.005",
                  "--results", "0.123,0.456", "--interrupted", "1", "--result-every", "1500",
                  "--clock", "2012-03-01 10:00:00", "--norm", "0.16"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5, &info);
    rig.StartConsumer();
    rig.Choose(240, true);

    ASSERT_TRUE(rig.Identified(15000)) << rig.driver->Panel()->LogText().toStdString();
    ASSERT_TRUE(Pump([&] { return d->Panel()->cbPort->isEnabled(); })) << "identification hands the port list back";
    EXPECT_EQ(d->GetPortNumber(), 241);
    EXPECT_EQ(d->Panel()->cbPort->currentText(), "COM241");
    EXPECT_TRUE(d->Panel()->cbPort->isEnabled());
    EXPECT_TRUE(d->Panel()->bGetEEPROM->isEnabled());
    EXPECT_EQ(d->Panel()->lbStatus->text(), U("Статус: Открыт успешно"));
    EXPECT_EQ(d->Panel()->lbSerialValue->text(), "70123");
    EXPECT_EQ(d->Panel()->lbDateValue->text(), "20.05.2011");
    EXPECT_EQ(d->Panel()->lbCountValue->text(), "42");
    const QString log = d->Panel()->LogText();
    for (const char* line : {"COM241 - Открыт успешно.", "Прибор обнаружен:", "Получение текущего режима работы - OK    -/-",
                             "Загрузка констант VELT...", "Номер прибора: 70123", "Версия ПО прибора: 0,10",
                             "Дата поверки прибора: 20.05.2011",
                             "Получение инф. блока, содержащего необходимые сведения...",
                             "Текущие дата и время прибора: 01.03.2012 10:0", "Всего произведено выдохов: 42"})
        EXPECT_TRUE(log.contains(U(line))) << line;
    // The exchange log starts afresh at each port change; the program log keeps the silent port's lines.
    EXPECT_FALSE(log.contains(U("COM240")));
    for (const char* line : {"COM240 - Открыт успешно.", "SetCommPort_b: TestConnectAlkan -tryning 1", "Прибор не обнаружен"})
        EXPECT_TRUE(rig.log.Contains(line)) << line;

    // Recorded once in the instrument information table.
    const TInfoPribCopy copy = info.Snapshot();
    ASSERT_EQ(copy.Count(), 1);
    const TInfoPriborRecord& row = copy.Instruments()[0].rows.at(0);
    EXPECT_EQ(row.PRIBOR, 70123u);
    EXPECT_EQ(row.PRIBMODEL, 5);
    EXPECT_EQ(row.FIRMWARE, 0x0010);
    EXPECT_EQ(row.DATEPOVER, at("2011.05.20"));
    EXPECT_EQ(row.DATECONST, at("2011.05.19"));
    EXPECT_EQ(row.NORMA, 0.16);
    EXPECT_EQ(row.LIFEZAPIS, 42u);
    EXPECT_EQ(row.T_VIDOH, 3);
    EXPECT_GE(row.DATEPRIB, at("2012.03.01 10:00:00"));
    EXPECT_TRUE(rig.log.Contains("Запись новой информации о приборе SN[70123](2011.05.19 00:00:00) - Выполнено!"));

    // Both results, each once, in the stack.
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 2; }, 10000)) << rig.log.Text().toStdString();
    Pump([] { return false; }, 1200); // a further poll or two takes nothing new
    const auto records = rig.Records();
    ASSERT_EQ(records.size(), 2u);
    struct Want { double value; const char* time; int exhale; };
    const Want want[] = {{0.125, "2012.03.01 10:00:00", 0}, {0.455, "2012.03.01 10:01:00", 1}};
    for (size_t i = 0; i < 2; ++i) {
        const TVELTMeasurement& m = records[i];
        EXPECT_NEAR(m.Probe.AlcResult, want[i].value, 1e-6);
        EXPECT_EQ(when(m.Probe.Timestamp), want[i].time);
        EXPECT_EQ(m.Probe.Exhale, want[i].exhale);
        EXPECT_EQ(m.SerialNumber, 70123 & 0xFFFF);
        EXPECT_EQ(QByteArray(m.Model), rtl::toCp1251(U("VELT-B (тип")));
        EXPECT_EQ(when(m.VerificationDate), "2011.05.20 00:00:00");
        EXPECT_EQ(m.ModelCode, 13u);
        EXPECT_EQ(m.DeviceType, 5u);
        EXPECT_EQ(m.Probe.RecordType, 1u);
        EXPECT_EQ(m.Probe.nMeasure, 0u);
        EXPECT_EQ(m.NetNumber, 0);
    }
    EXPECT_TRUE(d->Panel()->LogText().contains(U("Произведён выдох:\nНомер прибора: 4587,\nВремя измерения 01.03.2012 10:01:00,\n"
                                        "Измерение: 0.455 мг/л,\nСтатус выдоха: (прерван),\nФамилия обследуемого: '',\n"
                                        "Фамилия инспектора: ''.")));
    EXPECT_EQ(rig.boxes.Count(), 0);

    // Settings: the port found is the one saved.
    const QString ini = work.file("VELT.ini");
    d->SaveSettings(ini, 2);
    rtl::TIniFile f(ini);
    EXPECT_EQ(f.ReadString("Device_002", "TypeDev", ""), U("VELT-B (тип 2)"));
    EXPECT_EQ(f.ReadString("Device_002", "COM", ""), "COM241");
    EXPECT_EQ(f.ReadString("Device_002", "AutoEnum", ""), "1");
}

TEST(RqDriver, AResultWhoseInfoBlockFailsIsTakenAtTheNextPollAndAnAccuracyOf0FilesItUnrounded)
{
    Sim sim(262, {"--accuracy", "0", "--results", "0.1234", "--fault", "poll-info-bad*5"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    rig.StartConsumer();
    rig.Choose(262);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(rig.LogHas("Внимание! не могу получить сведения о приборе."));
    EXPECT_EQ(rig.RecordCount(), 0u);
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() == 1; }, 5000)) << d->Panel()->LogText().toStdString();
    Pump([] { return false; }, 700);
    const auto records = rig.Records();
    ASSERT_EQ(records.size(), 1u) << "taken once";
    EXPECT_NEAR(records[0].Probe.AlcResult, 0.1234, 1e-6);
    EXPECT_TRUE(rig.log.Contains("Current measure: info blok - tryning 1"));
    EXPECT_TRUE(rig.log.Contains("Current measure: not return info blok - error"));
}

TEST(RqDriver, PortChoicesThatFailAreToldAsThePanelShowsThem)
{
    Rig rig;
    TVelt_B* d = rig.Make("VELT-A (тип 2)", 2);
    d->Panel()->cbAutoEnum->setChecked(false);

    // No digits in the list's text: port 0.
    d->Panel()->cbPort->setCurrentIndex(-1);
    d->Panel()->PortChange();
    ASSERT_TRUE(Pump([&] { return d->Panel()->cbPort->isEnabled(); }, 5000));
    ASSERT_EQ(rig.boxes.Count(), 1);
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].text, U("В системе не может быть порт COM 0 !"));
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].caption, "Error");
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].flags, ctl::MB_OK | ctl::MB_ICONSTOP);
    EXPECT_EQ(d->Panel()->lbStatus->text(), U("Статус: Ошибка открытия!"));

    // Not among the ports present, and held by someone else.
    d->Panel()->cbPort->addItem(QStringLiteral("COM239"));
    d->Panel()->cbPort->setCurrentIndex(d->Panel()->cbPort->count() - 1);
    d->Panel()->PortChange();
    ASSERT_TRUE(rig.LogHas("Прибор не обнаружен"));
    EXPECT_TRUE(d->Panel()->LogText().contains(U("COM239 - Порт не найден!")));
    EXPECT_EQ(d->Panel()->lbStatus->text(), U("Статус: Порт не найден!"));
    ASSERT_TRUE(Pump([&] { return d->Panel()->cbPort->isEnabled(); }, 5000));

    SilentPort held(238);
    TSerialPort other;
    ASSERT_TRUE(other.Open(238));
    rig.Choose(238);
    ASSERT_TRUE(rig.LogHas("COM238 - Ошибка открытия!"));
    EXPECT_EQ(d->Panel()->lbStatus->text(), U("Статус: Ошибка открытия!"));
    EXPECT_EQ(d->GetPortNumber(), -1);
    EXPECT_EQ(rig.boxes.Count(), 1) << "only port 0 has a box";

    // Asked to read with no instrument recognised.
    ASSERT_TRUE(Pump([&] { return d->Panel()->cbPort->isEnabled(); }, 5000));
    rig.boxes.Clear();
    d->GetEEPROM();
    ASSERT_EQ(rig.boxes.Count(), 1);
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].text,
              U("Не могу выполнить команду! Прибор не распознан какVELT-A (тип 2)! \nСовет: Выберите другой порт.(Опции\\"
                "Источники измерений)"));
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].caption, U("Внимание!"));

    // Settings: no port saved is no port chosen; a saved port is chosen again.
    testutil::TempDir dir;
    const QString ini = dir.file("VELT.ini");
    d->SaveSettings(ini, 4);
    EXPECT_EQ(rtl::TIniFile(ini).ReadString("Device_004", "COM", "x"), " ");
    EXPECT_EQ(rtl::TIniFile(ini).ReadString("Device_004", "AutoEnum", "x"), "0");
    other.Close();
    d->LoadSettings(ini, 4);
    EXPECT_TRUE(d->Panel()->cbPort->isEnabled()) << "no port request";
    rtl::TIniFile(ini).WriteString("Device_004", "COM", "COM238");
    d->LoadSettings(ini, 4);
    EXPECT_EQ(d->Panel()->cbPort->currentText(), "COM238");
    EXPECT_FALSE(d->Panel()->cbPort->isEnabled());
    ASSERT_TRUE(rig.LogHas("COM238 - Открыт успешно."));
}

TEST(RqDriver, AnIdleDriverOnASilentLineUsesNoMeasurableTimeAndEndsAtOnce)
{
    auto cpu = [] {
        rusage r{};
        getrusage(RUSAGE_SELF, &r);
        return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    };
    SilentPort silent(263);
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    // First with no port at all, then polling a line where nobody answers.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            rig.Choose(263);
            ASSERT_TRUE(rig.LogHas("Прибор не обнаружен"));
        }
        // A spinning poll would burn most of this second.
        const double c0 = cpu();
        Pump([] { return false; }, 1000);
        EXPECT_LT(cpu() - c0, 0.1) << "pass " << pass;
    }
    EXPECT_TRUE(rig.log.Contains("Current measure: Alc_get_result - error"));
    const auto t0 = std::chrono::steady_clock::now();
    d->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(testutil::kPromptMs));
}

TEST(RqDriver, TheSourcesMakeTheRequestAndAnswerDriversOfTheirKinds)
{
    struct Case { int kind; const char* name; int typeId; bool interlock; };
    const Case cases[] = {{10, "VELT-A (тип 2)", 2, false}, {10, "VELT-B (тип 2)", 5, false}, {11, "VELT-B АЛКОЗАМОК", 6, true}};
    for (const Case& c : cases) {
        const std::unique_ptr<TDeviceDriver> d = TDevicesSources::CreateDriver(c.kind, U(c.name), c.typeId);
        auto* rq = dynamic_cast<TVelt_B*>(d.get());
        ASSERT_NE(rq, nullptr) << c.name;
        EXPECT_EQ(dynamic_cast<TVelt_B_ALKOZAMOK*>(d.get()) != nullptr, c.interlock);
        EXPECT_EQ(rq->Name, U(c.name));
        EXPECT_EQ(rq->TypeId, c.typeId);
    }
}

TEST(RqDriver, TheAutoSearchPassesByAnInstrumentOfAnotherKind)
{
    // The search starts on the first port, where an instrument of another kind answers, and finds its own on the
    // next.
    struct Case {
        const char* name;
        int typeId;
        QStringList other, own;
        int otherModel;
    };
    const Case cases[] = {
        {"VELT-B АЛКОЗАМОК", 6, {"--model", "5"}, {"--model", "4"}, 5},
        {"VELT-B (тип 2)", 5, {"--model", "4"}, {"--model", "5"}, 4},
        {"VELT-C", 7, {"--model", "5"}, {"--velt-c"}, 5},
    };
    int port = 271;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sim other(port, c.other + QStringList{"--serial", "1111", "--life", "3"});
        Sim own(port + 1, c.own + QStringList{"--serial", "2222", "--life", "3"});
        Rig rig;
        TVelt_B* d = c.typeId == 6 ? rig.Make<TVelt_B_ALKOZAMOK>(c.name, c.typeId)
                     : c.typeId == 7 ? rig.Make<TVelt_C>(c.name, c.typeId)
                                     : rig.Make(c.name, c.typeId);
        rig.Choose(port, true);
        ASSERT_TRUE(rig.Identified(30000)) << rig.log.Text().toStdString();
        EXPECT_EQ(d->GetPortNumber(), port + 1);
        EXPECT_EQ(d->Panel()->lbSerialValue->text(), "2222");
        EXPECT_TRUE(rig.log.Text().contains(U("Прибор другого типа (модель %1), не %2 - ищем дальше").arg(c.otherModel).arg(U(c.name))));
        EXPECT_EQ(other.Count(QStringLiteral("req 7 65535")), 0) << "the other instrument is not identified";
        port += 2;
    }
}

TEST(RqDriver, TheThreadSearchesIdentifiesAndDownloadsWhileTheMainThreadServesNothing)
{
    // The thread keeps its port, its settings and what it shows itself; the panel takes what it published when
    // the main thread comes round. A thread that asked the panel for its port, or searched by choosing in the
    // port list, would stand still here.
    struct Case {
        const char* name;
        int typeId;
        QStringList args;
    };
    const Case cases[] = {{"VELT-B (тип 2)", 5, {"--model", "5"}}, {"VELT-C", 7, {"--velt-c"}}};
    int port = 291;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SilentPort silent(port);
        Sim sim(port + 1, c.args + QStringList{"--serial", "2222", "--life", "3"});
        Rig rig;
        TVelt_B* d = c.typeId == 7 ? rig.Make<TVelt_C>(c.name, c.typeId) : rig.Make(c.name, c.typeId);
        TRqPanel* p = d->Panel();
        rig.StartConsumer();
        rig.Choose(port, true);
        ASSERT_TRUE(devtest::WaitUnserved([&] { return rig.log.Contains("Всего произведено выдохов: 3"); }))
            << rig.log.Text().toStdString();
        EXPECT_EQ(d->GetPortNumber(), port + 1);
        EXPECT_EQ(p->lbSerialValue->text(), "---") << "shown once the main thread takes it";
        ASSERT_TRUE(Pump([&] { return p->bGetEEPROM->isEnabled(); }));
        EXPECT_EQ(p->cbPort->currentText(), QStringLiteral("COM%1").arg(port + 1));
        EXPECT_EQ(p->lbSerialValue->text(), "2222");
        EXPECT_TRUE(p->LogText().contains(U("Всего произведено выдохов: 3")));

        d->GetEEPROM();
        ASSERT_TRUE(devtest::WaitUnserved([&] { return rig.RecordCount() == 3; })) << rig.log.Text().toStdString();
        ASSERT_TRUE(Pump([&] { return p->LogText().endsWith(U("Запрос данных завершён.")); }))
            << p->LogText().right(400).toStdString();
        EXPECT_FALSE(p->EEPROMWindow()->isVisible());
        EXPECT_EQ(p->EEPROMWindow()->lbSerialNum->text(), "2222");
        EXPECT_EQ(rig.boxes.Count(), 0);
        port += 2;
    }
}

TEST(RqDriver, AStepThatFailsIsLoggedWithItsReasonAndTheThreadGoesOn)
{
    // Boxes that cannot be shown: the port step that raises one fails with the reason, and the next choice is
    // served as ever.
    struct Refusing : ctl::TMessageBoxPort {
        TMessageBoxPort* previous = ctl::SetMessageBoxPort(this);
        ~Refusing() override { ctl::SetMessageBoxPort(previous); }
        int Show(const QString&, const QString&, unsigned) override { throw std::runtime_error("no screen for boxes"); }
    };
    Sim sim(296, {"--serial", "3333"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    {
        Refusing refusing;
        TRqPanel* p = d->Panel();
        p->cbAutoEnum->setChecked(false);
        p->cbPort->setCurrentIndex(-1); // "---": port 0, which has its box
        p->PortChange();
        ASSERT_TRUE(Pump([&] { return rig.log.Contains("VELT-B (тип 2) Execute: error: no screen for boxes"); }))
            << rig.log.Text().toStdString();
    }
    rig.Choose(296);
    ASSERT_TRUE(rig.Identified());
    EXPECT_EQ(d->Panel()->lbSerialValue->text(), "3333");
}
