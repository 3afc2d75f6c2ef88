#include "report/rpView.h"

#include "platform/graphics/Canvas.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpReport.h"
#include "report/rpStream.h"

#include <cmath>

namespace {

int nextObjectId = 0;

gfx::TPenStyle penStyleOf(int frameStyle)
{
    switch (frameStyle) {
    case 1: return gfx::psDash;
    case 2: return gfx::psDot;
    case 3: return gfx::psDashDot;
    case 4: return gfx::psDashDotDot;
    default: return gfx::psSolid;
    }
}

} // namespace

qint32 rpFrameWidthToStream(double width)
{
    // A whole width above 10 would read back as thousandths: it is stored as thousandths too.
    if (width == std::floor(width) && std::fabs(width) <= 10)
        return qint32(width);
    return qint32(rpRound(width * 1000));
}

double rpFrameWidthFromStream(qint32 stored)
{
    return stored > 10 ? stored / 1000.0 : double(stored);
}

TrpView::TrpView() : ID(nextObjectId++)
{
    const int sep = rtl::byteOf(rtl::CodePage::Cp1251, rtl::formatSettings().DecimalSeparator.unicode());
    Format = 512 + (sep < 0 ? '.' : sep);
}

TrpView::~TrpView()
{
    if (CurView == this)
        CurView = nullptr;
}

void TrpView::Assign(const TrpView& from)
{
    Name = from.Name;
    Typ = from.Typ;
    Selected = from.Selected;
    x = from.x;
    y = from.y;
    dx = from.dx;
    dy = from.dy;
    Flags = from.Flags;
    FrameTyp = from.FrameTyp;
    FrameWidth = from.FrameWidth;
    FrameColor = from.FrameColor;
    FrameStyle = from.FrameStyle;
    FillColor = from.FillColor;
    Format = from.Format;
    FormatStr = from.FormatStr;
    Visible = from.Visible;
    Memo = from.Memo;
    Script = from.Script;
}

void TrpView::SetBounds(int left, int top, int width, int height)
{
    x = left;
    y = top;
    dx = width;
    dy = height;
}

void TrpView::CreateUniqueName()
{
    Name.clear();
    for (int i = 1; i <= rplimits::UniqueNameTries; ++i) {
        const QString candidate = BaseName + QString::number(i);
        if (!CurReport || !CurReport->FindObject(candidate)) {
            Name = candidate;
            return;
        }
    }
}

void TrpView::CalcGaps()
{
    SaveX = x;
    SaveY = y;
    SaveDX = dx;
    SaveDY = dy;
    SaveFW = FrameWidth;
    if (DocMode == dmDesigning) {
        ScaleX = ScaleY = 1.0;
        OffsX = OffsY = 0;
    }
    x = rpRound(x * ScaleX) + OffsX;
    y = rpRound(y * ScaleY) + OffsY;
    dx = rpRound(dx * ScaleX);
    dy = rpRound(dy * ScaleY);
    const double w = FrameWidth;
    const int bx = rpRound((w * ScaleX - 1) / 2);
    const int bx1 = rpRound(w * ScaleX / 2);
    const int by = rpRound((w * ScaleY - 1) / 2);
    const int by1 = rpRound(w * ScaleY / 2);
    FrameWidth = w * ScaleX;
    GapX = bx1 + 2;
    GapY = by1 / 2 + 1;
    DRect.Left = x + ((FrameTyp & frLeft) ? bx : 0);
    DRect.Top = y + ((FrameTyp & frTop) ? by : 0);
    DRect.Right = ScaledRight() - ((FrameTyp & frRight) ? bx1 : 0) + 1;
    DRect.Bottom = ScaledBottom() - ((FrameTyp & frBottom) ? by1 : 0) + 1;
}

void TrpView::RestoreCoord()
{
    x = SaveX;
    y = SaveY;
    dx = SaveDX;
    dy = SaveDY;
    FrameWidth = SaveFW;
}

int TrpView::ScaledRight() const
{
    return rpRound((SaveX + SaveDX) * ScaleX + OffsX);
}

