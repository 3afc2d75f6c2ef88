#pragma once
// A strip of equal-sized glyphs (indicator arrows, sort markers, tool buttons); a key colour of
// each added strip becomes transparent.
#include "Color.h"
#include <QImage>
#include <vector>

namespace gfx {

class TBitmap;
class TCanvas;

class TImageList {
public:
    explicit TImageList(int width = 16, int height = 16);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return int(images_.size()); }

    // Cuts the bitmap into cells of the list's size, left to right (a bitmap narrower than one cell
    // gives one image); pixels of maskColor become transparent. Returns the index of the first image
    // added, -1 when the bitmap is empty.
    int AddMasked(const TBitmap& bitmap, TColor maskColor);
    int Add(const TBitmap& bitmap);
    void Delete(int index);
    void Clear() { images_.clear(); }

    // Draws image index with its top-left corner at (x, y); an index out of range draws nothing.
    void Draw(TCanvas& canvas, int x, int y, int index) const;

private:
    int add(const TBitmap& bitmap, bool masked, TColor maskColor);

    int width_;
    int height_;
    std::vector<QImage> images_;
};

} // namespace gfx
