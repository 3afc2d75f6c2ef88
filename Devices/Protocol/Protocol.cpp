#include "Devices/Protocol/Protocol.h"
#include "Devices/Serial/serialport.h"

#include <chrono>
#include <climits>
#include <cstring>

namespace proto {

using Clock = std::chrono::steady_clock;

float GetF32(const uint8_t* p)
{
    const uint32_t u = GetU32(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

double GetF64(const uint8_t* p)
{
    const uint64_t u = uint64_t(GetU32(p)) | (uint64_t(GetU32(p + 4)) << 32);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

void PutF32(uint8_t* p, float v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    PutU32(p, u);
}

void PutF64(uint8_t* p, double v)
{
    uint64_t u;
    std::memcpy(&u, &v, 8);
    PutU32(p, uint32_t(u));
    PutU32(p + 4, uint32_t(u >> 32));
}

TProtocol::TProtocol(std::unique_ptr<TCodec> codec) : codec_(std::move(codec)) {}

TProtocol::~TProtocol() = default;

void TProtocol::Attach(TSerialPort* port)
{
    port_ = port;
    aborting_ = port;
    pending_.clear();
    codec_->Reset();
}

uint8_t TProtocol::Configure(uint32_t baud, int, int)
{
    if (!port_)
        return 0;
    if (!port_->SetParams(baud, NOPARITY, ONESTOPBIT))
        return 0;
    // Reads take what is there; the waits are ours.
    if (!port_->SetTimeouts(UINT32_MAX, 0, 0, 0, 0))
        return 0;
    port_->Purge();
    return 1;
}

void TProtocol::Abort()
{
    {
        std::lock_guard<std::mutex> g(lock_);
        aborted_ = true;
    }
    wake_.notify_all();
    if (TSerialPort* port = aborting_.load())
        port->Abort();
}

void TProtocol::Rearm()
{
    std::lock_guard<std::mutex> g(lock_);
    aborted_ = false;
}

void TProtocol::idle(int ms)
{
    std::unique_lock<std::mutex> g(lock_);
    wake_.wait_for(g, std::chrono::milliseconds(ms), [this] { return aborted_; });
}

bool TProtocol::readSome(int ms)
{
    {
        std::lock_guard<std::mutex> g(lock_);
        if (aborted_)
            return false;
    }
    if (!port_ || !port_->IsOpen()) {
        idle(ms);
        return false;
    }
    uint8_t chunk[1024];
    int n = port_->DataIn(chunk, sizeof chunk);
    if (n > 0) {
        pending_.append(reinterpret_cast<const char*>(chunk), n);
        return true;
    }
    const int w = port_->WaitData(uint32_t(ms < 0 ? 0 : ms));
    if (w == TSerialPort::WaitError) {
        // A line that has failed (the far end gone) must not turn the callers' loops into a spin.
        idle(ms);
        return false;
    }
    if (w != TSerialPort::WaitDataArrived)
        return false;
    n = port_->DataIn(chunk, sizeof chunk);
    if (n > 0)
        pending_.append(reinterpret_cast<const char*>(chunk), n);
    return true;
}

int32_t TProtocol::Send(const uint8_t* request, uint16_t length, int, int)
{
    if (!port_ || !port_->IsOpen()) {
        idle(kSliceMs);
        return kNoPort;
    }
    // A new request: what is left of an earlier exchange no longer counts.
    port_->Purge();
    pending_.clear();
    codec_->Reset();
    const QByteArray frame = codec_->Encode(request, length);
    if (port_->DataOut(frame.constData(), int(frame.size())) != frame.size()) {
        idle(kSliceMs);
        return kLineError;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kSliceMs);
    for (;;) {
        for (int i = 0; i < pending_.size(); ++i) {
            const uint8_t b = uint8_t(pending_[i]);
            if (b == codec_->Ack()) {
                pending_.remove(0, i + 1); // the answer may follow at once
                return kDone;
            }
            if (b == codec_->Nak()) {
                pending_.clear();
                // Refused: let the slice pass before the caller asks again.
                idle(int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
                return kNotYet;
            }
        }
        pending_.clear();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return kNotYet;
        if (!readSome(int(left)) && (!port_ || !port_->IsOpen()))
            return kNoPort;
        if (port_->LineLost())
            return kLineError;
        {
            std::lock_guard<std::mutex> g(lock_);
            if (aborted_)
                return kNotYet;
        }
    }
}

int32_t TProtocol::Receive(uint8_t* buffer, uint16_t capacity, uint16_t* count, uint16_t* aux)
{
    if (aux)
        *aux = 0;
    if (!port_ || !port_->IsOpen()) {
        idle(kSliceMs);
        return kNoPort;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kSliceMs);
    for (;;) {
        int used = 0;
        bool damaged = false;
        while (used < pending_.size()) {
            const TCodec::Feed f = codec_->Put(uint8_t(pending_[used++]));
            // A frame may still follow in the same bytes (the damage was noise before it).
            damaged |= f == TCodec::Bad;
            if (f == TCodec::Frame) {
                pending_.remove(0, used);
                const QByteArray& p = codec_->Payload();
                if (p.size() > capacity) {
                    if (count)
                        *count = 0;
                    return kTooLong;
                }
                std::memcpy(buffer, p.constData(), size_t(p.size()));
                if (count)
                    *count = uint16_t(p.size());
                return kDone;
            }
        }
        pending_.clear();
        if (damaged && !codec_->InFrame())
            return kDamaged;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return kNotYet;
        readSome(int(left));
        {
            std::lock_guard<std::mutex> g(lock_);
            if (aborted_)
                return kNotYet;
        }
        if (!port_->IsOpen())
            return kNoPort;
        if (port_->LineLost())
            return kLineError;
    }
}

} // namespace proto
