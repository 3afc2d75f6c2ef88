// The consolidated report: its engine over a fixture journal, the workbook it writes read back by libfreexl
// cell by cell; the window that chooses, saves and tells; and the spreadsheet client under both.
#include "JournalFixture.h"
#include "common/dialogscript.h"
#include "common/testutil.h"
#include "core/Debug.h"
#include "db/DBInfoPribors.h"
#include "db/InfoPribCopy.h"
#include "db/JournalSchemas.h"
#include "journal/ConsReport.h"
#include "journal/ConsReportEngine.h"
#include "journal/Excel.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/DateTime.h"
#include "platform/xls/FreexlReader.h"

#include <QCheckBox>
#include <QDate>
#include <QDateTime>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

using Cells = std::map<std::pair<int, int>, QVariant>;
constexpr int32_t kEvent = int32_t(0x80000000u);

struct ConsJournal {
    testutil::TempDir dir;
    std::unique_ptr<TADOConnection> conn;
    std::unique_ptr<TDBInfoPribors> info;
    int nextId = 1;

    ConsJournal()
    {
        Dbg().SetBaseName(dir.file("velt"));
        QDir(dir.path()).mkpath(QStringLiteral("DATABASE"));
        conn = std::make_unique<TADOConnection>();
        conn->SetLoginPrompt(false);
        conn->SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
        conn->Open();
        TADOQuery create(conn.get());
        create.SetSQL(db::CreateTableText(db::Schema::DefaultMp));
        create.ExecSQL();
        info = std::make_unique<TDBInfoPribors>(dir.path());
        QDir(dir.path()).mkpath(QStringLiteral("REPORTS"));
        EXPECT_EQ(QProcess::execute(QStringLiteral(VELT_BINARY_DIR "/bin/velt-xls-pattern"), {pattern()}), 0);
    }
    ~ConsJournal() { Dbg().SetBaseName(dir.file("after")); }

    QString pattern() const { return dir.file("REPORTS/pattern.xls"); }
    QString log() const { return QString::fromUtf8(testutil::readFile(dir.file("velt.log"))); }

    void measurement(int pribor, const char* date, double izm, const char* stat, int32_t number)
    {
        insert(pribor, date, izm, stat, number, 1);
    }
    void event(int pribor, const char* date, uint32_t code) { insert(pribor, date, 0.0, "0", int32_t(code), 2); }
    void insert(int pribor, const char* date, double izm, const char* stat, int32_t number, int type)
    {
        TADOQuery q(conn.get());
        q.SetSQL(QStringLiteral("INSERT INTO Base ( ID, PRIBOR, DATA_IZM, NUM_VIDOH, IZM, STAT, TYPERECORD ) VALUES "
                                "( :ID, :PRIBOR, :DATA_IZM, :NUM_VIDOH, :IZM, :STAT, :TYPERECORD )"));
        q.Parameters().ParamByName(QStringLiteral("ID"))->SetValue(nextId++);
        q.Parameters().ParamByName(QStringLiteral("PRIBOR"))->SetValue(pribor);
        q.Parameters().ParamByName(QStringLiteral("DATA_IZM"))->SetValue(QString::fromLatin1(date));
        q.Parameters().ParamByName(QStringLiteral("NUM_VIDOH"))->SetValue(number);
        q.Parameters().ParamByName(QStringLiteral("IZM"))->SetValue(izm);
        q.Parameters().ParamByName(QStringLiteral("STAT"))->SetValue(QString::fromLatin1(stat));
        q.Parameters().ParamByName(QStringLiteral("TYPERECORD"))->SetValue(type);
        q.ExecSQL();
    }
    void instrument(uint32_t serial, double norm, uint32_t lifetime)
    {
        TInfoPriborRecord r;
        r.PRIBOR = serial;
        r.DATECONST = DateTimeTextToLong(QStringLiteral("2011.01.01 00:00:00"));
        r.DATEGET = r.DATECONST;
        r.NORMA = norm;
        r.LIFEZAPIS = lifetime;
        ASSERT_TRUE(info->Add(r));
    }

