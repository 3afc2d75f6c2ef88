#include "report/rpBandOutput.h"

#include "report/rpDataHelpers.h"
#include "report/rpDataset.h"
#include "report/rpEMFPages.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPageFormation.h"
#include "report/rpPages.h"
#include "report/rpReport.h"
#include "report/rpScriptNames.h"
#include "report/rpStream.h"
#include "report/rpStrings.h"
#include "report/rpSubReportView.h"
#include "report/rpView.h"

#include <QBuffer>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

bool cancelled()
{
    return MasterReport && MasterReport->Cancelled;
}

bool isFooterForAggregates(int t)
{
    return t == btPageFooter || t == btMasterFooter || t == btDetailFooter || t == btSubDetailFooter ||
           t == btGroupFooter || t == btReportSummary;
}

TrpRecordSink& objectRecord()
{
    static TrpRecordSink* record = new TrpRecordSink;
    return *record;
}

int columnFooterHeight(TrpPageRun& run)
{
    TrpRunBand* cf = run.Band(btColumnFooter);
    return cf && cf->View ? cf->dy : 0;
}

} // namespace

TrpRunBand::TrpRunBand(TrpBandType typ, TrpPage* parent)
{
    Typ = typ;
    Parent = parent;
}

TrpRunBand::~TrpRunBand()
{
    delete Next; // the rest of the chain
    if (DataSet) {
        DataSet->Exit();
        if (DataSetOwned)
            delete DataSet;
    }
    if (CrossDataSet) {
        CrossDataSet->Exit();
        if (CrossDataSetOwned)
            delete CrossDataSet;
    }
}

TrpPageRun& TrpRunBand::Run() const
{
    return rpPageRun(Parent);
}

void TrpRunBand::InitDataSet(const QString& desc)
{
    if (Typ == btGroupHeader) {
        GroupExpression = desc;
        return;
    }
    if (!desc.contains(QLatin1Char(';')))
        DataSet = rpBandDataSource(desc.trimmed(), DataSetOwned);
    if (Typ == btMasterData && !DataSet && CurReport && CurReport->ReportType == rtSimple && CurReport->Dataset) {
        DataSet = CurReport->Dataset;
        DataSetOwned = false;
        DataSet->Init();
    }
}

void TrpRunBand::DoError()
{
    BuildError = true;
    QString text = rpLoadStr(55200);
    if (CurView)
        for (const QString& line : CurView->Memo)
            text += QLatin1Char('\r') + line;
    text += QLatin1Char('\r') + rpLoadStr(55201) + QLatin1Char(' ') + (CurReport ? CurReport->Name : QString());
    text += QLatin1Char('\r') + rpLoadStr(55202) + QLatin1Char(' ') + rpBandName(Typ);
    BuildErrorText = text;
    if (MasterReport)
        MasterReport->Cancelled = true;
}

// ---- measuring ----------------------------------------------------------------------------------------

int TrpRunBand::CalcHeight()
{
    int height = dy;
    for (TrpView* v : Objects) {
        auto* s = dynamic_cast<TrpStretcheable*>(v);
        if (!s || !(v->Flags & 1))
            continue;
        if (!designHeights_.contains(v))
            designHeights_.insert(v, v->dy);
        CurBand = this;
        const int h = s->CalcHeight() + v->y;
        CurBand = this;
        height = std::max(height, h);
    }
    CalculatedHeight = height;
    return height;
}

int TrpRunBand::DoCalcHeight()
{
    if (IsDataBand() && Next && !NextBand()->DataSet) {
        int sum = 0;
        for (TrpRunBand* b = this; b; b = b->NextBand()) {
            if (b != this && b->DataSet)
                break;
            b->CalculatedHeight = b->dy;
            sum += b->Stretched ? b->CalcHeight() : b->dy;
        }
        return sum;
    }
    CalculatedHeight = dy;
    if (!Stretched)
        return dy;
    return CalcHeight();
}

