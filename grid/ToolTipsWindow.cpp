#include "grid/ToolTipsWindow.h"
#include "platform/graphics/Color.h"
#include <QFontMetrics>
#include <QPainter>

namespace {
// The text stands 2 pixels in from the left and top; the window is 6 wider and 2 higher than the text
// (plus its one-pixel frame on each side).
constexpr int kMarginX = 2, kMarginY = 2, kExtraW = 6, kExtraH = 2, kFrame = 1;
} // namespace

TToolTipsWindow::TToolTipsWindow(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

QRect TToolTipsWindow::CalcHintRect(int maxWidth, const QString& hint, const gfx::TFont& font)
{
    gfx::TFont f;
    f.Assign(font);
    f.SetColor(gfx::clWindowText);
    font_ = f.ToQFont();
    color_ = gfx::ToQColor(f.Color());
    wrap_ = maxWidth > 0;
    const QFontMetrics fm(font_);
    const QRect text = wrap_ ? fm.boundingRect(QRect(0, 0, maxWidth, 1 << 20), Qt::TextWordWrap, hint)
                             : QRect(0, 0, fm.horizontalAdvance(hint), fm.height());
    return QRect(0, 0, text.width() + kExtraW + 2 * kFrame, text.height() + kExtraH + 2 * kFrame);
}

void TToolTipsWindow::ActivateHint(const QRect& rect, const QString& hint)
{
    hint_ = hint;
    setGeometry(rect);
    show();
    raise();
    update();
}

void TToolTipsWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().toolTipBase());
    p.setPen(palette().toolTipText().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setFont(font_);
    p.setPen(color_);
    const QRect text = rect().adjusted(kFrame + kMarginX, kFrame + kMarginY, -kFrame, -kFrame);
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop | (wrap_ ? Qt::TextWordWrap : 0), hint_);
}
