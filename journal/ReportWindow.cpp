#include "journal/ReportWindow.h"

#include "journal/JournalRecord.h"

#include "platform/controls/DialogPort.h"
#include "platform/controls/FormFont.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpEMFPages.h"
#include "report/rpGlobals.h"
#include "report/rpPageFormation.h"
#include "report/rpPrepare.h"
#include "report/rpPreview.h"
#include "report/rpPrintOutput.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"

#include <QDateTime>
#include <algorithm>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

TDataReportAkt ReportAktOf(const TJournalRecord& a)
{
    TDataReportAkt r;
    r.ID = a.ID;
    r.PRIBOR = a.PRIBOR;
    r.DATA_IZM = a.DATA_IZM;
    r.OBSL_FAM = a.OBSL_FAM;
    r.OBSL_NAME = a.OBSL_NAME;
    r.OBSL_PAT = a.OBSL_PAT;
    r.IZM = a.IZM;
    r.STAT = a.STAT;
    r.OPER = a.OPER;
    r.NUM_VIDOH = a.NUM_VIDOH;
    return r;
}

bool TReportPrintDialog::Execute(QWidget* parent, const TrpReport& report)
{
    QPrinter printer(QPrinter::HighResolution);
    rpPreparePrintDialogPrinter(printer, report);
    printer.setCopyCount(Copies);
    printer.setFromTo(0, 0);
    printer.setPrintRange(PrintRange == prAllPages ? QPrinter::AllPages : QPrinter::PageRange);
    TrpSystemPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange);
    if (MaxPage > 0)
        dialog.setMinMax(1, MaxPage);
    if (ctl::ExecDialog(dialog) != QDialog::Accepted)
        return false;
    Copies = std::max(1, printer.copyCount());
    PrintRange = printer.printRange() == QPrinter::PageRange ? prPageNums : prAllPages;
    FromPage = printer.fromPage();
    ToPage = printer.toPage();
    rpTakePrintDialogChoice(printer);
    return true;
}

QString TReportPrintDialog::PageList() const
{
    if (PrintRange == prAllPages)
        return QString();
    return QString::number(FromPage) + QLatin1Char('-') + QString::number(ToPage);
}

// ---- the window ---------------------------------------------------------------------------------------

TfmReportWindow::TfmReportWindow(QWidget* owner, const QString& name)
    : QDialog(owner), Owner(std::make_unique<TrpOwner>(name, TrpOwner::Form, false))
{
    setObjectName(name);
    setWindowTitle(QString::fromUtf8("Отчёт"));
    resize(788, 482);
    ctl::SetFormFont(this);

    rpPreview = new TrpPreview(this);
    rpPreview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    rpPreview->SetScrollBars(ssBoth);
    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(40);
    bPrint = new QPushButton(QString::fromUtf8("печать"), Panel1);
    bCancel = new QPushButton(QString::fromUtf8("отмена"), Panel1);
    // No default button: Enter in the preview must not print or close.
    bPrint->setAutoDefault(false);
    bCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout(Panel1);
    buttons->addWidget(bPrint);
    buttons->addStretch(1);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(rpPreview, 1);
    layout->addWidget(Panel1);
    connect(bPrint, &QPushButton::clicked, this, [this] { bPrintClick(); });
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });

    rpDBDataSet1 = std::make_unique<TrpDBDataSet>();
    rpDBDataSet1->SetName(QStringLiteral("rpDBDataSet1"));
    Owner->Add(QStringLiteral("rpDBDataSet1"), rpDBDataSet1.get());
    for (auto* report : {&rpRep, &rpRepAkt}) {
        *report = std::make_unique<TrpReport>(Owner.get(), report == &rpRep ? QStringLiteral("rpRep")
                                                                            : QStringLiteral("rpRepAkt"));
        (*report)->Dataset = rpDBDataSet1.get();
        (*report)->Preview = rpPreview;
        (*report)->ModifyPrepared = false;
        (*report)->InitialZoom = pzDefault;
    }
    // The name a printed file is proposed under: an act never takes the journal's file.
    rpRep->Title = QString::fromUtf8("Журнал измерений");
    rpRepAkt->Title = QString::fromUtf8("Акт обследования");
}

