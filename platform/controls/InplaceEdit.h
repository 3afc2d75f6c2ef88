#pragma once
// The in-place editor a custom grid hosts over its current cell: a line edit that hands navigation keys
// back to the grid and reports each change of its text to the grid.
#include <QLineEdit>

class TCustomGrid;

class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(TCustomGrid* grid, QWidget* parent);
    TCustomGrid* Grid() const { return grid_; }
    // Moves the editor over the given cell rectangle of the grid's viewport and shows it.
    void Move(const QRect& cellRect);
    void Hide();
    // Loads text without reporting it to the grid as typed.
    void SetTextQuietly(const QString& text);
    bool Modified() const { return modified_; }
    // Prepares the editor for the grid's current cell, once its text is loaded.
    virtual void UpdateContents() {}

signals:
    void textTyped(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TCustomGrid* grid_;
    bool quiet_ = false;
    bool modified_ = false;
};
