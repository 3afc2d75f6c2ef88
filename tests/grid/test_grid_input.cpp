// Rows selected and multi-selected by keys and mouse in the journal's grid (row select, multi-select),
// the delete confirmation, clicks reported to the application, column sizing by mouse.
#include "GridFixture.h"
#include "platform/controls/InplaceEdit.h"
#include "platform/controls/MessageBox.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {

// The exhalation numbers (1-based record numbers here) of the marked rows, in SelectedRows order.
std::vector<int> marked(JournalGrid& j)
{
    std::vector<int> out;
    const QByteArray here = j.ds->GetBookmark();
    for (int i = 0; i < j.grid.SelectedRows().Count(); ++i) {
        j.ds->GotoBookmark(j.grid.SelectedRows().Items(i));
        out.push_back(j.ds->FieldByName("NUM_VIDOH")->AsInteger());
    }
    j.ds->GotoBookmark(here);
    return out;
}

// The confirmations asked, in order.
std::vector<QString> asked(const ctl::TScriptedMessageBoxPort& boxes)
{
    std::vector<QString> texts;
    for (const auto& a : boxes.AskedSoFar())
        texts.push_back(a.text);
    return texts;
}

} // namespace

TEST(GridInput, ShiftArrowsExtendFromTheAnchorAndShrinkBack)
{
    JournalGrid j(10);
    j.show();
    j.ds->MoveBy(2);
    for (int i = 0; i < 3; ++i)
        key(&j.grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(marked(j), (std::vector<int>{3, 4, 5, 6}));
    key(&j.grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(marked(j), (std::vector<int>{3, 4, 5})) << "moving back toward the anchor unmarks";
    EXPECT_EQ(j.ds->RecNo(), 5);
    // A plain arrow clears the marks.
    key(&j.grid, Qt::Key_Down);
    EXPECT_TRUE(marked(j).empty());
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstNon);
    // Shift+Down on the last record marks it and stops there.
    j.ds->Last();
    key(&j.grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(marked(j), (std::vector<int>{10}));
    EXPECT_EQ(j.ds->RecNo(), 10);
    // Shift+Home marks every record up to the first.
    key(&j.grid, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(int(marked(j).size()), 10);
    EXPECT_EQ(j.ds->RecNo(), 1);
}

TEST(GridInput, CtrlClickTogglesPlainClickSelectsOneAndOrderIsTheDataOrder)
{
    JournalGrid j(10);
    std::vector<QString> clicked;
    j.grid.OnCellClick = [&](TColumnEx* c) { clicked.push_back(c->FieldName()); };
    j.show();
    click(j.vp(), j.cell(6, 1), Qt::ControlModifier);
    click(j.vp(), j.cell(1, 2), Qt::ControlModifier);
    click(j.vp(), j.cell(4, 0), Qt::ControlModifier);
    EXPECT_EQ(marked(j), (std::vector<int>{2, 5, 7})) << "bookmark order, not click order";
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstRecordBookmarks);
    EXPECT_EQ(clicked, (std::vector<QString>{"FIO", "IZM", "DATA_IZM"}));
    EXPECT_EQ(j.ds->RecNo(), 5);
    click(j.vp(), j.cell(6, 1), Qt::ControlModifier);
    EXPECT_EQ(marked(j), (std::vector<int>{2, 5}));
    // The journal walks the marks by bookmark.
    j.ds->GotoBookmark(j.grid.SelectedRows().GetItem(1));
    EXPECT_EQ(j.ds->FieldByName("NUM_VIDOH")->AsInteger(), 5);
    // A plain click clears the others and marks the clicked row.
    click(j.vp(), j.cell(3, 1));
    EXPECT_EQ(marked(j), (std::vector<int>{4}));
    EXPECT_EQ(j.ds->RecNo(), 4);
    // Shift+click marks from the current row to the clicked one.
    click(j.vp(), j.cell(6, 1), Qt::ShiftModifier);
    EXPECT_EQ(marked(j), (std::vector<int>{4, 5, 6, 7}));
}

TEST(GridInput, DraggingOverRowsMarksThem)
{
    JournalGrid j(10);
    j.show();
    mouse(j.vp(), QEvent::MouseButtonPress, j.cell(1, 1));
    for (int row = 2; row <= 4; ++row)
        mouse(j.vp(), QEvent::MouseMove, j.cell(row, 1));
    mouse(j.vp(), QEvent::MouseButtonRelease, j.cell(4, 1));
    EXPECT_EQ(marked(j), (std::vector<int>{2, 3, 4, 5}));
    // The pointer may wander into the empty area right of the last column: the rows still follow it.
    const int right = j.vp()->width() - 3;
    ASSERT_EQ(j.grid.MouseCoord(right, j.cell(6, 1).y()).X, -1) << "the columns must leave room on the right";
    mouse(j.vp(), QEvent::MouseButtonPress, j.cell(6, 1));
    for (int row = 7; row <= 8; ++row)
        mouse(j.vp(), QEvent::MouseMove, QPoint(right, j.cell(row, 1).y()));
    mouse(j.vp(), QEvent::MouseButtonRelease, QPoint(right, j.cell(8, 1).y()));
    EXPECT_EQ(marked(j), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(j.ds->RecNo(), 9);
}

TEST(GridInput, PagesAndEndsMoveByRecords)
{
    JournalGrid j(100);
    j.show();
    const int page = j.grid.VisibleDataRowCount();
    key(&j.grid, Qt::Key_PageDown);
    EXPECT_EQ(j.ds->RecNo(), 1 + page);
    key(&j.grid, Qt::Key_End);
    EXPECT_EQ(j.ds->RecNo(), 100);
    EXPECT_EQ(j.grid.Row(), j.grid.TitleOffset() + j.grid.DataLink()->ActiveRecord());
    key(&j.grid, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(j.ds->RecNo(), 100 - page + 1) << "first visible record";
    key(&j.grid, Qt::Key_Home);
    EXPECT_EQ(j.ds->RecNo(), 1);
    // The wheel moves one record.
    QWheelEvent wheel(QPointF(10, 40), j.vp()->mapToGlobal(QPointF(10, 40)), {}, QPoint(0, -120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(j.vp(), &wheel);
    EXPECT_EQ(j.ds->RecNo(), 2);
}

TEST(GridInput, CtrlDeleteAsksAndDeletesTheMarkedOrTheCurrentRecord)
{
    JournalGrid j(10);
    ctl::TScriptedMessageBoxPort boxes; // OK unless told otherwise
    j.show();
    click(j.vp(), j.cell(2, 1), Qt::ControlModifier);
    click(j.vp(), j.cell(5, 1), Qt::ControlModifier);
    boxes.Answer(ctl::IDCANCEL);
    key(&j.grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(asked(boxes).size(), 1u);
    EXPECT_EQ(asked(boxes)[0], "Delete all selected records?");
    EXPECT_EQ(boxes.AskedSoFar()[0].buttons(), ctl::MB_OKCANCEL);
    EXPECT_EQ(j.ds->RecordCount(), 10) << "Cancel deletes nothing";
    key(&j.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(j.ds->RecordCount(), 8);
    EXPECT_EQ(j.grid.SelectedRows().Count(), 0);
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstNon);
    j.ds->First();
    std::vector<int> left;
    while (!j.ds->Eof()) {
        left.push_back(j.ds->FieldByName("NUM_VIDOH")->AsInteger());
        j.ds->Next();
    }
    EXPECT_EQ(left, (std::vector<int>{1, 2, 4, 5, 7, 8, 9, 10}));
    // With nothing marked it asks about the current record.
    j.ds->First();
    key(&j.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked(boxes).back(), "Delete record?");
    EXPECT_EQ(j.ds->RecordCount(), 7);
    EXPECT_EQ(j.ds->FieldByName("NUM_VIDOH")->AsInteger(), 2);
    // Without dgConfirmDelete nothing is asked.
    j.grid.SetOptions(j.grid.Options() & ~bit(dgConfirmDelete));
    key(&j.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked(boxes).size(), 3u);
    EXPECT_EQ(j.ds->RecordCount(), 6);
}

TEST(GridInput, TitleBorderDragSizesTheColumn)
{
    JournalGrid j(5);
    int changes = 0;
    j.grid.show();
    QApplication::processEvents();
    const QRect title = j.grid.CellRect(2, 0);
    const int border = title.left() + title.width();  // the line right of the column
    mouse(j.vp(), QEvent::MouseButtonPress, {border, title.center().y()});
    mouse(j.vp(), QEvent::MouseMove, {border + 25, title.center().y()});
    mouse(j.vp(), QEvent::MouseButtonRelease, {border + 25, title.center().y()});
    EXPECT_EQ(j.grid.Columns()[1]->Width(), 150 + 25);
    EXPECT_TRUE(j.grid.Columns()[1]->AssignedValues() & bit(cvWidth));
    (void)changes;
    // Dragging a title onto another moves the column.
    const QPoint from = j.grid.CellRect(1, 0).center(), to = j.grid.CellRect(3, 0).center();
    mouse(j.vp(), QEvent::MouseButtonPress, from);
    mouse(j.vp(), QEvent::MouseMove, to);
    mouse(j.vp(), QEvent::MouseButtonRelease, to);
    EXPECT_EQ(j.grid.Columns()[2]->FieldName(), "DATA_IZM");
    EXPECT_EQ(j.grid.Columns()[0]->FieldName(), "FIO");
}

TEST(GridInput, OptionsOfAFreshGridAndOfRowSelect)
{
    TDBGridEx g;
    EXPECT_EQ(g.Options(), 0x0CFDu);
    EXPECT_EQ(g.OptionsEx(), 0x61u);
    EXPECT_EQ(g.VTitleMargin(), 10);
    EXPECT_EQ(g.AllowedSelections(), 0x1Eu);
    EXPECT_EQ(g.EditActions(), 0u);
    g.SetOptions(g.Options() | bit(dgRowSelect) | bit(dgAlwaysShowEditor));
    EXPECT_FALSE(has(g.Options(), dgEditing));
    EXPECT_FALSE(has(g.Options(), dgAlwaysShowEditor));
    EXPECT_TRUE(g.HasOption(goRowSelect));
    g.SetOptions(g.Options() | bit(dgMultiSelect));
    EXPECT_TRUE(g.CanSelectType(gstRecordBookmarks));
    EXPECT_FALSE(g.CanSelectType(gstRectangle)) << "refused while rows are selected";
}

TEST(GridInput, TextTypedIntoACellIsPosted)
{
    JournalGrid j(3);
    j.grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgTabs) | bit(dgEditing));
    j.grid.SetAllowedOperations(bit(alopUpdateEx));
    j.show();
    key(j.vp(), Qt::Key_Right);
    key(j.vp(), Qt::Key_F2);
    ASSERT_TRUE(j.grid.InplaceEditor());
    QLineEdit* editor = j.grid.InplaceEditor();
    ASSERT_TRUE(editor->isVisible());
    key(editor, Qt::Key_End);
    key(editor, Qt::Key_X, {}, "x");
    EXPECT_EQ(j.ds->State(), dsEdit) << "typing puts the record into editing";
    EXPECT_NO_THROW(key(editor, Qt::Key_Return, {}, "\r"));
    EXPECT_EQ(j.ds->FieldByName("FIO")->AsString(), QString::fromUtf8("Иванов Иван Ивановичx"));
    key(j.vp(), Qt::Key_Down);
    key(j.vp(), Qt::Key_Up);
    EXPECT_EQ(j.ds->State(), dsBrowse);
    EXPECT_EQ(j.ds->FieldByName("FIO")->AsString(), QString::fromUtf8("Иванов Иван Ивановичx"));
    // A read-only grid refuses the typing instead of failing on the post.
    j.grid.SetReadOnly(true);
    key(j.vp(), Qt::Key_F2);
    key(editor, Qt::Key_Y, {}, "y");
    EXPECT_EQ(j.ds->State(), dsBrowse);
    EXPECT_NO_THROW(key(editor, Qt::Key_Return, {}, "\r"));
    EXPECT_EQ(j.ds->FieldByName("FIO")->AsString(), QString::fromUtf8("Иванов Иван Ивановичx"));
}

TEST(GridInput, KeysAndClicksOnAGridWithNothingToShowBreakNothing)
{
    // An empty journal, a closed one, and one whose columns are all hidden, in row and in cell mode.
    struct Case { const char* name; int rows; bool close; bool hideColumns; bool rowSelect; };
    const Case cases[] = {{"empty", 0, false, false, true},   {"empty cells", 0, false, false, false},
                          {"closed", 5, true, false, true},   {"closed cells", 5, true, false, false},
                          {"hidden", 5, false, true, true},   {"hidden cells", 5, false, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JournalGrid j(c.rows);
        if (!c.rowSelect) {
            j.grid.SetOptions(j.grid.Options() & ~bit(dgRowSelect));
            j.grid.SetEditActions(bit(geaSelectAllEx));
        }
        for (int i = 0; c.hideColumns && i < j.grid.Columns().Count(); ++i)
            j.grid.Columns()[i]->SetVisible(false);
        if (c.close)
            j.ds->Close();
        ctl::TScriptedMessageBoxPort boxes;
        boxes.Answer(ctl::IDCANCEL);
        j.show();
        for (int k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_End, Qt::Key_Home,
                      Qt::Key_Left, Qt::Key_Right, Qt::Key_Tab, Qt::Key_Escape})
            for (Qt::KeyboardModifiers m : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
                                            Qt::KeyboardModifiers(Qt::ControlModifier),
                                            Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)})
                key(j.vp(), k, m);
        key(j.vp(), Qt::Key_A, Qt::ControlModifier);
        key(j.vp(), Qt::Key_Delete, Qt::ControlModifier);
        for (QPoint p : {QPoint(5, 5), QPoint(5, 40), QPoint(60, 40), QPoint(60, 5), QPoint(300, 200)}) {
            click(j.vp(), p);
            click(j.vp(), p, Qt::ShiftModifier);
            click(j.vp(), p, Qt::ControlModifier);
        }
        j.image();
        EXPECT_EQ(j.grid.SelectedRows().Count(), 0);
        EXPECT_EQ(asked(boxes).empty(), c.rows == 0 || c.close) << "asked only when there is a record";
        EXPECT_EQ(j.ds->Active() ? j.ds->RecordCount() : -1, c.close ? -1 : c.rows);
    }
}

TEST(GridInput, ShiftArrowsAfterTheMarkedRowsWereDeletedStartAnewFromTheCurrentRow)
{
    // Record identities that run against the row order, as in a journal sorted by the time of measurement
    // where older measurements were downloaded later.
    struct ReversedIds : TMemDataSet {
        quint64 RowId(int row) const override { return 1000000 - TMemDataSet::RowId(row); }
    };
    ReversedIds ds;
    ds.AddFieldDef("NUM_VIDOH", ftInteger);
    ds.Open();
    for (int i = 1; i <= 10; ++i)
        ds.AppendRecord({i});
    ds.First();
    TDataSource source(&ds);
    TDBGridEx grid;
    grid.resize(300, 300);
    grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgRowSelect)
                    | bit(dgConfirmDelete) | bit(dgMultiSelect));
    grid.SetDataSource(&source);
    ctl::TScriptedMessageBoxPort boxes; // OK to any confirmation
    grid.show();
    grid.setFocus();
    QApplication::processEvents();
    QWidget* vp = grid.viewport();
    key(vp, Qt::Key_Down);
    key(vp, Qt::Key_Down, Qt::ShiftModifier);
    key(vp, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(grid.SelectedRows().Count(), 3);
    key(vp, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(ds.RecordCount(), 7);
    const int here = ds.FieldByName("NUM_VIDOH")->AsInteger();
    key(vp, Qt::Key_Down, Qt::ShiftModifier);
    key(vp, Qt::Key_Down, Qt::ShiftModifier);
    std::vector<int> marks;
    for (int i = 0; i < grid.SelectedRows().Count(); ++i) {
        ds.GotoBookmark(grid.SelectedRows().Items(i));
        marks.push_back(ds.FieldByName("NUM_VIDOH")->AsInteger());
    }
    EXPECT_EQ(marks, (std::vector<int>{here, here + 1, here + 2}));
}
