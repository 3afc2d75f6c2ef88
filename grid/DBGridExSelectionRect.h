#pragma once
// A rectangle of selected cells: two corners, each a data column and a record bookmark. Rows compare in
// the data set's order.
#include "grid/DBGridExTypes.h"
#include <QByteArray>
#include <functional>

class TCustomDBGridEx;

class TDBGridExSelectionRect {
public:
    explicit TDBGridExSelectionRect(TCustomDBGridEx* grid) : grid_(grid) {}
    void Select(int col, const QByteArray& bookmark, bool extend);
    void Clear();
    bool DataCellSelected(int col, const QByteArray& bookmark) const;
    QByteArray TopRow() const;
    QByteArray BottomRow() const;
    int LeftCol() const;
    int RightCol() const;
    // The visible columns from the left column to the right one.
    TColumnsExList VisibleColumns() const;
    // Puts the data set on each record of the rectangle from the top row down and calls each; stops
    // after the bottom row, at the end of the data (a bottom row deleted meanwhile is never reached) or
    // when each answers false.
    void ForEachRow(const std::function<bool()>& each) const;

private:
    int compare(const QByteArray& a, const QByteArray& b) const;
    void checkActive(const char* text) const;
    int anchorCol_ = -1;
    QByteArray anchorRow_;
    TCustomDBGridEx* grid_;
    int shiftCol_ = -1;
    QByteArray shiftRow_;
};
