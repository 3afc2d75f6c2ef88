#include "report/rpPageFormation.h"

#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
#include "report/rpBandOutput.h"
#include "report/rpBandView.h"
#include "report/rpDBDataSet.h"
#include "report/rpDataHelpers.h"
#include "report/rpDataset.h"
#include "report/rpEMFPages.h"
#include "report/rpInterpretator.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpReport.h"
#include "report/rpScriptNames.h"
#include "report/rpSubReportView.h"
#include "report/rpView.h"

#include <QCoreApplication>
#include <algorithm>
#include <memory>
#include <unordered_map>

bool BuildError = false;
QString BuildErrorText;
bool ContinuePage = false;
bool AppendNextReport = false;
bool PageFooterDrawn = false;
int SavedCurrentY = 0;
int SavedBottomLimitY = 0;
QList<TrpView*> HookedViews;
QStringList ScriptErrors;

namespace {

std::unordered_map<TrpPage*, std::unique_ptr<TrpPageRun>>& runs()
{
    static std::unordered_map<TrpPage*, std::unique_ptr<TrpPageRun>> map;
    return map;
}

bool cancelled()
{
    return MasterReport && MasterReport->Cancelled;
}

void progress(int n)
{
    if (CurReport)
        CurReport->InternalOnProgress(n);
}

// The three data levels: (header, data, footer).
const TrpBandType kLevels[3][3] = {{btMasterHeader, btMasterData, btMasterFooter},
                                   {btDetailHeader, btDetailData, btDetailFooter},
                                   {btSubDetailHeader, btSubDetailData, btSubDetailFooter}};

// How deep page and column starts run inside each other: one must not start again from inside itself
// (a page header that does not fit on its own page).
int g_pageStartDepth = 0;

auto enterPageStart()
{
    ++g_pageStartDepth;
    return rtl::TScopeGuard([] { --g_pageStartDepth; });
}

} // namespace

TrpPageRun& rpPageRun(TrpPage* page)
{
    auto& map = runs();
    auto it = map.find(page);
    if (it == map.end())
        it = map.emplace(page, std::make_unique<TrpPageRun>(page)).first;
    return *it->second;
}

void rpForgetPageRun(TrpPage* page)
{
    auto& map = runs();
    auto it = map.find(page);
    if (it == map.end())
        return;
    it->second->DoneReport();
    map.erase(it);
}

TrpEMFPages* rpBuildPages()
{
    TrpReport* r = MasterReport ? MasterReport : CurReport;
    return r ? r->EMFPages.get() : nullptr;
}

TrpPageRun::~TrpPageRun() = default;

TrpRunBand* TrpPageRun::Band(int type) const
{
    return static_cast<TrpRunBand*>(Page->BandsByType[type]);
}

bool TrpPageRun::BandExists(const TrpRunBand* band) const
{
    return band && band->HasViews();
}

// ---- building the runtime model --------------------------------------------------------------------

void TrpPageRun::InitReport()
{
    DoneReport();
    for (int t = 0; t < rpBandTypeCount; ++t)
        Page->BandsByType[t] = new TrpRunBand(TrpBandType(t), Page);
    qDeleteAll(Page->RunObjects);
    Page->RunObjects.clear();
    Initialised = true; // from here DoneReport frees what an interrupted TossObjects made
    TossObjects();
    Page->RecordCount = 1;
    Page->CrossColumn = 1;
    Mode = pmNormal;
    RecList.clear();
    PlayIndex = 0;
    PendingSubReportBand = nullptr;
    SubReportFinished = true;
    queue_.clear();
}

void TrpPageRun::DoneReport()
{
    if (!Initialised)
        return;
    for (int t = 0; t < rpBandTypeCount; ++t) {
        delete Page->BandsByType[t]; // frees the rest of its chain
        Page->BandsByType[t] = nullptr;
    }
    for (TrpView* v : Page->RunObjects)
        HookedViews.removeAll(v);
    qDeleteAll(Page->RunObjects);
    Page->RunObjects.clear();
    RecList.clear();
    PendingSubReportBand = nullptr;
    Initialised = false;
    if (CurPage == Page)
        CurPage = nullptr;
}

