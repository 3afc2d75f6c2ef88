#include "Devices/Serial/serialport.h"
#include "core/Debug.h"
#include "platform/system/SerialPorts.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}

// The texts carry "+LE": the log appends the system's text of the error.
#define LOG_WAIT(line, text)                                                                                   \
    do {                                                                                                       \
        char prefix[kDbgLocationSize];                                                                         \
        DbgPrintWithPrefix(DbgFormatLocation(prefix, "serialport.cpp", "TSerialPort::WaitData", line), text); \
    } while (0)

bool speedOf(uint32_t baud, speed_t& speed)
{
    static const struct { uint32_t baud; speed_t speed; } table[] = {
        {110, B110}, {300, B300}, {600, B600}, {1200, B1200}, {2400, B2400}, {4800, B4800}, {9600, B9600},
        {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const auto& e : table) {
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

void drainEvent(int fd)
{
    uint64_t v;
    while (::read(fd, &v, sizeof v) > 0) {
    }
}

} // namespace

TSerialPort::TSerialPort() = default;

TSerialPort::~TSerialPort()
{
    Close();
}

QString TSerialPort::DeviceName(uint16_t portNumber)
{
    return portNumber < 10 ? QStringLiteral("COM%1").arg(portNumber) : QStringLiteral("\\\\.\\COM%1").arg(portNumber);
}

bool TSerialPort::Open(uint16_t portNumber)
{
    Close();
    std::lock_guard<std::mutex> g(lock_);
    const QString device = sys::SerialPortDevice(portNumber);
    int fd = -1;
    if (!device.isEmpty())
        fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    else
        errno = ENOENT;
    bool ok = fd >= 0;
    // No sharing: a lock on the device that a second open cannot take, also across processes.
    if (ok && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        ok = false;
    termios tio{};
    if (ok && ::tcgetattr(fd, &tio) != 0)
        ok = false;
    bool exclusive = false;
    if (ok) {
        exclusive = ::ioctl(fd, TIOCEXCL) == 0;
        // The line is binary: no echo, no translation of line ends, no signal characters.
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ok = ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    int abortFd = -1, closeFd = -1;
    if (ok) {
        abortFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        closeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        ok = abortFd >= 0 && closeFd >= 0;
    }
    if (!ok) {
        const int saved = errno;
        if (exclusive)
            ::ioctl(fd, TIOCNXCL);
        if (fd >= 0) ::close(fd);
        if (abortFd >= 0) ::close(abortFd);
        if (closeFd >= 0) ::close(closeFd);
        Handle = -1;
        PortNumber = 0;
        errno = saved;
        return false;
    }
    Handle = fd;
    AbortEvent = abortFd;
    CloseEvent = closeFd;
    PortNumber = portNumber;
    errorLogged_ = false;
    lost_ = false;
    return true;
}

void TSerialPort::Close()
{
    std::unique_lock<std::mutex> g(lock_);
    if (Handle < 0 || closing_)
        return;
    closing_ = true;
    const uint64_t one = 1;
    (void)!::write(CloseEvent, &one, sizeof one);
    idle_.wait(g, [this] { return busy_ == 0; });
    // The lock against other openers stays on the line as long as anyone else keeps it open: lift it, or the
    // port would refuse to open again.
    ::ioctl(Handle, TIOCNXCL);
    ::close(Handle);
    ::close(AbortEvent);
    ::close(CloseEvent);
    Handle = AbortEvent = CloseEvent = -1;
    closing_ = false;
}

bool TSerialPort::IsOpen() const
{
    std::lock_guard<std::mutex> g(lock_);
    return Handle >= 0 && !closing_;
}

uint16_t TSerialPort::GetPortNumber() const
{
    std::lock_guard<std::mutex> g(lock_);
    return PortNumber;
}

bool TSerialPort::enter(int& fd, int& abortFd, int& closeFd, COMMTIMEOUTS* timeouts)
{
    std::lock_guard<std::mutex> g(lock_);
    if (Handle < 0 || closing_)
        return false;
    ++busy_;
    fd = Handle;
    abortFd = AbortEvent;
    closeFd = CloseEvent;
    if (timeouts)
        *timeouts = timeouts_;
    return true;
}

void TSerialPort::leave()
{
    std::lock_guard<std::mutex> g(lock_);
    --busy_;
    idle_.notify_all();
}

bool TSerialPort::Purge()
{
    int fd, a, c;
    if (!enter(fd, a, c))
        return false;
    const bool ok = ::tcflush(fd, TCIOFLUSH) == 0;
    leave();
    return ok;
}

bool TSerialPort::SetParams(uint32_t baudRate, uint8_t parity, uint8_t stopBits)
{
    int fd, a, c;
    if (!enter(fd, a, c))
        return false;
    bool ok = false;
    termios tio{};
    speed_t speed;
    if (speedOf(baudRate, speed) && parity <= SPACEPARITY && stopBits <= TWOSTOPBITS && ::tcgetattr(fd, &tio) == 0) {
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
        switch (parity) {
        case ODDPARITY: tio.c_cflag |= PARENB | PARODD; break;
        case EVENPARITY: tio.c_cflag |= PARENB; break;
        case MARKPARITY: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
        case SPACEPARITY: tio.c_cflag |= PARENB | CMSPAR; break;
        default: break;
        }
        if (stopBits != ONESTOPBIT)
            tio.c_cflag |= CSTOPB;
        ok = ::tcsetattr(fd, TCSANOW, &tio) == 0;
        // RTS off; a line without modem controls (a pseudo-terminal) refuses it, which does no harm.
        int rts = TIOCM_RTS;
        ::ioctl(fd, TIOCMBIC, &rts);
    }
    leave();
    return ok;
}

bool TSerialPort::SetTimeouts(uint32_t readInterval, uint32_t readTotalMultiplier, uint32_t readTotalConstant,
                              uint32_t writeTotalMultiplier, uint32_t writeTotalConstant)
{
    std::lock_guard<std::mutex> g(lock_);
    if (Handle < 0)
        return false;
    timeouts_ = {readInterval, readTotalMultiplier, readTotalConstant, writeTotalMultiplier, writeTotalConstant};
    return true;
}

int TSerialPort::DataIn(void* buffer, int count)
{
    int fd, abortFd, closeFd;
    COMMTIMEOUTS t;
    if (count <= 0 || !enter(fd, abortFd, closeFd, &t))
        return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    int got = 0;
    // MAXDWORD interval with no totals: return at once with what is there.
    const bool immediate = t.ReadIntervalTimeout == UINT32_MAX && t.ReadTotalTimeoutMultiplier == 0 &&
                           t.ReadTotalTimeoutConstant == 0;
    const bool hasTotal = t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(uint64_t(t.ReadTotalTimeoutMultiplier) * uint64_t(count) +
                                                                   t.ReadTotalTimeoutConstant);
    Clock::time_point lastByte{};
    bool failed = false;
    while (got < count) {
        const ssize_t n = ::read(fd, out + got, size_t(count - got));
        if (n > 0) {
            got += int(n);
            lastByte = Clock::now();
            // A short read took all the line held: asking again would only cost a call that finds nothing.
            if (immediate && got < count)
                break;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            failed = true;
            break;
        }
        if (immediate)
            break;
        int wait = -1;
        if (hasTotal)
            wait = msLeft(deadline);
        if (got > 0 && t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != UINT32_MAX) {
            const int interval = msLeft(lastByte + std::chrono::milliseconds(t.ReadIntervalTimeout));
            wait = wait < 0 ? interval : std::min(wait, interval);
        }
        if (wait == 0)
            break;
        // The abort event is only looked at, not taken: it still ends the next wait.
        pollfd p[3] = {{fd, POLLIN, 0}, {abortFd, POLLIN, 0}, {closeFd, POLLIN, 0}};
        const int r = ::poll(p, 3, wait);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            failed = true;
            break;
        }
        if (p[1].revents || p[2].revents)
            break;
        if (p[0].revents & (POLLERR | POLLNVAL)) {
            errno = EIO;
            failed = true;
            break;
        }
        if ((p[0].revents & POLLHUP) && !(p[0].revents & POLLIN)) {
            errno = EIO;
            failed = true;
            break;
        }
    }
    if (failed) {
        lost_ = true;
        Dbg().Print("DataIn ReadFile +LE");
    }
    leave();
    return got;
}

int TSerialPort::DataOut(const void* buffer, int count)
{
    int fd, abortFd, closeFd;
    if (count <= 0 || !enter(fd, abortFd, closeFd))
        return 0;
    const auto* in = static_cast<const unsigned char*>(buffer);
    int sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(fd, in + sent, size_t(count - sent));
        if (n > 0) {
            sent += int(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            lost_ = true;
            break;
        }
        pollfd p[2] = {{fd, POLLOUT, 0}, {closeFd, POLLIN, 0}};
        if (::poll(p, 2, 1000) <= 0 || p[1].revents)
            break;
    }
    leave();
    return sent;
}

int TSerialPort::WaitData(uint32_t timeoutMs)
{
    return wait(timeoutMs, true);
}

int TSerialPort::wait(uint32_t timeoutMs, bool watchLine)
{
    int fd, abortFd, closeFd;
    if (!enter(fd, abortFd, closeFd))
        return WaitError;
    int result = WaitError;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // A descriptor below 0 is passed over.
        pollfd p[3] = {{watchLine ? fd : -1, POLLIN, 0}, {abortFd, POLLIN, 0}, {closeFd, POLLIN, 0}};
        const int r = ::poll(p, 3, msLeft(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            if (!errorLogged_)
                LOG_WAIT(274, "WaitCommEvent +LE");
            errorLogged_ = true;
            result = WaitError;
        } else if (r == 0) {
            result = WaitTimeout;
        } else if (p[1].revents) {
            drainEvent(abortFd);
            result = WaitAborted;
        } else if (p[2].revents) {
            result = WaitAborted;
        } else if ((p[0].revents & POLLIN) && !(p[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            result = WaitDataArrived;
        } else {
            // The line hung up or failed (adapter unplugged, far end gone): one log line per run of failures.
            if (!errorLogged_) {
                errno = EIO;
                LOG_WAIT(297, "GetOverlappedResult :( +LE");
            }
            errorLogged_ = true;
            lost_ = true;
            result = WaitError;
        }
        break;
    }
    if (result == WaitDataArrived)
        errorLogged_ = false;
    leave();
    return result;
}

bool TSerialPort::Pause(uint32_t timeoutMs)
{
    // One call, and no lock to take back afterwards: a driver that paces its line pauses ten times a second.
    return wait(timeoutMs, false) == WaitTimeout;
}

void TSerialPort::Abort()
{
    std::lock_guard<std::mutex> g(lock_);
    if (AbortEvent < 0)
        return;
    const uint64_t one = 1;
    (void)!::write(AbortEvent, &one, sizeof one);
}
