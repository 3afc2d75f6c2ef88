#pragma once
// What the simulator's framed modes (--rq and --net) share: their spoilt answers, and the loop that hears the
// program's requests on the line, hands each whole one over to be answered and sends the answer, paced as a
// slow line would carry it.
#include "Devices/Protocol/Codec.h"
#include "tools/velt-sim/Args.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// "KIND[@N][*COUNT]": the answers of this kind (to N only, for its first COUNT uses only) are spoilt.
class SimFaults {
public:
    // A kind not among kinds, or a bad N (what names it, from lowest) or COUNT, ends the program.
    void Add(std::string spec, const std::vector<const char*>& kinds, const char* what, long long lowest);
    // True, and one use spent, when a fault of this kind applies to at (-1: to anything).
    bool Take(const char* kind, int at = -1);

private:
    struct Fault {
        std::string kind;
        int at = -1;    // -1: any
        int count = -1; // uses left; -1: every use
    };
    std::vector<Fault> faults_;
};

// Twelve bytes that nothing on the line could take for a start, an acknowledgement, a refusal or "nothing new".
std::string SimNoise();

class SimLine {
public:
    struct Options {
        int runFor = -1;       // ms; -1 until killed
        bool once = false;     // end when the program that used the line closes it
        int baud = 0;          // pace the answers; 0 sends at once
        size_t paceChunk = 16; // bytes written at a time when paced
    };
    // The whole request's payload; the answer goes out through Send.
    using Answer = std::function<void(proto::TCodec& codec, const QByteArray& request)>;
    // A line of stdin; false ends the run.
    using Command = std::function<bool(const std::string& line)>;

    SimLine(int fd, const Options& o);
    ~SimLine();
    // Until the run time is over, the program leaves (once), a command says so or the line fails (status 1).
    // Without command stdin is not read.
    int Run(const Answer& answer, const Command& command = {});
    void Send(const std::string& bytes) const;

private:
    int fd_;
    Options o_;
    std::unique_ptr<proto::TCodec> codec_;
};

// --baud, --run-for and --once, the line's own options: true when option was one of them (its value taken).
bool TakeLineOption(const std::string& option, ArgWalk& args, SimLine::Options& o);
