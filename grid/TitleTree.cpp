// Building the multi-level title tree from the column captions.
#include "grid/DBGridEx.h"
#include "grid/HeadTreeNode.h"

namespace {
// Index where the second '|'-separated word begins (consecutive separators count as one), or -1.
int secondWordAt(const QString& text)
{
    int i = 0;
    while (i < text.size() && text[i] == QLatin1Char('|'))
        ++i;
    while (i < text.size() && text[i] != QLatin1Char('|'))
        ++i;
    while (i < text.size() && text[i] == QLatin1Char('|'))
        ++i;
    return i < text.size() ? i : -1;
}

QString firstWord(const QString& text)
{
    return text.section(QLatin1Char('|'), 0, 0, QString::SectionSkipEmpty);
}
} // namespace

void THeadTreeNode::CreateFieldTree(TCustomDBGridEx* grid, std::vector<THeadTreeNode*>& leaves, int titleHeight)
{
    FreeAllChild();
    leaves.clear();
    const bool lines = has(grid->Options(), dgColLines);
    TDBGridColumnsEx& cols = grid->Columns();
    for (int i = 0; i < cols.Count(); ++i) {
        TColumnEx* c = cols[i];
        const int width = c->Visible() ? c->Width() : (lines ? -1 : 0);
        THeadTreeNode* leaf = AddChild(this, c->Title().Caption(), titleHeight, width);
        leaf->Column = c;
        leaf->MarkerSpace = c->Title().SortMarker() != smNoneEx ? 16 : 0;
        leaf->LineWidth = lines ? 1 : 0;
        leaves.push_back(leaf);
    }
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < leaves.size() && !merged; ++i) {
            const int p = secondWordAt(leaves[i]->Text);
            if (p < 0)
                continue;
            const QString w = firstWord(leaves[i]->Text);
            size_t last = i;
            // The run stays on one level, so a merge never spans two parents.
            while (last + 1 < leaves.size() && firstWord(leaves[last + 1]->Text) == w
                   && leaves[last + 1]->Host == leaves[i]->Host)
                ++last;
            // Each caption loses its own first word and separators.
            for (size_t k = i; k <= last; ++k) {
                const int own = secondWordAt(leaves[k]->Text);
                leaves[k]->Text.remove(0, own < 0 ? leaves[k]->Text.size() : own);
            }
            // The run's top nodes: each leaf's ancestor directly under the common host.
            THeadTreeNode* from = leaves[i];
            THeadTreeNode* to = leaves[last];
            Union(from, to, w, 20);
            merged = true;
        }
    }
}
