// Levels and spans of the multi-level title for the exports.
#include "grid/DBGridExExportTitles.h"
#include "grid/DBGridEx.h"
#include "grid/HeadTreeNode.h"
#include <QHash>
#include <limits>

TDBGridExExportTitles::TDBGridExExportTitles(TCustomDBGridEx* grid, const TColumnsExList& columns)
{
    const size_t n = size_t(columns.size());
    if (n == 0)
        return;
    THeadTreeNode* root = &grid->TitleTree();
    QHash<const TColumnEx*, THeadTreeNode*> leafOf;
    root->DoForAllNode([&](THeadTreeNode* node) {
        if (node->Column)
            leafOf.insert(node->Column, node);
    });
    std::vector<std::vector<THeadTreeNode*>> levels(1, std::vector<THeadTreeNode*>(n));
    std::vector<int> height(n, 0);
    for (size_t c = 0; c < n; ++c) {
        levels[0][c] = leafOf.value(columns[qsizetype(c)], nullptr);
        height[c] = levels[0][c] ? levels[0][c]->Height : 0;
    }
    // A column moves up only to a parent that is a title cell (not the tree's root).
    auto movable = [root](THeadTreeNode* node) { return node && node->Host && node->Host != root; };
    for (;;) {
        const std::vector<THeadTreeNode*>& prev = levels.back();
        int lowest = std::numeric_limits<int>::max();
        for (size_t c = 0; c < n; ++c)
            if (movable(prev[c]))
                lowest = std::min(lowest, height[c]);
        if (lowest == std::numeric_limits<int>::max())
            break;
        std::vector<THeadTreeNode*> next = prev;
        for (size_t c = 0; c < n; ++c) {
            if (movable(prev[c]) && height[c] == lowest) {
                next[c] = prev[c]->Host;
                height[c] += next[c]->Height;
            }
        }
        levels.push_back(std::move(next));
    }

    const int count = int(levels.size());
    cells_.assign(size_t(count), std::vector<Cell>(n));
    std::vector<std::vector<bool>> covered(size_t(count), std::vector<bool>(n, false));
    for (int level = count - 1; level >= 0; --level) {
        for (size_t c = 0; c < n; ++c) {
            THeadTreeNode* node = levels[size_t(level)][c];
            if (!node || covered[size_t(level)][c])
                continue;
            size_t last = c;
            while (last + 1 < n && levels[size_t(level)][last + 1] == node && !covered[size_t(level)][last + 1])
                ++last;
            int bottom = level;
            while (bottom > 0 && levels[size_t(bottom - 1)][c] == node)
                --bottom;
            const int block = int(blocks_.size());
            blocks_.push_back({int(c), int(last), level, bottom});
            for (int l = level; l >= bottom; --l)
                for (size_t k = c; k <= last; ++k) {
                    covered[size_t(l)][k] = true;
                    cells_[size_t(l)][k].Block = block;
                }
            Cell& origin = cells_[size_t(level)][c];
            origin.Node = node;
            origin.ColSpan = int(last - c + 1);
            origin.RowSpan = level - bottom + 1;
        }
    }
}
