#include "grid/DBSum.h"
#include "grid/DBSumListProducer.h"
#include <algorithm>
#include <cmath>

std::int64_t TDBSum::ToFixed(double value)
{
    return std::int64_t(std::nearbyint(value * 10000.0));
}

void TDBSum::SetFieldName(const QString& name)
{
    if (name == fieldName_)
        return;
    fieldName_ = name;
    owner_->Update();
}

void TDBSum::SetGroupOperation(TGroupOperation op)
{
    if (op == op_)
        return;
    op_ = op;
    owner_->Update();
}

TDBSum* TDBSumCollection::Add()
{
    items_.push_back(std::unique_ptr<TDBSum>(new TDBSum(this)));
    Update();
    return items_.back().get();
}

void TDBSumCollection::Remove(TDBSum* sum)
{
    auto it = std::find_if(items_.begin(), items_.end(), [sum](const auto& p) { return p.get() == sum; });
    if (it == items_.end())
        return;
    items_.erase(it);
    Update();
}

void TDBSumCollection::Clear()
{
    items_.clear();
    Update();
}

TDBSum* TDBSumCollection::GetSumByOpAndFName(TGroupOperation op, const QString& name) const
{
    for (const auto& s : items_)
        if (s->op_ == op && s->fieldName_.compare(name, Qt::CaseInsensitive) == 0)
            return s.get();
    return nullptr;
}

void TDBSumCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        Update();
}

void TDBSumCollection::Update()
{
    if (updateCount_ == 0 && producer_)
        producer_->RecalcAll();
}
