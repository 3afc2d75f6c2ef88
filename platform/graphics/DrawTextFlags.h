#pragma once
// Flags of TCanvas::DrawText, with the platform's values (callers store and combine them as numbers).

namespace gfx {

constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;          // with DT_SINGLELINE only
constexpr unsigned DT_BOTTOM = 0x8;           // with DT_SINGLELINE only
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_EXTERNALLEADING = 0x200;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_EDITCONTROL = 0x2000;   // words wider than the line are broken; no partly visible last line
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000; // drawn as DT_END_ELLIPSIS
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_RTLREADING = 0x20000;   // accepted; text is laid out left to right
constexpr unsigned DT_WORD_ELLIPSIS = 0x40000; // drawn as DT_END_ELLIPSIS

// Options of TCanvas::ExtTextOut.
constexpr unsigned ETO_OPAQUE = 0x2;
constexpr unsigned ETO_CLIPPED = 0x4;

// Reference point of TextOut (SetTextAlign).
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

// Background mode of text and styled lines (SetBkMode).
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

} // namespace gfx
