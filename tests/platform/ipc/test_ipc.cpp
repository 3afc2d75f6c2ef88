// The capture link: requests and replies over the socket, refusal of data larger than the buffer, a server
// that stays silent, notifications posted to the subscribed window, starting the server program, and the
// socket's folder, which must be the user's own.
#include "common/testutil.h"
#include "platform/ipc/CaptureProtocol.h"
#include "platform/ipc/ClientIPC.h"
#include "platform/ipc/UnixClientIPC.h"
#include "platform/ipc/UnixSocket.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ipc;

namespace {

// A server of one client in a thread: each request goes to the script, which returns the bytes to send back.
class FakeServer {
public:
    using Script = std::function<std::vector<uint8_t>(const Header&)>;
    FakeServer(std::string path, Script script) : path_(std::move(path)), script_(std::move(script))
    {
        listen_ = ListenUnix(path_);
        EXPECT_GE(listen_, 0);
        thread_ = std::thread([this] { run(); });
    }
    ~FakeServer()
    {
        stop_ = true;
        thread_.join();
        ::close(listen_);
        ::unlink(path_.c_str());
    }
    // Bytes to send to the client now, from outside the script (notifications).
    void Push(std::vector<uint8_t> bytes)
    {
        std::lock_guard g(lock_);
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    }
    int Requests() const { return requests_; }

private:
    void run()
    {
        int fd = -1;
        while (!stop_) {
            if (fd < 0) {
                fd = ::accept(listen_, nullptr, nullptr);
                if (fd < 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    continue;
                }
            }
            {
                std::lock_guard g(lock_);
                if (!pending_.empty()) {
                    SendAll(fd, pending_.data(), pending_.size(), 1000);
                    pending_.clear();
                }
            }
            uint8_t bytes[kHeaderSize];
            if (!RecvAll(fd, bytes, kHeaderSize, 20))
                continue;
            ++requests_;
            const std::vector<uint8_t> answer = script_(Decode(bytes));
            if (!answer.empty())
                SendAll(fd, answer.data(), answer.size(), 1000);
        }
        if (fd >= 0)
            ::close(fd);
    }

    std::string path_;
    Script script_;
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::mutex lock_;
    std::vector<uint8_t> pending_;
    std::thread thread_;
};

std::vector<uint8_t> Message(Kind kind, uint16_t code, Status status, const std::vector<uint8_t>& payload = {})
{
    Header h;
    h.op = uint16_t(kind);
    h.code = code;
    h.a = uint32_t(status);
    h.b = uint32_t(payload.size());
    std::vector<uint8_t> out(kHeaderSize + payload.size());
    Encode(h, out.data());
    std::copy(payload.begin(), payload.end(), out.begin() + kHeaderSize);
    return out;
}

std::vector<uint8_t> Event(uint16_t code)
{
    return Message(Kind::Event, code, Status::Ok);
}

// A server that answers HELLO, and READ of code 0 with two bytes and of code 100 with the bytes given.
FakeServer::Script Answering(std::vector<uint8_t> frame)
{
    return [frame](const Header& h) -> std::vector<uint8_t> {
        if (h.op == uint16_t(Op::Hello) || h.op == uint16_t(Op::Ping))
            return Message(Kind::Reply, h.op, Status::Ok);
        if (h.op == uint16_t(Op::Read) && h.code == 0)
            return Message(Kind::Reply, h.op, Status::Ok, {1, 2});
        if (h.op == uint16_t(Op::Read) && h.code == 100)
            return Message(Kind::Reply, h.op, Status::Ok, frame); // whatever the client's buffer holds
        return {};
    };
}

// Records the server messages it receives.
class Window : public QObject {
public:
    std::vector<uint32_t> got;
    bool event(QEvent* e) override
    {
        if (e->type() != kServerMessage)
            return QObject::event(e);
        got.push_back(static_cast<TServerMessage*>(e)->WParam);
        return true;
    }
};


} // namespace

TEST(CaptureLink, DataLargerThanTheBufferIsRefusedAndTheLinkStaysInStep)
{
    testutil::TempDir dir;
    const std::string sock = dir.file("s").toStdString();
    FakeServer server(sock, Answering(std::vector<uint8_t>(64, 0xAB)));
    TUnixClientIPC link(sock);
    ASSERT_TRUE(link.Connect(1000, nullptr));

    // 64 bytes offered to a buffer of 16: nothing written past (or into) it.
    std::vector<uint8_t> buffer(32, 0x11);
    uint32_t count = 16;
    EXPECT_FALSE(link.Read(buffer.data(), &count, 100));
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(buffer, std::vector<uint8_t>(32, 0x11));

    // The refused bytes were read off the link: the next reply is the status's own.
    uint8_t status[2] = {};
    count = 2;
    ASSERT_TRUE(link.Read(status, &count, 0));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(status[0], 1);
    EXPECT_EQ(status[1], 2);

    // Room enough: all 64 arrive.
    count = 32 + 32;
    std::vector<uint8_t> big(64);
    ASSERT_TRUE(link.Read(big.data(), &count, 100));
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(big, std::vector<uint8_t>(64, 0xAB));
}

