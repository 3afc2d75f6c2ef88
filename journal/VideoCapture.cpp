#include "journal/VideoCapture.h"

#include "core/Debug.h"
#include "platform/controls/MessageBox.h"
#include "platform/ipc/CaptureProtocol.h"
#include "platform/ipc/ClientIPC.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QWidget>

#include <cstring>

namespace {

// The start of a crop of size around centre, moved (with its centre) to lie inside 0 .. frame.
int placeCrop(int& centre, int size, int frame)
{
    int start = centre - size / 2;
    if (start + size > frame) {
        start = frame - size;
        centre = start + size / 2;
    }
    if (start < 0) {
        start = 0;
        centre = size / 2;
    }
    return start;
}

const char* const kNoAnswer = "Видеосервер не отозвался спустя ожидаемое время! Возможна некорректная работа!";
const char* const kRefused = "Видео отключено: папка %1, через которую программа связывается с видеосервером, "
                             "принадлежит другому пользователю или открыта для записи другим.";

} // namespace

TVideoCapture::TVideoCapture(QObject* window, const QString& folder)
    : TVideoCapture(window, folder, ipc::CreateClientIPC(), Timing())
{
}

TVideoCapture::TVideoCapture(QObject* window, const QString& folder, std::unique_ptr<ipc::TClientIPC> link,
                             const Timing& timing)
    : Window(window), Ipc(std::move(link))
{
    connectAndWait(folder, timing);
}

TVideoCapture::~TVideoCapture()
{
    Ipc->Unsubscribe(Window, 0);
    Ipc->Disconnect();
    Ipc.reset();
}

void TVideoCapture::connectAndWait(const QString& folder, const Timing& timing)
{
    const QString path = QDir(folder).filePath(QString::fromLatin1(kServerProgram));
    Connected_ = Ipc->Connect(kClientId, QFile::encodeName(path).constData());
    Dbg().Print("TVideoCapture: Connect(%s) = %i", QFile::encodeName(path).constData(), int(Connected_));
    if (const ipc::TClientIPC::Refusal refused = Ipc->Refused(); !Connected_ && !refused.reason.empty()) {
        // Another user could answer there in the server's place: no server is started or waited for.
        Dbg().Print("TVideoCapture: the link to the server is refused: %s", refused.reason.c_str());
        ctl::MessageBox(QString::fromUtf8(kRefused).arg(QFile::decodeName(refused.folder.c_str())),
                        QStringLiteral("Внимание!"), ctl::MB_OK | ctl::MB_ICONWARNING);
        return;
    }

    // The server may be starting: ask for its status until it says it is ready. Only queued events run
    // meanwhile, never the operator's clicks, so no command can reach a window half set up.
    QElapsedTimer clock;
    clock.start();
    bool ready = false;
    while (clock.elapsed() <= timing.readyWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(unsigned(timing.pollMs));
        uint8_t status[2];
        if (read(status, sizeof status, ipc::kReadStatus)) {
            ServerReady = status[0];
            DevCount = status[1];
            if (ServerReady) {
                ready = true;
                break;
            }
        }
    }
    if (!ready) {
        Dbg().Print("TVideoCapture: the server did not report ready in %i ms", timing.readyWaitMs);
        const QString title = QCoreApplication::applicationName();
        ctl::MessageBox(QString::fromUtf8(kNoAnswer), title.isEmpty() ? QStringLiteral("VELT") : title, ctl::MB_OK);
    }
    QThread::msleep(unsigned(timing.settleMs));
    Ipc->Subscribe(Window, int(ipc::kEventStatus));
    Ipc->Subscribe(Window, int(ipc::kEventFrames));
    reReadDevices();
    // A server that never answered anything is not there: the photo function goes off rather than showing
    // an empty picture in every act.
    if (!Answered)
        Connected_ = false;
}

bool TVideoCapture::read(void* buffer, uint32_t size, uint16_t code, uint32_t* got)
{
    uint32_t count = size;
    if (!Ipc->Read(buffer, &count, code))
        return false;
    Answered = true;
    if (got)
        *got = count;
    return true;
}

bool TVideoCapture::GetBitmap(const QImage*& bitmap) const
{
    bitmap = &DisplayBmp;
    return true;
}

bool TVideoCapture::SetPaintControl(QWidget* control)
{
    PaintControl = control;
    if (!control)
        return false;
    control->setAttribute(Qt::WA_OpaquePaintEvent);
    return true;
}

void TVideoCapture::repaint()
{
    if (PaintControl)
        PaintControl->update();
}

void TVideoCapture::OnServerMessage(uint32_t wParam)
{
    if ((wParam >> 16) != uint32_t(kClientId))
        return;
    const int code = int(wParam & 0xFFFF);
    if (code - ipc::kReadFrame == DeviceIdx)
        readFrame();
    else if (code - ipc::kReadFormat == DeviceIdx)
        readFormat();
    else if (code == int(ipc::kEventStatus))
        reReadDevices();
}

void TVideoCapture::readFrame()
{
    if (FrameSize_ == 0)
        return;
    Raw.resize(FrameSize_);
    uint32_t got = 0;
    // A frame of another size (the format changed under way) is dropped like a failed read.
    if (!read(Raw.data(), FrameSize_, uint16_t(ipc::kReadFrame + DeviceIdx), &got) || got != FrameSize_)
        return;
    // Row by row: the image's rows start on 4-byte boundaries, which 24-bit rows of the server need not.
    const int h = FrameBmp.height();
    const size_t row = FrameSize_ / size_t(h);
    for (int y = 0; y < h; ++y)
        std::memcpy(FrameBmp.scanLine(h - 1 - y), Raw.data() + size_t(y) * row, row);
    copyCrop();
    repaint();
}

