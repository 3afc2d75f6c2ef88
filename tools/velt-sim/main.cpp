// velt-sim: plays a type 1 instrument (VELT-A or VELT-B of type 1) that prints its results on its serial line.
// With --rq as its first argument it plays a request-and-answer instrument instead (see rq.cpp), with --net
// up to 32 networked instruments on one line (see net.cpp).
//
// With no --device it opens a pseudo-terminal pair, prints the path of the slave end as the first line of its
// output and waits until a program opens that end; the slave end is then the instrument's serial port.
//
//   velt-sim [--device PATH] [--link PATH] [--printouts N] [--count N] [--interval MS] [--pace MS]
//            [--serial NNNN] [--verification DD.MM.YYYY] [--time "YYYY-MM-DD HH:MM"] [--values V,V,...]
//            [--status S,S,...] [--model TEXT] [--fault KIND[@N]]... [--linger MS] [--seed N]
//
//   --printouts N      printouts to send (1); each after --interval ms of silence (1000)
//   --count N          results per printout (1); result k of the run is --time plus k minutes
//   --values           results in mg/l, used in turn (0.150); --status: exhale status bytes in turn (0)
//   --pace MS          pause between the records of a printout (0: the whole printout at once); a pause
//                      longer than the listener's read time-outs splits the printout
//   --fault KIND[@N]   spoil printout N (every printout without @N):
//                        noise         random bytes and a pause before the printout
//                        bad-word      a wrong product word in the header
//                        short-ident   the printout breaks off in the serial number
//                        bad-date      an impossible verification date
//                        bad-record    a result with an impossible date (30 February) after the results
//                        empty-record  a record without a result (0xFF) before the results
//                        partial       the printout breaks off 5 bytes into a last record
//   --linger MS        time to keep the line open after the last printout (1000)
// Exit status: 0 done, 1 the line failed, 2 bad arguments.
#include "tools/velt-sim/Args.h"
#include "tools/velt-sim/Line.h"
#include "Devices/VELT_A/Printout.h"
#include "platform/rtl/CodePage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Fault {
    std::string kind;
    int printout; // 0: every printout
};

struct Options {
    std::string device, link;
    int printouts = 1, count = 1, intervalMs = 1000, paceMs = 0, lingerMs = 1000;
    int serial = 1234;
    int vDay = 15, vMonth = 3, vYear = 2010;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0; // 0: now
    std::vector<unsigned> values{150};
    std::vector<unsigned> statuses{0};
    QByteArray model = QByteArray(kPrintoutProductWord, 4);
    std::vector<Fault> faults;
    unsigned seed = 1;
};

int toInt(const std::string& text, const char* what, int lo, int hi)
{
    return int(toNumber(text, what, lo, hi));
}

// Milligrams per litre to thousandths, without the C locale.
unsigned thousandths(const std::string& text)
{
    const double v = toReal(text, "value");
    if (v < 0 || v > 65.535)
        usage("bad value: " + text);
    return unsigned(v * 1000.0 + 0.5);
}

