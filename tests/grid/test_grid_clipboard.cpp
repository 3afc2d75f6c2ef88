// The grid's clipboard and delete actions through the real Qt clipboard (offscreen platform).
#include "GridIOFixture.h"
#include "grid/DBGridExClipboard.h"
#include "grid/DBGridExExportGRIDBIF.h"
#include "grid/DBGridExExportRTF.h"
#include "grid/DBGridExExportText.h"
#include "platform/controls/MessageBox.h"
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace gridio;

namespace {
const std::vector<std::vector<QVariant>> kThree = {
    {1, QString::fromUtf8("Ян"), 0.5}, {2, QStringLiteral("b"), 1.5}, {3, QStringLiteral("c"), QVariant()}};

void selectRows(IOGrid& g, std::initializer_list<int> recNos)
{
    for (int n : recNos) {
        g.ds.SetRecNo(n);
        g.grid.SelectedRows().SetCurrentRowSelected(true);
    }
}

// The delete confirmations asked, in order.
QStringList asked(const ctl::TScriptedMessageBoxPort& boxes)
{
    QStringList texts;
    for (const auto& a : boxes.AskedSoFar())
        texts << a.text;
    return texts;
}
} // namespace

// Copy puts exactly four formats: tab-separated text and CSV as UTF-8, RTF, and the GRIDBIF stream.
TEST(GridClipboard, CopyPutsFourFormats)
{
    IOGrid g(kThree, true);
    selectRows(g, {1, 3});
    DBGridEx_DoCopyAction(&g.grid, false);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    QStringList formats = mime->formats();
    formats.sort();
    EXPECT_EQ(formats, (QStringList{CF_GRIDBIF, CF_CSV, CF_TEXT, CF_RTF}));
    EXPECT_EQ(QString::fromUtf8(mime->data(CF_TEXT)), QString::fromUtf8("N\tИмя\tValue\r\n1\tЯн\t0,5\r\n3\tc\t"));
    EXPECT_EQ(QString::fromUtf8(mime->data(CF_CSV)),
              QString::fromUtf8("\"N\";\"Имя\";\"Value\"\r\n\"1\";\"Ян\";\"0,5\"\r\n\"3\";\"c\";\"\""));
    EXPECT_EQ(mime->data(CF_RTF), g.exportAll(&TDBGridExExportAsRTF::Create, false));
    const QByteArray bif = mime->data(CF_GRIDBIF);
    EXPECT_TRUE(bif.startsWith("GRIDBIF\x01\x03"));
    EXPECT_TRUE(bif.endsWith(QByteArray("\x02\0", 2)));  // the last value is null, then the end tag
    EXPECT_EQ(g.rows().size(), 3);
}

// Paste takes GRIDBIF over text; text ends at a zero byte.
TEST(GridClipboard, PastePrefersGridbif)
{
    IOGrid source({{7, QStringLiteral("g"), 7.5}}, true);
    source.grid.SetOptions(source.grid.Options() & ~bit(dgTitles));
    auto* both = new QMimeData;
    both->setData(CF_GRIDBIF, source.exportAll(&TDBGridExExportAsGRIDBIF::Create));
    both->setData(CF_TEXT, "8\tt\t8");
    QGuiApplication::clipboard()->setMimeData(both);
    IOGrid g(kThree, true);
    g.grid.SetSelectedIndex(0);
    DBGridEx_DoPasteAction(&g.grid, false);
    EXPECT_EQ(g.rows().first(), QStringLiteral("7|g|7.5"));

    auto* text = new QMimeData;
    text->setData(CF_TEXT, QByteArray("9\t\xD0\xAF\t9\0junk", 11));
    QGuiApplication::clipboard()->setMimeData(text);
    DBGridEx_DoPasteAction(&g.grid, false);
    EXPECT_EQ(g.rows().first(), QString::fromUtf8("9|Я|9"));

    QGuiApplication::clipboard()->setMimeData(new QMimeData);
    DBGridEx_DoPasteAction(&g.grid, false);
    EXPECT_EQ(g.rows().first(), QString::fromUtf8("9|Я|9"));
}

