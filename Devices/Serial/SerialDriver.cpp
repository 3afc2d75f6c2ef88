#include "Devices/Serial/SerialDriver.h"
#include "Devices/Serial/SerialPanel.h"
#include "core/Debug.h"
#include "platform/controls/Synchronize.h"
#include "platform/rtl/IniFile.h"
#include "platform/system/SerialPorts.h"

#include <QFileInfo>

void TLogFeed::Add(const QString& line)
{
    if (!lines.isEmpty())
        lines += QLatin1Char('\n');
    lines += line;
}

void TSerialDriver::SetPanel(TSerialPanel* panel)
{
    *panel_ = panel;
}

TSerialPanel* TSerialDriver::panel() const
{
    return *panel_;
}

void TSerialDriver::DeletePanel()
{
    delete panel_->data();
}

void TSerialDriver::ShowPublished()
{
    if (ctl::IsMainThread()) {
        if (TSerialPanel* p = panel())
            p->Refresh();
        return;
    }
    if (!refreshAsked_.exchange(true))
        QueueToPanel([](TSerialPanel& p) { p.Refresh(); });
}

void TSerialDriver::QueueToPanel(std::function<void(TSerialPanel&)> fn)
{
    Queue([link = panel_, fn = std::move(fn)] {
        if (TSerialPanel* p = *link)
            fn(*p);
    });
}

void TSerialDriver::ShowStatus(const QString& text)
{
    if (TSerialStatus* s = serialStatus())
        Publish([&] { s->StatusText = text; });
}

bool TSerialDriver::PortPresent(int number)
{
    const QString device = number > 0 ? sys::SerialPortDevice(number) : QString();
    return !device.isEmpty() && QFileInfo::exists(device);
}

void TSerialDriver::LoadSettings(const QString& iniPath, int number)
{
    Dbg().Print("%s LoadSettings...", Name.toUtf8().constData());
    loadSettings(iniPath, number);
    SettingsLoaded();
}

void TSerialDriver::loadSettings(const QString& iniPath, int number)
{
    if (iniPath.isEmpty()) {
        LoadDefaults();
        return;
    }
    TSerialPanel* p = panel();
    if (!p)
        return;
    rtl::TIniFile ini(iniPath);
    const QString section = DeviceSectionName(number);
    LoadKeys(ini, section);
    const QString com = ini.ReadString(section, QStringLiteral("COM"), QString()).trimmed();
    if (com.isEmpty())
        return;
    QString present;
    for (const sys::SerialPortEntry& e : sys::SerialPortsPresent()) {
        if (e.name.compare(com, Qt::CaseInsensitive) == 0) {
            present = e.name;
            break;
        }
    }
    if (present.isEmpty()) {
        // An adapter not plugged in yet: the source keeps its port rather than losing it at the next save.
        const int n = sys::PortNumberOfText(com);
        if (n <= 0)
            return;
        p->ShowPort(QStringLiteral("COM%1").arg(n));
        ShowStatus(QString::fromUtf8("Статус: Порт не найден!"));
        Dbg().Print("%s: COM%i is not present; waiting for it", Name.toUtf8().constData(), n);
        KeptPort = n;
        WaitForPort(n);
        return;
    }
    // Chosen as the operator chooses it.
    p->ShowPort(present);
    p->PortChange();
}

void TSerialDriver::SaveSettings(const QString& iniPath, int number)
{
    Dbg().Print("%s SaveSettings...", Name.toUtf8().constData());
    rtl::TIniFile ini(iniPath);
    const QString section = DeviceSectionName(number);
    // A port that is not open now (unplugged, not present yet) is still the one the source is configured on.
    int port = OpenPortNumber();
    if (port <= 0)
        port = KeptPort.load();
    bool ok = ini.WriteString(section, QStringLiteral("TypeDev"), Name);
    ok = SaveKeys(ini, section) && ok;
    ok = ini.WriteString(section, QStringLiteral("COM"), port > 0 ? QStringLiteral("COM%1").arg(port) : QStringLiteral(" ")) && ok;
    if (!ok)
        Dbg().Print("%s SaveSettings: %s", Name.toUtf8().constData(), ini.LastError().toUtf8().constData());
}