    // Instruments 4000 (the whole period), 123 (known, norm 0.1: exceedances, interlock events, gaps and a
    // restarted counter), 7 (unknown to the information table) and 55 (records in June only).
    void fill()
    {
        instrument(123, 0.1, 5000);
        measurement(4000, "2011.03.01 08:00:00", 0.0, "0", 1);
        measurement(123, "2011.03.31 10:00:00", 0.0, "0", 5);
        measurement(123, "2011.03.31 12:00:00", 0.1, "0", 6);    // equal to the norm: no exceedance
        measurement(123, "2011.04.01 09:00:00", 0.25, "0", 9);   // same day number as 31 March
        event(123, "2011.04.02 08:00:00", 0x80000005);
        measurement(123, "2011.04.02 08:30:00", 0.0, "1", 0);    // interrupted; number 0 is no number
        measurement(123, "2011.04.05 10:00:00", 0.0, "2", 9);    // refused; counter restarted at 9
        event(123, "2011.04.05 11:00:00", 0x80000006);
        event(123, "2011.04.05 11:30:00", 0x80000001);
        event(123, "2011.04.05 11:30:01", 0x80000002);
        event(123, "2011.04.05 11:30:02", 0x80000003);
        event(123, "2011.04.05 11:30:03", 0x80000004);
        event(123, "2011.04.05 11:30:04", 0x80000007);           // no event the report knows
        event(123, "2011.04.05 11:30:05", 0);
        measurement(123, "2011.04.06 07:00:00", 0.3, "0", 3);
        measurement(7, "2011.05.12 09:00:00", 0.0, "0", 4);
        measurement(7, "2011.05.10 10:00:00", 0.05, "0", 1);
        measurement(7, "2011.05.10 11:00:00", 0.0, "0", 2);
        measurement(55, "2011.06.01 10:00:00", 0.0, "0", 1);
        measurement(4000, "2011.06.30 18:00:00", 0.0, "0", 2);
    }
};

// The report window on the fixture, its dialogs answered by the test.
struct Window {
    testutil::DialogScript dialogs;
    TfmConsReport form;
    QStringList opened;

    explicit Window(ConsJournal& j)
    {
        form.SetDatabase(j.conn.get(), j.dir.path(), j.info.get());
        form.OpenSavedFile = [this](const QString& file) { opened << file; };
        form.FormShow();
    }
    // Saves as this file, chosen in the save dialog.
    void save(const QString& file)
    {
        dialogs.File(file);
        form.bSaveToExcelClick();
    }
    // The name the save dialog proposed; empty when it was not asked.
    QString suggestedName() const
    {
        return dialogs.FileAsked.isEmpty() ? QString() : QFileInfo(dialogs.FileAsked.last().FileName).fileName();
    }
    QStringList items() const
    {
        QStringList list;
        for (int i = 0; i < form.clbPribors->count(); ++i)
            list << form.clbPribors->item(i)->text();
        return list;
    }
    void check(const QString& text)
    {
        const auto found = form.clbPribors->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        found[0]->setCheckState(Qt::Checked);
    }
};

// The engine on the fixture journal, writing into a copy of the template that it saves.
struct Engine {
    TConsReportEngine engine;
    TExcel excel;
    ConsJournal& j;

    explicit Engine(ConsJournal& journal)
        : j(journal)
    {
        engine.SetDatabase(j.conn.get(), j.info.get());
    }
    void write(const TConsPeriod& period, const std::vector<int>& serials, const QString& file)
    {
        ASSERT_TRUE(excel.Create());
        ASSERT_TRUE(excel.OpenWorkbook(j.pattern()));
        engine.Write(excel, period, serials);
        ASSERT_TRUE(excel.SaveAs(file));
        excel.Quit();
    }
};

// Row numbers of the map below count from 1, as the report writes them.
void add(Cells& cells, int row, const QString& a, const QVariant& b = QVariant())
{
    if (!a.isEmpty())
        cells[{row - 1, 0}] = a;
    if (b.isValid())
        cells[{row - 1, 1}] = b;
}

const QString S_SERIAL = QStringLiteral("Серийный номер прибора: %1");
const QString S_LIFE = QStringLiteral("За всё время работы прибора им было произведено записей:");
const QString S_COUNT = QStringLiteral("Всего записей в приборе внутри данного диапазона:");
const QString S_SPAN = QStringLiteral("Фактическое начало и конец записей в диапазоне:");

