// The in-place editor of word-wrapped cells in a grid of several text lines per row, over a dBASE table
// with a memo file, as a user drives it with keys and the mouse: line breaks typed with Ctrl+Enter, the
// grid's keys, the caret placed by a click, completion on several lines. Every value is read back from the
// table through a query of its own.
#include "GridFixture.h"
#include "common/testutil.h"
#include "grid/DBGridInplaceEdit.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

using namespace gridtest;


namespace {
const QString Note = QString::fromUtf8("в присутствии понятых");

// Acts: ID, a short name (12 characters) and a memo note; a grid over them with rows three lines high.
struct Notes {
    testutil::TempDir dir;
    TADOConnection conn;
    TADOQuery q{&conn};
    TDataSource source;
    TDBGridEx grid;

    explicit Notes(int rowLines = 3, const QString& note = Note)
    {
        conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
        run("CREATE TABLE Acts(ID INTEGER, FIO CHAR(12), NUM INTEGER, PRIM MEMO)");
        for (int id : {1, 2}) {
            TADOQuery insert(&conn);
            insert.SetSQL("INSERT INTO Acts (ID, FIO, NUM, PRIM) VALUES (:ID, :FIO, :NUM, :PRIM)");
            insert.Parameters().ParamByName("ID")->SetValue(id);
            insert.Parameters().ParamByName("FIO")->SetValue(QString::fromUtf8(id == 1 ? "Иванов" : "Петров"));
            insert.Parameters().ParamByName("NUM")->SetValue(id);
            insert.Parameters().ParamByName("PRIM")->SetValue(id == 1 ? note : QString());
            insert.ExecSQL();
        }
        q.SetSQL("SELECT * FROM Acts");
        q.Open();
        source.SetDataSet(&q);
        grid.resize(560, 260);
        grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgTabs) | bit(dgEditing));
        grid.SetAllowedOperations(bit(alopUpdateEx));
        grid.SetDrawMemoText(true);
        grid.SetRowLines(rowLines);
        grid.SetDataSource(&source);
        grid.Columns().Clear();
        for (auto [f, w] : {std::pair{"ID", 40}, {"FIO", 110}, {"NUM", 50}, {"PRIM", 170}}) {
            TColumnEx* c = grid.Columns().Add();
            c->SetFieldName(QString::fromUtf8(f));
            c->SetWidth(w);
        }
    }
    void run(const QString& sql)
    {
        TADOQuery s(&conn);
        s.SetSQL(sql);
        s.ExecSQL();
    }
    TColumnEx* col(const char* f) { return grid.GetFieldColumns(f); }
    // Makes the column's cell current and opens the editor on it, as a user does with the arrows and F2.
    TDBGridInplaceEdit* edit(const char* field)
    {
        grid.show();
        grid.activateWindow();
        grid.setFocus();
        QApplication::processEvents();
        while (grid.SelectedIndex() != col(field)->Index())
            QTest::keyClick(grid.viewport(), grid.SelectedIndex() < col(field)->Index() ? Qt::Key_Right : Qt::Key_Left);
        QTest::keyClick(grid.viewport(), Qt::Key_F2);
        auto* e = dynamic_cast<TDBGridInplaceEdit*>(grid.InplaceEditor());
        return e && e->isVisible() ? e : nullptr;
    }
    // What the table holds, read by a query of its own once the grid's record is posted.
    QString stored(int id, const char* field)
    {
        q.CheckBrowseMode();
        TADOQuery read(&conn);
        read.SetSQL(QStringLiteral("SELECT * FROM Acts WHERE ID = %1").arg(id));
        read.Open();
        return read.RecordCount() == 1 ? read.FieldByName(QString::fromUtf8(field))->AsString() : QStringLiteral("?");
    }
};

// Keys as a user presses them on the focused widget: "^Enter" is Ctrl+Enter, named keys by name, anything
// else is typed character by character.
void press(const QString& keys)
{
    static const std::map<QString, std::pair<Qt::Key, Qt::KeyboardModifiers>> named{
        {"Enter", {Qt::Key_Return, {}}},   {"^Enter", {Qt::Key_Return, Qt::ControlModifier}},
        {"Esc", {Qt::Key_Escape, {}}},     {"Tab", {Qt::Key_Tab, {}}},
        {"Up", {Qt::Key_Up, {}}},          {"Down", {Qt::Key_Down, {}}},
        {"Left", {Qt::Key_Left, {}}},      {"^Home", {Qt::Key_Home, Qt::ControlModifier}},
        {"BS", {Qt::Key_Backspace, {}}}};
    for (const QString& token : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QWidget* w = QApplication::focusWidget();
        ASSERT_TRUE(w);
        if (auto it = named.find(token); it != named.end()) {
            const auto [k, m] = it->second;
            const QString text = k == Qt::Key_Return && !m ? QStringLiteral("\r") : k == Qt::Key_Escape ? QString(QChar(27)) : QString();
            QTest::sendKeyEvent(QTest::Click, w, k, text, m);
            continue;
        }
        for (QChar c : token)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), {});
    }
}

