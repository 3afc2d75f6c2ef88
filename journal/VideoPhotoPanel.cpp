#include "journal/VideoPhotoPanel.h"

#include "core/CriticalSection.h"
#include "journal/VideoCapture.h"
#include "platform/ipc/ClientIPC.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

constexpr int kPictureWidth = 240;
constexpr int kPictureHeight = 320;
constexpr int kButtonHeight = 26;
constexpr int kZoomSide = 22;

} // namespace

void TVideoPaintBox::paintEvent(QPaintEvent*)
{
    if (OnPaint)
        OnPaint();
}

void TVideoPaintBox::mousePressEvent(QMouseEvent* e)
{
    if (OnMouseDown)
        OnMouseDown(e);
}

void TVideoPaintBox::mouseMoveEvent(QMouseEvent* e)
{
    if (OnMouseMove)
        OnMouseMove(e);
}

void TVideoPaintBox::mouseReleaseEvent(QMouseEvent* e)
{
    if (OnMouseUp)
        OnMouseUp(e);
}

void TVideoPaintBox::contextMenuEvent(QContextMenuEvent* e)
{
    if (OnPopup)
        OnPopup(e->globalPos());
}

TVideoPhotoPanel::TVideoPhotoPanel(critsection_t& photoLock, QWidget* parent)
    : QWidget(parent), photoLock_(photoLock)
{
    setObjectName(QStringLiteral("pnVideoFix"));
    setFixedSize(kPictureWidth, kPictureHeight + 6 + kButtonHeight);
    const QRect picture(0, 0, kPictureWidth, kPictureHeight);

    imSavePhoto = new QLabel(this);
    imSavePhoto->setObjectName(QStringLiteral("imSavePhoto"));
    imSavePhoto->setAlignment(Qt::AlignCenter);
    imSavePhoto->setGeometry(picture);

    pbVideoPhoto = new TVideoPaintBox(this);
    pbVideoPhoto->setObjectName(QStringLiteral("pbVideoPhoto"));
    pbVideoPhoto->setGeometry(picture);
    pbVideoPhoto->hide();
    pbVideoPhoto->OnPaint = [this] { pbVideoPhotoPaint(); };
    auto pass = [this](void (TVideoCapture::*down)(Qt::MouseButton, Qt::KeyboardModifiers, int, int)) {
        return [this, down](QMouseEvent* e) {
            if (client_)
                (client_.get()->*down)(e->button(), e->modifiers(), e->position().toPoint().x(),
                                       e->position().toPoint().y());
        };
    };
    pbVideoPhoto->OnMouseDown = pass(&TVideoCapture::MouseDown);
    pbVideoPhoto->OnMouseUp = pass(&TVideoCapture::MouseUp);
    pbVideoPhoto->OnMouseMove = [this](QMouseEvent* e) {
        if (client_)
            client_->MouseMove(e->modifiers(), e->position().toPoint().x(), e->position().toPoint().y());
    };

    auto button = [this](const char* name, const char* text, const QRect& r) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(r);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    bZoomPlus = button("bZoomPlus", "+", QRect(4, 4, kZoomSide, kZoomSide));
    bZoomMinus = button("bZoomMinus", "-", QRect(8 + kZoomSide, 4, kZoomSide, kZoomSide));
    bZoomDefault = button("bZoomDefault", "!", QRect(12 + 2 * kZoomSide, 4, kZoomSide, kZoomSide));
    const QRect photoButton(0, kPictureHeight + 6, kPictureWidth, kButtonHeight);
    bFixPhoto = button("bFixPhoto", "фиксация фотографии", photoButton);
    bNewPhoto = button("bNewPhoto", "новая фоторгафия", photoButton);
    for (QPushButton* b : {bZoomPlus, bZoomMinus, bZoomDefault, bFixPhoto})
        b->hide();
    bNewPhoto->setEnabled(false);
    connect(bZoomPlus, &QPushButton::clicked, this, [this] { bZoomPlusClick(); });
    connect(bZoomMinus, &QPushButton::clicked, this, [this] { bZoomMinusClick(); });
    connect(bZoomDefault, &QPushButton::clicked, this, [this] { bZoomDefaultClick(); });
    connect(bFixPhoto, &QPushButton::clicked, this, [this] { bFixPhotoClick(); });
    connect(bNewPhoto, &QPushButton::clicked, this, [this] { bNewPhotoClick(); });

    ppMenu = new QMenu(this);
    ppMenu->setObjectName(QStringLiteral("ppMenu"));
    miVideoOption = ppMenu->addAction(QStringLiteral("Настройки видео..."));
    miVideoOption->setObjectName(QStringLiteral("miVideoOption"));
    miEditPhotoView = ppMenu->addAction(QStringLiteral("Режим редактирования обзора"));
    miEditPhotoView->setObjectName(QStringLiteral("miEditPhotoView"));
    miEditPhotoView->setCheckable(true);
    connect(miVideoOption, &QAction::triggered, this, [this] { miVideoOptionClick(); });
    connect(miEditPhotoView, &QAction::triggered, this, [this] { miEditPhotoViewClick(); });
    pbVideoPhoto->OnPopup = [this](const QPoint& at) {
        ppMenuPopup();
        ppMenu->popup(at);
    };
}

