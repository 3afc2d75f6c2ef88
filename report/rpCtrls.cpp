#include "report/rpCtrls.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>
#include <algorithm>

namespace {

// The process-wide count of buttons in existence.
int g_buttons = 0;

QList<TGlyphList*>& glyphLists()
{
    static QList<TGlyphList*> lists;
    return lists;
}

QRgb faceColor(const QWidget* w)
{
    return w->palette().color(QPalette::Button).rgb();
}

// The 8 x 8 pattern of a button held down in a group: white where row and column have the same parity.
QBrush patternBrush(QRgb face)
{
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, (x % 2) == (y % 2) ? qRgb(255, 255, 255) : face);
    return QBrush(pattern);
}

} // namespace

// ---- glyph lists --------------------------------------------------------------------------------------

int TGlyphList::Add(const QImage& image)
{
    int slot = int(used_.indexOf(false));
    if (slot < 0) {
        slot = int(used_.size());
        used_.append(true);
        images_.append(image);
    } else {
        used_[slot] = true;
        images_[slot] = image;
    }
    ++count_;
    return slot;
}

void TGlyphList::Delete(int index)
{
    if (index < 0 || index >= used_.size() || !used_[index])
        return;
    used_[index] = false;
    images_[index] = QImage();
    --count_;
}

TGlyphList* TGlyphCache::GetList(int width, int height)
{
    auto& lists = glyphLists();
    for (int i = int(lists.size()) - 1; i >= 0; --i) // newest first
        if (lists[i]->Width == width && lists[i]->Height == height)
            return lists[i];
    lists.append(new TGlyphList(width, height));
    return lists.last();
}

void TGlyphCache::ReturnList(TGlyphList* list)
{
    if (list && list->Count() == 0) {
        glyphLists().removeOne(list);
        delete list;
    }
}

// ---- button glyph -------------------------------------------------------------------------------------

TButtonGlyph::~TButtonGlyph()
{
    invalidate();
}

void TButtonGlyph::invalidate()
{
    if (list_) {
        for (int& i : indices_) {
            if (i >= 0)
                list_->Delete(i);
            i = -1;
        }
        TGlyphCache::ReturnList(list_);
        list_ = nullptr;
    }
    indices_.fill(-1);
}

void TButtonGlyph::SetGlyph(const QImage& glyph)
{
    invalidate();
    glyph_ = glyph.convertToFormat(QImage::Format_RGB32);
    if (OnChange)
        OnChange();
}

void TButtonGlyph::SetNumGlyphs(int n)
{
    n = std::clamp(n, 1, 4);
    if (n == numGlyphs_)
        return;
    invalidate();
    numGlyphs_ = n;
    if (OnChange)
        OnChange();
}

QImage TButtonGlyph::StateImage(TrpButtonState state)
{
    if (state == fbsDown && numGlyphs_ < 3)
        state = fbsUp;
    if (glyph_.isNull())
        return QImage();
    if (indices_[state] >= 0)
        return list_->Image(indices_[state]);
    const int w = glyph_.width() / numGlyphs_;
    const int h = glyph_.height();
    if (w <= 0)
        return QImage();
    const int cellNo = state < numGlyphs_ && state != fbsInactive ? int(state) : 0;
    const QImage cell = glyph_.copy(cellNo * w, 0, w, h);
    const QRgb face = qRgb(192, 192, 192);
    QImage made;
    switch (state) {
    case fbsDisabled:
        if (numGlyphs_ < 2) {
            made = rpEmbossedImage(cell, TransparentColor, face, qRgb(255, 255, 255), qRgb(128, 128, 128));
        } else {
            made = cell;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const QRgb c = made.pixel(x, y) & 0xFFFFFF;
                    if (c == (qRgb(255, 255, 255) & 0xFFFFFF))
                        made.setPixel(x, y, qRgb(255, 255, 255));
                    else if (c == (qRgb(128, 128, 128) & 0xFFFFFF))
                        made.setPixel(x, y, qRgb(128, 128, 128));
                    else if (c == (TransparentColor & 0xFFFFFF))
                        made.setPixel(x, y, face);
                }
        }
        break;
    case fbsInactive:
        made = rpInactiveImage(cell, TransparentColor, face);
        break;
    default: {
        // Masked by the transparent colour: those pixels let the face show through.
        made = cell.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((made.pixel(x, y) & 0xFFFFFF) == (TransparentColor & 0xFFFFFF))
                    made.setPixel(x, y, 0);
        break;
    }
    }
    if (!list_)
        list_ = TGlyphCache::GetList(w, h);
    indices_[state] = list_->Add(made);
    return made;
}

