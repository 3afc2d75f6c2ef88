#pragma once
// Preparing, showing and printing a report: builds the prepared pages (in two passes when the report
// asks, the first only counting pages), shows them in the report's embedded preview, and prints a
// page list with copies. Long operations run inside the progress window, whose Cancel stops them.
#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "report/rpReport.h"

class QIODevice;
class QLabel;
class QPushButton;
class TrpExportFilter;

// Builds the prepared pages; false when the build failed (the error is in BuildErrorText) or was
// cancelled.
bool rpPrepareReport(TrpReport* report);
// One build pass.
void rpDoBuildReport(TrpReport* report);
// Prepares, then shows the pages, or the build error in a message box (the pages are then dropped).
void rpShowReport(TrpReport* report);
void rpShowPreparedReport(TrpReport* report);
// pageNumbers: "" for all pages, else numbers and ranges ("1,3-5"); copies of a page print together.
// With no prepared pages, or none in the list, nothing is printed. The "Default printer" writes a PDF
// file (rpPrintOutput.h); where it went, or why nothing was printed, is told. True when printed whole.
bool rpPrintPreparedReport(TrpReport* report, const QString& pageNumbers, int copies);
// Hands every prepared page to a new filter made on the file (created anew); the filter goes when done.
void rpExportTo(TrpReport* report, const std::function<std::unique_ptr<TrpExportFilter>(QIODevice*)>& filterClass,
                const QString& fileName);
// Page numbers of a page list in their order ("5-3" adds nothing); empty for "".
QList<int> rpParsePageNumbers(const QString& text);

// A report made of member reports built one after another into its prepared pages; a member whose
// first page prints on the previous page continues the page the member before it ended. The members
// are not owned.
class TrpCompositeReport : public TrpReport {
public:
    using TrpReport::TrpReport;
    QList<TrpReport*> Reports;
};

// The progress window of long operations.
class TrpProgressForm : public QDialog {
public:
    explicit TrpProgressForm(QWidget* parent = nullptr);
    // Runs worker inside the window's modal loop (the worker closes it); the modal result: 1 done,
    // 2 cancelled.
    int Show_Modal(TrpReport* report, const std::function<void()>& worker);
    void Button1Click();

    QLabel* Label1;
    QPushButton* Button1;
    TrpReport* Report = nullptr;
    QString StageCaption;
};

// The one progress window (made on first use).
TrpProgressForm& rpProgressForm();
