#include "report/designer/rpGEditorForm.h"

#include "platform/controls/MessageBox.h"
#include "platform/graphics/Bitmap.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/rpStrings.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString pictureFilter()
{
    return rpLoadStr(55215) + QStringLiteral(" (*.bmp *.ico *.png *.jpg *.jpeg)|*.bmp;*.ico;*.png;*.jpg;*.jpeg|") +
           rpLoadStr(55220) + QStringLiteral(" (*.*)|*.*");
}

bool startsWith(const QByteArray& bytes, std::initializer_list<int> sign)
{
    if (bytes.size() < qsizetype(sign.size()))
        return false;
    int i = 0;
    for (int b : sign)
        if (uchar(bytes[i++]) != b)
            return false;
    return true;
}

} // namespace

TrpGEditorForm::TrpGEditorForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpGEditorForm"));
    setWindowTitle(rpLoadStr(53460));
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel1->setFixedSize(260, 200);
    Image1 = new QLabel(Bevel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(2, 2, 256, 196);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setScaledContents(true);
    CB1 = new QCheckBox(rpLoadStr(53461), this);
    CB1->setObjectName(QStringLiteral("CB1"));
    CB1->setChecked(true);
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    Button1 = button("Button1", rpLoadStr(55000));
    Button1->setDefault(true);
    Button2 = button("Button2", rpLoadStr(55001));
    Button3 = button("Button3", rpLoadStr(53462));
    Button4 = button("Button4", rpLoadStr(53463));
    Button5 = button("Button5", rpLoadStr(53464));
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] {
        TrpFileDialog OpenDlg;
        OpenDlg.Filter = pictureFilter();
        if (OpenDlg.Execute(this) && !OpenDlg.FileName.isEmpty())
            LoadFile(OpenDlg.FileName);
    });
    connect(Button4, &QPushButton::clicked, this, [this] { Clear(); });
    connect(Button5, &QPushButton::clicked, this, [this] {
        if (OnMemo)
            OnMemo();
    });
    connect(CB1, &QCheckBox::toggled, this, [this] { showPicture(); });

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3, Button4, Button5})
        side->addWidget(b);
    side->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(Bevel1);
    left->addWidget(CB1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TrpGEditorForm::LoadFrom(const TrpPictureView& view)
{
    picture_ = view.Picture;
    storedKind_ = view.Picture.Empty() ? view.StoredKind() : TrpPictureView::pkNone;
    storedBytes_ = storedKind_ != TrpPictureView::pkNone ? view.StoredBytes() : QByteArray();
    showPicture();
}

void TrpGEditorForm::SaveTo(TrpPictureView& view) const
{
    view.SetStoredPicture(storedKind_, storedBytes_);
    if (storedKind_ == TrpPictureView::pkNone)
        view.Picture = picture_;
}

bool TrpGEditorForm::IsEmpty() const
{
    return picture_.Empty() && storedKind_ == TrpPictureView::pkNone;
}

QImage TrpGEditorForm::Image() const
{
    if (!picture_.Empty())
        return picture_.Graphic()->ToImage();
    if (storedKind_ == TrpPictureView::pkIcon)
        return QImage::fromData(storedBytes_, "ICO");
    return QImage();
}

void TrpGEditorForm::Clear()
{
    picture_.Clear();
    storedKind_ = TrpPictureView::pkNone;
    storedBytes_.clear();
    showPicture();
}

bool TrpGEditorForm::LoadFile(const QString& path)
{
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    // The kind is told by the bytes, not by the name.
    gfx::TPicture loaded;
    TrpPictureView::Kind kind = TrpPictureView::pkNone;
    bool ok = false;
    try {
        if (startsWith(bytes, {'B', 'M'}) || startsWith(bytes, {0xFF, 0xD8})) {
            loaded.LoadFromBytes(bytes);
            ok = !loaded.Empty();
        } else if (startsWith(bytes, {0x89, 'P', 'N', 'G'})) {
            const QImage image = QImage::fromData(bytes, "PNG");
            if (!image.isNull()) {
                loaded.SetGraphic(std::make_unique<gfx::TBitmap>(image.convertToFormat(QImage::Format_RGB32)));
                ok = true;
            }
        } else if (startsWith(bytes, {0, 0, 1, 0})) {
            ok = !QImage::fromData(bytes, "ICO").isNull();
            kind = TrpPictureView::pkIcon;
        }
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        ctl::MessageBox(QStringLiteral("\"%1\" is not a picture that can be read (BMP, ICO, PNG or JPEG).")
                            .arg(QFileInfo(path).fileName()),
                        rpLoadStr(53460), ctl::MB_OK | ctl::MB_ICONERROR);
        return false;
    }
    picture_ = kind == TrpPictureView::pkNone ? loaded : gfx::TPicture();
    storedKind_ = kind;
    storedBytes_ = kind == TrpPictureView::pkNone ? QByteArray() : bytes;
    showPicture();
    return true;
}

void TrpGEditorForm::showPicture()
{
    const QImage image = Image();
    Image1->setScaledContents(CB1->isChecked());
    if (image.isNull()) {
        Image1->clear();
        return;
    }
    Image1->setPixmap(QPixmap::fromImage(image));
    if (!CB1->isChecked())
        Image1->resize(std::min(image.width(), 256), std::min(image.height(), 196));
    else
        Image1->resize(256, 196);
}
