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

bool TDBGridExSelection::DataCellSelected(int, const QByteArray& bookmark) const
{
    switch (type_) {
    case gstRecordBookmarks: {
        int i;
        return Rows().Find(bookmark, i);
    }
    case gstAll: return true;
    default: return false;
    }
}

void TDBGridExSelection::ClearOthers()
{
    if (type_ == gstAll)
        grid_->InvalidateGrid();
    type_ = gstNon;
}

void TDBGridExSelection::Clear()
{
    if (type_ == gstRecordBookmarks)
        Rows().Clear();
    else if (type_ == gstAll)
        grid_->InvalidateGrid();
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
    if (type_ == gstRecordBookmarks)
        Rows().Refresh();
}

void TDBGridExSelection::LinkActive(bool active)
{
    Rows().LinkActive(active);
    Clear();
}

void TDBGridExSelection::UpdateState()
{
    if (type_ == gstRecordBookmarks && Rows().Count() == 0) {
        type_ = gstNon;
        grid_->InvalidateGrid();
    }
}
