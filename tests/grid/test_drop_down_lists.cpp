// The in-place editor's drop-down lists as a user meets them in a shown window: keys typed into the
// focused cell, the lists' size grip dragged with the mouse. The same cases run on a real X server.
#include "GridFixture.h"
#include "common/testutil.h"
#include "grid/DBGridInplaceEdit.h"
#include "grid/DBLookupGridsEx.h"
#include "grid/PopupListbox.h"
#include "grid/ToolCtrlsEx.h"
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace gridtest;

namespace {

// Acts with an instrument chosen from twelve (a lookup field), a name picked from a list and a date.
struct ActsWindow {
    TMemDataSet instruments;
    TMemDataSet acts;
    TDataSource source;
    TDBGridEx grid;
    QStringList names{"VELT-A", "VELT-B", "Alpha", "Beta", "Bravo"};
    qint64 now = 100000;

    ActsWindow()
    {
        instruments.AddFieldDef("ID", ftInteger);
        instruments.AddFieldDef("NAME", ftString, 20);
        instruments.Open();
        for (int i = 1; i <= 12; ++i)
            instruments.AppendRecord({i, QString::fromUtf8("Прибор %1").arg(i)});
        instruments.First();
        acts.AddFieldDef("PRIBOR_ID", ftInteger);
        acts.AddLookupField("PRIBOR", ftString, 20, "PRIBOR_ID", &instruments, "ID", "NAME");
        acts.AddFieldDef("FIO", ftString, 20);
        acts.AddFieldDef("DATA_AKTA", ftDate, 10);
        acts.Open();
        acts.AppendRecord({2, QVariant(), QStringLiteral("2026-12-01")});
        acts.First();
        source.SetDataSet(&acts);
        grid.resize(480, 200);
        grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgTabs) | bit(dgEditing));
        grid.SetAllowedOperations(bit(alopUpdateEx));
        grid.SetDataSource(&source);
        grid.Columns().Clear();
        for (const char* f : {"PRIBOR", "FIO", "DATA_AKTA"}) {
            TColumnEx* c = grid.Columns().Add();
            c->SetFieldName(QString::fromLatin1(f));
            c->SetWidth(120);
        }
        col("FIO")->SetPickList(&names);
        TPopupListbox::Clock = [this] { return now; };
        grid.show();
        grid.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&grid));
    }
    ~ActsWindow() { TPopupListbox::Clock = [] { return qint64(0); }; }
    TColumnEx* col(const char* f) { return grid.GetFieldColumns(f); }
    static QWidget* focused() { return QApplication::focusWidget(); }
    void press(int k, Qt::KeyboardModifiers m = {})
    {
        ASSERT_TRUE(focused());
        QTest::keyClick(focused(), Qt::Key(k), m);
    }
    // Walks to the column's cell and opens the editor there, as a user does with the arrows and F2.
    TDBGridInplaceEdit* edit(const char* field)
    {
        while (grid.SelectedIndex() != col(field)->Index())
            press(grid.SelectedIndex() < col(field)->Index() ? Qt::Key_Right : Qt::Key_Left);
        press(Qt::Key_F2);
        auto* e = dynamic_cast<TDBGridInplaceEdit*>(grid.InplaceEditor());
        if (!e || !testutil::PumpUntil([&] { return focused() == e; }, 30000))
            return nullptr;
        return e;
    }
    // Opens the list with Alt+Down and waits until the window system is done with its showing: the
    // editor keeps the keys.
    bool dropDown(TDBGridInplaceEdit* e)
    {
        QTest::keyClick(focused(), Qt::Key_Down, Qt::AltModifier);
        QWidget* list = e->PickList() && e->PickList()->isVisible() ? static_cast<QWidget*>(e->PickList())
                                                                     : static_cast<QWidget*>(e->DataList());
        return e->ListVisible() && list
               && testutil::PumpUntil([&] { return list->isVisible() && list->windowHandle() && focused() == e; }, 30000);
    }
};

} // namespace

// Letters typed into the cell search the open pick list as its own keys do: quickly typed letters
// together, a letter after a pause of more than two seconds alone; the cell shows the found item with
// the letters not typed selected, and Enter takes it.
TEST(DropDownLists, TypingIntoTheCellSearchesTheOpenPickList)
{
    ActsWindow w;
    TDBGridInplaceEdit* e = w.edit("FIO");
    ASSERT_TRUE(e);
    ASSERT_TRUE(w.dropDown(e));
    TPopupListbox* list = e->PickList();
    // time since the previous letter (ms), letter, item found and shown
    struct Step { int after; char ch; const char* found; };
    const Step steps[] = {{0, 'b', "Beta"},      {500, 'r', "Bravo"}, {2001, 'v', "VELT-A"},
                          {1999, 'e', "VELT-A"}, {100, 'l', "VELT-A"}, {3000, 'a', "Alpha"}};
    for (const Step& s : steps) {
        w.now += s.after;
        QTest::keyClick(ActsWindow::focused(), s.ch);
        ASSERT_TRUE(list->currentItem()) << s.ch;
        EXPECT_EQ(list->currentItem()->text().toStdString(), s.found) << s.ch;
        EXPECT_EQ(e->text().toStdString(), s.found) << s.ch;
        EXPECT_EQ(e->selectedText().toStdString(), QString::fromLatin1(s.found).mid(list->SearchText().size()).toStdString()) << s.ch;
    }
    EXPECT_TRUE(e->ListVisible());
    w.press(Qt::Key_Return);
    EXPECT_FALSE(e->ListVisible());
    w.press(Qt::Key_Return);
    EXPECT_EQ(w.acts.FieldByName("FIO")->AsString().toStdString(), "Alpha");
}

