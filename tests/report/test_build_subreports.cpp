// Building with subreports and cross columns, and headers shown again on new pages.
#include "test_build_support.h"

#include "platform/rtl/FormatSettings.h"
#include "report/rpEMFPages.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpSubReportView.h"
#include "report/rpPictureView.h"
#include "platform/graphics/Bitmap.h"

#include <gtest/gtest.h>

using buildtest::PageText;
using buildtest::ReportFixture;

namespace {

class BuildMoreTest : public ::testing::Test {
protected:
    void SetUp() override { rtl::setFormatSettings(rtl::TFormatSettings::russian()); }
    ReportFixture f;
};

TEST_F(BuildMoreTest, SubreportPrintsItsPageInsideTheBand)
{
    f.AddRows(2);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 100, 20, "M[N]");
    auto* sub = new TrpSubReportView;
    sub->SetBounds(200, 100, 300, 20);
    sub->SubPage = 1;
    f.page->Objects.append(sub);

    TrpPage* inner = f.report->Pages->Add();
    auto* band = new TrpBandView;
    band->SetBandType(btMasterData);
    band->SetBounds(0, 50, 700, 20);
    band->FormatStr = "3";
    inner->Objects.append(band);
    auto* memo = new TrpMemoView;
    memo->SetBounds(10, 50, 100, 20);
    memo->Memo = QStringList{"s[LINE#]"};
    inner->Objects.append(memo);

    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 1); // the subreport's page is not formed on its own
    const auto texts = f.Texts(0);
    QStringList order;
    for (const PageText& t : texts)
        order << t.text;
    EXPECT_EQ(order, (QStringList{"M1", "s1", "s2", "s3", "M2", "s1", "s2", "s3"}));
    // The subreport's rows start at the subreport's place, shifted by its left edge.
    EXPECT_EQ(texts[1].y, texts[0].y);
    EXPECT_EQ(texts[1].x, 10 + 200);
    EXPECT_EQ(texts[2].y, texts[1].y + 20);
    // The next master record comes under the subreport's last row.
    EXPECT_EQ(texts[4].y, texts[3].y + 20);
}

TEST_F(BuildMoreTest, CrossColumnsRepeatCellsAndContinueOnTheNextPage)
{
    f.AddRows(2);
    TrpBandView* cross = f.Band(btCrossData, 0, 0, "20");
    cross->SetBounds(300, 0, 50, 500);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 100, 20, "M[N]");
    f.Memo(300, 100, 50, 20, "x");
    ASSERT_TRUE(f.Prepare());
    ASSERT_GE(f.PageCount(), 2);
    int cells = 0;
    QList<int> firstRowX;
    for (int p = 0; p < f.PageCount(); ++p)
        for (const PageText& t : f.Texts(p))
            if (t.text == "x") {
                ++cells;
                if (p == 0 && t.y == f.Texts(0)[0].y)
                    firstRowX << t.x;
            }
    EXPECT_EQ(cells, 2 * 20);
    ASSERT_GE(firstRowX.size(), 2);
    EXPECT_EQ(firstRowX[0], 300);
    EXPECT_EQ(firstRowX[1], 350);
    for (int x : firstRowX)
        EXPECT_LE(x + 50, f.page->RightMargin());
}

TEST_F(BuildMoreTest, HeadersMarkedForAllPagesComeAgainOnANewPage)
{
    const int perPage = (f.page->PrnInfo.Ph - 20) / 20;
    f.AddRows(perPage + 5);
    f.Band(btMasterHeader, 40, 20, {}, bfReprintOnNewPage);
    f.Memo(0, 40, 100, 20, "head");
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 100, 20, "[N]");
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 2);
    EXPECT_EQ(f.TextList(0).first(), "head");
    EXPECT_EQ(f.TextList(1).first(), "head");
    EXPECT_EQ(f.TextList(1).count("head"), 1);
}

TEST_F(BuildMoreTest, GroupStartingANewPage)
{
    f.AddRows(4, [](int n) { return n <= 2 ? QString("A") : QString("B"); });
    f.Band(btGroupHeader, 60, 20, "[GRP]", bfStartNewPage);
    f.Memo(0, 60, 100, 20, "G[GRP]");
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 100, 20, "[N]");
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 2);
    EXPECT_EQ(f.TextList(0), (QStringList{"GA", "1", "2"}));
    EXPECT_EQ(f.TextList(1), (QStringList{"GB", "3", "4"}));
}

} // namespace

namespace {

TEST_F(BuildMoreTest, EachMasterBandKeepsItsOwnHeaderAndFooter)
{
    f.Band(btMasterHeader, 20, 20);
    f.Memo(0, 20, 100, 20, "HA");
    f.Band(btMasterData, 60, 20, "2", 0);
    f.Memo(0, 60, 100, 20, "a[LINE#]");
    f.Band(btMasterFooter, 100, 20);
    f.Memo(0, 100, 100, 20, "FA");
    f.Band(btMasterHeader, 140, 20);
    f.Memo(0, 140, 100, 20, "HB");
    f.Band(btMasterData, 180, 20, "3", 0);
    f.Memo(0, 180, 100, 20, "b[LINE#]");
    f.Band(btMasterFooter, 220, 20);
    f.Memo(0, 220, 100, 20, "FB");
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.TextList(0), (QStringList{"HA", "a1", "a2", "FA", "HB", "b1", "b2", "b3", "FB"}));
}

TEST_F(BuildMoreTest, NoColumnCountMeansOneColumn)
{
    f.page->ColCount = 0;
    const int perPage = f.page->PrnInfo.Ph / 20;
    f.AddRows(perPage + 1);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(40, 100, 100, 20, "[N]");
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 2);
    EXPECT_EQ(f.Texts(1)[0].x, 40);
    EXPECT_EQ(f.Texts(1)[0].text, QString::number(perPage + 1));
}

TEST_F(BuildMoreTest, EnterRectHandlerPutsPicturesIntoPictureObjects)
{
    f.AddRows(2);
    f.Band(btMasterData, 100, 60, "rpQ", 0);
    auto* picture = new TrpPictureView;
    picture->SetBounds(0, 100, 50, 50);
    f.page->Objects.append(picture);
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    f.report->OnEnterRect = [&](QStringList&, TrpView* view) {
        if (view->Typ == gtPicture)
            static_cast<TrpPictureView*>(view)->Picture.SetGraphic(std::make_unique<gfx::TBitmap>(image));
    };
    ASSERT_TRUE(f.Prepare());
    TrpEMFPages& pages = *f.report->EMFPages;
    pages.ObjectsToPage(0);
    int pictures = 0;
    for (TrpView* v : pages.Pages(0).Page->Objects)
        if (auto* p = dynamic_cast<TrpPictureView*>(v)) {
            ++pictures;
            EXPECT_FALSE(p->IsEmpty());
        }
    EXPECT_EQ(pictures, 2);
}

} // namespace
