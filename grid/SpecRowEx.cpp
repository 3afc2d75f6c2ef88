// TSpecRowEx: the extra "none" row of lookup lists.
#include "grid/ToolCtrlsEx.h"

namespace {
bool control(QChar c) { return c.unicode() >= 1 && c.unicode() <= 31; }

QStringList parseCells(const QString& text)
{
    QStringList cells;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipControls = [&] {
        while (i < n && control(text[i]))
            ++i;
    };
    skipControls();
    while (i < n) {
        QString value;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        value += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
        } else {
            while (i < n && text[i] != QLatin1Char(';') && !control(text[i]))
                value += text[i++];
        }
        cells.append(value);
        // After a value: control characters, then one ';' with the control characters after it.
        skipControls();
        if (i < n && text[i] == QLatin1Char(';')) {
            ++i;
            skipControls();
        }
    }
    return cells;
}
} // namespace

TSpecRowEx::TSpecRowEx() : shortCut_(Qt::AltModifier, Qt::Key_Delete) {}

void TSpecRowEx::changed()
{
    if (updateCount_ == 0 && OnChange)
        OnChange();
}

void TSpecRowEx::EndUpdate()
{
    if (updateCount_ > 0)
        --updateCount_;
    if (OnChange)
        OnChange();
}

void TSpecRowEx::SetCellsText(const QString& text)
{
    cellsText_ = text;
    cellTexts_ = parseCells(text);
    changed();
}

void TSpecRowEx::SetColor(gfx::TColor c)
{
    color_ = c;
    colorAssigned_ = true;
    changed();
}

void TSpecRowEx::SetFont(const gfx::TFont& f)
{
    font_.Assign(f);
    fontAssigned_ = true;
    changed();
}

void TSpecRowEx::SetShortCut(QKeyCombination k)
{
    shortCut_ = k;
    changed();
}

void TSpecRowEx::SetShowIfNotInKeyList(bool v)
{
    showIfNotInKeyList_ = v;
    changed();
}

void TSpecRowEx::SetValue(const QVariant& v)
{
    value_ = v;
    changed();
}

void TSpecRowEx::SetVisible(bool v)
{
    visible_ = v;
    changed();
}

bool TSpecRowEx::LocateKey(const QVariant& key) const
{
    return visible_ && VarEquals(value_, key);
}

void TSpecRowEx::Assign(const TSpecRowEx& s)
{
    BeginUpdate();
    SetCellsText(s.cellsText_);
    color_ = s.color_;
    colorAssigned_ = s.colorAssigned_;
    if (s.fontAssigned_)
        SetFont(s.font_);
    shortCut_ = s.shortCut_;
    showIfNotInKeyList_ = s.showIfNotInKeyList_;
    value_ = s.value_;
    visible_ = s.visible_;
    EndUpdate();
}
