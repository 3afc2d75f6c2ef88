#pragma once
// The grid's one selection: which kind is current (records, a rectangle of cells, whole columns or
// everything) and whether a data cell is selected, for drawing.
#include "grid/DBGridExSelectionCols.h"
#include "grid/DBGridExSelectionRect.h"
#include "grid/DBGridExTypes.h"
#include <QByteArray>

class TCustomDBGridEx;
class TBookmarkListEx;

class TDBGridExSelection {
public:
    explicit TDBGridExSelection(TCustomDBGridEx* grid) : columns_(grid), grid_(grid), rect_(grid) {}
    TDBGridExSelectionType SelectionType() const { return type_; }
    void SetSelectionType(TDBGridExSelectionType t);
    TBookmarkListEx& Rows() const;
    TDBGridExSelectionCols& Columns() { return columns_; }
    TDBGridExSelectionRect& Rect() { return rect_; }
    bool DataCellSelected(int dataCol, const QByteArray& bookmark) const;
    void Clear();
    // Empties the store of the current kind before another kind becomes current.
    void ClearOthers();
    void SelectAll();
    void Refresh();
    void LinkActive(bool active);
    void UpdateState();

private:
    void clearStore();
    TDBGridExSelectionCols columns_;
    TCustomDBGridEx* grid_;
    TDBGridExSelectionRect rect_;
    TDBGridExSelectionType type_ = gstNon;
};
