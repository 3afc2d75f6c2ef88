#pragma once
// The framing of the request-and-answer exchange, in one place so that another line format can replace it.
//
// Our own link format: every request and every answer travels as
//   STX (0x02) | payload length (16 bits, little-endian) | payload | CRC-16/CCITT of length and payload
// and the instrument acknowledges each request it accepts with one ACK byte (0x06), or refuses it with NAK
// (0x15), before it sends the answer frame, when the request has one. A request without an answer (test,
// clearing) is thus known to have arrived, which a bare write to a line could never tell.
#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

namespace proto {

class TCodec {
public:
    enum Feed { More = 0, Frame = 1, Bad = -1 };

    virtual ~TCodec() = default;
    virtual QByteArray Encode(const uint8_t* payload, int length) const = 0;
    // Bytes that acknowledge or refuse a request.
    virtual uint8_t Ack() const = 0;
    virtual uint8_t Nak() const = 0;
    // Receiving side: bytes one at a time. Frame: Payload() holds a whole frame's payload; Bad: a damaged frame
    // was dropped. Bytes before a frame's start are skipped; a start byte in noise never hides a frame behind it.
    virtual void Reset() = 0;
    virtual Feed Put(uint8_t byte) = 0;
    virtual const QByteArray& Payload() const = 0;
    // True while a frame has begun and is not complete.
    virtual bool InFrame() const = 0;
};

class TVeltLinkCodec : public TCodec {
public:
    static constexpr uint8_t kStx = 0x02;
    static constexpr uint8_t kAck = 0x06;
    static constexpr uint8_t kNak = 0x15;
    static constexpr int kMaxPayload = 1024;

    QByteArray Encode(const uint8_t* payload, int length) const override;
    uint8_t Ack() const override { return kAck; }
    uint8_t Nak() const override { return kNak; }
    void Reset() override;
    Feed Put(uint8_t byte) override;
    const QByteArray& Payload() const override { return payload_; }
    bool InFrame() const override { return !raw_.isEmpty(); }

    static uint16_t Crc16(const uint8_t* data, int length, uint16_t crc = 0xFFFF);

private:
    QByteArray raw_;          // from the earliest start byte that may still begin a frame
    std::vector<int> starts_; // the start bytes in raw_ that may, earliest first
    QByteArray payload_;
};

// The codec both ends use.
std::unique_ptr<TCodec> MakeCodec();

} // namespace proto
