#include "platform/controls/InplaceEdit.h"
#include "platform/controls/CustomGrid.h"
#include <QApplication>
#include <QKeyEvent>

TInplaceEdit::TInplaceEdit(TCustomGrid* grid, QWidget* parent) : QLineEdit(parent), grid_(grid)
{
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (quiet_)
            return;
        modified_ = true;
        emit textTyped(t);
    });
}

void TInplaceEdit::Move(const QRect& cellRect)
{
    setGeometry(cellRect);
    if (!isVisible())
        show();
}

void TInplaceEdit::Hide()
{
    if (isVisible())
        hide();
    modified_ = false;
}

void TInplaceEdit::SetTextQuietly(const QString& text)
{
    quiet_ = true;
    setText(text);
    quiet_ = false;
    modified_ = false;
}

void TInplaceEdit::keyPressEvent(QKeyEvent* e)
{
    // Keys that move the current cell belong to the grid; the editor keeps the ones that edit.
    switch (e->key()) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Escape: case Qt::Key_Return: case Qt::Key_Enter:
    case Qt::Key_F2:
        QApplication::sendEvent(grid_, e);
        return;
    default:
        break;
    }
    // A key that changes the text first asks the grid, which puts the record into editing or refuses.
    const bool edits = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete
                       || (!e->text().isEmpty() && e->text().at(0).isPrint())
                       || e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)
                       || e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo);
    if (edits && !isReadOnly() && !grid_->CanEditModify()) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}
