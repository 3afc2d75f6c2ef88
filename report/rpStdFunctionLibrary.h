#pragma once
// The engine's own functions: aggregates over a data set or a band (SUM, MIN, MAX, AVG, COUNT), date,
// number and text conversions, and an input prompt. Results are expression texts that the parser reads
// again: texts come back in single quotes.
#include "report/rpFunctionLibrary.h"

#include <functional>

enum TrpAggregateKind { akSum = 1, akMin = 2, akMax = 3, akAvg = 4, akCount = 5 };

class TrpStdFunctionLibrary : public TrpFunctionLibrary {
public:
    TrpStdFunctionLibrary();
    void DoFunction(int fNo, const QVariant& p1, const QVariant& p2, const QVariant& p3, QString& value) override;

private:
    void aggregate(TrpAggregateKind kind, const QString& fName, const QString& p1, const QString& p2,
                   const QString& p3, QString& value);
};

// The prompt of INPUT, a modal input box: caption, prompt and default in, the text typed out; false when
// cancelled.
bool rpInputQuery(const QString& caption, const QString& prompt, QString& value);
