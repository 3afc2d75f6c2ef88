#pragma once
// The upper-cased display texts of one column over every record, kept between the keys of in-place
// searches: a key then compares prefixes in memory instead of formatting each record's text again. The
// texts are taken again when the data set's rows change or the search moves to another column.
#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

class TColumnEx;
class TDataSet;
class TField;

class TInplaceSearchIndex {
public:
    // The view position of the first record from `from` on, stepping by `step` (1 or -1), whose text
    // starts with `upper` (upper-cased) and that `confirm` accepts when it reads the record itself; -1
    // for none. The data set must be in browse mode.
    int Find(TDataSet* ds, TColumnEx* column, const QString& upper, int from, int step,
             const std::function<bool(int row)>& confirm);
    void Clear();
    // Whether the kept texts are those of this data set's rows and column now.
    bool Holds(TDataSet* ds, TColumnEx* column) const { return holds(ds, column); }

private:
    bool holds(TDataSet* ds, TColumnEx* column) const;
    void build(TDataSet* ds, TColumnEx* column);

    TDataSet* ds_ = nullptr;
    TColumnEx* column_ = nullptr;
    TField* field_ = nullptr;
    quint64 changeCount_ = 0;
    int rows_ = 0;
    // Row r's text is text_[start_[r] .. start_[r + 1]), cut after kKept characters.
    std::vector<char16_t> text_;
    std::vector<quint32> start_;
};
