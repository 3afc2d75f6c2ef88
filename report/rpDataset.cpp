#include "report/rpDataset.h"

TrpDataset::TrpDataset(QObject* parent) : QObject(parent) {}

TrpDataset::~TrpDataset() = default;

void TrpDataset::Init() {}

void TrpDataset::Exit() {}

void TrpDataset::First()
{
    RecNo = 0;
    if (OnFirst)
        OnFirst(this);
}

void TrpDataset::Next()
{
    ++RecNo;
    if (OnNext)
        OnNext(this);
}

bool TrpDataset::Eof()
{
    bool eof = RangeEnd == reCount && RecNo >= RangeEndCount;
    if (OnCheckEOF)
        OnCheckEOF(this, eof);
    return eof;
}
