#pragma once
// The wire format between the capture client library and the capture server, over one Unix-domain stream
// socket per client. Every message starts with a 16-byte header of little-endian fields; a reply or an
// event may carry a payload of the header's length.
#include <cstdint>
#include <cstring>

namespace ipc {

constexpr uint32_t kMagic = 0x50414356; // "VCAP"

// Requests, client to server. Only HELLO, READ and PING are answered; the others are one-way.
enum class Op : uint16_t {
    Hello = 1,       // a = client identifier
    Read = 2,        // code = request code, a = size of the client's buffer
    Subscribe = 3,   // a = event class (1: status and formats, 100: frames)
    Unsubscribe = 4, // a = event class, 0 for all
    Command = 5,     // a = command, b = argument
    Ping = 6,
    Bye = 7,
};

// What a server message is.
enum class Kind : uint16_t { Reply = 1, Event = 2 };

// Status of a reply.
enum class Status : uint32_t {
    Ok = 0,
    NoData = 1,   // nothing to deliver for that code (unknown device, no frame yet)
    TooLarge = 2, // the data would not fit the client's buffer: nothing is sent
    BadRequest = 3,
};

// Event classes a client subscribes to, and the event codes each covers.
constexpr uint32_t kEventStatus = 1;   // 1: status or device list changed; 200 + n: format of device n changed
constexpr uint32_t kEventFrames = 100; // 100 + n: a new frame of device n

// Read codes: 0 status (2 bytes), 100 + n frame of device n, 200 + n format of device n (8 bytes).
constexpr uint16_t kReadStatus = 0;
constexpr uint16_t kReadFrame = 100;
constexpr uint16_t kReadFormat = 200;
constexpr int kMaxDevices = 100;
constexpr uint32_t kStatusSize = 2;
constexpr uint32_t kFormatSize = 8;

struct Header {
    uint32_t magic = kMagic;
    uint16_t op = 0;   // Op for requests, Kind for server messages
    uint16_t code = 0; // read code or event code
    uint32_t a = 0;    // request argument, or the reply's Status
    uint32_t b = 0;    // request argument, or the payload length
};
constexpr size_t kHeaderSize = 16;

inline void PutU16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutU32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); }
inline uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void Encode(const Header& h, uint8_t out[kHeaderSize])
{
    PutU32(out, h.magic);
    PutU16(out + 4, h.op);
    PutU16(out + 6, h.code);
    PutU32(out + 8, h.a);
    PutU32(out + 12, h.b);
}

inline Header Decode(const uint8_t in[kHeaderSize])
{
    Header h;
    h.magic = GetU32(in);
    h.op = GetU16(in + 4);
    h.code = GetU16(in + 6);
    h.a = GetU32(in + 8);
    h.b = GetU32(in + 12);
    return h;
}

// The 8-byte format of a device: a tag the client does not use, width, height, bytes per pixel, a byte the
// client does not use.
struct FrameFormat {
    uint16_t tag = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bytesPerPixel = 0;
    uint8_t spare = 0;

    uint32_t FrameSize() const { return uint32_t(width) * height * bytesPerPixel; }
    void Encode(uint8_t out[kFormatSize]) const
    {
        PutU16(out, tag);
        PutU16(out + 2, width);
        PutU16(out + 4, height);
        out[6] = bytesPerPixel;
        out[7] = spare;
    }
    static FrameFormat Decode(const uint8_t in[kFormatSize])
    {
        FrameFormat f;
        f.tag = GetU16(in);
        f.width = GetU16(in + 2);
        f.height = GetU16(in + 4);
        f.bytesPerPixel = in[6];
        f.spare = in[7];
        return f;
    }
    bool operator==(const FrameFormat&) const = default;
};

} // namespace ipc
