#pragma once
#include <QFont>
#include <QWidget>

#include "platform/graphics/FontNames.h"

// The forms' font: 8-point "MS Sans Serif", drawn by the installed font of the same metrics.
inline void SetFormFont(QWidget* form)
{
    QFont font(gfx::ResolveFontFamily(QStringLiteral("MS Sans Serif")));
    font.setPointSize(8);
    form->setFont(font);
}
