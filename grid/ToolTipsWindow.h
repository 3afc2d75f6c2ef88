#pragma once
// The hint window of the grid's tool tips: the whole text of a clipped cell, shown over the cell in the
// cell's own font.
#include "platform/graphics/Font.h"
#include <QFont>
#include <QWidget>

class TToolTipsWindow : public QWidget {
public:
    explicit TToolTipsWindow(QWidget* parent = nullptr);
    // The window's size for a hint: the text in the font given as the hint's data, in the window text
    // colour, wrapped within maxWidth when that is above 0, with the hint window's margins.
    QRect CalcHintRect(int maxWidth, const QString& hint, const gfx::TFont& font);
    // Shows the hint in a rectangle of the screen.
    void ActivateHint(const QRect& rect, const QString& hint);
    QString Hint() const { return hint_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString hint_;
    QFont font_;
    QColor color_;
    bool wrap_ = false;
};
