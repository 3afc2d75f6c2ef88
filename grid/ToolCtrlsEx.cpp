#include "grid/ToolCtrlsEx.h"
#include "platform/data/DataSet.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Field.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Edge.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <cmath>

namespace {
constexpr int FirstRepeatMs = 400;
constexpr int RepeatMs = 100;
} // namespace

qint64 SteadyClockMs()
{
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t.elapsed();
}

int GetDefaultFlatButtonWidth()
{
    const int scrollBar = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int w = int(std::lround(QFontMetrics(QApplication::font()).height() * 2.0 / 3.0));
    if (w % 2 == 0)
        --w;
    return std::max(1, std::min(w, scrollBar % 2 ? scrollBar : scrollBar - 1));
}

int FlatButtonWidth()
{
    static const int width = GetDefaultFlatButtonWidth();
    return width;
}

TEditButtonControlEx::TEditButtonControlEx(QWidget* parent) : QWidget(parent)
{
    resize(10, 17);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, [this] { TimerTick(); });
}

void TEditButtonControlEx::SetStyle(TEditButtonStyleEx s)
{
    style_ = s;
    update();
}

void TEditButtonControlEx::SetAlwaysDown(bool v)
{
    alwaysDown_ = v;
    down_ = v;
    half_ = v ? 1 : 0;
    update();
}

int TEditButtonControlEx::halfAt(int y) const
{
    if (style_ != ebsUpDownEx)
        return 1;
    const int half = height() / 2;
    if (y < half)
        return 1;
    if (y >= height() - half)
        return 2;
    return 0;  // the middle line of an odd height
}

void TEditButtonControlEx::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    down_ = true;
    noClick_ = false;
    half_ = halfAt(int(e->position().y()));
    update();
    if (half_ == 0)
        return;
    bool autoRepeat = style_ == ebsUpDownEx;
    if (OnDown)
        OnDown(this, half_ == 1, autoRepeat);
    if (autoRepeat)
        timer_.start(FirstRepeatMs);
}

void TEditButtonControlEx::TimerTick()
{
    if (!down_) {
        timer_.stop();
        return;
    }
    if (timer_.interval() == FirstRepeatMs)
        timer_.setInterval(RepeatMs);
    bool autoRepeat = true;
    if (OnDown)
        OnDown(this, half_ == 1, autoRepeat);
    if (!autoRepeat)
        timer_.stop();
}

void TEditButtonControlEx::mouseMoveEvent(QMouseEvent* e)
{
    if (!down_ || style_ != ebsUpDownEx || alwaysDown_)
        return;
    // Leaving the pressed half pops the button up.
    const int y = int(e->position().y()), half = height() / 2;
    if ((half_ == 1 && y >= height() - half) || (half_ == 2 && y < half)) {
        down_ = false;
        timer_.stop();
        update();
    }
}

void TEditButtonControlEx::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const bool wasDown = down_;
    timer_.stop();
    if (!alwaysDown_) {
        down_ = false;
        half_ = 0;
    }
    update();
    if (wasDown && !noClick_ && rect().contains(e->position().toPoint()) && OnClick)
        OnClick(this);
}

void TEditButtonControlEx::SetGlyph(const QImage& glyph, int numGlyphs)
{
    glyph_ = glyph;
    numGlyphs_ = std::clamp(numGlyphs, 1, 4);
    update();
}

void TEditButtonControlEx::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    gfx::TCanvas canvas(&p);
    const gfx::TRect all(0, 0, width(), height());
    const gfx::TColor parentColor = gfx::FromQColor(parentWidget() ? parentWidget()->palette().color(QPalette::Base)
                                                                  : palette().color(QPalette::Window));
    if (style_ != ebsGlyphEx) {
        PaintButtonControlEx(canvas, all, parentColor, DrawStyleOf(style_), down_ ? half_ : 0, flat_, active_,
                             isEnabled(), gfx::cbUnchecked);
        return;
    }
    // A glyph button: the face, the part of the glyph for its state centred, then a flat button's edge.
    canvas.FillSolid(all, gfx::clBtnFace);
    if (!flat_)
        gfx::DrawEdge(canvas, all, down_ ? gfx::BDR_SUNKENOUTER : gfx::EDGE_RAISED, gfx::BF_RECT);
    else if (active_)
        gfx::DrawEdge(canvas, all, down_ ? gfx::BDR_SUNKENOUTER : gfx::BDR_RAISEDINNER, gfx::BF_RECT);
    else {
        canvas.Brush().SetColor(parentColor);
        canvas.FrameRect(all);
    }
    if (glyph_.isNull())
        return;
    const int w = glyph_.width() / numGlyphs_;
    int part = 0;
    if (!isEnabled() && numGlyphs_ > 1)
        part = 1;
    else if (down_ && numGlyphs_ > 2)
        part = 2;
    const QImage piece = glyph_.copy(part * w, 0, w, glyph_.height());
    const QPoint at((width() - w) / 2 + (down_ ? 1 : 0), (height() - piece.height()) / 2 + (down_ ? 1 : 0));
    p.setClipRect(rect().adjusted(1, 1, -1, -1));
    p.drawImage(at, piece);
}

