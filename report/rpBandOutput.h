#pragma once
// The runtime band of a build: the band's data plus its output at the page's current y (script,
// measuring with stretching, breaks to a new column or page, views written into the prepared page,
// parts of a breakable band over several pages, subreports, cross columns, footer aggregates).
#include "report/rpBand.h"

#include <QHash>
#include <QString>

class TrpPageRun;
class TrpView;

class TrpRunBand : public TrpBand {
public:
    TrpRunBand(TrpBandType typ, TrpPage* parent);
    ~TrpRunBand() override;
    TrpRunBand(const TrpRunBand&) = delete;
    TrpRunBand& operator=(const TrpRunBand&) = delete;

    TrpRunBand* NextBand() const { return static_cast<TrpRunBand*>(Next); }
    TrpRunBand* HeaderBand() const { return static_cast<TrpRunBand*>(Header); }
    TrpRunBand* FooterBand() const { return static_cast<TrpRunBand*>(Footer); }
    TrpPageRun& Run() const;

    // Group header: the condition; otherwise the data source ("5" = five records, or a data set name).
    void InitDataSet(const QString& desc);
    void DoError();
    int CalcHeight();
    int DoCalcHeight();
    void StretchObjects(int maxHeight);
    void UnStretchObjects();
    void DrawObject(TrpView* view);
    // True when it stopped at a subreport (the subreports then placed the rest).
    bool DrawObjects();
    void PrepareSubReports();
    void DoSubReports();
    void DrawCrossCell(TrpRunBand* crossBand, int cellX);
    void DrawCross();
    // True when height at y does not fit above the column footer; unless peek, a new column or page
    // is started then (never at the top of a fresh column or page, which could not give more room).
    bool CheckPageBreak(int y, int height, bool peek);
    void DrawPageBreak();
    bool HasCross() const;
    void DoDraw();
    // True when the band did not fit (on a subreport page it then waits for the next page).
    bool Draw();
    void InitValues();
    void DoAggregate();

    bool HasViews() const { return !Objects.isEmpty(); }
    bool IsDataBand() const { return Typ == btMasterData || Typ == btDetailData || Typ == btSubDetailData; }

    int FirstSubReportIndex = 0;
    int SubReportsMaxY = 0;
    bool Printed = false;
    int CalculatedHeight = -1;
    int DrawnHeight = 0;
    bool PrintIfDetailEmpty = false;
    bool ForceNewPage = false;
    bool Stretched = false;
    bool Breakable = false;
    bool DataSetOwned = false;
    TrpDataset* CrossDataSet = nullptr;
    bool CrossDataSetOwned = false;
    QString GroupExpression;
    bool NewPageRequested = false;
    bool NewColumnRequested = false;

private:
    bool Positional() const { return Typ != btPageFooter && Typ != btOverlay && Typ != btNone; }
    void AggregateFooters();
    // Writes a view into the current prepared page; with evenWhenCounting a counting pass prints it
    // into a scratch stream so that a split text still advances.
    void PrintView(TrpView* view, bool evenWhenCounting);
    QHash<TrpView*, int> designHeights_;
};
