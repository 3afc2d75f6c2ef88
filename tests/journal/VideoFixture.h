#pragma once
// A capture link in memory for the video client's tests: it answers status, formats and frames from what
// the test put in, and records what was asked.
#include "journal/VideoCapture.h"
#include "journal/VideoPhotoPanel.h"
#include "platform/ipc/CaptureProtocol.h"
#include "platform/ipc/ClientIPC.h"

#include <QObject>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace vtest {

class FakeLink : public ipc::TClientIPC {
public:
    bool connects = true;
    bool answers = true;
    uint8_t status[2] = {1, 1};
    std::map<int, ipc::FrameFormat> formats;
    std::map<int, std::vector<uint8_t>> frames; // bottom row first, packed
    std::vector<uint16_t> reads;
    std::vector<std::pair<int, int>> commands;
    std::vector<int> subscribed;

    bool Connect(int, const char*) override { return connects; }
    bool Read(void* buffer, uint32_t* count, uint16_t code) override
    {
        reads.push_back(code);
        if (!answers)
            return false;
        std::vector<uint8_t> data;
        if (code == ipc::kReadStatus) {
            data.assign(status, status + 2);
        } else if (code >= ipc::kReadFormat && formats.count(code - ipc::kReadFormat)) {
            data.resize(ipc::kFormatSize);
            formats[code - ipc::kReadFormat].Encode(data.data());
        } else if (code >= ipc::kReadFrame && code < ipc::kReadFormat && frames.count(code - ipc::kReadFrame)) {
            data = frames[code - ipc::kReadFrame];
        } else {
            return false;
        }
        if (data.size() > *count)
            return false;
        std::memcpy(buffer, data.data(), data.size());
        *count = uint32_t(data.size());
        return true;
    }
    bool Subscribe(QObject*, int event) override
    {
        subscribed.push_back(event);
        return true;
    }
    bool Unsubscribe(QObject*, int) override { return true; }
    bool Ping() override { return answers; }
    bool SendCommand(int command, int argument) override
    {
        commands.emplace_back(command, argument);
        return true;
    }
    bool Disconnect() override { return true; }
    int ReadsOf(uint16_t code) const { return int(std::count(reads.begin(), reads.end(), code)); }
};

// Waits that keep the tests short.
inline TVideoCapture::Timing Quick()
{
    return {300, 5, 20};
}

// The format and a frame whose pixel (x, y), top row 0, holds blue x, green y and red the high bits of both.
inline ipc::FrameFormat Format(int w, int h, int bpp)
{
    ipc::FrameFormat f;
    f.width = uint16_t(w);
    f.height = uint16_t(h);
    f.bytesPerPixel = uint8_t(bpp);
    return f;
}
inline uint32_t Pixel(int x, int y)
{
    return qRgb(((x >> 8) << 4) | (y >> 8), y & 0xFF, x & 0xFF);
}
inline std::vector<uint8_t> Frame(const ipc::FrameFormat& f)
{
    std::vector<uint8_t> raw(f.FrameSize());
    size_t i = 0;
    for (int y = f.height - 1; y >= 0; --y)
        for (int x = 0; x < f.width; ++x) {
            const uint32_t p = Pixel(x, y);
            raw[i++] = uint8_t(qBlue(p));
            raw[i++] = uint8_t(qGreen(p));
            raw[i++] = uint8_t(qRed(p));
            if (f.bytesPerPixel == 4)
                raw[i++] = 0;
        }
    return raw;
}

// A link with one device of this format and its frame.
inline std::unique_ptr<FakeLink> LinkWith(const ipc::FrameFormat& f)
{
    auto link = std::make_unique<FakeLink>();
    link->formats[0] = f;
    link->frames[0] = Frame(f);
    return link;
}

// The panel's clients come over links the test makes; last is the latest one.
inline void UseLinks(TVideoPhotoPanel& panel, std::function<std::unique_ptr<FakeLink>()> make,
                     FakeLink** last = nullptr, int* made = nullptr)
{
    panel.CreateClient = [make, last, made](QObject* window, const QString& folder) {
        std::unique_ptr<FakeLink> link = make();
        if (last)
            *last = link.get();
        if (made)
            ++*made;
        return std::make_unique<TVideoCapture>(window, folder, std::move(link), Quick());
    };
}

inline uint32_t Message(int code, int client = TVideoCapture::kClientId)
{
    return (uint32_t(client) << 16) | uint32_t(code);
}

} // namespace vtest