void TVideoCapture::reReadDevices()
{
    uint8_t status[2];
    if (read(status, sizeof status, ipc::kReadStatus)) {
        ServerReady = status[0];
        DevCount = status[1];
    }
    if (DeviceIdx >= DevCount)
        DeviceIdx = 0;
    readFormat();
}

void TVideoCapture::readFormat()
{
    uint8_t format[8];
    uint32_t got = 0;
    if (read(format, sizeof format, uint16_t(ipc::kReadFormat + DeviceIdx), &got) && got == sizeof format) {
        std::memcpy(Format, format, sizeof Format);
        const ipc::FrameFormat f = ipc::FrameFormat::Decode(format);
        const QImage::Format pixels = f.bytesPerPixel == 4 ? QImage::Format_RGB32 : QImage::Format_BGR888;
        const int bpp = f.bytesPerPixel == 4 ? 4 : 3;
        if (FrameBmp.width() != f.width || FrameBmp.height() != f.height || FrameBmp.format() != pixels) {
            FrameBmp = f.width && f.height ? QImage(f.width, f.height, pixels) : QImage();
            if (!FrameBmp.isNull())
                FrameBmp.fill(Qt::black);
        }
        FrameSize_ = uint32_t(FrameBmp.height()) * uint32_t(FrameBmp.width()) * uint32_t(bpp);
        Dbg().Print("TVideoCapture: device %i, %ix%i, %i bytes per pixel", DeviceIdx, f.width, f.height, bpp);
        // The first view, or one that no longer lies in the frame, is fitted to the control's view.
        const QRect crop = Crop();
        if (Scale <= 0 || !FrameBmp.rect().contains(crop)) {
            const int w = ViewWidth > 0 ? ViewWidth : FitWidth, h = ViewHeight > 0 ? ViewHeight : FitHeight;
            if (w > 0 && h > 0)
                FitView(w, h);
        }
    }
    repaint();
}

void TVideoCapture::copyCrop()
{
    QRect crop = Crop().intersected(FrameBmp.rect());
    if (crop.isEmpty())
        crop = FrameBmp.rect(); // no view yet: the whole frame
    if (DisplayBmp.size() != crop.size() || DisplayBmp.format() != FrameBmp.format())
        DisplayBmp = QImage(crop.size(), FrameBmp.format());
    const int bpp = FrameBmp.depth() / 8;
    const size_t n = size_t(crop.width()) * size_t(bpp);
    for (int y = 0; y < crop.height(); ++y)
        std::memcpy(DisplayBmp.scanLine(y), FrameBmp.constScanLine(crop.top() + y) + size_t(crop.left()) * bpp, n);
}

void TVideoCapture::GetView(int& centreX, int& centreY, float& scale, int& viewWidth, int& viewHeight) const
{
    centreX = CentreX;
    centreY = CentreY;
    scale = Scale;
    viewWidth = ViewWidth;
    viewHeight = ViewHeight;
}

void TVideoCapture::SetView(int centreX, int centreY, float scale, int viewWidth, int viewHeight)
{
    if (viewWidth <= 0 || viewHeight <= 0 || !(scale > 0))
        return;
    const int frameW = FrameBmp.width(), frameH = FrameBmp.height();
    int cropW = int(float(viewWidth) * scale);
    if (frameW < cropW) {
        cropW = frameW;
        scale = float(frameW) / float(viewWidth);
    }
    int cropH = int(float(viewHeight) * scale);
    if (frameH < cropH) {
        cropH = frameH;
        scale = float(frameH) / float(viewHeight);
        cropW = int(float(viewWidth) * scale);
    }
    const int left = placeCrop(centreX, cropW, frameW);
    const int top = placeCrop(centreY, cropH, frameH);
    CropLeft = left;
    CropTop = top;
    CropWidth = cropW;
    CropHeight = cropH;
    Scale = scale;
    CentreX = centreX;
    CentreY = centreY;
    ViewWidth = viewWidth;
    ViewHeight = viewHeight;
}

void TVideoCapture::FitView(int viewWidth, int viewHeight)
{
    FitWidth = viewWidth;
    FitHeight = viewHeight;
    const int w = FrameBmp.width(), h = FrameBmp.height();
    if (w <= 0 || h <= 0 || viewWidth <= 0 || viewHeight <= 0)
        return;
    float scale = h <= w ? float(h) / float(viewHeight) : float(w) / float(viewWidth);
    if (scale < 0)
        scale = 0;
    SetView(w / 2, h / 2, scale, viewWidth, viewHeight);
}

void TVideoCapture::MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    if (!EditMode)
        return;
    LastX = CurX = x;
    LastY = CurY = y;
    Dragging = true;
}

void TVideoCapture::MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    if (!Dragging)
        return;
    CurX = x;
    CurY = y;
    if (Scale > 0) {
        const int dx = int(float(CurX - LastX) / Scale);
        const int dy = int(float(CurY - LastY) / Scale);
        SetView(CentreX + (-dx) / 2, CentreY + (-dy) / 2, Scale, ViewWidth, ViewHeight);
    }
    LastX = CurX;
    LastY = CurY;
}

void TVideoCapture::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int)
{
    Dragging = false;
}

void TVideoCapture::ShowVideoOptions()
{
    Ipc->SendCommand(1, 0);
}
