// The in-place editor's list styles over an acts table as a user drives them: a lookup cell choosing an
// instrument from another table, a date cell with its calendar, a memo cell, a check-box cell and the
// column's own edit buttons; a lookup cell copied and pasted. Every edited value is read back from the table.
#include "GridFixture.h"
#include "grid/DBGridExClipboard.h"
#include "grid/DBGridInplaceEdit.h"
#include "grid/DBLookupGridsEx.h"
#include "grid/ToolCtrlsEx.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
// Acts: ID, PRIBOR_ID (key of an instrument), PRIBOR (its name, a lookup field), a date, a note and a
// signed flag; the instruments: ID and NAME.
struct Acts {
    TMemDataSet instruments;
    TMemDataSet acts;
    TDataSource source;
    TDBGridEx grid;

    Acts()
    {
        instruments.AddFieldDef("ID", ftInteger);
        instruments.AddFieldDef("NAME", ftString, 20);
        instruments.Open();
        const char* names[] = {"Алкотест", "Бриз", "Вега", "Вектор"};
        for (int i = 0; i < 4; ++i)
            instruments.AppendRecord({i + 1, QString::fromUtf8(names[i])});
        instruments.First();
        acts.AddFieldDef("ID", ftInteger);
        acts.AddFieldDef("PRIBOR_ID", ftInteger);
        acts.AddFieldDef("DATA_AKTA", ftDate, 10);
        acts.AddFieldDef("PRIM", ftMemo);
        acts.AddFieldDef("PODPIS", ftBoolean);
        acts.AddLookupField("PRIBOR", ftString, 20, "PRIBOR_ID", &instruments, "ID", "NAME");
        acts.Open();
        acts.AppendRecord({1, 2, QStringLiteral("2026-12-01"), QString::fromUtf8("в присутствии понятых"), true});
        acts.AppendRecord({2, 1, QVariant(), QVariant(), QVariant()});
        acts.First();
        source.SetDataSet(&acts);
        grid.resize(640, 220);
        grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgTabs) | bit(dgEditing));
        grid.SetAllowedOperations(bit(alopUpdateEx));
        grid.SetDrawMemoText(true);
        grid.SetDataSource(&source);
        grid.Columns().Clear();
        for (const char* f : {"ID", "PRIBOR", "DATA_AKTA", "PRIM", "PODPIS"}) {
            TColumnEx* c = grid.Columns().Add();
            c->SetFieldName(QString::fromUtf8(f));
            c->SetWidth(110);
        }
        col("PODPIS")->SetCheckboxes(true);
    }
    ~Acts() { TDBGridInplaceEdit::ScreenAreaForTests = {}; }
    TColumnEx* col(const char* f) { return grid.GetFieldColumns(f); }
    void show()
    {
        grid.show();
        grid.activateWindow();
        grid.setFocus();
        QApplication::processEvents();
    }
    // Makes the column's cell current and opens the editor on it.
    TDBGridInplaceEdit* edit(const char* field)
    {
        show();
        while (grid.SelectedIndex() != col(field)->Index())
            key(grid.viewport(), grid.SelectedIndex() < col(field)->Index() ? Qt::Key_Right : Qt::Key_Left);
        key(grid.viewport(), Qt::Key_F2);
        auto* e = dynamic_cast<TDBGridInplaceEdit*>(grid.InplaceEditor());
        return e && e->isVisible() ? e : nullptr;
    }
    QVariant value(const char* f) { return acts.FieldByName(f)->Value(); }
    // Leaves the record and comes back, as a user posts a row.
    void post()
    {
        key(grid.viewport(), Qt::Key_Down);
        key(grid.viewport(), Qt::Key_Up);
        ASSERT_EQ(acts.State(), dsBrowse);
    }
    void type(QWidget* w, const QString& s)
    {
        for (QChar c : s)
            key(w, Qt::Key_unknown, {}, QString(c));
    }
    QPoint cell(int dataRow, int dataCol)
    {
        return grid.CellRect(grid.DataToRawColumn(dataCol), grid.TitleOffset() + dataRow).center();
    }
};
} // namespace

