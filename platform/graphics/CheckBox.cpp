#include "CheckBox.h"
#include "Canvas.h"
#include "Color.h"
#include "Edge.h"

namespace gfx {

namespace {

// Top row of each of the mark's seven columns; every column is three pixels tall.
constexpr int kMarkTop[7] = {2, 3, 4, 3, 2, 1, 0};

} // namespace

void PaintCheckBox(TCanvas& canvas, const TRect& r, TCheckBoxState state, bool flat, bool enabled)
{
    QPainter* p = canvas.Painter();
    if (!p || r.IsEmpty())
        return;
    TRect box = Bounds(r.Left + (r.Width() - CheckBoxSize) / 2, r.Top + (r.Height() - CheckBoxSize) / 2,
                       CheckBoxSize, CheckBoxSize);
    p->save();
    p->setClipRect(r.toQRect(), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (flat) {
        DrawEdge(canvas, box, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_ADJUST);
    } else {
        DrawEdge(canvas, box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    const bool dim = state == cbGrayed || !enabled;
    canvas.FillSolid(box, state == cbGrayed ? clBtnFace : clWindow);
    if (state != cbUnchecked) {
        const TColor ink = dim ? clBtnShadow : clWindowText;
        const int x0 = box.Left + (box.Width() - 7) / 2, y0 = box.Top + (box.Height() - 7) / 2;
        for (int x = 0; x < 7; ++x)
            canvas.FillSolid(Bounds(x0 + x, y0 + kMarkTop[x], 1, 3), ink);
    }
    p->restore();
}

} // namespace gfx