void TrpRunBand::StretchObjects(int maxHeight)
{
    for (TrpView* v : Objects)
        if ((dynamic_cast<TrpStretcheable*>(v) || dynamic_cast<TrpLineView*>(v)) && (v->Flags & 1)) {
            if (!designHeights_.contains(v))
                designHeights_.insert(v, v->dy);
            v->dy = maxHeight - v->y;
        }
}

void TrpRunBand::UnStretchObjects()
{
    for (auto it = designHeights_.constBegin(); it != designHeights_.constEnd(); ++it)
        it.key()->dy = it.value();
    designHeights_.clear();
}

// ---- writing views ------------------------------------------------------------------------------------

void TrpRunBand::DrawObject(TrpView* view)
{
    PrintView(view, false);
}

void TrpRunBand::PrintView(TrpView* view, bool evenWhenCounting)
{
    if (DisableDrawing && !evenWhenCounting)
        return;
    TrpEMFPages* pages = rpBuildPages();
    std::optional<QBuffer> scratch;
    QBuffer* stream = nullptr;
    if (DisableDrawing) {
        // The counting pass stores nothing, but a text split over pages must still advance.
        scratch.emplace();
        scratch->open(QIODevice::ReadWrite);
        stream = &*scratch;
    } else {
        if (!pages || PageNo < 0 || PageNo >= pages->Count())
            return;
        stream = pages->Pages(PageNo).Stream.get();
        stream->seek(stream->size());
    }
    // Pages and columns started on the way may have made other bands current.
    CurBand = this;
    CurView = view;
    auto* memo = dynamic_cast<TrpMemoView*>(view);
    const bool part = memo && memo->DrawMode == drPart;
    const int sx = view->x, sy = view->y;
    try {
        view->x += Parent->ColumnX - Parent->LeftMargin();
        view->y += y;
        if (view->Typ == gtMemo && !DisableDrawing) {
            // A text object's record is gathered whole, then added to its page in one write.
            TrpRecordSink& record = objectRecord();
            record.Restart();
            view->Print(record);
            if (record.size() > 0 && stream->write(record.Data(), record.size()) != record.size())
                throw std::runtime_error("Stream write error");
        } else {
            view->Print(*stream);
        }
        view->x = sx;
        view->y = sy;
        if (memo && (!part || memo->Memo1.isEmpty()))
            Run().AfterPrint();
    } catch (const std::exception&) {
        view->x = sx;
        view->y = sy;
        DoError();
    }
}

bool TrpRunBand::DrawObjects()
{
    TrpPageRun& run = Run();
    for (int i = 0; i < Objects.size(); ++i) {
        TrpView* v = Objects[i];
        if (v->Typ == gtSubReport) {
            FirstSubReportIndex = i;
            PrepareSubReports();
            DoSubReports();
            return true;
        }
        // Views standing in a cross column are printed once per column by the cross output.
        bool inCross = false;
        for (int t = btCrossHeader; t <= btCrossFooter && !inCross; ++t)
            inCross = run.Band(t)->Objects.contains(v);
        if (!inCross)
            DrawObject(v);
        if (cancelled())
            break;
    }
    return false;
}

// ---- output -------------------------------------------------------------------------------------------

bool TrpRunBand::CheckPageBreak(int atY, int height, bool peek)
{
    TrpPageRun& run = Run();
    if (atY + height + columnFooterHeight(run) <= Parent->BottomLimitY)
        return false;
    // A fresh page or column cannot give more room, and a subreport page never breaks by itself.
    if (!peek && !Parent->SkipInBuild && !run.AtFreshPosition())
        run.NewColumn(this);
    return true;
}

bool TrpRunBand::HasCross() const
{
    if (Typ == btPageFooter || Typ >= btCrossHeader)
        return false;
    TrpPageRun& run = Run();
    for (int t = btCrossHeader; t <= btCrossFooter; ++t)
        for (TrpView* v : run.Band(t)->Objects)
            if (Objects.contains(v))
                return true;
    return false;
}

