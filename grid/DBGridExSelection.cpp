#include "grid/DBGridExSelection.h"
#include "grid/BookmarkListEx.h"
#include "grid/DBGridEx.h"

TBookmarkListEx& TDBGridExSelection::Rows() const { return grid_->SelectedRows(); }

void TDBGridExSelection::SetSelectionType(TDBGridExSelectionType t)
{
    if (t == type_)
        return;
    type_ = t;
    if (t == gstNon && has(grid_->Options(), dgAlwaysShowEditor))
        grid_->ShowEditor();
    else
        grid_->HideEditor();
}

bool TDBGridExSelection::DataCellSelected(int dataCol, const QByteArray& bookmark) const
{
    switch (type_) {
    case gstRecordBookmarks:
        return Rows().Contains(bookmark);
    case gstRectangle: return dataCol >= 0 && rect_.DataCellSelected(dataCol, bookmark);
    case gstColumns:
        return dataCol >= 0 && dataCol < grid_->Columns().Count() && columns_.Contains(grid_->Columns()[dataCol]);
    case gstAll: return true;
    default: return false;
    }
}

void TDBGridExSelection::clearStore()
{
    switch (type_) {
    case gstRecordBookmarks: Rows().Clear(); break;
    case gstRectangle: rect_.Clear(); break;
    case gstColumns: columns_.Clear(); break;
    case gstAll: grid_->InvalidateGrid(); break;
    default: break;
    }
}

void TDBGridExSelection::ClearOthers()
{
    if (type_ != gstRecordBookmarks)
        clearStore();
    type_ = gstNon;
}

void TDBGridExSelection::Clear()
{
    clearStore();
    type_ = gstNon;
    if (has(grid_->Options(), dgAlwaysShowEditor) && grid_->CanEditorShow())
        grid_->ShowEditor();
}

void TDBGridExSelection::SelectAll()
{
    if (type_ == gstAll)
        return;
    if (type_ != gstNon)
        Clear();
    type_ = gstAll;
    grid_->InvalidateGrid();
}

void TDBGridExSelection::Refresh()
{
    if (type_ == gstRecordBookmarks) {
        Rows().Refresh();
    } else if (type_ == gstColumns) {
        columns_.Refresh();
        if (columns_.Count() == 0) {
            type_ = gstNon;
            grid_->InvalidateGrid();
        }
    }
}

void TDBGridExSelection::LinkActive(bool active)
{
    Rows().LinkActive(active);
    if (type_ == gstRectangle) {
        // Its bookmarks belong to the data set that went.
        rect_ = TDBGridExSelectionRect(grid_);
        type_ = gstNon;
    }
    Clear();
}

void TDBGridExSelection::UpdateState()
{
    if ((type_ == gstRecordBookmarks && Rows().Count() == 0) || (type_ == gstColumns && columns_.Count() == 0)) {
        type_ = gstNon;
        grid_->InvalidateGrid();
    }
}
