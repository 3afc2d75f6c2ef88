#pragma once
// A horizontal or vertical rule: the left or top frame line of a zero-width or zero-height object.
#include "report/rpView.h"

class TrpLineView : public TrpView {
public:
    TrpLineView();
    QString ClassName() const override { return QStringLiteral("TrpLineView"); }
    void Draw(gfx::TCanvas* canvas) override;
    QRegion GetClipRgn(TrpRgnType rgnType) override;
};
