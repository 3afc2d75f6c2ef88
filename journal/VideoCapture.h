#pragma once
// The program's side of the photo function of "default_mp": it reaches the capture server through the
// inter-process link, learns its devices and the picture format of the current one, receives each new frame
// and keeps a movable, zoomable crop of it (the view) that the act window shows and freezes into a photo.
// Everything runs on the main thread.
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QObject;
class QWidget;
namespace ipc { class TClientIPC; }

class TVideoCapture {
public:
    // The waits of construction: for the server's ready byte, between its status requests, and after.
    struct Timing {
        int readyWaitMs = 3500;
        int pollMs = 5;
        int settleMs = 1000;
    };
    static constexpr int kClientId = 1000;
    static constexpr const char* kServerProgram = "velt-capture";

    // Reaches the server program in folder (started when it does not run yet) and waits for it; window
    // receives its notifications.
    TVideoCapture(QObject* window, const QString& folder);
    // The same over a link of the caller's with other waits; for tests.
    TVideoCapture(QObject* window, const QString& folder, std::unique_ptr<ipc::TClientIPC> link, const Timing& timing);
    ~TVideoCapture();
    TVideoCapture(const TVideoCapture&) = delete;
    TVideoCapture& operator=(const TVideoCapture&) = delete;

    // The server was reached and answered.
    bool Connected() const { return Connected_; }
    // The crop of the last frame at its own size.
    bool GetBitmap(const QImage*& bitmap) const;
    // The control repainted after each frame and format change; it paints opaquely, with no erasing first.
    bool SetPaintControl(QWidget* control);
    void GetView(int& centreX, int& centreY, float& scale, int& viewWidth, int& viewHeight) const;
    void SetView(int centreX, int centreY, float scale, int viewWidth, int viewHeight);
    // The largest crop of the view's shape, centred.
    void FitView(int viewWidth, int viewHeight);
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void SetEditMode(bool on) { EditMode = on; }
    bool GetEditMode() const { return EditMode; }
    // The server's own settings ("Настройки видео...").
    void ShowVideoOptions();
    // A server notification (its WParam) as the window received it.
    void OnServerMessage(uint32_t wParam);

    // ---- state, readable by tests ----
    const QImage& FrameBitmap() const { return FrameBmp; }
    uint32_t FrameSize() const { return FrameSize_; }
    int DeviceIndex() const { return DeviceIdx; }
    int DeviceCount() const { return DevCount; }
    QRect Crop() const { return QRect(CropLeft, CropTop, CropWidth, CropHeight); }

private:
    void connectAndWait(const QString& folder, const Timing& timing);
    bool read(void* buffer, uint32_t size, uint16_t code, uint32_t* got = nullptr);
    void readFrame();
    void reReadDevices();
    void readFormat();
    void copyCrop();
    void repaint();

    QObject* Window;
    std::unique_ptr<ipc::TClientIPC> Ipc;
    QImage DisplayBmp;
    QImage FrameBmp;
    QWidget* PaintControl = nullptr;
    uint8_t DeviceIdx = 0;
    uint8_t ServerReady = 0;
    uint8_t DevCount = 0;
    uint8_t Format[8] = {};
    uint32_t FrameSize_ = 0;
    int CentreX = 0, CentreY = 0;
    float Scale = 0; // none until a view is set: a drag before it moves nothing
    int ViewWidth = 0, ViewHeight = 0;
    int CropLeft = 0, CropTop = 0, CropWidth = 0, CropHeight = 0;
    bool Dragging = false;
    int LastX = 0, LastY = 0, CurX = 0, CurY = 0;
    bool EditMode = false;
    bool Connected_ = false;
    bool Answered = false;     // some request of the server was answered
    int FitWidth = 0, FitHeight = 0; // the view asked for before a frame size was known
    std::vector<uint8_t> Raw;  // a frame as it arrives: packed rows, bottom row first
};
