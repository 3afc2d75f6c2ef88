// The lookup grid and its drop-down form: the key value and text of the chosen record, the special
// "none" row, keys, typed search with its two-second restart, the row count's bounds, and the drop-down's
// close-up on a release.
#include "GridFixture.h"
#include "grid/DBLookupGridsEx.h"
#include "platform/data/DatabaseError.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
struct Lookup {
    TMemDataSet ds;
    TDataSource source;
    std::unique_ptr<TDBLookupGridEx> grid;
    qint64 now = 100000;

    explicit Lookup(bool popup = false)
    {
        ds.AddFieldDef("ID", ftInteger);
        ds.AddFieldDef("NAME", ftString, 30);
        ds.Open();
        const char* names[] = {"Алексеев", "Борисов", "Быстров", "Васин", "Громов"};
        for (int i = 0; i < 5; ++i)
            ds.AppendRecord({10 + i, QString::fromUtf8(names[i])});
        ds.First();
        source.SetDataSet(&ds);
        grid.reset(popup ? new TPopupDataGridEx : new TDBLookupGridEx);
        grid->resize(200, 150);
        grid->SetListSource(&source);
        grid->SetKeyField(QStringLiteral("ID"));
        grid->SetListField(QStringLiteral("NAME"));
        TDBLookupGridEx::Clock = [this] { return now; };
        grid->show();
        QApplication::processEvents();
    }
    ~Lookup() { TDBLookupGridEx::Clock = [] { return qint64(0); }; }
    void type(const QString& s)
    {
        for (QChar c : s)
            key(grid->viewport(), Qt::Key_unknown, {}, QString(c));
    }
    QPoint row(int dataRow) { return grid->CellRect(grid->DataToRawColumn(0), grid->TitleOffset() + dataRow).center(); }
};
} // namespace

TEST(LookupGrid, KeyValueChoosesTheRecordAndItsText)
{
    Lookup l;
    l.grid->SetKeyValue(12);
    EXPECT_EQ(l.grid->Text(), QString::fromUtf8("Быстров"));
    EXPECT_EQ(l.ds.RecNo(), 3);
    l.grid->SetKeyValue(99);
    EXPECT_EQ(l.ds.RecNo(), 1) << "a key not in the list shows the first record";
    int heard = 0;
    l.grid->OnKeyValueChanged = [&](TDBLookupGridEx*) { ++heard; };
    key(l.grid->viewport(), Qt::Key_Down);
    EXPECT_EQ(l.grid->KeyValue(), 11);
    key(l.grid->viewport(), Qt::Key_End);
    EXPECT_EQ(l.grid->KeyValue(), 14);
    EXPECT_EQ(l.grid->Text(), QString::fromUtf8("Громов"));
    EXPECT_EQ(heard, 2);
    EXPECT_THROW(l.grid->SetKeyField(QStringLiteral("NOPE")), EDatabaseError);
}

TEST(LookupGrid, SpecialRowAboveTheListStandsForItsValue)
{
    Lookup l;
    l.grid->SpecRow().SetCellsText(QStringLiteral("(нет)"));
    l.grid->SpecRow().SetValue(0);
    l.grid->SpecRow().SetVisible(true);
    EXPECT_EQ(l.grid->TitleOffset(), 1) << "the special row is a row above the records";
    l.grid->SetKeyValue(10);
    ASSERT_EQ(l.ds.RecNo(), 1);
    key(l.grid->viewport(), Qt::Key_Up);
    EXPECT_TRUE(l.grid->SpecRowSelected());
    EXPECT_EQ(l.grid->KeyValue(), 0);
    EXPECT_EQ(l.grid->Text(), QString::fromUtf8("(нет)"));
    // Drawn in the highlight colour while chosen.
    const QRect spec = l.grid->CellRect(l.grid->DataToRawColumn(0), 0);
    const QImage img = l.grid->viewport()->grab().toImage();
    EXPECT_EQ(img.pixelColor(spec.left() + 1, spec.center().y()), gfx::ToQColor(gfx::clHighlight));
    key(l.grid->viewport(), Qt::Key_Down);
    EXPECT_EQ(l.grid->KeyValue(), 10) << "down from the special row starts at the first record";
    l.grid->SetKeyValue(77);
    EXPECT_TRUE(l.grid->SpecRowSelected()) << "a key not in the list shows the special row";
    l.grid->SpecRow().SetVisible(false);
    l.grid->SetKeyValue(0);
    EXPECT_FALSE(l.grid->SpecRowSelected()) << "a hidden special row is never chosen";
}