void TrpPageRun::SetBand(TrpRunBand* band, TrpView* view)
{
    band->View = view;
    band->Memo = view->Memo;
    band->Script = view->Script;
    band->x = view->x;
    band->y = view->y;
    band->dx = view->dx;
    band->dy = view->dy;
    band->Flags = view->Flags;
    band->Visible = view->Visible;
    band->Stretched = band->Flags & bfStretched;
    band->PrintIfDetailEmpty = band->Flags & bfPrintIfDetailEmpty;
    band->ForceNewPage = !Page->SkipInBuild && (band->Flags & bfStartNewPage);
    band->Breakable = !Page->SkipInBuild && (band->Flags & bfAllowSplit);
    band->InitDataSet(view->FormatStr);
}

void TrpPageRun::TossObjects()
{
    QList<TrpView*>& run = Page->RunObjects;
    for (TrpView* v : Page->Objects) {
        std::unique_ptr<TrpView> copy = rpCreateObject(v->Typ, v->ClassName());
        if (!copy)
            continue;
        copy->Assign(*v);
        copy->StreamMode = smPrinting; // a runtime copy writes its prepared-page record
        run.append(copy.release());
        if (v->Flags & 0x8000)
            HookedViews.append(run.last());
    }

    QHash<TrpView*, bool> placed;
    for (TrpView* v : run) {
        placed[v] = v->Typ == gtBand;
        v->Parent = nullptr;
        if (!v->Script.isEmpty()) {
            // A script that does not compile is dropped; the view prints without it.
            QStringList compiled;
            rpTheInterpretator().PrepareScript(v->Script, compiled, ScriptErrors);
            v->Script = compiled;
        }
        if (auto* sub = dynamic_cast<TrpSubReportView*>(v)) {
            TrpReport* r = CurReport;
            if (r && sub->SubPage >= 0 && sub->SubPage < r->Pages->Count())
                r->Pages->Pages(sub->SubPage)->SkipInBuild = true;
        }
    }
    auto bandType = [](TrpView* v) { return static_cast<TrpBandView*>(v)->GetBandType(); };

    // Cross bands and the views standing in their columns.
    QList<TrpView*> inCross;
    for (TrpView* v : run) {
        if (v->Typ != gtBand)
            continue;
        const int t = bandType(v);
        if (t < btCrossHeader || t > btCrossFooter)
            continue;
        TrpRunBand* b = Band(t);
        SetBand(b, v);
        b->y = 0;
    }
    for (int t = btCrossHeader; t <= btCrossFooter; ++t) {
        TrpRunBand* b = Band(t);
        if (!b->View)
            continue;
        for (TrpView* v : run)
            if (!placed[v] && v->Typ != gtSubReport && v->x >= b->x && v->x + v->dx <= b->x + b->dx) {
                v->x -= b->x;
                b->Objects.append(v);
                placed[v] = true;
                inCross.append(v);
            }
    }

    // Horizontal bands in type order; further bands of a type are chained.
    for (int t = 0; t < btCrossHeader; ++t) {
        for (TrpView* bv : run) {
            if (bv->Typ != gtBand || bandType(bv) != t)
                continue;
            TrpRunBand* b = Band(t);
            if (b->View) {
                auto* extra = new TrpRunBand(TrpBandType(t), Page);
                TrpRunBand* last = b;
                while (last->Next)
                    last = last->NextBand();
                last->Next = extra;
                b = extra;
            }
            SetBand(b, bv);
            auto take = [&](TrpView* v) {
                if (v->y >= b->y && v->y <= b->y + b->dy) {
                    v->y -= b->y;
                    v->Parent = b;
                    b->Objects.append(v);
                    placed[v] = true;
                    return true;
                }
                return false;
            };
            for (TrpView* v : run)
                if (!placed[v] && v->Typ != gtBand && v->Typ != gtSubReport)
                    take(v);
            for (TrpView* v : inCross)
                if (v->Parent == nullptr)
                    take(v);
            for (TrpView* v : run)
                if (!placed[v] && v->Typ == gtSubReport)
                    take(v);
        }
    }

    // Chains sorted by y and linked both ways; the first band knows the last.
    for (int t = 0; t < rpBandTypeCount; ++t) {
        std::vector<TrpRunBand*> chain;
        for (TrpRunBand* b = Band(t); b; b = b->NextBand())
            chain.push_back(b);
        std::stable_sort(chain.begin(), chain.end(), [](TrpRunBand* a, TrpRunBand* b) { return a->y < b->y; });
        for (size_t i = 0; i < chain.size(); ++i) {
            chain[i]->Prev = i > 0 ? chain[i - 1] : nullptr;
            chain[i]->Next = i + 1 < chain.size() ? chain[i + 1] : nullptr;
            chain[i]->LastBand = nullptr;
        }
        Page->BandsByType[t] = chain.front();
        chain.front()->LastBand = chain.back();
    }

    // Views outside every band go to the band of no type.
    TrpRunBand* none = Band(btNone);
    none->y = 0;
    for (TrpView* v : run)
        if (!placed[v]) {
            v->Parent = none;
            none->Objects.append(v);
        }

    // Headers and footers of each data level; chained data bands count their records in the first.
    for (const auto& level : kLevels) {
        for (TrpRunBand* h = Band(level[0]); h && h->View; h = h->NextBand())
            for (TrpRunBand* d = Band(level[1]); d && d->View; d = d->NextBand())
                if (d->y >= h->y + h->dy && !d->Header) {
                    d->Header = h;
                    h->Outer = d;
                    break;
                }
        for (TrpRunBand* f = Band(level[2]); f && f->View; f = f->NextBand()) {
            TrpRunBand* found = nullptr;
            for (TrpRunBand* d = Band(level[1]); d && d->View; d = d->NextBand())
                if (d->y + d->dy <= f->y && !d->Footer)
                    found = d;
            if (found) {
                found->Footer = f;
                f->Outer = found;
            }
        }
        TrpRunBand* withData = nullptr;
        for (TrpRunBand* d = Band(level[1]); d; d = d->NextBand()) {
            if (d->DataSet)
                withData = d;
            else
                d->Outer = withData;
        }
    }
    TrpRunBand* master = Band(btMasterData);
    for (TrpRunBand* d = Band(btDetailData); d; d = d->NextBand())
        if (!d->Outer && !d->DataSet)
            d->Outer = master;

    // Group headers and footers pair from the inside out.
    std::vector<TrpRunBand*> headers, footers;
    for (TrpRunBand* h = Band(btGroupHeader); h && h->View; h = h->NextBand())
        headers.push_back(h);
    for (TrpRunBand* f = Band(btGroupFooter); f && f->View; f = f->NextBand())
        footers.push_back(f);
    for (size_t i = 0; i < headers.size() && i < footers.size(); ++i)
        headers[headers.size() - 1 - i]->Footer = footers[i];
    for (TrpRunBand* h : headers)
        h->Outer = master;
    for (TrpRunBand* f : footers)
        f->Outer = master;

    // Cross data sets per band: "band=dataset;band=dataset;".
    TrpRunBand* cross = Band(btCrossData);
    if (cross->View && cross->View->FormatStr.contains(QLatin1Char(';'))) {
        const QStringList entries = cross->View->FormatStr.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& entry : entries) {
            const int eq = int(entry.indexOf(QLatin1Char('=')));
            if (eq < 0)
                continue;
            const QString bandName = entry.left(eq).trimmed();
            const QString source = entry.mid(eq + 1).trimmed();
            for (int t = btMasterHeader; t <= btGroupFooter; ++t)
                for (TrpRunBand* b = Band(t); b; b = b->NextBand())
                    if (b->View && b->View->Name.compare(bandName, Qt::CaseInsensitive) == 0 && !b->CrossDataSet)
                        b->CrossDataSet = rpBandDataSource(source, b->CrossDataSetOwned);
        }
    }

    ColCount = std::max(1, int(Page->ColCount));
    Page->ColWidth = (Page->RightMargin() - Page->LeftMargin()) / ColCount;
}

