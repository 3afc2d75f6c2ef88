#include "report/rpPrepare.h"

#include "platform/controls/MessageBox.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/ScopeGuard.h"
#include "report/rpDataHelpers.h"
#include "report/rpDataset.h"
#include "report/rpEMFPages.h"
#include "report/rpExportFilter.h"
#include "report/rpPage.h"
#include "report/rpPageFormation.h"
#include "report/rpPages.h"
#include "report/rpParser.h"
#include "report/rpPreview.h"
#include "report/rpPreviewForm.h"
#include "report/rpPrintOutput.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"
#include "report/rpScriptNames.h"
#include "report/rpStrings.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <utility>

namespace {

bool g_building = false; // a build started from inside a build's modal loop is refused

// The parser asks this report for names and functions; the script interpreter and the variables list
// are the engine's.
void installResolvers(TrpReport* r)
{
    TrpParser& parser = rpTheParser();
    rpTheInterpretator();
    rpTheVariables();
    parser.OnGetValue = [r](const QString& name, QVariant& value) { r->GetVariableValue(name, value); };
    parser.OnFunction = [r](const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                            QString& value) { r->InternalOnFunction(name, p1, p2, p3, value); };
}

bool useWindow(const TrpReport* r)
{
    return !r->OnProgress && r->ShowProgress;
}

QString windowCaption(const TrpReport* r, int resource)
{
    return r->Title.isEmpty() ? rpLoadStr(resource) : rpLoadStr(resource) + QStringLiteral(" - ") + r->Title;
}

void setStage(TrpReport* r, int resource)
{
    r->StageCaption = rpLoadStr(resource);
    if (useWindow(r))
        rpProgressForm().Label1->setText(r->StageCaption + QStringLiteral("  1"));
}

void prepareDataSets(TrpReport* r)
{
    for (int i = 0; i < r->Values.Count(); ++i) {
        TrpValue* v = r->Values.GetValue(i);
        if (v->Typ == vtDBField)
            v->DSet = rpGetDataSet(v->DataSet);
    }
}

} // namespace

// ---- progress window ----------------------------------------------------------------------------------

