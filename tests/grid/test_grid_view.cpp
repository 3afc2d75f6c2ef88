// The grid over a data set, rendered offscreen: what each cell shows and in which colours, the record
// window and the record scroll bar, and the reactions to the data set (open, close, delete, insert, move).
#include "GridFixture.h"
#include "grid/TextWriters.h"
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <map>

using namespace gridtest;
using gfx::ToQColor;

namespace {

// The text each painted data cell's field shows while the owner-draw runs, by (data row, data column).
struct PaintSpy {
    std::map<std::pair<int, int>, QString> texts;
    std::map<std::pair<int, int>, TGridDrawState> states;
    std::map<std::pair<int, int>, gfx::TColor> brushes;
    void attach(TDBGridEx& g)
    {
        g.OnDrawColumnCell = [this, &g](TCustomDBGridEx*, const gfx::TRect& r, int dataCol, TColumnEx* c, TGridDrawState st) {
            (void)r;
            const int dataRow = g.DataLink()->ActiveRecord();
            TField* f = c->GetField();
            texts[{dataRow, dataCol}] = f ? f->DisplayText() : QString();
            states[{dataRow, dataCol}] = st;
            brushes[{dataRow, dataCol}] = g.Canvas().Brush().Color();
        };
    }
};

QColor at(const QImage& img, QPoint p) { return img.pixelColor(p); }

// Rows of the data area where what the window holds now (after scrolled and partial repaints) differs
// from a fresh paint of the whole grid.
int staleLines(JournalGrid& j)
{
    QApplication::processEvents();
    const QImage all = j.grid.screen()->grabWindow(j.grid.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage held = all.copy(QRect(j.grid.viewport()->mapTo(&j.grid, QPoint(0, 0)), j.grid.viewport()->size()));
    const QImage fresh = j.image().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < std::min(held.height(), fresh.height()); ++y)
        for (int x = 0; x < std::min(held.width(), fresh.width()); ++x)
            if (held.pixel(x, y) != fresh.pixel(x, y)) {
                ++n;
                break;
            }
    return n;
}

// The left inside pixel of a cell, free of text ink.
QPoint inkFree(TDBGridEx& g, int dataRow, int dataCol)
{
    const QRect r = g.CellRect(g.DataToRawColumn(dataCol), g.TitleOffset() + dataRow);
    return {r.left() + 1, r.center().y()};
}

std::string joined(const std::vector<QString>& v)
{
    QStringList l(v.begin(), v.end());
    return l.join(" / ").toStdString();
}

// The names the window should show: a copy of the data kept by the test, cut at the link's window.
std::vector<QString> expectedWindow(JournalGrid& j, const std::vector<QString>& names)
{
    const int first = j.grid.DataLink()->FirstRecord();
    const int count = j.grid.DataLink()->RecordCount();
    return std::vector<QString>(names.begin() + first, names.begin() + first + count);
}

std::vector<QString> allNames(TDataSet& ds)
{
    std::vector<QString> out;
    ds.First();
    while (!ds.Eof()) {
        out.push_back(ds.FieldByName("FIO")->DisplayText());
        ds.Next();
    }
    ds.First();
    return out;
}

} // namespace