bool TrpRunBand::Draw()
{
    TrpPageRun& run = Run();
    CurView = View;
    CurBand = this;
    CalculatedHeight = -1;
    NewPageRequested = NewColumnRequested = false;
    if (CurReport && CurReport->OnBeginBand)
        CurReport->OnBeginBand(this);
    if (!Script.isEmpty()) {
        try {
            rpTheInterpretator().DoScript(Script);
        } catch (const std::exception&) {
            DoError();
        }
        CurBand = this;
    }
    if (NewPageRequested) {
        Parent->ColumnIndex = run.ColCount - 1;
        run.NewColumn(this);
    }
    if (NewColumnRequested)
        run.NewColumn(this);

    bool result = false;
    if (Visible) {
        if (Typ == btColumnHeader)
            Parent->ColumnTopY = Parent->CurrentY;
        if (Typ == btPageFooter)
            y = Parent->BottomLimitY;
        if (HasViews() && Positional()) {
            int height = 0;
            try {
                height = DoCalcHeight();
            } catch (const std::exception&) {
                DoError();
            }
            CurBand = this;
            if (Parent->CurrentY + height > Parent->BottomLimitY && !Breakable) {
                result = true;
                if (Parent->SkipInBuild) {
                    // The page holding this subreport plays the band again on its next page.
                    UnStretchObjects();
                    if (CurReport && CurReport->OnEndBand)
                        CurReport->OnEndBand(this);
                    return true;
                }
                CheckPageBreak(0, 10000, false);
            }
        }
        Printed = true;
        if (IsDataBand() && Next && !NextBand()->DataSet) {
            for (TrpRunBand* b = this; b; b = b->NextBand()) {
                if (b != this && b->DataSet)
                    break;
                CurBand = b;
                b->DoDraw();
            }
            CurBand = this;
        } else {
            DoDraw();
        }
        if (!IsDataBand() && Typ != btGroupHeader && ForceNewPage && !cancelled())
            run.NewPage();
        if (!Printed)
            result = true;
    } else if (IsDataBand()) {
        // An invisible data band still counts in the footers' totals.
        AggregateFooters();
    }

    if (!Repeating) {
        TrpEMFPages* pages = rpBuildPages();
        if (Typ != btPageFooter || !pages || PageNo >= pages->Count() - 1)
            InitValues();
    }
    if (CurReport && CurReport->OnEndBand)
        CurReport->OnEndBand(this);
    return result;
}

void TrpRunBand::AggregateFooters()
{
    CurBand = this;
    Run().DoAggregate({btPageFooter, btMasterFooter, btDetailFooter, btSubDetailFooter, btGroupFooter, btReportSummary});
}

void TrpRunBand::DoDraw()
{
    if (HasViews()) {
        TrpPageRun& run = Run();
        const int savedY = y;
        if (Positional())
            y = Parent->CurrentY;
        bool tookOver = false;
        if (Stretched) {
            int height = CalculatedHeight >= 0 ? CalculatedHeight : CalcHeight();
            if (height > dy)
                StretchObjects(height);
            DrawnHeight = height;
            if (!Breakable && Positional()) {
                CheckPageBreak(y, height, false);
                y = Parent->CurrentY;
            }
            if (Breakable) {
                DrawPageBreak();
                height = 0;
            } else {
                tookOver = DrawObjects();
                if (HasCross())
                    DrawCross();
            }
            UnStretchObjects();
            if (!tookOver && Positional())
                Parent->CurrentY += height;
        } else {
            if (Positional()) {
                CheckPageBreak(y, dy, false);
                y = Parent->CurrentY;
            }
            if (Breakable) {
                DrawnHeight = CalculatedHeight >= 0 ? CalculatedHeight : dy;
                DrawPageBreak();
            } else {
                tookOver = DrawObjects();
                if (HasCross())
                    DrawCross();
                if (Positional() && !tookOver)
                    Parent->CurrentY += dy;
            }
        }
        y = savedY;
        (void)run;
    }
    if (IsDataBand())
        AggregateFooters();
}

