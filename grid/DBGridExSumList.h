#pragma once
// The grid's own running-sum producer: one sum per aggregated footer; starts inactive.
#include "grid/DBSumListProducer.h"

class TDBGridExSumList : public TDBSumListProducer {
public:
    TDBGridExSumList() { Deactivate(false); }
};
