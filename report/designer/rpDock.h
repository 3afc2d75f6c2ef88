#pragma once
// Docking tool bars: four dock areas along a window's edges lay their tool bars out in rows of fixed
// thickness; a tool bar is dragged by its grip between them or off the window into a small floating tool
// window, and its place is kept in the registry.
#include <QList>
#include <functional>
#include <QPointer>
#include <QString>
#include <QWidget>

class QRubberBand;
class TrpToolBar;

enum TrpOrientation { toAny = 0, toVertOnly = 1, toHorzOnly = 2 };

// The registry key below which tool bars and forms keep their places.
extern QString rpDockRegRoot;

class TrpDock : public QWidget {
public:
    // align: Qt::AlignTop, AlignBottom, AlignLeft or AlignRight, the edge the dock lies on.
    TrpDock(Qt::Alignment align, QWidget* parent);
    Qt::Alignment Align() const { return align_; }
    bool IsRow() const { return align_ == Qt::AlignTop || align_ == Qt::AlignBottom; }
    // Lays out the rows, drops empty ones and fits the dock's thickness.
    void AdjustBounds();
    // The tool bars in the dock (children that are tool bars).
    QList<TrpToolBar*> ToolBars() const;
    int RowSize = 26;
    // Called when the dock's size changed (the window lays itself out again).
    std::function<void()> OnResize;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Alignment align_;
};

class TrpDragBox : public QWidget {
public:
    explicit TrpDragBox(TrpToolBar* bar);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TrpToolBar* bar_;
};

class TrpFloatWindow;

class TrpToolBar : public QWidget {
public:
    TrpToolBar(const QString& name, QWidget* parent);
    ~TrpToolBar() override;

    // 1 when the tool bar lies in a row (top or bottom dock, or none), 3 when it stands in a column.
    int ParentAlign() const;
    TrpDock* Dock() const;
    void DockTo(TrpDock* dock, int x, int y);
    void AddToDock(TrpDock* dock);
    void FloatTo(int x, int y);
    void MakeFloat();
    bool MoveTo(int x, int y);
    // Docks into the dock of form under point (form coordinates); false when none takes it.
    bool FindDock(QWidget* form, QPoint point);
    void RealignControls();
    void AdjustBounds();
    TrpFloatWindow* GetFloatWindow() const { return float_; }
    bool IsVisible() const;
    void SetVisible(bool visible);

    // Dragging (screen coordinates), from the grip or the free surface.
    void DoMouseDown(QPoint screen);
    void DoMouseMove(QPoint screen);
    void DoMouseUp();

    bool IsFloat = false;
    TrpOrientation Orientation = toAny;
    bool CanFloat = true;
    QString Caption;
    TrpDragBox* Grip;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class TrpFloatWindow;
    TrpFloatWindow* float_ = nullptr;
    bool dragging_ = false;
    QPoint dragPos_;
    bool destroying_ = false;
};

class TrpFloatWindow : public QWidget {
public:
    TrpFloatWindow(TrpToolBar* bar, QWidget* owner);
    ~TrpFloatWindow() override;
    void Capture();
    // Drags the window (screen coordinates); over a dock of the owner the tool bar docks.
    void DragStart(QPoint screen);
    void DragMove(QPoint screen);
    void DragEnd();
    // The caption strip (drags the window), its close box, and the place of the tool bar below it.
    QRect CaptionRect() const;
    QRect CloseRect() const;
    QRect ClientRect() const;
    // Sizes the window to the tool bar it holds.
    void FitBar();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TrpToolBar;
    TrpToolBar* bar_;
    QPointer<QWidget> owner_;
    QRect outline_;
    QPoint grab_;
    bool dragging_ = false;
    QRubberBand* band_ = nullptr;
};

namespace sys {
class TRegIniFile;
}
// Registry values as the designer keeps them: numbers as text, Booleans as "1" or "0"; a value that is
// missing or unreadable gives def.
QString rpRegBoolText(bool b);
int rpRegReadInt(const sys::TRegIniFile& reg, const QString& section, const QString& name, int def);
bool rpRegReadBool(const sys::TRegIniFile& reg, const QString& section, const QString& name, bool def);

void SaveToolbarPosition(TrpToolBar* bar);
void RestoreToolbarPosition(TrpToolBar* bar);
void SaveFormPosition(QWidget* form);
void RestoreFormPosition(QWidget* form);
// Frees the tool bars still floating (program end).
void rpFreeFloatingToolBars();
