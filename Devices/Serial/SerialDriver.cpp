#include "Devices/Serial/SerialDriver.h"
#include "core/Debug.h"
#include "platform/controls/FormFont.h"
#include "platform/graphics/FontNames.h"
#include "platform/controls/Synchronize.h"
#include "platform/rtl/IniFile.h"
#include "platform/system/SerialPorts.h"

#include <QFileInfo>

void TSerialDriver::CreatePortGroup(QWidget* panel)
{
    // Placed for the forms' font, whatever the panel's host uses.
    gbPort = new QGroupBox(QString::fromUtf8("Номер используемого COM-порта:"), panel);
    ctl::SetFormFont(gbPort);
    gbPort->setGeometry(8, 8, 337, 65);
    cbPort = new TPortComboBox(gbPort);
    cbPort->setGeometry(16, 16, 145, 21);
    cbPort->setPlaceholderText(QStringLiteral("---"));
    cbPort->setCurrentIndex(-1);
    QObject::connect(cbPort, &QComboBox::activated, cbPort, [this](int) { PortChange(); });
    lbStatus = new QLabel(QString::fromUtf8("Статус: Не выбран."), gbPort);
    lbStatus->move(168, 24);
    lbStatus->adjustSize();
}

QGroupBox* TSerialDriver::CreateDescription(QWidget* panel, const QRect& geometry,
                                           std::initializer_list<std::pair<const char*, QPointer<QLabel>*>> rows,
                                           std::initializer_list<int> valueLefts)
{
    auto* box = new QGroupBox(QString::fromUtf8("Описание устройства:"), panel);
    ctl::SetFormFont(box);
    box->setGeometry(geometry);
    auto label = [box](const QString& text, int left, int top) {
        auto* l = new QLabel(text, box);
        l->move(left, top);
        l->adjustSize();
        return l;
    };
    int top = 16;
    for (const auto& row : rows) {
        label(QString::fromUtf8(row.first), 16, top);
        top += 16;
    }
    top = 16;
    auto left = valueLefts.begin();
    for (const auto& row : rows) {
        *row.second = label(QStringLiteral("---"), *left++, top);
        top += 16;
    }
    return box;
}

QPlainTextEdit* TSerialDriver::CreateLogMemo(QWidget* parent, const QRect& geometry)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setGeometry(geometry);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(gfx::ResolveFontFamily(QStringLiteral("Tahoma")));
    font.setPixelSize(10);
    memo->setFont(font);
    QPalette pal = memo->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    memo->setPalette(pal);
    return memo;
}

QGroupBox* TSerialDriver::CreateLogGroup(QWidget* panel, const QRect& geometry, QPointer<QPlainTextEdit>& memo,
                                         QPointer<QPushButton>& clear)
{
    auto* box = new QGroupBox(QString::fromUtf8("Журнал:"), panel);
    ctl::SetFormFont(box);
    box->setGeometry(geometry);
    memo = CreateLogMemo(box, QRect(8, 16, 345, geometry.height() - 24));
    clear = new QPushButton(QString::fromUtf8("Отчистить"), box);
    clear->setGeometry(360, 16, 75, 25);
    return box;
}

bool TSerialDriver::PortPresent(int number)
{
    const QString device = number > 0 ? sys::SerialPortDevice(number) : QString();
    return !device.isEmpty() && QFileInfo::exists(device);
}

void TSerialDriver::ShowStatus(const QString& text)
{
    if (lbStatus) {
        lbStatus->setText(text);
        lbStatus->adjustSize();
    }
}

void TSerialDriver::ShowStatusLater(const QString& text)
{
    ctl::Queue([label = lbStatus, text] {
        if (label) {
            label->setText(text);
            label->adjustSize();
        }
    });
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
    if (!cbPort)
        return;
    rtl::TIniFile ini(iniPath);
    const QString section = DeviceSectionName(number);
    LoadKeys(ini, section);
    const QString com = ini.ReadString(section, QStringLiteral("COM"), QString());
    if (com.isEmpty())
        return;
    cbPort->Fill();
    const int index = cbPort->findText(com.trimmed(), Qt::MatchFixedString);
    if (index < 0) {
        // An adapter not plugged in yet: the source keeps its port rather than losing it at the next save.
        const int n = sys::PortNumberOfText(com.trimmed());
        if (n <= 0)
            return;
        cbPort->setCurrentIndex(-1);
        cbPort->setPlaceholderText(QStringLiteral("COM%1").arg(n));
        ShowStatus(QString::fromUtf8("Статус: Порт не найден!"));
        Dbg().Print("%s: COM%i is not present; waiting for it", Name.toUtf8().constData(), n);
        KeptPort = n;
        WaitForPort(n);
        return;
    }
    cbPort->setCurrentIndex(index);
    PortChange();
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
