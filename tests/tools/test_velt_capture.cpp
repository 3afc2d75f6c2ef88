// The capture server program: what it serves (status, formats, frames with their counter), refusing a frame
// larger than the client's buffer, the options command stepping the format, its failures, and what a client
// that never reads and a server out of descriptors cost it.
#include "common/testutil.h"
#include "platform/ipc/CaptureProtocol.h"
#include "platform/ipc/UnixClientIPC.h"
#include "platform/ipc/UnixSocket.h"
#include "tools/velt-capture/TestPattern.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace ipc;

namespace {

const QString kServer = QStringLiteral(VELT_BINARY_DIR "/bin/velt-capture");

// The server on a socket of its own, stopped at the end.
class Server {
public:
    // openFiles > 0: the server's descriptor limit.
    explicit Server(const QStringList& args, const QString& socket, int openFiles = 0)
    {
        if (openFiles > 0)
            process_.setChildProcessModifier([openFiles] {
                const rlimit limit{rlim_t(openFiles), rlim_t(openFiles)};
                ::setrlimit(RLIMIT_NOFILE, &limit);
            });
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

// Records the event codes of the server's notices it receives.
struct Window : QObject {
    std::vector<uint32_t> got;
    bool event(QEvent* e) override
    {
        if (e->type() != kServerMessage)
            return QObject::event(e);
        got.push_back(static_cast<TServerMessage*>(e)->WParam & 0xFFFF);
        return true;
    }
};

// A line of the server's /proc status ("VmHWM": the most memory it has held), in kB.
long ProcStatusKb(const QProcess& p, const char* key)
{
    const QByteArray status = testutil::readFile(QStringLiteral("/proc/%1/status").arg(p.processId()));
    for (const QByteArray& line : status.split('\n'))
        if (line.startsWith(QByteArray(key) + ':'))
            return line.mid(int(strlen(key)) + 1).trimmed().split(' ').front().toLong();
    return -1;
}

// The processor time the server has used, in seconds.
double CpuSeconds(const QProcess& p)
{
    const QByteArray stat = testutil::readFile(QStringLiteral("/proc/%1/stat").arg(p.processId()));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLong() + fields.value(12).toLong()) / double(::sysconf(_SC_CLK_TCK));
}

std::vector<uint8_t> Request(Op op, uint16_t code, uint32_t a)
{
    Header h;
    h.op = uint16_t(op);
    h.code = code;
    h.a = a;
    std::vector<uint8_t> bytes(kHeaderSize);
    Encode(h, bytes.data());
    return bytes;
}

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

