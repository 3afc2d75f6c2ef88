// The VELT-C driver: its memory records become journal records with every text and the air result; the
// download walks one record a block and hands them over in the order read; it never asks for a live result.
#include "Devices/VELT_B/Velt_B_Time.h"
#include "Devices/VELT_C/Velt_c.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "test_rq_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <map>
#include <thread>

using namespace rqtest;
using devtest::Pump;

namespace {

std::string text(const char* field)
{
    return rtl::fromCp1251(QByteArray(field)).toStdString();
}

QString when(double t)
{
    return rtl::FormatDateTime(QStringLiteral("yyyy.mm.dd hh:nn:ss"), t);
}

// Each thread of this process and how often it has gone to sleep so far.
std::map<QString, long> threadWaits()
{
    std::map<QString, long> waits;
    for (const QString& id : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/self/task/%1/status").arg(id));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                waits[id] = line.mid(24).trimmed().toLong();
    }
    return waits;
}

} // namespace

TEST(VeltC, AnIdleDriverSleepsUntilItIsAskedAndEndsAtOnce)
{
    SilentPort port(235);
    // A sanitizer's own helper thread starts with the process's first thread and wakes ten times a second: let it
    // start before the count, so that only the driver's threads are new.
    std::thread([] {}).join();
    const auto before = threadWaits();
    Rig rig;
    auto* d = rig.Make<TVelt_C>("VELT-C", 7);
    // Nothing asked: the driver's thread goes to sleep once and stays asleep (a timer would wake it twice a second).
    Pump([] { return false; }, 300);
    std::map<QString, long> driverThreads;
    for (const auto& [id, n] : threadWaits())
        if (!before.count(id))
            driverThreads[id] = n;
    ASSERT_FALSE(driverThreads.empty());
    Pump([] { return false; }, 2000);
    const auto after = threadWaits();
    for (const auto& [id, n] : driverThreads)
        EXPECT_LE(after.at(id) - n, 1) << "thread " << id.toStdString();
    // A port chosen wakes it, and it is tried.
    rig.Choose(235);
    ASSERT_TRUE(rig.LogHas("Прибор не обнаружен"));
    const auto t0 = std::chrono::steady_clock::now();
    d->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(testutil::kPromptMs));
}

TEST(VeltC, AMemoryRecordBecomesAJournalRecord)
{
    proto::TVELTEepromRecord r;
    r.Exhale = 0xAB06; // state 2 in the two low bits
    r.datetime = DateTimeTextToLong(QStringLiteral("2024.03.05 14:07:09"));
    r.nMeasure = 4242;
    r.AlcResult = -0.1234f;
    r.AirResult = 0.0612f;
    const char* parts[10] = {"Константинопольский", "Иван", "Петрович", "Москва", "А123ВС77",
                             "Сидоров", "Пётр", "Ильич", "ОБ ДПС", "12345678901234567890"};
    for (int i = 0; i < 10; ++i)
        r.texts[i] = rtl::toCp1251(QString::fromUtf8(parts[i])).toStdString();
    // Through the record's bytes: the last field holds 20 bytes and no zero byte.
    uint8_t bytes[proto::TVELTEepromRecord::kSize];
    r.Write(bytes);
    const proto::TVELTEepromRecord back = proto::TVELTEepromRecord::Read(bytes);
    EXPECT_EQ(back.texts[9].size(), 20u);

    const TVELTMeasurement m = VeltCMeasurement(back, 0x12345, DateTimeTextToLong(QStringLiteral("2023.01.02 00:00:00")),
                                                0.005f, 7);
    EXPECT_EQ(m.NetNumber, 0);
    EXPECT_EQ(m.SerialNumber, 0x2345);
    EXPECT_STREQ(m.Model, "VELT-C");
    EXPECT_EQ(when(m.VerificationDate), "2023.01.02 00:00:00");
    EXPECT_EQ(when(m.Probe.Timestamp), "2024.03.05 14:07:09");
    EXPECT_NEAR(m.Probe.AlcResult, 0.125, 1e-9);
    EXPECT_NEAR(m.Probe.AirResult, 0.060, 1e-6);
    EXPECT_EQ(m.Probe.Exhale, 2);
    EXPECT_EQ(m.Probe.nMeasure, 4242u);
    EXPECT_EQ(text(m.Probe.SurvLastName), "Константин"); // the first 10 characters
    EXPECT_EQ(text(m.Probe.SurvName), "Иван");
    EXPECT_EQ(text(m.Probe.SurvPatronymic), "Петрович");
    EXPECT_EQ(text(m.Probe.SurvPlace), "Москва");
    EXPECT_EQ(text(m.Probe.NumberAuto), "А123ВС77");
    EXPECT_EQ(text(m.Probe.InsLastName), "Сидоров");
    EXPECT_EQ(text(m.Probe.InsName), "Пётр");
    EXPECT_EQ(text(m.Probe.InsPatronymic), "Ильич");
    EXPECT_EQ(text(m.Probe.InsDepartment), "ОБ ДПС");
    EXPECT_EQ(text(m.Probe.InsNumber), "1234567890");
    EXPECT_EQ(m.Probe.Flag, 0);
    EXPECT_EQ(m.Probe.RecordType, 1u);
    EXPECT_EQ(m.ModelCode, 20u);
    EXPECT_EQ(m.DeviceType, 7u);
}

