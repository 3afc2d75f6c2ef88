#include "journal/ConsReport.h"

#include "core/Debug.h"
#include "db/DBInfoPribors.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/Field.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/system/SystemInfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kError = QStringLiteral("Ошибка");
// The rows of an Excel 97-2003 sheet.
constexpr int kSheetRows = 65536;

// The interlock events by their code in NUM_VIDOH (0x80000001 .. 0x80000006 read as signed).
constexpr int32_t kFirstEvent = int32_t(0x80000001u);
constexpr int kEvents = 6;
int eventNo(int32_t code)
{
    return code >= kFirstEvent && code < kFirstEvent + kEvents ? int(code - kFirstEvent) + 1 : 0;
}

bool digits(const QString& t, int at, int n, int& value)
{
    value = 0;
    for (int i = at; i < at + n; ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

// "yyyy.mm.dd" with an optional " hh:nn:ss"; false for anything else.
bool readDate(const QString& t, int& y, int& m, int& d)
{
    if (t.size() < 10 || t[4] != u'.' || t[7] != u'.' || !digits(t, 0, 4, y) || !digits(t, 5, 2, m) ||
        !digits(t, 8, 2, d) || !QDate::isValid(y, m, d))
        return false;
    if (t.size() == 10)
        return true;
    int h = 0, n = 0, s = 0;
    return t.size() == 19 && t[10] == u' ' && t[13] == u':' && t[16] == u':' && digits(t, 11, 2, h) &&
           digits(t, 14, 2, n) && digits(t, 17, 2, s) && h < 24 && n < 60 && s < 60;
}

QString dayText(const QDate& d)
{
    return QStringLiteral("%1.%2.%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

QString countText(int n, bool listed)
{
    return listed ? QStringLiteral("%1 (см. ниже)").arg(n) : QString::number(n);
}

} // namespace

// What the journal holds about one instrument in the period.
struct TfmConsReport::Instrument {
    int lifetime = 0;  // negative: the instrument information table does not know it
    int count = 0;
    QString first, last;
    int daysInUse = 0;
    int tests = 0;
    QStringList exceedances;
    int missing = 0;
    int interrupted = 0;
    int refusals = 0;
    int events[kEvents + 1] = {};
    QStringList exceedanceBlockings;
    QStringList eventBlockings;
};

TfmConsReport::TfmConsReport(QWidget* owner)
    : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Сводный Отчёт"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    auto* column = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox(QStringLiteral("Содержание сводного отчёта:"), this);
    auto* content = new QVBoxLayout(GroupBox1);
    rbFillOnlyNonZero = new QRadioButton(QStringLiteral("Отображать только ненулевые поля"), GroupBox1);
    rbOnlyMeasure = new QRadioButton(QStringLiteral("Только сведения, касаемые измеренных величин"), GroupBox1);
    rbMeasAndState = new QRadioButton(QStringLiteral("Измеренные величины а также состояния прибора (АЛКОЗАМОК)"), GroupBox1);
    rbFillOnlyNonZero->setChecked(true);
    rbOnlyMeasure->setEnabled(false);
    rbMeasAndState->setEnabled(false);
    for (QRadioButton* r : {rbFillOnlyNonZero, rbOnlyMeasure, rbMeasAndState})
        content->addWidget(r);
    column->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(QStringLiteral("Диапазон времени"), this);
    auto* range = new QHBoxLayout(GroupBox2);
    cbUsedDateRange = new QCheckBox(QStringLiteral("Использовать"), GroupBox2);
    lbStartDate = new QLabel(QStringLiteral("от"), GroupBox2);
    dtpStartDate = new QDateEdit(GroupBox2);
    lbEndDate = new QLabel(QStringLiteral("до"), GroupBox2);
    dtpEndDate = new QDateEdit(GroupBox2);
    for (QDateEdit* d : {dtpStartDate, dtpEndDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    range->addWidget(cbUsedDateRange);
    range->addWidget(lbStartDate);
    range->addWidget(dtpStartDate);
    range->addWidget(lbEndDate);
    range->addWidget(dtpEndDate);
    column->addWidget(GroupBox2);
    connect(cbUsedDateRange, &QCheckBox::toggled, this, [this] { cbUsedDateRangeClick(); });
    cbUsedDateRangeClick();

    GroupBox3 = new QGroupBox(QStringLiteral("Номера приборов"), this);
    auto* list = new QVBoxLayout(GroupBox3);
    clbPribors = new QListWidget(GroupBox3);
    list->addWidget(clbPribors);
    column->addWidget(GroupBox3, 1);

    cbOpenAfterSave = new QCheckBox(QStringLiteral("Открыть после сохранения"), this);
    cbOpenAfterSave->setChecked(true);
    column->addWidget(cbOpenAfterSave);
    auto* buttons = new QHBoxLayout;
    bSaveToExcel = new QPushButton(QStringLiteral("Сохранить в формате Excel"), this);
    bCancel = new QPushButton(QStringLiteral("Отмена"), this);
    buttons->addWidget(bSaveToExcel);
    buttons->addStretch();
    buttons->addWidget(bCancel);
    column->addLayout(buttons);
    connect(bSaveToExcel, &QPushButton::clicked, this, [this] { bSaveToExcelClick(); });
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
    clbPribors->setMinimumHeight(160);
    column->setSizeConstraint(QLayout::SetFixedSize);  // a fixed single border, as large as the texts need

    FormCreate();
}

TfmConsReport::~TfmConsReport()
{
    // FormDestroy: the client ends its application; the query goes with the form.
    Excel.reset();
    ADOQuery.reset();
}

void TfmConsReport::FormCreate()
{
    ADOQuery = std::make_unique<TADOQuery>();
    Excel = std::make_unique<TExcel>();
    StartExcel();
}

bool TfmConsReport::StartExcel()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (Excel->Create())
            return true;
        QThread::msleep(100);
        QApplication::processEvents();
    }
    Dbg().Print("ConsReport: the spreadsheet application does not start: %s", qUtf8Printable(Excel->LastError()));
    ctl::MessageBox(QStringLiteral("Невозможно открыть Microsoft Excel!\nВозможно Excel не установлен на компьютере."),
                    kError, ctl::MB_OK | ctl::MB_ICONERROR);
    return false;
}

void TfmConsReport::SetDatabase(TADOConnection* connection, const QString& workDir, TDBInfoPribors* infoPribors)
{
    ADOQuery->SetConnection(connection);
    WorkDir = workDir;
    InfoPribors = infoPribors;
}

void TfmConsReport::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TfmConsReport::FormShow()
{
    // An empty journal has no first date: the period then starts today and no instrument is offered.
    QDate first = QDate::currentDate();
    clbPribors->clear();
    try {
        ADOQuery->Close();
        ADOQuery->SetSQL(QStringLiteral("SELECT min(DATA_IZM) as mindate FROM Base"));
        ADOQuery->Open();
        const QString text = ADOQuery->FieldByName(QStringLiteral("mindate"))->AsString();
        int y = 0, m = 0, d = 0;
        if (readDate(text, y, m, d))
            first = QDate(y, m, d);
        else if (!text.isEmpty())
            Dbg().Print("ConsReport: the first date of the journal '%s' is no date", qUtf8Printable(text));
        ADOQuery->Close();
        ADOQuery->SetSQL(QStringLiteral("SELECT DISTINCT PRIBOR FROM Base"));
        ADOQuery->Open();
        TField* pribor = ADOQuery->FieldByName(QStringLiteral("PRIBOR"));
        for (ADOQuery->First(); !ADOQuery->Eof(); ADOQuery->Next()) {
            auto* item = new QListWidgetItem(QString::asprintf("%04i", pribor->AsInteger()), clbPribors);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        ADOQuery->Close();
    } catch (const std::exception& e) {
        Dbg().Print("ConsReport: the journal cannot be read: %s", e.what());
    }
    dtpStartDate->setDate(first);
    dtpEndDate->setDate(QDate::currentDate());
}

void TfmConsReport::cbUsedDateRangeClick()
{
    const bool on = cbUsedDateRange->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lbStartDate, dtpStartDate, lbEndDate, dtpEndDate})
        w->setEnabled(on);
}

void TfmConsReport::bCancelClick()
{
    reject();
}

QString TfmConsReport::SuggestedFileName(double now)
{
    return QStringLiteral("ConsReport") + rtl::FormatDateTime(QStringLiteral(" (yyyy.mm.dd hh.nn)."), now);
}

QString TfmConsReport::FileToWrite(const QString& chosen)
{
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    const bool extension = dot >= 0 && chosen.indexOf(QLatin1Char('/'), dot) < 0;
    return (extension ? chosen.left(dot) : chosen) + QStringLiteral(".xls");
}

int TfmConsReport::DayNumber(const QString& dateText)
{
    int y = 0, m = 0, d = 0;
    return readDate(dateText, y, m, d) ? d + m * 30 + y * 365 : -1;
}

bool TfmConsReport::Period(QString& start, QString& end, QString& condition)
{
    if (cbUsedDateRange->isChecked()) {
        start = dayText(dtpStartDate->date()) + QStringLiteral(" 00:00:00");
        end = dayText(dtpEndDate->date()) + QStringLiteral(" 23:59:59");
        condition = QStringLiteral(" ( DATA_IZM >= '%1' AND DATA_IZM <= '%2' ) AND ").arg(start, end);
        return true;
    }
    // The whole journal: its first and last dates.
    ADOQuery->Close();
    ADOQuery->SetSQL(QStringLiteral("SELECT min(DATA_IZM) as mindate, max(DATA_IZM) as maxdate FROM Base"));
    ADOQuery->Open();
    start = ADOQuery->FieldByName(QStringLiteral("mindate"))->AsString();
    end = ADOQuery->FieldByName(QStringLiteral("maxdate"))->AsString();
    ADOQuery->Close();
    condition.clear();
    if (start.isEmpty() && end.isEmpty()) {
        start = dayText(QDate::currentDate()) + QStringLiteral(" 00:00:00");
        end = dayText(QDate::currentDate()) + QStringLiteral(" 23:59:59");
    }
    for (const QString& t : {start, end}) {
        if (DayNumber(t) < 0) {
            Dbg().Print("ConsReport: the journal holds a date that is no date: '%s'", qUtf8Printable(t));
            ctl::MessageBox(QStringLiteral("В журнале есть запись с неверной датой: \"%1\".\nОтчёт не составлен.").arg(t),
                            kError, ctl::MB_OK | ctl::MB_ICONERROR);
            return false;
        }
    }
    return true;
}

TfmConsReport::Instrument TfmConsReport::Collect(int serial, const QString& condition)
{
    Instrument s;
    ADOQuery->Close();
    ADOQuery->SetSQL(QStringLiteral("SELECT * FROM Base WHERE ") + condition + QStringLiteral(" (PRIBOR = :PRB) ORDER BY DATA_IZM"));
    ADOQuery->Parameters().ParamByName(QStringLiteral("PRB"))->SetValue(serial);
    ADOQuery->Open();
    TField* date = ADOQuery->FieldByName(QStringLiteral("DATA_IZM"));
    TField* pribor = ADOQuery->FieldByName(QStringLiteral("PRIBOR"));
    TField* type = ADOQuery->FieldByName(QStringLiteral("TYPERECORD"));
    TField* izm = ADOQuery->FieldByName(QStringLiteral("IZM"));
    TField* stat = ADOQuery->FieldByName(QStringLiteral("STAT"));
    TField* number = ADOQuery->FieldByName(QStringLiteral("NUM_VIDOH"));

    s.count = ADOQuery->RecordCount();
    if (s.count == 0) {
        // No record in the period: the look-up gets no instrument and no date, which gives 0.
        s.lifetime = InfoPribors ? InfoPribors->AllLifeZapis(0, QString()) : 0;
        ADOQuery->Close();
        return s;
    }
    ADOQuery->Last();
    s.lifetime = InfoPribors ? InfoPribors->AllLifeZapis(uint32_t(pribor->AsInteger()), date->AsString()) : -1;

    std::vector<int32_t> numbers;
    int lastCounted = 0;
    for (ADOQuery->First(); !ADOQuery->Eof(); ADOQuery->Next()) {
        const QString when = date->AsString();
        const int day = DayNumber(when);
        if (s.first.isNull()) {
            s.first = when;
            s.daysInUse = 1;
            lastCounted = day;
        } else if (day > lastCounted) {
            ++s.daysInUse;
            lastCounted = day;
        }
        s.last = when;
        const int32_t code = number->AsInteger();
        switch (type->AsInteger()) {
        case 1: {
            ++s.tests;
            const double norm = InfoPribors ? InfoPribors->Norma(uint32_t(pribor->AsInteger()), when) : 0.0;
            if (float(izm->AsFloat()) > float(norm)) {
                s.exceedances << QStringLiteral("- ") + when;
                s.exceedanceBlockings << when + QStringLiteral(" - превышение");
            }
            const QString state = stat->AsString();
            if (state == QLatin1String("1"))
                ++s.interrupted;
            else if (state == QLatin1String("2"))
                ++s.refusals;
            if (code != 0)
                numbers.push_back(code);
            break;
        }
        case 2:
            if (const int e = eventNo(code)) {
                ++s.events[e];
                if (e == 5)
                    s.eventBlockings << when + QStringLiteral(" - макс. прерван выдох");
                else if (e == 6)
                    s.eventBlockings << when + QStringLiteral(" - отказ от выдоха");
            }
            break;
        default:
            break;
        }
    }
    ADOQuery->Close();

    // Exhalation numbers in order: the gaps between them are the measurements the instrument did not keep.
    // An equal or lower number (the counter restarted after the memory was cleared) adds nothing.
    std::sort(numbers.begin(), numbers.end());
    for (size_t i = 1; i < numbers.size(); ++i)
        s.missing += std::max<int64_t>(0, int64_t(numbers[i]) - 1 - numbers[i - 1]);
    return s;
}

void TfmConsReport::Put(const QString& label, const QVariant& value)
{
    // A row that cannot be written (past the sheet's last row, say) is left out and the report goes on; the
    // rows left out are counted, and told once the report is saved.
    bool written = true;
    if (!label.isEmpty())
        written = Excel->SetCell(Row, 1, label) && written;
    if (value.isValid())
        written = Excel->SetCell(Row, 2, value) && written;
    if (!written && LeftOut++ == 0)
        Dbg().Print("ConsReport: row %i is not written, nor any row after it that fails: %s", Row,
                    qUtf8Printable(Excel->LastError()));
    ++Row;
}

void TfmConsReport::WriteHead(const QString& start, const QString& end, int days)
{
    Row = 1;
    LeftOut = 0;
    Put(QStringLiteral("Обработанная статистика измерений"));
    Put(QString());
    Put(QStringLiteral("Диапазон анализа записей:"), QStringLiteral("с  ") + start);
    Put(QString(), QStringLiteral("по  ") + end);
    Put(QStringLiteral("Количество дней в диапазоне(месяц*30,год*365):"), days);
}

void TfmConsReport::WriteInstrument(int serial, const Instrument& s, int periodDays)
{
    Row += 3;
    Put(QString::asprintf("Серийный номер прибора: %04i", serial));
    Put(QStringLiteral("За всё время работы прибора им было произведено записей:"),
        s.lifetime < 0 ? QStringLiteral("Неизвестно") : QString::number(s.lifetime));
    Put(QStringLiteral("Всего записей в приборе внутри данного диапазона:"), s.count);
    if (s.count == 0)
        return;
    Put(QStringLiteral("Фактическое начало и конец записей в диапазоне:"), QStringLiteral("с  ") + s.first);
    Put(QString(), QStringLiteral("по  ") + s.last);
    Put(QStringLiteral("Количество дней в эксплуатации:"), s.daysInUse);
    Put(QStringLiteral("Количество дней в отключенном состоянии:"), periodDays - s.daysInUse);
    Put(QStringLiteral("Тестов алкоголя в памяти:"), s.tests);
    Put(QStringLiteral("Превышений нормы:"), countText(int(s.exceedances.size()), !s.exceedances.isEmpty()));
    for (const QString& e : s.exceedances)
        Put(QString(), e);
    Put(QStringLiteral("Кол-во измерений менее 0.05 мг/л от первой и до последней записи измерений:"), s.missing);
    Put(QStringLiteral("Отказов от выдоха:"), s.refusals + s.events[6]);
    Put(QStringLiteral("Индикация максимального количества прерванных выдохов:"), s.interrupted + s.events[5]);
    Put(QStringLiteral("Отключение датчика от коробки блокиратора:"), s.events[4]);
    Put(QStringLiteral("Подключение датчика к коробке блокиратора:"), s.events[3]);
    Put(QStringLiteral("Включение зажигания:"), s.events[2]);
    Put(QStringLiteral("Пропадание питания/Отключение зажигания:"), s.events[1]);
    const QStringList blockings = s.exceedanceBlockings + s.eventBlockings;
    Put(QStringLiteral("Количество блокировок двигателя:"), countText(int(blockings.size()), !blockings.isEmpty()));
    for (const QString& b : blockings)
        Put(QString(), b);
}

void TfmConsReport::bSaveToExcelClick()
{
    std::vector<int> chosen;
    for (int i = 0; i < clbPribors->count(); ++i)
        if (clbPribors->item(i)->checkState() == Qt::Checked)
            chosen.push_back(clbPribors->item(i)->text().toInt());
    if (chosen.empty()) {
        ctl::MessageBox(QStringLiteral("Выберите хотябы один прибор!"), kError, ctl::MB_OK | ctl::MB_ICONWARNING);
        return;
    }

    ctl::TFileQuestion question;
    question.Save = true;
    question.Filters = QStringList{QStringLiteral("Excel(97-2003) *.xls (*.xls)")};
    question.FileName = WorkDir + QLatin1Char('/') + SuggestedFileName(rtl::Now());
    if (!ctl::AskFile(question, this) || question.FileName.isEmpty())
        return;
    const QString file = FileToWrite(question.FileName);

    // The application ends after every saving; another try starts it again.
    if (!Excel->Started() && !StartExcel())
        return;
    const QString pattern = rtl::resolveCaseInsensitive(WorkDir + QStringLiteral("/REPORTS/pattern.xls"));
    if (!Excel->OpenWorkbook(pattern)) {
        Dbg().Print("ConsReport: the template %s cannot be opened: %s", qUtf8Printable(pattern),
                    qUtf8Printable(Excel->LastError()));
        ctl::MessageBox(QStringLiteral("Не удалось открыть шаблон отчёта:\n%1\nОтчёт не сохранён.").arg(pattern), kError,
                        ctl::MB_OK | ctl::MB_ICONERROR);
        return;
    }
    try {
        QString start, end, condition;
        if (!Period(start, end, condition)) {
            Excel->CloseWorkbook();
            return;
        }
        const int days = DayNumber(end) - DayNumber(start) + 1;
        WriteHead(start, end, days);
        for (int serial : chosen)
            WriteInstrument(serial, Collect(serial, condition), days);
    } catch (const std::exception& e) {
        ADOQuery->Close();
        Excel->CloseWorkbook();
        Dbg().Print("ConsReport: the journal cannot be read: %s", e.what());
        ctl::MessageBox(QStringLiteral("Не удалось прочитать журнал.\nОтчёт не сохранён."), kError,
                        ctl::MB_OK | ctl::MB_ICONERROR);
        return;
    }

    if (!Excel->SaveAs(file)) {
        const QString why = Excel->LastError();
        Excel->CloseWorkbook();
        Excel->Quit();
        Dbg().Print("ConsReport: the report cannot be saved to %s: %s", qUtf8Printable(file), qUtf8Printable(why));
        ctl::MessageBox(QStringLiteral("Не удалось сохранить отчёт в файл:\n%1").arg(file), kError,
                        ctl::MB_OK | ctl::MB_ICONERROR);
        return;
    }
    Excel->Quit();
    Dbg().Print("ConsReport: saved to %s", qUtf8Printable(file));
    if (LeftOut > 0) {
        const int rows = Row - 1;
        Dbg().Print("ConsReport: %i of the report's %i rows are left out of %s (a sheet holds %i rows)", LeftOut, rows,
                    qUtf8Printable(file), kSheetRows);
        ctl::MessageBox(QStringLiteral("Отчёт сохранён в файл:\n%1\n\nВ него вошли не все строки: не записано строк — %2 из %3.%4")
                            .arg(QDir::toNativeSeparators(file))
                            .arg(LeftOut)
                            .arg(rows)
                            .arg(rows > kSheetRows ? QStringLiteral("\nЛист вмещает не больше 65 536 строк. Чтобы отчёт "
                                                                    "поместился целиком, выберите меньше приборов или более "
                                                                    "короткий диапазон времени.")
                                                   : QString()),
                        QStringLiteral("Внимание!"), ctl::MB_OK | ctl::MB_ICONWARNING);
    }
    if (cbOpenAfterSave->isChecked()) {
        if (OpenSavedFile)
            OpenSavedFile(file);
        else
            OpenWithProgram(file);
    }
    accept();
}

void TfmConsReport::OpenWithProgram(const QString& file)
{
    // The window may be gone when the opener ends: the answer needs the file's name only.
    auto notOpened = [file](int exitCode) {
        Dbg().Print("ConsReport: the saved report %s was not opened (xdg-open ended with %i)", qUtf8Printable(file), exitCode);
        ctl::MessageBox(QStringLiteral("Отчёт сохранён в файл:\n%1\n\nОткрыть его не удалось: на компьютере нет программы "
                                       "для таблиц Excel (.xls), или она завершилась с ошибкой. Откройте файл сами.")
                            .arg(QDir::toNativeSeparators(file)),
                        QStringLiteral("Внимание!"), ctl::MB_OK | ctl::MB_ICONWARNING);
    };
    if (!sys::OpenWithProgram(file, notOpened))
        notOpened(-1);
}
