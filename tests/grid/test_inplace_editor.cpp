// The data grid's in-place editor as a user drives it: typing and posting, pick lists opened, searched,
// sized and placed, keyed picks storing their keys, the editor's button with its auto-repeat, and a value
// the field refuses.
#include "GridFixture.h"
#include "grid/DBGridInplaceEdit.h"
#include "grid/PopupListbox.h"
#include "grid/ToolCtrlsEx.h"
#include "platform/controls/MessageBox.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
const QStringList Instruments{"VELT-A", "VELT-B", "VELT-C"};

// An editing grid (cells, not rows) with the instrument column offering picks.
struct Editing : JournalGrid {
    explicit Editing(int rows = 3, QSize size = {660, 260}) : JournalGrid(rows, size)
    {
        grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgTabs)
                        | bit(dgEditing));
        grid.SetAllowedOperations(bit(alopUpdateEx));
        col("PRIBOR")->SetPickList(&Instruments);
        TPopupListbox::Clock = [this] { return now; };
    }
    ~Editing()
    {
        TPopupListbox::Clock = [] { return qint64(0); };
        TDBGridInplaceEdit::ScreenAreaForTests = {};
    }
    TColumnEx* col(const char* f) { return grid.GetFieldColumns(f); }
    // Makes the column's cell current and opens the editor on it.
    TDBGridInplaceEdit* edit(const char* field)
    {
        show();
        while (grid.SelectedIndex() != col(field)->Index())
            key(vp(), grid.SelectedIndex() < col(field)->Index() ? Qt::Key_Right : Qt::Key_Left);
        key(vp(), Qt::Key_F2);
        auto* e = dynamic_cast<TDBGridInplaceEdit*>(grid.InplaceEditor());
        return e && e->isVisible() ? e : nullptr;
    }
    QString field(const char* f) { return ds->FieldByName(f)->AsString(); }
    qint64 now = 100000;
};
} // namespace

TEST(InplaceEditor, PickListOpensAsHighAsItsItemsUpToDropDownRows)
{
    // picks, drop-down rows, rows shown, scroll bar
    struct Case { int picks; unsigned dropDownRows; int shown; bool scrolls; };
    for (const Case c : {Case{3, 7, 3, false}, Case{10, 7, 7, true}, Case{1, 7, 1, false}}) {
        Editing g;
        QStringList picks;
        for (int i = 0; i < c.picks; ++i)
            picks << QStringLiteral("VELT-%1").arg(QChar('A' + i));
        g.col("PRIBOR")->SetPickList(&picks);
        g.col("PRIBOR")->SetDropDownRows(c.dropDownRows);
        TDBGridInplaceEdit* e = g.edit("PRIBOR");
        ASSERT_TRUE(e);
        EXPECT_EQ(e->EditStyle(), TDBGridInplaceEdit::esPickList);
        ASSERT_TRUE(e->StyleButton() && e->StyleButton()->isVisible()) << "a drop-down button at the right";
        key(e, Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(e->ListVisible());
        TPopupListbox* list = e->PickList();
        EXPECT_EQ(list->count(), c.picks);
        EXPECT_EQ(list->height(), c.shown * list->sizeHintForRow(0) + list->FrameHeight()) << c.picks;
        EXPECT_EQ(list->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn, c.scrolls);
        EXPECT_GE(list->width(), e->width());
        EXPECT_EQ(list->currentItem()->text(), "VELT-A") << "the cell's own text is selected";
    }
}

TEST(InplaceEditor, KeysChooseFromTheListAndThePostedValueReachesTheTable)
{
    Editing g;
    TDBGridInplaceEdit* e = g.edit("PRIBOR");
    ASSERT_TRUE(e);
    key(e, Qt::Key_Down, Qt::AltModifier);
    key(e, Qt::Key_Down);
    key(e, Qt::Key_Down);
    EXPECT_EQ(e->text(), "VELT-C") << "the editor follows the list";
    // Escape restores what the cell had before the list opened.
    key(e, Qt::Key_Escape);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->text(), "VELT-A");
    key(e, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(e->ListVisible());
    key(e, Qt::Key_Down);
    key(e, Qt::Key_Return);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->text(), "VELT-B");
    key(e, Qt::Key_Return, {}, "\r");
    EXPECT_EQ(g.field("PRIBOR"), "VELT-B");
    key(g.vp(), Qt::Key_Down);
    key(g.vp(), Qt::Key_Up);
    EXPECT_EQ(g.ds->State(), dsBrowse);
    EXPECT_EQ(g.field("PRIBOR"), "VELT-B");
    // A mouse release over an item takes it.
    key(g.vp(), Qt::Key_F2);
    e->DropDown();
    TPopupListbox* list = e->PickList();
    const QPoint third = list->visualItemRect(list->item(2)).center();
    mouse(list->viewport(), QEvent::MouseMove, third, {}, Qt::NoButton);
    EXPECT_EQ(list->currentRow(), 2) << "the item under the pointer is selected";
    mouse(list->viewport(), QEvent::MouseButtonPress, third);
    mouse(list->viewport(), QEvent::MouseButtonRelease, third);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->text(), "VELT-C");
}