TEST(InplaceEditorStyles, ALookupCellChoosesFromTheListAndStoresTheKey)
{
    Acts a;
    TDBGridInplaceEdit* e = a.edit("PRIBOR");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->EditStyle(), TDBGridInplaceEdit::esDataList);
    EXPECT_EQ(e->text(), QString::fromUtf8("Бриз"));
    key(e, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(e->ListVisible());
    TPopupDataGridEx* list = e->DataList();
    ASSERT_TRUE(list && list->isVisible());
    EXPECT_EQ(list->KeyValue(), 2) << "the list opens on the cell's key";
    EXPECT_EQ(list->RowCount(), 4) << "no more rows than records";
    EXPECT_GE(list->width(), e->width());
    EXPECT_EQ(list->geometry().top(), e->mapToGlobal(QPoint(0, e->height())).y()) << "right under the cell";
    key(e, Qt::Key_Down);
    EXPECT_EQ(e->text(), QString::fromUtf8("Вега")) << "the editor follows the list";
    key(e, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(e->text(), QString::fromUtf8("Бриз")) << "escape keeps the cell's text";
    EXPECT_EQ(a.value("PRIBOR_ID"), 2);
    key(e, Qt::Key_Down, Qt::AltModifier);
    key(e, Qt::Key_Down);
    key(e, Qt::Key_Down);
    key(e, Qt::Key_Return);
    EXPECT_EQ(e->text(), QString::fromUtf8("Вектор"));
    key(e, Qt::Key_Return, {}, "\r");
    a.post();
    EXPECT_EQ(a.value("PRIBOR_ID"), 4) << "the key went to the table";
    EXPECT_EQ(a.value("PRIBOR").toString(), QString::fromUtf8("Вектор"));
    // A click on a record of the open list takes it.
    key(a.grid.viewport(), Qt::Key_F2);
    e->DropDown();
    const QPoint first = list->CellRect(list->DataToRawColumn(0), list->TitleOffset()).center();
    mouse(list->viewport(), QEvent::MouseButtonPress, first);
    mouse(list->viewport(), QEvent::MouseButtonRelease, first);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->text(), QString::fromUtf8("Алкотест"));
    key(e, Qt::Key_Return, {}, "\r");
    EXPECT_EQ(a.value("PRIBOR_ID"), 1);
}

