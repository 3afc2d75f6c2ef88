#pragma once
// A serial port COMn (mapped to its device by the list of ports present) over termios and poll.
//
// Opened exclusively: a second open of the same device, from this process or another, fails. Reads follow
// the platform's read time-outs (an interval between bytes, and a total of multiplier x count + constant).
// Close may come from another thread while a read or a wait is in progress there: it wakes them, waits until
// they have left, and only then lets the descriptor go, so no call ever reads a closed or reused descriptor.
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout;
    uint32_t ReadTotalTimeoutMultiplier;
    uint32_t ReadTotalTimeoutConstant;
    uint32_t WriteTotalTimeoutMultiplier;
    uint32_t WriteTotalTimeoutConstant;
};

constexpr uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;

class TSerialPort {
public:
    enum WaitResult { WaitDataArrived = 0, WaitAborted = 1, WaitTimeout = 2, WaitError = 3 };

    TSerialPort();
    ~TSerialPort();
    TSerialPort(const TSerialPort&) = delete;
    TSerialPort& operator=(const TSerialPort&) = delete;

    bool Open(uint16_t portNumber);
    void Close();
    bool IsOpen() const;
    // Discards what is waiting in both directions.
    bool Purge();
    bool SetParams(uint32_t baudRate, uint8_t parity, uint8_t stopBits);
    bool SetTimeouts(uint32_t readInterval, uint32_t readTotalMultiplier, uint32_t readTotalConstant,
                     uint32_t writeTotalMultiplier, uint32_t writeTotalConstant);
    // One read of count bytes under the time-outs; returns how many arrived (fewer when the line fell silent).
    int DataIn(void* buffer, int count);
    // One write of count bytes; returns how many went.
    int DataOut(const void* buffer, int count);
    // Waits at most timeoutMs for a received byte: WaitDataArrived, WaitAborted (Abort, or the port closed),
    // WaitTimeout or WaitError.
    int WaitData(uint32_t timeoutMs);
    // Ends a wait at once, from any thread; an Abort before a wait makes that wait return WaitAborted.
    void Abort();
    // Waits timeoutMs without looking at the line; false at once when aborted or closed (or not open).
    bool Pause(uint32_t timeoutMs);

    // The line hung up or failed (the adapter unplugged, the far end gone) since it was opened.
    bool LineLost() const { return lost_.load(); }

    uint16_t GetPortNumber() const;
    // The platform's device name of COMn, for log lines: "COM9", "\\.\COM10".
    static QString DeviceName(uint16_t portNumber);

private:
    bool enter(int& fd, int& abortFd, int& closeFd, COMMTIMEOUTS* timeouts = nullptr);
    void leave();
    // WaitData, or with watchLine false a pause that only Abort and Close end.
    int wait(uint32_t timeoutMs, bool watchLine);

    mutable std::mutex lock_;
    std::condition_variable idle_;
    int Handle = -1;
    uint16_t PortNumber = 0;
    int AbortEvent = -1; // auto-reset: a wait that sees it consumes it
    int CloseEvent = -1; // set once when the port closes; wakes every call in progress
    int busy_ = 0;
    bool closing_ = false;
    bool errorLogged_ = false;
    std::atomic<bool> lost_{false};
    COMMTIMEOUTS timeouts_{};
};