TEditButtonEx::TEditButtonEx(TEditButtonsEx* collection) : collection_(collection) {}

void TEditButtonEx::Changed()
{
    if (collection_)
        collection_->Update();
}

void TEditButtonEx::SetGlyph(const QImage& g)
{
    glyph_ = g;
    Changed();
}

void TEditButtonEx::SetHint(const QString& h)
{
    hint_ = h;
    Changed();
}

void TEditButtonEx::SetNumGlyphs(int n)
{
    numGlyphs_ = std::clamp(n, 1, 4);
    Changed();
}

void TEditButtonEx::SetStyle(TEditButtonStyleEx s)
{
    style_ = s;
    Changed();
}

void TEditButtonEx::SetVisible(bool v)
{
    visible_ = v;
    Changed();
}

void TEditButtonEx::SetWidth(int w)
{
    width_ = w;
    Changed();
}

void TEditButtonEx::Assign(const TEditButtonEx& s)
{
    dropdownMenu_ = s.dropdownMenu_;
    glyph_ = s.glyph_;
    hint_ = s.hint_;
    numGlyphs_ = s.numGlyphs_;
    shortCut_ = s.shortCut_;
    style_ = s.style_;
    visible_ = s.visible_;
    width_ = s.width_;
    OnClick = s.OnClick;
    OnDown = s.OnDown;
    Changed();
}

TEditButtonControlEx* TEditButtonEx::CreateEditButtonControl(QWidget* edit) const
{
    auto* b = new TEditButtonControlEx(edit);
    b->resize(10, 17);
    b->show();
    return b;
}

TVisibleEditButtonEx::TVisibleEditButtonEx(TEditButtonsEx* collection) : TEditButtonEx(collection)
{
    visible_ = true;
    shortCut_ = QKeyCombination(Qt::AltModifier, Qt::Key_Down);
}

TEditButtonsEx::TEditButtonsEx(TItemFactory factory) : factory_(std::move(factory)) {}

TEditButtonEx* TEditButtonsEx::Add()
{
    items_.push_back(factory_ ? factory_(this) : std::make_unique<TEditButtonEx>(this));
    Update();
    return items_.back().get();
}

void TEditButtonsEx::Delete(int i)
{
    items_.erase(items_.begin() + i);
    Update();
}

void TEditButtonsEx::Clear()
{
    items_.clear();
    Update();
}

void TEditButtonsEx::Assign(const TEditButtonsEx& source)
{
    const auto notify = std::move(OnChange);
    OnChange = nullptr;
    items_.clear();
    for (const auto& item : source.items_)
        Add()->Assign(*item);
    OnChange = notify;
    Update();
}

void TEditButtonsEx::Update()
{
    if (OnChange)
        OnChange();
}

bool VarEquals(const QVariant& v1, const QVariant& v2)
{
    const bool list1 = v1.typeId() == QMetaType::QVariantList, list2 = v2.typeId() == QMetaType::QVariantList;
    if (list1 != list2)
        return false;
    if (!list1) {
        if (v1.isNull() || v2.isNull())
            return v1.isNull() && v2.isNull();
        return v1 == v2;
    }
    const QVariantList a = v1.toList(), b = v2.toList();
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!VarEquals(a[i], b[i]))
            return false;
    return true;
}

std::vector<TField*> GetFieldsProperty(TDataSet* dataSet, const QString& componentName, const QString& fieldNames)
{
    std::vector<TField*> fields;
    for (const QString& raw : fieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = raw.trimmed();
        TField* f = dataSet ? dataSet->FindField(name) : nullptr;
        if (!f) {
            const QString text = QStringLiteral("Field '%1' not found").arg(name);
            throw EDatabaseError(componentName.isEmpty() ? text : componentName + QStringLiteral(": ") + text);
        }
        fields.push_back(f);
    }
    return fields;
}

TField* StoredFieldOf(TField* field)
{
    if (!field || field->FieldKind() != fkLookup)
        return field;
    const QString first = field->KeyFields().section(QLatin1Char(';'), 0, 0).trimmed();
    return field->DataSet()->FindField(first);
}

QVariant FieldValues(TDataSet* dataSet, const QString& fieldNames)
{
    QVariantList values;
    for (TField* f : GetFieldsProperty(dataSet, QString(), fieldNames))
        values << f->Value();
    return values.size() == 1 ? values.front() : QVariant(values);
}

void DataSetSetFieldValues(TDataSet* dataSet, const QString& fieldNames, const QVariant& value)
{
    const std::vector<TField*> fields = GetFieldsProperty(dataSet, QString(), fieldNames);
    if (value.isNull()) {
        for (TField* f : fields)
            f->Clear();
        return;
    }
    if (fields.size() == 1) {
        fields[0]->SetValue(value);
        return;
    }
    const QVariantList values = value.toList();
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(i < size_t(values.size()) ? values[qsizetype(i)] : QVariant());
}
