#include "platform/controls/FormFont.h"
#include "platform/graphics/FontNames.h"

#include <QFont>
#include <QWidget>

namespace ctl {

void SetFormFont(QWidget* form)
{
    QFont font(gfx::ResolveFontFamily(QStringLiteral("MS Sans Serif")));
    font.setPointSize(8);
    form->setFont(font);
}

} // namespace ctl
