#include "report/rpPictureView.h"

#include "platform/data/Field.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "report/rpStream.h"
#include "report/rpStrings.h"

#include <QImage>

TrpPictureView::TrpPictureView()
{
    Typ = gtPicture;
    BaseName = QStringLiteral("Picture");
    Flags = pfStretch | pfKeepAspect;
}

void TrpPictureView::Assign(const TrpView& from)
{
    TrpView::Assign(from);
    if (auto* p = dynamic_cast<const TrpPictureView*>(&from)) {
        Picture.Assign(p->Picture);
        rawKind_ = p->rawKind_;
        rawBytes_ = p->rawBytes_;
    }
}

void TrpPictureView::SetStoredPicture(Kind kind, const QByteArray& bytes)
{
    Picture.Clear();
    rawKind_ = kind;
    rawBytes_ = bytes;
}

TrpPictureView::Kind TrpPictureView::StoredKind() const
{
    if (Picture.Graphic() && !Picture.Empty())
        return pkBitmap;
    return rawKind_;
}

QByteArray TrpPictureView::StoredBytes() const
{
    if (Picture.Graphic() && !Picture.Empty())
        return Picture.SaveToBytes();
    return rawBytes_;
}

bool TrpPictureView::IsEmpty() const
{
    return Picture.Empty() && rawKind_ == pkNone;
}

void TrpPictureView::GetBlob(TField* field)
{
    SetStoredPicture(pkNone, QByteArray());
    if (!field || field->IsNull())
        return;
    try {
        Picture.LoadFromBytes(field->Value().toByteArray());
    } catch (const std::exception&) {
        Picture.Clear();
    }
}

void TrpPictureView::LoadFromStream(QIODevice& s)
{
    TrpView::LoadFromStream(s);
    const quint8 kind = rpReadByte(s);
    const qint32 end = rpReadInt(s);
    if (kind > pkIcon)
        throw ErpStreamError("Unknown picture kind");
    SetStoredPicture(pkNone, QByteArray());
    if (kind == pkNone) {
        if (end < s.pos() || end > s.size())
            throw ErpStreamError("Picture end outside the stream");
        s.seek(end);
        return;
    }
    if (end < s.pos() || end > s.size())
        throw ErpStreamError("Picture end outside the stream");
    const QByteArray bytes = rpReadBytes(s, end - s.pos());
    if (kind == pkBitmap) {
        try {
            Picture.LoadFromBytes(bytes);
            return;
        } catch (const std::exception&) {
            // Kept as stored, so that saving gives the same bytes back.
        }
    }
    rawKind_ = Kind(kind);
    rawBytes_ = bytes;
}

void TrpPictureView::SaveToStream(QIODevice& s)
{
    TrpView::SaveToStream(s);
    const Kind kind = StoredKind();
    rpWriteByte(s, kind);
    const qint64 patch = s.pos();
    rpWriteInt(s, 0);
    if (kind != pkNone)
        rpWriteBytes(s, StoredBytes());
    const qint64 end = s.pos();
    s.seek(patch);
    rpWriteInt(s, qint32(end));
    s.seek(end);
}

gfx::TRect TrpPictureView::TargetRect(int pw, int ph) const
{
    gfx::TRect r = DRect;
    if (!(Flags & pfStretch)) {
        r = gfx::Bounds(DRect.Left, DRect.Top, pw, ph);
        if (Flags & pfCenter)
            gfx::OffsetRect(r, (DRect.Width() - pw) / 2, (DRect.Height() - ph) / 2);
        return r;
    }
    if ((Flags & pfKeepAspect) && pw > 0 && ph > 0) {
        const double kx = double(dx) / pw;
        const double ky = double(dy) / ph;
        if (kx < ky)
            r.Bottom = r.Top + rpRound(ph * kx);
        else
            r.Right = r.Left + rpRound(pw * ky);
        if (Flags & pfCenter)
            gfx::OffsetRect(r, (DRect.Width() - r.Width()) / 2, (DRect.Height() - r.Height()) / 2);
    }
    return r;
}

void TrpPictureView::Draw(gfx::TCanvas* canvas)
{
    BeginDraw(canvas);
    CalcGaps();
    ShowBackGround();
    if (!DisableDrawing) {
        QImage icon;
        if (Picture.Empty() && rawKind_ == pkIcon)
            icon = QImage::fromData(rawBytes_, "ICO");
        const gfx::TGraphic* graphic = Picture.Empty() ? nullptr : Picture.Graphic();
        if (graphic) {
            canvas->StretchDraw(TargetRect(graphic->Width(), graphic->Height()), *graphic);
        } else if (!icon.isNull()) {
            canvas->DrawImage(TargetRect(icon.width(), icon.height()), icon);
        } else if (DocMode == dmDesigning) {
            canvas->Font().Assign(gfx::TFont(QStringLiteral("Arial"), 8, 0, gfx::clBlack));
            canvas->Brush().SetStyle(gfx::bsClear);
            canvas->TextOut(x + 2, y + 2, rpLoadStr(55227));
        }
    }
    ShowFrame();
    RestoreCoord();
}
