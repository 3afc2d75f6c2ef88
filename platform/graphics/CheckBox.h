#pragma once
// The check box of grid cells and tool controls: a 13 x 13 box, sunken (or a flat one-pixel frame),
// white inside, a check mark when checked; greyed shows the mark in grey on the button face.
#include "Geometry.h"

namespace gfx {

class TCanvas;

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
using enum TCheckBoxState;

constexpr int CheckBoxSize = 13;

// Paints the box centred in r (clipped to r when r is smaller).
void PaintCheckBox(TCanvas& canvas, const TRect& r, TCheckBoxState state, bool flat, bool enabled = true);

} // namespace gfx
