// velt-sim --net: plays up to 32 networked VELT-A instruments sharing one line, each with its own net number.
// Each answers a test with its identity and a poll with its next result (or "nothing new"); instruments can be
// switched off and on while it runs, and chosen answers spoiled. Each request it hears goes to stderr as
// "net <number> test|poll", each result it hands over as "sent <number> <ugl> <flag> <ddmmyy> <hhmm>".
//
//   velt-sim --net [--link PATH] --at N[,N...]... [--nothing-new N[,N...]] [--model N=TEXT]
//                  [--serial N=NNNN] [--verification N=DDMMYY] [--result N=UGL[/FLAG[/DDMMYY[/HHMM]]]]...
//                  [--results K] [--result-every MS] [--off N[,N...]] [--serial-base B] [--baud N]
//                  [--fault KIND@N[*COUNT]]... [--run-for MS] [--once]
//
//   --at            instruments at these net numbers (1..65535; up to 32); model "VELT-A", serial B+N
//                   (--serial-base B, 1000 unless given before --at), verified on 15.01.24 unless said otherwise
//   --nothing-new   instruments that only ever say "nothing new" (never identify themselves)
//   --result        a result queued for instrument N: micrograms per litre, exhalation flag (0), date and time
//                   (010124, 1000 plus one minute per result queued before)
//   --results K     K results for every instrument: result j of instrument N is (N*7+j)%500 ugl at
//                   01.01.24 10:00 plus j minutes; with --result-every one becomes ready every MS ms
//   --off           instruments that start switched off (silent)
//   --baud N        pace the answers as a line of N baud would (10 bits a byte)
//   --fault         silent@N     N does not answer
//                   noise@N      bytes that mean nothing before N's answers
//                   wrong-net@N  N's test answer carries another net number
//                   bad-date@N   N's next answer carries an impossible date
//                   bad-flag@N   N's answer carries a flag no instrument writes
//                   garbled@N    N's answer frame fails its check (a byte changed on the way)
//                   late@N       N answers three seconds late (after the request's time-out)
//                   COUNT limits a fault to its first COUNT uses (every use without it)
// Commands on stdin, one a line: "off N", "on N", "push N UGL [FLAG]", "quit".
// Exit status: 0 done, 1 the line failed, 2 bad arguments.
#include "tools/velt-sim/Args.h"
#include "tools/velt-sim/Framed.h"
#include "tools/velt-sim/Line.h"
#include "Devices/Protocol/Codec.h"
#include "Devices/VELT_A_NETWORK/NetLink.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <thread>
#include <string>
#include <vector>

int RunNetwork(int argc, char** argv);

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
    unsigned ugl = 0, flag = 0;
    std::string date = "010124", time = "1000";
};

struct Unit {
    std::string model = "VELT-A";
    unsigned serial = 0;
    std::string verification = "150124";
    bool nothingNew = false;
    bool off = false;
    std::deque<Result> queue;
    int generated = 0; // results made by --results so far
};

struct Options {
    std::string link;
    std::map<int, Unit> units;
    int results = 0, resultEvery = 0;
    unsigned serialBase = 1000;
    SimLine::Options line{-1, false, 0, 4};
    SimFaults faults;
};

std::string hhmm(int minutes)
{
    char t[8];
    std::snprintf(t, sizeof t, "%02d%02d", (minutes / 60) % 24, minutes % 60);
    return t;
}

Unit& unit(Options& o, int n)
{
    auto it = o.units.find(n);
    if (it == o.units.end())
        usage("no instrument at " + std::to_string(n));
    return it->second;
}

Options parse(int argc, char** argv)
{
    Options o;
    ArgWalk args(argc, argv, 2);
    for (std::string a; args.Next(a);) {
        auto numberAndValue = [&](const char* what) {
            const auto p = split(args.Value(), '=');
            if (p.size() != 2)
                usage(std::string("bad ") + what);
            return std::make_pair(int(toNumber(p[0], "net number", 1, 65535)), p[1]);
        };
        if (TakeLineOption(a, args, o.line)) continue;
        if (a == "--link") o.link = args.Value();
        else if (a == "--at" || a == "--nothing-new" || a == "--off") {
            for (const auto& v : split(args.Value(), ',')) {
                const int n = int(toNumber(v, "net number", 1, 65535));
                if (a == "--at") {
                    Unit& u = o.units[n];
                    u.serial = (o.serialBase + unsigned(n)) % 10000;
                } else {
                    Unit& u = a == "--nothing-new" ? o.units[n] : unit(o, n);
                    (a == "--off" ? u.off : u.nothingNew) = true;
                }
            }
        } else if (a == "--model") {
            auto [n, v] = numberAndValue("model");
            unit(o, n).model = v;
        } else if (a == "--serial") {
            auto [n, v] = numberAndValue("serial");
            unit(o, n).serial = unsigned(toNumber(v, "serial", 0, 9999));
        } else if (a == "--verification") {
            auto [n, v] = numberAndValue("verification");
            if (v.size() != 6)
                usage("bad verification date " + v);
            unit(o, n).verification = v;
        } else if (a == "--result") {
            auto [n, v] = numberAndValue("result");
            const auto p = split(v, '/');
            Unit& u = unit(o, n);
            Result r;
            r.ugl = unsigned(toNumber(p[0], "result", 0, 65535));
            r.flag = p.size() > 1 ? unsigned(toNumber(p[1], "flag", 0, 255)) : 0;
            r.date = p.size() > 2 ? p[2] : "010124";
            r.time = p.size() > 3 ? p[3] : hhmm(600 + int(u.queue.size()));
            u.queue.push_back(r);
        } else if (a == "--serial-base") o.serialBase = unsigned(toNumber(args.Value(), "serial", 0, 9999));
        else if (a == "--results") o.results = int(toNumber(args.Value(), "results", 0, 100000));
        else if (a == "--result-every") o.resultEvery = int(toNumber(args.Value(), "interval", 1, 3600000));
        else if (a == "--fault") {
            o.faults.Add(args.Value(), {"silent", "noise", "wrong-net", "bad-date", "bad-flag", "garbled", "late"}, "net number", 1);
        } else {
            usage("unknown option " + a);
        }
    }
    if (o.units.empty() || o.units.size() > 32)
        usage("--at: 1 to 32 instruments");
    return o;
}

