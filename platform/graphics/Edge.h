#pragma once
// Three-dimensional edges in the system colours: each border kind is one ring of one-pixel lines,
// light on the top and left, dark on the bottom and right (the top-right and bottom-left corner
// pixels belong to the dark side).
#include "Geometry.h"

namespace gfx {

class TCanvas;

constexpr unsigned BDR_RAISEDOUTER = 0x1;
constexpr unsigned BDR_SUNKENOUTER = 0x2;
constexpr unsigned BDR_RAISEDINNER = 0x4;
constexpr unsigned BDR_SUNKENINNER = 0x8;
constexpr unsigned BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
constexpr unsigned BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr unsigned BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr unsigned BF_LEFT = 0x1;
constexpr unsigned BF_TOP = 0x2;
constexpr unsigned BF_RIGHT = 0x4;
constexpr unsigned BF_BOTTOM = 0x8;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr unsigned BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x800;  // fill the inside in clBtnFace
constexpr unsigned BF_SOFT = 0x1000;   // accepted, drawn as without it
constexpr unsigned BF_ADJUST = 0x2000; // shrink the rectangle by what was drawn
constexpr unsigned BF_FLAT = 0x4000;   // clBtnShadow outer ring, clBtnFace inner ring
constexpr unsigned BF_MONO = 0x8000;   // clWindowFrame outer ring, clWindow inner ring

// Draws the edge kinds of 'edge' on the sides of 'flags'; false when r is empty.
bool DrawEdge(TCanvas& canvas, TRect& r, unsigned edge, unsigned flags);
inline bool DrawEdge(TCanvas& canvas, const TRect& r, unsigned edge, unsigned flags)
{
    TRect copy = r;
    return DrawEdge(canvas, copy, edge, flags & ~BF_ADJUST);
}

} // namespace gfx
