// The multi-level title tree: captions split at '|' merge into parents over adjacent columns.
#include "GridFixture.h"
#include "grid/HeadTreeNode.h"
#include <QDir>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace gridtest;

namespace {

// The tree as text: "A{X,Y},B" (children in braces).
QString shape(const THeadTreeNode* node)
{
    QStringList parts;
    if (!node->Child)
        return {};
    const THeadTreeNode* n = node->Child;
    do {
        parts << (n->Child ? n->Text + "{" + shape(n) + "}" : n->Text);
        n = n->Next;
    } while (n != node->Child);
    return parts.join(',');
}

struct Titled {
    std::unique_ptr<TMemDataSet> ds = makeJournal(3);
    TDataSource source{ds.get()};
    TDBGridEx grid;
    explicit Titled(const QStringList& captions)
    {
        grid.resize(600, 200);
        grid.SetDataSource(&source);
        for (const QString& c : captions) {
            TColumnEx* col = grid.Columns().Add();
            col->SetFieldName("FIO");
            col->SetWidth(80);
            col->Title().SetCaption(c);
        }
        grid.SetUseMultiTitle(true);
    }
};

} // namespace

TEST(TitleTree, MergesRunsOfAdjacentCaptions)
{
    struct Case { QStringList captions; QString tree; };
    const Case cases[] = {
        {{"A", "B"}, "A,B"},
        {{"A|X", "A|Y", "B"}, "A{X,Y},B"},
        {{"A|X", "B|Y", "A|Z"}, "A{X},B{Y},A{Z}"},
        {{"A|B|X", "A|B|Y", "A|Z"}, "A{B{X,Y},Z}"},
        {{"A||X", "A|Y"}, "A{X,Y}"},
        {{"A|B|X", "B|Y"}, "A{B{X}},B{Y}"},
    };
    for (const Case& c : cases) {
        Titled t(c.captions);
        EXPECT_EQ(shape(&t.grid.TitleTree()), c.tree) << c.captions.join(' ').toStdString();
    }
}

TEST(TitleTree, WidthsAndHeights)
{
    Titled t({"Измерение|Дата", "Измерение|Значение", "Прибор"});
    t.grid.Columns()[1]->SetVisible(false);
    const THeadTreeNode* parent = t.grid.TitleTree().Child;
    ASSERT_TRUE(parent->Child);
    EXPECT_EQ(parent->Width, 80) << "a hidden column inside the run adds nothing";
    const THeadTreeNode* leaf = t.grid.TitleLeaf(0);
    const THeadTreeNode* flat = t.grid.TitleLeaf(2);
    EXPECT_EQ(flat->Height, t.grid.TitleTree().Height) << "a leaf without parent reaches the full height";
    EXPECT_EQ(parent->Height + leaf->Height, t.grid.TitleTree().Height);
    EXPECT_EQ(t.grid.RowHeights(0), t.grid.TitleTree().Height);
    // An empty caption is measured as one blank: the title area never has zero height.
    Titled e({""});
    EXPECT_GT(e.grid.RowHeights(0), e.grid.VTitleMargin());
}

TEST(TitleTree, UnionRefusesNodesOutsideTheRules)
{
    THeadTreeNode root("Root", 0, 0), other("Other", 0, 0);
    THeadTreeNode* a = root.AddChild(&root, "a", 10, 10);
    THeadTreeNode* b = root.Add(a, "b", 10, 10);
    THeadTreeNode* x = root.AddChild(a, "x", 10, 10);
    THeadTreeNode* stray = other.AddChild(&other, "s", 1, 1);
    EXPECT_THROW(root.Union(stray, stray, "u", 5), std::runtime_error);
    EXPECT_THROW(root.Union(a, x, "u", 5), std::runtime_error);
    try {
        root.Union(b, a, "u", 5);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "ATo not in level");
    }
    THeadTreeNode* u = root.Union(a, b, "u", 5);
    EXPECT_EQ(u->Width, 20);
    EXPECT_EQ(a->Height, 5);
    EXPECT_EQ(shape(&root), "u{a{x},b}");
}

TEST(TitleTree, PicturesOfMultiLevelTitlesAndFooters)
{
    JournalGrid j(6, {660, 240});
    j.grid.Columns()[0]->Title().SetCaption(QString::fromUtf8("Измерение|дата"));
    j.grid.Columns()[2]->Title().SetCaption(QString::fromUtf8("Измерение|значение (мг/л)"));
    j.grid.Columns().Move(2, 1);
    j.grid.SetUseMultiTitle(true);
    j.grid.SumList().SetActive(true);
    j.grid.SetFooterRowCount(1);
    j.grid.Columns()[1]->Footer().SetValueType(fvtSum);
    j.grid.Columns()[0]->Footer().SetValueType(fvtStaticText);
    j.grid.Columns()[0]->Footer().SetValue(QString::fromUtf8("Итого"));
    j.grid.Columns()[4]->Footer().SetValueType(fvtCount);
    j.show();
    const QImage img = j.grid.RenderToImage();
    const QString dir = QStringLiteral(VELT_BINARY_DIR "/grid-pictures");
    QDir().mkpath(dir);
    ASSERT_TRUE(img.save(dir + "/journal-grid-multititle-footer.png"));
    EXPECT_EQ(shape(&j.grid.TitleTree()).section(',', 0, 0), QString::fromUtf8("Измерение{дата"));
}
