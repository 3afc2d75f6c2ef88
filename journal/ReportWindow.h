#pragma once
// What the two report windows of the journal share: the window with its preview, print and cancel
// buttons, the report data set and the two reports (journal and act), the print dialog and printing,
// and the texts both variants answer alike. TfmDefault_Report and TfmDefault_MP_Report add their
// variables and photos.
#include <QDialog>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

class QPushButton;
class QWidget;
class TDataSet;
class TrpDBDataSet;
class TrpOwner;
class TrpPreview;
class TrpReport;

// The act handed by value to the act report.
struct TDataReportAkt {
    qint32 ID = 0;
    qint32 PRIBOR = 0;
    QString DATA_IZM; // "yyyy.mm.dd hh:nn:ss"
    QString OBSL_FAM;
    QString OBSL_NAME;
    QString OBSL_PAT;
    double IZM = 0;
    QChar STAT;       // '0' normal, '1' interrupted, '2' refusal, '3' manual sampling
    QString OPER;
    qint32 NUM_VIDOH = 0;
};

// The act report's record of an act of either variant.
TDataReportAkt ReportAktOf(const struct TJournalRecord& act);

// The print dialog of the report windows: which pages and how many copies. Execute runs the system's
// dialog for the report and selects the engine's printer (a printer of the print service, or a PDF file,
// proposed under the report's name in the documents folder).
class TReportPrintDialog {
public:
    enum TPrintRange { prAllPages, prPageNums };
    TPrintRange PrintRange = prAllPages;
    int FromPage = 0;
    int ToPage = 0;
    int Copies = 1;
    int MaxPage = 0;

    bool Execute(QWidget* parent, const TrpReport& report);
    // The page list of the engine: "" for all pages, else "<from>-<to>".
    QString PageList() const;
};

class TfmReportWindow : public QDialog {
public:
    ~TfmReportWindow() override;

    void bPrintClick();
    void bCancelClick();

    // 0 after creation, 1 once the journal report is shown, 2 once the act report is shown.
    int ReportKind() const { return reportKind_; }
    // Pages the preview shows.
    int PreviewPages() const;

    QWidget* Panel1;
    QPushButton* bPrint;
    QPushButton* bCancel;
    TrpPreview* rpPreview;
    std::unique_ptr<TrpOwner> Owner; // the window as the engine finds its data set
    std::unique_ptr<TrpDBDataSet> rpDBDataSet1;
    std::unique_ptr<TrpReport> rpRep;
    std::unique_ptr<TrpReport> rpRepAkt;
    TReportPrintDialog PrintDialog;

    // "yyyy.mm.dd hh:nn:ss" as "dd.mm.yyyy hh:nn:ss" (at most the column's 19 characters).
    static QString JournalDate(const QString& stored);
    // The event of an interlock row by its exhalation number, with its leading blank.
    static QString EventText(qint32 numVidoh);
    // " " + surname + " " + name + " " + patronymic, or a blank and 32 hyphens when all three are empty.
    static QString PersonText(const QString& fam, const QString& name, const QString& pat);

protected:
    // name: the window's name as the engine finds its data set ("fmDefault_Report").
    TfmReportWindow(QWidget* owner, const QString& name);
    void showEvent(QShowEvent* event) override;

    // The journal's rows for the journal report: its data set through its source, and the data set itself as
    // the engine finds it by name ("ADOQuery"), so that a template may name its fields.
    void bindJournal(TDataSet* query, class TDataSource* source, const QString& workDir, const QString& operatorName);
    // Load the template of REPORTS and show it built; a template that cannot be read is reported here and
    // gives false.
    bool showJournal(const QString& templateName);
    bool showAct(const QString& workDir, const TDataReportAkt& act, const QString& templateName);
    // The act's variables both variants answer the same way; false for another name.
    bool actValue(const QString& name, QVariant& value) const;
    // The journal's variables both variants answer the same way; false for another name.
    bool journalValue(const QString& name, QVariant& value) const;
    QString fieldText(const char* field) const;
    qint32 fieldInt(const char* field) const;
    double fieldFloat(const char* field) const;

    QString operatorName_;
    QString workDir_;
    TDataReportAkt act_;

private:
    bool showReport(TrpReport& report, const QString& templateName, int kind);
    // The journal's field of that name. Every variable of every row asks for one: the place found last is
    // tried first, and checked by its name, since the view may be opened again while the window is shown.
    class TField* field(const char* name) const;
    int reportKind_ = 0;
    TDataSet* journal_ = nullptr;
    mutable std::vector<std::pair<const char*, int>> fieldPlaces_;
};
