// The faces of edit buttons and check boxes, drawn in the system colours, and the cache of drawn faces.
#include "grid/ToolCtrlsEx.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/CheckBox.h"
#include "platform/graphics/Edge.h"
#include <QPainter>
#include <cstring>
#include <vector>

using namespace gfx;

bool UseButtonsBitmapCache = true;

namespace {

// The 16 bytes a cached face is found by. The background colour is part of it: a flat face shows it.
struct FaceKey {
    qint16 width, height;
    quint8 style, flags, half, check;
    qint32 background;
    quint32 reserved;
};
static_assert(sizeof(FaceKey) == 16);

struct CacheEntry {
    FaceKey key;
    QImage face;
};

std::vector<CacheEntry>& cache()
{
    static std::vector<CacheEntry> entries;
    return entries;
}

// A triangle of rows 'rows' high, the widest row 2*rows-1 pixels, pointing up or down, centred in r.
void arrow(TCanvas& c, const TRect& r, int rows, bool up, TColor ink)
{
    const int x0 = r.Left + (r.Width() - (2 * rows - 1)) / 2, y0 = r.Top + (r.Height() - rows) / 2;
    for (int i = 0; i < rows; ++i) {
        const int half = up ? i : rows - 1 - i;
        c.FillSolid(Bounds(x0 + rows - 1 - half, y0 + i, 2 * half + 1, 1), ink);
    }
}

// Ink of the signs: the button text, or when disabled an embossed grey (highlight offset by one, then shadow).
template <typename Draw>
void ink(bool enabled, Draw draw)
{
    if (enabled) {
        draw(0, clBtnText);
        return;
    }
    draw(1, clBtnHighlight);
    draw(0, clBtnShadow);
}

void dots(TCanvas& c, const TRect& r, bool enabled)
{
    const int dot = r.Width() < 8 ? 1 : 2, gap = r.Width() < 12 ? 1 : 2;
    const int x0 = r.Left + (r.Width() - (3 * dot + 2 * gap)) / 2, y0 = r.Top + (r.Height() - dot) / 2;
    ink(enabled, [&](int off, TColor color) {
        for (int i = 0; i < 3; ++i)
            c.FillSolid(Bounds(x0 + off + i * (dot + gap), y0 + off, dot, dot), color);
    });
}

void sign(TCanvas& c, const TRect& r, bool plus, bool enabled)
{
    const int len = std::max(3, (std::min(r.Width(), r.Height()) - 6) | 1);
    const int cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
    ink(enabled, [&](int off, TColor color) {
        c.FillSolid(Bounds(cx - len / 2 + off, cy + off, len, 1), color);
        if (plus)
            c.FillSolid(Bounds(cx + off, cy - len / 2 + off, 1, len), color);
    });
}

// One face without the cache: frame, fill and the style's sign.
void drawFace(TCanvas& c, TRect r, TColor background, TDrawButtonControlStyleEx style, bool pressed, bool upHalf,
              bool flat, bool active, bool enabled)
{
    if (flat) {
        c.FillSolid(r, background);
        if (pressed || active)
            DrawEdge(c, r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        InflateRect(r, -1, -1);
        c.FillSolid(r, clBtnFace);
    } else {
        DrawEdge(c, r, pressed ? BDR_SUNKENOUTER : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    }
    if (pressed)
        OffsetRect(r, 1, 1);
    switch (style) {
    case bcsDropDownEx:
        ink(enabled, [&](int off, TColor color) {
            TRect a = r;
            OffsetRect(a, off, off);
            arrow(c, a, std::clamp(r.Width() / 3, 2, 4), false, color);
        });
        break;
    case bcsUpDownEx:
        ink(enabled, [&](int off, TColor color) {
            TRect a = r;
            OffsetRect(a, off, off);
            arrow(c, a, std::clamp(std::min(r.Width() / 3, r.Height() / 2), 1, 3), upHalf, color);
        });
        break;
    case bcsEllipsisEx:
        dots(c, r, enabled);
        break;
    case bcsPlusEx:
    case bcsMinusEx:
        sign(c, r, style == bcsPlusEx, enabled);
        break;
    case bcsCheckboxEx:
        break;
    }
}

} // namespace

int ButtonsBitmapCacheCount() { return int(cache().size()); }

void ClearButtonsBitmapCache() { cache().clear(); }

void PaintButtonControlEx(TCanvas& canvas, const TRect& rect, TColor background, TDrawButtonControlStyleEx style,
                          int downButton, bool flat, bool active, bool enabled, TCheckBoxState state)
{
    if (rect.IsEmpty())
        return;
    if (style == bcsCheckboxEx) {
        canvas.FillSolid(rect, background);
        PaintCheckBox(canvas, rect, state, flat, enabled);
        return;
    }
    // The up-down face is two faces, one a half; each is cached on its own.
    std::vector<std::pair<TRect, int>> parts;  // rectangle, half (1 upper, 2 lower, 0 whole)
    if (style == bcsUpDownEx) {
        const int half = rect.Height() / 2;
        parts = {{TRect(rect.Left, rect.Top, rect.Right, rect.Top + half), 1},
                 {TRect(rect.Left, rect.Bottom - half, rect.Right, rect.Bottom), 2}};
        if (rect.Height() % 2)
            canvas.FillSolid(TRect(rect.Left, rect.Top + half, rect.Right, rect.Bottom - half), clBtnFace);
    } else {
        parts = {{rect, 0}};
    }
    for (const auto& [r, half] : parts) {
        const bool pressed = half == 0 ? downButton != 0 : downButton == half;
        const bool upHalf = half == 1;
        if (!UseButtonsBitmapCache) {
            drawFace(canvas, r, background, style, pressed, upHalf, flat, active, enabled);
            continue;
        }
        FaceKey key{};
        key.width = qint16(std::max(0, r.Width()));
        key.height = qint16(std::max(0, r.Height()));
        key.style = quint8(style);
        key.flags = quint8((pressed ? 1 : 0) | (enabled ? 2 : 0) | (flat ? 4 : 0) | (active ? 8 : 0));
        key.half = quint8(half);
        key.background = background;
        auto& entries = cache();
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const CacheEntry& e) { return std::memcmp(&e.key, &key, sizeof key) == 0; });
        if (it == entries.end()) {
            QImage face(key.width, key.height, QImage::Format_RGB32);
            {
                TCanvas faceCanvas(&face);
                drawFace(faceCanvas, TRect(0, 0, key.width, key.height), background, style, pressed, upHalf, flat,
                         active, enabled);
            }
            entries.push_back({key, face});
            it = entries.end() - 1;
        }
        if (QPainter* p = canvas.Painter())
            p->drawImage(r.toQRect(), it->face);
    }
}
