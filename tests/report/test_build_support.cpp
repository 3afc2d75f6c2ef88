#include "test_build_support.h"

#include "report/rpEMFPages.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"

#include <algorithm>

namespace buildtest {

ReportFixture::ReportFixture()
{
    owner = std::make_unique<TrpOwner>(QStringLiteral("BuildForm"), TrpOwner::Form, false);
    table.AddFieldDef("N", ftInteger);
    table.AddFieldDef("GRP", ftString, 20);
    table.AddFieldDef("VAL", ftFloat);
    table.AddFieldDef("TXT", ftString, 255);
    table.AddFieldDef("LONG", ftMemo);
    table.Open();
    rpTable = std::make_unique<TrpDBDataSet>();
    rpTable->SetName("rpQ");
    rpTable->SetDataSet(&table);
    owner->Add("Q", &table);
    owner->Add("rpQ", rpTable.get());
    report = std::make_unique<TrpReport>(owner.get(), QStringLiteral("TestReport"));
    report->ShowProgress = false;
    CurReport = report.get();
    report->Pages->Clear();
    page = report->Pages->Add();
}

ReportFixture::~ReportFixture()
{
    report.reset();
    CurReport = MasterReport = nullptr;
    CurBand = nullptr;
    CurView = nullptr;
}

void ReportFixture::AddRows(int count, const std::function<QString(int)>& grp, const std::function<double(int)>& val,
                            const std::function<QString(int)>& txt)
{
    for (int n = 1; n <= count; ++n)
        table.AppendRecord({qlonglong(n), grp ? grp(n) : QString(), val ? val(n) : double(n),
                            txt ? txt(n) : QString(), txt ? txt(n) : QString()});
    table.First();
}

TrpBandView* ReportFixture::Band(int type, int y, int height, const QString& source, quint16 flags)
{
    auto* b = new TrpBandView;
    b->SetBandType(type);
    b->SetBounds(0, y, 700, height);
    b->FormatStr = source;
    b->Flags = flags;
    CurReport = report.get();
    b->CreateUniqueName();
    page->Objects.append(b);
    return b;
}

TrpMemoView* ReportFixture::Memo(int x, int y, int width, int height, const QString& text)
{
    auto* m = new TrpMemoView;
    m->SetBounds(x, y, width, height);
    m->Memo = text.split('\n');
    CurReport = report.get();
    m->CreateUniqueName();
    page->Objects.append(m);
    return m;
}

bool ReportFixture::Prepare()
{
    return rpPrepareReport(report.get());
}

int ReportFixture::PageCount() const
{
    return report->EMFPages->Count();
}

std::vector<PageText> ReportFixture::Texts(int index) const
{
    std::vector<PageText> out;
    TrpEMFPages& pages = *report->EMFPages;
    pages.ObjectsToPage(index);
    for (TrpView* v : pages.Pages(index).Page->Objects) {
        if (!dynamic_cast<TrpMemoView*>(v))
            continue;
        QStringList lines;
        const bool laidOut = TrpMemoView::IsLaidOut(v->Memo);
        for (const QString& l : v->Memo) {
            if (laidOut) {
                if (l == QString(QChar(1)))
                    continue;
                lines << TrpMemoView::DecodeLayoutLine(l).Text;
            } else {
                lines << l;
            }
        }
        out.push_back({v->x, v->y, lines.join('\n')});
    }
    pages.Pages(index).Page.reset();
    std::stable_sort(out.begin(), out.end(), [](const PageText& a, const PageText& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    return out;
}

QStringList ReportFixture::TextList(int index) const
{
    QStringList list;
    for (const PageText& t : Texts(index))
        list << t.text;
    return list;
}

int ReportFixture::TopMargin() const
{
    return page->TopMargin();
}

int ReportFixture::BottomMargin() const
{
    return page->BottomMargin();
}

} // namespace buildtest