// With AutoDropDown a character typed into a cell opens its list: the pick list, the lookup list and
// the date cell's calendar alike; without it the list stays closed.
TEST(DropDownLists, AutoDropDownOpensEveryListOnATypedCharacter)
{
    const struct {
        const char* field;
        char ch;
    } cases[] = {{"FIO", 'b'}, {"PRIBOR", 'x'}, {"DATA_AKTA", '1'}};
    for (const bool autoDropDown : {false, true})
        for (const auto& c : cases) {
            ActsWindow w;
            w.col(c.field)->SetAutoDropDown(autoDropDown);
            TDBGridInplaceEdit* e = w.edit(c.field);
            ASSERT_TRUE(e) << c.field;
            QTest::keyClick(ActsWindow::focused(), c.ch);
            QWidget* list = e->EditStyle() == TDBGridInplaceEdit::esPickList   ? static_cast<QWidget*>(e->PickList())
                            : e->EditStyle() == TDBGridInplaceEdit::esDataList ? static_cast<QWidget*>(e->DataList())
                                                                               : static_cast<QWidget*>(e->Calendar());
            EXPECT_EQ(e->ListVisible(), autoDropDown) << c.field;
            EXPECT_EQ(list && list->isVisible(), autoDropDown) << c.field;
        }
}

// The lookup list shows whole rows inside a border on every side, also when its columns need a
// horizontal bar; its scroll bar ends above the size grip, and dragging the grip sizes the list by whole
// rows, which the column keeps when the list is accepted. The pick list's grip works the same way.
TEST(DropDownLists, TheGripSizesTheOpenListAndItsRowsShowWhole)
{
    const struct {
        const char* name;
        const char* field;
        bool fitColumns;
    } cases[] = {{"lookup list", "PRIBOR", true}, {"lookup list wider than it shows", "PRIBOR", false},
                 {"pick list", "FIO", true}};
    for (const auto& c : cases) {
        ActsWindow w;
        TColumnEx* column = w.col(c.field);
        column->SetDropDownSizing(true);
        column->SetDropDownRows(3);
        column->DropDownBox().SetAutoFitColWidths(c.fitColumns);
        if (!c.fitColumns)
            column->SetLookupDisplayFields(QStringLiteral("NAME;ID"));
        TDBGridInplaceEdit* e = w.edit(c.field);
        ASSERT_TRUE(e) << c.name;
        ASSERT_TRUE(w.dropDown(e)) << c.name;
        QAbstractScrollArea* list = e->PickList() ? static_cast<QAbstractScrollArea*>(e->PickList()) : e->DataList();
        const int rowH = e->PickList() ? e->PickList()->sizeHintForRow(0) : e->DataList()->DataRowHeight();
        auto* grip = list->findChild<TSizeGripEx*>();
        ASSERT_TRUE(grip && grip->isVisible()) << c.name;

        EXPECT_EQ(list->viewport()->height(), 3 * rowH) << c.name << ": three whole rows";
        EXPECT_EQ(list->horizontalScrollBar()->isVisible(), !c.fitColumns) << c.name;
        const QImage image = list->grab().toImage();
        const QRgb border = image.pixel(0, 0);
        EXPECT_NE(border, image.pixel(list->viewport()->geometry().center())) << c.name;
        for (int x = 0; x < image.width(); ++x)
            for (int y : {0, image.height() - 1})
                ASSERT_EQ(image.pixel(x, y), border) << c.name << ": border at " << x << "," << y;
        for (int y = 0; y < image.height(); ++y)
            for (int x : {0, image.width() - 1})
                ASSERT_EQ(image.pixel(x, y), border) << c.name << ": border at " << x << "," << y;

        const QScrollBar* bar = list->verticalScrollBar();
        ASSERT_TRUE(bar->isVisible()) << c.name << ": twelve records, three shown";
        EXPECT_LE(bar->mapTo(list, QPoint(0, bar->height())).y(), grip->y()) << c.name << ": the bar ends above the grip";

        // A drag on the grip, delivered to the list's window at the grip's point.
        const QPoint start = grip->geometry().bottomRight() - QPoint(2, 2);
        ASSERT_EQ(list->childAt(start), grip) << c.name << ": the grip is on top";
        const int width = list->width();
        QTest::mousePress(list->windowHandle(), Qt::LeftButton, {}, start);
        QTest::mouseMove(list->windowHandle(), start + QPoint(30, 2 * rowH + rowH / 2));
        QTest::mouseRelease(list->windowHandle(), Qt::LeftButton, {}, start + QPoint(30, 2 * rowH + rowH / 2));
        EXPECT_EQ(list->width(), width + 30) << c.name;
        EXPECT_EQ(list->viewport()->height(), 5 * rowH) << c.name << ": five whole rows";
        EXPECT_EQ(grip->geometry().bottomRight(), list->contentsRect().bottomRight()) << c.name;
        w.press(Qt::Key_Return);
        EXPECT_FALSE(e->ListVisible()) << c.name;
        EXPECT_EQ(column->DropDownRows(), 5u) << c.name;
        EXPECT_EQ(column->DropDownWidth(), width + 30) << c.name;
    }
}
