#pragma once
// Small controls the grid's editor shares: the edit button with its faces and auto-repeat, and the
// default width of flat buttons.
#include <QTimer>
#include <QWidget>
#include <functional>

enum TEditButtonStyleEx { ebsDropDownEx, ebsEllipsisEx, ebsGlyphEx, ebsUpDownEx, ebsPlusEx, ebsMinusEx };

// Two thirds of the screen font's height, made odd, and no wider than a vertical scroll bar.
int GetDefaultFlatButtonWidth();

// A button of an edit control. Pressing it runs OnDown (with the half pressed: true for the upper one)
// and, while auto-repeat stays on (an up-down button starts with it on), again after 400 ms and then
// every 100 ms until it is released. A release over the button clicks it.
class TEditButtonControlEx : public QWidget {
    Q_OBJECT
public:
    explicit TEditButtonControlEx(QWidget* parent);
    TEditButtonStyleEx Style() const { return style_; }
    void SetStyle(TEditButtonStyleEx s);
    bool Flat() const { return flat_; }
    void SetFlat(bool v) { flat_ = v; update(); }
    bool Down() const { return down_; }
    // Shows the button held down (as while its list is open).
    void SetAlwaysDown(bool v);
    // 0 none, 1 the first (upper) half, 2 the second (lower).
    int PressedHalf() const { return half_; }
    QTimer& RepeatTimer() { return timer_; }
    // One tick of the auto-repeat timer (a test's clock calls it directly).
    void TimerTick();

    std::function<void(TEditButtonControlEx* sender, bool topButton, bool& autoRepeat)> OnDown;
    std::function<void(TEditButtonControlEx* sender)> OnClick;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int halfAt(int y) const;

    TEditButtonStyleEx style_ = ebsDropDownEx;
    bool flat_ = false;
    bool down_ = false;
    bool alwaysDown_ = false;
    bool noClick_ = false;
    int half_ = 0;
    QTimer timer_;
};
