// The capture server program: what it serves (status, formats, frames with their counter), refusing a frame
// larger than the client's buffer, the options command stepping the format, and its failures.
#include "common/testutil.h"
#include "platform/ipc/CaptureProtocol.h"
#include "platform/ipc/UnixClientIPC.h"
#include "tools/velt-capture/TestPattern.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace ipc;

namespace {

const QString kServer = QStringLiteral(VELT_BINARY_DIR "/bin/velt-capture");

// The server on a socket of its own, stopped at the end.
class Server {
public:
    explicit Server(const QStringList& args, const QString& socket)
    {
        process_.setProgram(kServer);
        process_.setArguments(QStringList{QStringLiteral("--socket"), socket} + args);
        process_.start();
        process_.waitForStarted(3000);
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(socket) && t.elapsed() < 10000)
            QThread::msleep(5);
    }
    // The server listens a moment after its socket appears, a longer one on a loaded machine.
    static bool Connect(TUnixClientIPC& link)
    {
        QElapsedTimer t;
        t.start();
        while (!link.Connect(1000, nullptr)) {
            if (t.elapsed() > 10000)
                return false;
            QThread::msleep(10);
        }
        return true;
    }
    ~Server()
    {
        process_.terminate();
        if (!process_.waitForFinished(2000))
            process_.kill();
    }
    QProcess& process() { return process_; }

private:
    QProcess process_;
};

// The frame bytes as an image, top row first.
QImage AsImage(const std::vector<uint8_t>& raw, const FrameFormat& f)
{
    QImage image(f.width, f.height, f.bytesPerPixel == 4 ? QImage::Format_RGB32 : QImage::Format_BGR888);
    const size_t row = size_t(f.width) * f.bytesPerPixel;
    for (int y = 0; y < f.height; ++y)
        std::memcpy(image.scanLine(f.height - 1 - y), raw.data() + size_t(y) * row, row);
    return image;
}

uint32_t Counter(const QImage& image)
{
    return TTestPattern::DecodeCounter(image.width(), image.height(),
                                       [&](int x, int y) { return qGray(image.pixel(x, y)); });
}

FrameFormat ReadFormat(TUnixClientIPC& link, int device = 0)
{
    uint8_t bytes[kFormatSize] = {};
    uint32_t n = kFormatSize;
    EXPECT_TRUE(link.Read(bytes, &n, uint16_t(kReadFormat + device)));
    return FrameFormat::Decode(bytes);
}

// Reads frames until one comes (the first needs a frame period).
bool ReadFrame(TUnixClientIPC& link, std::vector<uint8_t>& raw, uint32_t room)
{
    raw.assign(room, 0);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000) {
        uint32_t n = room;
        if (link.Read(raw.data(), &n, kReadFrame)) {
            raw.resize(n);
            return true;
        }
        QThread::msleep(5);
    }
    return false;
}

} // namespace

TEST(CaptureServer, TheTestPatternCarriesItsCounterInEveryFormat)
{
    for (FrameFormat f : {FrameFormat{0, 640, 480, 4, 0}, FrameFormat{0, 350, 262, 3, 0}, FrameFormat{0, 64, 48, 3, 0}}) {
        std::vector<uint8_t> raw;
        for (uint32_t counter : {0u, 1u, 12345u, 65535u}) {
            TTestPattern::Render(f, counter, raw);
            ASSERT_EQ(raw.size(), f.FrameSize());
            EXPECT_EQ(Counter(AsImage(raw, f)), counter) << f.width << "x" << f.height << "x" << int(f.bytesPerPixel);
        }
    }
}