bool daysOk(int y, int m, int d)
{
    static const int dim[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= dim[m - 1] + (m == 2 && leap ? 1 : 0);
}

Options parse(int argc, char** argv)
{
    Options o;
    ArgWalk args(argc, argv, 1);
    for (std::string a; args.Next(a);) {
        if (a == "--device") o.device = args.Value();
        else if (a == "--link") o.link = args.Value();
        else if (a == "--printouts") o.printouts = toInt(args.Value(), "printouts", 0, 100000);
        else if (a == "--count") o.count = toInt(args.Value(), "count", 0, 10000);
        else if (a == "--interval") o.intervalMs = toInt(args.Value(), "interval", 0, 3600000);
        else if (a == "--pace") o.paceMs = toInt(args.Value(), "pace", 0, 60000);
        else if (a == "--linger") o.lingerMs = toInt(args.Value(), "linger", 0, 3600000);
        else if (a == "--serial") o.serial = toInt(args.Value(), "serial", 0, 9999);
        else if (a == "--seed") o.seed = unsigned(toInt(args.Value(), "seed", 0, 1 << 30));
        else if (a == "--model") o.model = rtl::toCp1251(QString::fromUtf8(args.Value().c_str()));
        else if (a == "--verification") {
            const auto p = split(args.Value(), '.');
            if (p.size() != 3)
                usage("bad verification date");
            o.vDay = toInt(p[0], "day", 1, 31);
            o.vMonth = toInt(p[1], "month", 1, 12);
            o.vYear = toInt(p[2], "year", 2000, 2099);
        } else if (a == "--time") {
            const std::string t = args.Value();
            const auto dt = split(t, ' ');
            const auto d = dt.size() == 2 ? split(dt[0], '-') : std::vector<std::string>{};
            const auto hm = dt.size() == 2 ? split(dt[1], ':') : std::vector<std::string>{};
            if (d.size() != 3 || hm.size() != 2)
                usage("bad time: " + t);
            o.year = toInt(d[0], "year", 2000, 2099);
            o.month = toInt(d[1], "month", 1, 12);
            o.day = toInt(d[2], "day", 1, 31);
            o.hour = toInt(hm[0], "hour", 0, 23);
            o.minute = toInt(hm[1], "minute", 0, 59);
            if (!daysOk(o.year, o.month, o.day))
                usage("bad time: " + t);
        } else if (a == "--values") {
            o.values.clear();
            for (const auto& v : split(args.Value(), ','))
                o.values.push_back(thousandths(v));
        } else if (a == "--status") {
            o.statuses.clear();
            for (const auto& v : split(args.Value(), ','))
                o.statuses.push_back(unsigned(toInt(v, "status", 0, 255)));
        } else if (a == "--fault") {
            const auto p = split(args.Value(), '@');
            static const char* kinds[] = {"noise", "bad-word", "short-ident", "bad-date", "bad-record", "empty-record", "partial"};
            bool known = false;
            for (const char* k : kinds)
                known |= p[0] == k;
            if (!known || p.size() > 2)
                usage("bad fault: " + p[0]);
            o.faults.push_back({p[0], p.size() == 2 ? toInt(p[1], "printout", 1, 100000) : 0});
        } else {
            usage("unknown option " + a);
        }
    }
    if (!daysOk(o.vYear, o.vMonth, o.vDay))
        usage("bad verification date");
    return o;
}

bool hasFault(const Options& o, const char* kind, int printout)
{
    for (const Fault& f : o.faults) {
        if (f.kind == kind && (f.printout == 0 || f.printout == printout))
            return true;
    }
    return false;
}

// A calendar minute counter, for the times of the results.
struct Clock {
    int y, mo, d, h, mi;
    void tick()
    {
        if (++mi < 60) return;
        mi = 0;
        if (++h < 24) return;
        h = 0;
        if (daysOk(y, mo, d + 1)) { ++d; return; }
        d = 1;
        if (++mo <= 12) return;
        mo = 1;
        ++y;
    }
};

bool writeAll(int fd, const QByteArray& bytes)
{
    int sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += int(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

int RunRequestAnswer(int argc, char** argv);
int RunNetwork(int argc, char** argv);

int main(int argc, char** argv)
{
    // --net first: networked instruments on one line (net.cpp).
    if (argc > 1 && std::strcmp(argv[1], "--net") == 0)
        return RunNetwork(argc, argv);
    // --rq first: a request-and-answer instrument (rq.cpp).
    if (argc > 1 && std::strcmp(argv[1], "--rq") == 0)
        return RunRequestAnswer(argc, argv);
    const Options o = parse(argc, argv);
    int fd = -1;
    if (o.device.empty()) {
        fd = OpenSimulatorLine(o.link);
        if (fd < 0)
            return 1;
        // Wait until someone opens the slave end (the master stops reporting a hang-up), then give it time to
        // set its line up and purge it.
        for (;;) {
            pollfd p{fd, 0, 0};
            ::poll(&p, 1, 0);
            if (!(p.revents & POLLHUP))
                break;
            sleepMs(20);
        }
        sleepMs(300);
    } else {
        fd = ::open(o.device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            std::perror(("velt-sim: " + o.device).c_str());
            return 1;
        }
        termios t{};
        if (::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, B9600);
            ::cfsetospeed(&t, B9600);
            t.c_cflag |= CLOCAL | CREAD;
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }

    Clock clock{o.year, o.month, o.day, o.hour, o.minute};
    if (o.year == 0) {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&now, &tm);
        clock = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min};
    }
    std::mt19937 random(o.seed);
    size_t result = 0;
    for (int p = 1; p <= o.printouts; ++p) {
        if (p > 1)
            sleepMs(o.intervalMs);
        if (hasFault(o, "noise", p)) {
            QByteArray noise;
            for (int i = 0; i < 20; ++i)
                noise.append(char(random() & 0xFF));
            if (!writeAll(fd, noise))
                return 1;
            sleepMs(400);
        }
        QByteArray model = o.model;
        if (hasFault(o, "bad-word", p))
            model = "XXXX";
        QByteArray header = EncodePrintoutHeader(model, o.serial, o.vDay, o.vMonth, o.vYear);
        if (hasFault(o, "bad-date", p))
            header = EncodePrintoutHeader(model, o.serial, 31, 2, o.vYear);
        if (hasFault(o, "short-ident", p))
            header.chop(6);
        std::vector<QByteArray> records;
        if (hasFault(o, "empty-record", p))
            records.push_back(QByteArray(8, '\xFF'));
        for (int k = 0; k < o.count; ++k, ++result) {
            const TPrintoutEntry e{clock.d, clock.mo, clock.y, clock.h, clock.mi, o.values[result % o.values.size()],
                                   static_cast<unsigned char>(o.statuses[result % o.statuses.size()])};
            records.push_back(EncodePrintoutRecord(e));
            std::fprintf(stderr, "result %zu: %02d.%02d.%04d %02d:%02d %u.%03u mg/l status %u\n", result + 1, e.day,
                         e.month, e.year, e.hour, e.minute, e.value / 1000, e.value % 1000, unsigned(e.status));
            clock.tick();
        }
        if (hasFault(o, "bad-record", p))
            records.push_back(EncodePrintoutRecord({30, 2, 2012, 10, 0, 16, 0}));
        if (hasFault(o, "partial", p))
            records.push_back(EncodePrintoutRecord({1, 1, 2012, 0, 0, 0, 0}).left(5));
        if (hasFault(o, "short-ident", p))
            records.clear(); // the line falls silent inside the serial number
        if (o.paceMs == 0) {
            QByteArray all = header;
            for (const QByteArray& r : records)
                all += r;
            if (!writeAll(fd, all))
                return 1;
        } else {
            if (!writeAll(fd, header))
                return 1;
            for (const QByteArray& r : records) {
                sleepMs(o.paceMs);
                if (!writeAll(fd, r))
                    return 1;
            }
        }
        std::fprintf(stderr, "printout %d sent\n", p);
    }
    sleepMs(o.lingerMs);
    CloseSimulatorLine(fd, o.link);
    return 0;
}