TEST(LookupGrid, TypingSearchesAndRestartsAfterTwoSeconds)
{
    Lookup l;
    l.type(QString::fromUtf8("б"));
    EXPECT_EQ(l.grid->KeyValue(), 11);
    l.now += 500;
    l.type(QString::fromUtf8("ы"));
    EXPECT_EQ(l.grid->KeyValue(), 12);
    EXPECT_EQ(l.grid->SearchText(), QString::fromUtf8("бы"));
    l.now += 2500;
    l.type(QString::fromUtf8("в"));
    EXPECT_EQ(l.grid->SearchText(), QString::fromUtf8("в")) << "a new search after the pause";
    EXPECT_EQ(l.grid->KeyValue(), 13);
    l.type(QString::fromUtf8("я"));
    EXPECT_EQ(l.grid->SearchText(), QString::fromUtf8("в")) << "a character matching nothing is dropped";
}

TEST(LookupGrid, RowCountIsKeptWithinOneToAHundredAndSetsTheHeight)
{
    Lookup l;
    const struct { int set, kept; } cases[] = {{0, 1}, {1, 1}, {5, 5}, {100, 100}, {500, 100}, {-3, 1}};
    for (const auto& c : cases) {
        l.grid->SetRowCount(c.set);
        EXPECT_EQ(l.grid->RowCount(), c.kept) << c.set;
    }
    l.grid->SetRowCount(4);
    QApplication::processEvents();
    const int border = l.grid->height() - l.grid->viewport()->height();
    EXPECT_EQ(l.grid->height(), border + 4 * l.grid->DataRowHeight());
    l.grid->SpecRow().SetVisible(true);
    EXPECT_EQ(l.grid->height(), border + 5 * l.grid->DataRowHeight()) << "the special row adds a row";
}

TEST(LookupGrid, DropDownClosesUpOnARelease)
{
    Lookup l(true);
    auto* popup = static_cast<TPopupDataGridEx*>(l.grid.get());
    std::vector<bool> closes;
    popup->OnCloseUp = [&](TPopupDataGridEx*, bool accept) { closes.push_back(accept); };
    EXPECT_FALSE(popup->focusPolicy() & Qt::ClickFocus) << "the drop-down never takes the focus";
    mouse(popup->viewport(), QEvent::MouseButtonPress, l.row(2));
    mouse(popup->viewport(), QEvent::MouseButtonRelease, l.row(2));
    ASSERT_EQ(closes, std::vector<bool>{true});
    EXPECT_EQ(l.grid->KeyValue(), 12);
    mouse(popup->viewport(), QEvent::MouseButtonPress, l.row(1));
    mouse(popup->viewport(), QEvent::MouseButtonRelease, QPoint(-20, -20));
    EXPECT_EQ(closes, (std::vector<bool>{true, false})) << "a release outside rejects";
    EXPECT_TRUE(popup->SizeGrip().isVisible());
    // The pointer moving over the list with no button held selects what it is over.
    QMouseEvent move(QEvent::MouseMove, QPointF(l.row(3)), popup->viewport()->mapToGlobal(QPointF(l.row(3))),
                     Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(popup->viewport(), &move);
    EXPECT_EQ(l.grid->KeyValue(), 13);
}
