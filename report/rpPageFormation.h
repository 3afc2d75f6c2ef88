#pragma once
// Page formation: a design page becomes, once per build pass, a set of runtime bands (each carrying
// its views) linked to their headers and footers; then the data sets are walked, the bands shown in
// the order their types demand, pages and columns started and page footers drawn. Each output sheet
// goes to the prepared pages of the report being built.
#include "report/rpBandType.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <vector>

class TrpPage;
class TrpRunBand;
class TrpView;
class TrpEMFPages;
class TrpReport;

enum TrpPageMode { pmNormal, pmBuildList };
enum TrpBandRecType { rtShowBand, rtFirst, rtNext };

struct TrpBandRec {
    TrpRunBand* Band;
    TrpBandRecType Action;
};

// The runtime side of a design page (one per page, kept while the page lives in a build).
class TrpPageRun {
public:
    explicit TrpPageRun(TrpPage* page) : Page(page) {}
    ~TrpPageRun();
    TrpPageRun(const TrpPageRun&) = delete;
    TrpPageRun& operator=(const TrpPageRun&) = delete;

    TrpRunBand* Band(int type) const;

    void InitReport();
    void DoneReport();
    void TossObjects();
    void PrepareObjects();
    void FormPage();
    void ShowBand(TrpRunBand* band);
    void ShowBandByName(const QString& name);
    void ShowBandByType(TrpBandType type);
    void AddRecord(TrpRunBand* band, TrpBandRecType action);
    void ClearRecList() { RecList.clear(); }
    // True when it stopped for lack of room.
    bool PlayRecList();
    void DrawPageFooters();
    void NewPage();
    void NewColumn(TrpRunBand* band);
    void DoAggregate(std::initializer_list<TrpBandType> types);
    bool BandExists(const TrpRunBand* band) const;
    void AfterPrint();
    // Where bands start after a fresh page or column: a band there cannot gain room by breaking.
    bool AtFreshPosition() const;
    void MarkFresh();

    TrpPage* Page;
    bool Initialised = false;
    TrpPageMode Mode = pmNormal;
    std::vector<TrpBandRec> RecList;
    int PlayIndex = 0;
    TrpRunBand* PendingSubReportBand = nullptr;
    bool SubReportFinished = true;
    int ColCount = 1;

private:
    void DataLoop(int level);
    void ShowQueue();
    void SetBand(TrpRunBand* band, TrpView* view);
    std::vector<TrpRunBand*> queue_;
    int shown_ = 0; // queue flushes so far: tells a level whether any of its records printed
    int deepest_ = 0;
    bool grouping_ = false;
    int freshY_ = -1;
    int freshPage_ = -1;
    int freshColumn_ = -1;
};

// The runtime side of page (made on first use; kept until forgotten).
TrpPageRun& rpPageRun(TrpPage* page);
// Drops the runtime side of page (after its DoneReport, at the end of a build).
void rpForgetPageRun(TrpPage* page);

// The prepared pages the build writes into (those of MasterReport).
TrpEMFPages* rpBuildPages();

// Build state shared by page formation, band output and the preparation flow.
extern bool BuildError;
extern QString BuildErrorText;
extern bool ContinuePage;
extern bool AppendNextReport;
extern bool PageFooterDrawn;
extern int SavedCurrentY;
extern int SavedBottomLimitY;
extern QList<TrpView*> HookedViews;
extern QStringList ScriptErrors;