TrpProgressForm::TrpProgressForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(278, 106);
    Label1 = new QLabel(this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFixedWidth(237);
    Button1 = new QPushButton(rpLoadStr(55001), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    QObject::connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

int TrpProgressForm::Show_Modal(TrpReport* report, const std::function<void()>& worker)
{
    Report = report;
    report->ProgressLabel = [this](const QString& text) { Label1->setText(text); };
    // The worker runs from inside the modal loop; an error it raises is carried out of the loop.
    std::exception_ptr error;
    QTimer::singleShot(0, this, [this, worker, &error] {
        try {
            worker();
        } catch (...) {
            error = std::current_exception();
        }
        if (isVisible())
            done(Report && Report->Cancelled ? 2 : 1);
    });
    const int result = exec();
    report->ProgressLabel = nullptr;
    if (error)
        std::rethrow_exception(error);
    return result;
}

void TrpProgressForm::Button1Click()
{
    if (Report)
        Report->Cancelled = true;
    done(2);
}

TrpProgressForm& rpProgressForm()
{
    static QPointer<TrpProgressForm> form;
    if (!form)
        form = new TrpProgressForm;
    return *form;
}

// ---- building -----------------------------------------------------------------------------------------

namespace {

void buildComposite(TrpCompositeReport* c)
{
    c->Rebuildable = true;
    PageNo = 0;
    for (int i = 0; i < c->Reports.size(); ++i) {
        TrpReport* member = c->Reports[i];
        AppendNextReport = false;
        if (i + 1 < c->Reports.size()) {
            TrpReport* next = c->Reports[i + 1];
            AppendNextReport = next->Pages->Count() > 0 && next->Pages->Pages(0)->PrintToPrevPage;
        }
        if (member->OnBeginDoc)
            member->OnBeginDoc();
        rpDoBuildReport(member);
        if (c->LastPass && member->OnEndDoc)
            member->OnEndDoc();
        ContinuePage = AppendNextReport;
        AppendNextReport = false;
        if (c->Cancelled)
            break;
    }
    CurReport = c;
    installResolvers(c);
}

} // namespace

void rpDoBuildReport(TrpReport* r)
{
    if (auto* composite = dynamic_cast<TrpCompositeReport*>(r)) {
        buildComposite(composite);
        return;
    }
    HookedViews.clear();
    r->Rebuildable = true;
    DocMode = dmPrinting;
    CurReport = r;
    installResolvers(r);
    const bool multiple = r->Dataset && r->ReportType == rtMultiple;
    TrpDataset* ds = multiple ? r->Dataset.data() : nullptr;
    if (ds) {
        ds->Init();
        ds->First();
    }
    TrpPages& pages = *r->Pages;
    // An error the engine raises (a data set that cannot open) leaves no runtime bands behind.
    const rtl::TScopeGuard done([&pages, ds] {
        for (int i = 0; i < pages.Count(); ++i)
            rpForgetPageRun(pages.Pages(i));
        if (ds)
            ds->Exit();
    });
    for (int i = 0; i < pages.Count(); ++i)
        pages.Pages(i)->SkipInBuild = false;
    for (int i = 0; i < pages.Count(); ++i)
        rpPageRun(pages.Pages(i)).InitReport();
    prepareDataSets(r);
    for (int i = 0; i < pages.Count(); ++i)
        rpPageRun(pages.Pages(i)).PrepareObjects();

    TrpReport* master = MasterReport ? MasterReport : r;
    do {
        r->InternalOnProgress(PageNo + 1);
        for (int i = 0; i < pages.Count(); ++i) {
            TrpPage* page = pages.Pages(i);
            if (page->SkipInBuild)
                continue;
            TrpPageRun& run = rpPageRun(page);
            CurPage = page;
            run.Mode = pmNormal;
            if (r->OnManualBuild)
                r->OnManualBuild(page);
            else
                run.FormPage();
            const bool last = i == pages.Count() - 1;
            const bool continues = (last && AppendNextReport && (!ds || ds->Eof())) ||
                                   (!last && pages.Pages(i + 1)->PrintToPrevPage);
            if (continues) {
                --PageNo;
                ContinuePage = true;
            } else {
                PageNo = master->EMFPages->Count();
                r->InternalOnProgress(PageNo);
            }
            if (master->Cancelled)
                break;
        }
        r->InternalOnProgress(PageNo);
        if (ds)
            ds->Next();
    } while (!master->Cancelled && ds && !ds->Eof());
}

namespace {

void resetPass(TrpReport* r, bool counting)
{
    r->Cancelled = false;
    ContinuePage = false;
    PageFooterDrawn = false;
    DisableDrawing = counting;
    r->LastPass = !counting;
    PageNo = 0;
    r->EMFPages->Clear();
}

// Both passes of a build; true unless cancelled.
bool buildPasses(TrpReport* r)
{
    if (r->TwoPass) {
        resetPass(r, true);
        setStage(r, 55204);
        rpDoBuildReport(r);
        if (r->Cancelled)
            return false;
        r->FirstPassPageCount = r->EMFPages->Count();
        resetPass(r, false);
        setStage(r, 55205);
        rpDoBuildReport(r);
    } else {
        resetPass(r, false);
        r->FirstPassPageCount = 0;
        setStage(r, 55205);
        rpDoBuildReport(r);
    }
    return !r->Cancelled;
}

bool doPrepareReport(TrpReport* r)
{
    bool result = true;
    if (useWindow(r)) {
        TrpProgressForm& form = rpProgressForm();
        form.setWindowTitle(windowCaption(r, 55203));
        result = form.Show_Modal(r, [r, &result] { result = buildPasses(r); }) != 2 && result;
    } else {
        result = buildPasses(r);
    }
    DisableDrawing = false;
    r->Cancelled = false;
    return result;
}

} // namespace

bool rpPrepareReport(TrpReport* r)
{
    if (!r || g_building)
        return false;
    g_building = true;
    DocMode = dmPrinting;
    r->BuildMoment = rtl::Now();
    CurReport = MasterReport = r;
    installResolvers(r);
    BuildError = false;
    BuildErrorText.clear();
    ScriptErrors.clear();
    if (r->OnBeginDoc)
        r->OnBeginDoc();
    bool result = false;
    {
        rtl::TScopeGuard failed([] {
            g_building = false;
            DisableDrawing = false;
        });
        result = doPrepareReport(r);
        failed.Dismiss();
    }
    r->LastPass = false;
    if (r->OnEndDoc)
        r->OnEndDoc();
    g_building = false;
    // A build that failed is no success, whatever pages it left.
    return result && !BuildError;
}

void rpShowReport(TrpReport* r)
{
    rpPrepareReport(r);
    if (BuildError) {
        ctl::MessageBox(BuildErrorText, rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
        r->EMFPages->Clear();
        return;
    }
    rpShowPreparedReport(r);
}

void rpShowPreparedReport(TrpReport* r)
{
    CurReport = MasterReport = r;
    DocMode = dmPrinting;
    if (r->EMFPages->Count() == 0)
        return;
    const QString caption = windowCaption(r, 55207);
    if (auto* preview = dynamic_cast<TrpPreview*>(r->Preview.data())) {
        preview->Connect(r);
        return;
    }
    // The engine's own preview window; it frees itself when closed.
    auto* window = new TrpPreviewForm;
    window->setWindowTitle(caption);
    window->Show_Modal(r);
}

// ---- the report's own operations ----------------------------------------------------------------------

bool TrpReport::PrepareReport()
{
    return rpPrepareReport(this);
}

void TrpReport::ShowReport()
{
    rpShowReport(this);
}

void TrpReport::ShowPreparedReport()
{
    rpShowPreparedReport(this);
}

bool TrpReport::PrintPreparedReport(const QString& pageNumbers, int copies)
{
    return rpPrintPreparedReport(this, pageNumbers, copies);
}

// ---- export -------------------------------------------------------------------------------------------

void rpExportTo(TrpReport* r, const std::function<std::unique_ptr<TrpExportFilter>(QIODevice*)>& filterClass,
                const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw ErpError(QStringLiteral("Cannot create file ") + fileName);
    std::unique_ptr<TrpExportFilter> filter = filterClass(&file);
    filter->OnBeginDoc();
    CurReport = MasterReport = r;
    r->FirstPassPageCount = r->EMFPages->Count();
    r->CurrentFilter = filter.get();
    r->ExportInProgress = true;
    auto work = [r, &filter] {
        QCoreApplication::processEvents();
        for (int i = 0; i < r->EMFPages->Count(); ++i) {
            filter->OnBeginPage();
            r->EMFPages->ExportData(i);
            r->InternalOnProgress(i + 1);
            QCoreApplication::processEvents();
            filter->OnEndPage();
        }
        filter->OnEndDoc();
    };
    {
        const rtl::TScopeGuard exported([r] {
            r->CurrentFilter = nullptr;
            r->ExportInProgress = false;
        });
        if (useWindow(r)) {
            TrpProgressForm& form = rpProgressForm();
            form.setWindowTitle(windowCaption(r, 55203));
            r->StageCaption = rpLoadStr(55205);
            form.Label1->setText(r->StageCaption + QStringLiteral("  1"));
            form.Show_Modal(r, work);
        } else {
            work();
        }
    }
    filter.reset();
    file.close();
}

// ---- printing -----------------------------------------------------------------------------------------

QList<int> rpParsePageNumbers(const QString& text)
{
    QList<int> list;
    QString s = text;
    s.remove(QLatin1Char(' '));
    if (s.isEmpty())
        return list;
    s += QLatin1Char(',');
    QString number;
    int rangeStart = -1;
    for (const QChar c : s) {
        if (c == u'-') {
            rangeStart = number.toInt();
            number.clear();
        } else if (c == u',') {
            const int n = number.toInt();
            if (rangeStart >= 0) {
                for (int k = rangeStart; k <= n; ++k)
                    list.append(k);
            } else if (!number.isEmpty()) {
                list.append(n);
            }
            rangeStart = -1;
            number.clear();
        } else {
            number += c;
        }
    }
    return list;
}

namespace {

enum class TPrintEnd { Done, Cancelled, Refused };

// Prints the chosen pages to the printer in force, or to the PDF file on the "Default printer".
TPrintEnd doPrintReport(TrpReport* r, const QList<int>& selected, int copies, const QString& pdfFile)
{
    TrpEMFPages& pages = *r->EMFPages;
    TrpPrinter& prn = Prn();
    const TrpPageInfo& first = pages.Pages(selected.first());
    prn.SetPrinterInfo(first.pgSize, first.pgWidth, first.pgHeight, first.pgOr);
    const bool toPdf = !pdfFile.isEmpty();
    std::unique_ptr<QPrinter> pdf;
    QPrinter* printer = prn.Printer;
    if (toPdf) {
        pdf = prn.NewPdfPrinter(pdfFile);
        printer = pdf.get();
    }
    printer->setDocName(QStringLiteral("Report: ") + (r->Title.isEmpty() ? rpLoadStr(55209) : r->Title));

    QPainter painter;
    if (!painter.begin(printer))
        return TPrintEnd::Refused;
    bool firstPage = true;
    for (int i : selected) {
        TrpPageInfo& page = pages.Pages(i);
        for (int c = 0; c < copies; ++c) {
            if (!prn.IsEqual(page.pgSize, page.pgWidth, page.pgHeight, page.pgOr)) {
                prn.SetPrinterInfo(page.pgSize, page.pgWidth, page.pgHeight, page.pgOr);
                if (toPdf) {
                    // One file: the next page takes the new paper.
                    const auto fresh = prn.NewPdfPrinter(QString());
                    printer->setPageLayout(fresh->pageLayout());
                    if (!firstPage)
                        printer->newPage();
                } else {
                    // Another paper on a printer is another document.
                    if (!painter.end() || !painter.begin(printer))
                        return TPrintEnd::Refused;
                }
            } else if (!firstPage) {
                printer->newPage();
            }
            prn.FillPrnInfo(page.PrnInfo);
            const QRect paper = printer->paperRect(QPrinter::DevicePixel).toRect();
            const QRect printable = printer->pageRect(QPrinter::DevicePixel).toRect();
            const int offX = printable.left() - paper.left();
            const int offY = printable.top() - paper.top();
            // The painter's origin is the paper's corner on a full-page printer, else the printable area's.
            const int originX = printer->fullPage() ? 0 : offX;
            const int originY = printer->fullPage() ? 0 : offY;
            const gfx::TRect rect = page.pgMargins
                                        ? gfx::TRect(-originX, -originY, paper.width() - originX, paper.height() - originY)
                                        : gfx::TRect(offX - originX, offY - originY, offX - originX + printable.width(),
                                                     offY - originY + printable.height());
            {
                // A page the preview has scrolled out of sight is still printed.
                page.Visible = true;
                gfx::TCanvas canvas(&painter);
                pages.Draw(i, &canvas, rect);
            }
            page.Page.reset(); // the page's objects are made again when next needed
            firstPage = false;
            r->InternalOnProgress(i + 1);
            QCoreApplication::processEvents();
            if (r->Cancelled) {
                printer->abort();
                painter.end();
                return TPrintEnd::Cancelled;
            }
        }
    }
    if (!painter.end() || printer->printerState() == QPrinter::Error)
        return TPrintEnd::Refused;
    return TPrintEnd::Done;
}

} // namespace

bool rpPrintPreparedReport(TrpReport* r, const QString& pageNumbers, int copies)
{
    CurReport = MasterReport = r;
    r->Cancelled = false;
    TrpPrinter& prn = Prn();
    // A file chosen in the print dialog is for this job alone: the next report never writes over it unasked.
    QString pdfFile = std::exchange(prn.OutputFile, QString());

    // An empty list means every page; a list that names no page ("5-3", "0") prints nothing.
    const bool all = pageNumbers.trimmed().isEmpty();
    const QList<int> list = rpParsePageNumbers(pageNumbers);
    QList<int> selected;
    for (int i = 0; i < r->EMFPages->Count(); ++i)
        if (all || list.contains(i + 1))
            selected.append(i);
    // No pages, or none in the list: no print job at all.
    if (selected.isEmpty())
        return false;

    const bool toPdf = prn.IsDefault() || !prn.Printer;
    if (!toPdf) {
        pdfFile.clear();
    } else if (pdfFile.isEmpty()) {
        pdfFile = rpProposedPrintFile(*r);
        if (!rpAcceptPrintFile(pdfFile))
            return false;
    }

    TPrintEnd end = TPrintEnd::Cancelled;
    auto work = [&] { end = doPrintReport(r, selected, std::max(1, copies), pdfFile); };
    if (useWindow(r)) {
        TrpProgressForm& form = rpProgressForm();
        form.setWindowTitle(windowCaption(r, 55203));
        r->StageCaption = rpLoadStr(55208);
        form.Label1->setText(r->StageCaption);
        form.Show_Modal(r, work);
    } else {
        work();
    }
    r->Cancelled = false;

    switch (end) {
    case TPrintEnd::Done:
        if (toPdf)
            rpTellPrintedToFile(pdfFile);
        return true;
    case TPrintEnd::Cancelled:
        // An aborted job leaves no half-written document behind.
        if (toPdf)
            QFile::remove(pdfFile);
        return false;
    case TPrintEnd::Refused:
        if (toPdf)
            rpTellFileNotWritten(pdfFile);
        else
            rpTellPrinterRefused(prn.Printers.value(prn.PrinterIndex));
        return false;
    }
    return false;
}
