#include "Devices/Serial/serialport.h"
#include "DevicesTestUtil.h"
#include "platform/system/SerialPorts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/ioctl.h>
#include <thread>

using namespace std::chrono;
using devtest::Pty;

namespace {

struct MappedPty : Pty {
    int number;
    explicit MappedPty(int n) : number(n) { sys::SetSerialPortOverride(n, path); }
    ~MappedPty() { sys::SetSerialPortOverride(number, QString()); }
};

long long MsSince(steady_clock::time_point t)
{
    return duration_cast<milliseconds>(steady_clock::now() - t).count();
}

} // namespace

TEST(SerialPort, OpenIsExclusiveAndAClosedPortRefusesEverything)
{
    MappedPty pty(210);
    ASSERT_FALSE(pty.path.isEmpty());
    TSerialPort a, b;
    EXPECT_FALSE(a.SetParams(9600, NOPARITY, ONESTOPBIT));
    EXPECT_FALSE(a.Purge());
    EXPECT_EQ(a.WaitData(10), TSerialPort::WaitError);
    unsigned char buf[4];
    EXPECT_EQ(a.DataIn(buf, 4), 0);

    ASSERT_TRUE(a.Open(210));
    EXPECT_TRUE(a.IsOpen());
    EXPECT_EQ(a.GetPortNumber(), 210);
    EXPECT_FALSE(b.Open(210)) << "no sharing";
    EXPECT_FALSE(b.IsOpen());
    EXPECT_EQ(b.GetPortNumber(), 0);
    EXPECT_FALSE(b.Open(211)) << "a port that is not present";
    EXPECT_TRUE(a.SetParams(9600, NOPARITY, ONESTOPBIT));
    EXPECT_FALSE(a.SetParams(12345, NOPARITY, ONESTOPBIT));
    a.Close();
    a.Close();
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(a.GetPortNumber(), 210) << "Close keeps the number";
    EXPECT_TRUE(b.Open(210)) << "free again after Close";
    EXPECT_EQ(TSerialPort::DeviceName(9), "COM9");
    EXPECT_EQ(TSerialPort::DeviceName(10), "\\\\.\\COM10");
}

TEST(SerialPort, ClosingLiftsTheLineLockSoThePortOpensAgainWhileOthersHoldTheLine)
{
    // The line is kept open elsewhere (here the test's own end of the pair). The lock against other openers
    // lasts while the port is open; left on the line after Close, it refused every later open by an ordinary
    // user (root passes it, so the check reads the line's own flag).
    MappedPty pty(209);
    TSerialPort port;
    ASSERT_TRUE(port.Open(209));
    int exclusive = -1;
    ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &exclusive), 0);
    EXPECT_NE(exclusive, 0) << "held exclusively while open";
    port.Close();
    ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "the line stays locked after Close";
}

TEST(SerialPort, WaitDataTimesOutSeesDataAndIsAborted)
{
    MappedPty pty(212);
    TSerialPort port;
    ASSERT_TRUE(port.Open(212));
    auto t = steady_clock::now();
    EXPECT_EQ(port.WaitData(100), TSerialPort::WaitTimeout);
    EXPECT_GE(MsSince(t), 90);

    ASSERT_TRUE(pty.Write("x"));
    EXPECT_EQ(port.WaitData(1000), TSerialPort::WaitDataArrived);
    port.Purge();

    // Abort from another thread ends a long wait at once.
    t = steady_clock::now();
    std::thread aborter([&] { std::this_thread::sleep_for(30ms); port.Abort(); });
    EXPECT_EQ(port.WaitData(5000), TSerialPort::WaitAborted);
    aborter.join();
    EXPECT_LT(MsSince(t), 2000);
    // An Abort before a wait ends that wait only.
    port.Abort();
    EXPECT_EQ(port.WaitData(1000), TSerialPort::WaitAborted);
    EXPECT_EQ(port.WaitData(20), TSerialPort::WaitTimeout);

    // A pause does not look at the line: bytes waiting there do not end it, an Abort does.
    ASSERT_TRUE(pty.Write("y"));
    t = steady_clock::now();
    EXPECT_TRUE(port.Pause(100));
    EXPECT_GE(MsSince(t), 90);
    std::thread pauseAborter([&] { std::this_thread::sleep_for(30ms); port.Abort(); });
    EXPECT_FALSE(port.Pause(5000));
    pauseAborter.join();
    EXPECT_EQ(port.WaitData(20), TSerialPort::WaitDataArrived) << "the byte is still there";
    port.Purge();

    // The far end gone is an error, not data.
    pty.CloseMaster();
    EXPECT_EQ(port.WaitData(1000), TSerialPort::WaitError);
    port.Close();
    EXPECT_FALSE(port.Pause(1000)) << "a closed port has nothing to pause on";
}

TEST(SerialPort, ReadFollowsTheIntervalAndTotalTimeoutsAndKeepsEveryByte)
{
    MappedPty pty(213);
    TSerialPort port;
    ASSERT_TRUE(port.Open(213));
    ASSERT_TRUE(port.SetParams(9600, NOPARITY, ONESTOPBIT));
    ASSERT_TRUE(port.SetTimeouts(20, 15, 50, 0, 0));
    unsigned char buf[300];

    // Silent line: the total time-out (15 x 8 + 50 ms).
    auto t = steady_clock::now();
    EXPECT_EQ(port.DataIn(buf, 8), 0);
    EXPECT_GE(MsSince(t), 160);

    // Five bytes, then a pause longer than the interval: the read returns the five.
    std::thread writer([&] {
        pty.Write("abcde");
        std::this_thread::sleep_for(150ms);
        pty.Write("fgh");
    });
    EXPECT_EQ(port.DataIn(buf, 8), 5);
    writer.join();
    EXPECT_EQ(port.DataIn(buf, 3), 3);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), 3), "fgh");

    // Raw line: every byte value arrives unchanged.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    ASSERT_TRUE(pty.Write(all));
    ASSERT_TRUE(port.SetTimeouts(20, 0, 1000, 0, 0));
    int got = 0;
    while (got < 256) {
        const int n = port.DataIn(buf + got, 256 - got);
        if (n == 0)
            break;
        got += n;
    }
    ASSERT_EQ(got, 256);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), 256), all);
}

TEST(SerialPort, ClosedFromAnotherThreadInTheMiddleOfAReadReturns)
{
    MappedPty pty(214);
    for (int round = 0; round < 20; ++round) {
        TSerialPort port;
        ASSERT_TRUE(port.Open(214));
        // No time-outs at all: the read would wait for its 100 bytes for ever.
        ASSERT_TRUE(port.SetTimeouts(0, 0, 0, 0, 0));
        std::atomic<bool> started{false}, returned{false};
        std::thread reader([&] {
            unsigned char buf[100];
            started = true;
            port.DataIn(buf, 100);
            port.WaitData(10000);
            returned = true;
        });
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(milliseconds(round % 3));
        const auto t = steady_clock::now();
        port.Close();
        reader.join();
        EXPECT_TRUE(returned);
        EXPECT_LT(MsSince(t), 1000);
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST(SerialPort, ALineThatKeepsFailingIsLoggedOnce)
{
    devtest::LogCapture log;
    MappedPty pty(215);
    TSerialPort port;
    ASSERT_TRUE(port.Open(215));
    pty.CloseMaster();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(port.WaitData(50), TSerialPort::WaitError);
    EXPECT_EQ(log.Text().count("GetOverlappedResult :("), 1) << log.Text().toStdString();
    EXPECT_TRUE(log.Contains("serialport.cpp (297) TSerialPort::WaitData GetOverlappedResult :( +LE {"));
}