// The rows of an instrument with records, from its serial row on.
int addInstrument(Cells& c, int r, const QString& serial, const QString& life, int count, const QString& first,
                  const QString& last, int used, int unused, int tests, const QStringList& exceed, int missing,
                  int refusals, int interrupted, const std::array<int, 4>& events /* 4, 3, 2, 1 */,
                  const QStringList& blocks)
{
    add(c, r++, S_SERIAL.arg(serial));
    add(c, r++, S_LIFE, life);
    add(c, r++, S_COUNT, double(count));
    add(c, r++, S_SPAN, QStringLiteral("с  ") + first);
    add(c, r++, QString(), QStringLiteral("по  ") + last);
    add(c, r++, QStringLiteral("Количество дней в эксплуатации:"), double(used));
    add(c, r++, QStringLiteral("Количество дней в отключенном состоянии:"), double(unused));
    add(c, r++, QStringLiteral("Тестов алкоголя в памяти:"), double(tests));
    add(c, r++, QStringLiteral("Превышений нормы:"), QStringLiteral("%1 (см. ниже)").arg(exceed.size()));
    for (const QString& e : exceed)
        add(c, r++, QString(), e);
    add(c, r++, QStringLiteral("Кол-во измерений менее 0.05 мг/л от первой и до последней записи измерений:"), double(missing));
    add(c, r++, QStringLiteral("Отказов от выдоха:"), double(refusals));
    add(c, r++, QStringLiteral("Индикация максимального количества прерванных выдохов:"), double(interrupted));
    add(c, r++, QStringLiteral("Отключение датчика от коробки блокиратора:"), double(events[0]));
    add(c, r++, QStringLiteral("Подключение датчика к коробке блокиратора:"), double(events[1]));
    add(c, r++, QStringLiteral("Включение зажигания:"), double(events[2]));
    add(c, r++, QStringLiteral("Пропадание питания/Отключение зажигания:"), double(events[3]));
    add(c, r++, QStringLiteral("Количество блокировок двигателя:"), QStringLiteral("%1 (см. ниже)").arg(blocks.size()));
    for (const QString& b : blocks)
        add(c, r++, QString(), b);
    return r;
}

Cells head(const QString& start, const QString& end, int days)
{
    Cells c;
    add(c, 1, QStringLiteral("Обработанная статистика измерений"));
    add(c, 3, QStringLiteral("Диапазон анализа записей:"), QStringLiteral("с  ") + start);
    add(c, 4, QString(), QStringLiteral("по  ") + end);
    add(c, 5, QStringLiteral("Количество дней в диапазоне(месяц*30,год*365):"), double(days));
    return c;
}

void expectCells(const QString& file, const Cells& expected)
{
    const auto read = xlstest::ReadWithFreexl(file);
    ASSERT_TRUE(read.ok) << file.toStdString();
    for (const auto& [at, v] : expected)
        EXPECT_EQ(read.at(at.first, at.second), v) << "row " << at.first + 1 << " column " << at.second + 1;
    for (const auto& [at, v] : read.cells)
        EXPECT_TRUE(expected.count(at)) << "unexpected cell at row " << at.first + 1 << " column " << at.second + 1
                                        << ": " << v.toString().toStdString();
}

} // namespace

TEST(ConsReportEngine, WholeJournalCellByCell)
{
    ConsJournal j;
    j.fill();
    ctl::TScriptedMessageBoxPort boxes;
    Engine e(j);
    EXPECT_EQ(e.engine.FirstDate(), QDate(2011, 3, 1));
    EXPECT_EQ(e.engine.Instruments(), (std::vector<int>{4000, 123, 7, 55}));
    TConsPeriod period;
    QString bad;
    ASSERT_TRUE(e.engine.WholeJournal(period, bad));
    EXPECT_EQ(period.condition, QString());
    const QString file = j.dir.file("report.xls");
    e.write(period, {123, 7}, file);
    EXPECT_EQ(boxes.Count(), 0);

    // 1 March to 30 June: 30 + 6 * 30 - (1 + 3 * 30) + 1 days.
    Cells c = head(QStringLiteral("2011.03.01 08:00:00"), QStringLiteral("2011.06.30 18:00:00"), 120);
    int r = addInstrument(c, 9, "0123", "5000", 14, "2011.03.31 10:00:00", "2011.04.06 07:00:00", 4, 116, 6,
                          {"- 2011.04.01 09:00:00", "- 2011.04.06 07:00:00"}, 3, 2, 2, {1, 1, 1, 1},
                          {"2011.04.01 09:00:00 - превышение", "2011.04.06 07:00:00 - превышение",
                           "2011.04.02 08:00:00 - макс. прерван выдох", "2011.04.05 11:00:00 - отказ от выдоха"});
    EXPECT_EQ(r, 32);
    r = addInstrument(c, r + 3, "0007", "Неизвестно", 3, "2011.05.10 10:00:00", "2011.05.12 09:00:00", 2, 118, 3,
                      {"- 2011.05.10 10:00:00"}, 1, 0, 0, {0, 0, 0, 0}, {"2011.05.10 10:00:00 - превышение"});
    expectCells(file, c);
    EXPECT_EQ(e.engine.Rows(), r - 1);
    EXPECT_EQ(e.engine.LeftOut(), 0);
}

