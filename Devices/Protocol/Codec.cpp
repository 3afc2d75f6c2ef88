#include "Devices/Protocol/Codec.h"

#include <cstddef>

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
    raw_.clear();
    starts_.clear();
    payload_.clear();
}

TCodec::Feed TVeltLinkCodec::Put(uint8_t byte)
{
    if (raw_.isEmpty() && byte != kStx)
        return More;
    // Every start byte since the earliest open frame may begin the real one: noise with a start byte in it
    // must not swallow the frame that follows, so each candidate is followed until it completes or fails.
    if (byte == kStx)
        starts_.push_back(int(raw_.size()));
    raw_.append(char(byte));
    const auto* bytes = reinterpret_cast<const uint8_t*>(raw_.constData());
    bool earliestFailed = false;
    for (size_t c = 0; c < starts_.size();) {
        const int s = starts_[c];
        const int have = int(raw_.size()) - s;
        bool failed = false;
        if (have >= 3) {
            const int length = bytes[s + 1] | (bytes[s + 2] << 8);
            if (length > kMaxPayload) {
                failed = true;
            } else if (have == length + 5) {
                const uint16_t crc = Crc16(bytes + s + 1, length + 2);
                if (bytes[s + 3 + length] == (crc & 0xFF) && bytes[s + 4 + length] == (crc >> 8)) {
                    payload_ = raw_.mid(s + 3, length);
                    raw_.clear();
                    starts_.clear();
                    return Frame;
                }
                failed = true;
            }
        }
        if (!failed) {
            ++c;
            continue;
        }
        earliestFailed |= c == 0;
        starts_.erase(starts_.begin() + std::ptrdiff_t(c));
    }
    if (earliestFailed) {
        // What precedes the earliest candidate left is no frame's any more.
        const int from = starts_.empty() ? int(raw_.size()) : starts_.front();
        raw_.remove(0, from);
        for (int& s : starts_)
            s -= from;
        return Bad;
    }
    return More;
}

std::unique_ptr<TCodec> MakeCodec()
{
    return std::make_unique<TVeltLinkCodec>();
}

} // namespace proto
