#include "Devices/VELT_A_NETWORK/NetLink.h"

#include <chrono>
#include <climits>
#include <cstring>

namespace net {

using Clock = std::chrono::steady_clock;

namespace {

int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

} // namespace

TNetLink::TNetLink(std::unique_ptr<proto::TCodec> codec) : codec_(std::move(codec)) {}

TNetLink::~TNetLink()
{
    Close();
}

void TNetLink::Setup(int) {}

bool TNetLink::IsOpen() const
{
    return port_.IsOpen() && !port_.LineLost();
}

bool TNetLink::Open(uint8_t port)
{
    Close();
    if (aborted_ || port == 0 || !port_.Open(port))
        return false;
    pending_.clear();
    codec_->Reset();
    return true;
}

void TNetLink::Configure(uint32_t baud, int, int)
{
    if (!port_.IsOpen())
        return;
    port_.SetParams(baud, NOPARITY, ONESTOPBIT);
    // Reads take what is there; the waits are ours.
    port_.SetTimeouts(UINT32_MAX, 0, 0, 0, 0);
    port_.Purge();
}

void TNetLink::SetTimeouts(int, int, uint32_t timeoutMs, int, int)
{
    timeout_ = timeoutMs;
}

void TNetLink::SetSynchro(uint32_t ms)
{
    synchro_ = ms;
}

void TNetLink::Close()
{
    port_.Close();
    pending_.clear();
}

void TNetLink::Abort()
{
    aborted_ = true;
    port_.Abort();
}

bool TNetLink::Pause(int ms)
{
    if (aborted_)
        return true;
    if (!port_.IsOpen())
        return false;
    port_.Pause(uint32_t(ms > 0 ? ms : 0));
    return true;
}

bool TNetLink::readSome(int ms)
{
    if (aborted_ || !port_.IsOpen())
        return false;
    uint8_t chunk[256];
    if (port_.WaitData(uint32_t(ms)) != TSerialPort::WaitDataArrived)
        return false;
    const int n = port_.DataIn(chunk, sizeof chunk);
    if (n <= 0)
        return false;
    pending_.append(reinterpret_cast<const char*>(chunk), n);
    return true;
}

QByteArray TNetLink::drain()
{
    QByteArray bytes = pending_;
    pending_.clear();
    // Bounded: a line that never stops talking is cleared by the purge after it.
    while (bytes.size() < 4096 && readSome(0)) {
        bytes += pending_;
        pending_.clear();
    }
    port_.Purge();
    return bytes;
}

void TNetLink::keepLate(const QByteArray& leftOver)
{
    // Only a frame behind an acknowledgement is an answer; bytes before it are noise or a refusal.
    const int ack = leftOver.indexOf(char(codec_->Ack()));
    if (ack < 0)
        return;
    codec_->Reset();
    for (int i = ack + 1; i < leftOver.size(); ++i)
        if (codec_->Put(uint8_t(leftOver[i])) == proto::TCodec::Frame && codec_->Payload().size() == kPacketSize)
            late_.push_back({lastNet_, lastRequest_, codec_->Payload()});
    codec_->Reset();
}

std::vector<TLateAnswer> TNetLink::TakeLateAnswers()
{
    std::vector<TLateAnswer> taken;
    taken.swap(late_);
    return taken;
}

void TNetLink::Reset()
{
    if (!port_.IsOpen())
        return;
    // A late answer still on its way would be taken for the next instrument's: wait until the line is quiet.
    const auto deadline = Clock::now() + std::chrono::milliseconds(synchro_);
    QByteArray leftOver;
    do {
        leftOver += drain();
    } while (!aborted_ && msLeft(deadline) > 0 && readSome(std::min(msLeft(deadline), 20)));
    leftOver += drain();
    keepLate(leftOver);
    codec_->Reset();
}

QByteArray TNetLink::EncodeRequest(const uint8_t* request, uint16_t length, uint16_t netNumber) const
{
    QByteArray payload;
    payload.append(char(netNumber & 0xFF));
    payload.append(char(netNumber >> 8));
    payload.append(reinterpret_cast<const char*>(request), length);
    return codec_->Encode(reinterpret_cast<const uint8_t*>(payload.constData()), int(payload.size()));
}

int32_t TNetLink::Send(const uint8_t* request, uint16_t length, uint16_t netNumber)
{
    if (!port_.IsOpen() || port_.LineLost())
        return kLineFailed;
    // A new request: what an earlier exchange left no longer counts, but an answer in it is kept to be told.
    // After one that ended as it should the line holds nothing, and the clearing (a costly call on an idle line
    // polled ten times a second) is spared.
    if (!clean_)
        keepLate(drain());
    clean_ = false;
    pending_.clear();
    codec_->Reset();
    lastNet_ = netNumber;
    lastRequest_ = length > 0 ? request[0] : 0;
    const QByteArray frame = EncodeRequest(request, length, netNumber);
    if (port_.DataOut(frame.constData(), int(frame.size())) != frame.size())
        return kLineFailed;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_);
    bool garbage = false;
    for (;;) {
        for (int i = 0; i < pending_.size(); ++i) {
            const uint8_t b = uint8_t(pending_[i]);
            if (b == codec_->Ack()) {
                pending_.remove(0, i + 1); // the answer may follow at once
                return kAnswerFollows;
            }
            if (b == kNothingNewByte) {
                clean_ = i == 0 && pending_.size() == 1;
                pending_.clear();
                return kNothingNew;
            }
            if (b == codec_->Nak()) {
                pending_.clear();
                return kRefused;
            }
            garbage = true;
        }
        pending_.clear();
        if (aborted_)
            return kTimeout;
        const int left = msLeft(deadline);
        if (left <= 0 || !readSome(left)) {
            if (port_.LineLost())
                return kLineFailed;
            if (aborted_ || msLeft(deadline) <= 0)
                return garbage ? kGarbled : kTimeout;
        }
    }
}

int32_t TNetLink::Receive(uint8_t* buffer, uint16_t capacity, uint16_t* count, uint16_t* aux)
{
    if (count)
        *count = 0;
    if (aux)
        *aux = 0;
    if (!port_.IsOpen() || port_.LineLost())
        return kLineFailed;
    // The time-out is the longest silence between two bytes of the answer.
    for (;;) {
        int used = 0;
        bool damaged = false;
        while (used < pending_.size()) {
            const proto::TCodec::Feed f = codec_->Put(uint8_t(pending_[used++]));
            damaged |= f == proto::TCodec::Bad;
            if (f == proto::TCodec::Frame) {
                pending_.remove(0, used);
                const QByteArray& p = codec_->Payload();
                if (p.size() > capacity)
                    return kTooLong;
                std::memcpy(buffer, p.constData(), size_t(p.size()));
                if (count)
                    *count = uint16_t(p.size());
                clean_ = pending_.isEmpty();
                return kAnswerFollows;
            }
        }
        pending_.clear();
        if (damaged && !codec_->InFrame())
            return kDamaged;
        if (aborted_)
            return kTimeout;
        if (!readSome(int(timeout_)))
            return port_.LineLost() ? kLineFailed : kTimeout;
    }
}

} // namespace net
