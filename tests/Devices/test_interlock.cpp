#include "platform/rtl/CodePage.h"
#include "test_rq_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace rqtest;
using devtest::Pump;

namespace {

struct Interlock : ::testing::Test {
    Rig rig;
    TVelt_B* d = nullptr;
    TfmVelt_B_EEPROM* w = nullptr;

    // An identified interlock on COM<port>.
    void Start(int port)
    {
        d = rig.Make<TVelt_B_ALKOZAMOK>("VELT-B АЛКОЗАМОК", 6);
        w = d->Panel()->EEPROMWindow();
        rig.Choose(port);
        ASSERT_TRUE(rig.Identified());
        ASSERT_TRUE(Pump([&] { return d->Panel()->bGetEEPROM->isEnabled(); }));
    }
    void Download()
    {
        // The get-memory button comes back 100 ms after a click, on the event loop's timer.
        testutil::PumpUntil([&] { return d->Panel()->bGetEEPROM->isEnabled(); }, 30000);
        d->GetEEPROM();
        ASSERT_TRUE(Pump([&] { return w->isVisible() && w->bActions->isEnabled(); }, 30000));
    }
    bool WaitingToHandOver(int ms = 10000)
    {
        return Pump([&] { return w->bActions->text() == U("Передать") && w->bActions->isEnabled(); }, ms);
    }
    void ExpectStopsWithinASecond()
    {
        const auto t0 = std::chrono::steady_clock::now();
        d->Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(testutil::kPromptMs));
        EXPECT_FALSE(w->isVisible());
    }
};

} // namespace

TEST_F(Interlock, TheDownloadWaitsForTheOperatorsTwoButtons)
{
    Sim sim(246, {"--model", "4", "--life", "12", "--mark", "3=80000003"});
    Start(246);
    rig.StartConsumer();
    Download();
    EXPECT_EQ(w->windowTitle(), U("Получение данных ЕЕПРОМ"));
    EXPECT_EQ(w->bActions->text(), U("Загрузить"));
    EXPECT_EQ(w->lbState->text(), U("Ожидание..."));
    // Before anything is read, the window says which source it reads.
    EXPECT_EQ(w->lbCOMport->text(), "COM246");
    EXPECT_EQ(w->lbNamePribor->text(), U("VELT-B АЛКОЗАМОК"));
    EXPECT_EQ(w->lbSerialNum->text(), "---");
    EXPECT_FALSE(w->cbAfterSend->isChecked());
    Pump([] { return false; }, 600);
    EXPECT_FALSE(sim.HeardBlocks()) << "nothing is read before \"Загрузить\"";
    EXPECT_EQ(w->lbState->text(), U("Ожидание..."));

    w->bActions->click();
    EXPECT_FALSE(w->bActions->isEnabled());
    ASSERT_TRUE(WaitingToHandOver()) << d->Panel()->LogText().toStdString();
    EXPECT_EQ(w->lbFullRec->text(), "12");
    EXPECT_EQ(w->lbState->text(), U("Анализ блоков завершён."));
    Pump([] { return false; }, 600);
    EXPECT_EQ(rig.RecordCount(), 0u) << "nothing is handed over before \"Передать\"";

    w->bActions->click();
    ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().endsWith(U("Запрос данных завершён.")); }, 10000));
    const auto records = rig.Records();
    ASSERT_EQ(records.size(), 12u);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].Probe.RecordType, i == 3 ? 2u : 1u);
        // The event's own code, so that the journal can tell which event it was; measurements keep 0.
        EXPECT_EQ(records[i].Probe.nMeasure, i == 3 ? 0x80000003u : 0u);
        EXPECT_EQ(records[i].ModelCode, 12u);
        EXPECT_EQ(records[i].DeviceType, 6u);
        EXPECT_EQ(QByteArray(records[i].Model), rtl::toCp1251(U("VELT-B АЛКО")));
        if (i)
            EXPECT_GT(records[i].Probe.Timestamp, records[i - 1].Probe.Timestamp);
    }
}

TEST_F(Interlock, CancelBeforeTheWalkReadsNothingAndCancelAtTheHandOverPushesNothing)
{
    Sim sim(247, {"--model", "4", "--life", "12"});
    Start(247);
    rig.StartConsumer();
    Download();
    w->bCancel->click();
    ASSERT_TRUE(Pump([&] { return !w->isVisible(); }, 30000));
    EXPECT_TRUE(d->Panel()->LogText().endsWith(U("Отмена загрузки!")));
    EXPECT_TRUE(rig.log.Contains("GETEEPROM_Thread: Отмена загрузки!"));
    EXPECT_FALSE(sim.HeardBlocks());

    Download();
    EXPECT_TRUE(w->bCancel->isEnabled());
    w->bActions->click();
    ASSERT_TRUE(WaitingToHandOver());
    w->bCancel->click();
    ASSERT_TRUE(Pump([&] { return !w->isVisible(); }, 30000));
    EXPECT_TRUE(d->Panel()->LogText().endsWith(U("Отмена передачи!")));
    Pump([] { return false; }, 200);
    EXPECT_EQ(rig.RecordCount(), 0u);

    // Closing the window by its title bar counts as cancel: the driver does not wait for ever.
    Download();
    w->close();
    ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().endsWith(U("Отмена загрузки!")); }, 30000)) << d->Panel()->LogText().right(600).toStdString();
}

TEST_F(Interlock, TickingAutomaticHandOverDuringTheWalkStartsItWithoutTheButton)
{
    Sim sim(248, {"--model", "4", "--life", "40"});
    Start(248);
    rig.StartConsumer();
    d->Pauses.walkRecord = 20; // a walk long enough to tick the box in
    Download();
    w->bActions->click();
    ASSERT_TRUE(Pump([&] { return w->lbState->text() == U("Загружаем все блоки с данными..."); }, 5000));
    w->cbAfterSend->setChecked(true);
    ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().endsWith(U("Запрос данных завершён.")); }, 10000));
    EXPECT_EQ(rig.RecordCount(), 40u);
}

TEST_F(Interlock, CancelDuringTheWalkStopsAfterTheCurrentRecord)
{
    Sim sim(265, {"--model", "4", "--life", "40"});
    Start(265);
    rig.StartConsumer();
    d->Pauses.walkRecord = 20;
    Download();
    w->bActions->click();
    ASSERT_TRUE(Pump([&] { return w->lbCountRec->text().toInt() >= 3; }, 5000));
    w->bCancel->click();
    ASSERT_TRUE(Pump([&] { return !w->isVisible(); }, 30000));
    EXPECT_TRUE(d->Panel()->LogText().endsWith(U("Отмена загрузки!")));
    EXPECT_LT(d->Panel()->LogText().count(U("Загрузка: Блок")), 40);
    EXPECT_EQ(rig.RecordCount(), 0u);
}

TEST_F(Interlock, ShuttingDownWhileWaitingForEitherButtonEndsAtOnce)
{
    Sim sim(249, {"--model", "4", "--life", "12"});
    Start(249);
    Download();
    Pump([] { return false; }, 150);
    ExpectStopsWithinASecond();
}

TEST_F(Interlock, ShuttingDownWhileWaitingToHandOverEndsAtOnce)
{
    Sim sim(250, {"--model", "4", "--life", "12"});
    Start(250);
    Download();
    w->bActions->click();
    ASSERT_TRUE(WaitingToHandOver());
    ExpectStopsWithinASecond();
}
