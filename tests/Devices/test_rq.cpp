#include "db/DBInfoPribors.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/IniFile.h"
#include "test_rq_fixture.h"

#include <QDir>
#include <gtest/gtest.h>

#include <ctime>

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

    ASSERT_TRUE(rig.Identified(15000)) << rig.driver->LogText().toStdString();
    ASSERT_TRUE(Pump([&] { return d->cbPort->isEnabled(); })) << "identification hands the port list back";
    EXPECT_EQ(d->GetPortNumber(), 241);
    EXPECT_EQ(d->cbPort->currentText(), "COM241");
    EXPECT_TRUE(d->cbPort->isEnabled());
    EXPECT_TRUE(d->bGetEEPROM->isEnabled());
    EXPECT_EQ(d->lbStatus->text(), U("Статус: Открыт успешно"));
    EXPECT_EQ(d->lbSerialValue->text(), "70123");
    EXPECT_EQ(d->lbDateValue->text(), "20.05.2011");
    EXPECT_EQ(d->lbCountValue->text(), "42");
    const QString log = d->LogText();
    for (const char* line : {"COM241 - Открыт успешно.", "Прибор обнаружен:", "Получение текущего режима работы - OK    -/-",
                             "Загрузка констант VELT...", "Номер прибора: 70123", "Версия ПО прибора: 0,10",
                             "Дата поверки прибора: 20.05.2011",
                             "Получение инф. блока, содержащего необходимые сведения...",
                             "Текущие дата и время прибора: 01.03.2012 10:00:0", "Всего произведено выдохов: 42"})
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
    EXPECT_TRUE(d->LogText().contains(U("Произведён выдох:\nНомер прибора: 4587,\nВремя измерения 01.03.2012 10:01:00,\n"
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
