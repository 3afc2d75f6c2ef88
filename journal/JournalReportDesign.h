#pragma once
// The journal's report window around the report designer: the work folder's journal opened as the
// program opens its whole view, and bound to the window of the work folder's journal variant as
// "Печать Журнала" binds it. Its journal report then offers the journal's data sets to the designer
// (fields, field picker, band data sources) and its preview builds the journal's rows with the window's
// answers to the template's variables.
#include <QString>
#include <memory>

class TADOConnection;
class TADOQuery;
class TDataSource;
class TDBInfoPribors;
class TfmReportWindow;
class TrpReport;

class TJournalReportDesign {
public:
    // Opens the journal of the work folder; Error() says why when it cannot (nothing is created then).
    explicit TJournalReportDesign(const QString& workDir);
    ~TJournalReportDesign();
    TJournalReportDesign(const TJournalReportDesign&) = delete;
    TJournalReportDesign& operator=(const TJournalReportDesign&) = delete;

    bool Ok() const { return Error.isEmpty(); }
    QString Error;

    // The window's journal report (null unless Ok).
    TrpReport* Report() const;
    // The template the program prints the journal with: REPORTS of the work folder.
    QString TemplateFile() const { return templateFile_; }
    // Runs the designer on the journal report; its preview opens a window of its own, as the designer's
    // preview of any report does.
    void Design();

private:
    std::unique_ptr<TADOConnection> connection_;
    std::unique_ptr<TADOQuery> query_;
    std::unique_ptr<TDataSource> source_;
    std::unique_ptr<TDBInfoPribors> info_;
    std::unique_ptr<TfmReportWindow> window_;
    QString templateFile_;
};