// Each selection kind asks its question (with dgConfirmDelete only) and deletes records or clears cells.
TEST(GridClipboard, DeleteAsksAndDeletesOrClears)
{
    {
        IOGrid g(kThree, true);
        ctl::TScriptedMessageBoxPort boxes; // OK unless told otherwise
        g.grid.SetOptions(g.grid.Options() | bit(dgConfirmDelete));
        selectRows(g, {2});
        DBGridEx_DoDeleteAction(&g.grid, false);
        selectRows(g, {1, 2});
        boxes.Answer(ctl::IDCANCEL);
        DBGridEx_DoDeleteAction(&g.grid, false);
        EXPECT_EQ(asked(boxes), (QStringList{"Delete record?", "Delete all selected records?"}));
        EXPECT_EQ(g.rows(), (QStringList{"1|Ян|0.5", "3|c|null"}));
        DBGridEx_DoDeleteAction(&g.grid, false);
        EXPECT_TRUE(g.rows().isEmpty());
        EXPECT_EQ(g.grid.Selection().SelectionType(), gstNon);
    }
    {
        // A rectangle clears the cells of the columns that may be changed.
        IOGrid g(kThree, true);
        ctl::TScriptedMessageBoxPort boxes;
        g.grid.SetOptions(g.grid.Options() | bit(dgConfirmDelete));
        g.grid.Columns()[2]->SetReadOnly(true);
        g.ds.SetRecNo(1);
        g.grid.Selection().Rect().Select(1, g.ds.GetBookmark(), false);
        g.ds.SetRecNo(2);
        g.grid.Selection().Rect().Select(2, g.ds.GetBookmark(), true);
        g.ds.SetRecNo(3);
        DBGridEx_DoDeleteAction(&g.grid, false);
        EXPECT_EQ(asked(boxes), QStringList{"Clear selected cells?"});
        EXPECT_EQ(g.rows(), (QStringList{"1|null|0.5", "2|null|1.5", "3|c|null"}));
        EXPECT_EQ(g.ds.RecNo(), 3);
    }
    {
        // Without dgConfirmDelete nothing is asked; columns are cleared in every record.
        IOGrid g(kThree, true);
        ctl::TScriptedMessageBoxPort boxes;
        g.grid.Selection().Columns().Select(g.grid.Columns()[0], false);
        DBGridEx_DoDeleteAction(&g.grid, false);
        EXPECT_TRUE(asked(boxes).isEmpty());
        EXPECT_EQ(g.rows(), (QStringList{"null|Ян|0.5", "null|b|1.5", "null|c|null"}));
    }
}

// Everything selected by hand is confirmed; the whole-grid flag empties the data set without asking.
TEST(GridClipboard, DeleteEverything)
{
    IOGrid g(kThree, true);
    ctl::TScriptedMessageBoxPort boxes;
    g.grid.SetOptions(g.grid.Options() | bit(dgConfirmDelete));
    g.grid.Selection().SelectAll();
    ASSERT_EQ(g.grid.Selection().SelectionType(), gstAll);
    boxes.Answer(ctl::IDCANCEL);
    DBGridEx_DoDeleteAction(&g.grid, false);
    EXPECT_EQ(asked(boxes), QStringList{"Delete all selected records?"});
    EXPECT_EQ(g.rows().size(), 3);
    boxes.Clear();
    DBGridEx_DoDeleteAction(&g.grid, true);
    EXPECT_TRUE(asked(boxes).isEmpty());
    EXPECT_TRUE(g.ds.IsEmpty());
}

// Cut is copy then delete: the clipboard holds what the data set no longer has.
TEST(GridClipboard, CutCopiesThenDeletes)
{
    IOGrid g(kThree, true);
    selectRows(g, {2});
    DBGridEx_DoCutAction(&g.grid, false);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(CF_TEXT), QByteArray("N\t\xD0\x98\xD0\xBC\xD1\x8F\tValue\r\n2\tb\t1,5"));
    EXPECT_EQ(g.rows(), (QStringList{"1|Ян|0.5", "3|c|null"}));
}

// The grid's keys reach the actions only for the edit actions it allows: Ctrl+C copies, Ctrl+V pastes.
TEST(GridClipboard, KeysRunTheAllowedActions)
{
    auto press = [](QWidget* w, int k, Qt::KeyboardModifiers m) {
        QKeyEvent e(QEvent::KeyPress, k, m);
        QApplication::sendEvent(w, &e);
    };
    IOGrid g(kThree, true);
    selectRows(g, {2});
    QGuiApplication::clipboard()->setMimeData(new QMimeData);
    press(&g.grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(CF_TEXT));
    g.grid.SetEditActions(bit(geaCopyEx) | bit(geaPasteEx));
    press(&g.grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(CF_TEXT),
              QByteArray("N\t\xD0\x98\xD0\xBC\xD1\x8F\tValue\r\n2\tb\t1,5"));
    g.grid.ClearSelection();
    g.ds.SetRecNo(3);
    g.grid.SetSelectedIndex(0);
    auto* text = new QMimeData;
    text->setData(CF_TEXT, "4\td");
    QGuiApplication::clipboard()->setMimeData(text);
    press(&g.grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(g.rows().last(), QStringLiteral("4|d|null"));
}