TEST(ConsReportEngine, DateRangeAndAnInstrumentWithoutRecordsInIt)
{
    ConsJournal j;
    j.fill();
    Engine e(j);
    const TConsPeriod period = TConsReportEngine::DateRange(QDate(2011, 4, 1), QDate(2011, 4, 5));
    EXPECT_EQ(period.condition,
              QStringLiteral(" ( DATA_IZM >= '2011.04.01 00:00:00' AND DATA_IZM <= '2011.04.05 23:59:59' ) AND "));
    e.write(period, {123, 55}, j.dir.file("range.xls"));

    Cells c = head(QStringLiteral("2011.04.01 00:00:00"), QStringLiteral("2011.04.05 23:59:59"), 5);
    // Numbers 9 and 9 (a restarted counter) miss nothing.
    const int r = addInstrument(c, 9, "0123", "5000", 11, "2011.04.01 09:00:00", "2011.04.05 11:30:05", 3, 2, 3,
                                {"- 2011.04.01 09:00:00"}, 0, 2, 2, {1, 1, 1, 1},
                                {"2011.04.01 09:00:00 - превышение", "2011.04.02 08:00:00 - макс. прерван выдох",
                                 "2011.04.05 11:00:00 - отказ от выдоха"});
    add(c, r + 3, S_SERIAL.arg("0055"));
    add(c, r + 4, S_LIFE, QStringLiteral("0"));
    add(c, r + 5, S_COUNT, 0.0);
    expectCells(j.dir.file("range.xls"), c);
}

TEST(ConsReportEngine, JournalsWithoutDates)
{
    // An empty journal: no first date, no instrument, and today as the whole journal's period.
    ConsJournal j;
    Engine e(j);
    EXPECT_TRUE(e.engine.FirstDate().isNull());
    EXPECT_TRUE(e.engine.Instruments().empty());
    TConsPeriod period;
    QString bad;
    ASSERT_TRUE(e.engine.WholeJournal(period, bad));
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
    EXPECT_EQ(period.start, today + QStringLiteral(" 00:00:00"));
    EXPECT_EQ(period.end, today + QStringLiteral(" 23:59:59"));
    EXPECT_EQ(period.Days(), 1);

    // A date that is no date makes no period, and says which.
    j.measurement(9, "2011.02.30 10:00:00", 0.0, "0", 1);
    EXPECT_TRUE(e.engine.FirstDate().isNull());
    EXPECT_EQ(e.engine.Instruments(), std::vector<int>{9});
    EXPECT_FALSE(e.engine.WholeJournal(period, bad));
    EXPECT_EQ(bad, QStringLiteral("2011.02.30 10:00:00"));
}

