#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "test_rq_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace rqtest;
using devtest::Pump;

namespace {

QString when(double t)
{
    return rtl::FormatDateTime(QStringLiteral("yyyy.mm.dd hh:nn:ss"), t);
}

// The start of exhalation k on the simulator: 2011-06-01 08:00:00 plus k minutes.
QString exhalationTime(int k)
{
    rtl::SystemTime st{};
    LongToSystemTime(DateTimeTextToLong(QStringLiteral("2011.06.01 08:00:00")) + LongTime(k) * 60, st);
    return when(rtl::SystemTimeToDateTime(st));
}

} // namespace

TEST(Eeprom, AWrappedMemoryOf70000ExhalationsIsHandedOverWholeOnceOldestFirst)
{
    Sim sim(242, {"--model", "4", "--serial", "812", "--life", "70000", "--memory", "5460"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-A (тип 2)", 2);
    d->Pauses.stackPoll = 0; // the consumer empties the stack at once; 5460 pauses would be most of the test
    rig.StartConsumer();
    rig.Choose(242);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    TfmVelt_B_EEPROM* w = d->Panel()->EEPROMWindow();
    ASSERT_TRUE(Pump([&] { return w->isVisible(); }, 30000));

    // Progress: what the window shows while it works.
    std::vector<std::pair<QString, int>> seen;
    auto sample = [&] {
        bool ok = false;
        const int n = w->lbCountRec->text().toInt(&ok);
        if (ok && (seen.empty() || seen.back() != std::make_pair(w->lbState->text(), n)))
            seen.emplace_back(w->lbState->text(), n);
    };
    // Looks only at the window while it works: the exchange log grows by thousands of lines.
    ASSERT_TRUE(Pump([&] { sample(); return !w->isVisible() && w->lbState->text() == U("Запрос данных завершён."); },
                     120000))
        << d->Panel()->LogText().right(2000).toStdString();
    ASSERT_TRUE(rig.LogHas("Запрос данных завершён.", 5000));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->lbFullRec->text(), "5460");
    EXPECT_EQ(w->lbCountRec->text(), "5460");
    EXPECT_EQ(w->lbState->text(), U("Запрос данных завершён."));
    EXPECT_EQ(w->lbAllLifeZapis->text(), "70000");
    EXPECT_EQ(w->lbCOMport->text(), "COM242");
    EXPECT_EQ(w->lbNamePribor->text(), U("VELT-A (тип 2)"));
    EXPECT_EQ(w->lbSerialNum->text(), "0812");
    EXPECT_EQ(d->Panel()->lbCountValue->text(), "70000");
    EXPECT_TRUE(d->Panel()->LogText().contains(U("Анализ полученных блоков - Завершён! Записей 5460, Памяти 5460, Счётчик цикла "
                                        "перезаписи 13")));
    int walkMax = 0, handMax = 0;
    bool ordered = true;
    for (const auto& [state, n] : seen) {
        int& max = state == U("Передача результирующего массива...") ? handMax : walkMax;
        ordered &= n >= max;
        max = std::max(max, n);
    }
    EXPECT_TRUE(ordered) << "the counts only grow within each phase";
    EXPECT_GT(walkMax, 0);
    EXPECT_GT(handMax, 0);

    // Every record of the ring once, in time order: exhalations 64540 .. 69999.
    ASSERT_TRUE(Pump([&] { return rig.RecordCount() >= 5460; }, 5000));
    const auto records = rig.Records();
    ASSERT_EQ(records.size(), 5460u);
    std::set<QString> times;
    for (size_t i = 0; i < records.size(); ++i) {
        const int k = 70000 - 5460 + int(i);
        const TVELTMeasurement& m = records[i];
        ASSERT_EQ(when(m.Probe.Timestamp), exhalationTime(k)) << i;
        times.insert(when(m.Probe.Timestamp));
        const float value = float(k % 1000) / 1000.0f;
        EXPECT_NEAR(m.Probe.AlcResult, value, 0.0026) << i;
        EXPECT_EQ(m.Probe.Exhale, k % 97 == 13 && value != 0.0f ? 1 : 0) << i;
        EXPECT_EQ(m.ModelCode, 12u);
        EXPECT_EQ(m.DeviceType, 2u);
        EXPECT_EQ(m.Probe.RecordType, 1u);
        EXPECT_EQ(m.SerialNumber, 812);
    }
    EXPECT_EQ(times.size(), 5460u);
    EXPECT_EQ(rig.boxes.Count(), 0);
}

TEST(Eeprom, OldFirmwareSkipsTheServiceRecordsAndBadEntriesAreLeftOut)
{
    // Exhalation 5 is an interlock event, 6 carries a flag no instrument writes; block 1 first comes back with a
    // wrong echo twice.
    Sim sim(243, {"--model", "4", "--firmware", "0009", "--life", "30", "--mark", "5=80000003", "--mark", "6=80000007",
                  "--fault", "bad-echo@1*2"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B АЛКОЗАМОК", 6);
    // The journal cannot file the interlock event: it is not counted as handed over.
    rig.refuse = [](const TVELTMeasurement& m) { return m.Probe.RecordType == 2; };
    rig.StartConsumer();
    rig.Choose(243);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().endsWith(U("Запрос данных завершён.")); }, 20000))
        << d->Panel()->LogText().toStdString();
    const QString log = d->Panel()->LogText();
    EXPECT_FALSE(log.contains(U("Загрузка: Блок 0, запись 0\n"))) << "records 0 and 1 of block 0 are not collected";
    EXPECT_FALSE(log.contains(U("Загрузка: Блок 0, запись 1\n")));
    EXPECT_TRUE(log.contains(U("Загрузка: Блок 1, запись 1\n")));
    EXPECT_TRUE(log.contains(U("Загрузка: Блок 0, запись 2\n")));
    EXPECT_TRUE(log.contains(U("Загрузка: Блок 0, запись 6 - number_zapis & 0x80000000UL - неверный(неизвестный) флаг")));
    EXPECT_TRUE(log.contains(U("Загрузка: Блок 0, запись 6 - недействительная")));
    EXPECT_TRUE(log.contains(U("Загрузка: Блок 1, запись 14 - efdata.DateTime_alk(i) == 0")));
    EXPECT_TRUE(rig.log.Contains("GETEEPROM_Thread: get blok index 1 - tryning 14"));
    EXPECT_EQ(sim.Count("req 7 1"), 3);
    EXPECT_EQ(sim.Count("req 7 2"), 0) << "the last block says so";
    EXPECT_TRUE(log.contains(U("Анализ полученных блоков - Завершён! Записей 30, Памяти 2729, Счётчик цикла перезаписи 1")));
    const qsizetype unfiled = log.indexOf(U("Не записано в журнал: 1 из 27 (данные записей - в протоколе программы).\n"));
    EXPECT_GT(unfiled, 0);
    EXPECT_LT(unfiled, log.indexOf(U("Передача результирующего массива - Завершена")));
    EXPECT_EQ(d->Panel()->EEPROMWindow()->lbCountRec->text(), "26");

    const auto records = rig.Records();
    ASSERT_EQ(records.size(), 27u); // exhalations 2..29 without 6
    std::vector<int> ks;
    for (int k = 2; k < 30; ++k)
        if (k != 6)
            ks.push_back(k);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(when(records[i].Probe.Timestamp), exhalationTime(ks[i]));
        EXPECT_EQ(records[i].Probe.RecordType, ks[i] == 5 ? 2u : 1u) << ks[i];
        EXPECT_EQ(QByteArray(records[i].Model), rtl::toCp1251(U("VELT-B АЛКО")));
        EXPECT_EQ(records[i].DeviceType, 6u);
    }
}

