#pragma once
// The drop-down colour palette of the designer's colour buttons: sixteen swatches, "Transparent" (no
// fill) and "Other..." (any colour through the colour dialog).
#include "platform/graphics/Color.h"

#include <QList>
#include <QWidget>
#include <functional>

class TrpSpeedButton;

class TColorSelector : public QWidget {
public:
    explicit TColorSelector(QWidget* owner);

    gfx::TColor Color = gfx::clNone;
    std::function<void(TColorSelector* sender)> OnColorSelected;

    void SetColor(gfx::TColor color);
    void ButtonClick(int tag);
    // The buttons by Tag: 0..15 the palette, 16 "Transparent", 17 "Other...".
    TrpSpeedButton* Button(int tag) const { return buttons_.value(tag); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<TrpSpeedButton*> buttons_;
};