// Rows the sheet does not take are left out and counted; the report is written on.
TEST(ConsReportEngine, RowsNotWrittenAreCounted)
{
    ConsJournal j;
    j.fill();
    Engine e(j);
    ASSERT_TRUE(e.excel.Create());  // no workbook open: no row can be written
    e.engine.Write(e.excel, TConsReportEngine::DateRange(QDate(2011, 5, 1), QDate(2011, 5, 31)), {7, 55});
    // The head, three blank rows and 7's 19 rows, three blank rows and 55's three.
    EXPECT_EQ(e.engine.Rows(), 5 + 3 + 19 + 3 + 3);
    EXPECT_EQ(e.engine.LeftOut(), 5 + 19 + 3 - 1);  // the head's empty second row needs no cell
    EXPECT_TRUE(j.log().contains(QStringLiteral("ConsReport: row 1 is not written")));

    // The next report counts its own.
    ASSERT_TRUE(e.excel.OpenWorkbook(j.pattern()));
    e.engine.Write(e.excel, TConsReportEngine::DateRange(QDate(2011, 5, 1), QDate(2011, 5, 31)), {55});
    EXPECT_EQ(e.engine.Rows(), 5 + 3 + 3);
    EXPECT_EQ(e.engine.LeftOut(), 0);
}

TEST(ConsReport, TheChosenInstrumentsOverTheWholeJournal)
{
    ConsJournal j;
    j.fill();
    ctl::TScriptedMessageBoxPort boxes;
    Window w(j);
    EXPECT_EQ(w.items(), (QStringList{"4000", "0123", "0007", "0055"}));
    EXPECT_EQ(w.form.dtpStartDate->date(), QDate(2011, 3, 1));
    w.check(QStringLiteral("0123"));
    w.check(QStringLiteral("0007"));
    QDir(j.dir.path()).mkpath(QStringLiteral("out"));
    w.save(j.dir.file("out/report.v1"));  // the extension is replaced

    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(w.form.result(), QDialog::Accepted);
    const QString file = j.dir.file("out/report.xls");
    EXPECT_EQ(w.opened, QStringList{file});
    EXPECT_FALSE(w.form.ExcelClient().Started());
    // The whole journal's period, and the two instruments in list order.
    const auto read = xlstest::ReadWithFreexl(file);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.at(2, 1), QStringLiteral("с  2011.03.01 08:00:00"));
    EXPECT_EQ(read.at(3, 1), QStringLiteral("по  2011.06.30 18:00:00"));
    EXPECT_EQ(read.at(8, 0), S_SERIAL.arg("0123"));
    EXPECT_EQ(read.at(34, 0), S_SERIAL.arg("0007"));
}

TEST(ConsReport, DateRangeChosenInTheWindow)
{
    ConsJournal j;
    j.fill();
    ctl::TScriptedMessageBoxPort boxes;
    Window w(j);
    w.form.cbUsedDateRange->setChecked(true);
    w.form.dtpStartDate->setDate(QDate(2011, 4, 1));
    w.form.dtpEndDate->setDate(QDate(2011, 4, 5));
    w.form.cbOpenAfterSave->setChecked(false);
    w.check(QStringLiteral("0123"));
    w.check(QStringLiteral("0055"));
    w.save(j.dir.file("range"));
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_TRUE(w.opened.isEmpty());

    const auto read = xlstest::ReadWithFreexl(j.dir.file("range.xls"));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.at(2, 1), QStringLiteral("с  2011.04.01 00:00:00"));
    EXPECT_EQ(read.at(3, 1), QStringLiteral("по  2011.04.05 23:59:59"));
    EXPECT_EQ(read.at(4, 1), 5.0);
    EXPECT_EQ(read.at(10, 1), 11.0);  // 0123's records in the range
    EXPECT_EQ(read.at(32, 0), S_SERIAL.arg("0055"));
    EXPECT_EQ(read.at(34, 1), 0.0);
}

