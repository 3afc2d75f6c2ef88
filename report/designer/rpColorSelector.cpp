#include "report/designer/rpColorSelector.h"

#include "platform/controls/DialogPort.h"
#include "report/rpCtrls.h"
#include "report/rpGlobals.h"
#include "report/rpStrings.h"

#include <QColorDialog>
#include <QImage>
#include <QPainter>
#include <qdrawutil.h>

namespace {

// The colour dialog on a colour; false when cancelled.
bool colorDialog(QWidget* parent, gfx::TColor& color)
{
    QColorDialog dialog(parent);
    dialog.setCurrentColor(gfx::ToQColor(color));
    if (ctl::ExecDialog(dialog) != QDialog::Accepted || !dialog.selectedColor().isValid())
        return false;
    color = gfx::FromQColor(dialog.selectedColor());
    return true;
}

// The buttons take olive as their transparent colour; an olive swatch is drawn one step off it so that
// it shows.
QColor swatchColor(gfx::TColor c)
{
    QColor q = gfx::ToQColor(c);
    if (q.rgb() == qRgb(128, 128, 0))
        q.setBlue(1);
    return q;
}

// A square of the colour framed in grey text colour, on the button face, inside a glyph of w x h.
QImage swatch(gfx::TColor c, int w, int h, int side)
{
    QImage g(w, h, QImage::Format_RGB32);
    g.fill(gfx::ToQColor(gfx::clBtnFace));
    QPainter p(&g);
    const int left = (w - side) / 2, top = (w == h) ? (h - side) / 2 : 0;
    p.fillRect(left, top, side, side, swatchColor(c));
    p.setPen(gfx::ToQColor(gfx::clGrayText));
    p.drawRect(left, top, side - 1, side - 1);
    return g;
}

} // namespace

TColorSelector::TColorSelector(QWidget* owner) : QWidget(owner)
{
    setObjectName(QStringLiteral("ColorSelector"));
    setAutoFillBackground(true);
    resize(96, 132);
    auto make = [this](int tag) {
        auto* b = new TrpSpeedButton(this);
        b->setObjectName(QStringLiteral("ColorButton%1").arg(tag));
        b->setProperty("Tag", tag);
        b->SetFlat(true);
        b->SetGroupIndex(1);
        b->SetInactiveGrayed(false);
        b->OnClick = [this, tag] { ButtonClick(tag); };
        buttons_.append(b);
        return b;
    };
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            TrpSpeedButton* b = make(row * 4 + col);
            b->setGeometry(4 + 22 * col, 4 + 22 * row, 22, 22);
            b->SetGlyph(swatch(rpColors[row * 4 + col], 16, 16, 14));
        }
    TrpSpeedButton* none = make(16);
    none->setGeometry(4, 92, 88, 18);
    none->SetCaption(rpLoadStr(55228));
    TrpSpeedButton* other = make(17);
    other->setGeometry(4, 110, 88, 18);
    other->SetCaption(rpLoadStr(55229));
}

void TColorSelector::ButtonClick(int tag)
{
    if (tag < 16) {
        Color = rpColors[tag];
    } else if (tag == 16) {
        Color = gfx::clNone;
    } else {
        gfx::TColor chosen = Color == gfx::clNone ? gfx::clBlack : Color;
        if (!colorDialog(this, chosen))
            return;
        Color = chosen;
    }
    hide();
    if (OnColorSelected)
        OnColorSelected(this);
}

void TColorSelector::SetColor(gfx::TColor color)
{
    Color = color;
    for (int i = 0; i < 16; ++i)
        if (rpColors[i] == color) {
            buttons_[i]->SetDown(true);
            buttons_[17]->SetGlyph(QImage());
            return;
        }
    if (color == gfx::clNone) {
        buttons_[16]->SetDown(true);
        return;
    }
    buttons_[17]->SetGlyph(swatch(color, 12, 13, 12));
}

void TColorSelector::paintEvent(QPaintEvent*)
{
    // A raised panel, so that the drop-down stands apart from the page under it.
    QPainter p(this);
    qDrawShadePanel(&p, rect(), palette(), false, 1);
}
