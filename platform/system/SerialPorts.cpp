#include "platform/system/SerialPorts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <climits>
#include <map>
#include <mutex>

namespace sys {

namespace {

std::mutex g_lock;
std::map<int, QString> g_overrides;

// "COMn=/path" entries of one text; other pieces are skipped.
void parseEntries(const QString& text, std::map<int, QString>& into)
{
    static const QRegularExpression entry(QStringLiteral("^\\s*COM(\\d+)\\s*=\\s*(\\S.*?)\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("[;,\\n\\r]")), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = entry.match(line);
        if (!m.hasMatch())
            continue;
        bool ok = false;
        const int n = m.captured(1).toInt(&ok);
        if (ok && n > 0)
            into[n] = m.captured(2);
    }
}

std::map<int, QString> configuredPorts()
{
    std::map<int, QString> ports;
    const QString fileName = qEnvironmentVariable("VELT_SERIAL_PORTS_FILE");
    if (!fileName.isEmpty()) {
        QFile f(fileName);
        if (f.open(QIODevice::ReadOnly)) {
            QString text;
            for (const QByteArray& raw : f.readAll().split('\n')) {
                QString line = QString::fromUtf8(raw);
                const qsizetype comment = line.indexOf(QRegularExpression(QStringLiteral("[#;]")));
                if (comment >= 0)
                    line.truncate(comment);
                text += line + QLatin1Char('\n');
            }
            parseEntries(text, ports);
        }
    }
    // Blanks separate entries in the variable; a device path with a blank belongs in the map file.
    QString env = qEnvironmentVariable("VELT_SERIAL_PORTS");
    env.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(";"));
    parseEntries(env, ports);
    std::lock_guard<std::mutex> g(g_lock);
    for (const auto& [n, device] : g_overrides)
        ports[n] = device;
    return ports;
}

int numberOfSystemPort(const QString& portName)
{
    static const QRegularExpression known(QStringLiteral("^tty(S|USB|ACM)(\\d+)$"));
    const QRegularExpressionMatch m = known.match(portName);
    if (!m.hasMatch())
        return 0;
    const int k = m.captured(2).toInt();
    if (k > 31)
        return 0;
    if (m.captured(1) == QLatin1String("S"))
        return k + 1;
    if (m.captured(1) == QLatin1String("USB"))
        return k + 33;
    return k + 49;
}

} // namespace

std::vector<SerialPortEntry> SerialPortsPresent()
{
    std::map<int, QString> ports;
    std::vector<QString> others;
    const std::map<int, QString> configured = configuredPorts();
    QStringList configuredDevices;
    for (const auto& [n, device] : configured)
        configuredDevices << QFileInfo(device).canonicalFilePath();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString device = info.systemLocation();
        if (configuredDevices.contains(QFileInfo(device).canonicalFilePath()))
            continue; // already under its configured name
        const int n = numberOfSystemPort(info.portName());
        if (n > 0)
            ports[n] = device;
        else
            others.push_back(device);
    }
    for (const auto& [n, device] : configured)
        ports[n] = device;
    int next = 65;
    for (const QString& device : others) {
        while (ports.count(next))
            ++next;
        ports[next++] = device;
    }
    std::vector<SerialPortEntry> result;
    for (const auto& [n, device] : ports) {
        if (QFileInfo::exists(device))
            result.push_back({n, QStringLiteral("COM%1").arg(n), device});
    }
    return result;
}

QStringList SerialPortNames()
{
    QStringList names;
    for (const SerialPortEntry& e : SerialPortsPresent())
        names << e.name;
    return names;
}

QString SerialPortDevice(int number)
{
    for (const SerialPortEntry& e : SerialPortsPresent()) {
        if (e.number == number)
            return e.device;
    }
    return {};
}

int PortNumberOfText(const QString& text)
{
    long long n = 0;
    for (QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            n = n * 10 + (c.unicode() - '0');
            if (n > INT_MAX)
                n = INT_MAX;
        }
    }
    return int(n);
}

void SetSerialPortOverride(int number, const QString& device)
{
    std::lock_guard<std::mutex> g(g_lock);
    if (device.isEmpty())
        g_overrides.erase(number);
    else
        g_overrides[number] = device;
}

void ClearSerialPortOverrides()
{
    std::lock_guard<std::mutex> g(g_lock);
    g_overrides.clear();
}

} // namespace sys