TEST(InplaceEditor, TypingCompletesAPickOrGoesOnAsFreeText)
{
    Editing g;
    TDBGridInplaceEdit* e = g.edit("PRIBOR");
    ASSERT_TRUE(e);
    e->selectAll();
    key(e, Qt::Key_V, {}, "v");
    EXPECT_EQ(e->text(), "VELT-A");
    EXPECT_EQ(e->selectedText(), "ELT-A") << "the completed remainder is selected";
    for (const char* ch : {"e", "l", "t", "-", "c"})
        key(e, Qt::Key_unknown, {}, ch);
    EXPECT_EQ(e->text(), "VELT-C");
    key(e, Qt::Key_End);
    key(e, Qt::Key_X, {}, "x");
    EXPECT_EQ(e->text(), "VELT-Cx") << "no pick begins so: a plain pick list takes free text";
    key(e, Qt::Key_Return, {}, "\r");
    EXPECT_EQ(g.field("PRIBOR"), "VELT-Cx");
}

TEST(InplaceEditor, KeyedPicksShowTextsStoreKeysAndHideUnkeyedPicks)
{
    Editing g;
    const QStringList picks{"первый", "второй", "третий"}, keys{"1", "2"};
    TColumnEx* c = g.col("NUM_VIDOH");
    c->SetPickList(&picks);
    c->SetKeyList(&keys);
    TDBGridInplaceEdit* e = g.edit("NUM_VIDOH");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text(), QString::fromUtf8("первый")) << "the key 1 shows its pick";
    e->DropDown();
    EXPECT_EQ(e->PickList()->count(), 2) << "the pick without a key is not offered";
    key(e, Qt::Key_Down);
    key(e, Qt::Key_Return);
    key(e, Qt::Key_Return, {}, "\r");
    EXPECT_EQ(g.ds->FieldByName("NUM_VIDOH")->AsInteger(), 2) << "the key, not the text, reaches the table";
    // Typing what no pick begins with is dropped in a keyed list.
    key(g.vp(), Qt::Key_F2);
    e->selectAll();
    key(e, Qt::Key_Z, {}, "z");
    EXPECT_EQ(e->text(), QString::fromUtf8("второй"));
}