int TrpView::ScaledBottom() const
{
    return rpRound((SaveY + SaveDY) * ScaleY + OffsY);
}

void TrpView::ShowBackGround()
{
    if (DisableDrawing || !Canvas)
        return;
    if (DocMode == dmPrinting && FillColor == gfx::clNone)
        return;
    Canvas->Brush().SetStyle(gfx::bsSolid);
    Canvas->Brush().SetColor(FillColor == gfx::clNone ? gfx::clWhite : FillColor);
    if (DocMode == dmDesigning)
        Canvas->FillRect(DRect);
    else
        Canvas->FillRect(gfx::Rect(x, y, ScaledRight(), ScaledBottom()));
}

void TrpView::DrawFrameLine(int x1, int y1, int x2, int y2, bool vertical)
{
    gfx::TCanvas& c = *Canvas;
    const int w = c.Pen().Width();
    if (FrameStyle == rpDoubleFrame) {
        const int shift = rpRound(FrameWidth);
        const int sx = vertical ? shift : 0;
        const int sy = vertical ? 0 : shift;
        c.Pen().SetColor(FrameColor);
        c.MoveTo(x1 - sx, y1 - sy);
        c.LineTo(x2 - sx, y2 - sy);
        c.MoveTo(x1 + sx, y1 + sy);
        c.LineTo(x2 + sx, y2 + sy);
        c.Pen().SetColor(FillColor == gfx::clNone ? gfx::clWhite : FillColor);
        c.MoveTo(x1, y1);
        c.LineTo(x2, y2);
        c.Pen().SetColor(FrameColor);
        return;
    }
    if (FrameStyle != 0 && FrameStyle < rpDoubleFrame) {
        // A styled line is one pixel wide on the device: a wide one is drawn as parallel lines.
        c.Brush().SetColor(FillColor);
        c.Pen().SetWidth(1);
        for (int i = -(w / 2); i <= w - 1 - (w / 2); ++i) {
            const int ox = vertical ? i : 0;
            const int oy = vertical ? 0 : i;
            c.MoveTo(x1 + ox, y1 + oy);
            c.LineTo(x2 + ox, y2 + oy);
        }
        c.Pen().SetWidth(w);
        return;
    }
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
}

void TrpView::ShowFrame()
{
    if (DisableDrawing || !Canvas)
        return;
    if (DocMode == dmPrinting && (FrameTyp & frAll) == 0)
        return;
    gfx::TCanvas& c = *Canvas;
    c.Brush().SetStyle(gfx::bsClear);
    c.Pen().SetStyle(gfx::psSolid);
    if (DocMode == dmDesigning && dx >= 1 && dy >= 1) {
        c.Pen().SetColor(gfx::clBlack);
        c.Pen().SetWidth(1);
        auto stroke = [&c](int ax, int ay, int bx, int by) {
            c.MoveTo(ax, ay);
            c.LineTo(bx, by);
        };
        stroke(x, y + 3, x, y);
        stroke(x, y, x + 4, y);
        stroke(x, y + dy - 3, x, y + dy);
        stroke(x, y + dy, x + 4, y + dy);
        stroke(x + dx - 3, y, x + dx, y);
        stroke(x + dx, y, x + dx, y + 4);
        stroke(x + dx - 3, y + dy, x + dx, y + dy);
        stroke(x + dx, y + dy, x + dx, y + dy - 4);
    }
    c.Pen().SetColor(FrameColor);
    c.Pen().SetWidth(rpRound(FrameWidth));
    if (FrameStyle != rpDoubleFrame)
        c.Pen().SetStyle(penStyleOf(FrameStyle));
    const int right = ScaledRight();
    const int bottom = ScaledBottom();
    if ((FrameTyp & frAll) == frAll && FrameStyle == 0) {
        c.Rectangle(x, y, right + 1, bottom + 1);
        return;
    }
    if (FrameTyp & frRight)
        DrawFrameLine(right, y, right, bottom, true);
    if (FrameTyp & frLeft)
        DrawFrameLine(x, y, x, bottom, true);
    if (FrameTyp & frBottom)
        DrawFrameLine(x, bottom, right, bottom, false);
    if (FrameTyp & frTop)
        DrawFrameLine(x, y, right, y, false);
}

