#include "platform/system/SerialPorts.h"
#include "common/testutil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <pty.h>
#include <unistd.h>

namespace {

// A pseudo-terminal pair; the slave's path stands in for a serial device.
struct Pty {
    int master = -1, slave = -1;
    QString path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
    }
};

struct Overrides {
    ~Overrides()
    {
        sys::ClearSerialPortOverrides();
        unsetenv("VELT_SERIAL_PORTS");
        unsetenv("VELT_SERIAL_PORTS_FILE");
    }
};

} // namespace

TEST(SerialPorts, PortNumberIsMadeOfAllDigitsOfTheText)
{
    const std::pair<const char*, int> cases[] = {
        {"COM12", 12}, {"COM1", 1}, {"---", 0}, {"", 0}, {"C1O2M3", 123}, {"COM99999999999", INT_MAX},
    };
    for (const auto& [text, n] : cases)
        EXPECT_EQ(sys::PortNumberOfText(QString::fromLatin1(text)), n) << text;
}

TEST(SerialPorts, OverridesFromTheProcessTheEnvironmentAndAMapFile)
{
    Overrides cleanup;
    Pty a, b, c;
    ASSERT_FALSE(a.path.isEmpty());
    testutil::TempDir dir;
    const QString map = dir.file("ports.map");
    testutil::writeFile(map, ("# test ports\nCOM201=" + c.path + "  ; the third\nbad line\n").toUtf8());
    setenv("VELT_SERIAL_PORTS", ("COM200=" + b.path + ";COM202=/no/such/device").toUtf8().constData(), 1);
    setenv("VELT_SERIAL_PORTS_FILE", map.toUtf8().constData(), 1);
    sys::SetSerialPortOverride(205, a.path);

    EXPECT_EQ(sys::SerialPortDevice(205), a.path);
    EXPECT_EQ(sys::SerialPortDevice(200), b.path);
    EXPECT_EQ(sys::SerialPortDevice(201), c.path);
    EXPECT_TRUE(sys::SerialPortDevice(202).isEmpty()) << "a missing device is no port present";
    const QStringList names = sys::SerialPortNames();
    const int i200 = int(names.indexOf("COM200")), i201 = int(names.indexOf("COM201")), i205 = int(names.indexOf("COM205"));
    ASSERT_GE(i200, 0);
    EXPECT_LT(i200, i201);
    EXPECT_LT(i201, i205) << "listed in the order of the numbers";
    EXPECT_FALSE(names.contains("COM202"));

    // The process's own entry wins over the environment's, and removing it removes the port.
    sys::SetSerialPortOverride(200, c.path);
    EXPECT_EQ(sys::SerialPortDevice(200), c.path);
    unsetenv("VELT_SERIAL_PORTS");
    sys::SetSerialPortOverride(200, QString());
    EXPECT_TRUE(sys::SerialPortDevice(200).isEmpty());
}
