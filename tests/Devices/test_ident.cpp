#include "db/DBInfoPribors.h"
#include "test_rq_fixture.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace rqtest;
using devtest::Pump;

TEST(Identification, FaultsEndItWithTheirLineAndRecordOnlyWhatIsSound)
{
    struct Case {
        const char* name;
        QStringList args;
        const char* line;    // the exchange log's last line
        int recorded;        // rows written to the instrument table
        const char* box;     // a message box, or null
        double norma;
    };
    const Case cases[] = {
        {"old firmware", {"--firmware", "0004"}, "В приборе нет фискальных данных", 1,
         "Версия ПО прибора (0,04) - не имеет некоторых функций, возможна некорректная работа! Пожалуйста обновите ПО "
         "прибора!", 0.16},
        {"info block of another instrument", {"--fault", "info-serial", "--life", "5"},
         "Ошибка! Данные в инфо-блоке несоответствуют данным в блоке констант.", 0, nullptr, 0},
        {"constants never valid", {"--fault", "const-date0"}, "Загрузка констант VELT: Не удалось получить данные", 0,
         nullptr, 0},
        {"constants valid at the second try", {"--fault", "const-date0*1", "--life", "5"}, "Всего произведено выдохов: 5",
         1, nullptr, 0.16},
        {"not in a working mode", {"--mode", "5"},
         "Не удалось получить данные от прибора. Прибор не в режимах: *Есть результат*, *Готов*, *Прогрев*.", 0, nullptr, 0},
        {"model 1 carries no norm", {"--model", "1", "--life", "3"}, "Всего произведено выдохов: 3", 1, nullptr, -1.0},
        {"info block at the third try", {"--fault", "info-fail*2", "--life", "7"}, "Всего произведено выдохов: 7", 1,
         nullptr, 0.16},
    };
    int port = 251;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir work;
        QDir(work.path()).mkpath(QStringLiteral("DATABASE"));
        TDBInfoPribors info(work.path());
        Sim sim(port, c.args);
        Rig rig;
        TVelt_B* d = rig.Make("VELT-A (тип 2)", 2, &info);
        rig.Choose(port++);
        // Every ending hands the port list back.
        ASSERT_TRUE(Pump([&] { return d->Panel()->LogText().contains(U("Получение текущего режима работы...")) &&
                                      d->Panel()->cbPort->isEnabled(); }, 20000))
            << d->Panel()->LogText().toStdString();
        EXPECT_TRUE(d->Panel()->LogText().endsWith(U(c.line))) << d->Panel()->LogText().toStdString();
        EXPECT_EQ(info.Count(), c.recorded);
        if (c.recorded)
            EXPECT_EQ(info.Snapshot().Instruments()[0].rows.at(0).NORMA, c.norma);
        if (c.box) {
            ASSERT_EQ(rig.boxes.Count(), 1);
            EXPECT_EQ(rig.boxes.AskedSoFar()[0].text, U(c.box));
            EXPECT_EQ(rig.boxes.AskedSoFar()[0].caption, U("Внимание!"));
            EXPECT_TRUE(d->Panel()->LogText().contains(U("Предупреждение! ") + U(c.box)));
        } else {
            EXPECT_EQ(rig.boxes.Count(), 0);
        }
    }
}

TEST(Identification, FirmwareDecidesWhetherTheServiceRecordsAreSkipped)
{
    struct Case { const char* firmware; const char* log; };
    const Case cases[] = {
        {"0009", "not_used_e_service_e_info - версия ПО пибора меньше 0,0а, не учитываем первые 2 записи 0 блока"},
        {"000A", "not_used_e_service_e_info - версия ПО пибора старше 0,0а, учитываем все блоки данных"},
    };
    int port = 260;
    for (const Case& c : cases) {
        Sim sim(port, {"--firmware", c.firmware, "--life", "1"});
        Rig rig;
        rig.Make("VELT-A (тип 2)", 2);
        rig.Choose(port++);
        ASSERT_TRUE(rig.Identified());
        EXPECT_TRUE(rig.log.Contains(c.log)) << c.firmware;
        EXPECT_EQ(rig.boxes.Count(), 0);
    }
}
