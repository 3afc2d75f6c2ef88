// The grid's scroll bar settings, external scroll bars standing in for the grid's own, and the
// library-wide settings.
#include "GridFixture.h"
#include "grid/GridError.h"
#include "grid/GridSettings.h"
#include "grid/TextWriters.h"
#include <QDir>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace gridtest;

TEST(ScrollBars, VisibleHidesTheRecordBarAndBringsAutomaticShowingBack)
{
    JournalGrid j(100);
    j.show();
    EXPECT_TRUE(j.grid.verticalScrollBar()->isVisible());
    j.grid.VertScrollBar().SetVisible(false);
    QApplication::processEvents();
    EXPECT_FALSE(j.grid.verticalScrollBar()->isVisible()) << "hidden although the records overflow";
    EXPECT_EQ(j.grid.VertScrollBar().VisibleMode(), sbNeverShowEx);
    j.grid.VertScrollBar().SetVisible(true);
    QApplication::processEvents();
    EXPECT_EQ(j.grid.VertScrollBar().VisibleMode(), sbAutoShowEx);
    EXPECT_TRUE(j.grid.verticalScrollBar()->isVisible());
}

TEST(ScrollBars, WheelOverTheRecordBarMovesByRecords)
{
    JournalGrid j(100);
    j.show();
    QScrollBar* bar = j.grid.verticalScrollBar();
    auto wheel = [bar](int delta) {
        const QPoint p(bar->width() / 2, bar->height() / 2);
        QWheelEvent w(QPointF(p), QPointF(bar->mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &w);
        QApplication::processEvents();
    };
    // As over the rows: one record per step, and the thumb shows the record, never a position of its own.
    wheel(-120);
    EXPECT_EQ(j.ds->RecNo(), 2);
    EXPECT_EQ(bar->value(), 2);
    wheel(-120);
    wheel(120);
    EXPECT_EQ(j.ds->RecNo(), 2);
    EXPECT_EQ(bar->value(), 2);
}

TEST(ScrollBars, ExternalBarScrollsLikeTheOwnOneUntilDetached)
{
    JournalGrid j(100), other(10);
    QWidget form;  // the bar lives on a form of its own, not as a window
    QScrollBar ext(Qt::Vertical, &form);
    ext.setObjectName("sbRecords");
    j.show();
    j.grid.VertScrollBar().SetExtScrollBar(&ext);
    QApplication::processEvents();
    EXPECT_FALSE(j.grid.verticalScrollBar()->isVisible()) << "the external bar stands in";
    EXPECT_EQ(ext.maximum(), 100);
    ext.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(j.ds->RecNo(), 1 + j.grid.VisibleDataRowCount());
    EXPECT_EQ(ext.value(), j.ds->RecNo());
    j.grid.VertScrollBar().SetVisible(false);
    EXPECT_TRUE(ext.isHidden());
    EXPECT_FALSE(j.grid.VertScrollBar().IsScrollBarVisible());
    j.grid.VertScrollBar().SetVisible(true);
    try {
        other.grid.VertScrollBar().SetExtScrollBar(&ext);
        FAIL() << "one bar serves one grid";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message(), "Possible sbRecords already attached to the other control.");
    }
    j.grid.VertScrollBar().SetExtScrollBar(nullptr);
    const int recNo = j.ds->RecNo();
    ext.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(j.ds->RecNo(), recNo);
    EXPECT_NO_THROW(other.grid.VertScrollBar().SetExtScrollBar(&ext));
}

TEST(ScrollBars, ExternalHorizontalBarRunsOverTheColumns)
{
    JournalGrid j(5, {300, 200});
    QWidget form;
    QScrollBar ext(Qt::Horizontal, &form);
    j.show();
    j.grid.HorzScrollBar().SetExtScrollBar(&ext);
    EXPECT_EQ(ext.maximum(), 127);
    EXPECT_EQ(ext.value(), 0);
    ext.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(j.grid.LeftCol(), j.grid.FixedCols() + 1);
    EXPECT_GT(ext.value(), 0);
}

TEST(ScrollBars, LibrarySettings)
{
    const TDBGridExUnitSettings& s = DBGridExSettings();
    EXPECT_EQ(s.SortMarkerFont.Name(), "Arial");
    EXPECT_LT(s.SortMarkerFont.Height(), 0);
    EXPECT_EQ(s.ColSelectionAreaHeight, 7);
    EXPECT_EQ(s.InplaceSearchKey, QKeyCombination(Qt::ControlModifier, Qt::Key_F));
    EXPECT_EQ(s.InplaceSearchPriorKey, QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Return));
    EXPECT_EQ(s.InplaceSearchTimeOut, 1500);
    EXPECT_EQ(s.InplaceSearchColor, gfx::clYellow);
    EXPECT_EQ(s.InplaceSearchTextColor, gfx::clBlack);
    EXPECT_EQ(s.CheckBoxWidth, 13);
}

TEST(ScrollBars, VerticalTitleTextReadsUpward)
{
    QImage img(40, 120, QImage::Format_RGB32);
    gfx::TCanvas canvas(&img);
    canvas.Brush().SetColor(gfx::clWhite);
    canvas.Font().SetColor(gfx::clBlack);
    const gfx::TRect r(0, 0, 40, 120);
    WriteTextVerticalEx(canvas, r, true, 2, 4, QStringLiteral("Номер"), taCenter, tlBottom, false);
    canvas.Release();
    // Ink lies in a tall narrow band near the bottom, about the text's width high.
    int top = 120, bottom = -1, left = 40, right = -1;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 40; ++x)
            if (img.pixelColor(x, y).lightness() < 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(bottom, 0);
    EXPECT_GT(bottom - top, right - left) << "taller than wide";
    EXPECT_LE(bottom, 120 - 4);
    EXPECT_GT(bottom, 80);
}

TEST(ScrollBars, PictureWithVerticalTitleAndSortNumbers)
{
    JournalGrid j(6, {660, 260});
    j.grid.SetTitleHeight(60);
    j.grid.Columns()[4]->Title().SetOrientation(tohVertical);
    j.grid.SetOptionsEx(j.grid.OptionsEx() | bit(dghMultiSortMarking));
    j.grid.Columns()[0]->Title().SetSortMarker(smDownEx);
    j.grid.Columns()[2]->Title().SetSortMarker(smUpEx);
    j.show();
    const QString dir = QStringLiteral(VELT_BINARY_DIR "/grid-pictures");
    QDir().mkpath(dir);
    ASSERT_TRUE(j.grid.RenderToImage().save(dir + "/journal-grid-vertical-title.png"));
    EXPECT_EQ(j.grid.SortMarkedColumns().size(), 2);
}