TEST(GridView, PaintsTitlesIndicatorAndRowsInTheGridColours)
{
    JournalGrid j;
    PaintSpy spy;
    spy.attach(j.grid);
    j.show();
    j.ds->MoveBy(2);
    const QImage img = j.image();
    // Titles on the button face with a raised edge (white top-left line).
    const QRect title = j.grid.CellRect(1, 0);
    EXPECT_EQ(at(img, {title.center().x(), title.bottom() - 1}), ToQColor(gfx::clBtnFace));
    EXPECT_EQ(at(img, {title.center().x(), title.top()}), ToQColor(gfx::clBtnHighlight));
    // The current row of a focused row-select grid is highlighted, the others are in the grid colour.
    EXPECT_EQ(at(img, inkFree(j.grid, 2, 1)), ToQColor(gfx::clHighlight));
    EXPECT_EQ(at(img, inkFree(j.grid, 1, 1)), ToQColor(gfx::clWindow));
    // The indicator shows the arrow (black ink) on the current row only.
    auto inkInIndicator = [&](int dataRow) {
        const QRect r = j.grid.CellRect(0, 1 + dataRow);
        for (int y = r.top() + 1; y < r.bottom(); ++y)
            for (int x = r.left() + 1; x < r.right(); ++x)
                if (img.pixelColor(x, y) == Qt::black)
                    return true;
        return false;
    };
    EXPECT_TRUE(inkInIndicator(2));
    EXPECT_FALSE(inkInIndicator(1));
    // The owner-draw ran for every data cell with the field of the painted row and the grid's brush.
    EXPECT_EQ(spy.texts.at({0, 1}), QString::fromUtf8("Иванов Иван Иванович"));
    EXPECT_EQ(spy.texts.at({3, 2}), QString()) << "a null value shows empty";
    EXPECT_EQ(spy.texts.at({2, 4}), "3");
    EXPECT_TRUE(spy.states.at({2, 1}) & gdSelected);
    EXPECT_EQ(spy.brushes.at({2, 1}), gfx::clHighlight);
    EXPECT_EQ(spy.brushes.at({1, 1}), gfx::clWindow);
    // A column bound to no field reaches the owner-draw with no field.
    EXPECT_EQ(j.grid.Columns()[5]->GetField(), nullptr);
    EXPECT_EQ(spy.texts.at({0, 5}), QString());
}

TEST(GridView, OwnerDrawPaintsLastAndDefaultDrawDataCellUsesTheCanvas)
{
    JournalGrid j;
    j.grid.OnDrawColumnCell = [](TCustomDBGridEx* g, const gfx::TRect& r, int dataCol, TColumnEx* c, TGridDrawState st) {
        if (dataCol == 0) {
            g->Canvas().Brush().SetColor(gfx::clRed);
            g->Canvas().FillRect(r);
        } else if (dataCol == 2) {
            g->Canvas().Brush().SetColor(gfx::clYellow);
            g->DefaultDrawDataCell(r, c->GetField(), st);
        }
    };
    j.show();
    const QImage img = j.image();
    EXPECT_EQ(at(img, inkFree(j.grid, 1, 0)), Qt::red);
    EXPECT_EQ(at(img, inkFree(j.grid, 0, 0)), Qt::red) << "even over the highlight of the current row";
    // DefaultDrawDataCell fills with the canvas brush: the null value's cell is filled too.
    EXPECT_EQ(at(img, inkFree(j.grid, 3, 2)), ToQColor(gfx::clYellow));
    // Right alignment of the field: the ink ends at least 3 pixels before the cell's right edge.
    const QRect r = j.grid.CellRect(3, 2);
    int lastInk = -1;
    for (int x = r.left(); x < r.left() + r.width(); ++x)
        for (int y = r.top(); y < r.top() + r.height(); ++y)
            if (img.pixelColor(x, y) != ToQColor(gfx::clYellow))
                lastInk = x;
    EXPECT_GT(lastInk, r.center().x());
    EXPECT_LE(lastInk, r.left() + r.width() - 1 - 3);
}

TEST(GridView, APartlyVisibleLastColumnShowsTheVisiblePartOfItsWholeCell)
{
    JournalGrid j;
    j.show();
    j.ds->MoveBy(6);  // the focus frame of the current row ends at the grid's edge: keep it out of the way
    // The exhalation number is right-aligned: in a cell cut by the grid's edge it must stay where the whole
    // cell puts it (out of sight), not move into the visible part; the centred title likewise.
    const int raw = j.grid.DataToRawColumn(4);
    const QRect whole = j.grid.CellRect(raw, 1);
    ASSERT_EQ(whole.width(), 90);
    const QImage wide = j.image();
    const int visible = whole.left() + 45;
    j.grid.resize(j.grid.width() - (j.vp()->width() - visible), j.grid.height());
    QApplication::processEvents();
    ASSERT_EQ(j.vp()->width(), visible);
    ASSERT_EQ(j.grid.CellRect(raw, 1).width(), 45) << "the column starts where it did";
    const QImage narrow = j.image();
    const QRect part(whole.left(), 0, 45, j.grid.CellRect(raw, j.grid.TitleOffset() + 4).top());
    EXPECT_EQ(narrow.copy(part), wide.copy(part));
}