TEST(InplaceEditor, ListSearchRestartsAfterTwoSecondsAndResizingIsKept)
{
    Editing g;
    const QStringList picks{"VELT-A", "VELT-B", "Alpha", "Beta", "Bravo"};
    g.col("PRIBOR")->SetPickList(&picks);
    TDBGridInplaceEdit* e = g.edit("PRIBOR");
    ASSERT_TRUE(e);
    e->DropDown();
    TPopupListbox* list = e->PickList();
    // time after the previous key (ms), character, search text, item selected
    struct Step { int after; const char* ch; const char* search; const char* selected; };
    const Step steps[] = {{0, "b", "b", "Beta"},      {500, "r", "br", "Bravo"},
                          {2001, "v", "v", "VELT-A"}, {1999, "e", "ve", "VELT-A"},
                          {100, "l", "vel", "VELT-A"}, {3000, "a", "a", "Alpha"}};
    for (const Step& s : steps) {
        g.now += s.after;
        key(list, Qt::Key_unknown, {}, s.ch);
        EXPECT_EQ(list->SearchText(), s.search) << s.ch;
        EXPECT_EQ(list->currentItem()->text(), s.selected) << s.ch;
    }
    key(list, Qt::Key_Backspace);
    EXPECT_EQ(list->SearchText(), "");
    // The user sizes the open list; accepting keeps its rows and width for the column.
    const int rowH = list->sizeHintForRow(0);
    list->resize(list->width() + 40, 2 * rowH + list->FrameHeight());
    e->CloseUp(true);
    EXPECT_EQ(g.col("PRIBOR")->DropDownRows(), 2u);
    EXPECT_EQ(g.col("PRIBOR")->DropDownWidth(), list->width());
}

// The grip in the open list's corner, shown while the column lets the user size its list: dragging it
// sizes the list, and accepting keeps the rows and width for the column.
TEST(InplaceEditor, TheGripSizesTheOpenList)
{
    Editing g;
    TDBGridInplaceEdit* e = g.edit("PRIBOR");
    ASSERT_TRUE(e);
    e->DropDown();
    TPopupListbox* list = e->PickList();
    EXPECT_FALSE(list->SizeGrip()->isVisible());
    e->CloseUp(false);
    g.col("PRIBOR")->SetDropDownSizing(true);
    e->DropDown();
    TSizeGripEx* grip = list->SizeGrip();
    ASSERT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->geometry().bottomRight(), list->contentsRect().bottomRight());
    const int rowH = list->sizeHintForRow(0), width = list->width();
    auto drag = [&](QEvent::Type t, QPoint global) {
        QMouseEvent m(t, QPointF(grip->mapFromGlobal(global)), QPointF(global), Qt::LeftButton,
                      t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
        QApplication::sendEvent(grip, &m);
    };
    const QPoint start = grip->mapToGlobal(QPoint(grip->width() - 2, grip->height() - 2));
    drag(QEvent::MouseButtonPress, start);
    drag(QEvent::MouseMove, start + QPoint(30, 2 * rowH));
    drag(QEvent::MouseButtonRelease, start + QPoint(30, 2 * rowH));
    EXPECT_EQ(list->width(), width + 30);
    EXPECT_EQ(grip->geometry().bottomRight(), list->contentsRect().bottomRight()) << "the grip follows its corner";
    e->CloseUp(true);
    EXPECT_EQ(g.col("PRIBOR")->DropDownRows(), 5u) << "three picks and two more rows";
    EXPECT_EQ(g.col("PRIBOR")->DropDownWidth(), width + 30);
}

TEST(InplaceEditor, ListOpensAboveTheEditorWhenTheScreenEndsBelowIt)
{
    Editing g;
    TDBGridInplaceEdit* e = g.edit("PRIBOR");
    ASSERT_TRUE(e);
    const QPoint top = e->mapToGlobal(QPoint(0, 0));
    // room below for less than the list, room above for all of it
    TDBGridInplaceEdit::ScreenAreaForTests = QRect(top.x() - 300, top.y() - 400, 1000, 400 + e->height() + 10);
    e->DropDown();
    EXPECT_EQ(e->PickList()->geometry().bottom() + 1, top.y());
    e->CloseUp(false);
    TDBGridInplaceEdit::ScreenAreaForTests = QRect(top.x() - 300, top.y() - 400, 1000, 2000);
    e->DropDown();
    EXPECT_EQ(e->PickList()->geometry().top(), top.y() + e->height());
}