void TrpPageRun::PrepareObjects()
{
    CurPage = Page;
    for (TrpView* v : Page->RunObjects) {
        v->DataSet = nullptr;
        v->Field.clear();
        if (v->Memo.isEmpty())
            continue;
        const QString& first = v->Memo[0];
        if (first.size() < 3 || first[0] != u'[')
            continue;
        const int close = int(first.lastIndexOf(QLatin1Char(']')));
        if (close < 1)
            continue;
        const QString name = first.mid(1, close - 1);
        if (TrpValue* value = CurReport ? CurReport->Values.FindVariable(name) : nullptr) {
            if (value->Typ == vtDBField) {
                v->DataSet = value->DSet ? value->DSet : rpGetDataSet(value->DataSet);
                v->Field = value->Field;
            }
            continue;
        }
        TDataSet* d = nullptr;
        if (v->Parent) {
            if (auto* db = dynamic_cast<TrpDBDataSet*>(v->Parent->DataSet)) {
                try {
                    d = db->GetDataSet();
                } catch (const std::exception&) {
                    d = nullptr;
                }
            }
        }
        TField* field = nullptr;
        try {
            rpGetDataSetAndField(name, d, field);
        } catch (const std::exception&) {
            field = nullptr;
        }
        if (field) {
            v->DataSet = d;
            v->Field = field->FieldName();
        }
    }
}

