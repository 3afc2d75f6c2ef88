#include "tools/velt-capture/CaptureServer.h"

#include "platform/ipc/UnixSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace ipc;

namespace {

using Clock = std::chrono::steady_clock;

// A client with this much unsent gets no further frame notices, and its further requests stay unread,
// until it reads.
constexpr size_t kBacklog = 64 * 1024;
// Requests read ahead of their handling, per client.
constexpr size_t kReadAhead = 64 * 1024;
// The longest the loop sleeps, so that Stop() and the idle time-out are seen.
constexpr int kTickMs = 100;
// With no descriptor left even to turn a client away, the listening socket rests this long.
constexpr auto kListenRest = std::chrono::seconds(1);

int openReserve()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

} // namespace

TCaptureServer::TCaptureServer(std::vector<std::unique_ptr<TFrameSource>> devices, int listenFd, int idleExitMs)
    : listenFd_(listenFd), reserveFd_(openReserve()), idleExitMs_(idleExitMs), lastClient_(Clock::now())
{
    for (auto& d : devices)
        devices_.push_back({std::move(d), {}});
}

TCaptureServer::~TCaptureServer()
{
    for (auto& c : clients_)
        ::close(c->fd);
    if (listenFd_ >= 0)
        ::close(listenFd_);
    if (reserveFd_ >= 0)
        ::close(reserveFd_);
}

int TCaptureServer::Run()
{
    std::vector<pollfd> fds;
    while (!stop_) {
        fds.clear();
        const bool listening = Clock::now() >= listenPausedUntil_;
        fds.push_back({listening ? listenFd_ : -1, POLLIN, 0});
        const size_t polled = clients_.size();
        for (auto& c : clients_) {
            // Requests are taken while there is room for them and the replies before them have gone.
            const bool takes = c->in.size() < kReadAhead && c->Unsent() <= kBacklog;
            fds.push_back({c->fd, short((takes ? POLLIN : 0) | (c->Unsent() ? POLLOUT : 0)), 0});
        }
        int timeout = kTickMs;
        for (auto& d : devices_) {
            fds.push_back({d.source->PollFd(), POLLIN, 0}); // -1 is ignored by poll
            if (const int ms = d.source->MsUntilFrame(); ms >= 0)
                timeout = std::min(timeout, ms);
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            std::perror("velt-capture: poll");
            return 1;
        }
        for (size_t i = 0; i < polled; ++i) {
            Client& c = *clients_[i];
            const short ev = fds[1 + i].revents;
            if (ev & (POLLHUP | POLLERR))
                c.closing = true; // gone: nothing more can be read or delivered
            else if (ev & POLLIN)
                receive(c);
            if (!c.closing && c.Unsent())
                flush(c);
            serve(c);
        }
        for (size_t n = 0; n < devices_.size(); ++n) {
            const pollfd& p = fds[1 + polled + n];
            const bool clocked = devices_[n].source->MsUntilFrame() == 0;
            const bool readable = p.fd >= 0 && (p.revents & POLLIN);
            if (clocked || readable)
                grab(n);
        }
        const size_t before = clients_.size();
        std::erase_if(clients_, [](const std::unique_ptr<Client>& c) {
            if (c->closing)
                ::close(c->fd);
            return c->closing;
        });
        if (clients_.size() < before)
            listenPausedUntil_ = {}; // a descriptor came free
        if (fds[0].revents & POLLIN)
            accept();
        const auto now = Clock::now();
        if (!clients_.empty())
            lastClient_ = now;
        else if (idleExitMs_ > 0 && now - lastClient_ > std::chrono::milliseconds(idleExitMs_))
            return 0;
    }
    return 0;
}

void TCaptureServer::accept()
{
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE)
                turnAway();
            return;
        }
        turningAway_ = false;
        if (!PeerIsSameUser(fd)) {
            ::close(fd);
            continue;
        }
        auto c = std::make_unique<Client>();
        c->fd = fd;
        clients_.push_back(std::move(c));
    }
}

void TCaptureServer::turnAway()
{
    if (!turningAway_)
        std::fprintf(stderr, "velt-capture: out of descriptors (%s): new clients are turned away until one leaves\n",
                     std::strerror(errno));
    turningAway_ = true;
    // Each waiting connection is taken on the reserve descriptor and closed: its client hears at once,
    // and the listening socket does not stay readable, which would wake the loop without end.
    while (reserveFd_ >= 0) {
        ::close(reserveFd_);
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
        reserveFd_ = openReserve();
        if (fd < 0)
            break;
    }
    if (reserveFd_ < 0) {
        // The whole system is out: the waiting clients wait, and the socket is looked at again later.
        listenPausedUntil_ = Clock::now() + kListenRest;
        reserveFd_ = openReserve();
    }
}

void TCaptureServer::receive(Client& c)
{
    uint8_t buf[4096];
    while (c.in.size() < kReadAhead) {
        const ssize_t r = ::recv(c.fd, buf, std::min(sizeof buf, kReadAhead - c.in.size()), MSG_DONTWAIT);
        if (r > 0) {
            c.in.insert(c.in.end(), buf, buf + r);
            continue;
        }
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            c.closing = true;
        break;
    }
}

void TCaptureServer::serve(Client& c)
{
    size_t used = 0;
    while (!c.closing && c.in.size() - used >= kHeaderSize && c.Unsent() <= kBacklog) {
        handle(c, c.in.data() + used);
        used += kHeaderSize;
    }
    c.in.erase(c.in.begin(), c.in.begin() + std::ptrdiff_t(used));
}

