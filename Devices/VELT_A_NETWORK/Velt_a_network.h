#pragma once
// The networked VELT-A driver: up to 32 instruments share one serial line, each answering to its own net
// number. The thread searches the line for instruments or polls a list of net numbers in turn, files each new
// result, and keeps each instrument's identity and whether it answers. The panel (main thread) and the thread
// meet only through the pending settings and the status snapshot, each with its generation, under one lock.
#include "Devices/Serial/SerialDriver.h"
#include "Devices/VELT_A_NETWORK/NetLink.h"
#include "platform/rtl/DateTime.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TNetPanel;

constexpr int kMaxNetInstruments = 32;

struct TNetSettings {
    uint8_t port = 0; // 0: none chosen
    uint32_t synchroTimeout = 500;
    uint32_t outTimeout = 150;
    uint32_t inTimeout = 150;
    uint32_t answerTimeout = 90000; // ms; the ini holds seconds
    uint32_t linkPeriod = 120;
    uint32_t pollPeriod = 100;
    uint32_t checkPeriod = 5000;
    uint16_t netNumbers[kMaxNetInstruments] = {};
    uint8_t count = 0;

    bool Has(uint16_t number) const;
};

struct TNetInstrument {
    uint16_t netNumber = 0;
    uint32_t lastAnswer = 0; // tick (ms) of the last answer of any kind
    uint32_t lastCheck = 0;  // tick of the last full answer
    bool online = true;
    bool unidentified = true;
    bool changed = false;
    uint16_t serialNumber = 0;
    char model[12] = {};
    rtl::TDateTime verificationDate = 0;
};

struct TNetState {
    enum : uint8_t { Stopped = 0, Search = 1, Poll = 2, NoPort = 3, NoneFound = 4 };
    uint8_t state = Stopped;
    uint8_t pollIndex = 0;
    uint8_t nextSearch = 1;
    uint8_t count = 0;
    // Which search the instruments came from (0: the settings' list): the panel keeps what a search found even
    // when the search ended before it took a snapshot of its last steps.
    uint32_t search = 0;
    TNetInstrument instruments[kMaxNetInstruments];

    const TNetInstrument* Find(uint16_t netNumber) const;
};

// "netnums": each run of digits is a number, 0 is passed over, at most 32 are taken.
std::vector<uint16_t> ParseNetNumbers(const QString& text);
// " 3; 7; "
QString FormatNetNumbers(const TNetSettings& s);

// A 34-byte answer packet, parsed.
struct TNetPacket {
    char model[12] = {};
    uint16_t serial = 0;
    rtl::TDateTime verification = 0; // 0 when the date is not a calendar date
    rtl::TDateTime time = 0;         // of the result; now when not a calendar date and time
    bool dateValid = true;
    uint16_t number = 0; // poll: micrograms per litre; test: the instrument's net number
    uint8_t flag = 0;
    uint8_t raw[34] = {}; // the answer as it came
};
TNetPacket ParseNetPacket(const uint8_t* packet, rtl::TDateTime now);
// The whole answer as the log keeps it: "['<its 31 bytes of text>', <number>, 0x<flag>]", the number in
// micrograms per litre for a poll answer, as a net number for a test answer.
std::string NetAnswerText(const uint8_t* packet, bool poll);

class TVelt_A_NETWORK : public TSerialDriver {
public:
    TVelt_A_NETWORK(const QString& name, int typeId);
    ~TVelt_A_NETWORK() override;

    void Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors* dbInfoPribors) override;
    void GetEEPROM() override;
    // ApplyCOMport: the chosen port goes into the edited settings; it takes effect at the next start.
    void PortChange(const QString& port) override;

    // Main thread.
    void StartPolling();
    void RequestStop() { StopRequest = true; }
    // The view copy, when the thread published a newer status than the panel took.
    bool TakeStatus(TNetState& view);

    TNetSettings Edited; // the panel's copy (main thread)
    int VerificationInterval = 365; // days
    int VerificationAlarm = 30;     // days
    TNetPanel* Panel() const;

protected:
    void Execute() override;
    void OnTerminate() override;
    void LoadDefaults() override;
    void LoadKeys(rtl::TIniFile& ini, const QString& section) override;
    bool SaveKeys(rtl::TIniFile& ini, const QString& section) override;
    void SettingsLoaded() override;
    int OpenPortNumber() const override { return Edited.port ? Edited.port : -1; }
    void WaitForPort(int number) override { Edited.port = uint8_t(number); }

private:
    enum class TKind { Test, Poll };
    enum class TOutcome { Failed, Answered, Result };

    void PublishSettings();
    template <class T>
    bool takeNewer(const T& from, const uint32_t& generation, uint32_t& taken, T& to);
    bool TakeSettings();
    void PublishStatus();
    // Hands the panel's refresh (mode 2: state and list; 3: search number and list) to the main thread.
    void Refresh(int mode);
    void applySettings();
    // True when the search is over.
    bool SearchStep();
    void PollStep();
    TOutcome Exchange(TKind kind, TNetInstrument& r, TNetPacket* packet);
    // Logs the answers the line brought after their request had failed.
    void tellLate();
    void PushResult(const TNetInstrument& r, const TNetPacket& p);
    // Waits until new settings are published or the thread is told to end; at most ms when ms >= 0.
    void waitForStart(int ms);
    uint32_t tick() const;

    TStackHooks stack_;
    uint32_t searches_ = 0; // driver thread
    std::unique_ptr<net::TNetLink> Link;

    std::mutex lock_; // the pending settings, the snapshot and their generations
    std::condition_variable started_;
    TNetSettings Pending;
    uint32_t SettingsGeneration = 0;
    TNetState Snapshot;
    uint32_t StatusGeneration = 0;
    uint32_t panelTaken_ = 0; // main thread

    // The driver thread's own.
    TNetSettings Active;
    uint32_t settingsTaken_ = 0;
    TNetState S;
    std::atomic<bool> StopRequest{false};
};
