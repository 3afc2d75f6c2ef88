// Photos from the capture server: the video client's frames, formats, view arithmetic and notifications, the
// act window's photo panel, and a photo frozen from the live picture of the real server stored in the act.
#include "JournalFixture.h"
#include "VideoFixture.h"

#include "platform/controls/MessageBox.h"
#include "platform/data/BlobStream.h"
#include "platform/rtl/IniFile.h"
#include "tools/velt-capture/TestPattern.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <jpeglib.h>
#include <sys/stat.h>

using jtest::Journal;
using jtest::Measurement;
using namespace vtest;

namespace {

struct Capture {
    QObject window;
    FakeLink* link;
    std::unique_ptr<TVideoCapture> client;
    explicit Capture(std::unique_ptr<FakeLink> l)
        : link(l.get()), client(std::make_unique<TVideoCapture>(&window, QString(), std::move(l), Quick()))
    {
    }
};


// A JPEG decoded by libjpeg, as RGB32.
QImage DecodeJpeg(const QByteArray& bytes)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    QImage image(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    std::vector<unsigned char> row(cinfo.output_width * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        unsigned char* p = row.data();
        const int y = int(cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, &p, 1);
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

// The test pattern's counter read from a picture of the crop.
uint32_t CounterOf(const QImage& picture, const QRect& crop, int frameW, int frameH)
{
    return TTestPattern::DecodeCounter(frameW, frameH, [&](int fx, int fy) {
        const int vx = (fx - crop.left()) * picture.width() / crop.width();
        const int vy = (fy - crop.top()) * picture.height() / crop.height();
        return qGray(picture.pixel(vx, vy));
    });
}


} // namespace

TEST(Video, FramesArriveWholeInEveryPixelFormat)
{
    // 350 x 3 = 1050 bytes a row: not a multiple of 4, where a frame copied in one piece shears.
    for (const ipc::FrameFormat f : {Format(640, 480, 4), Format(350, 262, 3), Format(3, 2, 3), Format(5, 7, 4)}) {
        Capture c(LinkWith(f));
        ASSERT_TRUE(c.client->Connected());
        EXPECT_EQ(c.client->FrameSize(), f.FrameSize());
        EXPECT_EQ(c.client->FrameBitmap().format(), f.bytesPerPixel == 4 ? QImage::Format_RGB32 : QImage::Format_BGR888);
        c.client->OnServerMessage(Message(100));
        const QImage& frame = c.client->FrameBitmap();
        ASSERT_EQ(frame.size(), QSize(f.width, f.height));
        int wrong = 0;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                wrong += (frame.pixel(x, y) & 0xFFFFFF) != (Pixel(x, y) & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << f.width << "x" << f.height << "x" << int(f.bytesPerPixel);
    }
    EXPECT_EQ(Format(640, 480, 4).FrameSize(), 1228800u);
}

TEST(Video, NotificationsActOnlyForThisClientAndItsDevice)
{
    Capture c(LinkWith(Format(64, 48, 4)));
    c.link->formats[1] = Format(32, 24, 3);
    c.link->reads.clear();
    for (uint32_t m : {Message(100, 999), Message(101), Message(201), Message(2), Message(300)})
        c.client->OnServerMessage(m);
    EXPECT_TRUE(c.link->reads.empty());
    c.client->OnServerMessage(Message(100));
    c.client->OnServerMessage(Message(200));
    EXPECT_EQ(c.link->reads, (std::vector<uint16_t>{100, 200}));

    // The device list shrank to none: back to device 0, whose format is still asked for.
    c.link->status[1] = 0;
    c.link->reads.clear();
    c.client->OnServerMessage(Message(1));
    EXPECT_EQ(c.client->DeviceIndex(), 0);
    EXPECT_EQ(c.client->DeviceCount(), 0);
    EXPECT_EQ(c.link->reads, (std::vector<uint16_t>{0, 200}));

    // A frame of another size than the format's is dropped, and so is one that will not come.
    c.link->frames[0].resize(100);
    const QImage before = c.client->FrameBitmap();
    c.client->OnServerMessage(Message(100));
    EXPECT_EQ(c.client->FrameBitmap(), before);
}

TEST(Video, ViewArithmetic)
{
    struct Case {
        int frameW, frameH;
        const char* call; // "fit" or "set"
        int cx, cy;
        float scale;
        int viewW, viewH;
        QRect crop; // expected; null: the view as it was
        int ecx, ecy;
        float escale;
    };
    const Case cases[] = {
        {640, 480, "fit", 0, 0, 0, 320, 200, QRect(0, 40, 640, 400), 320, 240, 2.0f},
        {640, 480, "fit", 0, 0, 0, 240, 320, QRect(140, 0, 360, 480), 320, 240, 1.5f},
        {480, 640, "fit", 0, 0, 0, 240, 320, QRect(0, 0, 480, 640), 240, 320, 2.0f},
        {640, 480, "set", 320, 240, 0.0f, 320, 200, QRect(), 0, 0, 0},
        {640, 480, "set", 320, 240, -1.0f, 320, 200, QRect(), 0, 0, 0},
        {640, 480, "set", 320, 240, 1.0f, 0, 200, QRect(), 0, 0, 0},
        {640, 480, "set", 10, 10, 1.0f, 320, 200, QRect(0, 0, 320, 200), 160, 100, 1.0f},
        {640, 480, "set", 630, 470, 1.0f, 320, 200, QRect(320, 280, 320, 200), 480, 380, 1.0f},
        {640, 480, "set", 320, 240, 5.0f, 320, 200, QRect(0, 40, 640, 400), 320, 240, 2.0f},
        {640, 480, "set", 320, 240, 3.0f, 100, 200, QRect(200, 0, 240, 480), 320, 240, 2.4f},
    };
    for (const Case& k : cases) {
        Capture c(LinkWith(Format(k.frameW, k.frameH, 4)));
        c.client->SetView(1, 1, 0.0f, 1, 1); // no view of its own yet
        const QRect was = c.client->Crop();
        if (std::string(k.call) == "fit")
            c.client->FitView(k.viewW, k.viewH);
        else
            c.client->SetView(k.cx, k.cy, k.scale, k.viewW, k.viewH);
        int x, y, w, h;
        float s;
        c.client->GetView(x, y, s, w, h);
        const std::string what = std::string(k.call) + " " + std::to_string(k.cx) + "," + std::to_string(k.cy);
        if (k.crop.isNull()) {
            EXPECT_EQ(c.client->Crop(), was) << what;
            continue;
        }
        EXPECT_EQ(c.client->Crop(), k.crop) << what;
        EXPECT_EQ(QPoint(x, y), QPoint(k.ecx, k.ecy)) << what;
        EXPECT_FLOAT_EQ(s, k.escale) << what;
        EXPECT_EQ(QSize(w, h), QSize(k.viewW, k.viewH)) << what;
    }
}

TEST(Video, DraggingMovesTheViewAndNeverDividesByNoScale)
{
    // Before any frame: no view, no scale; a drag in edit mode moves nothing and breaks nothing.
    Capture none(std::make_unique<FakeLink>());
    none.client->SetEditMode(true);
    none.client->MouseDown(Qt::LeftButton, {}, 10, 10);
    none.client->MouseMove({}, 50, 70);
    none.client->MouseUp(Qt::LeftButton, {}, 50, 70);
    EXPECT_EQ(none.client->Crop(), QRect());

    Capture c(LinkWith(Format(640, 480, 4)));
    c.client->FitView(240, 320); // crop (140, 0, 360, 480), scale 1.5
    c.client->MouseDown(Qt::LeftButton, {}, 100, 100);
    c.client->MouseMove({}, 130, 110);
    EXPECT_EQ(c.client->Crop().topLeft(), QPoint(140, 0)) << "not in edit mode";
    c.client->MouseUp(Qt::LeftButton, {}, 130, 110);

    c.client->SetEditMode(true);
    c.client->MouseDown(Qt::LeftButton, {}, 100, 100);
    c.client->MouseMove({}, 130, 110); // dx = 30 / 1.5 = 20, dy = 10 / 1.5 -> 6: the centre moves by -10, -3
    int x, y, w, h;
    float s;
    c.client->GetView(x, y, s, w, h);
    EXPECT_EQ(QPoint(x, y), QPoint(310, 240)) << "the centre's y is held in the frame";
    EXPECT_EQ(c.client->Crop(), QRect(130, 0, 360, 480));
    c.client->MouseUp(Qt::LeftButton, {}, 130, 110);
    c.client->MouseMove({}, 300, 300);
    EXPECT_EQ(c.client->Crop(), QRect(130, 0, 360, 480)) << "the drag is over";

    // The crop is what the next frame shows.
    c.client->OnServerMessage(Message(100));
    const QImage* display = nullptr;
    ASSERT_TRUE(c.client->GetBitmap(display));
    ASSERT_EQ(display->size(), QSize(360, 480));
    EXPECT_EQ(display->pixel(0, 0) & 0xFFFFFF, Pixel(130, 0) & 0xFFFFFF);
    EXPECT_EQ(display->pixel(359, 479) & 0xFFFFFF, Pixel(489, 479) & 0xFFFFFF);
}

TEST(Video, AFormatChangeKeepsAViewThatFitsAndRefitsOneThatDoesNot)
{
    Capture c(LinkWith(Format(640, 480, 4)));
    c.client->FitView(240, 320);
    c.link->formats[0] = Format(800, 600, 3);
    c.link->frames[0] = Frame(c.link->formats[0]);
    c.client->OnServerMessage(Message(200));
    EXPECT_EQ(c.client->FrameSize(), 800u * 600u * 3u);
    EXPECT_EQ(c.client->Crop(), QRect(140, 0, 360, 480)) << "still inside the larger frame";
    c.link->formats[0] = Format(320, 240, 4);
    c.link->frames[0] = Frame(c.link->formats[0]);
    c.client->OnServerMessage(Message(200));
    EXPECT_EQ(c.client->Crop(), QRect(70, 0, 180, 240));
    c.client->OnServerMessage(Message(100));
    const QImage* display = nullptr;
    c.client->GetBitmap(display);
    EXPECT_EQ(display->size(), QSize(180, 240));
}

TEST(Video, AServerThatNeverAnswersIsToldOnceAndThePhotoFunctionGoesOff)
{
    ctl::TScriptedMessageBoxPort boxes;
    Journal j;
    TVideoPhotoPanel& panel = j.ctrl->ActWindow().VideoPanel();
    int made = 0;
    UseLinks(panel, [] {
        auto link = std::make_unique<FakeLink>();
        link->answers = false;
        return link;
    }, nullptr, &made);
    rtl::TIniFile ini(j.dir.file("VELT.ini"));
    ini.WriteBool("Methods", "Video", true);
    QElapsedTimer t;
    t.start();
    j.ctrl->ReadIni(ini);
    EXPECT_GE(t.elapsed(), 300 + 20) << "the wait for ready, then the settling pause";
    ASSERT_EQ(boxes.Count(), 1);
    const auto asked = boxes.AskedSoFar().front();
    EXPECT_EQ(asked.text, QString::fromUtf8("Видеосервер не отозвался спустя ожидаемое время! Возможна некорректная работа!"));
    EXPECT_EQ(asked.caption, QCoreApplication::applicationName());
    EXPECT_EQ(asked.flags, ctl::MB_OK) << "no icon";
    EXPECT_EQ(j.ctrl->GetJournalSettings().VideoOn, 0);
    EXPECT_FALSE(j.Act<QPushButton>("bNewPhoto")->isEnabled());

    // Acts go on without video, and without waiting again.
    const auto m = Measurement(2020, 5, 1, 10, 0, 0, 12, 0.1);
    j.ctrl->NewMeasure(&m, 1);
    j.dialogs.Then([&](QDialog&) {
        EXPECT_FALSE(j.Act<QPushButton>("bNewPhoto")->isEnabled());
        j.ctrl->bCancelClick();
    });
    j.ctrl->OpenAct();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(boxes.Count(), 1);
    j.ctrl->WriteIni(ini);
    EXPECT_FALSE(rtl::TIniFile(j.dir.file("VELT.ini")).ReadBool("Methods", "Video", true));
}

TEST(Video, ASocketFolderAnotherUserCouldAnswerInTurnsVideoOffAtOnceWithTheFolderNamed)
{
    ctl::TScriptedMessageBoxPort boxes;
    Journal j;
    // A folder others may write in: there another user could be listening in the server's place.
    const QString folder = j.dir.file("open");
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    const QByteArray saved = qgetenv("VELT_CAPTURE_SOCKET");
    qputenv("VELT_CAPTURE_SOCKET", QFile::encodeName(folder + "/velt-capture.sock"));
    j.ctrl->SetDirs(QStringLiteral(VELT_BINARY_DIR "/bin"), j.dir.path());
    rtl::TIniFile ini(j.dir.file("VELT.ini"));
    ini.WriteBool("Methods", "Video", true);
    j.ctrl->ReadIni(ini);
    if (saved.isNull())
        qunsetenv("VELT_CAPTURE_SOCKET");
    else
        qputenv("VELT_CAPTURE_SOCKET", saved);

    // Said once, in the operator's words, with no wait for a server that was never started.
    ASSERT_EQ(boxes.Count(), 1);
    const auto asked = boxes.AskedSoFar().front();
    EXPECT_EQ(asked.text, QString::fromUtf8("Видео отключено: папка %1, через которую программа связывается с видеосервером, "
                                            "принадлежит другому пользователю или открыта для записи другим.")
                              .arg(folder));
    EXPECT_EQ(asked.caption, QString::fromUtf8("Внимание!"));
    EXPECT_EQ(asked.icon(), ctl::MB_ICONWARNING);
    EXPECT_FALSE(QFile::exists(folder + "/velt-capture.sock"));
    EXPECT_TRUE(j.log().contains("other users may write in it")) << j.log().toStdString();
    EXPECT_EQ(j.ctrl->GetJournalSettings().VideoOn, 0);
    EXPECT_FALSE(j.Act<QPushButton>("bNewPhoto")->isEnabled());
}

TEST(Video, ThePanelZoomsFitsAndReachesTheServersOptions)
{
    ctl::TScriptedMessageBoxPort boxes;
    Journal j;
    TVideoPhotoPanel& panel = j.ctrl->ActWindow().VideoPanel();
    FakeLink* link = nullptr;
    UseLinks(panel, [] { return LinkWith(Format(640, 480, 4)); }, &link);
    TJournalSettings s = j.ctrl->GetJournalSettings();
    s.VideoOn = 1;
    j.ctrl->ApplyJournalSettings(s); // video switched on in the settings dialog
    ASSERT_TRUE(panel.VideoOn());
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(link->subscribed, (std::vector<int>{1, 100}));
    auto* pb = j.Act<QWidget>("pbVideoPhoto");
    EXPECT_TRUE(pb->testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_EQ(panel.Client()->Crop(), QRect(140, 0, 360, 480)) << "fitted to the 240 x 320 picture";

    // The model allows a photo: both buttons enabled; "новая фоторгафия" shows the live picture.
    const auto m = Measurement(2020, 5, 1, 10, 0, 0, 12, 0.1);
    j.ctrl->NewMeasure(&m, 1);
    j.dialogs.Then([&](QDialog&) {
        EXPECT_TRUE(j.Act<QPushButton>("bNewPhoto")->isEnabled());
        EXPECT_TRUE(j.Act<QPushButton>("bNewPhoto")->isVisible());
        EXPECT_FALSE(j.Act<QPushButton>("bFixPhoto")->isVisible());
        QTest::mouseClick(j.Act<QPushButton>("bNewPhoto"), Qt::LeftButton);
        EXPECT_TRUE(pb->isVisible());
        EXPECT_FALSE(j.Act<QLabel>("imSavePhoto")->isVisible());
        EXPECT_TRUE(j.Act<QPushButton>("bFixPhoto")->isVisible());

        // The pop-up menu: edit mode shows the zoom buttons and the hand cursor.
        panel.ppMenuPopup();
        auto* edit = j.ctrl->ActWindow().findChild<QAction*>(QStringLiteral("miEditPhotoView"));
        ASSERT_NE(edit, nullptr);
        EXPECT_FALSE(edit->isChecked());
        edit->trigger();
        EXPECT_TRUE(panel.Client()->GetEditMode());
        EXPECT_TRUE(j.Act<QPushButton>("bZoomPlus")->isVisible());
        EXPECT_EQ(pb->cursor().shape(), Qt::PointingHandCursor);
        panel.ppMenuPopup();
        EXPECT_TRUE(edit->isChecked());

        int x, y, w, h;
        float scale;
        QTest::mouseClick(j.Act<QPushButton>("bZoomPlus"), Qt::LeftButton);
        panel.Client()->GetView(x, y, scale, w, h);
        EXPECT_FLOAT_EQ(scale, 1.4f);
        QTest::mouseClick(j.Act<QPushButton>("bZoomMinus"), Qt::LeftButton);
        QTest::mouseClick(j.Act<QPushButton>("bZoomMinus"), Qt::LeftButton);
        panel.Client()->GetView(x, y, scale, w, h);
        EXPECT_NEAR(scale, 1.5f, 1e-5) << "at most the frame's height";
        QTest::mousePress(pb, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(pb, QPoint(40, 100));
        QTest::mouseRelease(pb, Qt::LeftButton, {}, QPoint(40, 100));
        EXPECT_EQ(panel.Client()->Crop().left(), 160) << "dx -60 / 1.5 = -40: the centre moves 20 right";
        QTest::mouseClick(j.Act<QPushButton>("bZoomDefault"), Qt::LeftButton);
        EXPECT_EQ(panel.Client()->Crop(), QRect(140, 0, 360, 480));

        j.ctrl->ActWindow().findChild<QAction*>(QStringLiteral("miVideoOption"))->trigger();
        EXPECT_EQ(link->commands, (std::vector<std::pair<int, int>>{{1, 0}}));

        // The picture as shown freezes into the act's photo; the controls go back to the still photo.
        panel.Client()->OnServerMessage(Message(100));
        testutil::PumpEvents(50);
        const QImage shown = panel.ViewBitmap();
        EXPECT_EQ(shown.size(), QSize(240, 320));
        EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, Pixel(140, 0) & 0xFFFFFF);
        QTest::mouseClick(j.Act<QPushButton>("bFixPhoto"), Qt::LeftButton);
        ASSERT_NE(j.ctrl->ActPhoto(), nullptr);
        EXPECT_EQ(j.ctrl->ActPhoto()->Width(), 240);
        EXPECT_FALSE(pb->isVisible());
        EXPECT_FALSE(j.Act<QPushButton>("bZoomPlus")->isVisible());
        EXPECT_FALSE(panel.Client()->GetEditMode());
        EXPECT_TRUE(j.Act<QLabel>("imSavePhoto")->isVisible());
        j.ctrl->bCancelClick();
    });
    j.ctrl->OpenAct();

    // Video off again in the settings: the client goes, the buttons are disabled.
    s.VideoOn = 0;
    j.ctrl->ApplyJournalSettings(s);
    EXPECT_EQ(panel.Client(), nullptr);
    EXPECT_FALSE(j.Act<QPushButton>("bNewPhoto")->isEnabled());
}

// The real server and link: the live picture of the test pattern is frozen, saved with the act, and the
// memo's bytes decode (libjpeg) to the picture that was shown, frame counter and all.
TEST(Video, APhotoOfTheLivePictureIsStoredAsTheJpegOfWhatWasShown)
{
    Journal j;
    const QString sock = j.dir.file("capture.sock");
    qputenv("VELT_CAPTURE_SOCKET", sock.toLocal8Bit());
    QProcess server;
    server.start(QStringLiteral(VELT_BINARY_DIR "/bin/velt-capture"),
                 {QStringLiteral("--socket"), sock, QStringLiteral("--test-pattern"), QStringLiteral("640x480x4"),
                  QStringLiteral("--fps"), QStringLiteral("25")});
    ASSERT_TRUE(server.waitForStarted(3000));
    TVideoPhotoPanel& panel = j.ctrl->ActWindow().VideoPanel();
    panel.CreateClient = [](QObject* window, const QString& folder) {
        return std::make_unique<TVideoCapture>(window, folder, ipc::CreateClientIPC(), TVideoCapture::Timing{3500, 5, 20});
    };
    j.ctrl->SetDirs(QStringLiteral(VELT_BINARY_DIR "/bin"), j.dir.path());
    rtl::TIniFile ini(j.dir.file("VELT.ini"));
    ini.WriteBool("Methods", "Video", true);
    ini.WriteInteger("Methods", "JpegQuality", 90);
    j.ctrl->ReadIni(ini);
    ASSERT_EQ(j.ctrl->GetJournalSettings().VideoOn, 1);

    const auto m = Measurement(2020, 5, 1, 10, 0, 0, 12, 0.1);
    j.ctrl->NewMeasure(&m, 1);
    QImage shown;
    uint32_t shownCounter = 0;
    QRect crop;
    j.dialogs.Then([&](QDialog&) {
        QTest::mouseClick(j.Act<QPushButton>("bNewPhoto"), Qt::LeftButton);
        // Frames come and are painted: wait for a few.
        QElapsedTimer t;
        t.start();
        uint32_t first = 0;
        while (t.elapsed() < 3000) {
            testutil::PumpEvents(40);
            crop = panel.Client()->Crop();
            shownCounter = CounterOf(panel.ViewBitmap(), crop, 640, 480);
            if (first == 0)
                first = shownCounter;
            else if (shownCounter >= first + 3)
                break;
        }
        EXPECT_GE(shownCounter, first + 3) << "frames keep coming";
        // What the view shows at the click itself: a frame may still come between the loop and the click.
        const uint32_t seen = shownCounter;
        auto store = panel.OnFixPhoto;
        panel.OnFixPhoto = [&, store](const QImage& picture) {
            shown = picture.copy();
            shownCounter = CounterOf(shown, crop, 640, 480);
            store(picture);
        };
        QTest::mouseClick(j.Act<QPushButton>("bFixPhoto"), Qt::LeftButton);
        EXPECT_GE(shownCounter, seen) << "the live picture, as late as the one seen";
        testutil::PumpEvents(100); // later frames change the live picture, not the photo
        j.ctrl->bSaveClick();
    });
    j.ctrl->OpenAct();
    server.terminate();
    server.waitForFinished(2000);

    const QByteArray stored = j.StoredPhoto(1);
    ASSERT_FALSE(stored.isEmpty());
    const QImage photo = DecodeJpeg(stored);
    ASSERT_EQ(photo.size(), QSize(240, 320));
    EXPECT_EQ(CounterOf(photo, crop, 640, 480), shownCounter);
    long diff = 0;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            diff += std::abs(qGray(photo.pixel(x, y)) - qGray(shown.pixel(x, y)));
    EXPECT_LT(double(diff) / (240.0 * 320.0), 6.0) << "the photo is the picture shown";
}