TEST(Eeprom, ClearingAsksFirstAndSaysHowItWent)
{
    Sim sim(244, {"--model", "5", "--life", "10", "--fault", "nak-clear*14"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    rig.Choose(244);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bClearEEPROM->isEnabled(); }));
    EXPECT_FALSE(d->Panel()->bClearEEPROM->isVisible());

    const QString question = U("Операция уничтожит все записи в приборе!\nВы действительно хотите стереть EEPROM прибора?");
    rig.boxes.Answer(ctl::IDNO);
    d->Panel()->ClearClick();
    ASSERT_EQ(rig.boxes.Count(), 1);
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].text, question);
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].caption, U("Внимание!"));
    EXPECT_EQ(rig.boxes.AskedSoFar()[0].flags, ctl::MB_YESNO | ctl::MB_ICONQUESTION);
    EXPECT_TRUE(d->Panel()->bClearEEPROM->isEnabled());

    struct Case { const char* caption; const char* text; unsigned icon; };
    const Case cases[] = {{"Внимание!", "EEPROM не удалось очистить!", ctl::MB_ICONSTOP},
                          {"Информация!", "EEPROM очищена!", ctl::MB_ICONEXCLAMATION}};
    for (const Case& c : cases) {
        rig.boxes.Clear();
        rig.boxes.Answer(ctl::IDYES);
        d->Panel()->ClearClick();
        EXPECT_FALSE(d->Panel()->bClearEEPROM->isEnabled());
        ASSERT_TRUE(Pump([&] { return rig.boxes.Count() == 2 && d->Panel()->bClearEEPROM->isEnabled(); }, 5000));
        const auto answer = rig.boxes.AskedSoFar()[1];
        EXPECT_EQ(answer.caption, U(c.caption));
        EXPECT_EQ(answer.text, U(c.text));
        EXPECT_EQ(answer.flags, ctl::MB_OK | c.icon);
    }
    EXPECT_EQ(sim.Count("cleared"), 1) << "a refusal is asked again for a second, then given up";
}