TEST(GridView, MultiSelectedRowsAndTheirIndicator)
{
    JournalGrid j;
    j.show();
    j.ds->MoveBy(1);
    j.grid.SelectedRows().SetCurrentRowSelected(true);
    j.ds->MoveBy(3);
    j.grid.SelectedRows().SetCurrentRowSelected(true);
    j.grid.clearFocus();
    QApplication::processEvents();
    const QImage img = j.image();
    // Marked rows are highlighted whether or not the grid has the focus; the unfocused current row is not.
    EXPECT_EQ(at(img, inkFree(j.grid, 1, 1)), ToQColor(gfx::clHighlight));
    EXPECT_EQ(at(img, inkFree(j.grid, 0, 1)), ToQColor(gfx::clWindow));
    // A marked row that is not current: only the dark fill in the indicator. Marked and current: the
    // light arrow on the dark fill.
    const QRect ind1 = j.grid.CellRect(0, 1 + 1), ind4 = j.grid.CellRect(0, 1 + 4);
    EXPECT_EQ(at(img, ind1.center()), QColor(64, 64, 64));
    bool whiteInk = false;
    for (int x = ind4.left(); x < ind4.right(); ++x)
        whiteInk = whiteInk || img.pixelColor(x, ind4.center().y()) == Qt::white;
    EXPECT_TRUE(whiteInk);
    EXPECT_EQ(at(img, {ind4.left() + 1, ind4.center().y()}), QColor(64, 64, 64));
}

TEST(GridView, TextWritersPlaceAndShortenText)
{
    QImage img(200, 40, QImage::Format_RGB32);
    gfx::TCanvas canvas(&img);
    canvas.Brush().SetColor(gfx::clWhite);
    // A text wider than the room gets "..." and only a prefix survives.
    const QString s = QStringLiteral("Иванов Иван Иванович");
    const int full = canvas.TextWidth(s);
    EXPECT_EQ(MakeEllipsisText(s, canvas, full), s);
    const QString cut = MakeEllipsisText(s, canvas, full / 2);
    EXPECT_TRUE(cut.endsWith("..."));
    EXPECT_LE(canvas.TextWidth(cut), full / 2);
    EXPECT_TRUE(s.startsWith(cut.chopped(3)));
    EXPECT_EQ(MakeEllipsisText(s, canvas, 1), QStringLiteral("..."));

    // At every width the same text as the plain rule: from the whole text, one character fewer each time
    // (the first cut takes two) until it fits with "...".
    auto byRule = [&](const QString& text, int maxWidth) {
        QString result = text;
        for (int k = 1; k <= text.size(); ++k) {
            if (canvas.TextWidth(result) <= maxWidth)
                break;
            result = text.left(std::max<qsizetype>(0, text.size() - k - 1)) + QStringLiteral("...");
        }
        return result;
    };
    for (const QString& text : {s, QStringLiteral("Ж"), QStringLiteral("ab"), QString()})
        for (int w = 0; w <= canvas.TextWidth(text) + 2; ++w)
            ASSERT_EQ(MakeEllipsisText(text, canvas, w), byRule(text, w)) << text.toStdString() << " at " << w;
    // A long memo is cut at once, not by a measure of itself for each character.
    QString memo;
    while (memo.size() < 50000)
        memo += s + ' ';
    const QString memoCut = MakeEllipsisText(memo, canvas, 150);
    EXPECT_LE(canvas.TextWidth(memoCut), 150);
    EXPECT_TRUE(memo.startsWith(memoCut.chopped(3)));
    EXPECT_GT(canvas.TextWidth(memo.left(memoCut.size() - 3 + 1) + "..."), 150);
}

