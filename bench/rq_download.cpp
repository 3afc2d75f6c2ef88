// Reading a full instrument memory through the request-and-answer exchange, against velt-sim pacing its
// answers at 38400 baud as a real line would. The counter "wire_ratio" is the time taken over the time all
// bytes of the exchange (requests, acknowledgements and answers, 10 bits a byte) need on such a line; the
// layer's own waits must keep it near 1 (at most 1.2). The simulator paces only its own bytes, so the requests
// cost nothing here; counting them on the wire makes the ratio a little lower than a real line's.
// The argument is the model: 2 has 24 records a block (228 blocks for 5460 records, about 12 s on the line).
//
// The driver's download adds the pauses its procedure prescribes (after each record and each block of the walk).
// They are not the line's: the exchange is timed without them and they are reported apart ("pauses_s", from the
// driver's own pause table), with "download_s" the sum the user waits for. Run from the build tree: velt-sim is
// looked for in ../bin beside bench/.
#include "Devices/Protocol/Frames.h"
#include "Devices/Protocol/Protocol.h"
#include "Devices/Serial/serialport.h"
#include "Devices/VELT_B/Velt_B.h"
#include "platform/system/SerialPorts.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string simPath()
{
    char self[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, size_t(n)) : std::string("./x");
    dir = dir.substr(0, dir.rfind('/'));
    return dir + "/../bin/velt-sim";
}

void BM_FullMemoryAt38400(benchmark::State& state)
{
    const int model = int(state.range(0));
    const std::string command = simPath() + " --rq --baud 38400 --model " + std::to_string(model) +
                                " --life 70000 --memory 5460 --once 2>/dev/null";
    FILE* sim = ::popen(command.c_str(), "r");
    char line[512] = {};
    if (!sim || !std::fgets(line, sizeof line, sim)) {
        state.SkipWithError("velt-sim did not start");
        return;
    }
    std::string path(line);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
        path.pop_back();
    sys::SetSerialPortOverride(250, QString::fromStdString(path));
    TSerialPort port;
    proto::TProtocol protocol;
    if (!port.Open(250)) {
        state.SkipWithError("cannot open the line");
        return;
    }
    protocol.Attach(&port);
    protocol.Configure(38400, 0, 0);

    const int perBlock = proto::RecordsPerBlock(proto::LayoutOfModel(uint16_t(model)));
    const int blocks = (5460 + perBlock - 1) / perBlock;
    uint8_t buf[proto::kExchangeSize];
    double wireSeconds = 0, seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        long long bytes = 0;
        for (int n = 0; n < blocks; ++n) {
            proto::PutU16(buf, proto::kCmdBlock);
            proto::PutU16(buf + 2, uint16_t(n));
            // A second for each call, as the driver allows: a simulator that died ends the run, not hangs it.
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            int32_t r;
            while ((r = protocol.Send(buf, 4, 0, 1)) != proto::kDone && std::chrono::steady_clock::now() < limit) {
            }
            uint16_t count = 0, aux = 0;
            if (r == proto::kDone) {
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
                while ((r = protocol.Receive(buf, sizeof buf, &count, &aux)) == proto::kNotYet &&
                       std::chrono::steady_clock::now() < until) {
                }
            }
            if (r != proto::kDone || proto::GetU16(buf) != n) {
                state.SkipWithError("a block went wrong");
                break;
            }
            bytes += (4 + 5) + 1 + (count + 5);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        wireSeconds += double(bytes) * 10.0 / 38400.0;
    }
    const TVelt_B::TPauses pauses;
    const double pauseSeconds = (5460.0 * pauses.walkRecord + blocks * pauses.walkBlock) / 1000.0;
    const double runs = double(state.iterations());
    state.counters["wire_ratio"] = seconds / wireSeconds;
    state.counters["blocks"] = blocks;
    state.counters["exchange_s"] = seconds / runs;
    state.counters["wire_s"] = wireSeconds / runs;
    state.counters["pauses_s"] = pauseSeconds;
    state.counters["download_s"] = seconds / runs + pauseSeconds;
    protocol.Attach(nullptr);
    port.Close();
    sys::SetSerialPortOverride(250, QString());
    ::pclose(sim); // the simulator ends once the line is closed
}

} // namespace

BENCHMARK(BM_FullMemoryAt38400)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime()->MeasureProcessCPUTime();

BENCHMARK_MAIN();
