#include "grid/ColumnFooterEx.h"
#include "grid/FollowedFont.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "platform/data/Field.h"

TColumnFooterEx::TColumnFooterEx(TColumnEx* column) : column_(column) { init(); }

TColumnFooterEx::TColumnFooterEx(TColumnFootersEx* collection) : column_(collection->Column()), collection_(collection)
{
    init();
    if (TCustomDBGridEx* g = column_ ? column_->Grid() : nullptr)
        g->InvalidateFooter();
}

void TColumnFooterEx::init()
{
    font_.OnChange = [this] { fontChanged(); };
}

TColumnFooterEx::~TColumnFooterEx()
{
    if (collection_ && column_)
        if (TCustomDBGridEx* g = column_->Grid())
            g->InvalidateFooter();
    font_.OnChange = nullptr;
    freeSum();
}

void TColumnFooterEx::freeSum()
{
    if (!sum_)
        return;
    TDBSum* s = sum_;
    sum_ = nullptr;
    if (TCustomDBGridEx* g = column_ ? column_->Grid() : nullptr)
        g->SumList().SumCollection().Remove(s);
}

void TColumnFooterEx::changed(bool all)
{
    if (column_)
        column_->Changed(all);
}

TAlignment TColumnFooterEx::Alignment() const
{
    if (has(assigned_, cvFooterAlignment))
        return alignment_;
    TField* f = column_ ? column_->GetField() : nullptr;
    return f ? f->Alignment() : taLeftJustify;
}

void TColumnFooterEx::SetAlignment(TAlignment a)
{
    if (has(assigned_, cvFooterAlignment) && a == alignment_)
        return;
    alignment_ = a;
    assigned_ |= bit(cvFooterAlignment);
    changed(false);
}

gfx::TColor TColumnFooterEx::Color() const
{
    if (has(assigned_, cvFooterColor))
        return color_;
    TCustomDBGridEx* g = column_ ? column_->Grid() : nullptr;
    return g ? g->FooterColor() : gfx::clWindow;
}

void TColumnFooterEx::SetColor(gfx::TColor c)
{
    if (has(assigned_, cvFooterColor) && c == color_)
        return;
    color_ = c;
    assigned_ |= bit(cvFooterColor);
    changed(false);
}

const gfx::TFont& TColumnFooterEx::defaultFont() const
{
    TCustomDBGridEx* g = column_ ? column_->Grid() : nullptr;
    if (g)
        return g->FooterFont();
    return column_->Font();
}

gfx::TFont& TColumnFooterEx::Font()
{
    if (!has(assigned_, cvFooterFont) && column_) {
        gridfont::Follow(font_, defaultFont(), followedGeneration_);
    }
    return font_;
}

void TColumnFooterEx::SetFont(const gfx::TFont& f) { font_.Assign(f); }

void TColumnFooterEx::fontChanged()
{
    assigned_ |= bit(cvFooterFont);
    changed(true);
}

void TColumnFooterEx::SetEndEllipsis(bool v) { endEllipsis_ = v; changed(false); }
void TColumnFooterEx::SetWordWrap(bool v) { wordWrap_ = v; changed(false); }
void TColumnFooterEx::SetValue(const QString& v) { value_ = v; changed(false); }

void TColumnFooterEx::SetFieldName(const QString& name)
{
    fieldName_ = name;
    if (column_)
        column_->EnsureSumValue();
    changed(false);
}

void TColumnFooterEx::SetValueType(TFooterValueType t)
{
    if (t == valueType_)
        return;
    valueType_ = t;
    if (column_)
        column_->EnsureSumValue();
    changed(false);
}

void TColumnFooterEx::EnsureSumValue()
{
    TCustomDBGridEx* g = column_ ? column_->Grid() : nullptr;
    if (!g)
        return;
    const bool aggregate = valueType_ == fvtSum || valueType_ == fvtAvg || valueType_ == fvtCount;
    if (!sum_ && !aggregate)
        return;
    if (sum_ && !aggregate) {
        freeSum();
        return;
    }
    TDBSumCollection& sums = g->SumList().SumCollection();
    sums.BeginUpdate();
    if (!sum_)
        sum_ = sums.Add();
    if (valueType_ == fvtCount) {
        sum_->SetGroupOperation(goCount);
        sum_->SetFieldName(QString());
    } else {
        sum_->SetGroupOperation(valueType_ == fvtSum ? goSum : goAvg);
        sum_->SetFieldName(fieldName_.isEmpty() ? column_->FieldName() : fieldName_);
    }
    sums.EndUpdate();
}

void TColumnFooterEx::RestoreDefaults()
{
    const bool fontWasAssigned = has(assigned_, cvFooterFont);
    assigned_ = 0;
    followedGeneration_ = 0;
    Font();
    changed(fontWasAssigned);
}

void TColumnFooterEx::Assign(TColumnFooterEx& source)
{
    if (has(assigned_, cvFooterAlignment))
        SetAlignment(source.Alignment());
    if (has(assigned_, cvFooterColor))
        SetColor(source.Color());
    if (has(assigned_, cvFooterFont))
        SetFont(source.Font());
    SetEndEllipsis(source.EndEllipsis());
    SetValueType(source.ValueType());
    SetFieldName(source.FieldName());
    SetValue(source.Value());
    SetWordWrap(source.WordWrap());
}

TColumnFooterEx* TColumnFootersEx::Add()
{
    items_.push_back(std::make_unique<TColumnFooterEx>(this));
    return items_.back().get();
}

void TColumnFootersEx::Delete(int i)
{
    items_.erase(items_.begin() + i);
}

void TColumnFootersEx::Assign(TColumnFootersEx& source)
{
    items_.clear();
    for (int i = 0; i < source.Count(); ++i)
        Add()->Assign(*source.Items(i));
}
