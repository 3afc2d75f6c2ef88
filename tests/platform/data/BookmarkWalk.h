#pragma once
// A walk of deletes and appends over a data set whose records carry an integer ID, checking after every
// step that each bookmark taken finds its own record, in view order, or is invalid once its record is gone.
// The look-ups come between the changes in the orders the grid makes them (marked rows deleted from the
// last to the first, a look-up past a fresh delete, appends).
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"

#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace fixtures {

// `append` adds a record with the given ID at the end of the view and leaves the cursor anywhere.
inline void walkBookmarks(TDataSet& ds, const std::function<void(int)>& append)
{
    std::vector<std::pair<TBookmark, int>> live, gone;
    for (ds.First(); !ds.Eof(); ds.Next())
        live.emplace_back(ds.GetBookmark(), ds.FieldByName("ID")->AsInteger());
    ASSERT_GE(live.size(), 10u);
    int nextId = 1000;

    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        ASSERT_EQ(ds.RecordCount(), int(live.size()));
        for (std::size_t i = 0; i < live.size(); ++i) {
            ASSERT_TRUE(ds.BookmarkValid(live[i].first)) << i;
            ds.GotoBookmark(live[i].first);
            EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), live[i].second) << i;
            EXPECT_EQ(ds.RecNo(), int(i) + 1);
            if (i > 0)
                EXPECT_LT(ds.CompareBookmarks(live[i - 1].first, live[i].first), 0) << i;
        }
        for (const auto& g : gone)
            EXPECT_FALSE(ds.BookmarkValid(g.first)) << g.second;
    };
    auto removeAt = [&](std::size_t i) {
        ds.GotoBookmark(live[i].first);
        ds.Delete();
        gone.push_back(live[i]);
        live.erase(live.begin() + std::ptrdiff_t(i));
    };

    check("taken");
    // Marked rows deleted from the last to the first, each found again just before.
    for (std::size_t i : {live.size() - 2, live.size() / 2, std::size_t(2)}) {
        ASSERT_TRUE(ds.BookmarkValid(live[i].first));
        removeAt(i);
    }
    check("marked rows deleted");
    // A record past a fresh delete is looked up, then one before it is deleted.
    removeAt(3);
    EXPECT_EQ((ds.GotoBookmark(live.back().first), ds.FieldByName("ID")->AsInteger()), live.back().second);
    removeAt(0);
    check("deletes at the front");
    // Appends after deletes, and a delete of an appended record.
    for (int k = 0; k < 3; ++k) {
        append(nextId);
        ds.Last();
        live.emplace_back(ds.GetBookmark(), nextId++);
        if (k == 1)
            removeAt(live.size() - 2);
    }
    check("appended");
    removeAt(live.size() - 1);
    append(nextId);
    ds.Last();
    live.emplace_back(ds.GetBookmark(), nextId++);
    check("last deleted, one appended");
}

} // namespace fixtures