class Line {
public:
    Line(Options o, int fd)
        : o_(std::move(o)), line_(fd, o_.line), began_(Clock::now())
    {
    }

    int Run()
    {
        return line_.Run([this](proto::TCodec& codec, const QByteArray& request) { answer(codec, request); },
                         [this](const std::string& command) { return obey(command); });
    }

private:
    bool obey(const std::string& line)
    {
        const auto w = split(line, ' ');
        if (w.empty() || w[0] == "quit")
            return w.empty() ? true : false;
        auto number = [&](size_t i) { return i < w.size() ? int(toNumber(w[i], "net number", 1, 65535)) : 0; };
        auto it = o_.units.find(number(1));
        if (it == o_.units.end())
            return true;
        if (w[0] == "off" || w[0] == "on") {
            it->second.off = w[0] == "off";
            std::fprintf(stderr, "%s %d\n", w[0].c_str(), it->first);
        } else if (w[0] == "push" && w.size() >= 3) {
            Result r;
            r.ugl = unsigned(toNumber(w[2], "result", 0, 65535));
            r.flag = w.size() > 3 ? unsigned(toNumber(w[3], "flag", 0, 255)) : 0;
            r.time = hhmm(600 + int(it->second.queue.size()) + 30);
            it->second.queue.push_back(r);
        }
        std::fflush(stderr);
        return true;
    }

    bool fault(const char* kind, int at) { return o_.faults.Take(kind, at); }

    // Results --results made ready by now.
    void generate(int n, Unit& u)
    {
        if (o_.results <= 0)
            return;
        int ready = o_.results;
        if (o_.resultEvery > 0) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began_).count();
            ready = std::min<int>(o_.results, int(ms / o_.resultEvery) + 1);
        }
        for (; u.generated < ready; ++u.generated) {
            Result r;
            r.ugl = unsigned((n * 7 + u.generated) % 500);
            r.time = hhmm(600 + u.generated);
            r.date = "0" + std::to_string(1 + u.generated / 1440 % 9) + "0124";
            u.queue.push_back(r);
        }
    }

    std::string packet(proto::TCodec& codec, int n, const Unit& u, const Result* r)
    {
        uint8_t p[net::kPacketSize];
        std::memset(p, ' ', 11);
        std::memcpy(p, u.model.data(), std::min<size_t>(u.model.size(), 11));
        char serial[8];
        std::snprintf(serial, sizeof serial, "%04u", u.serial % 10000);
        std::memcpy(p + 11, serial, 4);
        std::memcpy(p + 15, u.verification.data(), 6);
        const std::string date = r ? r->date : "010124", time = r ? r->time : "1000";
        std::memcpy(p + 21, date.data(), 6);
        std::memcpy(p + 27, time.data(), 4);
        if (fault("bad-date", n))
            std::memcpy(p + 21, "310224", 6);
        const unsigned number = r ? r->ugl : unsigned(fault("wrong-net", n) ? n + 1 : n);
        p[31] = uint8_t(number & 0xFF);
        p[32] = uint8_t(number >> 8);
        p[33] = uint8_t(r ? r->flag : 0xFF);
        if (fault("bad-flag", n))
            p[33] = 0x7F;
        QByteArray f = codec.Encode(p, net::kPacketSize);
        if (fault("garbled", n))
            f[f.size() / 2] = char(f[f.size() / 2] ^ 0x55);
        return std::string(1, char(codec.Ack())) + std::string(f.constData(), size_t(f.size()));
    }

    void answer(proto::TCodec& codec, const QByteArray& request)
    {
        if (request.size() < 3)
            return;
        const int n = uint8_t(request[0]) | (uint8_t(request[1]) << 8);
        const bool test = uint8_t(request[2]) == 1;
        std::fprintf(stderr, "net %d %s\n", n, test ? "test" : "poll");
        auto it = o_.units.find(n);
        if (it == o_.units.end() || it->second.off || fault("silent", n)) {
            std::fflush(stderr);
            return;
        }
        Unit& u = it->second;
        generate(n, u);
        std::string out;
        if (u.nothingNew || (!test && u.queue.empty())) {
            out = std::string(1, char(net::kNothingNewByte));
        } else if (test) {
            out = packet(codec, n, u, nullptr);
        } else {
            const Result r = u.queue.front();
            u.queue.pop_front();
            out = packet(codec, n, u, &r);
            std::fprintf(stderr, "sent %d %u %u %s %s\n", n, r.ugl, r.flag, r.date.c_str(), r.time.c_str());
        }
        std::fflush(stderr);
        if (fault("noise", n))
            out = SimNoise() + out;
        if (fault("late", n))
            std::this_thread::sleep_for(std::chrono::seconds(3));
        line_.Send(out);
    }

    Options o_;
    SimLine line_;
    Clock::time_point began_;
};

} // namespace

int RunNetwork(int argc, char** argv)
{
    UsageSource() = "tools/velt-sim/net.cpp";
    const Options o = parse(argc, argv);
    return PlayOnSimulatorLine(o.link, [&](int fd) { return Line(o, fd).Run(); });
}