TEST(GridLayout, RecordWindowFollowsTheClientHeight)
{
    JournalGrid j(100);
    j.show();
    const int rowExtent = j.grid.DefaultRowHeight() + 1;
    const int titleExtent = j.grid.RowHeights(0) + 1;
    const int expected = (j.grid.ClientHeight() - titleExtent) / rowExtent;
    EXPECT_EQ(j.grid.VisibleDataRowCount(), expected);
    EXPECT_EQ(j.grid.DataLink()->BufferCount(), expected);
    EXPECT_EQ(j.grid.RowCount(), 1 + expected);
    // Row height from the grid font: text height plus 3.
    EXPECT_EQ(j.grid.DefaultRowHeight(), QFontMetrics(j.grid.Font().ToQFont()).height() + 3);
    // A client area lower than one row still buffers one record.
    j.grid.resize(560, titleExtent + 8);
    QApplication::processEvents();
    EXPECT_EQ(j.grid.DataLink()->BufferCount(), 1);
    EXPECT_EQ(j.grid.RowCount(), 2);
}

TEST(GridLayout, RecordScrollBarDescribesThePositionAndTracks)
{
    JournalGrid j(100);
    j.show();
    const int page = j.grid.VisibleDataRowCount();
    auto si = j.grid.VertScrollInfo();
    EXPECT_EQ(si.min, 1);
    EXPECT_EQ(si.page, page);
    EXPECT_EQ(si.max, 100 + page - 1);
    EXPECT_EQ(si.pos, 1);
    j.ds->MoveBy(40);
    EXPECT_EQ(j.grid.VertScrollInfo().pos, 41);
    // Thumb tracking moves the current record while the thumb moves; the release does not move it again.
    QScrollBar* bar = j.grid.verticalScrollBar();
    EXPECT_TRUE(bar->isEnabled());
    bar->setSliderDown(true);
    bar->setSliderPosition(70);
    EXPECT_EQ(j.ds->RecNo(), 70);
    j.ds->MoveBy(1);  // the record moves meanwhile (a new measurement, a key)
    bar->setSliderDown(false);
    EXPECT_EQ(j.ds->RecNo(), 71);
    // Line and page requests move by records.
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(j.ds->RecNo(), 71 + page);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(j.ds->RecNo(), 1);
    // Few records: the bar stays but is disabled.
    JournalGrid few(3);
    few.show();
    EXPECT_FALSE(few.grid.verticalScrollBar()->isEnabled());
}

TEST(GridLayout, FooterRowsSitAtTheBottom)
{
    JournalGrid j(2);
    j.grid.SetFooterRowCount(1);
    j.show();
    const QRect footer = j.grid.CellRect(1, j.grid.RowCount() - 1);
    EXPECT_EQ(j.grid.RowCount(), 1 + 2 + 2);
    EXPECT_EQ(footer.top() + footer.height() + 1, j.grid.ClientHeight());
}

TEST(GridLayout, FooterAndFillerOfASelectedColumnAreHighlighted)
{
    JournalGrid j(2);
    j.grid.SetOptions(j.grid.Options() & ~bit(dgRowSelect));
    j.grid.SetAllowedSelections(bit(gstColumns));
    j.grid.SetFooterRowCount(1);
    j.show();
    j.grid.Selection().Columns().Select(j.grid.Columns()[2], false);
    const QImage img = j.image();
    const int filler = j.grid.RowCount() - 2, footer = j.grid.RowCount() - 1;
    auto inside = [&](int dataCol, int row) {
        const QRect r = j.grid.CellRect(j.grid.DataToRawColumn(dataCol), row);
        return QPoint(r.left() + 1, r.top() + 1);
    };
    EXPECT_EQ(at(img, inside(2, filler)), ToQColor(gfx::clHighlight));
    EXPECT_EQ(at(img, inside(2, footer)), ToQColor(gfx::clHighlight));
    EXPECT_NE(at(img, inside(1, filler)), ToQColor(gfx::clHighlight));
    EXPECT_NE(at(img, inside(1, footer)), ToQColor(gfx::clHighlight));
}