// ---- forming pages ------------------------------------------------------------------------------------

void TrpPageRun::MarkFresh()
{
    freshY_ = Page->CurrentY;
    freshPage_ = PageNo;
    freshColumn_ = Page->ColumnIndex;
}

bool TrpPageRun::AtFreshPosition() const
{
    return g_pageStartDepth > 0 ||
           (Page->CurrentY == freshY_ && PageNo == freshPage_ && Page->ColumnIndex == freshColumn_);
}

void TrpPageRun::FormPage()
{
    CurPage = Page;
    TrpEMFPages* pages = rpBuildPages();
    if (ContinuePage && SavedCurrentY == SavedBottomLimitY) {
        ContinuePage = false;
        PageFooterDrawn = false;
        PageNo = pages ? pages->Count() : 0;
    }
    Page->BottomLimitY = ContinuePage && PageFooterDrawn ? SavedBottomLimitY : Page->BottomMargin();
    Page->ColumnIndex = 0;
    Page->ColumnX = Page->LeftMargin();
    if (ContinuePage) {
        Page->CurrentY = SavedCurrentY;
    } else {
        if (Mode == pmNormal && pages)
            pages->Add(Page);
        Page->CurrentY = Page->TopMargin();
        MarkFresh();
        ShowBand(Band(btOverlay));
        ShowBand(Band(btNone));
    }

    const int pageBefore = PageNo;
    ShowBand(Band(btReportTitle));
    if (PageNo == pageBefore) {
        TrpRunBand* header = Band(btPageHeader);
        if (BandExists(header) && (header->Flags & bfPrintOnFirstPage))
            ShowBand(header);
        // Columns start here unless a column header says otherwise.
        Page->ColumnTopY = Page->CurrentY;
        ShowBand(Band(btColumnHeader));
    }

    deepest_ = 0;
    for (int l = 0; l < 3; ++l)
        if (Band(kLevels[l][1])->View)
            deepest_ = l + 1;
    grouping_ = BandExists(Band(btGroupHeader));
    queue_.clear();
    if (deepest_ > 0)
        DataLoop(1);

    if (Mode != pmNormal)
        return;
    ShowBand(Band(btColumnFooter));
    ShowBand(Band(btReportSummary));
    const int pageBeforeFooters = PageNo;
    SavedCurrentY = Page->ColumnIndex > 0 ? Page->BottomMargin() : Page->CurrentY;
    SavedBottomLimitY = Page->BottomLimitY;
    Page->ColumnIndex = 0;
    Page->ColumnX = Page->LeftMargin();
    TrpRunBand* footer = Band(btPageFooter);
    PageFooterDrawn = BandExists(footer) && (footer->Flags & bfPrintOnLastPage);
    if (PageFooterDrawn)
        DrawPageFooters();
    PageNo = pageBeforeFooters + 1;
}

void TrpPageRun::ShowQueue()
{
    ++shown_;
    const std::vector<TrpRunBand*> bands = std::move(queue_);
    queue_.clear();
    for (TrpRunBand* b : bands)
        if (b->HasViews())
            ShowBand(b);
}