void TrpRunBand::DrawPageBreak()
{
    TrpPageRun& run = Run();
    struct Saved {
        TrpView* view;
        int x, y, dx, dy;
    };
    std::vector<Saved> saved;
    for (TrpView* v : Objects)
        saved.push_back({v, v->x, v->y, v->dx, v->dy});
    auto restore = [&]() {
        for (const Saved& s : saved) {
            s.view->x = s.x;
            s.view->y = s.y;
            s.view->dx = s.dx;
            s.view->dy = s.dy;
        }
    };

    if (!CheckPageBreak(y, DrawnHeight, true)) {
        DrawObjects();
        restore();
        Parent->CurrentY += DrawnHeight;
        return;
    }

    // Texts are laid out from the start and measured.
    for (TrpView* v : Objects)
        if (auto* memo = dynamic_cast<TrpMemoView*>(v)) {
            if (memo->DrawMode == drAfterCalcHeight)
                continue;
            CurBand = this;
            int h = 0;
            try {
                h = memo->CalcHeight();
            } catch (const std::exception&) {
                DoError();
            }
            if (memo->Flags & 1)
                v->dy = std::max(v->dy, h);
        }

    std::vector<TrpView*> pending(Objects.begin(), Objects.end());
    pending.erase(std::remove_if(pending.begin(), pending.end(), [](TrpView* v) { return v->Typ == gtSubReport; }),
                  pending.end());
    int usedOnLastPage = 0;
    bool fresh = run.AtFreshPosition(); // the part starts at the top of a fresh page or column
    while (!pending.empty() && !cancelled()) {
        const int room = Parent->BottomLimitY - columnFooterHeight(run) - y - 2;
        std::vector<TrpView*> still;
        for (TrpView* v : pending) {
            const bool atTop = fresh && v->y <= 0;
            if (v->y >= room && !atTop) {
                still.push_back(v);
                continue;
            }
            auto* memo = dynamic_cast<TrpMemoView*>(v);
            if (v->y + v->dy <= room || (atTop && !memo)) {
                // Whole; on a fresh page even when taller than the room (clipped, never moved on again).
                PrintView(v, true);
                usedOnLastPage = std::max(usedOnLastPage, v->y + v->dy);
                continue;
            }
            if (!memo) {
                v->y = room; // below the room: on to the next page
                still.push_back(v);
                continue;
            }
            const int fullHeight = v->dy;
            v->dy = std::max(0, room - v->y);
            memo->DrawMode = drPart;
            PrintView(v, true);
            const int lines = memo->DrawnLines;
            if (memo->Memo1.isEmpty()) {
                usedOnLastPage = std::max(usedOnLastPage, v->y + lines * memo->LineHeight + 2 * memo->GapY);
                continue; // its last part
            }
            if (lines == 0 && atTop) {
                // Not even one line fits on a fresh page: the rest goes here whole.
                memo->DrawMode = drAfterCalcHeight;
                v->dy = fullHeight;
                PrintView(v, true);
                usedOnLastPage = std::max(usedOnLastPage, v->y + v->dy);
                continue;
            }
            usedOnLastPage = std::max(usedOnLastPage, room);
            memo->DrawMode = drPart;
            v->dy = memo->RemainHeight() + 2 * memo->GapY;
            v->y = room;
            still.push_back(v);
        }
        pending = std::move(still);
        if (pending.empty())
            break;
        for (TrpView* v : pending)
            v->y -= room;
        run.NewColumn(this);
        y = Parent->CurrentY;
        fresh = true;
        usedOnLastPage = 0;
    }
    for (TrpView* v : Objects)
        if (auto* memo = dynamic_cast<TrpMemoView*>(v))
            memo->DrawMode = drAll;
    restore();
    Parent->CurrentY = y + (fresh ? usedOnLastPage : DrawnHeight);
}

// ---- subreports ---------------------------------------------------------------------------------------

