#pragma once
// The multi-level title tree laid out as a table of levels by exported columns for the HTML and RTF
// exports: level 0 holds each column's leaf; each higher level moves the columns with the smallest
// accumulated height to their parent node. A node repeated to the right or on lower levels forms one
// block: its top-left cell carries the node and the spans, the covered cells carry none.
#include "grid/DBGridExTypes.h"
#include <vector>

class TCustomDBGridEx;
class THeadTreeNode;

class TDBGridExExportTitles {
public:
    struct Cell {
        THeadTreeNode* Node = nullptr;  // set only on a block's top-left cell
        int ColSpan = 1;
        int RowSpan = 1;
        int Block = -1;  // index of the block the cell belongs to, -1 for none
    };
    struct Block {
        int FirstCol, LastCol, TopLevel, BottomLevel;
    };

    TDBGridExExportTitles(TCustomDBGridEx* grid, const TColumnsExList& columns);
    int LevelCount() const { return int(cells_.size()); }
    const Cell& At(int level, int col) const { return cells_[size_t(level)][size_t(col)]; }
    const Block& BlockOf(int index) const { return blocks_[size_t(index)]; }

private:
    std::vector<std::vector<Cell>> cells_;
    std::vector<Block> blocks_;
};