TVideoPhotoPanel::~TVideoPhotoPanel() = default;

bool TVideoPhotoPanel::event(QEvent* e)
{
    if (e->type() == ipc::kServerMessage) {
        if (client_)
            client_->OnServerMessage(static_cast<ipc::TServerMessage*>(e)->WParam);
        return true;
    }
    return QWidget::event(e);
}

bool TVideoPhotoPanel::StartVideo(const QString& folder)
{
    bool started = false;
    if (!client_) {
        client_ = CreateClient ? CreateClient(this, folder) : std::make_unique<TVideoCapture>(this, folder);
        if (client_ && client_->Connected()) {
            view_ = QImage(pbVideoPhoto->size(), QImage::Format_RGB32);
            view_.fill(Qt::black);
            client_->GetBitmap(display_);
            client_->SetPaintControl(pbVideoPhoto);
            client_->FitView(pbVideoPhoto->width(), pbVideoPhoto->height());
            started = true;
        }
    }
    stillControls();
    bNewPhoto->setEnabled(started);
    return started;
}

void TVideoPhotoPanel::StopVideo()
{
    {
        TCritLock lock(photoLock_);
        view_ = QImage();
        display_ = nullptr;
    }
    client_.reset();
    stillControls();
    bNewPhoto->setEnabled(false);
}

bool TVideoPhotoPanel::VideoOn() const
{
    return client_ && client_->Connected();
}

void TVideoPhotoPanel::stillControls()
{
    bNewPhoto->show();
    bFixPhoto->hide();
    pbVideoPhoto->hide();
    pbVideoPhoto->unsetCursor();
    imSavePhoto->show();
}

void TVideoPhotoPanel::ShowStill()
{
    stillControls();
    for (QPushButton* b : {bZoomPlus, bZoomMinus, bZoomDefault})
        b->hide();
    if (client_)
        client_->SetEditMode(false);
}

void TVideoPhotoPanel::EnablePhotoButtons()
{
    if (!VideoOn())
        return;
    bNewPhoto->setEnabled(true);
    bFixPhoto->setEnabled(true);
}

void TVideoPhotoPanel::bNewPhotoClick()
{
    bNewPhoto->hide();
    bFixPhoto->show();
    pbVideoPhoto->unsetCursor();
    pbVideoPhoto->show();
    pbVideoPhoto->raise();
    for (QPushButton* b : {bZoomPlus, bZoomMinus, bZoomDefault})
        b->raise();
    imSavePhoto->hide();
}

void TVideoPhotoPanel::bFixPhotoClick()
{
    QImage picture;
    {
        TCritLock lock(photoLock_);
        picture = view_.copy();
    }
    if (OnFixPhoto)
        OnFixPhoto(picture);
    ShowStill();
}

void TVideoPhotoPanel::pbVideoPhotoPaint()
{
    QPainter out(pbVideoPhoto);
    TCritLock lock(photoLock_);
    if (view_.isNull()) {
        out.fillRect(pbVideoPhoto->rect(), Qt::black);
        return;
    }
    if (display_ && !display_->isNull()) {
        QPainter p(&view_);
        p.drawImage(QRect(QPoint(0, 0), view_.size()), *display_);
    }
    out.drawImage(0, 0, view_);
}

void TVideoPhotoPanel::zoomBy(float step)
{
    if (!client_)
        return;
    int x, y, w, h;
    float scale;
    client_->GetView(x, y, scale, w, h);
    scale += step;
    if (scale < 0)
        scale = 0;
    client_->SetView(x, y, scale, w, h);
}

void TVideoPhotoPanel::bZoomPlusClick()
{
    zoomBy(-0.1f);
}

void TVideoPhotoPanel::bZoomMinusClick()
{
    zoomBy(0.1f);
}

void TVideoPhotoPanel::bZoomDefaultClick()
{
    if (client_)
        client_->FitView(pbVideoPhoto->width(), pbVideoPhoto->height());
}

void TVideoPhotoPanel::ppMenuPopup()
{
    miEditPhotoView->setChecked(client_ && client_->GetEditMode());
}

void TVideoPhotoPanel::miEditPhotoViewClick()
{
    // The action toggled its own check already when it was triggered from the menu.
    const bool on = client_ ? !client_->GetEditMode() : false;
    miEditPhotoView->setChecked(on);
    if (client_)
        client_->SetEditMode(on);
    for (QPushButton* b : {bZoomPlus, bZoomMinus, bZoomDefault})
        b->setVisible(on);
    if (on)
        pbVideoPhoto->setCursor(Qt::PointingHandCursor);
    else
        pbVideoPhoto->unsetCursor();
}

void TVideoPhotoPanel::miVideoOptionClick()
{
    if (client_)
        client_->ShowVideoOptions();
}
