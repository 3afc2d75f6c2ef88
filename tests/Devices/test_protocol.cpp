#include "Devices/Protocol/Codec.h"
#include "Devices/Protocol/Frames.h"
#include "Devices/Protocol/Protocol.h"
#include "Devices/Serial/serialport.h"
#include "DevicesTestUtil.h"
#include "platform/system/SerialPorts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <ctime>
#include <fcntl.h>

using namespace proto;

namespace {

QByteArray encode(const QByteArray& payload)
{
    return TVeltLinkCodec().Encode(reinterpret_cast<const uint8_t*>(payload.constData()), int(payload.size()));
}

// Feeds bytes; returns the payloads of the frames completed and the number of damaged ones.
std::pair<QList<QByteArray>, int> feed(TCodec& c, const QByteArray& bytes)
{
    QList<QByteArray> frames;
    int bad = 0;
    for (char ch : bytes) {
        const auto f = c.Put(uint8_t(ch));
        if (f == TCodec::Frame)
            frames << c.Payload();
        bad += f == TCodec::Bad;
    }
    return {frames, bad};
}

} // namespace

TEST(ProtocolCodec, FramesSurviveNoiseAndDamageIsCaught)
{
    const QByteArray a = QByteArray::fromHex("0700ffff"), empty;
    QByteArray big(642, '\x5A');
    struct Case { QByteArray wire; QList<QByteArray> frames; int bad; };
    QByteArray corrupt = encode(a);
    corrupt[4] = char(corrupt[4] ^ 0x01);
    QByteArray badCrc = encode(a);
    badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 0x80);
    const Case cases[] = {
        {encode(a), {a}, 0},
        {QByteArray("\x06\xFFnoise") + encode(a) + encode(big), {a, big}, 0}, // bytes before a start are skipped
        {encode(empty), {empty}, 0},
        {corrupt + encode(a), {a}, 1},  // a damaged payload is refused, the next frame still read
        {badCrc, {}, 1},
        {QByteArray::fromHex("02ffff") + encode(a), {a}, 1}, // a length no frame has
        // A start byte in noise does not swallow the frame behind it, whether the noise's length runs past
        // the frame or its check fails first.
        {QByteArray::fromHex("0210") + encode(a) + encode(big), {a, big}, 0},
        {QByteArray::fromHex("020300") + "xyz" + encode(a), {a}, 1},
        {encode(a).left(4) + encode(a), {a}, 1},
    };
    for (const Case& c : cases) {
        TVeltLinkCodec codec;
        const auto [frames, bad] = feed(codec, c.wire);
        EXPECT_EQ(frames, c.frames) << c.wire.toHex().toStdString();
        EXPECT_EQ(bad, c.bad) << c.wire.toHex().toStdString();
    }
}

TEST(ProtocolFrames, FieldsSitWhereTheInstrumentPutsThem)
{
    uint8_t buf[kExchangeSize] = {};
    TAlcKnow k;
    k.model = 1;
    k.serial = 0x12345678;
    k.firmware = 0x010A;
    k.verification = 1000;
    k.constDate = 999;
    k.accuracy = 0.005f;
    k.norm = 0.16;
    k.tVidoh = 3;
    k.wWidoh = 4;
    k.netNumber = 7;
    k.Write(buf);
    EXPECT_EQ(GetU32(buf + 2), 0x12345678u);
    EXPECT_EQ(GetU16(buf + 170), 7);
    EXPECT_FLOAT_EQ(GetF32(buf + 138), 0.005f);
    const TAlcKnow back = TAlcKnow::Read(buf);
    EXPECT_EQ(back.norm, -1.0) << "models 0 and 1 carry no norm";
    EXPECT_EQ(back.tVidoh, 3);
    k.model = 2;
    k.Write(buf);
    EXPECT_EQ(TAlcKnow::Read(buf).norm, 0.16);
    EXPECT_EQ(TAlcKnow::SizeFor(0), 184);
    EXPECT_EQ(TAlcKnow::SizeFor(1), 194);
    EXPECT_EQ(TAlcKnow::SizeFor(7), 186);
    EXPECT_EQ(FirmwareText(0x0004), "0,04");
    EXPECT_EQ(FirmwareText(0x010A), "1,0a");

    TInfoBlock info;
    info.life = 70000;
    info.Write(buf);
    EXPECT_EQ(TInfoBlock::Read(buf).life, 70000u) << "the life count is 32 bits";
    EXPECT_EQ(GetU16(buf), 0xFFFF);

    for (int layout = 0; layout < 3; ++layout) {
        uint8_t records[kBlockRecordBytes] = {};
        const int last = RecordsPerBlock(layout) - 1;
        EXPECT_EQ(RecordsPerBlock(layout) * RecordSize(layout), layout == 2 ? 192 : 192);
        WriteMemoryRecord(layout, records, last, {77, 0x80000003u, -0.25f, "ABCDEFGHIJKL", "xy"});
        TEfData ef;
        ef.Set(layout, records);
        EXPECT_EQ(ef.DateTime_alk(last), 77u);
        EXPECT_EQ(ef.Result(last), -0.25f);
        EXPECT_EQ(ef.Number(last), layout == 0 ? 0u : 0x80000003u);
        EXPECT_EQ(ef.TextA(last), layout == 2 ? "ABCDEFGHIJ" : "");
        EXPECT_EQ(ef.TextB(last), layout == 2 ? "xy" : "");
    }
}