TEST(CaptureLink, ASilentServerFailsTheRequestWithinItsTimeOut)
{
    testutil::TempDir dir;
    const std::string sock = dir.file("s").toStdString();
    // Answers the greeting, then nothing.
    FakeServer server(sock, [](const Header& h) {
        return h.op == uint16_t(Op::Hello) ? Message(Kind::Reply, h.op, Status::Ok) : std::vector<uint8_t>();
    });
    TUnixClientIPC link(sock);
    // Longer than the default, so that a wait of the default would show as too short.
    link.SetTimeout(1500);
    ASSERT_TRUE(link.Connect(1000, nullptr));
    QElapsedTimer t;
    t.start();
    uint8_t status[2] = {7, 7};
    uint32_t count = 2;
    EXPECT_FALSE(link.Read(status, &count, 0));
    EXPECT_GE(t.elapsed(), 1000) << "the time-out set, not the default";
    EXPECT_LT(t.elapsed(), 1500 + testutil::kPromptMs);
    EXPECT_EQ(status[0], 7);
    EXPECT_FALSE(link.Linked()) << "a link out of step is dropped";
    // Nothing listens and no program: Connect says so.
    TUnixClientIPC nobody(dir.file("none").toStdString());
    EXPECT_FALSE(nobody.Connect(1000, dir.file("no-such-program").toLocal8Bit().constData()));
}

TEST(CaptureLink, NotificationsReachTheSubscribedWindowAndFrameOnesDoNotQueueUp)
{
    testutil::TempDir dir;
    const std::string sock = dir.file("s").toStdString();
    FakeServer server(sock, Answering({}));
    TUnixClientIPC link(sock);
    ASSERT_TRUE(link.Connect(1000, nullptr));
    Window status, frames, none;
    link.Subscribe(&status, int(kEventStatus));
    link.Subscribe(&frames, int(kEventFrames));
    ASSERT_TRUE(link.Ping());

    // Three frame notices before the window runs: one reaches it; the status and format notices all do.
    for (uint16_t code : {uint16_t(100), uint16_t(100), uint16_t(1), uint16_t(100), uint16_t(201)})
        server.Push(Event(code));
    // The last notice pushed is a status one: once it is in, every frame notice before it has been met.
    testutil::PumpUntil([&] { return status.got.size() >= 2; });
    testutil::PumpEvents(50);
    EXPECT_EQ(frames.got, (std::vector<uint32_t>{(1000u << 16) | 100}));
    EXPECT_EQ(status.got, (std::vector<uint32_t>{(1000u << 16) | 1, (1000u << 16) | 201}));
    EXPECT_TRUE(none.got.empty());

    // Taken: the next frame notice comes through.
    server.Push(Event(100));
    testutil::PumpUntil([&] { return frames.got.size() >= 2; });
    EXPECT_EQ(frames.got.size(), 2u);

    // Notices met while a reply is awaited are delivered too.
    server.Push(Event(1));
    uint8_t s[2];
    uint32_t count = 2;
    testutil::PumpEvents(20);
    ASSERT_TRUE(link.Read(s, &count, 0));
    testutil::PumpUntil([&] { return status.got.size() >= 3; });
    EXPECT_EQ(status.got.size(), 3u);

    // Unsubscribed: nothing more.
    link.Unsubscribe(&frames, 0);
    server.Push(Event(100));
    testutil::PumpEvents(100);
    EXPECT_EQ(frames.got.size(), 2u);
}

TEST(CaptureLink, ConnectStartsTheServerProgramAndReachesIt)
{
    testutil::TempDir dir;
    const std::string sock = dir.file("capture.sock").toStdString();
    TUnixClientIPC link(sock);
    const QByteArray program = QByteArrayLiteral(VELT_BINARY_DIR "/bin/velt-capture");
    ASSERT_TRUE(link.Connect(1000, program.constData()));
    QElapsedTimer t;
    t.start();
    uint8_t status[2] = {};
    uint32_t count = 2;
    while (!link.Read(status, &count, 0) && t.elapsed() < 30000)
        QThread::msleep(10);
    EXPECT_EQ(status[0], 1) << "ready";
    EXPECT_GE(status[1], 1) << "a camera, or the test pattern";
    EXPECT_TRUE(link.Ping());
    link.Disconnect();
    EXPECT_FALSE(link.Ping()) << "after Disconnect nothing links again";
}