void TrpRunBand::PrepareSubReports()
{
    TrpReport* report = CurReport;
    for (int i = FirstSubReportIndex; i < Objects.size(); ++i) {
        auto* sub = dynamic_cast<TrpSubReportView*>(Objects[i]);
        if (!sub || !report || sub->SubPage < 0 || sub->SubPage >= report->Pages->Count())
            continue;
        TrpPage* page = report->Pages->Pages(sub->SubPage);
        TrpPageRun& sr = rpPageRun(page);
        TrpPage* savedPage = CurPage;
        sr.Mode = pmBuildList;
        sr.ClearRecList();
        sr.PlayIndex = 0;
        sr.FormPage();
        CurPage = savedPage;
        page->CurrentY = sub->y + y;
        page->BottomLimitY = Parent->BottomLimitY;
        page->ColumnX = Parent->ColumnX + sub->x;
        page->ColumnIndex = 0;
        sr.ColCount = 1;
        sr.PlayIndex = 0;
        sr.SubReportFinished = false;
    }
    Run().PendingSubReportBand = nullptr;
}

void TrpRunBand::DoSubReports()
{
    TrpPageRun& run = Run();
    TrpReport* report = CurReport;
    std::vector<TrpPage*> subs;
    for (int i = FirstSubReportIndex; i < Objects.size(); ++i)
        if (auto* sub = dynamic_cast<TrpSubReportView*>(Objects[i]))
            if (report && sub->SubPage >= 0 && sub->SubPage < report->Pages->Count())
                subs.push_back(report->Pages->Pages(sub->SubPage));
    bool resume = run.PendingSubReportBand == this;
    for (;;) {
        if (resume)
            for (TrpPage* p : subs) {
                p->CurrentY = Parent->CurrentY;
                p->BottomLimitY = Parent->BottomLimitY;
            }
        bool finished = true;
        SubReportsMaxY = Parent->CurrentY;
        for (TrpPage* p : subs) {
            TrpPageRun& sr = rpPageRun(p);
            if (sr.SubReportFinished)
                continue;
            TrpPage* savedPage = CurPage;
            CurPage = p;
            const bool stopped = sr.PlayRecList();
            CurPage = savedPage;
            if (!stopped)
                sr.SubReportFinished = true;
            else
                finished = false;
            SubReportsMaxY = std::max(SubReportsMaxY, p->CurrentY);
        }
        if (finished || cancelled())
            break;
        if (Parent->SkipInBuild) {
            run.PendingSubReportBand = this;
            Printed = false;
            return;
        }
        run.NewPage();
        resume = true;
    }
    for (TrpPage* p : subs)
        rpPageRun(p).ClearRecList();
    Parent->CurrentY = SubReportsMaxY;
    run.PendingSubReportBand = nullptr;
}

// ---- cross columns ------------------------------------------------------------------------------------

void TrpRunBand::DrawCrossCell(TrpRunBand* crossBand, int cellX)
{
    if (DisableDrawing)
        return;
    TrpEMFPages* pages = rpBuildPages();
    if (!pages || PageNo < 0 || PageNo >= pages->Count())
        return;
    for (TrpView* v : crossBand->Objects) {
        if (!Objects.contains(v))
            continue;
        CurBand = this;
        CurView = v;
        const int sx = v->x, sy = v->y;
        try {
            v->x += cellX + Parent->ColumnX - Parent->LeftMargin();
            v->y += y;
            QBuffer& stream = *pages->Pages(PageNo).Stream;
            stream.seek(stream.size());
            v->Print(stream);
            v->x = sx;
            v->y = sy;
            if (dynamic_cast<TrpMemoView*>(v))
                Run().AfterPrint();
        } catch (const std::exception&) {
            v->x = sx;
            v->y = sy;
            DoError();
        }
    }
}

