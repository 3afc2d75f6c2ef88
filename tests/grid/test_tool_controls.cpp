// The small tool controls the editor and the lookup lists share: edit-button descriptions, the special
// row and its cell texts, the size grip of drop-down windows, and the value helpers.
#include "grid/ToolCtrlsEx.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include <QApplication>
#include <QMouseEvent>
#include <QStyle>
#include <gtest/gtest.h>

TEST(ToolControls, EditButtonsKeepTheirBoundsAndTellTheirCollection)
{
    int changes = 0;
    TEditButtonsEx buttons;
    buttons.OnChange = [&] { ++changes; };
    TEditButtonEx* b = buttons.Add();
    EXPECT_FALSE(b->Visible());
    EXPECT_EQ(b->Style(), ebsDropDownEx);
    const struct { int set, kept; } glyphs[] = {{0, 1}, {1, 1}, {3, 3}, {4, 4}, {9, 4}, {-2, 1}};
    for (const auto& g : glyphs) {
        b->SetNumGlyphs(g.set);
        EXPECT_EQ(b->NumGlyphs(), g.kept) << g.set;
    }
    EXPECT_GE(changes, 7);
    TEditButtonsEx visible([](TEditButtonsEx* c) { return std::make_unique<TVisibleEditButtonEx>(c); });
    TEditButtonEx* v = visible.Add();
    EXPECT_TRUE(v->Visible());
    EXPECT_EQ(v->ShortCut(), QKeyCombination(Qt::AltModifier, Qt::Key_Down));
    b->SetHint(QStringLiteral("pick"));
    b->SetStyle(ebsEllipsisEx);
    visible.Assign(buttons);
    ASSERT_EQ(visible.Count(), 1);
    EXPECT_EQ(visible.Items(0)->Hint(), "pick");
    EXPECT_EQ(visible.Items(0)->Style(), ebsEllipsisEx);
    QWidget edit;
    TEditButtonControlEx* control = b->CreateEditButtonControl(&edit);
    EXPECT_EQ(control->parentWidget(), &edit);
    EXPECT_EQ(control->size(), QSize(10, 17));
}

TEST(ToolControls, SpecialRowCellTextsAndKey)
{
    TSpecRowEx row;
    int changes = 0;
    row.OnChange = [&] { ++changes; };
    const struct { const char* text; QStringList cells; } cases[] = {
        {"\"a;b\";c d", {"a;b", "c d"}},
        {"(none);-", {"(none)", "-"}},
        {"\"say \"\"no\"\"\"", {"say \"no\""}},
        {"x\r\n;\r\ny", {"x", "y"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        row.SetCellsText(QString::fromUtf8(c.text));
        EXPECT_EQ(row.CellCount(), c.cells.size()) << c.text;
        for (int i = 0; i < c.cells.size(); ++i)
            EXPECT_EQ(row.GetCellText(i), c.cells[i]) << c.text;
        EXPECT_EQ(row.GetCellText(int(c.cells.size())), QString()) << "out of range";
    }
    row.SetValue(0);
    EXPECT_FALSE(row.LocateKey(0)) << "a hidden row stands for no key";
    row.SetVisible(true);
    EXPECT_TRUE(row.LocateKey(0));
    EXPECT_FALSE(row.LocateKey(1));
    EXPECT_EQ(row.ShortCut(), QKeyCombination(Qt::AltModifier, Qt::Key_Delete));
    changes = 0;
    row.BeginUpdate();
    row.SetValue(5);
    row.SetColor(gfx::clYellow);
    EXPECT_EQ(changes, 0);
    row.EndUpdate();
    EXPECT_EQ(changes, 1);
    TSpecRowEx copy;
    copy.Assign(row);
    EXPECT_TRUE(copy.LocateKey(5));
    EXPECT_TRUE(copy.ColorAssigned());
    EXPECT_FALSE(copy.FontAssigned());
}

TEST(ToolControls, VarEqualsAndFieldHelpers)
{
    const QVariantList ab = {1, QStringLiteral("b")};
    const struct { QVariant a, b; bool equal; } cases[] = {
        {1, 1, true}, {1, 2, false}, {QVariant(), QVariant(), true}, {QVariant(), 0, false},
        {ab, ab, true}, {ab, QVariantList{1}, false}, {ab, 1, false}, {QVariantList{1, 2}, QVariantList{1, 3}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VarEquals(c.a, c.b), c.equal) << c.a.toString().toStdString() << " ~ " << c.b.toString().toStdString();

    TMemDataSet ds;
    ds.AddFieldDef("A", ftInteger);
    ds.AddFieldDef("B", ftString, 10);
    ds.Open();
    ds.AppendRecord({1, QStringLiteral("x")});
    EXPECT_EQ(GetFieldsProperty(&ds, QStringLiteral("Lookup1"), QStringLiteral("A;B")).size(), 2u);
    try {
        GetFieldsProperty(&ds, QStringLiteral("Lookup1"), QStringLiteral("A;NOPE"));
        FAIL() << "a missing field is an error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Lookup1: Field 'NOPE' not found");
    }
    ds.Edit();
    DataSetSetFieldValues(&ds, QStringLiteral("A;B"), QVariantList{7, QStringLiteral("y")});
    EXPECT_EQ(ds.FieldByName(QStringLiteral("A"))->AsInteger(), 7);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("B"))->AsString(), "y");
    DataSetSetFieldValues(&ds, QStringLiteral("A;B"), QVariant());
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("A"))->IsNull());
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("B"))->IsNull());
    ds.Cancel();
}

