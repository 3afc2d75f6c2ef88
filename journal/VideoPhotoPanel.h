#pragma once
// The photo panel of the "default_mp" act window: the still photo, the live picture of the video capture
// client with its zoom buttons and pop-up menu, and the two photo buttons that share one place. It owns the
// video client while video runs; a frozen picture goes to the act through OnFixPhoto.
#include "core/CriticalSection.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class TVideoCapture;

// The live picture: it paints and hands its mouse to the panel.
class TVideoPaintBox : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    std::function<void()> OnPaint;
    std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp;
    std::function<void(const QPoint& global)> OnPopup;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
};

class TVideoPhotoPanel : public QWidget {
    Q_OBJECT
public:
    // photoLock: the act's photo lock, which outlives the panel.
    TVideoPhotoPanel(critsection_t& photoLock, QWidget* parent);
    ~TVideoPhotoPanel() override;

    QLabel* StillPhoto() const { return imSavePhoto; }

    // Starts the client on the server program in folder; true when it answered. The photo controls then
    // show the still photo, with "новая фоторгафия" enabled only when video runs.
    bool StartVideo(const QString& folder);
    // Frees the client; the photo buttons are disabled.
    void StopVideo();
    bool VideoOn() const;
    TVideoCapture* Client() const { return client_.get(); }
    // Controls of an act just shown: the still photo, the live picture hidden, edit mode off.
    void ShowStill();
    // The photo buttons of an act whose instrument allows a photo: enabled while video runs.
    void EnablePhotoButtons();
    // What the live picture shows, at the picture's size (null without video).
    const QImage& ViewBitmap() const { return view_; }

    // The frozen picture, handed to the act.
    std::function<void(const QImage& picture)> OnFixPhoto;
    // Makes the client (the program's own when null); tests give one over their own link.
    std::function<std::unique_ptr<TVideoCapture>(QObject* window, const QString& folder)> CreateClient;

    void bNewPhotoClick();
    void bFixPhotoClick();
    void pbVideoPhotoPaint();
    void bZoomPlusClick();
    void bZoomMinusClick();
    void bZoomDefaultClick();
    void ppMenuPopup();
    void miEditPhotoViewClick();
    void miVideoOptionClick();

protected:
    bool event(QEvent* e) override;

private:
    void zoomBy(float step);
    void stillControls();

    TVideoPaintBox* pbVideoPhoto;
    QLabel* imSavePhoto;
    QPushButton* bZoomPlus;
    QPushButton* bZoomMinus;
    QPushButton* bZoomDefault;
    QPushButton* bFixPhoto;
    QPushButton* bNewPhoto;
    QMenu* ppMenu;
    QAction* miVideoOption;
    QAction* miEditPhotoView;

    std::unique_ptr<TVideoCapture> client_;
    const QImage* display_ = nullptr;
    QImage view_;
    // Held around view_: a paint drawing the client's frame into it, a photo copying it, the video stopping.
    // The client hands its frames over through the main thread's event loop, so every holder is the main
    // thread and the lock never waits.
    critsection_t& photoLock_;
};
