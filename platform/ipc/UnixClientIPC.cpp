#include "platform/ipc/UnixClientIPC.h"

#include "platform/ipc/CaptureProtocol.h"
#include "platform/ipc/IpcLimits.h"
#include "platform/ipc/UnixSocket.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>

#include <poll.h>
#include <unistd.h>

namespace ipc {

namespace {

// A server started by the client ends by itself this many seconds after its last client left.
constexpr const char* kIdleExitSeconds = "5";

uint32_t classOf(uint16_t event)
{
    return event >= kReadFrame && event < kReadFormat ? kEventFrames : kEventStatus;
}

} // namespace

TUnixClientIPC::TUnixClientIPC(std::string socketPath) : socketPath_(std::move(socketPath)) {}

TUnixClientIPC::~TUnixClientIPC()
{
    unlink();
}

bool TUnixClientIPC::Connect(int clientId, const char* serverPath)
{
    clientId_ = clientId;
    serverPath_ = serverPath ? serverPath : "";
    refusal_ = {};
    if (std::string why; !SocketFolderIsPrivate(socketPath_, false, &why)) {
        refusal_ = {SocketFolder(socketPath_), why};
        connected_ = false;
        return false;
    }
    connected_ = true;
    if (link())
        return true;
    // Nothing answers yet: start the server; the requests that follow reach it once it listens.
    const QFileInfo program(QString::fromLocal8Bit(serverPath_.c_str()));
    if (!serverPath_.empty() && program.isFile() && program.isExecutable() &&
        QProcess::startDetached(program.absoluteFilePath(),
                                {QStringLiteral("--socket"), QString::fromLocal8Bit(socketPath_.c_str()),
                                 QStringLiteral("--idle-exit"), QString::fromLatin1(kIdleExitSeconds)}))
        return true;
    connected_ = false;
    return false;
}

bool TUnixClientIPC::ensureLinked()
{
    return fd_ >= 0 || (connected_ && link());
}

bool TUnixClientIPC::link()
{
    unlink();
    fd_ = ConnectUnix(socketPath_);
    if (fd_ < 0)
        return false;
    Header reply;
    if (!send(uint16_t(Op::Hello), 0, uint32_t(clientId_), 0) || !awaitReply(reply)) {
        unlink();
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    sendSubscriptions();
    return true;
}

void TUnixClientIPC::unlink()
{
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool TUnixClientIPC::send(uint16_t op, uint16_t code, uint32_t a, uint32_t b)
{
    Header h;
    h.op = op;
    h.code = code;
    h.a = a;
    h.b = b;
    uint8_t bytes[kHeaderSize];
    Encode(h, bytes);
    if (SendAll(fd_, bytes, kHeaderSize, timeoutMs_))
        return true;
    unlink();
    return false;
}

bool TUnixClientIPC::awaitReply(Header& reply)
{
    for (;;) {
        uint8_t bytes[kHeaderSize];
        if (!RecvAll(fd_, bytes, kHeaderSize, timeoutMs_))
            break;
        const Header h = Decode(bytes);
        if (h.magic != kMagic || h.b > kMaxPayload)
            break;
        if (h.op == uint16_t(Kind::Event)) {
            deliver(h.code);
            if (!drain(h.b))
                break;
            continue;
        }
        if (h.op != uint16_t(Kind::Reply))
            break;
        reply = h;
        return true;
    }
    // Out of step, silent or gone: the next request links again.
    unlink();
    return false;
}

bool TUnixClientIPC::drain(uint32_t n)
{
    char sink[4096];
    while (n > 0) {
        const uint32_t part = n < sizeof sink ? n : uint32_t(sizeof sink);
        if (!RecvAll(fd_, sink, part, timeoutMs_))
            return false;
        n -= part;
    }
    return true;
}

bool TUnixClientIPC::Read(void* buffer, uint32_t* count, uint16_t code)
{
    if (!buffer || !count || !ensureLinked())
        return false;
    if (!send(uint16_t(Op::Read), code, *count, 0))
        return false;
    Header reply;
    if (!awaitReply(reply))
        return false;
    if (reply.a != uint32_t(Status::Ok) || reply.b > *count) {
        // Refused, or more than the buffer holds (a server of another build): nothing is written.
        if (!drain(reply.b))
            unlink();
        return false;
    }
    if (!RecvAll(fd_, buffer, reply.b, timeoutMs_)) {
        unlink();
        return false;
    }
    *count = reply.b;
    return true;
}

bool TUnixClientIPC::Ping()
{
    Header reply;
    return ensureLinked() && send(uint16_t(Op::Ping), 0, 0, 0) && awaitReply(reply) && drain(reply.b);
}

bool TUnixClientIPC::Subscribe(QObject* window, int event)
{
    if (!window || (uint32_t(event) != kEventStatus && uint32_t(event) != kEventFrames))
        return false;
    for (const Subscription& s : subs_)
        if (s.window == window && s.eventClass == uint32_t(event))
            return true;
    subs_.push_back({window, uint32_t(event)});
    return ensureLinked() && send(uint16_t(Op::Subscribe), 0, uint32_t(event), 0);
}

bool TUnixClientIPC::Unsubscribe(QObject* window, int event)
{
    std::erase_if(subs_, [&](const Subscription& s) {
        return s.window.isNull() || (s.window == window && (event == 0 || s.eventClass == uint32_t(event)));
    });
    std::erase_if(outstanding_, [&](const auto& entry) { return entry.first.first == window; });
    if (fd_ < 0)
        return true;
    // The server keeps one subscription per class and link: a class goes when no window wants it.
    for (uint32_t cls : {kEventStatus, kEventFrames}) {
        const bool wanted = std::any_of(subs_.begin(), subs_.end(), [&](const Subscription& s) { return s.eventClass == cls; });
        if (!wanted && !send(uint16_t(Op::Unsubscribe), 0, cls, 0))
            return false;
    }
    return true;
}

void TUnixClientIPC::sendSubscriptions()
{
    for (uint32_t cls : {kEventStatus, kEventFrames})
        if (std::any_of(subs_.begin(), subs_.end(), [&](const Subscription& s) { return s.eventClass == cls; }))
            if (!send(uint16_t(Op::Subscribe), 0, cls, 0))
                return;
}

bool TUnixClientIPC::SendCommand(int command, int argument)
{
    return ensureLinked() && send(uint16_t(Op::Command), 0, uint32_t(command), uint32_t(argument));
}

bool TUnixClientIPC::Disconnect()
{
    if (fd_ >= 0)
        send(uint16_t(Op::Bye), 0, 0, 0);
    unlink();
    connected_ = false;
    subs_.clear();
    outstanding_.clear();
    return true;
}

void TUnixClientIPC::onReadable()
{
    // Whole notifications only; a reply never comes unasked.
    while (fd_ >= 0) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return;
        if (!(p.revents & POLLIN)) {
            unlink(); // hung up
            return;
        }
        uint8_t bytes[kHeaderSize];
        if (!RecvAll(fd_, bytes, kHeaderSize, timeoutMs_)) {
            unlink();
            return;
        }
        const Header h = Decode(bytes);
        if (h.magic != kMagic || h.b > kMaxPayload || !drain(h.b)) {
            unlink();
            return;
        }
        if (h.op == uint16_t(Kind::Event))
            deliver(h.code);
    }
}

void TUnixClientIPC::deliver(uint16_t event)
{
    const uint32_t cls = classOf(event);
    const uint32_t wParam = (uint32_t(uint16_t(clientId_)) << 16) | event;
    for (const Subscription& s : subs_) {
        if (s.eventClass != cls || s.window.isNull())
            continue;
        std::shared_ptr<bool> flag;
        if (cls == kEventFrames) {
            auto& slot = outstanding_[{s.window.data(), event}];
            if (!slot)
                slot = std::make_shared<bool>(false);
            if (*slot)
                continue; // the window has not taken the last one yet
            *slot = true;
            flag = slot;
        }
        QCoreApplication::postEvent(s.window.data(), new TServerMessage(wParam, flag));
    }
}

} // namespace ipc