TEST(CaptureLink, TheSocketLivesOnlyInAFolderOfTheUsersOwn)
{
    const QString program = QStringLiteral(VELT_BINARY_DIR "/bin/velt-capture");
    const bool root = ::geteuid() == 0;
    const auto makeFolder = [](const QString& folder, mode_t mode) {
        ASSERT_TRUE(QDir().mkdir(folder));
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), mode), 0);
    };
    struct Case {
        const char* what;
        std::function<void(const QString& folder)> make;
        const char* refusal;    // what the server says, null: it listens
        bool linkRefuses;       // the journal's link refuses before starting any server
        bool needsRoot;         // only root can make files of another user
    };
    const Case cases[] = {
        {"not made yet", [](const QString&) {}, nullptr, false, false},
        {"open to others", [&](const QString& f) { makeFolder(f, 0777); }, "other users may write in it (mode 0777)",
         true, false},
        {"another user's",
         [&](const QString& f) {
             makeFolder(f, 0700);
             ASSERT_EQ(::chown(QFile::encodeName(f).constData(), 65534, 65534), 0);
         },
         "belongs to another user (uid 65534)", true, true},
        {"a link to a folder of the user's",
         [&](const QString& f) {
             makeFolder(f + QStringLiteral(".real"), 0700);
             ASSERT_TRUE(QFile::link(f + QStringLiteral(".real"), f));
         },
         "a link, not a folder", true, false},
        {"another user's socket in it",
         [&](const QString& f) {
             makeFolder(f, 0700);
             const int fd = ListenUnix((f + QStringLiteral("/velt-capture.sock")).toStdString());
             ASSERT_GE(fd, 0);
             ::close(fd);
             ASSERT_EQ(::lchown(QFile::encodeName(f + QStringLiteral("/velt-capture.sock")).constData(), 65534, 65534), 0);
         },
         "velt-capture.sock: belongs to another user (uid 65534)", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && !root) {
            std::printf("[   NOTE   ] not run without root: %s\n", c.what);
            continue;
        }
        testutil::TempDir base;
        const QString folder = base.file(QStringLiteral("velt-capture-%1").arg(::getuid()));
        c.make(folder);
        if (::testing::Test::HasFatalFailure())
            return;
        const std::string socket = (folder + QStringLiteral("/velt-capture.sock")).toStdString();

        // The server on its default socket, with no private runtime folder (one open to others is passed
        // over): its folder in the temporary folder.
        makeFolder(base.file(QStringLiteral("run")), 0777);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("VELT_CAPTURE_SOCKET"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), base.file(QStringLiteral("run")));
        env.insert(QStringLiteral("TMPDIR"), base.path());
        QProcess server;
        server.setProcessEnvironment(env);
        server.start(program, {QStringLiteral("--test-pattern"), QStringLiteral("64x48x4"), QStringLiteral("--idle-exit"),
                               QStringLiteral("1")});
        ASSERT_TRUE(server.waitForStarted(10000));
        if (!c.refusal) {
            TUnixClientIPC link(socket);
            EXPECT_TRUE(testutil::PumpUntil([&] { return link.Connect(1000, nullptr); }, 30000));
            EXPECT_TRUE(link.Ping());
            struct stat st;
            ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, 0700u);
            EXPECT_EQ(st.st_uid, ::getuid());
            link.Disconnect();
            EXPECT_TRUE(server.waitForFinished(30000)) << "idle";
            continue;
        }
        ASSERT_TRUE(server.waitForFinished(30000));
        EXPECT_EQ(server.exitCode(), 1);
        const QByteArray said = server.readAllStandardError();
        EXPECT_TRUE(said.contains(c.refusal)) << said.toStdString();

        // The journal's link: refused at once, with the folder and the reason, and no server started.
        if (c.linkRefuses) {
            TUnixClientIPC link(socket);
            EXPECT_FALSE(link.Connect(1000, program.toLocal8Bit().constData()));
            EXPECT_EQ(link.Refused().folder, folder.toStdString());
            EXPECT_NE(link.Refused().reason.find(c.refusal), std::string::npos) << link.Refused().reason;
            EXPECT_FALSE(QFile::exists(QString::fromStdString(socket)));
        }
    }
}
