#include "journal/ConsReport.h"

#include "core/Debug.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/system/SystemInfo.h"
#include "platform/xls/XlsLimits.h"

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

namespace {

const QString kError = QStringLiteral("Ошибка");

} // namespace

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
    Engine.reset();
}

void TfmConsReport::FormCreate()
{
    Engine = std::make_unique<TConsReportEngine>();
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
    Engine->SetDatabase(connection, infoPribors);
    WorkDir = workDir;
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
        if (const QDate date = Engine->FirstDate(); date.isValid())
            first = date;
        for (int serial : Engine->Instruments()) {
            auto* item = new QListWidgetItem(QString::asprintf("%04i", serial), clbPribors);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
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

bool TfmConsReport::Period(TConsPeriod& period)
{
    if (cbUsedDateRange->isChecked()) {
        period = TConsReportEngine::DateRange(dtpStartDate->date(), dtpEndDate->date());
        return true;
    }
    QString bad;
    if (Engine->WholeJournal(period, bad))
        return true;
    ctl::MessageBox(QStringLiteral("В журнале есть запись с неверной датой: \"%1\".\nОтчёт не составлен.").arg(bad),
                    kError, ctl::MB_OK | ctl::MB_ICONERROR);
    return false;
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
        TConsPeriod period;
        if (!Period(period)) {
            Excel->CloseWorkbook();
            return;
        }
        Engine->Write(*Excel, period, chosen);
    } catch (const std::exception& e) {
        Engine->Close();
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
    if (const int leftOut = Engine->LeftOut(); leftOut > 0) {
        const int rows = Engine->Rows();
        Dbg().Print("ConsReport: %i of the report's %i rows are left out of %s (a sheet holds %i rows)", leftOut, rows,
                    qUtf8Printable(file), xls::kMaxRows);
        ctl::MessageBox(QStringLiteral("Отчёт сохранён в файл:\n%1\n\nВ него вошли не все строки: не записано строк — %2 из %3.%4")
                            .arg(QDir::toNativeSeparators(file))
                            .arg(leftOut)
                            .arg(rows)
                            .arg(rows > xls::kMaxRows ? QStringLiteral("\nЛист вмещает не больше 65 536 строк. Чтобы отчёт "
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
