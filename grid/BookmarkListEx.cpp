#include "grid/BookmarkListEx.h"
#include "grid/DBGridEx.h"
#include "grid/GridError.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/ScopeGuard.h"
#include <algorithm>

TBookmarkListEx::~TBookmarkListEx()
{
    list_.clear();
    members_.clear();
}

void TBookmarkListEx::changed()
{
    cacheKey_.clear();
    cacheIndex_ = -1;
}

int TBookmarkListEx::Compare(const QByteArray& a, const QByteArray& b) const
{
    TDataSet* ds = grid_->DataLink()->DataSet();
    return ds ? ds->CompareBookmarks(a, b) : 0;
}

bool TBookmarkListEx::Find(const QByteArray& bookmark, int& index)
{
    if (bookmark == cacheKey_ && cacheIndex_ >= 0) {
        index = cacheIndex_;
        return cacheFound_;
    }
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) >> 1;
        const int c = Compare(list_[size_t(mid)], bookmark);
        if (c < 0)
            lo = mid + 1;
        else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                lo = mid;
            }
        }
    }
    index = lo;
    cacheKey_ = bookmark;
    cacheIndex_ = index;
    cacheFound_ = found;
    return found;
}

int TBookmarkListEx::IndexOf(const QByteArray& bookmark)
{
    int i;
    return Find(bookmark, i) ? i : -1;
}

QByteArray TBookmarkListEx::CurrentRow() const
{
    if (!linkActive_)
        throw EInvalidGridOperation("Cannot perform this operation on a closed dataset");
    return grid_->DataLink()->DataSet()->GetBookmark();
}

bool TBookmarkListEx::CurrentRowSelected()
{
    // Bookmarks name records one to one; the ordered search could miss an entry once a stale bookmark,
    // which the data set can only order by identity, sits among the live ones.
    return Contains(CurrentRow());
}

void TBookmarkListEx::SetCurrentRowSelected(bool value)
{
    const QByteArray current = CurrentRow();
    // A record not posted yet has no bookmark: nothing could find it again.
    if (current.isEmpty())
        return;
    if (Contains(current) == value)
        return;
    if (value) {
        int index;
        Find(current, index);
        list_.insert(list_.begin() + index, current);
        members_.insert(current);
    } else {
        members_.remove(current);
        list_.erase(std::find(list_.begin(), list_.end(), current));
    }
    changed();
    grid_->InvalidateCurrentRow();
    TDBGridExSelection& sel = grid_->Selection();
    if (sel.SelectionType() != gstRecordBookmarks && !list_.empty()) {
        sel.ClearOthers();
        sel.SetSelectionType(gstRecordBookmarks);
    }
    sel.UpdateState();
}

void TBookmarkListEx::Clear()
{
    if (list_.empty())
        return;
    list_.clear();
    members_.clear();
    changed();
    grid_->Selection().UpdateState();
    grid_->InvalidateGrid();
}

void TBookmarkListEx::Delete()
{
    TDataSet* ds = grid_->DataLink()->DataSet();
    if (!ds)
        return;
    // Controls come back on whatever happens, and a bookmark whose record is gone deletes nothing.
    ds->DisableControls();
    const rtl::TScopeGuard restore([&] {
        ds->EnableControls();
        grid_->Selection().UpdateState();
    });
    for (int i = Count() - 1; i >= 0; --i) {
        const QByteArray bm = list_[size_t(i)];
        if (ds->BookmarkValid(bm)) {
            ds->GotoBookmark(bm);
            ds->Delete();
        }
        members_.remove(bm);
        list_.erase(list_.begin() + i);
        changed();
    }
}

bool TBookmarkListEx::Refresh()
{
    TDataSet* ds = grid_->DataLink()->DataSet();
    if (!ds)
        return false;
    ds->CheckBrowseMode();
    bool removed = false;
    for (int i = Count() - 1; i >= 0; --i)
        if (!ds->BookmarkValid(list_[size_t(i)])) {
            members_.remove(list_[size_t(i)]);
            list_.erase(list_.begin() + i);
            removed = true;
        }
    if (removed)
        changed();
    grid_->Selection().UpdateState();
    ds->UpdateCursorPos();
    if (removed)
        grid_->InvalidateGrid();
    return removed;
}

void TBookmarkListEx::SelectAll()
{
    if (!linkActive_)
        return;
    TDataSet* ds = grid_->DataLink()->DataSet();
    ds->DisableControls();
    const QByteArray here = ds->GetBookmark();
    const rtl::TScopeGuard enable([ds] { ds->EnableControls(); });
    ds->First();
    while (!ds->Eof()) {
        SetCurrentRowSelected(true);
        ds->Next();
    }
    if (!here.isEmpty() && ds->BookmarkValid(here))
        ds->GotoBookmark(here);
}

void TBookmarkListEx::LinkActive(bool active)
{
    Clear();
    grid_->Selection().UpdateState();
    linkActive_ = active;
}