TEST(GridLayout, AutoFitSharesTheWidthAndSurvivesZeroWidths)
{
    JournalGrid j;
    j.show();
    j.grid.SetAutoFitColWidths(true);
    int sum = 0;
    for (int i = 0; i < 6; ++i)
        sum += j.grid.Columns()[i]->Width() + 1;
    EXPECT_EQ(sum + j.grid.ColWidths(0) + 1, j.grid.ClientWidth());
    // Columns whose starting widths are all zero: nothing to share by, and no negative width.
    for (int i = 0; i < 6; ++i)
        j.grid.Columns()[i]->SetInitialWidth(0);
    j.grid.LayoutChanged();
    for (int i = 0; i < 6; ++i)
        EXPECT_GE(j.grid.Columns()[i]->Width(), 0);
    // Switching off gives back the widths the columns had when it was switched on.
    j.grid.SetAutoFitColWidths(false);
    j.grid.SetAutoFitColWidths(true);
    j.grid.SetAutoFitColWidths(false);
    EXPECT_EQ(j.grid.Columns()[0]->Width(), 0);
}

TEST(GridReactions, OpenCloseReopenDeleteInsertNeverShowAStaleRow)
{
    JournalGrid j(30);
    PaintSpy spy;
    spy.attach(j.grid);
    std::vector<QString> names = allNames(*j.ds);
    j.show();
    auto painted = [&] {
        spy.texts.clear();
        j.grid.viewport()->repaint();
        std::vector<QString> out;
        for (int r = 0; j.ds->Active() && r < j.grid.DataLink()->RecordCount(); ++r)
            out.push_back(spy.texts.at({r, 1}));
        return out;
    };
    EXPECT_EQ(joined(painted()), joined(expectedWindow(j, names)));
    // Keys move the record window by scrolling what is shown: nothing stale may stay in the window.
    for (int i = 0; i < 30; ++i) {
        key(j.vp(), i < 20 ? Qt::Key_Down : i < 24 ? Qt::Key_Up : i < 27 ? Qt::Key_PageDown : Qt::Key_PageUp);
        ASSERT_EQ(staleLines(j), 0) << "after key " << i;
    }
    j.ds->First();
    EXPECT_EQ(joined(painted()), joined(expectedWindow(j, names)));
    // Scrolling by records, past the window and back.
    j.ds->MoveBy(20);
    EXPECT_EQ(staleLines(j), 0);
    EXPECT_EQ(joined(painted()), joined(expectedWindow(j, names)));
    EXPECT_EQ(j.grid.Row(), 1 + j.grid.DataLink()->ActiveRecord());
    j.ds->MoveBy(-3);
    EXPECT_EQ(joined(painted()), joined(expectedWindow(j, names)));
    EXPECT_EQ(spy.texts.at({j.grid.DataLink()->ActiveRecord(), 1}), names[size_t(j.ds->RecNo() - 1)]);
    // Deleting the current record and a record behind the cursor.
    names.erase(names.begin() + (j.ds->RecNo() - 1));
    j.ds->Delete();
    EXPECT_EQ(staleLines(j), 0);
    EXPECT_EQ(joined(painted()), joined(expectedWindow(j, names)));
    j.ds->MoveBy(-2);
    names.erase(names.begin() + (j.ds->RecNo() - 1));
    j.ds->Delete();
    EXPECT_EQ(joined(painted()), joined(expectedWindow(j, names)));
    EXPECT_EQ(j.grid.VertScrollInfo().max, 28 + j.grid.VisibleDataRowCount() - 1);
    // Inserting a record.
    j.ds->AppendRecord({"2027.01.01 00:00:00", QString::fromUtf8("Новый Человек"), 0.1, "VELT-B", 99});
    names.insert(names.begin() + (j.ds->RecNo() - 1), QString::fromUtf8("Новый Человек"));
    EXPECT_EQ(staleLines(j), 0);
    EXPECT_EQ(joined(painted()), joined(expectedWindow(j, names)));
    EXPECT_EQ(spy.texts.at({j.grid.DataLink()->ActiveRecord(), 1}), QString::fromUtf8("Новый Человек"));
    // Closing: no rows, no owner-draw of records; the scroll bar is inactive.
    j.ds->Close();
    EXPECT_EQ(staleLines(j), 0);
    EXPECT_TRUE(painted().empty());
    EXPECT_TRUE(spy.texts.empty());
    EXPECT_EQ(j.grid.RowCount(), 2);
    EXPECT_EQ(j.grid.VertScrollInfo(), (TCustomDBGridEx::ScrollInfo{0, 1, 2, 0}));
    // Re-opening (the memory data set comes back empty) and filling again.
    j.ds->Open();
    EXPECT_EQ(j.grid.Columns()[1]->GetField(), j.ds->FieldByName("FIO"));
    for (int i = 0; i < 4; ++i)
        j.ds->AppendRecord({"2027.01.02 00:00:00", QStringLiteral("R%1").arg(i), 0.2, "VELT-C", i});
    j.ds->First();
    EXPECT_EQ(painted(), (std::vector<QString>{"R0", "R1", "R2", "R3"}));
}

