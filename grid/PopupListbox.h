#pragma once
// The drop-down pick list of the grid's in-place editor: a list of texts in a window of its own that
// never takes the focus (the editor keeps it and hands the list its keys). Typing searches the items by
// their beginning; a pause of more than two seconds starts a new search.
#include <QListWidget>
#include <functional>

class TSizeGripEx;

class TPopupListbox : public QListWidget {
    Q_OBJECT
public:
    explicit TPopupListbox(QWidget* owner);

    QString SearchText() const { return searchText_; }
    // Searches with the typed text added to the search text (restarted after a pause): the row of the
    // first item that begins with it, made current, or -1.
    int SearchKey(const QString& typed);
    void ClearSearch() { searchText_.clear(); }
    // Set when the user resized the shown list.
    bool SizeChangedByUser() const { return sizeChangedByUser_; }
    void SetSizeChangedByUser(bool v) { sizeChangedByUser_ = v; }
    int ItemHeight() const { return itemHeight_; }
    // The grip in the lower right corner; shown while the column lets the user size its list.
    TSizeGripEx* SizeGrip() const { return grip_; }
    // The frame's part of the list's height.
    int FrameHeight() const { return 2 * frameWidth(); }
    // Index of the first item that equals text, ignoring case, or that begins with it when partial.
    static int LocateText(const QStringList& items, const QString& text, bool partial);

    // Milliseconds of a steady clock; tests replace it.
    static std::function<qint64()> Clock;
    // Called on a mouse release: true when the pointer was inside the list.
    std::function<void(bool inside)> OnMouseUpEx;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QString searchText_;
    qint64 lastKey_ = 0;
    int itemHeight_ = 0;
    bool sizeChangedByUser_ = false;
    TSizeGripEx* grip_ = nullptr;
};
