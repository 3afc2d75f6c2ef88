#pragma once
// The request-and-answer driver of VELT-A and VELT-B of type 2 (and, with its own name and window, of the
// interlock): a thread that owns one serial port, polls the instrument for each new result, and on request
// selects and tests its port, identifies the instrument, downloads its memory or clears it. The panel
// (TRqPanel) hands it the port, the auto-search and the operator's buttons; the thread publishes what the panel
// and the download window show.
#include "Devices/Protocol/Frames.h"
#include "Devices/Protocol/Protocol.h"
#include "Devices/Serial/SerialDriver.h"
#include "Devices/Serial/serialport.h"
#include "db/InfoPribCopy.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TRqPanel;
class TfmVelt_B_EEPROM;

// What the memory download window shows.
struct TDownloadView {
    TShown<bool> Shown; // true: shown in front with the focus; false: hidden
    TShown<QString> CountRec, FullRec, State, COMport, NamePribor, SerialNum, DatePover, AllLifeZapis;
    TShown<QString> ActionsText;
    TShown<bool> ActionsEnabled, CancelEnabled;
    TShown<bool> AfterSend; // ticked by the driver
};

// What the request-and-answer driver's panel shows.
struct TRqStatus : TSerialStatus {
    TShown<bool> AutoEnum;
    TShown<bool> GetEnabled, ClearEnabled; // the get-memory and clear-memory buttons
    TShown<QString> SerialValue, DateValue, CountValue;
    TLogFeed Log; // the exchange log
    TDownloadView Download;
};

class TVelt_B : public TSerialDriver {
public:
    TVelt_B(const QString& name, int typeId);
    ~TVelt_B() override;

    void Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors* dbInfoPribors) override;
    void GetEEPROM() override;

    // Main thread, from the panel: the port list changed (also from LoadSettings).
    void PortChange(const QString& port) override;
    void SetAutoEnum(bool on);
    void AskDownload() { Ask(DownloadRequest); }
    void AskClear() { Ask(ClearRequest); }
    // The download window's "Автоматически начать передачу".
    void SetAfterSend(bool on) { AfterSend = on; }

    int GetPortNumber() const { return PortNumber.load(); }
    TRqPanel* Panel() const;
    // The status published since the panel last took it (main thread).
    void TakeStatus(TRqStatus& view);

    // The pauses of a memory download; tests shorten them, the program keeps these.
    struct TPauses {
        int walkRecord = 10;   // after each record taken
        int walkBlock = 10;    // before the next block
        int stackPoll = 10;    // while waiting for an empty stack
        int afterPush = 10;
        int beforeHide = 3000; // with the final state on show
    } Pauses;

protected:
    // The interlock leaves the download's walk and hand-over to the operator.
    virtual bool AutoStartDownload() const { return true; }
    // Whether an instrument of this constants' model word is of the source's own kind.
    virtual bool OwnModel(uint16_t model) const { return model != proto::kInterlockModel && model != proto::kVeltCModel; }
    // What a driver built on this one leaves out or adds (VELT-C: no live poll, no operating-mode step, no
    // firmware checks, receive logged).
    struct TVariant {
        bool livePoll = true;
        bool modeStep = true;
        bool firmwareChecks = true;
        bool logReceive = false;
    } Variant;
    // The download window of this driver's kind, for its panel to keep; go: where its buttons answer.
    virtual std::unique_ptr<TfmVelt_B_EEPROM> CreateEEPROMWindow(std::atomic<int>* go);

    void Execute() override;
    void OnTerminate() override;
    // With no VELT.ini: auto-search from the first port present.
    void LoadDefaults() override;
    void LoadKeys(rtl::TIniFile& ini, const QString& section) override;
    bool SaveKeys(rtl::TIniFile& ini, const QString& section) override;
    int OpenPortNumber() const override { return PortNumber.load(); }
    void WaitForPort(int number) override;
    TSerialStatus* serialStatus() override { return &Status; }

    virtual void AddLogLine(const QString& text);
    void SetStatus(const QString& text) { ShowStatus(text); }
    // Any thread: sets a request the driver thread serves, and wakes it if it waits for one.
    void Ask(std::atomic<bool>& request);

    int32_t SendCommand(uint16_t code);
    int32_t RecvData();
    int32_t RecvData_AlcMeas();
    int32_t RecvData_AlcKnow();
    bool TestConnectAlkan();

    void SetCommPort_b();
    // The model word of the constants of the instrument that answered, or -1 when they cannot be had.
    int AskModel();
    int OpenPort(int n);
    void ClosePort();
    void CurrentMeasure();
    void ReadDeviceInfo();
    virtual void GETEEPROM_Thread();
    void ClearEEPROM();

    // One download's collected records and counters.
    struct TDownload {
        struct TEntry {
            LongTime time = 0;
            uint32_t number = 0;
            float result = 0.0f;
            std::string textA, textB;
        };

        explicit TDownload(int size) : capacity(size), entries(size_t(size)), valid(size_t(size), 0) {}

        const int capacity;
        // The life count is read whole (32 bits): a 16-bit count loses every memory past 65535 exhalations.
        uint32_t life = 0;
        std::vector<TEntry> entries;
        std::vector<uint8_t> valid;
        std::vector<uint8_t> raw; // whole memory records of the instruments that keep them (VELT-C)
        uint32_t count = 0; // buf_count: entries taken
        uint32_t handed = 0;
        bool incomplete = false; // a block could not be had, or the line was lost
        // The records the memory holds.
        uint32_t Expected() const { return life < uint32_t(capacity) ? life : uint32_t(capacity); }
        bool haveOldest = false;
        LongTime oldestTime = 0;
        uint32_t oldestIndex = 0;
    };

    // The download's steps that a driver built on this one changes.
    virtual bool downloadWalk(TDownload& d);
    // The analysis's closing line (step 15).
    virtual void downloadAnalysed(const TDownload& d);
    // Before the first record is handed over, and before each.
    virtual void handOverBegins(const TDownload&) {}
    virtual void handOverEntry(uint32_t /*k*/, uint32_t /*index*/) {}
    // The record entry index becomes.
    virtual TVELTMeasurement buildEntry(const TDownload& d, uint32_t index) const;

    // The steps they share.
    bool downloadWaitForGo();
    bool downloadIdentify(TDownload& d);
    // One block, with the retries the walk has left; minLength: the shortest whole answer.
    bool downloadBlock(uint32_t n, int& budget, int minLength);
    // Block n could not be had: said, and the download marked incomplete. True when the line is lost.
    bool downloadBlockFailed(uint32_t n, TDownload& d);
    void downloadWalkEnded(const TDownload& d);
    bool downloadAnalyse(const TDownload& d);
    bool downloadWaitForHandOver();
    bool downloadHandOver(TDownload& d);
    void downloadFinish(const TDownload& d);
    void downloadStop();
    void downloadState(const QString& text);
    void downloadLogAndState(const char* text);
    // True (and said) when the operator cancelled.
    bool downloadCancelled(const char* text);
    // Changes what the window shows.
    template <class F>
    void downloadShow(const F& change)
    {
        Publish([&] { change(Status.Download); });
    }
    TVELTMeasurement buildRecord(LongTime time, float result, bool interrupted) const;

    TStackHooks stack_;
    uint8_t Buffer[proto::kExchangeSize] = {};
    proto::TAlcKnow Know;   // what identification kept of the constants
    std::atomic<bool> DownloadRequest{false};
    TSerialPort Port;
    TRqStatus Status; // under statusLock_

