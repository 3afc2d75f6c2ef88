#include "report/rpSubReportView.h"

#include "platform/graphics/Canvas.h"
#include "report/rpStream.h"
#include "report/rpStrings.h"

TrpSubReportView::TrpSubReportView()
{
    Typ = gtSubReport;
    BaseName = QStringLiteral("SubReport");
}

void TrpSubReportView::Assign(const TrpView& from)
{
    TrpView::Assign(from);
    if (auto* s = dynamic_cast<const TrpSubReportView*>(&from))
        SubPage = s->SubPage;
}

void TrpSubReportView::Draw(gfx::TCanvas* canvas)
{
    BeginDraw(canvas);
    FrameWidth = 1;
    CalcGaps();
    if (!DisableDrawing) {
        gfx::TCanvas& c = *canvas;
        c.Font().Assign(gfx::TFont(QStringLiteral("Arial"), 8, 0, gfx::clBlack));
        c.Font().SetCharset(gfx::TFontCharset(rpCharset));
        c.Pen().SetColor(gfx::clBlack);
        c.Pen().SetWidth(1);
        c.Pen().SetStyle(gfx::psSolid);
        c.Brush().SetStyle(gfx::bsSolid);
        c.Brush().SetColor(gfx::clWhite);
        c.Rectangle(x, y, x + dx + 1, y + dy + 1);
        c.TextRect(DRect, x + 2, y + 2, rpLoadStr(55226) + QLatin1Char(' ') + QString::number(SubPage + 1));
    }
    RestoreCoord();
}

void TrpSubReportView::LoadFromStream(QIODevice& s)
{
    TrpView::LoadFromStream(s);
    SubPage = rpReadInt(s);
}

void TrpSubReportView::SaveToStream(QIODevice& s)
{
    TrpView::SaveToStream(s);
    rpWriteInt(s, SubPage);
}
