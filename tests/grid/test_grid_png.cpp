// Writes a picture of the journal grid for a person to look at: titles, indicator, lines, a current row
// and a few marked rows, a null value, a column bound to no field painted by the owner-draw handler.
#include "GridFixture.h"
#include <QDir>
#include <gtest/gtest.h>

using namespace gridtest;

TEST(GridPicture, WritesThePngOfASmallRussianJournal)
{
    JournalGrid j(12, {640, 300});
    j.grid.OnDrawColumnCell = [](TCustomDBGridEx* g, const gfx::TRect& r, int, TColumnEx* c, TGridDrawState state) {
        if (c->FieldName() != QLatin1String("PAGE_FOOT"))
            return;
        g->Canvas().Brush().SetColor((state & gdSelected) ? gfx::clHighlight : gfx::RGB(255, 255, 200));
        g->Canvas().Font().SetColor((state & gdSelected) ? gfx::clHighlightText : gfx::clNavy);
        g->Canvas().TextRect(r, r.Left + 2, r.Top + 2, QStringLiteral("акт"));
    };
    j.show();
    j.ds->MoveBy(2);
    click(j.vp(), j.cell(5, 1), Qt::ControlModifier);
    click(j.vp(), j.cell(7, 1), Qt::ControlModifier);
    QApplication::processEvents();
    const QImage img = j.grid.RenderToImage();
    const QString dir = QStringLiteral(VELT_BINARY_DIR "/grid-pictures");
    QDir().mkpath(dir);
    const QString path = dir + "/journal-grid.png";
    ASSERT_TRUE(img.save(path));
    EXPECT_EQ(j.grid.SelectedRows().Count(), 2);
}
