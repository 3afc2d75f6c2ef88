#pragma once
// The request-and-answer exchange with an instrument on a port the driver has opened: attach the port,
// configure the line, send one request, receive one answer. Results as the drivers read them: 15 means done.
//
// Each call waits at most one short slice, blocked in poll() on the line (never spinning), and returns "not
// yet" when the slice ends first; the driver repeats the call until 15 or its own time limit. A send returns
// 15 only when the instrument has acknowledged the request. A receive keeps a partial answer across calls and
// copies it into the caller's buffer only when it is whole, so a failed receive leaves the buffer as it was.
// Abort (from any thread) ends every wait at once and keeps ending them until Rearm.
#include "Devices/Protocol/Codec.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class TSerialPort;

namespace proto {

constexpr int32_t kDone = 15;
constexpr int32_t kNotYet = 0;
constexpr int32_t kNoPort = -1;
constexpr int32_t kDamaged = -2;  // a frame failed its check
constexpr int32_t kTooLong = -3;  // an answer longer than the buffer
constexpr int32_t kLineError = -4;

// Lengths of the requests by command code 0..8.
constexpr int kRequestLength[9] = {2, 2, 2, 2, 2, 6, 2, 4, 2};

constexpr uint16_t kCmdTest = 0;
constexpr uint16_t kCmdResult = 2;
constexpr uint16_t kCmdConstants = 3;
constexpr uint16_t kCmdClear = 6;
constexpr uint16_t kCmdBlock = 7;
constexpr uint16_t kInfoBlockIndex = 0xFFFF;

class TProtocol {
public:
    explicit TProtocol(std::unique_ptr<TCodec> codec = MakeCodec());
    ~TProtocol();
    TProtocol(const TProtocol&) = delete;
    TProtocol& operator=(const TProtocol&) = delete;

    // Ordinal 1: the open port (not owned); null detaches.
    void Attach(TSerialPort* port);
    // Ordinal 2: the line at baud 8N1; 0 on failure.
    uint8_t Configure(uint32_t baud, int, int);
    // Ordinal 3: one request.
    int32_t Send(const uint8_t* request, uint16_t length, int, int);
    // Ordinal 4: one answer into buffer; *count is its length when complete.
    int32_t Receive(uint8_t* buffer, uint16_t capacity, uint16_t* count, uint16_t* aux);

    void Abort();
    void Rearm();

    // How long one call may wait for the line.
    static constexpr int kSliceMs = 100;

private:
    // Waits for bytes up to ms; appends them to pending_. False when aborted, detached or the line failed.
    bool readSome(int ms);
    void idle(int ms);

    std::unique_ptr<TCodec> codec_;
    TSerialPort* port_ = nullptr;              // the driver thread's
    std::atomic<TSerialPort*> aborting_{nullptr}; // the same, for Abort from other threads
    QByteArray pending_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool aborted_ = false;
};

// Little-endian fields.
inline uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
float GetF32(const uint8_t* p);
double GetF64(const uint8_t* p);
inline void PutU16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutU32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); }
void PutF32(uint8_t* p, float v);
void PutF64(uint8_t* p, double v);

} // namespace proto
