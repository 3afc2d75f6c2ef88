#pragma once
// The in-place editor a custom grid hosts over its current cell: a line edit that hands navigation keys
// back to the grid and reports each change of its text to the grid.
//
// With word wrap on it edits on several lines: a text view laid over its text area takes the focus, the
// keys and the mouse, while the line edit itself goes on holding the text (line breaks as CR LF, as the
// tables store them), the caret and the selection. Callers read and set those on the line edit alone; the
// two are kept equal both ways.
#include <QLineEdit>

class TCustomGrid;
class QPlainTextEdit;
class TInplaceWrapView;

class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(TCustomGrid* grid, QWidget* parent);
    // Moves the editor over the given cell rectangle of the grid's viewport and shows it.
    void Move(const QRect& cellRect);
    void Hide();
    // Loads text without reporting it to the grid as typed.
    void SetTextQuietly(const QString& text);
    bool Modified() const { return modified_; }
    // Prepares the editor for the grid's current cell, once its text is loaded.
    virtual void UpdateContents() {}
    // Several lines, broken at the text area's width and never scrolled sideways; Ctrl+Enter breaks a line.
    void SetWordWrap(bool on);
    bool WordWrap() const { return wordWrap_; }
    // The multi-line view while word wrap is on, else null.
    QPlainTextEdit* WrapView() const;
    // The text area: the editor less these margins (room for buttons beside the text).
    void SetTextArea(const QMargins& margins);

signals:
    void textTyped(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    // Text that comes other than by a key (a drop, the context menu, an input method) asks the grid first
    // too, as typing does.
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    friend class TInplaceWrapView;  // hands its input to the editor's handlers first
    void placeWrapView();
    void textToView();
    void selectionToView();
    void viewEdited();
    void selectionFromView();
    // Whether the text may change now: the grid is asked, which puts the record into editing or refuses.
    bool mayEdit();

    TCustomGrid* grid_;
    TInplaceWrapView* wrap_ = nullptr;
    bool wordWrap_ = false;
    bool syncing_ = false;
    bool viewLosesFocus_ = false;  // a focus-out the editor handles is the view's, not its own
    bool quiet_ = false;
    bool modified_ = false;
};
