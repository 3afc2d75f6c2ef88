#pragma once
// The runtime band's data: what values, aggregates and objects read of the band being output. The
// band's output (measuring, breaking, drawing) belongs to the report building and is added there.
#include "report/rpBandType.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class TrpPage;
class TrpView;
class TrpDataset;

enum TrpDataSetPosition { psLocal = 0, psGlobal = 1 };

class TrpBand {
public:
    virtual ~TrpBand() = default;

    TrpPage* Parent = nullptr;
    TrpView* View = nullptr; // the design band view it was made from
    quint16 Flags = 0;
    TrpBand* Next = nullptr;
    TrpBand* Prev = nullptr;
    int RecordNo[2] = {1, 1}; // within the group, overall
    QVariant LastGroupValue;
    TrpBand* Header = nullptr;
    TrpBand* Footer = nullptr;
    TrpBand* LastBand = nullptr;
    // The band of the enclosing data level (LINE# counts there when this band has no data set).
    TrpBand* Outer = nullptr;
    // Aggregate accumulators "key=" + flag character + value.
    QStringList Values;
    int AggregateCount = 0;
    bool Repeating = false;
    int x = 0, y = 0, dx = 0, dy = 0;
    TrpBandType Typ = btNone;
    bool Visible = true; // false while a footer only accumulates
    TrpDataset* DataSet = nullptr;
    QList<TrpView*> Objects;
    QStringList Memo;
    QStringList Script;
    // While columns are counted in aggregates: the current column number (cross footers use "00").
    bool CountColumns = false;
    int ColumnNo = 0;

    // The name of the band's view (empty without one).
    QString Name() const;
};
