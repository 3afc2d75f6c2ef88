#pragma once
// A picture object: a bitmap (BMP, or JPEG kept as its own bytes), or a vector picture or icon kept as
// their stored bytes. Stretch, centre and keep-aspect come from Flags.
#include "platform/graphics/Picture.h"
#include "report/rpView.h"

#include <QByteArray>

enum : quint16 { pfStretch = 1, pfCenter = 2, pfKeepAspect = 4 };

class TrpPictureView : public TrpView {
public:
    enum Kind : quint8 { pkNone = 0, pkBitmap = 1, pkMetafile = 2, pkIcon = 3 };

    TrpPictureView();
    QString ClassName() const override { return QStringLiteral("TrpPictureView"); }
    void Assign(const TrpView& from) override;
    void GetBlob(TField* field) override;
    void Draw(gfx::TCanvas* canvas) override;
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;

    // The picture shown; an empty one draws nothing on paper.
    gfx::TPicture Picture;
    // A picture this system does not draw (vector pictures, undecodable data): kept as stored.
    void SetStoredPicture(Kind kind, const QByteArray& bytes);
    Kind StoredKind() const;
    QByteArray StoredBytes() const;
    bool IsEmpty() const;

    // Where the picture goes in DRect (after CalcGaps), by the stretch, centre and aspect flags.
    gfx::TRect TargetRect(int pictureWidth, int pictureHeight) const;

private:
    Kind rawKind_ = pkNone;
    QByteArray rawBytes_;
};