void TrpPageRun::DataLoop(int level)
{
    for (TrpRunBand* b = Band(kLevels[level - 1][1]); b; b = b->NextBand()) {
        TrpDataset* ds = b->DataSet;
        if (!ds || !b->View)
            continue;
        ds->First();
        if (Mode == pmBuildList)
            AddRecord(b, rtFirst);
        else
            b->RecordNo[psLocal] = 1;
        for (TrpRunBand* g = Band(btGroupHeader); g; g = g->NextBand())
            g->RecordNo[psLocal] = g->RecordNo[psGlobal] = 1;
        // An empty data set prints neither the header nor the footer.
        if (ds->Eof())
            continue;

        std::vector<TrpRunBand*> groups;
        if (level == 1 && grouping_) {
            for (TrpRunBand* g = Band(btGroupHeader); g && g->View; g = g->NextBand())
                groups.push_back(g);
            for (TrpRunBand* g : groups) {
                ShowBand(g);
                ++g->RecordNo[psLocal];
                ++g->RecordNo[psGlobal];
            }
        }
        const int shownBefore = shown_;
        if (b->Header)
            queue_.push_back(b->HeaderBand());
        if (b->Footer)
            b->FooterBand()->InitValues();

        while (!ds->Eof() && !cancelled()) {
            QCoreApplication::processEvents();
            b->Printed = false;
            queue_.push_back(b);
            if (level < deepest_) {
                const int before = shown_;
                DataLoop(level + 1);
                if (shown_ == before && !queue_.empty()) {
                    // The deeper level printed nothing.
                    if (b->PrintIfDetailEmpty)
                        ShowQueue();
                    else
                        queue_.pop_back();
                }
            } else {
                ShowQueue();
            }
            ds->Next();

            if (!groups.empty()) {
                int changed = -1;
                if (ds->Eof()) {
                    changed = 0;
                } else {
                    for (size_t i = 0; i < groups.size(); ++i) {
                        CurBand = groups[i];
                        const QVariant v = rpParser ? rpParser->Calc(groups[i]->GroupExpression) : QVariant();
                        if (v != groups[i]->LastGroupValue) {
                            changed = int(i);
                            break;
                        }
                    }
                }
                if (changed >= 0) {
                    ShowBand(b->FooterBand());
                    for (int i = int(groups.size()) - 1; i >= changed; --i) {
                        ShowBand(groups[size_t(i)]->FooterBand());
                        groups[size_t(i)]->RecordNo[psLocal] = 1;
                    }
                    if (!ds->Eof()) {
                        if (groups[size_t(changed)]->ForceNewPage)
                            NewPage();
                        for (size_t i = size_t(changed); i < groups.size(); ++i) {
                            ShowBand(groups[i]);
                            ++groups[i]->RecordNo[psLocal];
                            ++groups[i]->RecordNo[psGlobal];
                        }
                        ShowBand(b->HeaderBand());
                        b->RecordNo[psLocal] = 0;
                    }
                }
            }

            if (Mode == pmBuildList) {
                AddRecord(b, rtNext);
            } else if (b->Printed) {
                ++Page->RecordCount;
                ++b->RecordNo[psGlobal];
                ++b->RecordNo[psLocal];
                if (b->ForceNewPage && !ds->Eof())
                    NewPage();
            }
        }
        if (shown_ == shownBefore) {
            // The header was never followed by data.
            if (b->Header && !queue_.empty() && queue_.back() == b->Header)
                queue_.pop_back();
        } else if (groups.empty()) {
            // With groups the closing of the last group has shown the footer already.
            ShowBand(b->FooterBand());
        }
    }
}

void TrpPageRun::ShowBand(TrpRunBand* band)
{
    if (!band)
        return;
    if (Mode == pmBuildList)
        AddRecord(band, rtShowBand);
    else
        band->Draw();
}

void TrpPageRun::ShowBandByType(TrpBandType type)
{
    ShowBand(Band(type));
}

void TrpPageRun::ShowBandByName(const QString& name)
{
    for (int t = 0; t < rpBandTypeCount; ++t)
        for (TrpRunBand* b = Band(t); b; b = b->NextBand())
            if (b->View && b->View->Name.compare(name, Qt::CaseInsensitive) == 0) {
                ShowBand(b);
                return;
            }
}

