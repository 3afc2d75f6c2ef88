#include "tools/velt-sim/Framed.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
}

void SimFaults::Add(std::string spec, const std::vector<const char*>& kinds, const char* what, long long lowest)
{
    Fault f;
    if (const size_t star = spec.find('*'); star != std::string::npos) {
        f.count = int(toNumber(spec.substr(star + 1), "count", 1, 1000000));
        spec.resize(star);
    }
    if (const size_t at = spec.find('@'); at != std::string::npos) {
        f.at = int(toNumber(spec.substr(at + 1), what, lowest, 65535));
        spec.resize(at);
    }
    bool known = false;
    for (const char* k : kinds)
        known |= spec == k;
    if (!known)
        usage("bad fault: " + spec);
    f.kind = spec;
    faults_.push_back(f);
}

bool SimFaults::Take(const char* kind, int at)
{
    for (Fault& f : faults_) {
        if (f.kind != kind || f.count == 0 || (f.at >= 0 && f.at != at))
            continue;
        if (f.count > 0)
            --f.count;
        return true;
    }
    return false;
}

std::string SimNoise()
{
    std::string noise;
    for (int i = 0; i < 12; ++i) {
        uint8_t c = uint8_t(std::rand() & 0xFF);
        if (c == 0x02 || c == 0x06 || c == 0x15 || c == 0x29)
            c = 0x55;
        noise += char(c);
    }
    return noise;
}

SimLine::SimLine(int fd, const Options& o) : fd_(fd), o_(o), codec_(proto::MakeCodec()) {}

SimLine::~SimLine() = default;

int SimLine::Run(const Answer& answer, const Command& command)
{
    const auto began = Clock::now();
    std::string pending;
    bool stdinOpen = bool(command);
    bool heard = false;
    for (;;) {
        // Asleep until the program or stdin says something: an idle line costs the machine nothing.
        int wait = -1;
        if (o_.runFor >= 0) {
            const auto left = std::chrono::milliseconds(o_.runFor) -
                              std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began);
            if (left.count() < 0)
                return 0;
            wait = int(left.count()) + 1;
        }
        pollfd p[2] = {{fd_, POLLIN, 0}, {0, short(stdinOpen ? POLLIN : 0), 0}};
        const int r = ::poll(p, stdinOpen ? 2 : 1, wait);
        if (r < 0 && errno != EINTR)
            return 1;
        if (stdinOpen && (p[1].revents & (POLLIN | POLLHUP))) {
            char c[256];
            const ssize_t n = ::read(0, c, sizeof c);
            if (n <= 0)
                stdinOpen = false;
            for (ssize_t i = 0; i < n; ++i) {
                if (c[i] != '\n') {
                    pending += c[i];
                    continue;
                }
                if (!command(pending))
                    return 0;
                pending.clear();
            }
        }
        if (r <= 0 || !(p[0].revents & (POLLIN | POLLHUP)))
            continue;
        if ((p[0].revents & POLLHUP) && !(p[0].revents & POLLIN)) {
            if (o_.once && heard)
                return 0;
            // Nobody holds the line open now; the program may open it again.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        uint8_t buf[512];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0)
            continue;
        heard = true;
        for (ssize_t i = 0; i < n; ++i)
            if (codec_->Put(buf[i]) == proto::TCodec::Frame)
                answer(*codec_, codec_->Payload());
    }
}

void SimLine::Send(const std::string& bytes) const
{
    const auto t0 = Clock::now();
    size_t sent = 0;
    while (sent < bytes.size()) {
        const size_t chunk = o_.baud > 0 ? std::min(o_.paceChunk, bytes.size() - sent) : bytes.size() - sent;
        const ssize_t n = ::write(fd_, bytes.data() + sent, chunk);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 50);
            continue;
        }
        if (n <= 0)
            return;
        sent += size_t(n);
        if (o_.baud > 0)
            std::this_thread::sleep_until(t0 + std::chrono::microseconds(sent * 10 * 1000000ULL / unsigned(o_.baud)));
    }
}

bool TakeLineOption(const std::string& option, ArgWalk& args, SimLine::Options& o)
{
    if (option == "--baud")
        o.baud = int(toNumber(args.Value(), "baud", 0, 10000000));
    else if (option == "--run-for")
        o.runFor = int(toNumber(args.Value(), "time", 0, 86400000));
    else if (option == "--once")
        o.once = true;
    else
        return false;
    return true;
}