TfmReportWindow::~TfmReportWindow()
{
    // The preview gives the pages back before the reports go.
    rpPreview->Disconnect();
    rpRep.reset();
    rpRepAkt.reset();
    Owner->Remove(QStringLiteral("rpDBDataSet1"));
    Owner->Remove(QStringLiteral("ADOQuery"));
}

int TfmReportWindow::PreviewPages() const
{
    return rpPreview->AllPages();
}

void TfmReportWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    rpPreview->setFocus();
}

void TfmReportWindow::bindJournal(TDataSet* query, TDataSource* source, const QString& workDir,
                                  const QString& operatorName)
{
    operatorName_ = operatorName;
    workDir_ = workDir;
    journal_ = query;
    if (source)
        rpDBDataSet1->SetDataSource(source);
    else
        rpDBDataSet1->SetDataSet(query);
    Owner->Add(QStringLiteral("ADOQuery"), query);
}

bool TfmReportWindow::showJournal(const QString& templateName)
{
    return showReport(*rpRep, templateName, 1);
}

bool TfmReportWindow::showAct(const QString& workDir, const TDataReportAkt& act, const QString& templateName)
{
    workDir_ = workDir;
    act_ = act;
    return showReport(*rpRepAkt, templateName, 2);
}

bool TfmReportWindow::showReport(TrpReport& report, const QString& templateName, int kind)
{
    const QString templateFile = rtl::resolveCaseInsensitive(workDir_ + QStringLiteral("/REPORTS/") + templateName);
    bool loaded = false;
    try {
        loaded = report.LoadFromFile(templateFile); // a damaged file has already said so
    } catch (const std::exception&) {
        ctl::MessageBox(QString::fromUtf8("Не удалось открыть шаблон отчёта \"") + templateFile +
                            QString::fromUtf8("\"."),
                        QString::fromUtf8("Ошибка!"), ctl::MB_OK | ctl::MB_ICONERROR);
    }
    if (!loaded)
        return false;
    report.ShowReport();
    reportKind_ = kind;
    return true;
}

void TfmReportWindow::bPrintClick()
{
    PrintDialog.PrintRange = TReportPrintDialog::prAllPages;
    PrintDialog.Copies = 1;
    PrintDialog.FromPage = 0;
    PrintDialog.ToPage = 0;
    TrpReport* report = reportKind_ == 1 ? rpRep.get() : reportKind_ == 2 ? rpRepAkt.get() : nullptr;
    if (!report)
        return;
    // Built again so that what is printed is what the journal holds now; pages of a failed build are
    // never printed.
    if (!report->PrepareReport()) {
        if (BuildError)
            ctl::MessageBox(BuildErrorText, QString::fromUtf8("Ошибка!"), ctl::MB_OK | ctl::MB_ICONERROR);
        report->EMFPages->Clear();
        return;
    }
    PrintDialog.MaxPage = report->EMFPages->Count();
    if (!PrintDialog.Execute(this, *report))
        return;
    report->PrintPreparedReport(PrintDialog.PageList(), PrintDialog.Copies);
}

void TfmReportWindow::bCancelClick()
{
    reject();
}

// ---- texts --------------------------------------------------------------------------------------------

QString TfmReportWindow::JournalDate(const QString& stored)
{
    const QString s = stored.left(19);
    if (s.size() < 10)
        return s;
    return s.mid(8, 2) + QLatin1Char('.') + s.mid(5, 2) + QLatin1Char('.') + s.left(4) + s.mid(10);
}