void TCaptureServer::handle(Client& c, const uint8_t* request)
{
    const Header h = Decode(request);
    if (h.magic != kMagic) {
        c.closing = true; // not one of ours
        return;
    }
    switch (Op(h.op)) {
    case Op::Hello:
        c.id = h.a;
        reply(c, h.op, uint32_t(Status::Ok), nullptr, 0);
        break;
    case Op::Ping:
        reply(c, h.op, uint32_t(Status::Ok), nullptr, 0);
        break;
    case Op::Read: {
        const uint32_t room = h.a;
        const int n = h.code >= kReadFormat ? h.code - kReadFormat : h.code >= kReadFrame ? h.code - kReadFrame : -1;
        uint8_t small[kFormatSize] = {};
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        if (h.code == kReadStatus) {
            small[0] = 1; // ready once the devices are set up, which they are before the loop runs
            small[1] = uint8_t(std::min<size_t>(devices_.size(), 255));
            data = small;
            size = kStatusSize;
        } else if (n >= 0 && n < int(devices_.size()) && h.code >= kReadFormat) {
            devices_[size_t(n)].source->Format().Encode(small);
            data = small;
            size = kFormatSize;
        } else if (n >= 0 && n < int(devices_.size()) && !devices_[size_t(n)].frame.empty()) {
            c.device = uint32_t(n);
            data = devices_[size_t(n)].frame.data();
            size = uint32_t(devices_[size_t(n)].frame.size());
        }
        if (!data)
            reply(c, h.op, uint32_t(n < 0 && h.code != kReadStatus ? Status::BadRequest : Status::NoData), nullptr, 0);
        else if (size > room)
            reply(c, h.op, uint32_t(Status::TooLarge), nullptr, 0); // never more than the client can take
        else
            reply(c, h.op, uint32_t(Status::Ok), data, size);
        break;
    }
    case Op::Subscribe:
        c.status |= h.a == kEventStatus;
        c.frames |= h.a == kEventFrames;
        break;
    case Op::Unsubscribe:
        if (h.a == 0 || h.a == kEventStatus)
            c.status = false;
        if (h.a == 0 || h.a == kEventFrames)
            c.frames = false;
        break;
    case Op::Command:
        if (h.a == 1)
            options(c.device); // the argument is always 0: the device is the one the client watches
        break;
    case Op::Bye:
        c.closing = true;
        break;
    default:
        reply(c, h.op, uint32_t(Status::BadRequest), nullptr, 0);
        break;
    }
}

void TCaptureServer::reply(Client& c, uint16_t op, uint32_t status, const uint8_t* data, uint32_t n)
{
    Header h;
    h.op = uint16_t(Kind::Reply);
    h.code = op;
    h.a = status;
    h.b = n;
    uint8_t head[kHeaderSize];
    Encode(h, head);
    c.out.insert(c.out.end(), head, head + kHeaderSize);
    if (n)
        c.out.insert(c.out.end(), data, data + n);
    flush(c);
}

void TCaptureServer::flush(Client& c)
{
    while (c.sent < c.out.size()) {
        const ssize_t w = ::send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (w > 0) {
            c.sent += size_t(w);
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else {
            if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                c.closing = true;
            break;
        }
    }
    if (c.sent == c.out.size()) {
        c.out.clear();
        c.sent = 0;
    }
    if (!c.held.empty() && c.Unsent() <= kBacklog) {
        const std::vector<uint16_t> held = std::move(c.held);
        c.held.clear();
        for (uint16_t event : held)
            queueNotice(c, event);
    }
}

void TCaptureServer::queueNotice(Client& c, uint16_t event)
{
    if (c.Unsent() > kBacklog) {
        // Each notice says only that something changed: once is enough however often it did.
        if (std::find(c.held.begin(), c.held.end(), event) == c.held.end())
            c.held.push_back(event);
        return;
    }
    Header h;
    h.op = uint16_t(Kind::Event);
    h.code = event;
    uint8_t msg[kHeaderSize];
    Encode(h, msg);
    c.out.insert(c.out.end(), msg, msg + kHeaderSize);
    flush(c);
}

void TCaptureServer::notify(uint16_t event, bool frames)
{
    for (auto& c : clients_) {
        if (c->closing || !(frames ? c->frames : c->status))
            continue;
        if (frames && c->Unsent() > kBacklog)
            continue; // the next frame's notice will do
        queueNotice(*c, event);
    }
}

void TCaptureServer::grab(size_t n)
{
    Device& d = devices_[n];
    if (!d.source->Grab(d.frame))
        return;
    notify(uint16_t(kReadFrame + n), true);
}

void TCaptureServer::options(uint32_t device)
{
    if (device >= devices_.size())
        return;
    Device& d = devices_[device];
    std::string error;
    if (!d.source->NextFormat(&error)) {
        std::fprintf(stderr, "velt-capture: %s\n", error.c_str());
        return;
    }
    // A frame of the old format is never handed out under the new one.
    d.frame.clear();
    const ipc::FrameFormat f = d.source->Format();
    std::fprintf(stderr, "velt-capture: %s: %ux%u, %u bytes per pixel\n", d.source->Name().c_str(), f.width, f.height,
                 f.bytesPerPixel);
    notify(uint16_t(kReadFormat + device), false);
}
