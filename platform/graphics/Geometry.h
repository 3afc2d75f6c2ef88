#pragma once
// Integer points and rectangles with the platform's conventions: a rectangle holds the pixels
// Left <= x < Right and Top <= y < Bottom, so its right and bottom edges lie outside it.
#include <QPoint>
#include <QRect>

namespace gfx {

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
    QPoint toQPoint() const { return {X, Y}; }
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(TPoint topLeft, TPoint bottomRight)
        : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) {}
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    // Empty when it holds no pixel (also when reversed).
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
    // The same pixels as a QRect (width and height are Right - Left and Bottom - Top).
    QRect toQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect fromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
};

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// Grows the rectangle by dx on the left and right and by dy on the top and bottom (negative shrinks).
inline void InflateRect(TRect& r, int dx, int dy) { r.Left -= dx; r.Right += dx; r.Top -= dy; r.Bottom += dy; }
inline void OffsetRect(TRect& r, int dx, int dy) { r.Left += dx; r.Right += dx; r.Top += dy; r.Bottom += dy; }
// The common part of a and b into dst; false and an all-zero dst when they share no pixel.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
// The smallest rectangle holding both; an empty operand is ignored.
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
constexpr bool PtInRect(const TRect& r, TPoint p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }
constexpr bool IsRectEmpty(const TRect& r) { return r.IsEmpty(); }

} // namespace gfx