TEST(InplaceEditorStyles, ALookupCellsListKeepsTheColumnsItsDropDownBoxWasGiven)
{
    auto listColumns = [](TPopupDataGridEx* list) {
        QStringList names;
        for (int i = 0; i < list->Columns().Count(); ++i)
            names << list->Columns()[i]->FieldName() + "/" + list->Columns()[i]->Title().Caption();
        return names;
    };
    // Without columns of its own, the list shows the shown fields and follows a change of them.
    Acts a;
    TDBGridInplaceEdit* e = a.edit("PRIBOR");
    ASSERT_TRUE(e);
    key(e, Qt::Key_Down, Qt::AltModifier);
    TPopupDataGridEx* list = e->DataList();
    ASSERT_TRUE(list && e->ListVisible());
    EXPECT_EQ(listColumns(list), QStringList{"NAME/NAME"});
    key(e, Qt::Key_Escape);
    a.col("PRIBOR")->SetLookupDisplayFields("NAME;ID");
    key(e, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(listColumns(list), (QStringList{"NAME/NAME", "ID/ID"}));
    key(e, Qt::Key_Escape);

    // Columns set up in the drop-down box are the list's at every drop-down, and choosing still works.
    TDBGridColumnsEx& own = a.col("PRIBOR")->DropDownBox().Columns();
    own.Clear();
    own.Add()->SetFieldName("ID");
    own[0]->Title().SetCaption(QString::fromUtf8("Код"));
    own.Add()->SetFieldName("NAME");
    const QStringList expected{QString::fromUtf8("ID/Код"), "NAME/NAME"};
    for (int drop = 0; drop < 2; ++drop) {
        key(e, Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(e->ListVisible());
        EXPECT_EQ(listColumns(list), expected) << drop;
        key(e, Qt::Key_Escape);
    }
    key(e, Qt::Key_Down, Qt::AltModifier);
    key(e, Qt::Key_Down);
    key(e, Qt::Key_Return);
    EXPECT_EQ(e->text(), QString::fromUtf8("Вега"));
    key(e, Qt::Key_Return, {}, "\r");
    a.post();
    EXPECT_EQ(a.value("PRIBOR_ID"), 3);
}

TEST(InplaceEditorStyles, TypingInALookupCellCompletesFromTheList)
{
    // typed, text shown, selected remainder, key posted (null: the text was dropped or kept without a key)
    struct Case { const char* typed; bool notInListHandler; const char* shown; const char* selected; QVariant key; };
    const Case cases[] = {
        {"в", false, "Вега", "ега", 3},
        {"вект", false, "Вектор", "ор", 4},
        {"б", false, "Бриз", "риз", 2},
        {"ж", false, "", "", QVariant()},  // nothing starts so: the letter is dropped, the emptied cell posts no key
        {"ж", true, "ж", "", QVariant()},  // the handler lets the text stand, with no key
    };
    for (const Case& c : cases) {
        Acts a;
        if (c.notInListHandler)
            a.col("PRIBOR")->OnNotInList = [](TColumnEx*, const QString&, QVariant&, bool&) {};
        TDBGridInplaceEdit* e = a.edit("PRIBOR");
        ASSERT_TRUE(e);
        e->selectAll();
        key(e, Qt::Key_Delete);
        a.type(e, QString::fromUtf8(c.typed));
        EXPECT_EQ(e->text(), QString::fromUtf8(c.shown)) << c.typed;
        EXPECT_EQ(e->selectedText(), QString::fromUtf8(c.selected)) << c.typed;
        key(e, Qt::Key_Return, {}, "\r");
        EXPECT_EQ(a.value("PRIBOR_ID"), c.key) << c.typed;
    }
}

TEST(InplaceEditorStyles, TheSpecialRowShortcutChoosesNone)
{
    Acts a;
    TSpecRowEx& none = a.col("PRIBOR")->DropDownSpecRow();
    none.SetCellsText(QString::fromUtf8("(не указан)"));
    none.SetVisible(true);
    TDBGridInplaceEdit* e = a.edit("PRIBOR");
    ASSERT_TRUE(e);
    key(e, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(e->text(), QString::fromUtf8("(не указан)"));
    key(e, Qt::Key_Return, {}, "\r");
    EXPECT_TRUE(a.value("PRIBOR_ID").isNull());
    EXPECT_EQ(a.col("PRIBOR")->DisplayText(), QString::fromUtf8("(не указан)")) << "the cell shows the special row";
}

TEST(InplaceEditorStyles, ADateCellPicksItsDayFromTheCalendar)
{
    Acts a;
    TDBGridInplaceEdit* e = a.edit("DATA_AKTA");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->EditStyle(), TDBGridInplaceEdit::esDateCalendar);
    ASSERT_TRUE(e->StyleButton() && e->StyleButton()->isVisible());
    // The button opens the calendar on the cell's date.
    mouse(e->StyleButton(), QEvent::MouseButtonPress, e->StyleButton()->rect().center());
    mouse(e->StyleButton(), QEvent::MouseButtonRelease, e->StyleButton()->rect().center());
    ASSERT_TRUE(e->ListVisible()) << "the press that opened the calendar does not close it";
    TPopupMonthCalendarEx* calendar = e->Calendar();
    EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 1));
    const struct { int key; Qt::KeyboardModifiers m; QDate after; } steps[] = {
        {Qt::Key_Right, {}, QDate(2026, 12, 2)}, {Qt::Key_Down, {}, QDate(2026, 12, 9)},
        {Qt::Key_Left, {}, QDate(2026, 12, 8)}, {Qt::Key_PageDown, {}, QDate(2027, 1, 8)},
        {Qt::Key_PageUp, {}, QDate(2026, 12, 8)}, {Qt::Key_Up, {}, QDate(2026, 12, 1)}};
    for (const auto& s : steps) {
        key(e, s.key, s.m);
        EXPECT_EQ(calendar->selectedDate(), s.after) << s.key;
    }
    key(e, Qt::Key_Right);
    key(e, Qt::Key_Return);
    EXPECT_FALSE(calendar->isVisible());
    key(e, Qt::Key_Return, {}, "\r");
    EXPECT_EQ(a.value("DATA_AKTA").toDate(), QDate(2026, 12, 2));
    // Escape leaves the date; the wheel moves a day; an empty date opens on today.
    key(a.grid.viewport(), Qt::Key_Down);
    key(a.grid.viewport(), Qt::Key_F2);
    key(e, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(calendar->selectedDate(), QDate::currentDate());
    QWheelEvent wheel(QPointF(5, 5), calendar->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(calendar, &wheel);
    EXPECT_EQ(calendar->selectedDate(), QDate::currentDate().addDays(1));
    key(e, Qt::Key_Escape);
    EXPECT_TRUE(a.value("DATA_AKTA").isNull());
}

TEST(InplaceEditorStyles, MemoAndCheckBoxCellsLandInTheTable)
{
    Acts a;
    TDBGridInplaceEdit* e = a.edit("PRIM");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text(), QString::fromUtf8("в присутствии понятых")) << "the whole memo text";
    e->end(false);
    a.type(e, QString::fromUtf8(", без замечаний"));
    key(e, Qt::Key_Return, {}, "\r");
    EXPECT_EQ(a.acts.FieldByName("PRIM")->AsString(), QString::fromUtf8("в присутствии понятых, без замечаний"));
    // A check box: a click steps it, Space steps it, Delete clears it; no editor opens over it.
    const QPoint box = a.cell(0, a.col("PODPIS")->Index());
    click(a.grid.viewport(), box);
    EXPECT_FALSE(a.grid.InplaceEditor()->isVisible());
    a.acts.Post();
    EXPECT_EQ(a.value("PODPIS"), false);
    key(a.grid.viewport(), Qt::Key_Space, {}, " ");
    a.acts.Post();
    EXPECT_EQ(a.value("PODPIS"), true);
    key(a.grid.viewport(), Qt::Key_Delete);
    a.acts.Post();
    EXPECT_TRUE(a.value("PODPIS").isNull());
    click(a.grid.viewport(), box);
    a.acts.Post();
    EXPECT_EQ(a.value("PODPIS"), true) << "a grey box becomes checked";
    a.col("PODPIS")->SetReadOnly(true);
    click(a.grid.viewport(), box);
    EXPECT_EQ(a.value("PODPIS"), true) << "a read-only column is left alone";
}

TEST(InplaceEditorStyles, ColumnEditButtonsLineUpRightOfTheText)
{
    // grid flat, button widths (0 = standard), visible flags
    struct Case { bool flat; std::vector<int> widths; std::vector<bool> visible; };
    const Case cases[] = {{false, {0}, {true}}, {true, {0, 12}, {true, true}}, {true, {20, 0, 9}, {true, false, true}}};
    for (const Case& c : cases) {
        Acts a;
        a.grid.SetFlat(c.flat);
        TColumnEx* col = a.col("ID");
        col->SetButtonStyle(cbsEllipsis);
        for (size_t i = 0; i < c.widths.size(); ++i) {
            TEditButtonEx* b = col->EditButtons().Add();
            b->SetStyle(i == 0 ? ebsPlusEx : ebsMinusEx);
            b->SetWidth(c.widths[i]);
            b->SetVisible(c.visible[i]);
        }
        TDBGridInplaceEdit* e = a.edit("ID");
        ASSERT_TRUE(e);
        ASSERT_EQ(e->ButtonCount(), 1 + int(c.widths.size()));
        const int standard = c.flat ? FlatButtonWidth() : e->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const int separator = c.flat ? 1 : 0;
        int right = e->width(), total = 0;
        for (int i = 0; i < e->ButtonCount(); ++i) {
            TEditButtonControlEx* b = e->Button(i);
            const bool visible = i == 0 || c.visible[size_t(i - 1)];
            EXPECT_EQ(b->isVisible(), visible) << i;
            if (!visible)
                continue;
            const int w = i == 0 || c.widths[size_t(i - 1)] == 0 ? standard : c.widths[size_t(i - 1)];
            EXPECT_EQ(b->geometry().right() + 1, right) << "slot " << i << " flat " << c.flat;
            EXPECT_EQ(b->width(), w) << i;
            EXPECT_EQ(e->Separator(i)->isVisible(), c.flat);
            right -= w + separator;
            total += w + separator;
        }
        EXPECT_EQ(e->textMargins().right(), 2 + total) << "the text stops short of the buttons";
        EXPECT_EQ(col->EditButtonsWidth(), total) << "the cell's text leaves the same room";
    }
}

TEST(InplaceEditorStyles, ColumnEditButtonsClickAndTheirShortcutsPressThem)
{
    Acts a;
    TColumnEx* col = a.col("ID");
    TEditButtonEx* plus = col->EditButtons().Add();
    plus->SetStyle(ebsPlusEx);
    plus->SetVisible(true);
    plus->SetShortCut(QKeyCombination(Qt::ControlModifier, Qt::Key_Plus));
    std::vector<QString> heard;
    plus->OnClick = [&](TEditButtonControlEx*, bool&) { heard.push_back("click"); };
    plus->OnDown = [&](TEditButtonControlEx*, bool, bool&, bool&) { heard.push_back("down"); };
    QMenu menu;
    menu.addAction(QStringLiteral("x"));
    TEditButtonEx* more = col->EditButtons().Add();
    more->SetVisible(true);
    more->SetDropdownMenu(&menu);
    TDBGridInplaceEdit* e = a.edit("ID");
    ASSERT_TRUE(e);
    ASSERT_EQ(e->ButtonCount(), 3);
    EXPECT_FALSE(e->StyleButton()->isVisible()) << "a plain cell has no style button";
    click(e->Button(1), e->Button(1)->rect().center());
    EXPECT_EQ(heard, (std::vector<QString>{"down", "click"}));
    key(e, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(heard.size(), 4u) << "the shortcut presses the button";
    EXPECT_EQ(e->text(), "1") << "the shortcut typed nothing";
    mouse(e->Button(2), QEvent::MouseButtonPress, e->Button(2)->rect().center());
    EXPECT_TRUE(menu.isVisible()) << "a button with a menu drops it";
    EXPECT_FALSE(e->Button(2)->Down());
    menu.hide();
    // The style button's down event may take the press from the list.
    a.col("PRIBOR")->OnEditButtonDown = [](TColumnEx*, bool, bool&, bool& handled) { handled = true; };
    key(e, Qt::Key_Escape);
    TDBGridInplaceEdit* lookup = a.edit("PRIBOR");
    ASSERT_TRUE(lookup);
    click(lookup->StyleButton(), lookup->StyleButton()->rect().center());
    EXPECT_FALSE(lookup->ListVisible());
}

TEST(InplaceEditorStyles, ALookupCellTravelsThroughTheClipboardByItsKeyOrItsText)
{
    Acts a;
    a.show();
    const int pribor = a.col("PRIBOR")->Index();
    a.grid.SetSelectedIndex(pribor);
    // The instrument and the date of the first act.
    a.grid.Selection().Rect().Select(pribor, a.acts.GetBookmark(), false);
    a.grid.Selection().Rect().Select(pribor + 1, a.acts.GetBookmark(), true);
    DBGridEx_DoCopyAction(&a.grid, false);
    a.grid.Selection().Clear();
    ASSERT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(CF_GRIDBIF));
    key(a.grid.viewport(), Qt::Key_Down);
    ASSERT_EQ(a.value("PRIBOR_ID"), 1);
    DBGridEx_DoPasteAction(&a.grid, false);
    EXPECT_EQ(a.value("PRIBOR_ID"), 2) << "the copied key";
    EXPECT_EQ(a.value("DATA_AKTA").toDate(), QDate(2026, 12, 1));
    // Text names the instrument: the record showing it gives the key; a name no record shows leaves it.
    for (auto [text, id] : {std::pair{"вег", 3}, {"Нет такого", 3}, {"Алкотест", 1}}) {
        auto* mime = new QMimeData;
        mime->setData(CF_TEXT, QByteArray(text));
        QGuiApplication::clipboard()->setMimeData(mime);
        DBGridEx_DoPasteAction(&a.grid, false);
        EXPECT_EQ(a.value("PRIBOR_ID"), id) << text;
    }
    a.grid.Selection().Rect().Select(pribor, a.acts.GetBookmark(), false);
    a.grid.Selection().Rect().Select(pribor + 1, a.acts.GetBookmark(), true);
    DBGridEx_DoDeleteAction(&a.grid, false);
    EXPECT_EQ(a.acts.RecordCount(), 2);
    EXPECT_TRUE(a.value("PRIBOR_ID").isNull()) << "clearing the cell clears its key";
}