private:
    // Identification's constants step; false when every try failed. With waitAfterEach every try ends with a
    // pause, else only failed ones.
    bool loadConstants(bool waitAfterEach);
    // One info block request into the exchange buffer.
    bool requestInfoBlock();
    // Up to 15 info block requests; a failure is logged and told in the exchange log.
    bool retryInfoBlock();
    // The info block agrees with the constants.
    bool infoMatchesConstants() const;
    void firmwareChecks();
    bool readMode();
    void identifyConstantsAndInfo();
    void enablePortList();
    // The get-memory and clear-memory buttons.
    void memoryButtons(bool enabled);
    // The port to try, chosen as the operator chooses it: the port list and the memory buttons wait, and the
    // exchange log starts afresh.
    void choosePort(const QString& port);
    // The line failed: closed, said once, and waited for.
    void lineLost();
    // Chooses the awaited port again once its device is there.
    void reopenWhenBack();
    // Until a request is set, a port is awaited or the thread is told to end; at most ms when ms >= 0.
    void waitForRequest(int ms);
    void recordInstrument();
    uint32_t modelCode() const;
    bool downloadInstrumentReady();
    bool downloadTakeRecords(TDownload& d, uint32_t n, bool& walkEnds);
    void entryFailed(const char* reason);

    TDBInfoPribors* DBInfoPribors = nullptr;
    proto::TProtocol Protocol;
    std::atomic<int> PortNumber{-1};

    LongTime DT_result_sec_last = 0;
    uint8_t AlcMeas[proto::TAlcMeas::kSize] = {};
    uint8_t AlcKnow[proto::TAlcKnow::kCapacity] = {};
    uint16_t RecvCnt = 0; // length of the last answer RecvData took
    proto::TInfoBlock Info; // the last info block
    proto::TEfData efdata;
    bool not_used_e_service_e_info = false;
    TInfoPriborRecord InfoRecord;

    // The download window's buttons put 1 (go) or -1 (cancel) here.
    std::atomic<int> GoCancel{0};
    std::atomic<bool> AfterSend{false};

    // The port the thread waits to come back (unplugged, or not present at start); 0 none.
    std::atomic<int> ReopenPort{0};
    std::atomic<bool> ClearRequest{false}, IdentifyRequest{false}, PortRequest{false};
    // What the panel hands the thread: the port to try with the port request, and whether to search on.
    struct TRqSettings {
        QString Port;
        bool AutoEnum = true;
    } Settings;
    // The requests and the settings are set under it: a request set between the thread's look and its wait is
    // never lost.
    std::mutex requestLock_;
    std::condition_variable requested_;
    TRqSettings settings();
};

class TVelt_B_ALKOZAMOK : public TVelt_B {
public:
    using TVelt_B::TVelt_B;

protected:
    bool AutoStartDownload() const override { return false; }
    bool OwnModel(uint16_t model) const override { return model == proto::kInterlockModel; }
    std::unique_ptr<TfmVelt_B_EEPROM> CreateEEPROMWindow(std::atomic<int>* go) override;
};
