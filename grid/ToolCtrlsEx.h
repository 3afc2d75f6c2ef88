#pragma once
// Small controls the grid's editor and lookup lists share: the edit button with its faces and
// auto-repeat, the descriptions of a column's extra edit buttons, the special "none" row of lookup lists,
// the size grip of drop-down windows, the default width of flat buttons and helpers over field values.
#include "platform/graphics/CheckBox.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"
#include <QCalendarWidget>
#include <QImage>
#include <QKeyCombination>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class TDataSet;
class TField;

namespace gfx { class TCanvas; }

enum TEditButtonStyleEx { ebsDropDownEx, ebsEllipsisEx, ebsGlyphEx, ebsUpDownEx, ebsPlusEx, ebsMinusEx };
enum TDrawButtonControlStyleEx { bcsDropDownEx, bcsEllipsisEx, bcsUpDownEx, bcsCheckboxEx, bcsPlusEx, bcsMinusEx };

// What the painter draws for an edit button's style (a glyph button draws its glyph instead).
constexpr TDrawButtonControlStyleEx DrawStyleOf(TEditButtonStyleEx s)
{
    constexpr TDrawButtonControlStyleEx map[] = {bcsDropDownEx, bcsEllipsisEx, bcsUpDownEx, bcsUpDownEx, bcsPlusEx, bcsMinusEx};
    return map[s];
}

// Draws one button face: downButton 0 none, 1 the first (upper) half, 2 the second (lower); the check
// state matters to check boxes only. Through the face cache while UseButtonsBitmapCache is set.
void PaintButtonControlEx(gfx::TCanvas& canvas, const gfx::TRect& rect, gfx::TColor background,
                          TDrawButtonControlStyleEx style, int downButton, bool flat, bool active, bool enabled,
                          gfx::TCheckBoxState state);
extern bool UseButtonsBitmapCache;
void ClearButtonsBitmapCache();
int ButtonsBitmapCacheCount();

// Milliseconds of a steady clock: the default of the lists' replaceable clocks.
qint64 SteadyClockMs();

// Two thirds of the screen font's height, made odd, and no wider than a vertical scroll bar.
int GetDefaultFlatButtonWidth();
// The width of flat edit buttons: the default, taken once.
int FlatButtonWidth();

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
    // A flat button shows its edge only while active (the pointer is over the editor's buttons).
    bool Active() const { return active_; }
    void SetActive(bool v) { active_ = v; update(); }
    // The picture of a glyph button: NumGlyphs pictures side by side (up, disabled, down, held).
    void SetGlyph(const QImage& glyph, int numGlyphs);
    bool Down() const { return down_; }
    // Shows the button held down (as while its list is open).
    void SetAlwaysDown(bool v);
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
    bool active_ = false;
    QImage glyph_;
    int numGlyphs_ = 1;
    bool down_ = false;
    bool alwaysDown_ = false;
    bool noClick_ = false;
    int half_ = 0;
    QTimer timer_;
};

// The description of one of a column's extra edit buttons: the editor makes a button control from it.
class TEditButtonsEx;
class TEditButtonEx {
public:
    explicit TEditButtonEx(TEditButtonsEx* collection = nullptr);
    virtual ~TEditButtonEx() = default;
    TEditButtonEx(const TEditButtonEx&) = delete;
    TEditButtonEx& operator=(const TEditButtonEx&) = delete;

    QMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(QMenu* m) { dropdownMenu_ = m; }
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& g);
    QString Hint() const { return hint_; }
    void SetHint(const QString& h);
    // Kept within 1..4.
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    QKeyCombination ShortCut() const { return shortCut_; }
    void SetShortCut(QKeyCombination k) { shortCut_ = k; }
    TEditButtonStyleEx Style() const { return style_; }
    void SetStyle(TEditButtonStyleEx s);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    int Width() const { return width_; }
    void SetWidth(int w);
    std::function<void(TEditButtonControlEx* sender, bool& handled)> OnClick;
    std::function<void(TEditButtonControlEx* sender, bool topButton, bool& autoRepeat, bool& handled)> OnDown;

    void Assign(const TEditButtonEx& source);
    // A button control owned and parented by the edit control, 10 x 17 pixels, shown.
    TEditButtonControlEx* CreateEditButtonControl(QWidget* edit) const;

protected:
    void Changed();
    TEditButtonsEx* collection_;
    QMenu* dropdownMenu_ = nullptr;
    QImage glyph_;
    QString hint_;
    int numGlyphs_ = 1;
    QKeyCombination shortCut_;
    TEditButtonStyleEx style_ = ebsDropDownEx;
    bool visible_ = false;
    int width_ = 0;
};

// An edit button that starts shown, pressed by Alt+Down.
class TVisibleEditButtonEx : public TEditButtonEx {
public:
    explicit TVisibleEditButtonEx(TEditButtonsEx* collection = nullptr);
};