TEST(ToolControls, SizeGripSitsInItsCornerAndResizesItsWindow)
{
    QWidget popup;
    popup.setGeometry(100, 100, 200, 150);
    TSizeGripEx grip(&popup);
    popup.show();
    QApplication::processEvents();
    const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_EQ(grip.size(), QSize(extent, extent));
    EXPECT_EQ(grip.geometry().bottomRight(), popup.rect().bottomRight());
    EXPECT_TRUE(grip.mask().contains(QPoint(extent - 1, extent - 1)));
    EXPECT_FALSE(grip.mask().contains(QPoint(0, 0))) << "a triangle in the corner";
    // Moves, each from bottom-right, and the corner it reaches.
    const struct { TSizeGripChangePosition move; TSizeGripPostion from, to; } moves[] = {
        {sgcpToLeft, sgpBottomRight, sgpBottomLeft}, {sgcpToLeft, sgpTopRight, sgpTopLeft},
        {sgcpToRight, sgpBottomLeft, sgpBottomRight}, {sgcpToTop, sgpBottomRight, sgpTopRight},
        {sgcpToTop, sgpBottomLeft, sgpTopLeft}, {sgcpToBottom, sgpTopLeft, sgpBottomLeft},
        {sgcpToLeft, sgpTopLeft, sgpTopLeft}, {sgcpToTop, sgpTopRight, sgpTopRight},
    };
    for (const auto& m : moves) {
        grip.SetPosition(m.from);
        grip.ChangePosition(m.move);
        EXPECT_EQ(grip.Position(), m.to) << int(m.move) << " from " << int(m.from);
    }
    grip.SetPosition(sgpTopLeft);
    EXPECT_EQ(grip.pos(), QPoint(0, 0));
    grip.SetPosition(sgpBottomRight);
    int resized = 0;
    grip.OnParentResized = [&] { ++resized; };
    TSizeGripEx::WorkAreaForTests = QRect(0, 0, 400, 300);
    auto drag = [&](QEvent::Type t, QPoint global) {
        const QPoint local = grip.mapFromGlobal(global);
        QMouseEvent e(t, QPointF(local), QPointF(global), Qt::LeftButton,
                      t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
        QApplication::sendEvent(&grip, &e);
    };
    const QPoint start = grip.mapToGlobal(QPoint(extent - 2, extent - 2));
    drag(QEvent::MouseButtonPress, start);
    drag(QEvent::MouseMove, start + QPoint(30, 20));
    EXPECT_EQ(popup.size(), QSize(230, 170));
    drag(QEvent::MouseMove, start + QPoint(500, 500));
    EXPECT_EQ(popup.geometry().bottomRight(), QPoint(399, 299)) << "never past the work area";
    drag(QEvent::MouseButtonRelease, start + QPoint(500, 500));
    EXPECT_EQ(resized, 2);
    EXPECT_EQ(grip.geometry().bottomRight(), popup.rect().bottomRight()) << "the grip follows its corner";
    TSizeGripEx::WorkAreaForTests = QRect();
}