QString TfmReportWindow::EventText(qint32 numVidoh)
{
    switch (numVidoh) {
    case -2147483647: return QString::fromUtf8(" пропадание питания");
    case -2147483646: return QString::fromUtf8(" включение зажигания");
    case -2147483645: return QString::fromUtf8(" подключение датчика к коробке блокиратора");
    case -2147483644: return QString::fromUtf8(" отключение датчика от коробки блокиратора");
    case -2147483643: return QString::fromUtf8(" индикация максимального количества прерванных выдохов");
    case -2147483642: return QString::fromUtf8(" был отказ от выдоха");
    default: return QStringLiteral(" unknow");
    }
}

QString TfmReportWindow::PersonText(const QString& fam, const QString& name, const QString& pat)
{
    if (fam.isEmpty() && name.isEmpty() && pat.isEmpty())
        return QStringLiteral(" ") + QString(32, QLatin1Char('-'));
    return QLatin1Char(' ') + fam + QLatin1Char(' ') + name + QLatin1Char(' ') + pat;
}

TField* TfmReportWindow::field(const char* name) const
{
    if (!journal_)
        return nullptr;
    const QLatin1String wanted(name);
    auto place = std::find_if(fieldPlaces_.begin(), fieldPlaces_.end(), [&](const auto& p) { return p.first == name; });
    if (place != fieldPlaces_.end() && place->second < journal_->FieldCount()) {
        TField* f = journal_->Fields(place->second);
        if (f->FieldName() == wanted)
            return f;
    }
    TField* f = journal_->FindField(wanted);
    if (!f)
        return nullptr;
    int index = 0;
    while (journal_->Fields(index) != f)
        ++index;
    if (place != fieldPlaces_.end())
        place->second = index;
    else
        fieldPlaces_.emplace_back(name, index);
    return f;
}

QString TfmReportWindow::fieldText(const char* name) const
{
    TField* f = field(name);
    return f ? f->AsString() : QString();
}

qint32 TfmReportWindow::fieldInt(const char* name) const
{
    TField* f = field(name);
    return f && !f->IsNull() ? f->AsInteger() : 0;
}

double TfmReportWindow::fieldFloat(const char* name) const
{
    TField* f = field(name);
    return f && !f->IsNull() ? f->AsFloat() : 0.0;
}

bool TfmReportWindow::journalValue(const QString& name, QVariant& value) const
{
    if (name == QLatin1String("daterep"))
        value = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    else if (name == QLatin1String("operator"))
        value = operatorName_;
    else if (name == QLatin1String("number_row"))
        value = QString::number(journal_ ? journal_->RecNo() : 0);
    else if (name == QLatin1String("date"))
        value = JournalDate(fieldText("DATA_IZM"));
    else if (name == QLatin1String("pribor"))
        value = QString::asprintf("%04i", fieldInt("PRIBOR"));
    else
        return false;
    return true;
}

bool TfmReportWindow::actValue(const QString& name, QVariant& value) const
{
    const QString date = JournalDate(act_.DATA_IZM);
    if (name == QLatin1String("OBSL_Fam")) {
        value = act_.OBSL_FAM;
    } else if (name == QLatin1String("OBSL_Name")) {
        value = act_.OBSL_NAME;
    } else if (name == QLatin1String("OBSL_Pat")) {
        value = act_.OBSL_PAT;
    } else if (name == QLatin1String("operator")) {
        value = act_.OPER;
    } else if (name == QLatin1String("Pribor")) {
        value = QString::asprintf("%04i", act_.PRIBOR);
    } else if (name == QLatin1String("DateIzm") || name == QLatin1String("TimeIzm")) {
        const QDateTime moment = QDateTime::fromString(date, QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        const bool isDate = name == QLatin1String("DateIzm");
        if (moment.isValid())
            value = moment.toString(isDate ? QStringLiteral("dd.MM.yyyy ") : QStringLiteral("HH:mm "));
        else // a date the journal never stores: its text as it stands
            value = (isDate ? date.left(10) : date.mid(11, 5)) + QLatin1Char(' ');
    } else if (name == QLatin1String("Number_vidoh")) {
        value = QString::number(act_.NUM_VIDOH);
    } else {
        return false;
    }
    return true;
}
