#include "platform/controls/InplaceEdit.h"
#include "platform/controls/CustomGrid.h"
#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <memory>

// The multi-line face of the editor. Its input goes to the editor's handlers first, which hand back what
// they leave through the base* calls; its text and selection are the editor's, mirrored.
class TInplaceWrapView : public QPlainTextEdit {
public:
    explicit TInplaceWrapView(TInplaceEdit* owner) : QPlainTextEdit(owner), owner_(owner)
    {
        setFrameShape(QFrame::NoFrame);
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
        // Long words break anywhere: nothing scrolls sideways.
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        document()->setDocumentMargin(0);
        hide();
    }
    void baseKeyPress(QKeyEvent* e) { QPlainTextEdit::keyPressEvent(e); }
    void baseDoubleClick(QMouseEvent* e) { QPlainTextEdit::mouseDoubleClickEvent(e); }
    void baseWheel(QWheelEvent* e) { QPlainTextEdit::wheelEvent(e); }
    void baseFocusOut(QFocusEvent* e) { QPlainTextEdit::focusOutEvent(e); }

protected:
    void keyPressEvent(QKeyEvent* e) override { owner_->keyPressEvent(e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { owner_->mouseDoubleClickEvent(e); }
    void wheelEvent(QWheelEvent* e) override { owner_->wheelEvent(e); }
    void focusOutEvent(QFocusEvent* e) override
    {
        owner_->viewLosesFocus_ = true;
        owner_->focusOutEvent(e);
        owner_->viewLosesFocus_ = false;
    }
    // Tab is the grid's, also when the view is read-only.
    bool focusNextPrevChild(bool) override { return false; }

private:
    TInplaceEdit* owner_;
};

namespace {
const QString CrLf = QStringLiteral("\r\n");

bool crLfAt(const QString& t, qsizetype i) { return t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n'; }

// The view counts a CR LF pair as one position.
int viewPosition(const QString& t, int pos)
{
    int v = 0;
    for (qsizetype i = 0; i < pos && i < t.size(); ++v)
        i += crLfAt(t, i) ? 2 : 1;
    return v;
}

int textPosition(const QString& t, int v)
{
    qsizetype i = 0;
    for (; v > 0 && i < t.size(); --v)
        i += crLfAt(t, i) ? 2 : 1;
    return int(i);
}

QString textOf(const QTextDocument* d)
{
    QString t;
    for (QTextBlock b = d->begin(); b.isValid(); b = b.next()) {
        if (b != d->begin())
            t += CrLf;
        t += b.text();
    }
    return t;
}
} // namespace

TInplaceEdit::TInplaceEdit(TCustomGrid* grid, QWidget* parent) : QLineEdit(parent), grid_(grid)
{
    setFrame(false);
    // Opaque, so that a key repaints the editor alone and not the cell's text under it.
    setAutoFillBackground(true);
    hide();
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (wordWrap_ && !syncing_)
            textToView();
        if (quiet_)
            return;
        modified_ = true;
        emit textTyped(t);
    });
    auto follow = [this] {
        if (wordWrap_ && !syncing_)
            selectionToView();
    };
    connect(this, &QLineEdit::selectionChanged, this, follow);
    connect(this, &QLineEdit::cursorPositionChanged, this, follow);
}

QPlainTextEdit* TInplaceEdit::WrapView() const { return wordWrap_ ? wrap_ : nullptr; }

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

void TInplaceEdit::SetWordWrap(bool on)
{
    if (on == wordWrap_)
        return;
    const bool focused = hasFocus();
    wordWrap_ = on;
    if (on) {
        if (!wrap_) {
            wrap_ = new TInplaceWrapView(this);
            connect(wrap_, &QPlainTextEdit::textChanged, this, [this] { viewEdited(); });
            auto follow = [this] {
                if (!syncing_)
                    selectionFromView();
            };
            connect(wrap_, &QPlainTextEdit::cursorPositionChanged, this, follow);
            connect(wrap_, &QPlainTextEdit::selectionChanged, this, follow);
        }
        wrap_->setReadOnly(isReadOnly());
        // Under the view the line edit keeps the text without laying it out on one line at every key.
        setEchoMode(QLineEdit::NoEcho);
        textToView();
        placeWrapView();
        wrap_->show();
        setFocusProxy(wrap_);
        if (focused)
            setFocus();
    } else {
        // The focus moves before the view hides, so it never passes through another control.
        setFocusProxy(nullptr);
        setEchoMode(QLineEdit::Normal);
        if (focused)
            setFocus();
        wrap_->hide();
    }
}

void TInplaceEdit::SetTextArea(const QMargins& margins)
{
    setTextMargins(margins);
    placeWrapView();
}

void TInplaceEdit::placeWrapView()
{
    if (wrap_)
        wrap_->setGeometry(rect().marginsRemoved(textMargins()));
}

void TInplaceEdit::textToView()
{
    syncing_ = true;
    wrap_->setPlainText(text());
    syncing_ = false;
    selectionToView();
}

void TInplaceEdit::selectionToView()
{
    const QString t = text();
    const int pos = cursorPosition();
    int anchor = pos;
    if (hasSelectedText())
        anchor = pos == selectionStart() ? selectionEnd() : selectionStart();
    const int last = wrap_->document()->characterCount() - 1;
    QTextCursor c(wrap_->document());
    c.setPosition(std::min(viewPosition(t, anchor), last));
    c.setPosition(std::min(viewPosition(t, pos), last), QTextCursor::KeepAnchor);
    syncing_ = true;
    wrap_->setTextCursor(c);
    syncing_ = false;
}

void TInplaceEdit::selectionFromView()
{
    const QString t = text();
    const QTextCursor c = wrap_->textCursor();
    const int anchor = textPosition(t, c.anchor()), pos = textPosition(t, c.position());
    syncing_ = true;
    if (anchor == pos)
        setCursorPosition(pos);
    else
        setSelection(anchor, pos - anchor);
    syncing_ = false;
}

void TInplaceEdit::viewEdited()
{
    if (syncing_)
        return;
    const QString t = textOf(wrap_->document());
    if (t == text())
        return;
    // Text that reaches the view other than by a key (a drop, a paste from the menu, an input method) asks
    // the grid like a key does; what the grid refuses or the field cannot hold is taken back.
    if (t.size() > maxLength() || !mayEdit()) {
        textToView();
        return;
    }
    syncing_ = true;
    setText(t);
    syncing_ = false;
    selectionFromView();
}

void TInplaceEdit::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    // Ctrl+Enter types a line feed: a line break on several lines, nothing on one.
    if (enter && mods == Qt::ControlModifier) {
        if (wordWrap_ && mayEdit())
            wrap_->insertPlainText(QStringLiteral("\n"));
        e->accept();
        return;
    }
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
    // Format characters (the direction marks of the context menu's submenu) come as keys too.
    const bool edits = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete
                       || (!e->text().isEmpty() && (e->text().at(0).isPrint() || e->text().at(0).category() == QChar::Other_Format))
                       || e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)
                       || e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo);
    if (edits && !isReadOnly() && !grid_->CanEditModify()) {
        e->accept();
        return;
    }
    if (wordWrap_)
        wrap_->baseKeyPress(e);
    else
        QLineEdit::keyPressEvent(e);
}

void TInplaceEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (wordWrap_)
        wrap_->baseDoubleClick(e);
    else
        QLineEdit::mouseDoubleClickEvent(e);
}

void TInplaceEdit::wheelEvent(QWheelEvent* e)
{
    if (wordWrap_)
        wrap_->baseWheel(e);
    else
        QLineEdit::wheelEvent(e);
}

void TInplaceEdit::focusOutEvent(QFocusEvent* e)
{
    if (viewLosesFocus_)
        wrap_->baseFocusOut(e);
    else
        QLineEdit::focusOutEvent(e);
}

void TInplaceEdit::paintEvent(QPaintEvent* e)
{
    // Under the view only the filled background around it shows.
    if (!wordWrap_)
        QLineEdit::paintEvent(e);
}

void TInplaceEdit::resizeEvent(QResizeEvent* e)
{
    QLineEdit::resizeEvent(e);
    placeWrapView();
}

void TInplaceEdit::changeEvent(QEvent* e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::ReadOnlyChange && wrap_)
        wrap_->setReadOnly(isReadOnly());
}

bool TInplaceEdit::mayEdit()
{
    return !isReadOnly() && grid_->CanEditModify();
}

void TInplaceEdit::dropEvent(QDropEvent* e)
{
    if (!mayEdit()) {
        e->ignore();
        return;
    }
    QLineEdit::dropEvent(e);
}

void TInplaceEdit::contextMenuEvent(QContextMenuEvent* e)
{
    // The menu's own actions change the text without a key: each that does asks the grid when chosen.
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    const std::pair<const char*, void (QLineEdit::*)()> edits[] = {
        {"&Undo", &QLineEdit::undo}, {"&Redo", &QLineEdit::redo}, {"Cu&t", &QLineEdit::cut},
        {"&Paste", &QLineEdit::paste}, {"Delete", &QLineEdit::del}};
    for (QAction* a : menu->actions())
        for (const auto& [name, edit] : edits)
            if (a->text().section(QLatin1Char('\t'), 0, 0) == QCoreApplication::translate("QLineEdit", name)) {
                disconnect(a, &QAction::triggered, nullptr, nullptr);
                connect(a, &QAction::triggered, this, [this, edit = edit] {
                    if (mayEdit())
                        (this->*edit)();
                });
            }
    menu->exec(e->globalPos());
}

void TInplaceEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if ((!e->commitString().isEmpty() || e->replacementLength() > 0) && !mayEdit()) {
        e->accept();
        return;
    }
    QLineEdit::inputMethodEvent(e);
}
