#pragma once
// The capture device of a machine without a camera: colour bars, a square that moves with every frame and
// the frame counter, in digits and as a 4 x 4 grid of black (0) and white (1) blocks at the centre of the
// frame, most significant bit first, row by row. The blocks survive JPEG and scaling, so a photo can be told
// apart from the frames before and after it.
#include "tools/velt-capture/FrameSource.h"

#include <chrono>
#include <functional>

class TTestPattern : public TFrameSource {
public:
    // formats: the formats the options command steps through (the first is in force); fps: frames a second.
    TTestPattern(std::vector<ipc::FrameFormat> formats, int fps);

    std::string Name() const override { return "test pattern"; }
    ipc::FrameFormat Format() const override { return formats_[current_]; }
    int MsUntilFrame() const override;
    bool Grab(std::vector<uint8_t>& out) override;
    bool NextFormat(std::string* error) override;
    uint32_t Counter() const { return counter_; }

    // Renders frame number counter in the format (bottom row first).
    static void Render(const ipc::FrameFormat& format, uint32_t counter, std::vector<uint8_t>& out);
    // Where the counter's blocks lie in a frame: block k (0..15) is centred at BlockCentre(w, h, k).
    static int BlockSize(int width, int height);
    static std::pair<int, int> BlockCentre(int width, int height, int k);
    // The counter (low 16 bits) read back through luma(x, y) in frame coordinates, top row 0.
    static uint32_t DecodeCounter(int width, int height, const std::function<int(int x, int y)>& luma);

private:
    using Clock = std::chrono::steady_clock;
    std::vector<ipc::FrameFormat> formats_;
    size_t current_ = 0;
    Clock::duration period_;
    Clock::time_point due_;
    uint32_t counter_ = 0;
};
