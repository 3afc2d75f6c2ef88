#pragma once
// The serial ports present, under the names the program shows and stores: "COMn".
//
// Devices found by the system get fixed numbers: /dev/ttyS<k> is COM<k+1>, /dev/ttyUSB<k> is COM<k+33>,
// /dev/ttyACM<k> is COM<k+49>; any other serial device takes the next free number from COM65 up.
// The mapping can be set or extended, and an entry there wins over a device found on its own:
//   - the environment variable VELT_SERIAL_PORTS: entries "COMn=/path" separated by ';', ',' or blanks;
//   - a map file named by the environment variable VELT_SERIAL_PORTS_FILE: one "COMn=/path" a line, '#' or ';'
//     starts a comment;
//   - SetSerialPortOverride, in the process (tests point a COMn at a pseudo-terminal this way).
// A path that does not exist is not a port present.
#include <QString>
#include <QStringList>

#include <vector>

namespace sys {

struct SerialPortEntry {
    int number;      // n of COMn
    QString name;    // "COMn"
    QString device;  // path of the device
};

// Every port present, in the order of the numbers.
std::vector<SerialPortEntry> SerialPortsPresent();
// Their names, in the same order.
QStringList SerialPortNames();
// The device of COMn, or an empty text when no such port is present.
QString SerialPortDevice(int number);

// The number a port text names: all its decimal digits in order, other characters skipped ("COM12" gives 12);
// a text without digits gives 0. Numbers too large for an int give INT_MAX.
int PortNumberOfText(const QString& text);

// In-process mapping; an empty device removes the number's entry.
void SetSerialPortOverride(int number, const QString& device);
void ClearSerialPortOverrides();

} // namespace sys