TEST(ConsReport, EmptyJournalOffersNothingAndStartsToday)
{
    ConsJournal j;
    ctl::TScriptedMessageBoxPort boxes;
    Window w(j);
    EXPECT_EQ(w.form.clbPribors->count(), 0);
    EXPECT_EQ(w.form.dtpStartDate->date(), QDate::currentDate());
    EXPECT_EQ(w.form.dtpEndDate->date(), QDate::currentDate());
    w.form.bSaveToExcelClick();
    ASSERT_EQ(boxes.Count(), 1);
    const auto asked = boxes.AskedSoFar()[0];
    EXPECT_EQ(asked.text, QStringLiteral("Выберите хотябы один прибор!"));
    EXPECT_EQ(asked.caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(asked.icon(), ctl::MB_ICONWARNING);
    EXPECT_TRUE(w.suggestedName().isEmpty());  // no save dialog
}

TEST(ConsReport, BadTemplateOrFailedSaveIsToldAndTheWindowStaysForAnotherTry)
{
    ConsJournal j;
    j.fill();
    ctl::TScriptedMessageBoxPort boxes;
    Window w(j);
    w.check(QStringLiteral("0007"));
    const QByteArray good = testutil::readFile(j.pattern());

    struct Case {
        const char* what;
        std::function<void()> spoil;
        QString target;
        QString message;
    };
    const QString missingFolder = j.dir.file("no/such/folder/r.xls");
    const std::vector<Case> cases = {
        {"missing template", [&] { QFile::remove(j.pattern()); }, j.dir.file("a.xls"),
         QStringLiteral("Не удалось открыть шаблон отчёта:\n%1\nОтчёт не сохранён.").arg(j.pattern())},
        {"damaged template", [&] { testutil::writeFile(j.pattern(), good.left(good.size() / 2)); }, j.dir.file("b.xls"),
         QStringLiteral("Не удалось открыть шаблон отчёта:\n%1\nОтчёт не сохранён.").arg(j.pattern())},
        {"save fails", [] {}, missingFolder, QStringLiteral("Не удалось сохранить отчёт в файл:\n%1").arg(missingFolder)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.Clear();
        testutil::writeFile(j.pattern(), good);
        c.spoil();
        w.save(c.target);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.AskedSoFar()[0].text, c.message);
        EXPECT_EQ(boxes.AskedSoFar()[0].icon(), ctl::MB_ICONERROR);
        EXPECT_FALSE(QFile::exists(c.target));
        EXPECT_NE(w.form.result(), QDialog::Accepted);
        EXPECT_TRUE(w.opened.isEmpty());
    }
    EXPECT_TRUE(j.log().contains(QStringLiteral("ConsReport: the report cannot be saved to ") + missingFolder));

    // The next try, with the template back and a folder that exists, saves.
    boxes.Clear();
    testutil::writeFile(j.pattern(), good);
    w.save(j.dir.file("retry.xls"));
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(w.form.result(), QDialog::Accepted);
    EXPECT_EQ(xlstest::ReadWithFreexl(j.dir.file("retry.xls")).at(8, 0).toString(), S_SERIAL.arg("0007"));
}

// A report longer than a sheet: the rows past its 65,536th are left out, and the operator and the log are told
// how many; the report is saved and opened all the same.
TEST(ConsReport, RowsPastTheSheetsLastAreCountedAndTold)
{
    ConsJournal j;
    // Each exceedance takes two rows: its own and its blocking's.
    const int exceedances = 32800;
    auto table = j.conn->openTable(QStringLiteral("Base"));
    std::vector<QVariant> row(table->columns().size());
    const QDateTime first(QDate(2011, 3, 1), QTime(0, 0));
    auto date = [&](int i) { return first.addSecs(60LL * i).toString(QStringLiteral("yyyy.MM.dd hh:mm:ss")); };
    for (int i = 0; i < exceedances; ++i) {
        row[size_t(table->columnIndex("ID"))] = i + 1;
        row[size_t(table->columnIndex("PRIBOR"))] = 9;
        row[size_t(table->columnIndex("DATA_IZM"))] = date(i);
        row[size_t(table->columnIndex("NUM_VIDOH"))] = i + 1;
        row[size_t(table->columnIndex("IZM"))] = 0.5;
        row[size_t(table->columnIndex("STAT"))] = QStringLiteral("0");
        row[size_t(table->columnIndex("TYPERECORD"))] = 1;
        table->append(row);
    }
    table.reset();
    ctl::TScriptedMessageBoxPort boxes;
    Window w(j);
    w.check(QStringLiteral("0009"));
    w.save(j.dir.file("long.xls"));

    // The head, three blank rows, 9 rows to the exceedances, 8 between the two lists.
    const int rows = 5 + 3 + 9 + exceedances + 8 + exceedances;
    const int leftOut = rows - 65536;
    ASSERT_EQ(leftOut, 89);
    const QString file = j.dir.file("long.xls");
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text,
              QStringLiteral("Отчёт сохранён в файл:\n%1\n\nВ него вошли не все строки: не записано строк — 89 из %2.\n"
                             "Лист вмещает не больше 65 536 строк. Чтобы отчёт поместился целиком, выберите меньше "
                             "приборов или более короткий диапазон времени.").arg(file).arg(rows));
    EXPECT_EQ(boxes.AskedSoFar()[0].icon(), ctl::MB_ICONWARNING);
    EXPECT_TRUE(j.log().contains(QStringLiteral("ConsReport: 89 of the report's %1 rows are left out of %2").arg(rows).arg(file)));
    EXPECT_EQ(w.form.result(), QDialog::Accepted);
    EXPECT_EQ(w.opened, QStringList{file});
    // The sheet is full to its last row: the blocking of the exceedance that row reaches.
    const auto read = xlstest::ReadWithFreexl(file);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.at(65535, 1).toString(), date(65536 - (rows - exceedances) - 1) + QStringLiteral(" - превышение"));
}

