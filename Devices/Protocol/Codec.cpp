#include "Devices/Protocol/Codec.h"

namespace proto {

uint16_t TVeltLinkCodec::Crc16(const uint8_t* data, int length, uint16_t crc)
{
    for (int i = 0; i < length; ++i) {
        crc ^= uint16_t(data[i]) << 8;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

QByteArray TVeltLinkCodec::Encode(const uint8_t* payload, int length) const
{
    QByteArray out;
    out.reserve(length + 5);
    const uint8_t len[2] = {uint8_t(length & 0xFF), uint8_t((length >> 8) & 0xFF)};
    out.append(char(kStx));
    out.append(reinterpret_cast<const char*>(len), 2);
    out.append(reinterpret_cast<const char*>(payload), length);
    uint16_t crc = Crc16(len, 2);
    crc = Crc16(payload, length, crc);
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

void TVeltLinkCodec::Reset()
{
    state_ = 0;
    length_ = 0;
    payload_.clear();
    header_.clear();
}

TCodec::Feed TVeltLinkCodec::Put(uint8_t byte)
{
    switch (state_) {
    case 0:
        if (byte == kStx) {
            payload_.clear();
            header_.clear();
            state_ = 1;
        }
        return More;
    case 1:
        length_ = byte;
        header_.append(char(byte));
        state_ = 2;
        return More;
    case 2:
        length_ |= int(byte) << 8;
        header_.append(char(byte));
        if (length_ > kMaxPayload) {
            Reset();
            return Bad;
        }
        crc_ = Crc16(reinterpret_cast<const uint8_t*>(header_.constData()), 2);
        state_ = length_ ? 3 : 4;
        return More;
    case 3:
        payload_.append(char(byte));
        if (payload_.size() == length_) {
            crc_ = Crc16(reinterpret_cast<const uint8_t*>(payload_.constData()), int(payload_.size()), crc_);
            state_ = 4;
        }
        return More;
    case 4:
        if (byte != (crc_ & 0xFF)) {
            Reset();
            return Bad;
        }
        state_ = 5;
        return More;
    default:
        state_ = 0;
        if (byte != (crc_ >> 8)) {
            payload_.clear();
            return Bad;
        }
        return Frame;
    }
}

std::unique_ptr<TCodec> MakeCodec()
{
    return std::make_unique<TVeltLinkCodec>();
}

} // namespace proto