TEST(VeltC, TheMemoryIsHandedOverInTheOrderReadWithEveryText)
{
    Sim sim(231, {"--velt-c", "--serial", "777", "--life", "4", "--person", "Иванов,Иван,Иванович,Тверь,К001КК",
                  "--inspector", "Петров,Пётр,Петрович,ГИБДД,0042", "--fault", "noise*3"});
    Rig rig;
    auto* d = rig.Make<TVelt_C>("VELT-C", 7);
    rig.StartConsumer();
    rig.Choose(231);
    ASSERT_TRUE(rig.Identified()) << d->Panel()->LogText().toStdString();
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    TfmVelt_B_EEPROM* w = d->Panel()->EEPROMWindow();
    ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().endsWith(U("Запрос данных завершён.")); }, 20000))
        << d->Panel()->LogText().toStdString();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->lbNamePribor->text(), U("VELT-C"));
    EXPECT_EQ(w->lbState->text(), U("Запрос данных завершён."));
    const QString log = d->Panel()->LogText();
    for (const char* line : {"Загрузка  : Блок 0...", "Загрузка  : Блок 3...", "Анализ полученных блоков - Завершён! Записей 4",
                             "Передача...: записей = 4, номер первой записи = 0", "Передача...: Запись 3, абсолютный номер 3"})
        EXPECT_TRUE(log.contains(U(line))) << line;
    EXPECT_FALSE(log.contains(U("Получение текущего режима работы"))) << "no operating-mode step";
    EXPECT_FALSE(log.contains(U("Версия ПО прибора"))) << "no firmware line";

    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 4; }, 5000));
    const auto records = rig.Records();
    ASSERT_EQ(records.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        const TVELTMeasurement& m = records[size_t(k)];
        rtl::SystemTime st{};
        LongToSystemTime(DateTimeTextToLong(QStringLiteral("2011.06.01 08:00:00")) + LongTime(k) * 60, st);
        EXPECT_EQ(when(m.Probe.Timestamp), when(rtl::SystemTimeToDateTime(st))) << k;
        EXPECT_EQ(m.Probe.Exhale, k % 4);
        EXPECT_EQ(m.Probe.nMeasure, uint32_t(k + 1));
        EXPECT_NEAR(m.Probe.AlcResult, RoundToStep(float(k) / 1000.0f, 0.005f), 1e-9);
        EXPECT_NEAR(m.Probe.AirResult, RoundToStep(float(k) / 100.0f, 0.005f), 1e-9);
        EXPECT_EQ(text(m.Probe.SurvLastName), "Иванов");
        EXPECT_EQ(text(m.Probe.NumberAuto), "К001КК");
        EXPECT_EQ(text(m.Probe.InsDepartment), "ГИБДД");
        EXPECT_EQ(text(m.Probe.InsNumber), "0042");
        EXPECT_EQ(m.SerialNumber, 777);
        EXPECT_EQ(m.ModelCode, 20u);
        EXPECT_EQ(m.DeviceType, 7u);
    }
    // Its measurements come only by download: no live result is ever asked for.
    EXPECT_EQ(sim.Count(QStringLiteral("req 2")), 0);
    EXPECT_EQ(rig.boxes.Count(), 0);
}

TEST(VeltC, BlocksOfAnotherModelAreReadButNothingIsStored)
{
    Sim sim(232, {"--velt-c", "--model", "5", "--life", "3"});
    Rig rig;
    auto* d = rig.Make<TVelt_C>("VELT-C", 7);
    rig.StartConsumer();
    rig.Choose(232);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    ASSERT_TRUE(rig.LogHas("Ошибка связи! Не удалось получить ни одного блока данных, повторите попытку!", 20000))
        << d->Panel()->LogText().toStdString();
    EXPECT_EQ(sim.Count(QStringLiteral("req 7 2")), 1) << "every block was read";
    // The last state stays on show a while (no pause in these tests), then the window goes.
    ASSERT_TRUE(Pump([&] { return !d->Panel()->EEPROMWindow()->isVisible(); }, 5000));
    EXPECT_EQ(rig.RecordCount(), 0u);
}

TEST(VeltC, WhenTheFailureBudgetIsSpentTheRecordsCollectedAreStillHandedOver)
{
    Sim sim(233, {"--velt-c", "--life", "6", "--fault", "bad-echo@3"});
    Rig rig;
    auto* d = rig.Make<TVelt_C>("VELT-C", 7);
    rig.StartConsumer();
    rig.Choose(233);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().contains(U("Передача результирующего массива - Завершена")); }, 30000))
        << d->Panel()->LogText().toStdString();
    EXPECT_TRUE(d->Panel()->LogText().contains(U("Ошибка - Не могу получить блок данных c номером 3 !")));
    // The answer with the wrong echo said more blocks follow: the walk goes on past the block it lost.
    EXPECT_EQ(sim.Count(QStringLiteral("req 7 3")), 17);
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 5; }, 5000));
    const auto records = rig.Records();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[2].Probe.nMeasure, 3u);
    EXPECT_EQ(records[3].Probe.nMeasure, 5u);
}

TEST(VeltC, TheReadCommandOfAnInstrumentNotRecognisedSaysSo)
{
    SilentPort port(234);
    Rig rig;
    auto* d = rig.Make<TVelt_C>("VELT-C", 7);
    rig.Choose(234);
    ASSERT_TRUE(rig.LogHas("Прибор не обнаружен"));
    rig.boxes.Answer(ctl::IDOK);
    d->GetEEPROM();
    ASSERT_EQ(rig.boxes.Count(), 1);
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].text, U("Не могу выполнить команду! Прибор не распознан как VELT-C! \nСовет: Выберите "
                                         "другой порт.(Опции\\Источники измерений)"));
}