TEST(GridReactions, ARecordBeingInsertedShowsAsAnExtraRowAndHidesNone)
{
    JournalGrid j(8);
    PaintSpy spy;
    spy.attach(j.grid);
    const std::vector<QString> names = allNames(*j.ds);
    j.show();
    auto painted = [&] {
        spy.texts.clear();
        j.grid.viewport()->repaint();
        std::vector<QString> out;
        for (int r = 0; r < j.grid.DataLink()->RecordCount(); ++r)
            out.push_back(spy.texts.at({r, 1}));
        return out;
    };
    ASSERT_GE(j.grid.VisibleDataRowCount(), 9);
    j.ds->SetRecNo(3);
    j.ds->Insert();
    std::vector<QString> expected = names;
    expected.insert(expected.begin() + 2, QString());
    EXPECT_EQ(joined(painted()), joined(expected));
    EXPECT_EQ(staleLines(j), 0);
    EXPECT_EQ(j.grid.Row(), j.grid.TitleOffset() + 2) << "the new row is the current one";
    j.ds->FieldByName("FIO")->SetAsString(QString::fromUtf8("Новый Человек"));
    expected[2] = QString::fromUtf8("Новый Человек");
    EXPECT_EQ(joined(painted()), joined(expected));
    EXPECT_EQ(staleLines(j), 0);
    j.ds->Cancel();
    EXPECT_EQ(joined(painted()), joined(names));
    EXPECT_EQ(staleLines(j), 0);
    EXPECT_EQ(j.grid.Row(), j.grid.TitleOffset() + 2);
}

TEST(GridReactions, DefaultColumnsFollowTheFields)
{
    auto ds = makeJournal(3);
    TDataSource src(ds.get());
    TDBGridEx g;
    g.resize(400, 200);
    g.SetDataSource(&src);
    ASSERT_EQ(g.Columns().Count(), 5);
    EXPECT_EQ(g.Columns().State(), csDefault);
    EXPECT_EQ(g.Columns()[2]->GetField(), ds->FieldByName("IZM"));
    // Setters of default columns pass through to the field.
    g.Columns()[1]->SetAlignment(taCenter);
    EXPECT_EQ(ds->FieldByName("FIO")->Alignment(), taCenter);
    EXPECT_FALSE(g.Columns()[1]->AssignedValues() & bit(cvAlignment));
    g.Columns()[1]->Title().SetCaption("ФИО");
    EXPECT_EQ(ds->FieldByName("FIO")->DisplayLabel(), "ФИО");
    EXPECT_EQ(g.Columns()[1]->Title().Caption(), "ФИО");
    // Closing the data set empties the default columns.
    ds->Close();
    EXPECT_EQ(g.Columns().Count(), 0);
}

