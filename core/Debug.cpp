#include "core/Debug.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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
        {},
        {},
    };
}

std::int64_t steadyNow()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Control characters (line breaks and tabs excepted) and bytes that do not form UTF-8 as \xNN.
std::string printable(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    auto hex = [&out](unsigned char c) {
        static const char digits[] = "0123456789abcdef";
        out += "\\x";
        out += digits[c >> 4];
        out += digits[c & 15];
    };
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F)
                hex(c);
            else
                out += char(c);
            ++i;
            continue;
        }
        // The length a lead byte announces, and whether its continuation bytes are there.
        const std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        bool whole = n > 0 && i + n <= s.size();
        for (std::size_t k = 1; whole && k < n; ++k)
            whole = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (whole && n == 3 && c == 0xE0 && static_cast<unsigned char>(s[i + 1]) < 0xA0)
            whole = false;  // overlong
        if (whole && n == 4 && ((c == 0xF0 && static_cast<unsigned char>(s[i + 1]) < 0x90) || (c == 0xF4 && static_cast<unsigned char>(s[i + 1]) > 0x8F)))
            whole = false;
        if (!whole) {
            hex(c);
            ++i;
            continue;
        }
        out.append(s, i, n);
        i += n;
    }
    return out;
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
    if (!sources_.steadyMs)
        sources_.steadyMs = steadyNow;
    if (!sources_.mainThread)
        sources_.mainThread = [] { return ::gettid() == ::getpid(); };
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
    // Other names help only against a file that is in the way, not against a folder that cannot be written.
    const std::size_t slash = BaseName.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : BaseName.substr(0, std::max<std::size_t>(slash, 1));
    const bool folderRefuses = !opened && (errno == ENOENT || errno == ENOTDIR || errno == EROFS || ::access(folder.c_str(), W_OK) != 0);
    for (int i = 0; !opened && !folderRefuses && i <= 999; ++i)
        opened = tryOpen(format("%s%03d.log", BaseName.c_str(), i));
    if (opened) {
        struct stat st {};
        size_ = ::fstat(File, &st) == 0 ? st.st_size : 0;
        writeLocked(format("\n-===( %04d.%02d.%02d )=======================-\n\n", now.wYear, now.wMonth, now.wDay));
    }
    return opened;
}

void TDebug::rotateLocked(const rtl::SystemTime& now)
{
    const std::string current = PathBuf;
    closeLocked();
    for (int k = kLogFilesKept; k > 1; --k)
        ::rename(format("%s.%d", current.c_str(), k - 1).c_str(), format("%s.%d", current.c_str(), k).c_str());
    ::rename(current.c_str(), (current + ".1").c_str());
    openLocked(now);
}

bool TDebug::admitLocked(const char* fmt, const std::string& text, unsigned long* left)
{
    *left = 0;
    if (sources_.mainThread())
        return true;
    const std::int64_t now = sources_.steadyMs();
    if (now - lastPrune_ >= kLogRepeatWindowMs) {
        lastPrune_ = now;
        auto stale = [now](const auto& e) { return e.second.left == 0 && now - e.second.windowStart >= kLogRepeatWindowMs; };
        std::erase_if(sites_, stale);
        std::erase_if(texts_, stale);
    }
    const long thread = static_cast<long>(::gettid());
    const bool passThrough = std::strcmp(fmt, "%s") == 0;
    Site& site = passThrough ? texts_[{thread, text}] : sites_[{thread, fmt}];
    unsigned long& fresh = newLines_[thread];
    // A repeat counts as one only while the thread has logged nothing new since: a state that comes
    // back after another ("lost", "back", "lost") is news each time.
    const bool repeat = text == site.lastText && site.newAtLast == fresh;
    if (site.written == 0 || now - site.windowStart >= kLogRepeatWindowMs) {
        site.windowStart = now;
        site.written = 0;
    } else if (repeat || site.written >= kLogLinesPerWindow) {
        ++site.left;
        return false;
    }
    ++site.written;
    if (text != site.lastText)
        ++fresh;
    site.lastText = text;
    site.newAtLast = fresh;
    *left = site.left;
    site.left = 0;
    return true;
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
    size_ += static_cast<std::int64_t>(text.size());
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

    std::string text = printable(vformat(fmt, args));
    unsigned long left = 0;
    if (!admitLocked(fmt, text, &left)) {
        errno = savedErrno;
        return;
    }
    const rtl::SystemTime now = sources_.localTime();
    if (File >= 0 && size_ >= kLogRotateBytes)
        rotateLocked(now);
    if (File < 0)
        openLocked(now);
    if (File >= 0) {
        std::string line = format("%02d:%02d:%02d.%03d %03lx\\%03lx  ", now.wHour, now.wMinute, now.wSecond,
                                  now.wMilliseconds, sources_.processId(), sources_.threadId());
        line += prefix ? prefix : "";
        line += text;
        if (withError && !errorText.empty())
            line += " { " + errorText + " }";
        if (left > 0)
            line += format(" [%lu more like this not logged]", left);
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
