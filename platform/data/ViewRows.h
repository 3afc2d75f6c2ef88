#pragma once
// The table records a query's view shows, row by row. A deleted row leaves a mark in place of moving every
// later row up (deleting marked rows of a million-row view would move megabytes each time); the marks are
// folded away once there are many. A record keeps its place (position) until then, so a map from records
// to places stays good through deletes.
#include <QtGlobal>
#include <algorithm>
#include <vector>

namespace sql {

class ViewRows {
public:
    ViewRows() = default;
    explicit ViewRows(std::vector<quint32> records) : places_(std::move(records)) {}

    std::size_t size() const { return places_.size() - gone_.size(); }
    quint32 operator[](std::size_t row) const { return places_[placeOf(row)]; }
    const std::vector<quint32>& places() const { return places_; }
    // The row at a place; -1 when its record was deleted from the view.
    int rowAt(std::size_t place) const
    {
        if (gone_.empty())
            return static_cast<int>(place);
        const auto it = std::lower_bound(gone_.begin(), gone_.end(), place);
        if (it != gone_.end() && *it == place)
            return -1;
        return static_cast<int>(place - static_cast<std::size_t>(it - gone_.begin()));
    }
    void push_back(quint32 record) { places_.push_back(record); }
    // Empties the rows, handing their places' storage over.
    std::vector<quint32> release()
    {
        gone_.clear();
        liveBefore_.clear();
        return std::move(places_);
    }
    // Removes a row; true when the marks were folded away and every place changed.
    bool erase(std::size_t row)
    {
        const std::size_t place = placeOf(row);
        const auto at = std::lower_bound(gone_.begin(), gone_.end(), place);
        const std::size_t i = static_cast<std::size_t>(at - gone_.begin());
        gone_.insert(at, place);
        liveBefore_.insert(liveBefore_.begin() + static_cast<std::ptrdiff_t>(i), place - i);
        for (std::size_t j = i + 1; j < liveBefore_.size(); ++j)
            --liveBefore_[j];
        if (gone_.size() < kFoldAt)
            return false;
        std::size_t n = 0, g = 0;
        for (std::size_t p = 0; p < places_.size(); ++p) {
            if (g < gone_.size() && gone_[g] == p)
                ++g;
            else
                places_[n++] = places_[p];
        }
        places_.resize(n);
        gone_.clear();
        liveBefore_.clear();
        return true;
    }

private:
    static constexpr std::size_t kFoldAt = 4096;

    // The row-th live place: every mark with at most `row` live places before it lies before it.
    std::size_t placeOf(std::size_t row) const
    {
        if (gone_.empty())
            return row;
        return row + static_cast<std::size_t>(std::upper_bound(liveBefore_.begin(), liveBefore_.end(), row) - liveBefore_.begin());
    }

    std::vector<quint32> places_;
    std::vector<std::size_t> gone_;        // places of deleted rows, ascending
    std::vector<std::size_t> liveBefore_;  // live places before each mark
};

} // namespace sql