void TrpRunBand::DrawCross()
{
    if (Typ == btPageFooter)
        return;
    TrpPageRun& run = Run();
    TrpEMFPages* pages = rpBuildPages();
    const int savedPageNo = PageNo;
    TrpRunBand* header = run.Band(btCrossHeader);
    TrpRunBand* data = run.Band(btCrossData);
    TrpRunBand* footer = run.Band(btCrossFooter);
    Parent->CrossColumn = 1;
    auto setColumns = [&](bool on) {
        for (int t = 0; t < rpBandTypeCount; ++t)
            for (TrpRunBand* b = run.Band(t); b; b = b->NextBand()) {
                b->CountColumns = on;
                b->ColumnNo = Parent->CrossColumn;
            }
    };
    setColumns(true);
    if (CurReport)
        CurReport->InternalOnBeginColumn(this);

    // Cells that pass the right margin go on to the following prepared page.
    auto wrap = [&](int& cellX, int width) {
        if (cellX + width <= Parent->RightMargin() || !pages)
            return;
        ++PageNo;
        if (PageNo >= pages->Count()) {
            const int savedY = Parent->CurrentY;
            pages->Add(Parent);
            Parent->CurrentY = Parent->TopMargin();
            TrpRunBand* pageHeader = run.Band(btPageHeader);
            run.ShowBand(run.Band(btOverlay));
            if (run.BandExists(pageHeader) && ((pageHeader->Flags & bfPrintOnFirstPage) || PageNo == 0))
                run.ShowBand(pageHeader);
            Parent->CurrentY = savedY;
            if (CurReport)
                CurReport->InternalOnProgress(PageNo + 1);
        }
        cellX = Parent->LeftMargin();
        if (header->View && (header->Flags & bfReprintOnNewPage)) {
            DrawCrossCell(header, cellX);
            cellX += header->dx;
        }
    };

    int cellX = data->View ? data->x : Parent->LeftMargin();
    if (header->View) {
        DrawCrossCell(header, header->x);
        cellX = header->x + header->dx;
    }
    TrpDataset* ds = CrossDataSet ? CrossDataSet : data->DataSet;
    if (data->View && ds) {
        for (ds->First(); !ds->Eof() && !cancelled(); ds->Next()) {
            int width = data->dx;
            if (CurReport)
                CurReport->InternalOnPrintColumn(Parent->CrossColumn, width);
            wrap(cellX, width);
            DrawCrossCell(data, cellX);
            if (IsDataBand()) {
                setColumns(true);
                run.DoAggregate({btPageFooter, btMasterFooter, btDetailFooter, btSubDetailFooter, btGroupFooter,
                                 btReportSummary, btCrossFooter});
            }
            cellX += width;
            ++Parent->CrossColumn;
            setColumns(true);
        }
    }
    if (footer->View) {
        wrap(cellX, footer->dx);
        DrawCrossCell(footer, cellX);
        footer->InitValues();
    }
    PageNo = savedPageNo;
    setColumns(false);
}

// ---- totals -------------------------------------------------------------------------------------------

void TrpRunBand::InitValues()
{
    if (Typ != btGroupHeader) {
        Values.clear();
        AggregateCount = 0;
        return;
    }
    for (TrpRunBand* g = this; g; g = g->NextBand()) {
        if (TrpRunBand* f = g->FooterBand()) {
            f->Values.clear();
            f->AggregateCount = 0;
        }
        TrpBand* savedBand = CurBand;
        CurBand = g;
        try {
            g->LastGroupValue = rpParser ? rpParser->Calc(g->GroupExpression) : QVariant();
        } catch (const std::exception&) {
            DoError();
        }
        CurBand = savedBand;
    }
}

void TrpRunBand::DoAggregate()
{
    if (!isFooterForAggregates(Typ) && Typ != btCrossFooter)
        return;
    for (QString& entry : Values) {
        const int eq = int(entry.lastIndexOf(QLatin1Char('=')));
        if (eq >= 0 && eq + 1 < entry.size())
            entry[eq + 1] = QLatin1Char('0');
    }
    const bool visible = Visible;
    Visible = false;
    TrpView* savedView = CurView;
    for (TrpView* v : Objects)
        if (auto* memo = dynamic_cast<TrpMemoView*>(v)) {
            CurView = v;
            try {
                memo->ExpandVariables();
            } catch (const std::exception&) {
                DoError();
            }
        }
    CurView = savedView;
    Visible = visible;
    ++AggregateCount;
}
