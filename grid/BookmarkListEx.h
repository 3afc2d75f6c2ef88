#pragma once
// The grid's selected records: bookmarks kept in the data set's record order (not byte order), found by
// binary search with a one-entry cache.
#include <QByteArray>
#include <QSet>
#include <vector>

class TCustomDBGridEx;

class TBookmarkListEx {
public:
    explicit TBookmarkListEx(TCustomDBGridEx* grid) : grid_(grid) {}
    ~TBookmarkListEx();

    int Count() const { return int(list_.size()); }
    int GetCount() const { return Count(); }
    QByteArray Items(int i) const { return list_.at(size_t(i)); }
    QByteArray GetItem(int i) const { return Items(i); }
    bool Find(const QByteArray& bookmark, int& index);
    int IndexOf(const QByteArray& bookmark);
    // Whether this very bookmark is in the list, without asking the data set to compare (bookmarks name
    // records one to one, so painting a row needs no search).
    bool Contains(const QByteArray& bookmark) const { return members_.contains(bookmark); }
    bool CurrentRowSelected();
    void SetCurrentRowSelected(bool value);
    QByteArray CurrentRow() const;
    void Clear();
    // Deletes the selected records; bookmarks of records that are gone already are skipped.
    void Delete();
    bool Refresh();
    void SelectAll();
    void LinkActive(bool active);
    int Compare(const QByteArray& a, const QByteArray& b) const;

private:
    void changed();
    QByteArray cacheKey_;
    bool cacheFound_ = false;
    int cacheIndex_ = -1;
    TCustomDBGridEx* grid_;
    bool linkActive_ = false;
    std::vector<QByteArray> list_;
    QSet<QByteArray> members_;
};
