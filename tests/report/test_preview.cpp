// The preview control: pages taken from the report while shown, navigation, zoom modes and layout,
// scrolling picking the current page, and painting offscreen.
#include "test_build_support.h"

#include "platform/rtl/FormatSettings.h"
#include "report/rpEMFPages.h"
#include "report/rpPage.h"
#include "report/rpPrepare.h"
#include "report/rpPreview.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

using buildtest::ReportFixture;

namespace {

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        TrpPageView::LastZoom = 1.0;
        TrpPageView::LastZoomMode = 0;
        f.AddRows(pages);
        f.Band(btMasterData, 100, 20, "rpQ", bfStartNewPage);
        f.Memo(40, 100, 400, 20, "Page [N]");
        ASSERT_TRUE(f.Prepare());
        window.resize(700, 500);
        auto* layout = new QVBoxLayout(&window);
        preview = new TrpPreview(&window);
        layout->addWidget(preview);
        f.report->Preview = preview;
        window.show();
        QApplication::processEvents();
    }

    TrpPageView* view() const { return preview->Window(); }
    int pageWidth() const { return f.page->PrnInfo.Pgw; }
    int pageHeight() const { return f.page->PrnInfo.Pgh; }

    const int pages = 4;
    ReportFixture f;
    QWidget window;
    TrpPreview* preview = nullptr;
};

TEST_F(PreviewTest, ShowingMovesThePagesIntoTheControlUntilGivenBack)
{
    rpShowPreparedReport(f.report.get());
    EXPECT_EQ(preview->AllPages(), pages);
    EXPECT_EQ(f.report->EMFPages->Count(), 0); // the report holds none while connected
    EXPECT_EQ(preview->Page(), 1);
    EXPECT_EQ(view()->PageLabel->text(), QStringLiteral("Page 1/4"));
    preview->Disconnect();
    EXPECT_EQ(f.report->EMFPages->Count(), pages);
    EXPECT_EQ(preview->AllPages(), 0);

    // A report without pages shows nothing.
    ReportFixture empty;
    TrpPreview other;
    empty.report->Preview = &other;
    rpShowPreparedReport(empty.report.get());
    EXPECT_EQ(other.AllPages(), 0);
}

TEST_F(PreviewTest, NavigationStaysWithinThePages)
{
    preview->Connect(f.report.get());
    preview->SetPage(3);
    EXPECT_EQ(preview->Page(), 3);
    preview->SetPage(0);
    EXPECT_EQ(preview->Page(), 3);
    preview->SetPage(pages + 1);
    EXPECT_EQ(preview->Page(), 3);
    preview->Last();
    EXPECT_EQ(preview->Page(), pages);
    preview->Next();
    EXPECT_EQ(preview->Page(), pages);
    preview->First();
    EXPECT_EQ(preview->Page(), 1);
    view()->PgDownClick();
    EXPECT_EQ(preview->Page(), 2);
    EXPECT_EQ(view()->PageLabel->text(), QStringLiteral("Page 2/4"));
    // The view scrolled to the page: its top lies 10 pixels below the view's top.
    EXPECT_EQ(view()->VScrollBar->value(), view()->PageRect(1).Top - 10);
}

TEST_F(PreviewTest, ConnectingAgainKeepsThePagesUntilTheReportIsPreparedAgain)
{
    preview->Connect(f.report.get());
    preview->Connect(f.report.get());
    EXPECT_EQ(preview->AllPages(), pages);
    EXPECT_EQ(f.report->EMFPages->Count(), 0);
    // Pages prepared since take the place of those shown.
    ASSERT_TRUE(f.report->PrepareReport());
    preview->Connect(f.report.get());
    EXPECT_EQ(preview->AllPages(), pages);
    EXPECT_EQ(f.report->EMFPages->Count(), 0);
    preview->Disconnect();
    EXPECT_EQ(f.report->EMFPages->Count(), pages);
}

TEST_F(PreviewTest, ScrollingPicksTheCurrentPage)
{
    preview->Connect(f.report.get());
    preview->SetZoom(50);
    const gfx::TRect third = view()->PageRect(2);
    view()->VScrollBar->setValue(third.Top - 5);
    EXPECT_EQ(preview->Page(), 3);
    EXPECT_EQ(view()->OffsetY, -(third.Top - 5));
}

TEST_F(PreviewTest, LayoutFollowsZoomAndMode)
{
    preview->Connect(f.report.get());
    const int W = view()->PBox->width();
    const int H = view()->PBox->height();

    preview->SetZoom(25);
    const int w25 = int(std::nearbyint(pageWidth() * 0.25));
    int perRow = 0;
    for (int x = 10; perRow < pages && x + w25 + 10 <= W; x += w25 + 10)
        ++perRow;
    ASSERT_GE(perRow, 2);
    EXPECT_EQ(view()->PageRect(1).Left, 10 + w25 + 10);
    EXPECT_EQ(view()->PageRect(1).Top, 10);

    preview->PageWidth();
    EXPECT_DOUBLE_EQ(view()->ZoomFactor, double(W - 20) / pageWidth());
    preview->OnePage();
    EXPECT_DOUBLE_EQ(view()->ZoomFactor, double(H - 20) / pageHeight());
    EXPECT_EQ(view()->PageRect(1).Top, view()->PageRect(0).Bottom + 10); // one per row
    preview->TwoPages();
    EXPECT_DOUBLE_EQ(view()->ZoomFactor, double(W - 30) / (2.0 * pageWidth()));
    EXPECT_EQ(view()->PageRect(1).Top, view()->PageRect(0).Top);

    // One narrow page per row is centred; a wide one gives a horizontal range.
    preview->SetZoom(40);
    const int w40 = int(std::nearbyint(pageWidth() * 0.4));
    if (2 * w40 + 30 > W) {
        EXPECT_EQ(view()->PageRect(0).Left, (W - w40) / 2);
    }
    preview->SetZoom(200);
    const int w200 = int(std::nearbyint(pageWidth() * 2.0));
    EXPECT_EQ(view()->HScrollBar->maximum(), w200 + 20 - W);
    EXPECT_TRUE(view()->HScrollBar->isEnabled());
}

