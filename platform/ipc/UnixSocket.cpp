#include "platform/ipc/UnixSocket.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ipc {

namespace {

using Clock = std::chrono::steady_clock;

bool makeAddress(const std::string& path, sockaddr_un& addr, std::string* error)
{
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        if (error)
            *error = "socket path empty or too long: " + path;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

void fail(std::string* error, const std::string& what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}

// Waits until fd is ready for events; false on time-out or error.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, remainingMs(deadline));
        if (r > 0)
            return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (r == 0)
            return false;
        if (errno != EINTR)
            return false;
    }
}

std::string octal(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
    return text;
}

// Why a folder cannot hold the socket, or empty when it can (a missing one with missing set to true).
std::string folderProblem(const std::string& dir, bool* missing = nullptr)
{
    struct stat st;
    if (::lstat(dir.c_str(), &st) != 0) {
        if (missing)
            *missing = errno == ENOENT;
        return dir + ": " + std::strerror(errno);
    }
    if (S_ISLNK(st.st_mode))
        return dir + ": a link, not a folder"; // whoever owns the link may point it elsewhere later
    if (!S_ISDIR(st.st_mode))
        return dir + ": not a folder";
    if (st.st_uid != ::getuid())
        return dir + ": belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return dir + ": other users may write in it (mode " + octal(st.st_mode) + ")";
    return {};
}

} // namespace

std::string DefaultSocketPath()
{
    if (const char* env = std::getenv("VELT_CAPTURE_SOCKET"); env && *env)
        return env;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run && folderProblem(run).empty())
        return std::string(run) + "/velt-capture.sock";
    std::string tmp = "/tmp";
    if (const char* env = std::getenv("TMPDIR"); env && *env == '/')
        tmp = env;
    while (tmp.size() > 1 && tmp.back() == '/')
        tmp.pop_back();
    return tmp + "/velt-capture-" + std::to_string(::getuid()) + "/velt-capture.sock";
}

std::string SocketFolder(const std::string& socketPath)
{
    const size_t slash = socketPath.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : socketPath.substr(0, slash);
}

bool SocketFolderIsPrivate(const std::string& socketPath, bool make, std::string* error)
{
    const std::string dir = SocketFolder(socketPath);
    bool missing = false;
    std::string problem = folderProblem(dir, &missing);
    if (missing && !make)
        return true;
    if (missing) {
        // Made before anyone else can: an existing one, of whoever made it, is checked as any other.
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            fail(error, "cannot make " + dir);
            return false;
        }
        problem = folderProblem(dir);
    }
    if (!problem.empty() && error)
        *error = problem;
    return problem.empty();
}

bool PeerIsSameUser(int fd)
{
    ucred cred{};
    socklen_t len = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid();
}

int ConnectUnix(const std::string& path, std::string* error)
{
    sockaddr_un addr;
    if (!makeAddress(path, addr, error))
        return -1;
    // Non-blocking: a server whose queue of connections is full (busy, stopped, out of descriptors) is
    // told at once (EAGAIN) instead of holding the caller.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        fail(error, "socket");
        return -1;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        fail(error, "connect " + path);
        ::close(fd);
        return -1;
    }
    if (!PeerIsSameUser(fd)) {
        if (error)
            *error = path + ": the server runs as another user";
        ::close(fd);
        return -1;
    }
    return fd;
}

int ListenUnix(const std::string& path, std::string* error)
{
    sockaddr_un addr;
    if (!makeAddress(path, addr, error))
        return -1;
    if (!SocketFolderIsPrivate(path, true, error))
        return -1;
    // A file left by a server that died is replaced; a server that still answers keeps its socket.
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            if (error)
                *error = path + ": exists and is not a socket";
            return -1;
        }
        if (st.st_uid != ::getuid()) {
            if (error)
                *error = path + ": belongs to another user (uid " + std::to_string(st.st_uid) + ")";
            return -1;
        }
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const int rc = probe < 0 ? -1 : ::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        const int err = errno;
        if (probe >= 0)
            ::close(probe);
        if (rc == 0 || err != ECONNREFUSED) {
            if (error)
                *error = path + ": in use";
            return -1;
        }
        ::unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        fail(error, "socket");
        return -1;
    }
    const mode_t old = ::umask(077);
    const int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::umask(old);
    if (bound != 0 || ::listen(fd, 16) != 0) {
        fail(error, "listen " + path);
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const void* data, size_t n, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (w > 0) {
            p += w;
            n -= size_t(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return false;
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

bool RecvAll(int fd, void* data, size_t n, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t r = ::recv(fd, p, n, MSG_DONTWAIT);
        if (r > 0) {
            p += r;
            n -= size_t(r);
        } else if (r == 0) {
            return false; // the peer closed
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(fd, POLLIN, deadline))
                return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

} // namespace ipc
