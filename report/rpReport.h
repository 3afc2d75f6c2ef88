#pragma once
// The report component: design pages, prepared pages, variables and values, settings and events, and
// its stored forms (stream, file, table blob, template, the form property), variable look-up, object
// look-up and printer selection. Building, showing and printing are defined with the building flow.
#include "report/rpPages.h"
#include "report/rpValues.h"

#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace gfx {
class TBitmap;
}
class TDataSet;
class TField;
class TrpDataset;
class TrpEMFPages;
class TrpExportFilter;
class TrpOwner;
class TrpPage;
class TrpView;
class TrpBand;
class TrpPageView;

enum TrpPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };
enum TrpPreviewButton { pbZoom = 1, pbLoad = 2, pbSave = 4, pbPrint = 8, pbFind = 16, pbHelp = 32, pbExit = 64 };
constexpr unsigned rpAllPreviewButtons = 127;
enum TrpReportType { rtSimple, rtMultiple };

class TrpReport {
public:
    explicit TrpReport(TrpOwner* owner = nullptr, const QString& name = QString());
    virtual ~TrpReport();
    TrpReport(const TrpReport&) = delete;
    TrpReport& operator=(const TrpReport&) = delete;

    // Stored forms. A stream that cannot be read shows "Unsupported RPF format" and gives false; a
    // damaged body leaves one empty page.
    bool LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream);
    // A file that cannot be opened raises ErpError; nothing is loaded then.
    bool LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);
    // The table's first field is an integer document number, its second a blob with the stream.
    void SaveToDB(TDataSet* dataSet, int docN);
    bool LoadFromDB(TDataSet* dataSet, int docN);
    void SaveTemplate(const QString& fileName, const QStringList& desc, const gfx::TBitmap* bmp);
    // With load false only the description and picture are read.
    bool LoadTemplate(const QString& fileName, QStringList& desc, gfx::TBitmap* bmp, bool load);
    // The form property: int32 23, then, with StoreInDFM, the length and bytes of the stream.
    QByteArray ReportForm();
    void SetReportForm(const QByteArray& bytes);
    bool LoadPreparedReport(const QString& fileName);
    void SavePreparedReport(const QString& fileName);
    // The XML form (".rp3"): the file name takes that extension.
    void SaveToRP3File(const QString& fileName);

    void DesignReport();
    // Prepared page pageIndex (0-based) in a designer: the design is set aside, the page's objects become
    // the only design page, and what the designer keeps goes back into the prepared page. True when the
    // page was changed.
    bool EditPreparedReport(int pageIndex);

    // Variables: a line without a leading blank is a category, " name" a variable of it.
    void SetVars(const QStringList& list);
    void GetCategoryList(QStringList& list) const;
    // Raises ErpError when catNo names no category.
    void GetVarList(int catNo, QStringList& list) const;
    int FindVariable(const QString& name) const;
    // Over all pages in order, names compared ignoring case.
    TrpView* FindObject(const QString& name) const;

    void SetPrinterTo(const QString& printerName);
    bool ChangePrinter(int oldIndex, int newIndex);

    // Building, showing and printing (the flow lives in rpPrepare.cpp).
    // False when the build failed (BuildErrorText says why) or was cancelled.
    bool PrepareReport();
    // Prepares, then shows the pages in Preview (or a window of their own); a failed build shows its
    // error and leaves no pages.
    void ShowReport();
    void ShowPreparedReport();
    // pageNumbers: "" for all pages, else numbers and ranges ("1,3-5"); copies of a page print together.
    // True when printed whole; where it went, or why it was not, has been told.
    bool PrintPreparedReport(const QString& pageNumbers, int copies);

    // Value look-up: OnGetValue, the value table, a data-set field, "VALUE" and the special names, a
    // script variable, else the name evaluated as an expression. A name met again while it is being
    // worked out raises "Undefined symbol \"name\"".
    void GetVariableValue(const QString& name, QVariant& value);
    // The text of a bracketed expression with its format suffix (" #N0.00") applied.
    void InternalOnGetValue(const QString& parName, QString& text);
    // The value of special value kind (PAGE#, DATE, ...).
    virtual QVariant SpecialValue(int kind);
    // A field's value: its own display text when it has a text handler, a memo's text, else its value.
    static QVariant FieldValue(TField* field);
    // The default data set of the current band's type.
    TDataSet* DefaultDataSet() const;

    // Hand-overs used by the objects and the building.
    void InternalOnEnterRect(QStringList& memo, TrpView* view);
    void InternalOnExportData(TrpView* view);
    void InternalOnExportText(int x, int y, const QString& text, TrpView* view);
    void InternalOnBeginColumn(TrpBand* band);
    void InternalOnPrintColumn(int colNo, int& width);
    void InternalOnProgress(int n);
    void InternalOnFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                            QString& val);

    TrpOwner* Owner;
    QString Name;

    QPointer<TrpDataset> Dataset;
    bool GrayedButtons = false;
    TrpPreviewZoom InitialZoom = pzDefault;
    bool ModalPreview = true;
    bool ModifyPrepared = true;
    QPointer<QObject> Preview;
    // The page view holding the prepared pages while they are shown (set by the view); the report
    // takes them back when it goes first.
    QPointer<TrpPageView> ConnectedView;
    unsigned PreviewButtons = rpAllPreviewButtons;
    TrpReportType ReportType = rtSimple;
    bool ShowProgress = true;
    bool StoreInDFM = false;
    QString Title;

    std::function<void()> OnBeginDoc, OnEndDoc;
    std::function<void(int)> OnBeginPage, OnEndPage;
    std::function<void(TrpBand*)> OnBeginBand, OnEndBand;
    std::function<void(const QString&, QVariant&)> OnGetValue;
    std::function<void(QStringList&, TrpView*)> OnEnterRect;
    std::function<void(const QString&, const QVariant&, const QVariant&, const QVariant&, QString&)> OnUserFunction;
    std::function<void(int)> OnProgress;
    std::function<void(TrpBand*)> OnBeginColumn;
    std::function<void(int, int&)> OnPrintColumn;
    std::function<void(TrpPage*)> OnManualBuild;

    std::unique_ptr<TrpPages> Pages;
    std::unique_ptr<TrpEMFPages> EMFPages;
    QStringList Variables;
    TrpValues Values;
    QString FileName;
    bool PrintToDefault = false;
    bool TwoPass = false;
    bool Rebuildable = true;
    bool Cancelled = false;
    bool LastPass = false;
    bool XmlMode = false;
    TrpExportFilter* CurrentFilter = nullptr;

    // Build state the values read (set by the building).
    double BuildMoment = 0;      // DATE and TIME; the present moment while 0
    int FirstPassPageCount = 0;  // TOTALPAGES
    bool ExportInProgress = false;
    QString StageCaption;        // progress text before the page number
    QVariant CurrentValue;       // "VALUE": the value being formatted
    QString LastParName;

    // Where the progress text goes when no OnProgress handler is set (the progress window).
    std::function<void(const QString&)> ProgressLabel;

private:
    void ShowLoadError();
    QSet<QString> evaluating_;
};
