#pragma once
// The tool-bar controls the preview window, the print dialog and the designer are built from: a glyph
// button that can be flat, tracks the mouse and shows its glyph grey while the mouse is away; the same
// button pre-set for a tool bar; a separator; and a plain panel. The last three turn to the orientation
// of the dock that holds their tool bar.
#include <QImage>
#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

enum TrpButtonState { fbsUp, fbsDisabled, fbsDown, fbsExclusive, fbsInactive };
enum TrpButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// An image list of one cell size: slots taken lowest first, freed one by one.
class TGlyphList {
public:
    TGlyphList(int width, int height) : Width(width), Height(height) {}
    int Add(const QImage& image);
    void Delete(int index);
    const QImage& Image(int index) const { return images_[index]; }
    int Count() const { return count_; }
    const int Width, Height;

private:
    QList<QImage> images_;
    QList<bool> used_;
    int count_ = 0;
};

// The process-wide lists, one per cell size; a list that falls empty goes.
class TGlyphCache {
public:
    static TGlyphList* GetList(int width, int height);
    static void ReturnList(TGlyphList* list);
};

// A button's picture: the source bitmap of NumGlyphs cells side by side (up, disabled, down,
// exclusive) and the images made from it per state.
class TButtonGlyph {
public:
    TButtonGlyph() { indices_.fill(-1); }
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    // The image of a state, made on first need; a null image for an empty glyph.
    QImage StateImage(TrpButtonState state);
    QRgb TransparentColor = qRgb(128, 128, 0);
    std::function<void()> OnChange;

private:
    void invalidate();
    QImage glyph_;
    int numGlyphs_ = 1;
    TGlyphList* list_ = nullptr;
    std::array<int, 5> indices_;
};

class TrpSpeedButton : public QWidget {
public:
    explicit TrpSpeedButton(QWidget* parent = nullptr);
    ~TrpSpeedButton() override;

    // The glyph of the up (enabled) or disabled state at x, y on a button-face background.
    void DrawGlyph(QPainter& painter, int x, int y, bool enabled);

    QImage Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const QImage& glyph) { glyph_.SetGlyph(glyph); }
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int n) { glyph_.SetNumGlyphs(n); }
    bool Down() const { return down_; }
    void SetDown(bool down);
    bool Flat() const { return flat_; }
    void SetFlat(bool flat);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);
    TrpButtonLayout Layout() const { return layout_; }
    void SetLayout(TrpButtonLayout layout);
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    bool GrayedInactive() const { return grayedInactive_; }
    void SetInactiveGrayed(bool grayed);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TrpButtonState State() const { return state_; }
    // The state the last paint drew (after the inactive and disabled rules).
    TrpButtonState PaintedState() const { return painted_; }
    // Used by the group notice: another button of the group went down.
    void ButtonPressed(int groupIndex, TrpSpeedButton* sender);

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateGroup();
    TButtonGlyph glyph_;
    int groupIndex_ = 0;
    bool down_ = false;
    bool flat_ = false;
    bool dragging_ = false;
    bool allowAllUp_ = false;
    TrpButtonLayout layout_ = blGlyphLeft;
    int spacing_ = 4;
    int margin_ = -1;
    bool grayedInactive_ = true;
    bool mouseIn_ = false;
    TrpButtonState state_ = fbsUp;
    TrpButtonState painted_ = fbsUp;
    QString caption_;
};

// Aligned left (top in a vertical dock) and flat.
class TrpTBButton : public TrpSpeedButton {
public:
    explicit TrpTBButton(QWidget* parent = nullptr);
};

// A gap with an etched line across the tool bar's direction.
class TrpTBSeparator : public QWidget {
public:
    explicit TrpTBSeparator(QWidget* parent = nullptr);
    bool DrawBevel() const { return drawBevel_; }
    void SetDrawBevel(bool draw);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool drawBevel_ = true;
};

class TrpTBPanel : public QWidget {
public:
    explicit TrpTBPanel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The alignment of a tool-bar control: top when the dock that holds its tool bar stands at the left or
// the right (the tool bar is a column), left otherwise. The dock's alignment is its "rpAlign" property
// (Qt::AlignLeft, Qt::AlignRight, Qt::AlignTop, Qt::AlignBottom).
Qt::Alignment rpToolBarControlAlign(const QWidget* control);

// The inactive picture: the transparent colour becomes the face colour, every other pixel that is not
// the face colour becomes grey of level (r * 77 + g * 150 + b * 29) >> 8.
QImage rpInactiveImage(const QImage& cell, QRgb transparent, QRgb face);
// The disabled picture of a one-cell glyph: its shape embossed in highlight and shadow colours.
QImage rpEmbossedImage(const QImage& cell, QRgb transparent, QRgb face, QRgb highlight, QRgb shadow);