TEST_F(PreviewTest, ZoomChosenInOnePreviewStartsTheNext)
{
    preview->Connect(f.report.get());
    view()->N3Click(50);
    EXPECT_DOUBLE_EQ(preview->Zoom(), 50);
    preview->Disconnect();

    TrpPreview second(&window);
    second.resize(600, 400);
    second.Connect(f.report.get());
    EXPECT_DOUBLE_EQ(second.Zoom(), 50);
    second.Window()->N3Click(2);
    EXPECT_EQ(TrpPageView::LastZoomMode, 2);
    second.Disconnect();
}

TEST_F(PreviewTest, PaintsPagesWhiteOnGrey)
{
    preview->Connect(f.report.get());
    preview->SetZoom(50);
    QApplication::processEvents();
    const QImage image = view()->PBox->grab().toImage();
    const gfx::TRect r = view()->PageRect(0);
    EXPECT_EQ(image.pixelColor(r.Left + 2, r.Top + 2), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(r.Left, r.Top), QColor(Qt::black)); // the frame
    EXPECT_EQ(image.pixelColor(2, 2), QColor(128, 128, 128));
    // The record's text is drawn inside the page.
    bool dark = false;
    for (int y = r.Top + 5; y < r.Bottom - 5 && !dark; ++y)
        for (int x = r.Left + 5; x < r.Right - 5 && !dark; ++x)
            dark = image.pixelColor(x, y).lightness() < 100;
    EXPECT_TRUE(dark);
    EXPECT_TRUE(view()->PageVisible(0));
}

TEST_F(PreviewTest, WheelOnTheHostWindowScrollsThreeLinesAStep)
{
    preview->Connect(f.report.get());
    preview->SetZoom(100);
    EXPECT_EQ(view()->WheelFactor, 3);
    const int step = view()->VScrollBar->singleStep();
    QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window, &down);
    EXPECT_EQ(view()->VScrollBar->value(), 3 * step);
}

TEST_F(PreviewTest, ShowReportBuildsAndShowsInTheControl)
{
    rpShowReport(f.report.get());
    EXPECT_EQ(preview->AllPages(), pages);
    EXPECT_EQ(view()->PageLabel->text(), QStringLiteral("Page 1/4"));
}

TEST_F(PreviewTest, ReportGoingFirstTakesItsPagesOutOfThePreview)
{
    f.report->ShowPreparedReport();
    ASSERT_EQ(preview->AllPages(), pages);
    f.report.reset();
    EXPECT_EQ(preview->AllPages(), 0);
    EXPECT_EQ(view()->Report, nullptr);
    view()->PBox->repaint();
    preview->Print(); // no report: nothing to print

    // A view showing a report that does not name it forgets the report as well; so does the view the
    // pages left when the report was shown in another.
    ReportFixture other;
    other.AddRows(2);
    other.Band(btMasterData, 100, 20, "rpQ", bfStartNewPage);
    other.Memo(40, 100, 400, 20, "Page [N]");
    ASSERT_TRUE(other.Prepare());
    TrpPreview first(&window), second(&window);
    first.Connect(other.report.get());
    second.Connect(other.report.get());
    EXPECT_EQ(first.AllPages(), 0);
    EXPECT_EQ(second.AllPages(), 2);
    other.report.reset();
    EXPECT_EQ(second.AllPages(), 0);
    EXPECT_EQ(first.Window()->Report, nullptr);
    EXPECT_EQ(second.Window()->Report, nullptr);
}

TEST_F(PreviewTest, PreviewGoingFirstGivesThePagesBack)
{
    auto* shortLived = new TrpPreview(&window);
    f.report->Preview = shortLived;
    f.report->ShowPreparedReport();
    EXPECT_EQ(f.report->EMFPages->Count(), 0);
    delete shortLived;
    EXPECT_EQ(f.report->Preview, nullptr);
    EXPECT_EQ(f.report->EMFPages->Count(), pages);
}

TEST_F(PreviewTest, ScrollBarStyleShowsTheBarsAsked)
{
    preview->SetScrollBars(ssVertical);
    EXPECT_FALSE(view()->HScrollBar->isVisibleTo(preview));
    EXPECT_TRUE(view()->VScrollBar->isVisibleTo(preview));
    preview->SetScrollBars(ssNone);
    EXPECT_FALSE(view()->VScrollBar->isVisibleTo(preview));
    preview->SetScrollBars(ssBoth);
    EXPECT_TRUE(view()->HScrollBar->isVisibleTo(preview));
}

} // namespace
