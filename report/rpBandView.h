#pragma once
// Marks the strip of a design page that becomes a band when the report is built; the band type is kept
// in the low 7 bits of FrameTyp. Shown in the designer only.
#include "report/rpBandType.h"
#include "report/rpView.h"

#include <QImage>

class TrpBandView : public TrpView {
public:
    TrpBandView();
    QString ClassName() const override { return QStringLiteral("TrpBandView"); }
    int GetBandType() const { return FrameTyp & 0xFF; }
    void SetBandType(int t) { FrameTyp = quint16(t & 127); }
    bool IsCross() const;
    void Draw(gfx::TCanvas* canvas) override;
    QRegion GetClipRgn(TrpRgnType rgnType) override;
};

// The 8 x 8 checkerboard of band views (white and silver pixels alternating).
const QImage& rpBandBrushBitmap();
