#pragma once
// The design surface: one report page at its printed pixel size, on which report objects are placed,
// moved and resized. The objects are painted into a cached image of the page; the selection marks and the
// outlines shown while the mouse works are painted over it on every repaint and never touch the cache.
// The mouse handlers take (button, modifiers, x, y) in page pixels, so they can be driven without a
// window system; what they change is the report model, the overlays and the repaint requests.
#include "platform/graphics/Geometry.h"

#include <QHash>
#include <QImage>
#include <QRegion>
#include <QWidget>

class TrpDesignerForm;
class TrpView;

enum TrpDesignerDrawMode { dmAll = 0, dmSelection = 1, dmShape = 2 };
enum TrpDesignerMode { mdInsert = 0, mdSelect = 1 };
// What a press means where the pointer is.
enum TrpDesignCursor { dcDefault, dcCross, dcPencil, dcSizeNWSE, dcSizeNESW, dcSizeNS, dcSizeWE, dcHSplit };

class TrpDesignerPage : public QWidget {
public:
    TrpDesignerPage(TrpDesignerForm* designer, QWidget* parent);

    void Init();
    // Sizes the surface to the page shown and places it in its scroll area.
    void SetPage();
    // Paints objects 0..n into the cache within region (everything without one), then the background.
    void Draw(int n, const QRegion* region = nullptr);
    void DrawPage(TrpDesignerDrawMode mode);
    // A double click that opened no editor must not swallow the next press.
    void ClearSkip() { skip_ = false; }

    // The overlays ("draw" and "erase" of the transient figures).
    void ShowMarks(bool show);
    void ShowShapes(bool show);
    void ShowOutline(bool show);
    void ShowLine(bool show);
    void ShowSplitter(bool show);
    bool ShapesShown() const { return shapes_; }
    bool OutlineShown() const { return outline_; }
    bool LineShown() const { return line_; }

    static void NormalizeRect(gfx::TRect& r);
    static void NormalizeCoord(TrpView* view);
    void RoundCoord(int& x, int& y) const;
    bool FindNearestEdge(int& x, int& y) const;
    void GetMultipleSelected();
    // Grid step test: false while the pending movement is below one grid step; otherwise cut to whole steps.
    bool GridStep(int& dx, int& dy) const;

    // Mouse editing.
    void MDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MMove(Qt::KeyboardModifiers shift, int x, int y);
    void MUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void DClick();
    void MouseLeave();

    void SetDesignCursor(TrpDesignCursor cursor);
    TrpDesignCursor DesignCursor() const { return cursor_; }

    // The page as shown: the cache with the overlays.
    QImage Snapshot() const;
    // Areas asked to be repainted since the last call.
    QRegion TakeRepaints();

    bool Pressed = false;
    bool DFlag = false;
    bool RFlag = false;
    TrpDesignerMode Mode = mdSelect;
    int Handle = 0; // 0 none, 1 top-left, 2 bottom-right, 3 top-right, 4 bottom-left, 5 left, 6 right, 7 top, 8 bottom
    int LastX = 0, LastY = 0;
    int RightBottom = -1;
    gfx::TPoint LeftTop{10000, 10000};
    bool FirstBandMove = false;
    TrpDesignerForm* FDesigner;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QList<TrpView*>& objects() const;
    void paintOverlays(QPainter& p) const;
    void requestRepaint(const QRegion& region);
    void fillBackground(QPainter& p, const QRegion& area);
    QRegion selectionArea() const;
    int topSelectedIndex() const;
    TrpView* singleSelected() const;
    void hoverCursor(int x, int y);
    // A press that draws a rectangle (rubber band, new object, line) starts with nothing selected.
    void startRectangle(int x, int y);
    void dragAlongBand(Qt::KeyboardModifiers shift, int dx, int dy);
    void groupResize(int dx, int dy);
    void resizeOne(int mx, int my);
    void applyChange(const std::function<void()>& change);
    void insertObject();
    void insertLine();

    // While a selection is dragged with objects shown in place, they are painted once into a layer that
    // moves over the page painted without them.
    void buildDragLayer();
    void dropDragLayer();
    void drawObjects(int n, const QRegion& repaint, bool skipSelected);

    QImage cache_;
    QImage layer_;
    QPoint layerOffset_;
    QRect layerBounds_;
    bool layerActive_ = false;
    bool skip_ = false;
    bool marks_ = false, shapes_ = false, outline_ = false, line_ = false, splitter_ = false;
    gfx::TRect splitterLine_;
    int splitterStartX_ = 0;
    TrpView* leftObject_ = nullptr;
    TrpView* rightObject_ = nullptr;
    TrpDesignCursor cursor_ = dcDefault;
    QHash<TrpView*, gfx::TRect> groupSaved_; // x, y, dx, dy of each member when the group was taken
    QRegion pending_;
};
