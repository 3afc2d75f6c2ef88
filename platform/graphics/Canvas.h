#pragma once
// A drawing surface with the platform's rules, over a QPainter:
// - FillRect, Rectangle and Ellipse cover Left <= x < Right, Top <= y < Bottom;
// - LineTo leaves out its end point; one-pixel lines are plotted exactly, styled ones with the
//   platform's dash lengths and, in opaque background mode, the gaps in the background colour;
// - text is anchored at its top-left corner, with an opaque background while the brush is solid
//   (SetBkMode overrides until the brush changes), turned by the font's escapement;
// - the pen's mode (pmXor, pmNot, ...) mixes pixels on raster surfaces (QImage, QPixmap, widgets).
// The canvas paints a QImage or any paint device it opens itself, or a painter it is handed (a
// widget's paint event, a printer page). Coordinates are device pixels; the font's resolution
// follows the device (96 dpi on screen, the printer's on a printer).
#include "Brush.h"
#include "DrawTextFlags.h"
#include "FigureGlyphs.h"
#include "Font.h"
#include "Geometry.h"
#include "Pen.h"
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>

class QFontMetrics;
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace gfx {

class TGraphic;

// Pixel() outside the surface.
constexpr TColor CLR_INVALID = TColor(0xFFFFFFFFu);

struct TTextMetric {
    int tmHeight = 0;           // ascent + descent
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;  // tmHeight less the em size
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmOverhang = 0;
    int tmWeight = 400;
    bool tmItalic = false;
};

class TCanvas {
public:
    // A canvas with no surface yet (a bitmap binds its own).
    TCanvas();
    // Opens its own painter on the device at the first drawing call; the device must outlive it.
    explicit TCanvas(QPaintDevice* device);
    // Draws through a painter that someone else began (paint events, printer pages: a printer's
    // painter is begun and ended by the print job, never by the canvas).
    explicit TCanvas(QPainter* painter);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    void SetDevice(QPaintDevice* device);
    void SetPainter(QPainter* painter);
    // Ends a painter the canvas opened itself (before the device is resized or read as a whole).
    void Release();
    // The painter in use, opened when needed; null without a surface.
    QPainter* Painter();
    // The image painted on, when the surface is one; null otherwise.
    QImage* Image() const;
    int PixelsPerInch() const;

    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }
    const TFont& Font() const { return font_; }
    TPoint PenPos() const { return penPos_; }

    // Background mode of text and styled lines; the brush resets it, and the background colour, when it changes.
    void SetBkMode(int mode);
    int BkMode() const { return bkMode_; }
    void SetTextAlign(unsigned align) { textAlign_ = align; }
    // Extra pixels after every character of text (measured and drawn).
    void SetTextCharacterExtra(int pixels) { charExtra_ = pixels; }
    int TextCharacterExtra() const { return charExtra_; }

    // Shapes.
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    // Fills r in one colour without touching the brush (edges, check boxes, markers).
    void FillSolid(const TRect& r, TColor color);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    void LineTo(int x, int y);
    void Polyline(const std::vector<TPoint>& points);
    void Polygon(const std::vector<TPoint>& points);
    // Inverts every other pixel of the rectangle's border; a second identical call erases it.
    void DrawFocusRect(const TRect& r);

    // Text.
    void TextOut(int x, int y, const QString& text);
    // Text at (x, y) clipped to r; r is filled with the brush first unless the brush is clear.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    // The platform's text output: options ETO_OPAQUE (fill r in the background colour) and
    // ETO_CLIPPED (clip to r); dx, when given, holds the advance of each character.
    void ExtTextOut(int x, int y, unsigned options, const TRect* r, const QString& text,
                    const std::vector<int>* dx = nullptr);
    // Advances that spread the characters of text over exactly 'width' pixels (the difference to
    // the natural width shared out evenly), for ExtTextOut.
    std::vector<int> CharacterPlacement(const QString& text, int width);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    TSize TextExtent(const QString& text);
    TTextMetric GetTextMetrics();
    // Lays out and draws text in r by the DT_ flags; returns the height of the text (with
    // DT_VCENTER or DT_BOTTOM the offset from r.Top to the bottom of the text). With DT_CALCRECT
    // nothing is drawn and r's right and bottom edges are set to the text's extent.
    int DrawText(const QString& text, TRect& r, unsigned flags);

    // Clipping (device coordinates). ClipRect is the bounding box of the current clip, or the whole
    // surface without one.
    TRect ClipRect();
    void SetClipRect(const TRect& r);
    void SetClipRegion(const QRegion& region);
    void IntersectClipRect(const TRect& r);
    void ExcludeClipRect(const TRect& r);
    void ClearClip();
    bool HasClip();
    QRegion ClipRegion();

    // Pictures and pixels.
    void Draw(int x, int y, const TGraphic& graphic);
    void StretchDraw(const TRect& r, const TGraphic& graphic);
    // Draws an image into r, scaled when the sizes differ; transparent pixels are left alone.
    void DrawImage(const TRect& r, const QImage& image);
    // Copies the source rectangle of another canvas (an image surface) into dest, scaled.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    // The colour the surface shows for c: every colour is pure on the 32-bit surfaces used here.
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // Called after every drawing call (a bitmap marks itself changed).
    std::function<void()> OnChange;

private:
    QFont currentQFont();
    void followResolution(int ppi);
    void strokeLine(TPoint from, TPoint to, bool includeEnd, int* dashPhase);
    void plotPixels(const std::vector<QPoint>& on, const std::vector<QPoint>& gaps);
    void outlineClosed(const std::vector<TPoint>& points);
    void shapeWithQt(const std::function<void(QPainter&)>& draw);
    void setShapeBrush(QPainter& p);
    // Free runs follow the text alignment and the font's escapement; laid-out runs (DrawText) are
    // anchored top-left and never turned.
    void drawTextRun(int x, int y, const QString& text, const std::vector<int>* dx, bool opaqueBox, bool free = true,
                     const QRect* clip = nullptr);
    void changed();
    void onBrushChanged();
    QSize surfaceSize() const;
    // The part of the coordinate plane the surface shows, one pixel wider on every side; none when
    // the surface has no known size.
    std::optional<QRect> visibleArea();
    // The pixels left <= x < right, top <= y < bottom that lie near the surface (within margin).
    QRect shown(long long left, long long top, long long right, long long bottom, int margin = 0);
    QPaintDevice* surface() const;
    bool rasterOps();
    QPen shapePen() const;

    // The width of a text in the current font, measured once: a grid measures a cell's text to place it
    // and again to draw it, and paints the same texts page after page.
    int textAdvance(const QFontMetrics& metrics, const QPaintDevice* device, const QString& text);
    void forDevice(const QPaintDevice* device);
    const QFontMetrics& faceMetrics(const QPaintDevice* device);
    // The current font's metrics on the surface drawn on (the screen's without one).
    QFontMetrics surfaceMetrics();
    const QList<QGlyphRun>* faceGlyphs(const QPaintDevice* device, const QString& text);
    // The current face's figures set without shaping, when it allows that and `text` is only figures.
    const FigureGlyphs* faceFigures(const QPaintDevice* device, const QString& text);

    QPaintDevice* device_ = nullptr;
    std::uint64_t qfontGeneration_ = 0;
    int qfontExtra_ = 0;
    // The Qt fonts of the last faces drawn in, and the widths measured in each: a font assigned anew with
    // a face drawn in before (a grid gives each cell its column's font, its titles another) keeps its Qt
    // font, with the glyphs it found, and its widths.
    struct Face {
        QString name;
        int height = 0, pixelsPerInch = 0;
        TFontStyles style = 0;
        TFontPitch pitch = fpDefault;
        int extra = 0;
        bool operator==(const Face&) const = default;
    };
    struct FaceFont {
        Face face;
        QFont font;
        QHash<QString, int> advances;
        QHash<QString, QList<QGlyphRun>> glyphs;  // laid out on advancesDevice_
        std::optional<QFontMetrics> metrics;  // on advancesDevice_
        std::shared_ptr<const FigureGlyphs> figures;  // on advancesDevice_, taken at the first figure text
    };
    std::vector<FaceFont> faces_;  // the most recently made last
    std::size_t face_ = 0;         // the current font's
    const QPaintDevice* advancesDevice_ = nullptr;
    QPainter* painter_ = nullptr;
    QSize paintSize_;  // the widget's, while a painter given from outside paints it
    std::unique_ptr<QPainter> own_;
    std::optional<QRegion> keptClip_;
    TFont font_;
    TBrush brush_;
    TPen pen_;
    TPoint penPos_;
    int bkMode_ = OPAQUE;
    TColor bkColor_ = clWhite;
    unsigned textAlign_ = TA_LEFT | TA_TOP;
    int charExtra_ = 0;
};

} // namespace gfx
