// velt-sim --rq: plays a request-and-answer instrument (VELT-A or VELT-B of type 2, or the interlock) on a
// pseudo-terminal. It answers the test, current result, constants, clearing and memory block requests over
// the program's link framing, keeps a memory ring that wraps, produces new results while it runs, and can
// spoil chosen answers. Each request it hears goes to stderr as "req <code>" or "req 7 <index>".
//
//   velt-sim --rq [--link PATH] [--model N] [--meas-model N] [--serial N] [--firmware HEX]
//                 [--verification YYYY-MM-DD] [--const-date YYYY-MM-DD] [--accuracy F] [--norm F]
//                 [--clock "YYYY-MM-DD HH:MM:SS"] [--life N] [--memory N] [--start "YYYY-MM-DD HH:MM:SS"]
//                 [--results V,V,...] [--result-every MS] [--interrupted K,K,...] [--mode N] [--baud N]
//                 [--mark K=HEX]... [--fault KIND[@N][*COUNT]]... [--run-for MS] [--once]
//                 [--velt-c [--person TEXTS] [--inspector TEXTS]]
//
//   --velt-c        a VELT-C (constants model 11 unless --model says otherwise): each memory block holds one
//                   256-byte record with the examined person's and the inspector's texts in cp1251; exhalation
//                   k has the air result (k%100)/100 mg/l and the exhalation state k%4
//   --person        "last,first,patronymic,place,car number"; --inspector "last,first,patronymic,department,
//                   number" (UTF-8; a missing part is empty)
//
//   --life N        exhalations made in the instrument's life; exhalation k (from 0) is taken at --start plus
//                   k minutes, numbered k+1, with the result k%1000 thousandths (negative when k%97 is 13)
//   --memory N      records the memory ring holds (5460); exhalation k lives in entry k%N
//   --results       live results in turn: the first once the instrument has been asked for its constants,
//                   each next --result-every ms later (1000);
//                   the time of result j is --clock plus j minutes; --interrupted: indices of interrupted ones
//   --mode N        working mode word (4 while a result is there, else 3)
//   --baud N        pace the answers as a line of N baud would (10 bits a byte); 0 sends at once
//   --mark K=HEX    exhalation k carries this number instead (interlock events: 80000003)
//   --fault         silent            answer nothing at all
//                   nak-clear         refuse clearing
//                   bad-echo@N        a wrong echo on block N
//                   drop-block@N      no answer to block N
//                   info-fail         no answer to the info block
//                   info-serial       the info block gives another serial number
//                   const-date0       constants with a verification date of 0
//                   short-meas        a current result one byte short
//                   poll-info-bad     a wrong echo on the info block asked for right after a new result
//                   no-last           no block is marked as the last one
//                   noise             bytes that mean nothing before the answer
//                   bad-date@K        VELT-C: exhalation K's record carries the time 0
//                   long-text         VELT-C: every text fills its field to the end, without a zero byte
//                   COUNT limits a fault to its first COUNT uses (every use without it)
//   --run-for MS    end after this time (runs until killed without it)
//   --once          end when the program that used the line closes it
// Exit status: 0 done, 1 the line failed, 2 bad arguments.
#include "tools/velt-sim/Args.h"
#include "tools/velt-sim/Framed.h"
#include "tools/velt-sim/Line.h"
#include "Devices/Protocol/Codec.h"
#include "Devices/Protocol/Frames.h"
#include "Devices/Protocol/Protocol.h"
#include "core/ConvertTimeLong.h"
#include "platform/rtl/CodePage.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

int RunRequestAnswer(int argc, char** argv);

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string link;
    int model = 5, measModel = -1;
    uint32_t serial = 1234;
    uint16_t firmware = 0x0010;
    LongTime verification = 0, constDate = 0, clock = 0, start = 0;
    float accuracy = 0.005f;
    double norm = 0.16;
    uint32_t life = 0, memory = 5460;
    std::vector<double> results;
    std::set<int> interrupted;
    int resultEvery = 1000;
    int mode = -1;
    std::map<uint32_t, uint32_t> marks;
    SimFaults faults;
    SimLine::Options line;
    bool veltC = false;
    bool modelGiven = false;
    std::vector<std::string> person, inspector; // cp1251
};

