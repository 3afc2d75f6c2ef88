#pragma once
// The grid's own running-sum producer: one sum per aggregated footer; starts inactive.
#include "grid/DBSumListProducer.h"

class TCustomDBGridEx;

class TDBGridExSumList : public TDBSumListProducer {
public:
    explicit TDBGridExSumList(TCustomDBGridEx* grid) : grid_(grid) { Deactivate(false); }
    TCustomDBGridEx* Grid() const { return grid_; }

private:
    TCustomDBGridEx* grid_;
};
