#pragma once
// The object inspector: a floating tool window listing named rows of the selected view, each value typed
// into an edit box laid over its row or edited by a property editor window opened from a "..." button.
// It knows nothing of views: every row points at a text owned by the caller and a change is reported
// through OnModify with the row's index.
#include <QDialog>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QLineEdit;
class TrpSpeedButton;
class TrpView;

enum TCtrlStyle : quint8 { csEdit = 0, csDefEditor = 1 };

// A window that edits one property of a view (the memo editor is one).
class TPropEditor : public QDialog {
public:
    using QDialog::QDialog;
    // The modal result (QDialog::Accepted for OK).
    virtual int ShowEditor() { return exec(); }
    TrpView* View = nullptr;
};

// One row of the inspector.
struct TProp {
    TProp(QString* value, TCtrlStyle style, TPropEditor* editor) : Value(value), Style(style), Editor(editor) {}
    QString* Value;
    TCtrlStyle Style;
    TPropEditor* Editor;
    bool Enabled = true;
};

class TrpInspForm : public QWidget {
public:
    explicit TrpInspForm(QWidget* owner = nullptr);
    ~TrpInspForm() override;

    // Takes the rows (their TProp objects become the inspector's).
    void SetItems(const QList<std::pair<QString, TProp*>>& items);
    void ItemsChanged();
    void EnableItem(int index, bool enabled);
    int GetCount() const { return int(Items.size()); }
    TProp* CurItem() const;
    QString GetItemValue(int index) const;
    void SetItemValue(const QString& text);
    void SetItemIndex(int index);
    void ClearItems();
    // Opens the current row's editor (the "..." button).
    void EditProp();
    // The caption's double click: rolls the window up, or back down.
    void RollUp();
    // A click in the rows at y (paint box coordinates).
    void RowsMouseDown(int y);
    void PaintRows(QPainter& painter);

    QWidget* Panel1;
    QWidget* PaintBox1;
    TrpSpeedButton* SpeedButton1;
    QLineEdit* Edit1;
    QList<std::pair<QString, TProp*>> Items;
    int ItemIndex = -1;
    std::function<void(int)> OnModify;
    int ItemHeight = 16;
    int W = 0;
    int W1 = 0;
    TrpView* CurView = nullptr;
    bool Busy = false;
    int SavedHeight = 0;
    int SavedWidth = 0;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void commitEdit();
    void placeEdit();
    QImage bitmap_;
};
