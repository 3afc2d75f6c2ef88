#include "grid/DBGridExSearchIndex.h"
#include "grid/ColumnEx.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/ScopeGuard.h"
#include <algorithm>

namespace {
// Typed search texts are short; a longer one is settled by reading the record itself.
constexpr int kKept = 64;

// Upper-cases as QString::toUpper does. Latin and Cyrillic letters map one to one and go by the fast
// per-character table; a text with any other letter takes the full rules, which may lengthen it.
void appendUpper(std::vector<char16_t>& out, const QString& text)
{
    const qsizetype n = std::min<qsizetype>(text.size(), kKept);
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < n; ++i)
        if (p[i] >= 0x80 && (p[i] < 0x400 || p[i] > 0x4FF)) {
            const QString upper = text.left(kKept).toUpper();
            const auto* u = reinterpret_cast<const char16_t*>(upper.utf16());
            out.insert(out.end(), u, u + std::min<qsizetype>(upper.size(), kKept));
            return;
        }
    for (qsizetype i = 0; i < n; ++i)
        out.push_back(p[i] < 0x80 ? (p[i] >= 'a' && p[i] <= 'z' ? char16_t(p[i] - 32) : p[i])
                                  : char16_t(QChar::toUpper(char32_t(p[i]))));
}
} // namespace

void TInplaceSearchIndex::Clear()
{
    ds_ = nullptr;
    column_ = nullptr;
    field_ = nullptr;
    rows_ = 0;
    std::vector<char16_t>().swap(text_);
    std::vector<quint32>().swap(start_);
}

bool TInplaceSearchIndex::holds(TDataSet* ds, TColumnEx* column) const
{
    return ds == ds_ && column == column_ && column->Field() == field_ && ds->ChangeCount() == changeCount_
           && ds->RowTotal() == rows_;
}

void TInplaceSearchIndex::build(TDataSet* ds, TColumnEx* column)
{
    Clear();
    const int total = ds->RowTotal(), saved = ds->ActiveRow();
    start_.reserve(size_t(total) + 1);
    text_.reserve(size_t(total) * 24);
    start_.push_back(0);
    {
        // Half an index is no index: a failure leaves none.
        rtl::TScopeGuard failed([this] { Clear(); });
        const rtl::TScopeGuard activeBack([&] { ds->SetActiveRow(saved); });
        for (int row = 0; row < total; ++row) {
            ds->SetActiveRow(row);
            appendUpper(text_, column->DisplayText());
            start_.push_back(quint32(text_.size()));
        }
        failed.Dismiss();
    }
    ds_ = ds;
    column_ = column;
    field_ = column->Field();
    changeCount_ = ds->ChangeCount();
    rows_ = total;
}

int TInplaceSearchIndex::Find(TDataSet* ds, TColumnEx* column, const QString& upper, int from, int step,
                              const std::function<bool(int row)>& confirm)
{
    if (!holds(ds, column))
        build(ds, column);
    const qsizetype compared = std::min<qsizetype>(upper.size(), kKept);
    const char16_t* wanted = reinterpret_cast<const char16_t*>(upper.utf16());
    for (int row = from; row >= 0 && row < rows_; row += step) {
        const quint32 begin = start_[size_t(row)], end = start_[size_t(row) + 1];
        if (qsizetype(end - begin) < compared || !std::equal(wanted, wanted + compared, text_.data() + begin))
            continue;
        // The record itself has the last word: its text may be longer than the part kept here.
        if (confirm(row))
            return row;
    }
    return -1;
}