// "Открыть после сохранения" with no program for the file: the operator is told that the report was saved,
// and where.
TEST(ConsReport, AReportThatCannotBeOpenedIsToldSavedAndWhere)
{
    ConsJournal j;
    j.fill();
    testutil::TempDir bin;
    // The desktop's opener finding no program for the file, as it says by its exit code.
    testutil::writeFile(bin.file("xdg-open"), "#!/bin/sh\nexit 3\n");
    QFile::setPermissions(bin.file("xdg-open"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ":" + savedPath);
    ctl::TScriptedMessageBoxPort boxes;
    {
        Window w(j);
        w.form.OpenSavedFile = nullptr;
        w.check(QStringLiteral("0007"));
        w.save(j.dir.file("opened.xls"));
        EXPECT_EQ(w.form.result(), QDialog::Accepted);
    }
    // Told once the opener has ended, the window being gone by then.
    EXPECT_TRUE(testutil::PumpUntil([&] { return boxes.Count() == 1; }, 30000));
    qputenv("PATH", savedPath);
    ASSERT_EQ(boxes.Count(), 1);
    const QString file = j.dir.file("opened.xls");
    EXPECT_EQ(boxes.AskedSoFar()[0].text,
              QStringLiteral("Отчёт сохранён в файл:\n%1\n\nОткрыть его не удалось: на компьютере нет программы для "
                             "таблиц Excel (.xls), или она завершилась с ошибкой. Откройте файл сами.").arg(file));
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(j.log().contains(QStringLiteral("ConsReport: the saved report %1 was not opened (xdg-open ended with 3)").arg(file)));
}

TEST(ConsReport, CancelledSaveDialogWritesNothing)
{
    ConsJournal j;
    j.fill();
    Window w(j);
    w.check(QStringLiteral("0123"));
    w.dialogs.CancelFile();
    w.form.bSaveToExcelClick();
    EXPECT_TRUE(w.suggestedName().startsWith(QStringLiteral("ConsReport (")));
    EXPECT_NE(w.form.result(), QDialog::Accepted);
    EXPECT_EQ(QDir(j.dir.path()).entryList({QStringLiteral("*.xls")}, QDir::Files), QStringList());
}

TEST(ConsReport, FileNames)
{
    EXPECT_EQ(TfmConsReport::SuggestedFileName(rtl::EncodeDateTime(2011, 3, 5, 9, 7, 0, 0)),
              QStringLiteral("ConsReport (2011.03.05 09.07)."));
    const std::vector<std::pair<QString, QString>> names = {
        {"/w/ConsReport (2011.03.05 09.07).", "/w/ConsReport (2011.03.05 09.07).xls"},
        {"/w/report.xls", "/w/report.xls"},
        {"/w/report.txt", "/w/report.xls"},
        {"/w/report", "/w/report.xls"},
        {"/w.d/report", "/w.d/report.xls"},
    };
    for (const auto& [chosen, written] : names)
        EXPECT_EQ(TfmConsReport::FileToWrite(chosen), written) << chosen.toStdString();
}

TEST(ConsReportEngine, DayNumbers)
{
    EXPECT_EQ(TConsReportEngine::DayNumber(QStringLiteral("2011.03.31 23:00:00")),
              TConsReportEngine::DayNumber(QStringLiteral("2011.04.01 00:00:00")));
    EXPECT_EQ(TConsReportEngine::DayNumber(QStringLiteral("2011.04.01")), 1 + 4 * 30 + 2011 * 365);
    for (const char* bad : {"", "2011.02.30 10:00:00", "2011-04-01 10:00:00", "2011.04.01 25:00:00", "garbage"})
        EXPECT_EQ(TConsReportEngine::DayNumber(QString::fromLatin1(bad)), -1) << bad;
    // A period from 31 March to 1 April is one day long.
    EXPECT_EQ(TConsReportEngine::DateRange(QDate(2011, 3, 31), QDate(2011, 4, 1)).Days(), 1);
}

TEST(ConsReport, WindowTextsAndDateRangeSwitch)
{
    ConsJournal j;
    Window w(j);
    EXPECT_EQ(w.form.windowTitle(), QStringLiteral("Сводный Отчёт"));
    EXPECT_TRUE(w.form.rbFillOnlyNonZero->isChecked());
    EXPECT_FALSE(w.form.rbOnlyMeasure->isEnabled());
    EXPECT_TRUE(w.form.cbOpenAfterSave->isChecked());
    EXPECT_FALSE(w.form.dtpStartDate->isEnabled());
    w.form.cbUsedDateRange->setChecked(true);
    EXPECT_TRUE(w.form.dtpStartDate->isEnabled());
    EXPECT_TRUE(w.form.dtpEndDate->isEnabled());
    w.form.cbUsedDateRange->setChecked(false);
    EXPECT_FALSE(w.form.dtpEndDate->isEnabled());
    EXPECT_TRUE(w.form.ExcelClient().Started());
}

TEST(Excel, ContractOverTheWorkbookLayer)
{
    ConsJournal j;
    TExcel x;
    EXPECT_TRUE(x.Quit());  // nothing started: nothing to do
    EXPECT_FALSE(x.OpenWorkbook(j.pattern()));
    EXPECT_FALSE(x.SetCell(1, 1, QStringLiteral("a")));
    EXPECT_FALSE(x.SaveAs(j.dir.file("x.xls")));
    EXPECT_FALSE(x.CloseWorkbook());

    ASSERT_TRUE(x.Create());
    EXPECT_FALSE(x.OpenWorkbook(j.dir.file("missing.xls")));
    EXPECT_FALSE(x.SetCell(1, 1, QStringLiteral("a")));
    ASSERT_TRUE(x.OpenWorkbook(j.pattern()));  // the first workbook
    ASSERT_TRUE(x.OpenWorkbook(j.pattern()));  // the active one
    EXPECT_TRUE(x.SetCell(2, 1, QStringLiteral("текст")));
    EXPECT_TRUE(x.SetCell(2, 2, 42));
    EXPECT_FALSE(x.SetCell(0, 1, 1));
    ASSERT_TRUE(x.SaveAs(j.dir.file("first.xls")));  // the untouched first workbook
    EXPECT_TRUE(x.CloseWorkbook());
    ASSERT_TRUE(x.SaveAs(j.dir.file("second.xls")));
    EXPECT_TRUE(xlstest::ReadWithFreexl(j.dir.file("first.xls")).cells.empty());
    EXPECT_EQ(xlstest::ReadWithFreexl(j.dir.file("second.xls")).cells,
              (Cells{{{1, 0}, QStringLiteral("текст")}, {{1, 1}, 42.0}}));
    EXPECT_TRUE(x.Quit());
    EXPECT_FALSE(x.Started());
    EXPECT_FALSE(x.SaveAs(j.dir.file("third.xls")));
    EXPECT_FALSE(QFile::exists(j.dir.file("third.xls")));
}

TEST(ConsReport, TheJournalControllerOpensTheWindowOnItsJournal)
{
    jtest::Journal j;
    TADOQuery q(j.conn.get());
    q.SetSQL(QStringLiteral("INSERT INTO Base ( ID, PRIBOR, DATA_IZM, TYPERECORD ) VALUES ( 1, 321, '2011.03.01 08:00:00', 1 )"));
    q.ExecSQL();
    QStringList items;
    testutil::DialogScript dialogs;
    dialogs.Then<TfmConsReport>([&](TfmConsReport* d) {
        for (int i = 0; i < d->clbPribors->count(); ++i)
            items << d->clbPribors->item(i)->text();
        d->bCancelClick();
    });
    j.ctrl->ShowConsReport();
    EXPECT_EQ(items, QStringList{QStringLiteral("0321")});
}