void TrpView::BeginDraw(gfx::TCanvas* canvas)
{
    Canvas = canvas;
    CurView = this;
}

void TrpView::GetBlob(TField*) {}

void TrpView::OnHook(TrpView*) {}

void TrpView::Resized() {}

void TrpView::Print(QIODevice& stream)
{
    BeginDraw(Canvas);
    Memo1 = Memo;
    if (CurReport)
        CurReport->InternalOnEnterRect(Memo1, this);
    if (rpInterpretator)
        rpInterpretator->DoScript(Script);
    if (!Visible)
        return;
    rpWriteByte(stream, Typ);
    if (Typ == gtAddIn)
        rpWriteString(stream, ClassName());
    SaveToStream(stream);
}

void TrpView::ExportData()
{
    if (CurReport)
        CurReport->InternalOnExportData(this);
}

void TrpView::LoadFromStream(QIODevice& s)
{
    if (StreamMode == smDesigning) {
        if (rpVersion >= 23)
            Name = rpReadString(s);
        else
            CreateUniqueName();
    }
    x = rpReadInt(s);
    y = rpReadInt(s);
    dx = rpReadInt(s);
    dy = rpReadInt(s);
    if (!rpSaneCoordinate(x) || !rpSaneCoordinate(y) || !rpSaneCoordinate(dx) || !rpSaneCoordinate(dy))
        throw ErpStreamError("Object bounds out of range");
    Flags = rpReadWord(s);
    FrameTyp = rpReadWord(s);
    const qint32 frameWidth = rpReadInt(s);
    if (frameWidth < 0 || frameWidth > rplimits::FrameWidth)
        throw ErpStreamError("Frame width out of range");
    FrameWidth = rpFrameWidthFromStream(frameWidth);
    FrameColor = rpReadInt(s);
    FrameStyle = rpReadWord(s);
    FillColor = rpReadInt(s);
    if (StreamMode == smDesigning) {
        Format = rpReadInt(s);
        FormatStr = rpReadStringV(s);
        rpReadMemoV(s, Memo);
        if (rpVersion >= 23) {
            rpReadMemo(s, Script);
            Visible = rpReadBool(s);
        }
    } else {
        rpReadMemoV(s, Memo);
    }
}

void TrpView::SaveToStream(QIODevice& s)
{
    if (StreamMode == smDesigning)
        rpWriteString(s, Name);
    rpWriteInt(s, x);
    rpWriteInt(s, y);
    rpWriteInt(s, dx);
    rpWriteInt(s, dy);
    rpWriteWord(s, Flags);
    rpWriteWord(s, FrameTyp);
    rpWriteInt(s, rpFrameWidthToStream(FrameWidth));
    rpWriteInt(s, FrameColor);
    rpWriteWord(s, FrameStyle);
    rpWriteInt(s, FillColor);
    if (StreamMode == smDesigning) {
        rpWriteInt(s, Format);
        rpWriteString(s, FormatStr);
        rpWriteMemo(s, Memo);
        rpWriteMemo(s, Script);
        rpWriteBool(s, Visible);
    } else {
        rpWriteMemo(s, Memo1);
    }
}

QRegion TrpView::GetClipRgn(TrpRgnType rgnType)
{
    const double w = FrameWidth;
    int outer = rpRound(w / 2);
    int inner = rpRound((w - 1) / 2);
    if (FrameStyle == rpDoubleFrame) {
        outer = rpRound(w * 1.5);
        inner = rpRound((w - 1) / 2 + w);
    }
    int l = x - ((FrameTyp & frLeft) ? outer : 0);
    int t = y - ((FrameTyp & frTop) ? outer : 0);
    int r = x + dx + 1 + ((FrameTyp & frRight) ? inner : 0);
    int b = y + dy + 1 + ((FrameTyp & frBottom) ? inner : 0);
    if (rgnType == rtExtended) {
        l -= 10;
        t -= 10;
        r += 10;
        b += 10;
    }
    return QRegion(gfx::Rect(l, t, r, b).toQRect());
}