    Window window;
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

TEST(CaptureServer, AClientThatNeverReadsIsHeldToABoundedQueue)
{
    testutil::TempDir dir;
    const QString sock = dir.file("s");
    Server server({QStringLiteral("--test-pattern"), QStringLiteral("640x480x4,320x240x3")}, sock);
    TUnixClientIPC journal(sock.toStdString());
    ASSERT_TRUE(Server::Connect(journal));
    const FrameFormat f = ReadFormat(journal);
    std::vector<uint8_t> raw;
    ASSERT_TRUE(ReadFrame(journal, raw, f.FrameSize()));
    const long before = ProcStatusKb(server.process(), "VmRSS");

    // A client asks for 1,000 frames of 1.2 MB and reads nothing; it sends while the server takes its
    // requests, and the journal reads frames whenever the server takes no more.
    const int flood = ConnectUnix(sock.toStdString());
    ASSERT_GE(flood, 0);
    const std::vector<uint8_t> subscribe = Request(Op::Subscribe, 0, kEventStatus);
    ASSERT_TRUE(SendAll(flood, subscribe.data(), subscribe.size(), 30000));
    const std::vector<uint8_t> ask = Request(Op::Read, kReadFrame, f.FrameSize());
    int sent = 0, servedMeanwhile = 0;
    while (sent < 1000 && servedMeanwhile < 5) {
        const ssize_t w = ::send(flood, ask.data(), ask.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (w == ssize_t(ask.size())) {
            ++sent;
            servedMeanwhile = 0;
            continue;
        }
        ASSERT_TRUE(w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) << w;
        ASSERT_TRUE(ReadFrame(journal, raw, f.FrameSize())) << "the journal is served";
        ++servedMeanwhile;
    }
    ASSERT_TRUE(ReadFrame(journal, raw, f.FrameSize()));
    const long peak = ProcStatusKb(server.process(), "VmHWM");
    EXPECT_LT(peak - before, 64 * 1024) << sent << " requests sent; at most " << peak << " kB, " << before
                                        << " kB before";
    // The format changes three times meanwhile: the client is told once, after what it had asked for.
    for (int i = 0; i < 3; ++i)
        journal.SendCommand(1, 0);
    EXPECT_EQ(ReadFormat(journal).width, 320);

    // Nothing was dropped: once it reads, the client gets a reply to every request it sent, in step, and
    // then to a ping, after which nothing more waits for it.
    int replies = 0, notices = 0;
    std::vector<uint8_t> payload;
    const std::vector<uint8_t> ping = Request(Op::Ping, 0, 0);
    for (bool pinged = false;;) {
        if (replies == sent && !pinged) {
            ASSERT_TRUE(SendAll(flood, ping.data(), ping.size(), 30000));
            pinged = true;
        }
        uint8_t head[kHeaderSize];
        if (!RecvAll(flood, head, kHeaderSize, 30000))
            break;
        const Header h = Decode(head);
        payload.resize(h.b);
        if (h.magic != kMagic || !RecvAll(flood, payload.data(), h.b, 30000))
            break;
        if (h.op == uint16_t(Kind::Reply) && h.code == uint16_t(Op::Ping))
            break;
        replies += h.op == uint16_t(Kind::Reply);
        notices += h.op == uint16_t(Kind::Event) && h.code == kReadFormat;
    }
    EXPECT_EQ(replies, sent);
    EXPECT_EQ(notices, 1);
    ::close(flood);
}

TEST(CaptureServer, OutOfDescriptorsItTurnsNewClientsAwayAndServesTheOthersWithoutSpinning)
{
    testutil::TempDir dir;
    const QString sock = dir.file("s");
    // The standard three, the listening socket and a reserve leave 11 of 16 descriptors to clients.
    Server server({QStringLiteral("--test-pattern"), QStringLiteral("64x48x4"), QStringLiteral("--fps"),
                   QStringLiteral("10")},
                  sock, 16);
    TUnixClientIPC journal(sock.toStdString());
    ASSERT_TRUE(Server::Connect(journal));

    // 30 more: ten fit, the others are turned away and hear so (their stream ends) instead of waiting.
    std::vector<int> others;
    int refused = 0;
    for (int i = 0; i < 30; ++i) {
        const int fd = ConnectUnix(sock.toStdString());
        if (fd >= 0)
            others.push_back(fd);
        else
            ++refused;
    }
    const auto ended = [](int fd) {
        char c;
        return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
    };
    long turnedAway = 0;
    EXPECT_TRUE(testutil::PumpUntil([&] {
        turnedAway = std::count_if(others.begin(), others.end(), ended) + refused;
        return turnedAway >= 15;
    }, 30000)) << turnedAway << " turned away";
    QByteArray said;
    EXPECT_TRUE(testutil::PumpUntil([&] {
        said += server.process().readAllStandardError();
        return said.contains("out of descriptors");
    }, 30000)) << said.toStdString();
    TUnixClientIPC late(sock.toStdString());
    EXPECT_FALSE(late.Connect(1000, nullptr)) << "turned away too";

    // The journal is told of each frame and served, and between frames the server sleeps: ten frames at
    // ten a second take it a small part of a second of processor time.
    Window window;
    journal.Subscribe(&window, int(kEventFrames));
    const double cpu = CpuSeconds(server.process());
    EXPECT_TRUE(testutil::PumpUntil([&] { return window.got.size() >= 10; }, 30000));
    EXPECT_LT(CpuSeconds(server.process()) - cpu, 0.3);
    const FrameFormat f = ReadFormat(journal);
    std::vector<uint8_t> raw;
    EXPECT_TRUE(ReadFrame(journal, raw, f.FrameSize()));

    // Clients leave: there is room again.
    for (int fd : others)
        ::close(fd);
    EXPECT_TRUE(Server::Connect(late));
}
