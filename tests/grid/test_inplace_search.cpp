// In-place incremental search as a user types it into the journal grid: matching in the records' own
// letter case, characters that match nothing dropped, stepping to the next and prior match, the keys that
// end it, its time-out, and the match drawn in the current cell.
#include "GridFixture.h"
#include "common/testutil.h"
#include "grid/GridSettings.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
struct Searching : JournalGrid {
    explicit Searching(int rows = 16) : JournalGrid(rows)
    {
        // Cells, not rows: the search reads the current column.
        grid.SetOptions(grid.Options() & ~bit(dgRowSelect));
        grid.SetOptionsEx(grid.OptionsEx() | bit(dghIncSearch));
        show();
        grid.SetSelectedIndex(1);  // Ф.И.О.
    }
    void type(const QString& s)
    {
        for (QChar c : s)
            key(vp(), Qt::Key_unknown, {}, QString(c));
    }
    int recNo() { return ds->RecNo(); }
    QString fio() { return ds->FieldByName("FIO")->AsString(); }
};
} // namespace

TEST(InplaceSearch, TypingFindsInTheRecordsOwnCaseAndDropsWhatMatchesNothing)
{
    Searching s;
    // typed, search text after it, record after it
    struct Step { const char* typed; const char* text; int recNo; };
    const Step steps[] = {{"п", "П", 2}, {"е", "Пе", 2}, {"x", "Пе", 2}, {"т", "Пет", 2}};
    for (const Step& st : steps) {
        s.type(QString::fromUtf8(st.typed));
        EXPECT_TRUE(s.grid.InplaceSearching());
        EXPECT_EQ(s.grid.InplaceSearchText(), QString::fromUtf8(st.text)) << st.typed;
        EXPECT_EQ(s.recNo(), st.recNo) << st.typed;
    }
    EXPECT_EQ(s.grid.InplaceSearchTimeOut(), DBGridExSettings().InplaceSearchTimeOut);
    // A character matching nothing from the start brings the record back where it was.
    Searching t;
    t.ds->MoveBy(3);
    t.type("q");
    EXPECT_EQ(t.recNo(), 4);
    EXPECT_EQ(t.grid.InplaceSearchText(), "");
}

TEST(InplaceSearch, NextAndPriorStepBetweenMatchesAndStayWhenThereIsNone)
{
    Searching s;  // "Петров Пётр" at records 2 and 10
    s.type(QString::fromUtf8("пет"));
    ASSERT_EQ(s.recNo(), 2);
    key(s.vp(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(s.recNo(), 10);
    key(s.vp(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(s.recNo(), 10) << "no later match: back where the step began";
    EXPECT_EQ(s.grid.InplaceSearchText(), QString::fromUtf8("Пет"));
    key(s.vp(), Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(s.recNo(), 2);
    EXPECT_TRUE(s.grid.InplaceSearching()) << "the search's own moves do not end it";
}

TEST(InplaceSearch, KeysMovesAndTheTimeOutEndIt)
{
    Searching s;
    // Ctrl+F starts a search with no time-out; Backspace on an empty text keeps it going.
    key(s.vp(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(s.grid.InplaceSearching());
    EXPECT_EQ(s.grid.InplaceSearchTimeOut(), -1);
    EXPECT_FALSE(s.grid.TimerActive(2));
    key(s.vp(), Qt::Key_Backspace);
    EXPECT_TRUE(s.grid.InplaceSearching());
    s.type(QString::fromUtf8("си"));
    key(s.vp(), Qt::Key_Backspace);
    EXPECT_EQ(s.grid.InplaceSearchText(), QString::fromUtf8("С"));
    for (int k : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_F2, Qt::Key_Down}) {
        key(s.vp(), Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(s.grid.InplaceSearching());
        key(s.vp(), k);
        EXPECT_FALSE(s.grid.InplaceSearching()) << k;
        EXPECT_EQ(s.grid.InplaceSearchText(), "");
    }
    // A search begun under a pause of a minute, ended; then the pause set to 30 ms ends the next search, long
    // before the minute would (the bound leaves a loaded machine room to run the timer late).
    DBGridExSettings().InplaceSearchTimeOut = 60000;
    s.type("a");
    key(s.vp(), Qt::Key_Escape);
    ASSERT_FALSE(s.grid.InplaceSearching());
    DBGridExSettings().InplaceSearchTimeOut = 30;
    s.type("a");
    EXPECT_TRUE(s.grid.TimerActive(2));
    testutil::PumpUntil([&] { return !s.grid.InplaceSearching(); }, testutil::kPromptMs);
    DBGridExSettings().InplaceSearchTimeOut = 1500;
    EXPECT_FALSE(s.grid.InplaceSearching()) << "the pause ended it";
}

TEST(InplaceSearch, TheMatchIsDrawnInTheSearchColoursInTheCurrentCell)
{
    Searching s;
    const QRect cell = s.grid.CellRect(s.grid.DataToRawColumn(1), s.grid.TitleOffset());
    auto yellowIn = [&](const QImage& img) {
        int n = 0;
        for (int y = cell.top(); y < cell.bottom(); ++y)
            for (int x = cell.left(); x < cell.right(); ++x)
                n += img.pixelColor(x, y) == QColor(Qt::yellow);
        return n;
    };
    EXPECT_EQ(yellowIn(s.image()), 0);
    s.type(QString::fromUtf8("ив"));
    const int two = yellowIn(s.image());
    EXPECT_GT(two, 0);
    s.type(QString::fromUtf8("ан"));
    EXPECT_GT(yellowIn(s.image()), two) << "the band grows with the match";
    // The indicator shows the search's arrow on its own background.
    const QRect ind = s.grid.CellRect(0, s.grid.TitleOffset());
    const QImage img = s.image();
    bool searchBack = false;
    for (int y = ind.top(); y < ind.bottom(); ++y)
        for (int x = ind.left(); x < ind.right(); ++x)
            searchBack = searchBack || img.pixelColor(x, y) == QColor(Qt::yellow);
    EXPECT_TRUE(searchBack);
}

// The texts a search compares are kept between searches; a changed, added or deleted record, or another
// column, is seen by the next search.
TEST(InplaceSearch, SeesRecordsChangedBetweenSearches)
{
    Searching s;
    auto search = [&](const char* typed) {
        s.grid.StopInplaceSearch();
        s.ds->First();
        s.type(QString::fromUtf8(typed));
        return s.grid.InplaceSearchText().isEmpty() ? 0 : s.recNo();
    };
    EXPECT_EQ(search("пет"), 2);
    EXPECT_EQ(search("ю"), 0);
    s.ds->SetRecNo(12);
    s.ds->Edit();
    s.ds->FieldByName("FIO")->SetAsString(QString::fromUtf8("Юдин Юрий"));
    s.ds->Post();
    EXPECT_EQ(search("ю"), 12) << "an edited record";
    s.ds->SetRecNo(2);
    s.ds->Delete();
    EXPECT_EQ(search("пет"), 9) << "a deleted record";
    s.ds->AppendRecord({QVariant(), QString::fromUtf8("Яшин Лев")});
    EXPECT_EQ(search("яш"), s.ds->RecordCount()) << "an added record";
    s.grid.SetSelectedIndex(3);  // the instrument column
    EXPECT_EQ(search("velt"), 1) << "another column";
    EXPECT_EQ(search("яш"), 0);
}