QImage rpInactiveImage(const QImage& cell, QRgb transparent, QRgb face)
{
    QImage out = cell.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            QRgb c = out.pixel(x, y);
            if ((c & 0xFFFFFF) == (transparent & 0xFFFFFF))
                c = face;
            if ((c & 0xFFFFFF) != (face & 0xFFFFFF)) {
                const int g = (qRed(c) * 77 + qGreen(c) * 150 + qBlue(c) * 29) >> 8;
                c = qRgb(g, g, g);
            }
            out.setPixel(x, y, c);
        }
    return out;
}

QImage rpEmbossedImage(const QImage& cell, QRgb transparent, QRgb face, QRgb highlight, QRgb shadow)
{
    // The mask: black where the glyph draws, the transparent colour and white are background. Its
    // shape goes down in the highlight colour at (1, 1), then in the shadow colour in place.
    const int w = cell.width(), h = cell.height();
    auto shape = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return false;
        const QRgb c = cell.pixel(x, y) & 0xFFFFFF;
        return c != (transparent & 0xFFFFFF) && c != 0xFFFFFF;
    };
    QImage out(w, h, QImage::Format_RGB32);
    out.fill(face);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (shape(x, y))
                out.setPixel(x, y, shadow);
            else if (shape(x - 1, y - 1))
                out.setPixel(x, y, highlight);
        }
    return out;
}

// ---- speed button -------------------------------------------------------------------------------------

TrpSpeedButton::TrpSpeedButton(QWidget* parent) : QWidget(parent)
{
    resize(22, 22);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    glyph_.OnChange = [this] { update(); };
    ++g_buttons;
}

TrpSpeedButton::~TrpSpeedButton()
{
    --g_buttons;
}

void TrpSpeedButton::DrawGlyph(QPainter& painter, int x, int y, bool enabled)
{
    const QImage image = glyph_.StateImage(enabled ? fbsUp : fbsDisabled);
    if (image.isNull())
        return;
    painter.fillRect(x, y, image.width(), image.height(), QColor(faceColor(this)));
    painter.drawImage(x, y, image);
}

void TrpSpeedButton::SetDown(bool down)
{
    if (groupIndex_ == 0)
        down = false;
    if (down == down_)
        return;
    if (down_ && !allowAllUp_)
        return;
    down_ = down;
    state_ = down ? fbsExclusive : fbsUp;
    update();
    if (down)
        updateGroup();
}

void TrpSpeedButton::SetFlat(bool flat)
{
    if (flat != flat_) {
        flat_ = flat;
        update();
    }
}

void TrpSpeedButton::SetGroupIndex(int index)
{
    if (index != groupIndex_) {
        groupIndex_ = index;
        updateGroup();
    }
}

void TrpSpeedButton::SetAllowAllUp(bool allow)
{
    if (allow != allowAllUp_) {
        allowAllUp_ = allow;
        updateGroup();
    }
}

void TrpSpeedButton::SetLayout(TrpButtonLayout layout)
{
    if (layout != layout_) {
        layout_ = layout;
        update();
    }
}

void TrpSpeedButton::SetMargin(int margin)
{
    if (margin >= -1 && margin != margin_) {
        margin_ = margin;
        update();
    }
}

void TrpSpeedButton::SetSpacing(int spacing)
{
    if (spacing != spacing_) {
        spacing_ = spacing;
        update();
    }
}

