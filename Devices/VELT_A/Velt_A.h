#pragma once
// The printout listener: the driver of the type 1 instruments (VELT-A and VELT-B of type 1), which print their
// results on the serial line when the operator presses their print key. The thread listens on the chosen
// port, reads each printout and pushes one record per printed result; what it shows goes to its panel
// (TListenerPanel) through the published status.
#include "Devices/Serial/SerialDriver.h"
#include "Devices/Serial/serialport.h"
#include "Devices/VELT_A/Printout.h"

#include <atomic>
#include <chrono>

class TListenerPanel;

// What the listener's panel shows.
struct TListenerStatus : TSerialStatus {
    TShown<QString> ModelValue, SerialValue, DateValue;
    TLogFeed JournalText; // lines waiting to be added to the panel's journal
};

class TVelt_A : public TSerialDriver {
public:
    TVelt_A(const QString& name, int typeId);
    ~TVelt_A() override;

    void Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors* dbInfoPribors) override;
    void GetEEPROM() override;

    // The operator chose the port in the list (main thread).
    void PortChange(const QString& port) override;
    // 1 opened, 0 no such port, -1 it would not open.
    int OpenPort(int n);
    // 1 closed (the thread is held), 2 nothing was open.
    int ClosePort();
    int GetPortNumber() const { return PortNumber; }

    TListenerPanel* Panel() const;
    // The status published since the panel last took it (main thread).
    void TakeStatus(TListenerStatus& view);

protected:
    void Execute() override;
    void OnTerminate() override;
    int OpenPortNumber() const override { return PortNumber; }
    void WaitForPort(int number) override;
    TSerialStatus* serialStatus() override { return &Status; }

private:
    void readPrintout();
    // The line failed: closed, said once, and waited for.
    void lineLost();
    // Opens the awaited port again once its device is there.
    void reopenWhenBack();
    // Opens COMn at the listener's line settings.
    bool openLine(int n);
    void addJournalLine(const QString& text);

    TStackHooks stack_;
    int PortNumber = -1;
    TSerialPort Port;
    COMMTIMEOUTS Timeouts{20, 15, 50, 0, 0};
    TListenerStatus Status; // under statusLock_
    TDBInfoPribors* DBInfoPribors = nullptr;
    // A port change shows message boxes, whose event loop may deliver a second choice of the list: that one
    // is ignored rather than started half way through the first (main thread only, so no lock).
    bool changingPort_ = false;
    // The port the thread waits to come back (unplugged, or not present at start); 0 none.
    std::atomic<int> ReopenPort{0};
    std::chrono::steady_clock::time_point nextReopen_{};
};