TEST(CaptureServer, ServesStatusFormatAndFramesThatFollowEachOther)
{
    testutil::TempDir dir;
    const QString sock = dir.file("s");
    Server server({QStringLiteral("--test-pattern"), QStringLiteral("640x480x4"), QStringLiteral("--fps"), QStringLiteral("50")},
                  sock);
    TUnixClientIPC link(sock.toStdString());
    ASSERT_TRUE(Server::Connect(link));

    uint8_t status[2] = {};
    uint32_t n = 2;
    ASSERT_TRUE(link.Read(status, &n, kReadStatus));
    EXPECT_EQ(status[0], 1);
    EXPECT_EQ(status[1], 1);
    const FrameFormat f = ReadFormat(link);
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
    EXPECT_EQ(f.bytesPerPixel, 4);
    EXPECT_EQ(f.FrameSize(), 1228800u);

    std::vector<uint8_t> raw;
    ASSERT_TRUE(ReadFrame(link, raw, f.FrameSize()));
    ASSERT_EQ(raw.size(), f.FrameSize());
    const uint32_t first = Counter(AsImage(raw, f));
    QElapsedTimer between;
    between.start();
    QThread::msleep(100);
    ASSERT_TRUE(ReadFrame(link, raw, f.FrameSize()));
    const uint32_t later = Counter(AsImage(raw, f));
    EXPECT_GT(later, first);
    // 50 frames a second: no more frames than the time between the reads holds, however long a loaded machine
    // made it.
    EXPECT_LE(later - first, uint32_t(between.elapsed() / 20 + 2));

    // A buffer one byte short: refused, nothing written; the link goes on.
    std::vector<uint8_t> small(f.FrameSize() - 1, 0x5A);
    n = uint32_t(small.size());
    EXPECT_FALSE(link.Read(small.data(), &n, kReadFrame));
    EXPECT_EQ(small, std::vector<uint8_t>(f.FrameSize() - 1, 0x5A));
    // Devices that are not there, and codes that mean nothing.
    uint8_t format[kFormatSize];
    n = kFormatSize;
    EXPECT_FALSE(link.Read(format, &n, kReadFormat + 1));
    n = kFormatSize;
    EXPECT_FALSE(link.Read(format, &n, 42));
    EXPECT_TRUE(link.Ping());
}

TEST(CaptureServer, TheOptionsCommandStepsTheFormatAndSaysSo)
{
    testutil::TempDir dir;
    const QString sock = dir.file("s");
    Server server({QStringLiteral("--test-pattern"), QStringLiteral("640x480x4,350x262x3")}, sock);
    TUnixClientIPC link(sock.toStdString());
    ASSERT_TRUE(Server::Connect(link));

    struct Window : QObject {
        std::vector<uint32_t> got;
        bool event(QEvent* e) override
        {
            if (e->type() != kServerMessage)
                return QObject::event(e);
            got.push_back(static_cast<TServerMessage*>(e)->WParam & 0xFFFF);
            return true;
        }
    } window;
    link.Subscribe(&window, int(kEventStatus));
    ASSERT_TRUE(link.Ping());
    link.SendCommand(1, 0);
    testutil::PumpUntil([&] { return !window.got.empty(); }, 30000);
    EXPECT_EQ(window.got, std::vector<uint32_t>{kReadFormat});
    const FrameFormat f = ReadFormat(link);
    EXPECT_EQ(f.width, 350);
    EXPECT_EQ(f.height, 262);
    EXPECT_EQ(f.bytesPerPixel, 3);
    std::vector<uint8_t> raw;
    ASSERT_TRUE(ReadFrame(link, raw, 640 * 480 * 4));
    EXPECT_EQ(raw.size(), f.FrameSize()) << "no frame of the old format after the change";
    EXPECT_LT(Counter(AsImage(raw, f)), 1000u);
}

TEST(CaptureServer, FailuresEndItWithTheReason)
{
    testutil::TempDir dir;
    struct Case {
        QStringList args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{QStringLiteral("--device"), dir.file("video9")}, 1, "cannot open"},
        {{QStringLiteral("--device"), dir.file("s0")}, 1, "cannot open"},
        {{QStringLiteral("--test-pattern"), QStringLiteral("640x480x2")}, 2, "bad --test-pattern"},
        {{QStringLiteral("--fps")}, 2, "missing value"},
        {{QStringLiteral("--colour"), QStringLiteral("1")}, 2, "unknown option"},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.start(kServer, QStringList{QStringLiteral("--socket"), dir.file("s")} + c.args);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardError().contains(c.says)) << c.says;
    }

    // A socket another server holds is left to it; an idle server ends by itself.
    const QString sock = dir.file("held");
    Server first({QStringLiteral("--test-pattern"), QStringLiteral("64x48x4"), QStringLiteral("--idle-exit"),
                  QStringLiteral("1")},
                 sock);
    QProcess second;
    second.start(kServer, {QStringLiteral("--socket"), sock});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("in use"));
    EXPECT_TRUE(first.process().waitForFinished(4000)) << "idle for a second";
    EXPECT_EQ(first.process().exitCode(), 0);
    EXPECT_FALSE(QFile::exists(sock));
}
