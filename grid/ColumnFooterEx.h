#pragma once
// A column's footer cell (the single Footer, or one of the Footers for grids with several footer rows):
// alignment, colour and font with defaults, a value type, and for aggregates exactly one running sum in
// the grid's sum list.
#include "grid/DBGridExTypes.h"
#include "platform/data/DataSetTypes.h"
#include "platform/graphics/Font.h"
#include <QString>
#include <memory>
#include <vector>

class TColumnEx;
class TColumnFootersEx;
class TDBSum;

class TColumnFooterEx {
public:
    // The single Footer of a column (belongs to no collection) or an item of Footers.
    explicit TColumnFooterEx(TColumnEx* column);
    explicit TColumnFooterEx(TColumnFootersEx* collection);
    virtual ~TColumnFooterEx();
    TColumnFooterEx(const TColumnFooterEx&) = delete;
    TColumnFooterEx& operator=(const TColumnFooterEx&) = delete;

    TColumnEx* Column() const { return column_; }
    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    gfx::TColor Color() const;
    void SetColor(gfx::TColor c);
    gfx::TFont& Font();
    void SetFont(const gfx::TFont& f);
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool v);
    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    QString Value() const { return value_; }
    void SetValue(const QString& v);
    TFooterValueType ValueType() const { return valueType_; }
    void SetValueType(TFooterValueType t);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    unsigned AssignedValues() const { return assigned_; }
    TDBSum* Sum() const { return sum_; }

    void EnsureSumValue();
    virtual void RestoreDefaults();
    void Assign(TColumnFooterEx& source);

private:
    void init();
    void changed(bool all);
    void freeSum();
    const gfx::TFont& defaultFont() const;
    void fontChanged();

    TAlignment alignment_ = taLeftJustify;
    unsigned assigned_ = 0;
    gfx::TColor color_ = gfx::clWindow;
    TColumnEx* column_;
    TColumnFootersEx* collection_ = nullptr;
    bool endEllipsis_ = false;
    QString fieldName_;
    gfx::TFont font_;
    std::uint64_t followedGeneration_ = 0;
    QString value_;
    TFooterValueType valueType_ = fvtNon;
    bool wordWrap_ = false;
    TDBSum* sum_ = nullptr;
};

class TColumnFootersEx {
public:
    explicit TColumnFootersEx(TColumnEx* column) : column_(column) {}
    TColumnEx* Column() const { return column_; }
    TColumnFooterEx* Add();
    int Count() const { return int(items_.size()); }
    TColumnFooterEx* Items(int i) const { return items_.at(size_t(i)).get(); }
    void SetFooter(int i, TColumnFooterEx& f) { items_.at(size_t(i))->Assign(f); }
    void Delete(int i);
    void Clear() { items_.clear(); }
    void Assign(TColumnFootersEx& source);

private:
    TColumnEx* column_;
    std::vector<std::unique_ptr<TColumnFooterEx>> items_;
};