void TrpPageRun::AddRecord(TrpRunBand* band, TrpBandRecType action)
{
    RecList.push_back({band, action});
}

bool TrpPageRun::PlayRecList()
{
    while (PlayIndex < int(RecList.size())) {
        const TrpBandRec rec = RecList[size_t(PlayIndex)];
        switch (rec.Action) {
        case rtShowBand:
            if (PendingSubReportBand) {
                PendingSubReportBand->DoSubReports();
                if (PendingSubReportBand)
                    return true;
            } else if (rec.Band->Draw()) {
                return true;
            }
            break;
        case rtFirst:
            if (rec.Band->DataSet)
                rec.Band->DataSet->First();
            rec.Band->RecordNo[psLocal] = 1;
            break;
        case rtNext:
            if (rec.Band->DataSet)
                rec.Band->DataSet->Next();
            ++Page->RecordCount;
            ++rec.Band->RecordNo[psLocal];
            ++rec.Band->RecordNo[psGlobal];
            break;
        }
        ++PlayIndex;
    }
    return false;
}

void TrpPageRun::DrawPageFooters()
{
    Page->ColumnIndex = 0;
    Page->ColumnX = Page->LeftMargin();
    TrpEMFPages* pages = rpBuildPages();
    const int count = pages ? pages->Count() : 0;
    TrpRunBand* footer = Band(btPageFooter);
    if (PageNo == 0 && !(footer->Flags & bfPrintOnFirstPage)) {
        PageNo = count;
        return;
    }
    for (; PageNo < count; ++PageNo) {
        if (ContinuePage && PageFooterDrawn)
            continue;
        if (CurReport && CurReport->OnEndPage)
            CurReport->OnEndPage(PageNo);
        if (MasterReport && MasterReport != CurReport && MasterReport->OnEndPage)
            MasterReport->OnEndPage(PageNo);
        ShowBand(footer);
    }
    PageNo = count;
}

void TrpPageRun::NewPage()
{
    const auto started = enterPageStart();
    progress(PageNo + 1);
    ShowBand(Band(btColumnFooter));
    DrawPageFooters();
    Page->BottomLimitY = Page->BottomMargin();
    if (TrpEMFPages* pages = rpBuildPages())
        pages->Add(Page);
    ContinuePage = false;
    ShowBand(Band(btOverlay));
    Page->CurrentY = Page->TopMargin();
    Page->ColumnIndex = 0;
    Page->ColumnX = Page->LeftMargin();
    ShowBand(Band(btPageHeader));
    Page->ColumnTopY = Page->CurrentY;
    ShowBand(Band(btColumnHeader));
    MarkFresh();
}

void TrpPageRun::NewColumn(TrpRunBand* band)
{
    {
        const auto started = enterPageStart();
        if (Page->ColumnIndex < ColCount - 1) {
            ShowBand(Band(btColumnFooter));
            ++Page->ColumnIndex;
            Page->ColumnX += Page->ColWidth + Page->ColGap;
            Page->CurrentY = Page->ColumnTopY;
            ShowBand(Band(btColumnHeader));
            MarkFresh();
        } else {
            NewPage();
        }
    }
    // Headers marked to show on every page come again (without resetting their totals).
    for (TrpRunBand* g = Band(btGroupHeader); g && g->View && g != band; g = g->NextBand())
        if (g->Flags & bfReprintOnNewPage) {
            g->Repeating = true;
            ShowBand(g);
            g->Repeating = false;
        }
    if (band && band->IsDataBand() && band->Header && (band->Header->Flags & bfReprintOnNewPage)) {
        TrpRunBand* h = band->HeaderBand();
        h->Repeating = true;
        ShowBand(h);
        h->Repeating = false;
    }
    MarkFresh();
}

void TrpPageRun::DoAggregate(std::initializer_list<TrpBandType> types)
{
    for (TrpBandType t : types)
        for (TrpRunBand* b = Band(t); b; b = b->NextBand())
            if (b->View)
                b->DoAggregate();
}

void TrpPageRun::AfterPrint()
{
    for (TrpView* v : HookedViews)
        v->OnHook(CurView);
}