namespace {

struct Line : ::testing::Test {
    devtest::Pty pty;
    TSerialPort port;
    TProtocol protocol;
    Line()
    {
        sys::SetSerialPortOverride(230, pty.path);
        EXPECT_TRUE(port.Open(230));
        protocol.Attach(&port);
        EXPECT_EQ(protocol.Configure(38400, 0, 0), 1);
    }
    ~Line() override
    {
        protocol.Attach(nullptr);
        port.Close();
        sys::SetSerialPortOverride(230, QString());
    }
    // What the instrument end reads within ms.
    QByteArray Heard(int ms = 300)
    {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            char b[256];
            const ssize_t n = ::read(pty.master, b, sizeof b);
            if (n > 0)
                got.append(b, n);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return got;
    }
};

} // namespace

TEST_F(Line, SendIsDoneOnlyWhenTheInstrumentAcknowledges)
{
    ::fcntl(pty.master, F_SETFL, O_NONBLOCK);
    const uint8_t request[4] = {7, 0, 3, 0};
    // Nobody answers: not sent, after one slice.
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(protocol.Send(request, 4, 0, 1), kNotYet);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, std::chrono::milliseconds(TProtocol::kSliceMs - 5));
    EXPECT_LT(took, std::chrono::milliseconds(TProtocol::kSliceMs + testutil::kPromptMs));
    EXPECT_EQ(Heard(50), encode(QByteArray::fromHex("07000300")));

    // The instrument end: answers each request it hears with reply; then, once more is set, writes rest.
    auto answering = [&](const QByteArray& reply, std::atomic<bool>* more, const QByteArray& rest) {
        return std::thread([&pty = pty, reply, more, rest] {
            TVeltLinkCodec codec;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            bool answered = false;
            while (std::chrono::steady_clock::now() < end) {
                if (answered && !more)
                    return;
                if (answered && *more) {
                    pty.Write(rest);
                    return;
                }
                char b[256];
                const ssize_t n = ::read(pty.master, b, sizeof b);
                if (n <= 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    continue;
                }
                for (ssize_t i = 0; i < n; ++i)
                    if (codec.Put(uint8_t(b[i])) == TCodec::Frame) {
                        pty.Write(reply);
                        answered = true;
                    }
            }
        });
    };
    // Sends as the driver does: again until done or a while has passed, so a slow machine only retries.
    auto sendUntilDone = [&] {
        int32_t r = kNotYet;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (r != kDone && std::chrono::steady_clock::now() < end)
            r = protocol.Send(request, 4, 0, 1);
        return r;
    };

    // A refusal is not a send either.
    {
        std::thread device = answering(QByteArray("\x15"), nullptr, QByteArray());
        EXPECT_EQ(protocol.Send(request, 4, 0, 1), kNotYet);
        device.join();
    }

    // Acknowledged, with the answer on its heels and split across writes: received whole, and only then copied.
    const QByteArray answer = encode(QByteArray(200, '\x11'));
    std::atomic<bool> more{false};
    std::thread device = answering(QByteArray("\x06") + answer.left(50), &more, answer.mid(50));
    EXPECT_EQ(sendUntilDone(), kDone);
    uint8_t buf[kExchangeSize];
    std::memset(buf, 0xEE, sizeof buf);
    uint16_t count = 0, aux = 0;
    int32_t r = protocol.Receive(buf, sizeof buf, &count, &aux);
    EXPECT_EQ(r, kNotYet) << "half an answer after one slice";
    EXPECT_EQ(buf[0], 0xEE) << "nothing copied before the answer is whole";
    more = true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do
        r = protocol.Receive(buf, sizeof buf, &count, &aux);
    while (r == kNotYet && std::chrono::steady_clock::now() < end);
    device.join();
    EXPECT_EQ(r, kDone);
    EXPECT_EQ(count, 200);
    EXPECT_EQ(buf[199], 0x11);
    EXPECT_EQ(buf[200], 0xEE);

    // Longer than the buffer: refused, and the buffer stays as it was.
    pty.Write(encode(QByteArray(80, '\x22')));
    uint8_t small[70];
    std::memset(small, 0, sizeof small);
    EXPECT_EQ(protocol.Receive(small, sizeof small, &count, &aux), kTooLong);
    EXPECT_EQ(small[0], 0);
}

