#pragma once
// The grid's one selection: which kind is current (records, everything; rectangles and columns of cells
// are refused while rows are selected) and whether a data cell is selected, for drawing.
#include "grid/DBGridExTypes.h"
#include <QByteArray>

class TCustomDBGridEx;
class TBookmarkListEx;

class TDBGridExSelection {
public:
    explicit TDBGridExSelection(TCustomDBGridEx* grid) : grid_(grid) {}
    TDBGridExSelectionType SelectionType() const { return type_; }
    void SetSelectionType(TDBGridExSelectionType t);
    TBookmarkListEx& Rows() const;
    bool DataCellSelected(int dataCol, const QByteArray& bookmark) const;
    void Clear();
    // Empties the stores of the other kinds before a new kind becomes current.
    void ClearOthers();
    void SelectAll();
    void Refresh();
    void LinkActive(bool active);
    void UpdateState();

private:
    TCustomDBGridEx* grid_;
    TDBGridExSelectionType type_ = gstNon;
};
