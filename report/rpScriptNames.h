#pragma once
// The report's script interpreter: the names scripts read and write while a report is built. A name
// is a script variable, FREESPACE, a property of a view ("Memo1.Visible", or a bare property meaning
// the view being printed; on a band view the geometry, flags and visibility of its runtime band), a
// colour name, or else whatever the report's own value look-up makes of it. NEWPAGE and NEWCOLUMN ask
// the band being output for a new page or column.
#include "report/rpInterpretator.h"

class TrpView;

class TInterpretator : public TrpInterpretator {
public:
    using TrpInterpretator::TrpInterpretator;

    void GetValue(const QString& name, QVariant& value) override;
    void SetValue(const QString& name, const QVariant& value) override;
    void DoFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                    QString& value) override;

    // Property names in their order; -1 for a name that is none.
    static int PropertyIndex(const QString& name);
    // A colour by its platform name ("clRed", "clTransparent"); false for any other name.
    static bool ColorByName(const QString& name, qint64& color);

private:
    bool Property(const QString& name, TrpView*& view, int& index) const;
};

// The engine's interpreter (rpInterpretator points to it once the building has set itself up).
TInterpretator& rpTheInterpretator();
