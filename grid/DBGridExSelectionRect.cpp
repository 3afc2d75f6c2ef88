#include "grid/DBGridExSelectionRect.h"
#include "grid/DBGridEx.h"
#include "grid/GridError.h"
#include "platform/data/DataSet.h"

int TDBGridExSelectionRect::compare(const QByteArray& a, const QByteArray& b) const
{
    return grid_->SelectedRows().Compare(a, b);
}

void TDBGridExSelectionRect::checkActive(const char* text) const
{
    TDataSet* ds = grid_->DataLink()->DataSet();
    if (!ds || !ds->Active())
        throw EInvalidGridOperation(QString::fromLatin1(text));
}

void TDBGridExSelectionRect::Select(int col, const QByteArray& bookmark, bool extend)
{
    TDBGridExSelection& sel = grid_->Selection();
    if (sel.SelectionType() != gstRectangle)
        sel.Clear();
    if (anchorCol_ == -1 || !extend) {
        anchorCol_ = col;
        anchorRow_ = bookmark;
    }
    shiftCol_ = col;
    shiftRow_ = bookmark;
    if (anchorCol_ == shiftCol_ && compare(anchorRow_, shiftRow_) == 0) {
        if (sel.SelectionType() == gstRectangle)
            sel.SetSelectionType(gstNon);
    } else {
        sel.SetSelectionType(gstRectangle);
    }
    grid_->InvalidateGrid();
}

void TDBGridExSelectionRect::Clear()
{
    anchorCol_ = shiftCol_ = -1;
    anchorRow_.clear();
    shiftRow_.clear();
    grid_->InvalidateGrid();
}

QByteArray TDBGridExSelectionRect::TopRow() const
{
    checkActive("Error in TDBGridExSelectionRect.GetTopRow");
    return compare(anchorRow_, shiftRow_) < 1 ? anchorRow_ : shiftRow_;
}

QByteArray TDBGridExSelectionRect::BottomRow() const
{
    checkActive("Error in TDBGridExSelectionRect.GetBottomRow");
    return compare(anchorRow_, shiftRow_) < 0 ? shiftRow_ : anchorRow_;
}

int TDBGridExSelectionRect::LeftCol() const { return std::min(anchorCol_, shiftCol_); }
int TDBGridExSelectionRect::RightCol() const { return std::max(anchorCol_, shiftCol_); }

bool TDBGridExSelectionRect::DataCellSelected(int col, const QByteArray& bookmark) const
{
    checkActive("Error in function TDBGridExSelectionRect.CellSelected");
    if (anchorCol_ < 0)
        return false;
    return compare(TopRow(), bookmark) <= 0 && compare(bookmark, BottomRow()) <= 0 && LeftCol() <= col
           && col <= RightCol();
}

TColumnsExList TDBGridExSelectionRect::VisibleColumns() const
{
    TColumnsExList columns;
    TDBGridColumnsEx& all = grid_->Columns();
    for (int i = std::max(0, LeftCol()); i <= RightCol() && i < all.Count(); ++i)
        if (all[i]->Visible())
            columns.append(all[i]);
    return columns;
}

void TDBGridExSelectionRect::ForEachRow(const std::function<bool()>& each) const
{
    TDataSet* ds = grid_->DataLink()->DataSet();
    const QByteArray bottom = BottomRow();
    ds->GotoBookmark(TopRow());
    while (each() && ds->CompareBookmarks(ds->GetBookmark(), bottom) != 0) {
        ds->Next();
        if (ds->Eof())
            break;
    }
}
