#include "core/Debug.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Room for a path, less the longest suffix ("000.log").
constexpr std::size_t kMaxBaseName = PATH_MAX - 8;

TDebug::Sources realSources()
{
    return {
        [] { return rtl::LocalSystemTime(); },
        [] { return static_cast<unsigned long>(::getpid()); },
        [] { return static_cast<unsigned long>(::gettid()); },
    };
}

std::string vformat(const char* fmt, va_list args)
{
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0)
        return {};
    if (std::size_t(n) < sizeof small)
        return std::string(small, std::size_t(n));
    std::string out(std::size_t(n) + 1, '\0');
    va_copy(copy, args);
    std::vsnprintf(out.data(), out.size(), fmt, copy);
    va_end(copy);
    out.resize(std::size_t(n));
    return out;
}

std::string format(const char* fmt, ...) VELT_PRINTF(1, 2);
std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string s = vformat(fmt, args);
    va_end(args);
    return s;
}

// The file is kept as text with CR LF line ends.
std::string withCrLf(const std::string& s)
{
    std::string out;
    out.reserve(s.size() + 8);
    for (char c : s) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

TDebug::TDebug() : TDebug(realSources()) {}

TDebug::TDebug(Sources sources) : sources_(std::move(sources))
{
    setDefaultBaseNameLocked();
}

TDebug::~TDebug()
{
    std::lock_guard<std::mutex> guard(lock_);
    closeLocked();
}

void TDebug::closeLocked()
{
    if (File >= 0)
        ::close(File);
    File = -1;
}

void TDebug::setDefaultBaseNameLocked()
{
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path = n > 0 ? std::string(exe, std::size_t(n)) : std::string("velt");
    // Cut the extension of the file name only: a dot in a folder name is not one.
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
        path.resize(dot);
    if (path.size() > kMaxBaseName)
        path.resize(kMaxBaseName);
    BaseName = path;
}

void TDebug::SetDefaultBaseName()
{
    std::lock_guard<std::mutex> guard(lock_);
    closeLocked();
    setDefaultBaseNameLocked();
}

void TDebug::SetBaseName(const QString& path)
{
    SetBaseName(QFile::encodeName(path).constData());
}

void TDebug::SetBaseName(const char* path)
{
    std::lock_guard<std::mutex> guard(lock_);
    closeLocked();
    if (path && std::strlen(path) <= kMaxBaseName)
        BaseName = path;
    else
        setDefaultBaseNameLocked();
}

QString TDebug::FileName() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return QFile::decodeName(QByteArray::fromStdString(PathBuf));
}

bool TDebug::openLocked(const rtl::SystemTime& now)
{
    auto tryOpen = [this](const std::string& name) {
        PathBuf = name;
        do
            File = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        while (File < 0 && errno == EINTR);
        return File >= 0;
    };
    bool opened = tryOpen(BaseName + ".log");
    for (int i = 0; !opened && i <= 999; ++i)
        opened = tryOpen(format("%s%03d.log", BaseName.c_str(), i));
    if (opened)
        writeLocked(format("\n-===( %04d.%02d.%02d )=======================-\n\n", now.wYear, now.wMonth, now.wDay));
    return opened;
}

bool TDebug::OpenFile()
{
    const int savedErrno = errno;
    std::lock_guard<std::mutex> guard(lock_);
    const bool open = File >= 0 || openLocked(sources_.localTime());
    errno = savedErrno;
    return open;
}

void TDebug::writeLocked(std::string text)
{
    text = withCrLf(text);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(File, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a full disk loses the line, never the program
        done += std::size_t(n);
    }
}

void TDebug::VPrint(const char* prefix, const char* fmt, va_list args)
{
    // The caller's error code, before anything here can change it; given back on leaving.
    const int savedErrno = errno;
    if (!fmt)
        fmt = "";
    std::lock_guard<std::mutex> guard(lock_);

    std::string errorText;
    const bool withError = std::strstr(fmt, "+LE") != nullptr;
    if (withError) {
        char buf[512];
        errorText = strerror_r(savedErrno, buf, sizeof buf);
        while (!errorText.empty() && (errorText.back() == '\n' || errorText.back() == '\r'))
            errorText.pop_back();
    }

    const rtl::SystemTime now = sources_.localTime();
    if (File < 0)
        openLocked(now);
    if (File >= 0) {
        std::string line = format("%02d:%02d:%02d.%03d %03lx\\%03lx  ", now.wHour, now.wMinute, now.wSecond,
                                  now.wMilliseconds, sources_.processId(), sources_.threadId());
        line += prefix ? prefix : "";
        line += vformat(fmt, args);
        if (withError && !errorText.empty())
            line += " { " + errorText + " }";
        line += '\n';
        writeLocked(std::move(line));
    }
    errno = savedErrno;
}

void TDebug::Print(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    VPrint("", fmt, args);
    va_end(args);
}

void TDebug::PrintDebug(const char* fmt, ...)
{
    if (Level < 1)
        return;
    va_list args;
    va_start(args, fmt);
    VPrint("", fmt, args);
    va_end(args);
}

TDebug& Dbg()
{
    // Never destroyed: objects of other units may still log while the process ends.
    static TDebug* const instance = new TDebug();
    return *instance;
}

void DbgPrintWithPrefix(const char* prefix, const char* fmt, ...)
{
    const int savedErrno = errno;
    TDebug& log = Dbg();
    errno = savedErrno; // the first call builds the object, which may touch errno
    va_list args;
    va_start(args, fmt);
    log.VPrint(prefix, fmt, args);
    va_end(args);
}

char* DbgFormatLocation(char* buf, const char* file, const char* func, int line)
{
    std::snprintf(buf, kDbgLocationSize, "%.31s (%d) %.60s ", file ? file : "", line, func ? func : "");
    return buf;
}
