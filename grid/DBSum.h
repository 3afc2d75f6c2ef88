#pragma once
// One running aggregate (sum, average or count) of a field over a data set, held in fixed point: a
// signed 64-bit integer of the value times 10,000, so that additions and subtractions never drift.
#include "grid/DBGridExTypes.h"
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TDBSumListProducer;

class TDBSum {
public:
    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    TGroupOperation GroupOperation() const { return op_; }
    void SetGroupOperation(TGroupOperation op);
    std::int64_t SumValue() const { return sumValue_; }
    void SetSumValue(std::int64_t v) { sumValue_ = v; }
    // The aggregate as a number (SumValue / 10,000).
    double Value() const { return double(sumValue_) / 10000.0; }

    // value × 10,000 rounded to the nearest integer, halves to the even neighbour.
    static std::int64_t ToFixed(double value);

private:
    friend class TDBSumListProducer;
    friend class TDBSumCollection;
    explicit TDBSum(class TDBSumCollection* owner) : owner_(owner) {}
    TDBSumCollection* owner_;
    QString fieldName_;
    TGroupOperation op_ = goSum;
    std::int64_t oldContribution_ = 0;
    int count_ = 0;
    std::int64_t total_ = 0;
    QVariant oldValue_;
    std::int64_t sumValue_ = 0;
};

class TDBSumCollection {
public:
    explicit TDBSumCollection(TDBSumListProducer* producer) : producer_(producer) {}
    TDBSum* Add();
    void Remove(TDBSum* sum);
    void Clear();
    int Count() const { return int(items_.size()); }
    TDBSum* Items(int i) const { return items_.at(size_t(i)).get(); }
    TDBSum* GetSumByOpAndFName(TGroupOperation op, const QString& name) const;
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // A change of an item: the producer recalculates (not while an update is open).
    void Update();

private:
    TDBSumListProducer* producer_;
    std::vector<std::unique_ptr<TDBSum>> items_;
    int updateCount_ = 0;
};
