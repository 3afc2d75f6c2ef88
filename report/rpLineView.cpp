#include "report/rpLineView.h"

TrpLineView::TrpLineView()
{
    Typ = gtLine;
    BaseName = QStringLiteral("Line");
    FrameTyp = frLeft;
}

void TrpLineView::Draw(gfx::TCanvas* canvas)
{
    BeginDraw(canvas);
    if (dx <= dy) {
        dx = 0;
        FrameTyp = frLeft;
    } else {
        dy = 0;
        FrameTyp = frTop;
    }
    CalcGaps();
    ShowFrame();
    RestoreCoord();
}

QRegion TrpLineView::GetClipRgn(TrpRgnType rgnType)
{
    const int across = FrameStyle == rpDoubleFrame ? rpRound(FrameWidth * 1.5) : rpRound(FrameWidth / 2);
    int l = x, t = y, r = x + dx + 1, b = y + dy + 1;
    if (dx <= dy) {
        l -= across;
        r += across;
    } else {
        t -= across;
        b += across;
    }
    if (rgnType == rtExtended) {
        l -= 10;
        t -= 10;
        r += 10;
        b += 10;
    }
    return QRegion(gfx::Rect(l, t, r, b).toQRect());
}
