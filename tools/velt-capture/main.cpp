// velt-capture: the video capture server. It serves the journal's photo function: cameras through
// Video4Linux, and where no camera exists a moving test pattern with a frame counter.
//
//   velt-capture [--socket PATH] [--device PATH]... [--test-pattern WxHxB[,WxHxB...]] [--fps N]
//                [--idle-exit SECONDS]
//
//   --socket PATH       where to listen (default: $VELT_CAPTURE_SOCKET, else velt-capture.sock in
//                       $XDG_RUNTIME_DIR, else in $TMPDIR/velt-capture-<uid>, /tmp without TMPDIR); the
//                       socket's folder must be the user's own and closed to others' writes
//   --device PATH       serve this camera; a camera that cannot be served ends the server with the reason.
//                       Without --device and --test-pattern every camera /dev/video0../dev/video63 that
//                       streams is served, and the test pattern when there is none
//   --test-pattern LIST serve the test pattern in these formats (width x height x bytes per pixel, 3 or 4);
//                       the first is in force, "Настройки видео..." steps to the next
//                       (default 640x480x4,320x240x3)
//   --fps N             frames a second of the test pattern (25)
//   --idle-exit S       end S seconds after the last client left (0, the default: serve until stopped)
// Exit status: 0 stopped or idle, 1 a device or the socket failed, 2 bad arguments.
#include "platform/ipc/UnixSocket.h"
#include "tools/velt-capture/CaptureServer.h"
#include "tools/velt-capture/TestPattern.h"
#include "tools/velt-capture/V4l2Camera.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TCaptureServer* g_server = nullptr;

void onSignal(int)
{
    if (g_server)
        g_server->Stop();
}

int usage(const char* why)
{
    std::fprintf(stderr, "velt-capture: %s\n"
                         "usage: velt-capture [--socket PATH] [--device PATH]... [--test-pattern WxHxB[,...]] "
                         "[--fps N] [--idle-exit SECONDS]\n", why);
    return 2;
}

bool parseInt(const char* s, int lo, int hi, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!s[0] || *end || v < lo || v > hi)
        return false;
    out = int(v);
    return true;
}

bool parseFormats(const std::string& list, std::vector<ipc::FrameFormat>& out)
{
    size_t pos = 0;
    while (pos <= list.size()) {
        const size_t comma = std::min(list.find(',', pos), list.size());
        unsigned w = 0, h = 0, b = 0;
        char tail = 0;
        const std::string item = list.substr(pos, comma - pos);
        if (std::sscanf(item.c_str(), "%ux%ux%u%c", &w, &h, &b, &tail) != 3 || w == 0 || h == 0 || w > 4096 ||
            h > 4096 || (b != 3 && b != 4))
            return false;
        ipc::FrameFormat f;
        f.width = uint16_t(w);
        f.height = uint16_t(h);
        f.bytesPerPixel = uint8_t(b);
        out.push_back(f);
        pos = comma + 1;
    }
    return !out.empty();
}

} // namespace

int main(int argc, char** argv)
{
    // Started by the journal, it may have inherited descriptors of the journal's files and locks: none is
    // kept, so nothing of the journal stays held while the server outlives it.
    ::close_range(3, ~0U, 0);
    std::string socketPath = ipc::DefaultSocketPath();
    std::vector<std::string> cameras;
    std::vector<ipc::FrameFormat> pattern;
    int fps = 25, idleExit = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--help" || a == "-h")
            return usage("the video capture server of the VELT journal"), 0;
        if (!value)
            return usage(("missing value of " + a).c_str());
        ++i;
        if (a == "--socket")
            socketPath = value;
        else if (a == "--device")
            cameras.push_back(value);
        else if (a == "--test-pattern") {
            if (!parseFormats(value, pattern))
                return usage("bad --test-pattern (WxHxB with B 3 or 4, up to 4096 x 4096)");
        } else if (a == "--fps") {
            if (!parseInt(value, 1, 100, fps))
                return usage("bad --fps (1 to 100)");
        } else if (a == "--idle-exit") {
            if (!parseInt(value, 0, 86400, idleExit))
                return usage("bad --idle-exit");
        } else
            return usage(("unknown option " + a).c_str());
    }

    std::vector<std::unique_ptr<TFrameSource>> devices;
    for (const std::string& path : cameras) {
        std::string error;
        auto cam = TV4l2Camera::Open(path, &error);
        if (!cam) {
            std::fprintf(stderr, "velt-capture: %s\n", error.c_str());
            return 1;
        }
        devices.push_back(std::move(cam));
    }
    if (cameras.empty() && pattern.empty()) {
        for (int n = 0; n < 64; ++n) {
            const std::string path = "/dev/video" + std::to_string(n);
            struct stat st;
            if (::stat(path.c_str(), &st) != 0)
                continue;
            std::string error;
            if (auto cam = TV4l2Camera::Open(path, &error))
                devices.push_back(std::move(cam));
            else
                std::fprintf(stderr, "velt-capture: skipped %s\n", error.c_str());
        }
        if (devices.empty()) {
            std::fprintf(stderr, "velt-capture: no camera found, serving the test pattern\n");
            parseFormats("640x480x4,320x240x3", pattern);
        }
    }
    if (!pattern.empty())
        devices.push_back(std::make_unique<TTestPattern>(pattern, fps));

    std::string error;
    const int listenFd = ipc::ListenUnix(socketPath, &error);
    if (listenFd < 0) {
        std::fprintf(stderr, "velt-capture: %s\n", error.c_str());
        return 1;
    }
    for (const auto& d : devices) {
        const ipc::FrameFormat f = d->Format();
        std::fprintf(stderr, "velt-capture: %s: %ux%u, %u bytes per pixel\n", d->Name().c_str(), f.width, f.height,
                     f.bytesPerPixel);
    }
    int status;
    {
        TCaptureServer server(std::move(devices), listenFd, idleExit * 1000);
        g_server = &server;
        struct sigaction sa{};
        sa.sa_handler = onSignal;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        std::signal(SIGPIPE, SIG_IGN);
        status = server.Run();
        g_server = nullptr;
    }
    ::unlink(socketPath.c_str());
    return status;
}
