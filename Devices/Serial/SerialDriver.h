#pragma once
// What the drivers on a serial port share: the port list on their panel, and the port and keys they keep in
// their section of VELT.ini.
#include "Devices/DeviceDriver.h"
#include "Devices/Serial/PortComboBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <atomic>
#include <initializer_list>
#include <utility>

namespace rtl {
class TIniFile;
}

class TSerialDriver : public TDeviceDriver {
public:
    using TDeviceDriver::TDeviceDriver;

    // "COM" names the port; the driver reads its own keys first. An empty path gives the starting settings.
    void LoadSettings(const QString& iniPath, int number) final;
    // "TypeDev", the driver's own keys, then "COM".
    void SaveSettings(const QString& iniPath, int number) final;

    // The port list changed (main thread).
    virtual void PortChange() = 0;

    QPointer<QGroupBox> gbPort;
    QPointer<TPortComboBox> cbPort;
    QPointer<QLabel> lbStatus;

    // An exchange log: read-only, wrapped, in small Tahoma on the button colour.
    static QPlainTextEdit* CreateLogMemo(QWidget* parent, const QRect& geometry);

protected:
    // The port group at the panel's top left: the list, "---" while nothing is chosen, and the status.
    void CreatePortGroup(QWidget* panel);
    // A group at (left, top, width, height) with a value label per row of text, 16 pixels apart from the top
    // row; the labels are placed for the forms' font.
    QGroupBox* CreateDescription(QWidget* panel, const QRect& geometry,
                                 std::initializer_list<std::pair<const char*, QPointer<QLabel>*>> rows,
                                 std::initializer_list<int> valueLefts);
    // The "Журнал:" group at geometry with the exchange log and its clear button.
    QGroupBox* CreateLogGroup(QWidget* panel, const QRect& geometry, QPointer<QPlainTextEdit>& memo,
                              QPointer<QPushButton>& clear);

    // The panel's status line (main thread); from the driver thread through ShowStatusLater.
    void ShowStatus(const QString& text);
    void ShowStatusLater(const QString& text);
    // COMn's device is there (plugged in again).
    static bool PortPresent(int number);
    // The configured port is not present: its name stays shown and saved; the driver waits for it.
    virtual void WaitForPort(int /*number*/) {}

    // The port the source stays configured on while it is not open (missing at start-up, or unplugged), so a
    // save keeps it; 0 none. An operator's choice of the list clears it.
    std::atomic<int> KeptPort{0};

    virtual void LoadDefaults() {}
    // After LoadSettings, whatever it found.
    virtual void SettingsLoaded() {}
    virtual void LoadKeys(rtl::TIniFile&, const QString& /*section*/) {}
    virtual bool SaveKeys(rtl::TIniFile&, const QString& /*section*/) { return true; }
    // The number of the open port, or -1.
    virtual int OpenPortNumber() const = 0;

private:
    void loadSettings(const QString& iniPath, int number);
};