// Line breaks shown, so a failure says what the table holds.
std::string shown(QString s)
{
    return s.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n")).toStdString();
}

// The rows of an image that hold text ink: pixels darker than the editor's background.
std::vector<int> inkRows(const QImage& image)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                rows.push_back(y);
                break;
            }
    return rows;
}
} // namespace

TEST(InplaceWrapEditor, WordWrappedColumnsOfTallRowsEditOnSeveralLines)
{
    // field, the column's word wrap switched off, row lines, several lines expected
    struct Case { const char* field; bool wrapOff; int rowLines; bool wrapped; };
    const Case cases[] = {{"PRIM", false, 3, true}, {"FIO", false, 3, true}, {"NUM", false, 3, false},
                          {"FIO", true, 3, false},  {"PRIM", false, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + (c.wrapOff ? " wrap off" : "") + " row lines " + std::to_string(c.rowLines));
        Notes n(c.rowLines);
        if (c.wrapOff)
            n.col(c.field)->SetWordWrap(false);
        TDBGridInplaceEdit* e = n.edit(c.field);
        ASSERT_TRUE(e);
        EXPECT_EQ(n.grid.MultiLineRows(), c.rowLines > 1);
        EXPECT_EQ(e->WordWrap(), c.wrapped);
        QPlainTextEdit* view = e->WrapView();
        ASSERT_EQ(view != nullptr, c.wrapped);
        if (!view) {
            EXPECT_EQ(QApplication::focusWidget(), e);
            continue;
        }
        EXPECT_EQ(QApplication::focusWidget(), view) << "the lines take the keys";
        EXPECT_TRUE(e->hasFocus());
        EXPECT_EQ(e->geometry(), n.grid.CellRect(n.grid.Col(), n.grid.Row())) << "sized to the cell";
        EXPECT_EQ(view->geometry(), e->rect().marginsRemoved(e->textMargins()));
        EXPECT_EQ(view->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << "nothing scrolls sideways";
        EXPECT_EQ(view->toPlainText(), e->text());
    }
    // A cell of one line after a wrapped one gets the line editor back, with the focus.
    Notes n;
    TDBGridInplaceEdit* e = n.edit("PRIM");
    ASSERT_TRUE(e && e->WrapView());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(n.grid.viewport(), Qt::Key_F2);
    EXPECT_EQ(n.grid.SelectedIndex(), n.col("NUM")->Index());
    EXPECT_FALSE(e->WordWrap());
    EXPECT_EQ(QApplication::focusWidget(), e);
}

TEST(InplaceWrapEditor, KeysOnSeveralLinesAndWhatReachesTheTable)
{
    // what the user does in the cell of record 1, what the table then holds there, whether the editor is
    // still open and which record and column are current
    struct Case {
        const char* name; const char* field; bool wrapOff; const char* keys;
        QString stored; bool editorShown; int recordId; const char* currentField;
    };
    const QString br = QStringLiteral("\r\n");
    const Case cases[] = {
        {"Ctrl+Enter breaks the line", "PRIM", false, "^Enter без ^Enter замечаний Enter",
         Note + br + QString::fromUtf8("без") + br + QString::fromUtf8("замечаний"), true, 1, "PRIM"},
        {"Enter posts and breaks nothing", "PRIM", false, ". Enter", Note + ".", true, 1, "PRIM"},
        {"a break in a short text field", "FIO", false, "^Enter И", QString::fromUtf8("Иванов") + br + QString::fromUtf8("И"), true, 1, "FIO"},
        {"a break the field has no room for", "FIO", false, "Ивано ^Enter", QString::fromUtf8("ИвановИвано"), true, 1, "FIO"},
        {"Ctrl+Enter on one line is nothing", "FIO", true, "^Enter X", QString::fromUtf8("ИвановX"), true, 1, "FIO"},
        {"Escape forgets the typing", "PRIM", false, "^Enter x Esc", Note, false, 1, "PRIM"},
        {"Down moves to the next record", "PRIM", false, "! Down", Note + "!", false, 2, "PRIM"},
        {"Tab moves to the next column", "FIO", false, "! Tab", QString::fromUtf8("Иванов!"), false, 1, "NUM"},
        {"Left moves the caret", "PRIM", false, "Left Left x", QString::fromUtf8("в присутствии понятxых"), true, 1, "PRIM"},
        {"Ctrl+Home goes to the start", "PRIM", false, "^Home x BS BS y", QString::fromUtf8("yв присутствии понятых"), true, 1, "PRIM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Notes n;
        if (c.wrapOff)
            n.col(c.field)->SetWordWrap(false);
        TDBGridInplaceEdit* e = n.edit(c.field);
        ASSERT_TRUE(e);
        press(QString::fromUtf8(c.keys));
        EXPECT_EQ(e->isVisible(), c.editorShown);
        EXPECT_EQ(n.q.FieldByName("ID")->AsInteger(), c.recordId);
        EXPECT_EQ(n.grid.SelectedIndex(), n.col(c.currentField)->Index());
        EXPECT_EQ(shown(n.stored(1, c.field)), shown(c.stored));
    }
}

TEST(InplaceWrapEditor, AClickPlacesTheCaretOnItsLineAndCompletionSelectsOnSeveralLines)
{
    Notes n(3, QString::fromUtf8("первая строка\r\nвторая"));
    TDBGridInplaceEdit* e = n.edit("PRIM");
    ASSERT_TRUE(e && e->WrapView());
    QPlainTextEdit* view = e->WrapView();
    // A click at the left of the second line puts the caret after the break, in the text's own terms.
    const int lineHeight = QFontMetrics(view->font()).lineSpacing();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(1, lineHeight + lineHeight / 2));
    EXPECT_EQ(view->textCursor().position(), 14);
    EXPECT_EQ(e->cursorPosition(), 15) << "the break is CR LF in the text";
    press(QString::fromUtf8("новая_"));
    EXPECT_EQ(e->text(), QString::fromUtf8("первая строка\r\nновая_вторая"));
    press("Enter");
    EXPECT_EQ(n.stored(1, "PRIM"), QString::fromUtf8("первая строка\r\nновая_вторая"));

    // A pick list of a wrapped column completes the typed text and selects the remainder on the lines too.
    const QStringList picks{QString::fromUtf8("Иванова"), QString::fromUtf8("Петров")};
    n.col("FIO")->SetPickList(&picks);
    e = n.edit("FIO");
    ASSERT_TRUE(e && e->WrapView());
    view = e->WrapView();
    e->selectAll();
    EXPECT_EQ(view->textCursor().selectedText(), QString::fromUtf8("Иванов")) << "a selection made in code shows";
    press(QString::fromUtf8("п"));
    EXPECT_EQ(view->toPlainText(), QString::fromUtf8("Петров"));
    EXPECT_EQ(view->textCursor().selectedText(), QString::fromUtf8("етров"));
    press("Enter");
    EXPECT_EQ(n.stored(1, "FIO"), QString::fromUtf8("Петров"));
    // The list opens from the lines, and closes without taking its item when the focus goes elsewhere.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(e->ListVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(view->toPlainText(), QString::fromUtf8("Иванова"));
    QLineEdit elsewhere(&n.grid);
    elsewhere.show();
    elsewhere.setFocus();
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(view->toPlainText(), QString::fromUtf8("Петров"));
}

TEST(InplaceWrapEditor, ALongMemoAfterAShortFieldIsEditedWhole)
{
    // Longer than the line editor's own default limit, and opened right after a 12-character field.
    QString note;
    for (int i = 0; note.size() < 40000; ++i)
        note += QStringLiteral("строка %1\r\n").arg(i);
    for (int rowLines : {3, 0}) {
        SCOPED_TRACE(rowLines);
        Notes n(rowLines, note);
        TDBGridInplaceEdit* e = n.edit("FIO");
        ASSERT_TRUE(e);
        EXPECT_EQ(e->maxLength(), 12);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(n.grid.viewport(), Qt::Key_F2);
        ASSERT_EQ(n.grid.SelectedIndex(), n.col("PRIM")->Index());
        EXPECT_EQ(e->text(), note);
        e->end(false);
        press("!");
        press("Enter");
        EXPECT_EQ(n.stored(1, "PRIM"), note + "!");
    }
}

TEST(InplaceWrapEditor, TheEditorShowsTheWrappedLines)
{
    Notes n(4, QString::fromUtf8("в присутствии двух понятых без замечаний со стороны водителя и инспектора"));
    TDBGridInplaceEdit* e = n.edit("PRIM");
    ASSERT_TRUE(e && e->WrapView());
    QPlainTextEdit* view = e->WrapView();
    view->setCursorWidth(0);  // no blinking caret in the picture
    const std::vector<int> rows = inkRows(e->grab().toImage());
    ASSERT_FALSE(rows.empty());
    // Every line the text breaks into shows, one under the other, and none is wider than the text area.
    const QTextBlock block = view->document()->firstBlock();
    const QTextLayout* layout = block.layout();
    ASSERT_GE(layout->lineCount(), 3);
    const QPoint origin = view->geometry().topLeft() + view->viewport()->geometry().topLeft();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        EXPECT_LE(line.naturalTextWidth(), view->viewport()->width()) << i;
        QTextCursor at(view->document());
        at.setPosition(block.position() + line.textStart());
        const QRect r = view->cursorRect(at).translated(origin);
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](int y) { return y >= r.top() && y <= r.bottom(); }))
            << "ink on line " << i;
        if (i == 0)
            EXPECT_LE(r.top(), rows.front()) << "nothing above the first line";
        if (i == layout->lineCount() - 1)
            EXPECT_GE(r.bottom() + 1, rows.back()) << "nothing below the last line";
    }
    // The same text on one line is ink within one line's height.
    n.col("PRIM")->SetWordWrap(false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(n.grid.viewport(), Qt::Key_F2);
    ASSERT_FALSE(e->WordWrap());
    const std::vector<int> one = inkRows(e->grab().toImage());
    ASSERT_FALSE(one.empty());
    EXPECT_LT(one.back() - one.front(), QFontMetrics(e->font()).lineSpacing());
}