std::vector<std::string> cp1251Parts(const std::string& utf8)
{
    std::vector<std::string> parts;
    for (const auto& p : split(utf8, ','))
        parts.push_back(rtl::toCp1251(QString::fromUtf8(p.c_str())).toStdString());
    return parts;
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS".
LongTime toLongTime(const std::string& text)
{
    const auto dt = split(text, ' ');
    const auto d = split(dt[0], '-');
    if (d.size() != 3 || dt.size() > 2)
        usage("bad date: " + text);
    rtl::SystemTime st{};
    st.wYear = uint16_t(toNumber(d[0], "year", 1972, 2100));
    st.wMonth = uint16_t(toNumber(d[1], "month", 1, 12));
    st.wDay = uint16_t(toNumber(d[2], "day", 1, 31));
    if (dt.size() == 2) {
        const auto t = split(dt[1], ':');
        if (t.size() != 3)
            usage("bad time: " + text);
        st.wHour = uint16_t(toNumber(t[0], "hour", 0, 23));
        st.wMinute = uint16_t(toNumber(t[1], "minute", 0, 59));
        st.wSecond = uint16_t(toNumber(t[2], "second", 0, 59));
    }
    return SystemTimeToLong(st);
}

Options parse(int argc, char** argv)
{
    Options o;
    o.verification = toLongTime("2011-05-20");
    o.constDate = toLongTime("2011-05-19");
    o.clock = toLongTime("2012-03-01 10:00:00");
    o.start = toLongTime("2011-06-01 08:00:00");
    ArgWalk args(argc, argv, 2);
    for (std::string a; args.Next(a);) {
        if (TakeLineOption(a, args, o.line)) continue;
        if (a == "--link") o.link = args.Value();
        else if (a == "--model") {
            o.model = int(toNumber(args.Value(), "model", 0, 65535));
            o.modelGiven = true;
        } else if (a == "--velt-c") o.veltC = true;
        else if (a == "--person") o.person = cp1251Parts(args.Value());
        else if (a == "--inspector") o.inspector = cp1251Parts(args.Value());
        else if (a == "--meas-model") o.measModel = int(toNumber(args.Value(), "model", 0, 65535));
        else if (a == "--serial") o.serial = uint32_t(toNumber(args.Value(), "serial", 0, 0xFFFFFFFFLL));
        else if (a == "--firmware") o.firmware = uint16_t(toNumber(args.Value(), "firmware", 0, 0xFFFF, 16));
        else if (a == "--verification") {
            const std::string v = args.Value();
            o.verification = v == "0" ? 0 : toLongTime(v);
        }
        else if (a == "--const-date") o.constDate = toLongTime(args.Value());
        else if (a == "--accuracy") o.accuracy = float(toReal(args.Value(), "accuracy"));
        else if (a == "--norm") o.norm = toReal(args.Value(), "norm");
        else if (a == "--clock") o.clock = toLongTime(args.Value());
        else if (a == "--start") o.start = toLongTime(args.Value());
        else if (a == "--life") o.life = uint32_t(toNumber(args.Value(), "life", 0, 0xFFFFFFFFLL));
        else if (a == "--memory") o.memory = uint32_t(toNumber(args.Value(), "memory", 1, 100000));
        else if (a == "--result-every") o.resultEvery = int(toNumber(args.Value(), "interval", 1, 3600000));
        else if (a == "--mode") o.mode = int(toNumber(args.Value(), "mode", 0, 65535));
        else if (a == "--results") {
            for (const auto& v : split(args.Value(), ','))
                o.results.push_back(toReal(v, "result"));
        } else if (a == "--interrupted") {
            for (const auto& v : split(args.Value(), ','))
                o.interrupted.insert(int(toNumber(v, "index", 0, 100000)));
        } else if (a == "--mark") {
            const auto p = split(args.Value(), '=');
            if (p.size() != 2)
                usage("bad mark");
            o.marks[uint32_t(toNumber(p[0], "exhalation", 0, 0xFFFFFFFFLL))] =
                uint32_t(toNumber(p[1], "number", 0, 0xFFFFFFFFLL, 16));
        } else if (a == "--fault") {
            o.faults.Add(args.Value(),
                         {"silent", "nak-clear", "bad-echo", "drop-block", "info-fail", "info-serial", "const-date0",
                          "short-meas", "poll-info-bad", "no-last", "noise", "bad-date", "long-text"},
                         "block", 0);
        } else {
            usage("unknown option " + a);
        }
    }
    if (o.veltC && !o.modelGiven)
        o.model = 11;
    if (o.measModel < 0)
        o.measModel = o.model;
    return o;
}

class Instrument {
public:
    Instrument(Options o, int fd) : o_(std::move(o)), line_(fd, o_.line), began_(Clock::now()) {}

    void Run()
    {
        line_.Run([this](proto::TCodec& codec, const QByteArray& request) { answer(codec, request); });
    }

private:
    bool fault(const char* kind, int at = -1) { return o_.faults.Take(kind, at); }

    std::string frame(proto::TCodec& codec, const uint8_t* payload, int length)
    {
        const QByteArray f = codec.Encode(payload, length);
        return std::string(f.constData(), size_t(f.size()));
    }

    // The result on show now: index into results, or -1 before any.
    int currentResult() const
    {
        if (o_.results.empty() || !identified_)
            return -1;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - resultsFrom_).count();
        const long long j = ms / o_.resultEvery;
        return int(std::min<long long>(j, (long long)o_.results.size() - 1));
    }

    LongTime clockNow() const
    {
        return o_.clock + LongTime(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began_).count());
    }

    proto::TMemoryRecord exhalation(uint32_t k) const
    {
        proto::TMemoryRecord r;
        r.time = o_.start + k * 60;
        const auto mark = o_.marks.find(k);
        r.number = mark != o_.marks.end() ? mark->second : k + 1;
        r.result = float(k % 1000) / 1000.0f;
        if (k % 97 == 13)
            r.result = -r.result;
        char text[16];
        std::snprintf(text, sizeof text, "S%u", k);
        r.textA = text;
        std::snprintf(text, sizeof text, "I%u", k);
        r.textB = text;
        return r;
    }

    void answer(proto::TCodec& codec, const QByteArray& request)
    {
        if (request.size() < 2)
            return;
        const auto* req = reinterpret_cast<const uint8_t*>(request.constData());
        const uint16_t code = proto::GetU16(req);
        if (code == proto::kCmdBlock && request.size() >= 4)
            std::fprintf(stderr, "req 7 %u\n", unsigned(proto::GetU16(req + 2)));
        else
            std::fprintf(stderr, "req %u\n", unsigned(code));
        std::fflush(stderr);
        if (fault("silent"))
            return;
        if (code != proto::kCmdBlock)
            afterResult_ = false;
        std::string out;
        const char ack = char(codec.Ack());
        uint8_t buf[proto::kExchangeSize] = {};
        switch (code) {
        case proto::kCmdTest:
            out += ack;
            break;
        case proto::kCmdResult: {
            proto::TAlcMeas m;
            m.model = uint16_t(o_.measModel);
            const int j = currentResult();
            m.mode = uint16_t(o_.mode >= 0 ? o_.mode : j >= 0 ? 4 : 3);
            if (j >= 0) {
                m.result = o_.results[size_t(j)];
                m.time = o_.clock + LongTime(j) * 60;
                m.exhale = o_.interrupted.count(j) ? (m.model < 3 ? 0xFFFF : 2) : 0;
            }
            m.Write(buf);
            afterResult_ = m.mode == 4;
            out += ack;
            out += frame(codec, buf, fault("short-meas") ? proto::TAlcMeas::kSize - 1 : proto::TAlcMeas::kSize);
            break;
        }
        case proto::kCmdConstants: {
            if (!identified_) {
                identified_ = true;
                resultsFrom_ = Clock::now();
            }
            proto::TAlcKnow k;
            k.model = uint16_t(o_.model);
            k.serial = o_.serial;
            k.firmware = o_.firmware;
            k.verification = fault("const-date0") ? 0 : o_.verification;
            k.constDate = o_.constDate;
            k.accuracy = o_.accuracy;
            k.norm = o_.norm;
            k.tVidoh = 3;
            k.wWidoh = 4;
            k.netNumber = 0;
            k.Write(buf);
            out += ack;
            out += frame(codec, buf, proto::TAlcKnow::SizeFor(k.model));
            break;
        }
        case proto::kCmdClear:
            if (fault("nak-clear")) {
                out += char(codec.Nak());
                break;
            }
            cleared_ = true;
            std::fprintf(stderr, "cleared\n");
            out += ack;
            break;
        case proto::kCmdBlock: {
            const uint16_t index = request.size() >= 4 ? proto::GetU16(req + 2) : 0;
            out += ack;
            if (index == proto::kInfoBlockIndex) {
                if (fault("info-fail"))
                    break;
                proto::TInfoBlock b;
                b.model = uint16_t(o_.model);
                b.serial = fault("info-serial") ? o_.serial + 1 : o_.serial;
                b.firmware = o_.firmware;
                b.verification = o_.verification;
                b.clock = clockNow();
                b.life = o_.life;
                b.Write(buf);
                if (afterResult_ && fault("poll-info-bad"))
                    proto::PutU16(buf, 0);
                out += frame(codec, buf, proto::TInfoBlock::kSize);
                break;
            }
            if (fault("drop-block", index))
                break;
            if (o_.veltC) {
                veltCBlock(index, buf);
                if (fault("bad-echo", index))
                    proto::PutU16(buf, uint16_t(index + 1));
                out += frame(codec, buf, proto::TVELTEepromRecord::kBlockSize);
                break;
            }
            block(index, buf);
            if (fault("bad-echo", index))
                proto::PutU16(buf, uint16_t(index + 1));
            out += frame(codec, buf, proto::kBlockSize);
            break;
        }
        default:
            out += char(codec.Nak());
            break;
        }
        if (fault("noise"))
            out = SimNoise() + out;
        line_.Send(out);
    }

    // Entry slot of the memory ring: the latest exhalation k with k % memory == slot.
    uint32_t exhalationOf(uint32_t slot) const
    {
        return o_.life > o_.memory ? slot + (o_.life - 1 - slot) / o_.memory * o_.memory : slot;
    }

    static std::string part(const std::vector<std::string>& parts, size_t i)
    {
        return i < parts.size() ? parts[i] : std::string();
    }

    void veltCBlock(uint16_t index, uint8_t* buf)
    {
        const uint32_t used = cleared_ ? 0 : std::min(o_.life, o_.memory);
        proto::PutU16(buf, index);
        proto::PutU16(buf + 2, index + 1u >= std::max<uint32_t>(used, 1) && !fault("no-last") ? 1 : 0);
        if (index >= used)
            return;
        const uint32_t k = exhalationOf(index);
        const proto::TMemoryRecord e = exhalation(k);
        proto::TVELTEepromRecord r;
        r.Exhale = (k % 4) | 0x100; // the bits above the state mean nothing to the journal
        r.datetime = fault("bad-date", int(k)) ? 0 : e.time;
        r.nMeasure = e.number;
        r.AlcResult = float(k % 1000) / 1000.0f;
        r.AirResult = float(k % 100) / 100.0f;
        for (int i = 0; i < 5; ++i) {
            r.texts[i] = part(o_.person, size_t(i));
            r.texts[5 + i] = part(o_.inspector, size_t(i));
        }
        if (fault("long-text"))
            for (int i = 0; i < proto::TVELTEepromRecord::kTexts; ++i)
                r.texts[i] = std::string(size_t(proto::TVELTEepromRecord::TextSize(i)), char('A' + i));
        r.Write(buf + proto::kBlockHeader);
    }

    void block(uint16_t index, uint8_t* buf)
    {
        const int layout = proto::LayoutOfModel(uint16_t(o_.model));
        const uint32_t per = uint32_t(proto::RecordsPerBlock(layout));
        const bool wrapped = o_.life > o_.memory;
        const uint32_t used = cleared_ ? 0 : wrapped ? o_.memory : o_.life;
        const uint32_t blocks = std::max<uint32_t>(1, (used + per - 1) / per);
        proto::PutU16(buf, index);
        proto::PutU16(buf + 2, index + 1u >= blocks && !fault("no-last") ? 1 : 0);
        for (uint32_t i = 0; i < per; ++i) {
            const uint32_t slot = uint32_t(index) * per + i;
            if (slot >= used)
                continue;
            const uint32_t k = exhalationOf(slot);
            proto::WriteMemoryRecord(layout, buf + proto::kBlockHeader, int(i), exhalation(k));
        }
    }

    Options o_;
    SimLine line_;
    Clock::time_point began_;
    bool cleared_ = false;
    bool identified_ = false;
    bool afterResult_ = false; // only info block requests since a result was on show
    Clock::time_point resultsFrom_;
};

} // namespace

int RunRequestAnswer(int argc, char** argv)
{
    UsageSource() = "tools/velt-sim/rq.cpp";
    const Options o = parse(argc, argv);
    return PlayOnSimulatorLine(o.link, [&](int fd) {
        Instrument(o, fd).Run();
        return 0;
    });
}
