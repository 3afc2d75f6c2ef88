// Composite reports built member after member, and prepared pages handed to an export filter.
#include "test_build_support.h"

#include "platform/rtl/FormatSettings.h"
#include "report/rpEMFPages.h"
#include "report/rpExportFilter.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

using buildtest::ReportFixture;

namespace {

void title(ReportFixture& f, const QString& text)
{
    f.Band(btReportTitle, 0, 20);
    f.Memo(0, 0, 100, 20, text);
}

TEST(BuildCompositeTest, MembersFollowEachOtherOrShareAPage)
{
    rtl::setFormatSettings(rtl::TFormatSettings::russian());
    ReportFixture a, b;
    title(a, "A");
    title(b, "B");
    TrpCompositeReport composite(a.owner.get(), "Both");
    composite.ShowProgress = false;
    composite.Reports = {a.report.get(), b.report.get()};
    ASSERT_TRUE(rpPrepareReport(&composite));
    ASSERT_EQ(composite.EMFPages->Count(), 2);

    b.page->PrintToPrevPage = true;
    ASSERT_TRUE(rpPrepareReport(&composite));
    ASSERT_EQ(composite.EMFPages->Count(), 1);
    TrpEMFPages& pages = *composite.EMFPages;
    pages.ObjectsToPage(0);
    QStringList texts;
    QList<int> ys;
    for (TrpView* v : pages.Pages(0).Page->Objects) {
        texts << v->Memo.value(0);
        ys << v->y;
    }
    EXPECT_EQ(texts, (QStringList{"A", "B"}));
    EXPECT_EQ(ys[1], ys[0] + 20); // B continues under A
    EXPECT_EQ(a.PageCount(), 0);  // the members keep no pages of their own
}

class RecordingFilter : public TrpExportFilter {
public:
    using TrpExportFilter::TrpExportFilter;
    void OnBeginDoc() override { log << "doc"; }
    void OnEndDoc() override
    {
        log << "end";
        Stream->write(log.join(' ').toUtf8());
    }
    void OnBeginPage() override { log << "page"; }
    void OnEndPage() override { log << "/page"; }
    void OnText(int, int, const QString& text, TrpView*) override { log << text; }
    QStringList log;
};

TEST(BuildCompositeTest, ExportHandsEveryPageToTheFilterInOrder)
{
    rtl::setFormatSettings(rtl::TFormatSettings::russian());
    ReportFixture f;
    f.AddRows(2);
    f.Band(btMasterData, 100, 20, "rpQ", bfStartNewPage);
    f.Memo(0, 100, 100, 20, "R[N]");
    ASSERT_TRUE(f.Prepare());
    QTemporaryDir dir;
    const QString file = dir.filePath("export.txt");
    rpExportTo(f.report.get(), [](QIODevice* s) { return std::make_unique<RecordingFilter>(s); }, file);
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(in.readAll()), "doc page R1 /page page R2 /page end");
    EXPECT_EQ(f.report->CurrentFilter, nullptr);
}

} // namespace