TEST(Eeprom, ShuttingDownWhileTheHandOverWaitsForTheStackEndsAtOnce)
{
    Sim sim(245, {"--model", "5", "--life", "20"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    // No consumer: the stack fills with the first record and the hand-over waits.
    rig.Choose(245);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    ASSERT_TRUE(Pump([&] { return StackCount(rig.stack.Hooks()) == 1; }, 20000));
    Pump([] { return false; }, 100);
    const auto t0 = std::chrono::steady_clock::now();
    d->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(testutil::kPromptMs));
    EXPECT_FALSE(d->Panel()->EEPROMWindow()->isVisible());
}

TEST(Eeprom, AnEmptyMemoryIsSaidSoAndNoBlockIsAskedFor)
{
    Sim sim(264, {"--model", "5", "--life", "0"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    rig.Choose(264);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().endsWith(U("В приборе нет фискальных данных, он пуст!")); }, 10000))
        << d->Panel()->LogText().toStdString();
    ASSERT_TRUE(Pump([&] { return !d->Panel()->EEPROMWindow()->isVisible(); }, 30000));
    EXPECT_FALSE(sim.HeardBlocks());
    EXPECT_TRUE(rig.log.Contains("GETEEPROM_Thread: get bloks - none bloks, this eeprom is empty"));
}

TEST(Eeprom, ACancelGivenAfterTheWalkIsNotLostToTheAutomaticHandOver)
{
    // The walk is over: during the analysis pause, and during the half second before the automatic hand-over.
    struct Case { const char* name; int port; std::function<bool(TfmVelt_B_EEPROM*)> when; };
    const Case cases[] = {
        {"analysis", 266, [](TfmVelt_B_EEPROM* w) { return w->lbState->text() == U("Анализ блоков завершён."); }},
        {"before the hand-over", 267,
         [](TfmVelt_B_EEPROM* w) { return w->bActions->text() == U("Передать") && w->bActions->isEnabled(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sim sim(c.port, {"--model", "4", "--life", "12"});
        Rig rig;
        TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
        rig.StartConsumer();
        rig.Choose(c.port);
        ASSERT_TRUE(rig.Identified());
        ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
        d->GetEEPROM();
        TfmVelt_B_EEPROM* w = d->Panel()->EEPROMWindow();
        ASSERT_TRUE(Pump([&] { return c.when(w); }, 10000)) << d->Panel()->LogText().toStdString();
        w->bCancel->click();
        ASSERT_TRUE(Pump([&] { return !w->isVisible(); }, 5000));
        EXPECT_TRUE(d->Panel()->LogText().endsWith(U("Отмена передачи!"))) << d->Panel()->LogText().right(300).toStdString();
        Pump([] { return false; }, 100);
        EXPECT_EQ(rig.RecordCount(), 0u);
    }
}

TEST(Eeprom, AnInstrumentThatNeverMarksItsLastBlockDoesNotKeepTheWalkGoing)
{
    // 20 exhalations, 16 records a block: every block after the second ends at its first record.
    {
        Sim sim(268, {"--model", "4", "--life", "20", "--fault", "no-last"});
        Rig rig;
        TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
        rig.StartConsumer();
        rig.Choose(268);
        ASSERT_TRUE(rig.Identified());
        ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
        d->GetEEPROM();
        ASSERT_TRUE(Pump([&] { return d->Panel()->EEPROMWindow()->lbState->text() == U("Запрос данных завершён."); }, 30000))
            << d->Panel()->LogText().right(300).toStdString();
        EXPECT_EQ(rig.RecordCount(), 20u);
        // A memory holds no more records than the walk keeps: 5460 in 342 blocks of 16.
        EXPECT_EQ(sim.Count("req 7 341"), 1);
        EXPECT_EQ(sim.Count("req 7 342"), 0);
    }
    // The operator's cancel ends it too.
    Sim sim(269, {"--model", "4", "--life", "20", "--fault", "no-last"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    d->Pauses.walkBlock = 20;
    rig.StartConsumer();
    rig.Choose(269);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    ASSERT_TRUE(rig.LogHas("Загрузка : Блок 3, запись 0 - buf_count > all_life_zapis", 10000));
    d->Panel()->EEPROMWindow()->bCancel->click();
    ASSERT_TRUE(Pump([&] { return !d->Panel()->EEPROMWindow()->isVisible(); }, 30000));
    EXPECT_TRUE(d->Panel()->LogText().endsWith(U("Отмена загрузки!"))) << d->Panel()->LogText().right(300).toStdString();
    EXPECT_EQ(rig.RecordCount(), 0u);
}

TEST(Eeprom, ACancelBeforeTheAutomaticStartIsNotOverriddenByIt)
{
    Sim sim(270, {"--model", "4", "--life", "12"});
    Rig rig;
    TVelt_B* d = rig.Make("VELT-B (тип 2)", 5);
    rig.StartConsumer();
    rig.Choose(270);
    ASSERT_TRUE(rig.Identified());
    ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    d->GetEEPROM();
    TfmVelt_B_EEPROM* w = d->Panel()->EEPROMWindow();
    // The window is up; the driver clicks "Загрузить" by itself 200 ms later.
    ASSERT_TRUE(Pump([&] { return w->isVisible(); }, 30000));
    w->bCancel->click();
    ASSERT_TRUE(Pump([&] { return !w->isVisible(); }, 30000));
    EXPECT_TRUE(d->Panel()->LogText().endsWith(U("Отмена загрузки!"))) << d->Panel()->LogText().right(300).toStdString();
    EXPECT_FALSE(sim.HeardBlocks());
}