TEST_F(Line, AbortEndsTheWaitsAndADetachedLayerNeverSpins)
{
    const uint8_t request[2] = {0, 0};
    std::thread aborter([&] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); protocol.Abort(); });
    const auto t0 = std::chrono::steady_clock::now();
    uint16_t count, aux;
    uint8_t buf[16];
    // Each call waits a slice on a silent line; aborted, the one waiting and every later one return at once.
    // 200 slices would take twenty seconds; a loaded machine may start the abort late, not that late.
    for (int i = 0; i < 100; ++i) {
        protocol.Send(request, 2, 0, 1);
        protocol.Receive(buf, sizeof buf, &count, &aux);
    }
    aborter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(testutil::kPromptMs));
    protocol.Rearm();

    protocol.Attach(nullptr);
    const auto c0 = std::clock();
    const auto w0 = std::chrono::steady_clock::now();
    int calls = 0;
    while (std::chrono::steady_clock::now() - w0 < std::chrono::milliseconds(300)) {
        EXPECT_EQ(protocol.Send(request, 2, 0, 1), kNoPort);
        EXPECT_EQ(protocol.Receive(buf, sizeof buf, &count, &aux), kNoPort);
        ++calls;
    }
    EXPECT_LE(calls, 3) << "each call without a port waits its slice";
    EXPECT_LT(double(std::clock() - c0) / CLOCKS_PER_SEC, 0.05);
}

TEST_F(Line, AnInstrumentUnpluggedMidExchangeFailsTheCallsWithoutSpinning)
{
    const uint8_t request[2] = {2, 0};
    pty.Write(QByteArray("\x02\x46"));
    uint8_t buf[70];
    std::memset(buf, 0x33, sizeof buf);
    uint16_t count = 0, aux = 0;
    EXPECT_EQ(protocol.Receive(buf, sizeof buf, &count, &aux), kNotYet);
    pty.CloseMaster();
    const auto c0 = std::clock();
    const auto w0 = std::chrono::steady_clock::now();
    int calls = 0;
    while (std::chrono::steady_clock::now() - w0 < std::chrono::milliseconds(500)) {
        EXPECT_NE(protocol.Send(request, 2, 0, 1), kDone);
        EXPECT_NE(protocol.Receive(buf, sizeof buf, &count, &aux), kDone);
        ++calls;
    }
    EXPECT_EQ(buf[0], 0x33) << "half a frame is never handed over";
    EXPECT_LE(calls, 5) << "each failing call still waits its slice";
    EXPECT_LT(double(std::clock() - c0) / CLOCKS_PER_SEC, 0.1);
}
