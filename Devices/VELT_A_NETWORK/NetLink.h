#pragma once
// The networked line's protocol object: one serial line shared by up to 32 instruments, each answering to its
// own net number. The driver addresses a one-byte request to a net number and reads the 34-byte answer.
//
// Our own line format (the request-and-answer framing, in one replaceable codec):
//   request   STX | length | net number (16 bits, little-endian) and the request byte | CRC-16
//   answers   0x29 alone: the instrument is there and has nothing new;
//             ACK (0x06) and a frame holding the 34-byte packet: an answer follows;
//             NAK (0x15): the request was refused; silence: no instrument has that number.
// Each call waits at most its time-out (in milliseconds) and Abort, from any thread, ends every wait at once.
#include "Devices/Protocol/Codec.h"
#include "Devices/Serial/serialport.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace net {

// Results of Send and Receive as the driver reads them.
constexpr int32_t kAnswerFollows = 15;
constexpr int32_t kNothingNew = 41;
constexpr int32_t kTimeout = -1;
constexpr int32_t kGarbled = -100;  // only bytes that mean nothing came back
constexpr int32_t kRefused = -5;    // NAK: the request was refused
constexpr int32_t kLineFailed = -102; // the line failed or is not open
constexpr int32_t kDamaged = -2;    // a frame failed its check
constexpr int32_t kTooLong = -3;

constexpr uint8_t kNothingNewByte = 0x29;
constexpr int kPacketSize = 34;

// An answer that came after its request had failed, found in what the line carried when it was cleared for the
// next request: the instrument gave it, so it is told rather than dropped unseen.
struct TLateAnswer {
    uint16_t netNumber = 0; // of the request it answers
    uint8_t request = 0;    // that request's byte: 1 test, 0 poll
    QByteArray packet;      // kPacketSize bytes
};

class TNetLink {
public:
    explicit TNetLink(std::unique_ptr<proto::TCodec> codec = proto::MakeCodec());
    ~TNetLink();
    TNetLink(const TNetLink&) = delete;
    TNetLink& operator=(const TNetLink&) = delete;

    void Setup(int);
    bool IsOpen() const;
    bool Open(uint8_t port);
    void Configure(uint32_t baud, int, int);
    // The time-out of the next sends or receives.
    void SetTimeouts(int, int, uint32_t timeoutMs, int, int);
    // How long a reset waits for the line to fall silent.
    void SetSynchro(uint32_t ms);
    // After a failed exchange: what the line still carries is discarded.
    void Reset();
    void Close();
    int32_t Receive(uint8_t* buffer, uint16_t capacity, uint16_t* count, uint16_t* aux);
    int32_t Send(const uint8_t* request, uint16_t length, uint16_t netNumber);

    // The late answers found since the last call, oldest first.
    std::vector<TLateAnswer> TakeLateAnswers();

    // Any thread: ends the waits now and every later one.
    void Abort();
    // Waits ms on the open line's own events (Abort ends it); false, at once, when the line is closed.
    bool Pause(int ms);

    // The request frame as it goes on the line, and the bytes of an answer (for the test instrument).
    QByteArray EncodeRequest(const uint8_t* request, uint16_t length, uint16_t netNumber) const;

private:
    // Waits at most ms for bytes and appends them; false when none came.
    bool readSome(int ms);
    // What the line carries now, read without waiting, with what is pending; the line is clear after it.
    QByteArray drain();
    // Keeps the answer frames in bytes left over from the last request as late answers to it.
    void keepLate(const QByteArray& leftOver);

    std::unique_ptr<proto::TCodec> codec_;
    TSerialPort port_;
    QByteArray pending_;
    uint32_t timeout_ = 150;
    uint32_t synchro_ = 500;
    std::atomic<bool> aborted_{false};
    bool clean_ = false; // the last exchange ended with nothing left over
    uint16_t lastNet_ = 0;   // the last request sent: what late bytes answer
    uint8_t lastRequest_ = 0;
    std::vector<TLateAnswer> late_;
};

} // namespace net
