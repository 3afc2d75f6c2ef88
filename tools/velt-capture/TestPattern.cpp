#include "tools/velt-capture/TestPattern.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// Digits 0-9 in a 3 x 5 grid, one row of three bits per entry, top row first.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

constexpr Rgb kBars[8] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                          {235, 16, 235}, {235, 16, 16}, {16, 16, 235}, {16, 16, 16}};

class Canvas {
public:
    Canvas(const ipc::FrameFormat& f, std::vector<uint8_t>& out)
        : w_(f.width), h_(f.height), bpp_(f.bytesPerPixel), row_(size_t(w_) * bpp_), out_(out)
    {
        out_.resize(row_ * size_t(h_));
    }
    int Width() const { return w_; }
    int Height() const { return h_; }
    uint8_t* Row(int y) { return out_.data() + size_t(h_ - 1 - y) * row_; } // top row 0, stored last
    void Put(uint8_t* p, Rgb c)
    {
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
        if (bpp_ == 4)
            p[3] = 0;
    }
    void Fill(int x0, int y0, int x1, int y1, Rgb c) // right and bottom exclusive, clipped
    {
        x0 = std::max(x0, 0);
        y0 = std::max(y0, 0);
        x1 = std::min(x1, w_);
        y1 = std::min(y1, h_);
        if (x0 >= x1 || y0 >= y1)
            return;
        uint8_t* first = Row(y0) + size_t(x0) * bpp_;
        for (int x = x0; x < x1; ++x)
            Put(first + size_t(x - x0) * bpp_, c);
        const size_t n = size_t(x1 - x0) * bpp_;
        for (int y = y0 + 1; y < y1; ++y)
            std::memcpy(Row(y) + size_t(x0) * bpp_, first, n);
    }
    void CopyRow(int from, int to) { std::memcpy(Row(to), Row(from), row_); }

private:
    int w_, h_, bpp_;
    size_t row_;
    std::vector<uint8_t>& out_;
};

} // namespace

TTestPattern::TTestPattern(std::vector<ipc::FrameFormat> formats, int fps)
    : formats_(std::move(formats)), period_(std::chrono::microseconds(1000000 / std::max(1, fps))), due_(Clock::now())
{
    for (auto& f : formats_)
        f.tag = uint16_t(std::max(1, fps));
}

int TTestPattern::MsUntilFrame() const
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due_ - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}

bool TTestPattern::Grab(std::vector<uint8_t>& out)
{
    const auto now = Clock::now();
    if (now < due_)
        return false;
    due_ += period_;
    if (due_ < now)
        due_ = now + period_; // fell behind: no burst of frames to catch up
    Render(Format(), counter_++, out);
    return true;
}

bool TTestPattern::NextFormat(std::string* error)
{
    if (formats_.size() < 2) {
        if (error)
            *error = "the test pattern has one format only";
        return false;
    }
    current_ = (current_ + 1) % formats_.size();
    return true;
}

int TTestPattern::BlockSize(int width, int height)
{
    return std::max(2, std::min(width, height) / 20);
}

std::pair<int, int> TTestPattern::BlockCentre(int width, int height, int k)
{
    const int b = BlockSize(width, height);
    const int left = width / 2 - 2 * b, top = height / 2 - 2 * b;
    return {left + (k % 4) * b + b / 2, top + (k / 4) * b + b / 2};
}

uint32_t TTestPattern::DecodeCounter(int width, int height, const std::function<int(int, int)>& luma)
{
    uint32_t v = 0;
    for (int k = 0; k < 16; ++k) {
        const auto [x, y] = BlockCentre(width, height, k);
        v = (v << 1) | (luma(x, y) >= 128 ? 1u : 0u);
    }
    return v;
}

void TTestPattern::Render(const ipc::FrameFormat& format, uint32_t counter, std::vector<uint8_t>& out)
{
    Canvas c(format, out);
    const int w = c.Width(), h = c.Height();
    if (w == 0 || h == 0)
        return;
    // Colour bars over the upper two thirds, a dark band below.
    const int band = h * 2 / 3;
    for (int i = 0; i < 8; ++i)
        c.Fill(w * i / 8, 0, w * (i + 1) / 8, 1, kBars[i]);
    for (int y = 1; y < band; ++y)
        c.CopyRow(0, y);
    c.Fill(0, band, w, h, {48, 48, 56});

    // The square moves four pixels a frame along the band.
    const int side = std::max(2, (h - band) / 2);
    const int travel = std::max(1, w - side);
    const int x = int((uint64_t(counter) * 4) % uint32_t(travel));
    c.Fill(x, band + (h - band - side) / 2, x + side, band + (h - band + side) / 2, {255, 160, 0});

    // The counter's blocks on a grey frame.
    const int b = BlockSize(w, h);
    const int left = w / 2 - 2 * b, top = h / 2 - 2 * b;
    c.Fill(left - b / 2, top - b / 2, left + 4 * b + b / 2, top + 4 * b + b / 2, {128, 128, 128});
    for (int k = 0; k < 16; ++k) {
        const bool one = (counter >> (15 - k)) & 1u;
        const int bx = left + (k % 4) * b, by = top + (k / 4) * b;
        c.Fill(bx, by, bx + b, by + b, one ? Rgb{255, 255, 255} : Rgb{0, 0, 0});
    }

    // The counter in digits above the blocks.
    const std::string digits = std::to_string(counter);
    const int s = std::max(1, b / 3);
    const int textW = int(digits.size()) * 4 * s + s, textH = 7 * s;
    const int tx = (w - textW) / 2, ty = top - b / 2 - textH - s;
    c.Fill(tx, ty, tx + textW, ty + textH, {0, 0, 0});
    for (size_t i = 0; i < digits.size(); ++i) {
        const auto& glyph = kDigits[digits[i] - '0'];
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if (glyph[row] & (4 >> col)) {
                    const int px = tx + s + int(i) * 4 * s + col * s, py = ty + s + row * s;
                    c.Fill(px, py, px + s, py + s, {255, 255, 255});
                }
    }
}