void TrpSpeedButton::SetInactiveGrayed(bool grayed)
{
    if (grayed != grayedInactive_) {
        grayedInactive_ = grayed;
        update();
    }
}

void TrpSpeedButton::SetCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

// Tells the buttons of the same parent and group that this one went down.
void TrpSpeedButton::updateGroup()
{
    if (groupIndex_ == 0 || !parentWidget())
        return;
    for (QObject* o : parentWidget()->children())
        if (auto* b = dynamic_cast<TrpSpeedButton*>(o); b && b != this)
            b->ButtonPressed(groupIndex_, this);
}

void TrpSpeedButton::ButtonPressed(int groupIndex, TrpSpeedButton* sender)
{
    if (groupIndex != groupIndex_ || sender == this)
        return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = fbsUp;
        update();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TrpSpeedButton::paintEvent(QPaintEvent*)
{
    TrpButtonState paintState = state_;
    if (grayedInactive_ && isEnabled() && flat_ && !mouseIn_)
        paintState = fbsInactive;
    if (!isEnabled()) {
        paintState = fbsDisabled;
        dragging_ = false;
    } else if (paintState == fbsDisabled) {
        paintState = down_ && groupIndex_ != 0 ? fbsExclusive : fbsUp;
    }
    painted_ = paintState;
    const QRgb face = faceColor(this);
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, QColor(face));
    if (flat_) {
        if (paintState == fbsDown)
            r.translate(1, 1);
    } else {
        const bool pressed = paintState == fbsDown || paintState == fbsExclusive;
        p.setPen(pressed ? palette().color(QPalette::Dark) : palette().color(QPalette::Light));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(pressed ? palette().color(QPalette::Light) : palette().color(QPalette::Dark));
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
        if (pressed)
            r.translate(1, 1);
    }
    const bool pattern = flat_ ? (isEnabled() && !mouseIn_ && (state_ == fbsExclusive)) : paintState == fbsExclusive;
    if (pattern)
        p.fillRect(rect().adjusted(1, 1, -1, -1), patternBrush(face));

    // Glyph and caption: centred along the layout axis with the margin and spacing rules.
    const QImage image = glyph_.StateImage(paintState);
    const QSize g = image.isNull() ? QSize() : image.size();
    const QSize t = caption_.isEmpty() ? QSize() : fontMetrics().size(Qt::TextSingleLine, caption_);
    const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    const int along = horizontal ? r.width() : r.height();
    const int gl = horizontal ? g.width() : g.height();
    const int tl = horizontal ? t.width() : t.height();
    int spacing = (image.isNull() || caption_.isEmpty()) ? 0 : spacing_;
    int margin = margin_;
    if (margin == -1 && spacing_ == -1) {
        margin = spacing = std::max(0, along - gl - tl) / 3;
    } else if (margin == -1) {
        margin = std::max(0, (along - gl - tl - spacing) / 2);
    } else if (spacing_ == -1) {
        spacing = std::max(0, (along - margin - gl - tl) / 2);
    }
    int gx = 0, gy = 0, tx = 0, ty = 0;
    switch (layout_) {
    case blGlyphLeft: gx = margin; tx = gx + gl + spacing; break;
    case blGlyphRight: gx = r.width() - margin - gl; tx = gx - spacing - tl; break;
    case blGlyphTop: gy = margin; ty = gy + gl + spacing; break;
    case blGlyphBottom: gy = r.height() - margin - gl; ty = gy - spacing - tl; break;
    }
    if (horizontal) {
        gy = (r.height() - g.height()) / 2;
        ty = (r.height() - t.height()) / 2;
    } else {
        gx = (r.width() - g.width()) / 2;
        tx = (r.width() - t.width()) / 2;
    }
    if (!image.isNull())
        p.drawImage(r.left() + gx, r.top() + gy, image);
    if (!caption_.isEmpty()) {
        const QRect textRect(r.left() + tx, r.top() + ty, t.width(), t.height());
        if (isEnabled()) {
            p.setPen(palette().color(QPalette::ButtonText));
            p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, caption_);
        } else {
            p.setPen(Qt::white);
            p.drawText(textRect.translated(1, 1), 0, caption_);
            p.setPen(QColor(128, 128, 128));
            p.drawText(textRect, 0, caption_);
        }
    }
    if (flat_ && isEnabled() && (mouseIn_ || state_ == fbsExclusive)) {
        const bool sunken = state_ == fbsDown || state_ == fbsExclusive;
        p.setPen(sunken ? palette().color(QPalette::Dark) : palette().color(QPalette::Light));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(sunken ? palette().color(QPalette::Light) : palette().color(QPalette::Dark));
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
}

void TrpSpeedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    dragging_ = true;
    if (!down_) {
        state_ = fbsDown;
        update();
    }
}

void TrpSpeedButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    const TrpButtonState s = inside ? (down_ ? fbsExclusive : fbsDown) : (down_ ? fbsExclusive : fbsUp);
    if (s != state_) {
        state_ = s;
        update();
    }
}

void TrpSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    const QPoint pos = event->position().toPoint();
    const bool inside = pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
    if (groupIndex_ == 0) {
        state_ = fbsUp;
        mouseIn_ = false;
    } else if (inside) {
        SetDown(!down_);
        state_ = down_ ? fbsExclusive : fbsUp;
    } else {
        state_ = down_ ? fbsExclusive : fbsUp;
    }
    if (flat_)
        mouseIn_ = inside;
    update();
    if (inside && OnClick)
        OnClick();
}

void TrpSpeedButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (down_ && OnDblClick)
        OnDblClick();
    else
        mousePressEvent(event);
}

void TrpSpeedButton::enterEvent(QEnterEvent*)
{
    if (!flat_ || !isEnabled() || mouseIn_)
        return;
    if (OnMouseEnter)
        OnMouseEnter();
    mouseIn_ = true;
    update();
}

void TrpSpeedButton::leaveEvent(QEvent*)
{
    if (!flat_ || !isEnabled() || !mouseIn_)
        return;
    if (OnMouseLeave)
        OnMouseLeave();
    mouseIn_ = false;
    update();
}

void TrpSpeedButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

// ---- tool-bar controls --------------------------------------------------------------------------------

Qt::Alignment rpToolBarControlAlign(const QWidget* control)
{
    const QWidget* bar = control->parentWidget();
    const QWidget* dock = bar ? bar->parentWidget() : nullptr;
    if (dock) {
        const int align = dock->property("rpAlign").toInt();
        if (align == Qt::AlignLeft || align == Qt::AlignRight)
            return Qt::AlignTop;
    }
    return Qt::AlignLeft;
}

TrpTBButton::TrpTBButton(QWidget* parent) : TrpSpeedButton(parent)
{
    SetFlat(true);
}

TrpTBSeparator::TrpTBSeparator(QWidget* parent) : QWidget(parent)
{
    resize(8, 8);
}

void TrpTBSeparator::SetDrawBevel(bool draw)
{
    drawBevel_ = draw;
    update();
}

void TrpTBSeparator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (!drawBevel_)
        return;
    const QColor shadow = palette().color(QPalette::Dark), highlight = palette().color(QPalette::Light);
    if (rpToolBarControlAlign(this) == Qt::AlignTop) { // a line across a column
        p.setPen(shadow);
        p.drawLine(2, height() / 2 - 1, width() - 2, height() / 2 - 1);
        p.setPen(highlight);
        p.drawLine(2, height() / 2, width() - 2, height() / 2);
    } else {
        p.setPen(shadow);
        p.drawLine(width() / 2 - 1, 2, width() / 2 - 1, height() - 2);
        p.setPen(highlight);
        p.drawLine(width() / 2, 2, width() / 2, height() - 2);
    }
}

TrpTBPanel::TrpTBPanel(QWidget* parent) : QWidget(parent)
{
    resize(8, 8);
}

void TrpTBPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
}
