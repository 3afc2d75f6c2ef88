// The list of selected records: data-set order, the find cache, type transitions, and deleting with a
// bookmark whose record is already gone.
#include "GridFixture.h"
#include "grid/GridError.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
struct Bound {
    std::unique_ptr<TMemDataSet> ds = makeJournal(10);
    TDataSource source{ds.get()};
    TDBGridEx grid;
    Bound()
    {
        grid.SetOptions(grid.Options() | bit(dgMultiSelect) | bit(dgRowSelect));
        grid.SetDataSource(&source);
    }
    void mark(int recNo)
    {
        ds->SetRecNo(recNo);
        grid.SelectedRows().SetCurrentRowSelected(true);
    }
};
} // namespace

TEST(SelectedRows, KeepDataSetOrderAndOneEntryPerRecord)
{
    Bound b;
    int index = -1;
    EXPECT_FALSE(b.grid.SelectedRows().Find(QByteArray("x"), index));
    EXPECT_EQ(index, 0);
    for (int r : {7, 2, 5, 2})
        b.mark(r);
    ASSERT_EQ(b.grid.SelectedRows().Count(), 3);
    b.ds->GotoBookmark(b.grid.SelectedRows().Items(0));
    EXPECT_EQ(b.ds->RecNo(), 2);
    b.ds->GotoBookmark(b.grid.SelectedRows().Items(2));
    EXPECT_EQ(b.ds->RecNo(), 7);
    EXPECT_EQ(b.grid.Selection().SelectionType(), gstRecordBookmarks);
    // Unmarking an unmarked row changes nothing; unmarking the last marked one ends the selection.
    b.ds->SetRecNo(3);
    b.grid.SelectedRows().SetCurrentRowSelected(false);
    EXPECT_EQ(b.grid.SelectedRows().Count(), 3);
    for (int r : {2, 5, 7}) {
        b.ds->SetRecNo(r);
        b.grid.SelectedRows().SetCurrentRowSelected(false);
    }
    EXPECT_EQ(b.grid.Selection().SelectionType(), gstNon);
}

TEST(SelectedRows, DeleteSkipsRecordsAlreadyGoneAndReleasesTheControls)
{
    Bound b;
    for (int r : {2, 4, 6})
        b.mark(r);
    // Record 4 goes behind the list's back.
    b.ds->SetRecNo(4);
    b.ds->Delete();
    EXPECT_NO_THROW(b.grid.SelectedRows().Delete());
    EXPECT_FALSE(b.ds->ControlsDisabled());
    EXPECT_EQ(b.ds->RecordCount(), 7);
    EXPECT_EQ(b.grid.SelectedRows().Count(), 0);
    b.ds->First();
    std::vector<int> left;
    while (!b.ds->Eof()) {
        left.push_back(b.ds->FieldByName("NUM_VIDOH")->AsInteger());
        b.ds->Next();
    }
    EXPECT_EQ(left, (std::vector<int>{1, 3, 5, 7, 8, 9, 10}));
}

TEST(SelectedRows, RefreshDropsStaleBookmarksAndClosingClearsAll)
{
    Bound b;
    for (int r : {1, 3})
        b.mark(r);
    b.ds->SetRecNo(3);
    b.ds->Delete();
    EXPECT_TRUE(b.grid.SelectedRows().Refresh());
    EXPECT_EQ(b.grid.SelectedRows().Count(), 1);
    EXPECT_FALSE(b.grid.SelectedRows().Refresh());
    b.ds->Close();
    EXPECT_EQ(b.grid.SelectedRows().Count(), 0);
    EXPECT_THROW(b.grid.SelectedRows().CurrentRow(), EInvalidGridOperation);
}

TEST(SelectedRows, ClearedWithMultiSelectOrTheDataSource)
{
    Bound b;
    b.mark(2);
    b.grid.SetOptions(b.grid.Options() & ~bit(dgMultiSelect));
    EXPECT_EQ(b.grid.SelectedRows().Count(), 0);
    b.grid.SetOptions(b.grid.Options() | bit(dgMultiSelect));
    b.mark(2);
    TDataSource other(b.ds.get());
    b.grid.SetDataSource(&other);
    EXPECT_EQ(b.grid.SelectedRows().Count(), 0);
}

TEST(SelectedRows, ARecordBeingInsertedHasNoBookmarkToMark)
{
    Bound b;
    b.grid.resize(600, 300);
    b.grid.show();
    b.ds->SetRecNo(3);
    b.ds->Insert();
    b.ds->FieldByName("FIO")->SetAsString("Новый");
    // Marked by the list itself, by Ctrl+click on its row and by Shift+Down from it.
    b.grid.SelectedRows().SetCurrentRowSelected(true);
    EXPECT_EQ(b.grid.SelectedRows().Count(), 0);
    const QPoint row = b.grid.CellRect(2, b.grid.Row()).center();
    click(b.grid.viewport(), row, Qt::ControlModifier);
    EXPECT_EQ(b.grid.SelectedRows().Count(), 0);
    key(b.grid.viewport(), Qt::Key_Down, Qt::ShiftModifier);
    // Every entry is a bookmark the data set can go to.
    for (int i = 0; i < b.grid.SelectedRows().Count(); ++i)
        EXPECT_TRUE(b.ds->BookmarkValid(b.grid.SelectedRows().Items(i))) << i;
}

TEST(SelectedRows, AStaleEntryDoesNotHideAMarkedRecordFromUnmarking)
{
    // Identities that run against the row order: a stale entry then sorts apart from the live ones.
    struct ReversedIds : TMemDataSet {
        quint64 RowId(int row) const override { return 1000000 - TMemDataSet::RowId(row); }
    };
    ReversedIds ds;
    ds.AddFieldDef("N", ftInteger);
    ds.Open();
    for (int i = 1; i <= 10; ++i)
        ds.AppendRecord({i});
    TDataSource source(&ds);
    TDBGridEx grid;
    grid.SetOptions(grid.Options() | bit(dgMultiSelect) | bit(dgRowSelect));
    grid.SetDataSource(&source);
    for (int r : {2, 5, 8}) {
        ds.SetRecNo(r);
        grid.SelectedRows().SetCurrentRowSelected(true);
    }
    ds.SetRecNo(5);
    ds.Delete();  // behind the list's back
    ds.SetRecNo(2);
    EXPECT_TRUE(grid.SelectedRows().CurrentRowSelected());
    grid.SelectedRows().SetCurrentRowSelected(false);
    EXPECT_FALSE(grid.SelectedRows().CurrentRowSelected());
    EXPECT_EQ(grid.SelectedRows().Count(), 2) << "the stale entry and record 8";
    // Marking it again keeps one entry per record.
    grid.SelectedRows().SetCurrentRowSelected(true);
    grid.SelectedRows().SetCurrentRowSelected(true);
    EXPECT_EQ(grid.SelectedRows().Count(), 3);
    EXPECT_TRUE(grid.SelectedRows().Refresh());
    EXPECT_EQ(grid.SelectedRows().Count(), 2);
}