// A column's extra edit buttons. A change of any of them tells OnChange.
class TEditButtonsEx {
public:
    using TItemFactory = std::function<std::unique_ptr<TEditButtonEx>(TEditButtonsEx*)>;
    // Items of the plain class unless a factory makes another.
    explicit TEditButtonsEx(TItemFactory factory = {});
    TEditButtonEx* Add();
    int Count() const { return int(items_.size()); }
    TEditButtonEx* Items(int i) const { return items_.at(size_t(i)).get(); }
    void Delete(int i);
    void Clear();
    void Assign(const TEditButtonsEx& source);
    void Update();
    std::function<void()> OnChange;

private:
    TItemFactory factory_;
    std::vector<std::unique_ptr<TEditButtonEx>> items_;
};

// The extra "none" row of lookup lists: its cell texts, colours, font, shortcut and the value it stands for.
class TSpecRowEx {
public:
    TSpecRowEx();
    // Values separated by ';', a value in double quotes may hold ';' (a doubled quote inside is one).
    QString CellsText() const { return cellsText_; }
    void SetCellsText(const QString& text);
    QString GetCellText(int index) const { return index >= 0 && index < cellTexts_.size() ? cellTexts_[index] : QString(); }
    int CellCount() const { return int(cellTexts_.size()); }
    gfx::TColor Color() const { return color_; }
    void SetColor(gfx::TColor c);
    bool ColorAssigned() const { return colorAssigned_; }
    const gfx::TFont& Font() const { return font_; }
    // A font set here is the row's own (stored), else the list's font is used.
    void SetFont(const gfx::TFont& f);
    bool FontAssigned() const { return fontAssigned_; }
    QKeyCombination ShortCut() const { return shortCut_; }
    void SetShortCut(QKeyCombination k);
    bool ShowIfNotInKeyList() const { return showIfNotInKeyList_; }
    void SetShowIfNotInKeyList(bool v);
    QVariant Value() const { return value_; }
    void SetValue(const QVariant& v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    // True only while the row is shown and stands for the key.
    bool LocateKey(const QVariant& key) const;
    void Assign(const TSpecRowEx& source);
    void BeginUpdate() { ++updateCount_; }
    // Always tells OnChange, also when nested.
    void EndUpdate();
    std::function<void()> OnChange;

private:
    void changed();
    QStringList cellTexts_;
    QString cellsText_;
    gfx::TColor color_ = gfx::clWindow;
    gfx::TFont font_;
    QKeyCombination shortCut_;
    bool showIfNotInKeyList_ = true;
    int updateCount_ = 0;
    QVariant value_;
    bool visible_ = false;
    bool colorAssigned_ = false;
    bool fontAssigned_ = false;
};

enum TSizeGripPostion { sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft };
enum TSizeGripChangePosition { sgcpToLeft, sgcpToRight, sgcpToTop, sgcpToBottom };

// The grip in a corner of a drop-down window: dragging it resizes the window (never past the screen's
// work area); a triangle in its corner unless TriangleWindow is off. It stays above the window's other
// children, and in a scroll area the vertical scroll bar ends short of it.
class TSizeGripEx : public QWidget {
    Q_OBJECT
public:
    explicit TSizeGripEx(QWidget* parent);
    TSizeGripPostion Position() const { return position_; }
    void SetPosition(TSizeGripPostion p);
    bool TriangleWindow() const { return triangle_; }
    void SetTriangleWindow(bool v);
    // Moves the grip to the mirrored corner.
    void ChangePosition(TSizeGripChangePosition direction);
    // Back into its corner of the parent's client area.
    void UpdatePosition();
    // The parent's size changed by the grip.
    std::function<void()> OnParentResized;
    // The screen's work area; tests set it.
    static QRect WorkAreaForTests;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void recreate();
    QRect workArea() const;
    void updateRoom();
    // Room kept under (or over) a scroll area's vertical bar for the grip in its corner.
    QPointer<QWidget> roomTop_, roomBottom_;
    TSizeGripPostion position_ = sgpBottomRight;
    bool triangle_ = true;
    bool pressed_ = false;
    QPoint pressPoint_;
    QRect pressGeometry_;
};

// The drop-down month calendar of date cells: Enter takes the date, Escape or a press outside rejects it,
// a release on a day takes it; the wheel moves by one day.
class TPopupMonthCalendarEx : public QCalendarWidget {
    Q_OBJECT
public:
    explicit TPopupMonthCalendarEx(QWidget* owner);
    // The owner's close-up (accept or not).
    std::function<void(bool accept)> OnCloseUp;
    // Closes later, from the event loop (after the event that asked for it is done).
    void PostCloseUp(bool accept);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
};

// Whether two values are equal: arrays (lists) element by element, other values by the variant
// comparison; an array never equals a non-array.
bool VarEquals(const QVariant& v1, const QVariant& v2);
// The fields named (separated by ';') of a data set; a missing one raises the data-set error naming the
// component.
std::vector<TField*> GetFieldsProperty(TDataSet* dataSet, const QString& componentName, const QString& fieldNames);
// The values of the named fields on the current record: one value, or a list for several.
QVariant FieldValues(TDataSet* dataSet, const QString& fieldNames);
// The field that stores a cell's value: a lookup field's (first) key field, else the field itself.
TField* StoredFieldOf(TField* field);
// Sets the named fields: a null clears each, one field takes the value, several take a list's elements.
void DataSetSetFieldValues(TDataSet* dataSet, const QString& fieldNames, const QVariant& value);