TEST(InplaceEditor, UpDownButtonStepsWithAutoRepeat)
{
    Editing g;
    TColumnEx* c = g.col("NUM_VIDOH");
    c->SetButtonStyle(cbsUpDown);
    TDBGridInplaceEdit* e = g.edit("NUM_VIDOH");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->EditStyle(), TDBGridInplaceEdit::esUpDown);
    TEditButtonControlEx* b = e->StyleButton();
    ASSERT_TRUE(b && b->isVisible());
    EXPECT_EQ(b->x() + b->width(), e->width()) << "at the editor's right edge";
    EXPECT_EQ(b->height(), e->height());
    const QPoint upper(b->width() / 2, 2), lower(b->width() / 2, b->height() - 2);
    mouse(b, QEvent::MouseButtonPress, upper);
    EXPECT_EQ(g.ds->FieldByName("NUM_VIDOH")->AsInteger(), 2) << "stepped at once";
    EXPECT_EQ(b->RepeatTimer().interval(), 400);
    EXPECT_TRUE(b->RepeatTimer().isActive());
    b->TimerTick();  // the clock reaches the first repeat
    EXPECT_EQ(b->RepeatTimer().interval(), 100);
    b->TimerTick();
    EXPECT_EQ(g.ds->FieldByName("NUM_VIDOH")->AsInteger(), 4);
    EXPECT_EQ(e->text(), "4");
    mouse(b, QEvent::MouseButtonRelease, upper);
    EXPECT_FALSE(b->RepeatTimer().isActive());
    mouse(b, QEvent::MouseButtonPress, lower);
    mouse(b, QEvent::MouseButtonRelease, lower);
    EXPECT_EQ(g.ds->FieldByName("NUM_VIDOH")->AsInteger(), 3);
    // Offscreen look: two halves, the lower one pressed while held.
    mouse(b, QEvent::MouseButtonPress, lower);
    const QImage held = b->grab().toImage();
    mouse(b, QEvent::MouseButtonRelease, lower);
    const QImage up = b->grab().toImage();
    EXPECT_EQ(held.copy(0, 0, b->width(), b->height() / 2), up.copy(0, 0, b->width(), b->height() / 2));
    EXPECT_NE(held.copy(0, b->height() - b->height() / 2, b->width(), b->height() / 2),
              up.copy(0, b->height() - b->height() / 2, b->width(), b->height() / 2));
}

TEST(InplaceEditor, EllipsisButtonClicksReachTheGridAndTheColumn)
{
    Editing g;
    g.col("FIO")->SetButtonStyle(cbsEllipsis);
    int gridClicks = 0, columnClicks = 0;
    g.grid.OnEditButtonClick = [&](TCustomDBGridEx*) { ++gridClicks; };
    g.col("FIO")->OnEditButtonClick = [&](TColumnEx*, bool&) { ++columnClicks; };
    TDBGridInplaceEdit* e = g.edit("FIO");
    ASSERT_TRUE(e);
    TEditButtonControlEx* b = e->StyleButton();
    const QImage plain = b->grab().toImage();
    click(b, b->rect().center());
    EXPECT_EQ(gridClicks, 1);
    EXPECT_EQ(columnClicks, 1);
    // The dots are drawn in the button's text colour.
    bool dots = false;
    for (int x = 0; x < plain.width(); ++x)
        dots = dots || plain.pixelColor(x, plain.height() / 2) == b->palette().color(QPalette::ButtonText);
    EXPECT_TRUE(dots);
}

TEST(InplaceEditor, AValueTheFieldRefusesIsReportedAndTheOldValueKept)
{
    Editing g;
    ctl::TScriptedMessageBoxPort port;
    TDBGridInplaceEdit* e = g.edit("NUM_VIDOH");
    ASSERT_TRUE(e);
    e->selectAll();
    key(e, Qt::Key_A, {}, "a");
    key(e, Qt::Key_B, {}, "b");
    EXPECT_NO_THROW(key(e, Qt::Key_Return, {}, "\r"));
    EXPECT_EQ(port.Count(), 1) << "the field's error is shown";
    EXPECT_EQ(e->text(), "ab") << "the typed text stays to be mended";
    EXPECT_EQ(g.ds->FieldByName("NUM_VIDOH")->AsInteger(), 1);
    g.ds->Cancel();
    EXPECT_EQ(g.ds->FieldByName("NUM_VIDOH")->AsInteger(), 1);
}