TEST(GridLayout, AutoFitAroundAColumnThatRefusesItsShare)
{
    JournalGrid j;
    j.show();
    j.grid.Columns()[1]->SetMinWidth(300);
    j.grid.SetAutoFitColWidths(true);
    int sum = 0;
    for (int i = 0; i < 6; ++i)
        sum += j.grid.Columns()[i]->Width() + 1;
    EXPECT_EQ(j.grid.Columns()[1]->Width(), 300);
    EXPECT_EQ(sum + j.grid.ColWidths(0) + 1, j.grid.ClientWidth()) << "the others share the rest exactly";
    // Sizing a column with the whole right part following keeps the total.
    j.grid.SetOptionsEx(j.grid.OptionsEx() | bit(dghResizeWholeRightPart));
    j.grid.SetColWidths(1, j.grid.ColWidths(1) + 30);
    int after = 0;
    for (int i = 0; i < 6; ++i)
        after += j.grid.Columns()[i]->Width() + 1;
    EXPECT_EQ(after + j.grid.ColWidths(0) + 1, j.grid.ClientWidth());
}

TEST(GridLayout, RowHeightSnapsToWholeLines)
{
    JournalGrid j;
    const int H = QFontMetrics(j.grid.Font().ToQFont()).height();
    j.grid.SetOptionsEx(j.grid.OptionsEx() | bit(dghFitRowHeightToText));
    struct Case { double lines; int expected; };
    for (const Case c : {Case{1.4, 1}, Case{1.6, 2}, Case{2.2, 2}}) {
        j.grid.BeginLayout();
        j.grid.SetRowLines(0);
        j.grid.SetRowHeight(int(c.lines * H) + 3);
        j.grid.EndLayout();
        EXPECT_EQ(j.grid.DefaultRowHeight(), c.expected * H + 3) << c.lines;
        EXPECT_EQ(j.grid.RowLines(), c.expected) << c.lines;
        // Laying out again keeps the height.
        j.grid.LayoutChanged();
        EXPECT_EQ(j.grid.DefaultRowHeight(), c.expected * H + 3) << c.lines;
    }
}

TEST(GridView, AHandlerThatThrowsLeavesNoPainterBehind)
{
    struct Exposed : TDBGridEx {
        using TCustomDBGridEx::Paint;
    };
    auto ds = makeJournal(3);
    TDataSource src(ds.get());
    Exposed g;
    g.resize(400, 200);
    g.SetDataSource(&src);
    g.OnDrawColumnCell = [](TCustomDBGridEx*, const gfx::TRect&, int, TColumnEx*, TGridDrawState) {
        throw std::runtime_error("handler failed");
    };
    const int active = g.DataLink()->ActiveRecord();
    {
        QImage img(g.viewport()->size(), QImage::Format_RGB32);
        QPainter p(&img);
        EXPECT_THROW(g.Paint(p, img.rect()), std::runtime_error);
    }
    EXPECT_EQ(g.DataLink()->ActiveRecord(), active);
    // The painter of that paint is gone: the canvas must not keep it.
    EXPECT_EQ(g.Canvas().Painter(), nullptr);
}

TEST(GridLayout, AGrowingRecordWindowKeepsTheCurrentRecordOnTheCurrentRow)
{
    // The journal goes to its newest record before its window gets its size: the record window grows
    // then, and the current row must follow the record.
    JournalGrid j(30, {660, 40});
    j.show();
    ASSERT_EQ(j.grid.DataLink()->RecordCount(), 1);
    j.ds->Last();
    j.grid.resize(660, 260);
    QApplication::processEvents();
    EXPECT_GT(j.grid.DataLink()->RecordCount(), 1);
    EXPECT_EQ(j.grid.Row(), j.grid.TitleOffset() + j.grid.DataLink()->ActiveRecord());
    // The highlighted row is the newest record's.
    PaintSpy spy;
    spy.attach(j.grid);
    j.grid.viewport()->repaint();
    const int active = j.grid.DataLink()->ActiveRecord();
    EXPECT_TRUE(spy.states.at({active, 1}) & gdSelected);
    EXPECT_EQ(spy.texts.at({active, 4}), "30");
    EXPECT_FALSE(spy.states.at({0, 1}) & gdSelected);
    // A resize that changes the record window keeps them together too.
    j.grid.resize(660, 160);
    QApplication::processEvents();
    EXPECT_EQ(j.grid.Row(), j.grid.TitleOffset() + j.grid.DataLink()->ActiveRecord());
    key(j.vp(), Qt::Key_Up);
    EXPECT_EQ(j.ds->RecNo(), 29);
}
