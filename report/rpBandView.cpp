#include "report/rpBandView.h"

#include "platform/graphics/Canvas.h"
#include "report/rpPage.h"

const QImage& rpBandBrushBitmap()
{
    static const QImage image = [] {
        QImage img(8, 8, QImage::Format_RGB32);
        for (int yy = 0; yy < 8; ++yy)
            for (int xx = 0; xx < 8; ++xx)
                img.setPixelColor(xx, yy, gfx::ToQColor((xx + yy) % 2 ? gfx::clSilver : gfx::clWhite));
        return img;
    }();
    return image;
}

TrpBandView::TrpBandView()
{
    Typ = gtBand;
    BaseName = QStringLiteral("Band");
    Flags = bfPrintOnFirstPage | bfPrintOnLastPage;
    Format = 0;
}

bool TrpBandView::IsCross() const
{
    const int t = GetBandType();
    return t >= btCrossHeader && t <= btCrossFooter;
}

void TrpBandView::Draw(gfx::TCanvas* canvas)
{
    BeginDraw(canvas);
    FrameWidth = 1;
    if (IsCross()) {
        y = 0;
        dy = CurPage ? CurPage->PrnInfo.Pgh : dy;
    } else {
        x = 0;
        dx = CurPage ? CurPage->PrnInfo.Pgw : dx;
    }
    CalcGaps();
    if (!DisableDrawing) {
        gfx::TCanvas& c = *canvas;
        c.Brush().SetBitmap(rpBandBrushBitmap());
        c.FillRect(DRect);
        c.Brush().SetBitmap(QImage());
        c.Font().Assign(gfx::TFont(QStringLiteral("Arial"), 8, 0, gfx::clBlack));
        c.Pen().SetWidth(1);
        c.Pen().SetColor(gfx::clBtnFace);
        c.Pen().SetStyle(gfx::psSolid);
        c.Brush().SetStyle(gfx::bsClear);
        c.Rectangle(x, y, x + dx + 1, y + dy + 1);
        const QString name = rpBandName(GetBandType());
        c.Brush().SetStyle(gfx::bsSolid);
        c.Brush().SetColor(gfx::clBtnFace);
        if (ShowBandTitles) {
            if (!IsCross()) {
                c.FillRect(gfx::Rect(x, y - 18, x + 100, y));
                c.Pen().SetColor(gfx::clBtnShadow);
                c.MoveTo(x + 98, y - 18);
                c.LineTo(x + 98, y);
                c.Pen().SetColor(gfx::clBlack);
                c.MoveTo(x + 99, y - 18);
                c.LineTo(x + 99, y);
                c.TextOut(x + 4, y - 17, name);
            } else {
                c.FillRect(gfx::Rect(x - 18, y, x, y + 100));
                c.Pen().SetColor(gfx::clBtnShadow);
                c.MoveTo(x - 18, y + 98);
                c.LineTo(x, y + 98);
                c.Pen().SetColor(gfx::clBlack);
                c.MoveTo(x - 18, y + 99);
                c.LineTo(x, y + 99);
                c.Pen().SetColor(gfx::clBtnHighlight);
                c.MoveTo(x - 18, y + 100);
                c.LineTo(x - 18, y);
                c.Font().SetOrientation(900);
                c.TextOut(x - 15, y + 94, name);
            }
        } else {
            c.Brush().SetStyle(gfx::bsClear);
            if (!IsCross()) {
                c.TextOut(x + 4, y + 2, name);
            } else {
                c.Font().SetOrientation(900);
                c.TextOut(x + 2, y + 94, name);
            }
        }
    }
    RestoreCoord();
}

QRegion TrpBandView::GetClipRgn(TrpRgnType rgnType)
{
    if (!ShowBandTitles)
        return TrpView::GetClipRgn(rgnType);
    const int e = rgnType == rtExtended ? 10 : 0;
    QRegion band(gfx::Rect(x - e, y - e, x + dx + 1 + e, y + dy + 1 + e).toQRect());
    const gfx::TRect tab = IsCross() ? gfx::Rect(x - 18, y, x, y + 100) : gfx::Rect(x, y - 18, x + 100, y);
    return band.united(QRegion(tab.toQRect()));
}
