#pragma once
// What the drivers on a serial port share: the port and keys they keep in their section of VELT.ini, and the way
// what they do reaches their settings panel. A driver keeps no widget: its thread publishes a status under the
// driver's lock, and the panel (main thread) takes it and shows what changed. The panel hands the operator's
// choices to the driver through its main-thread operations.
#include "Devices/DeviceDriver.h"

#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace rtl {
class TIniFile;
}
class TSerialPanel;

// A value the driver sets for its panel. The panel shows it once for each time it is set, so what the operator
// changed on the screen meanwhile (a button that disabled itself) stays until the driver sets it again.
template <class T>
struct TShown {
    T value{};
    uint32_t set = 0; // times set so far

    TShown& operator=(const T& v)
    {
        value = v;
        ++set;
        return *this;
    }
};

// Lines the driver adds to a log on its panel, waiting for the panel to take them.
struct TLogFeed {
    QString lines;        // '\n' between them
    uint32_t cleared = 0; // times the log was emptied

    void Add(const QString& line);
    void Clear()
    {
        lines.clear();
        ++cleared;
    }
};

// What the port group of a panel shows.
struct TSerialStatus {
    TShown<QString> StatusText;
    TShown<QString> Port; // a port the driver chose itself
    TShown<bool> PortListEnabled;
};

class TSerialDriver : public TDeviceDriver {
public:
    using TDeviceDriver::TDeviceDriver;

    // "COM" names the port; the driver reads its own keys first. An empty path gives the starting settings.
    void LoadSettings(const QString& iniPath, int number) final;
    // "TypeDev", the driver's own keys, then "COM".
    void SaveSettings(const QString& iniPath, int number) final;

    // The port this text names was chosen in the list (main thread).
    virtual void PortChange(const QString& port) = 0;

protected:
    // Main thread: the panel Init made; the driver's destructor deletes it once its thread has ended.
    void SetPanel(TSerialPanel* panel);
    TSerialPanel* panel() const;
    void DeletePanel();

    // Changes the published status under the lock, then has the panel show it.
    template <class F>
    void Publish(const F& change)
    {
        {
            std::lock_guard<std::mutex> g(statusLock_);
            change();
        }
        ShowPublished();
    }
    // The panel takes the status now on the main thread; from another thread through one call handed to the
    // main thread, however many changes come before it runs.
    void ShowPublished();
    // The panel's take (main thread): a copy of the published status, with the log lines waiting, which leave it.
    template <class S>
    void TakePublished(S& published, S& view, TLogFeed S::*log)
    {
        std::lock_guard<std::mutex> g(statusLock_);
        refreshAsked_ = false; // a change after this one needs a call of its own
        view = published;
        (published.*log).lines.clear();
    }
    // Runs fn with the panel on the main thread, later, if the panel is still there then.
    void QueueToPanel(std::function<void(TSerialPanel&)> fn);
    // Guards the published status.
    std::mutex statusLock_;

    // The port group's part of the published status; none for a driver whose panel shows a state of its own.
    virtual TSerialStatus* serialStatus() { return nullptr; }
    // The status line (any thread).
    void ShowStatus(const QString& text);

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

    // Shared with the calls handed to the main thread, which find the panel gone rather than the driver; the
    // pointer in it is read and written on the main thread only.
    const std::shared_ptr<QPointer<TSerialPanel>> panel_ = std::make_shared<QPointer<TSerialPanel>>();
    std::atomic<bool> refreshAsked_{false};
};
