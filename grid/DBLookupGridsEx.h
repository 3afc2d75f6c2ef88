#pragma once
// The data grid as a lookup list: rows are the records of a list data set, columns its list fields; the
// grid keeps a key value (the key fields of the chosen record, or the special "none" row's value) and the
// chosen record's text. TPopupDataGridEx is the same list as a drop-down window with a size grip.
#include "grid/DBGridEx.h"
#include "grid/ToolCtrlsEx.h"
#include <QVariant>
#include <functional>

enum TDBLookupGridExOption { dlgColumnResizeEx, dlgColLinesEx, dlgRowLinesEx, dlgAutoSortMarkingEx, dlgMultiSortMarkingEx };
using TDBLookupGridExOptions = unsigned;

class TDBLookupGridEx : public TCustomDBGridEx {
    Q_OBJECT
public:
    explicit TDBLookupGridEx(QWidget* parent = nullptr);

    // The list: its source (the grid's data source), key fields and shown fields (names joined by ';').
    TDataSource* ListSource() const { return DataSource(); }
    void SetListSource(TDataSource* source);
    QString KeyField() const { return keyField_; }
    void SetKeyField(const QString& names);
    QString ListField() const { return listField_; }
    void SetListField(const QString& names);
    int ListFieldIndex() const { return listFieldIndex_; }
    void SetListFieldIndex(int i);

    QVariant KeyValue() const { return keyValue_; }
    // Sets the key from outside: the list moves to its record, or shows the special row.
    void SetKeyValue(const QVariant& value);
    // Sets the key as if the user chose it: the key-value event hears it.
    void SelectKeyValue(const QVariant& value);
    // The chosen record's shown field, or the special row's text while it is chosen.
    QString Text() const { return text_; }
    bool SpecRowSelected() const { return specRowSelected_; }

    TSpecRowEx& SpecRow() { return specRow_; }
    TDBLookupGridExOptions LookupOptions() const { return lookupOptions_; }
    void SetLookupOptions(TDBLookupGridExOptions o);
    bool ShowTitles() const { return has(Options(), dgTitles); }
    void SetShowTitles(bool v);
    // Rows shown, kept within 1..100; the height follows.
    int RowCount() const { return rowCount_; }
    void SetRowCount(int n);
    int SpecRowHeight() const;
    int DataRowHeight() const;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    virtual bool CanModify() const;

    // Typed characters search the shown field; a pause of more than two seconds starts a new search.
    QString SearchText() const { return searchText_; }
    // Milliseconds of a steady clock; tests replace it.
    static std::function<qint64()> Clock;

    std::function<void(TDBLookupGridEx* sender)> OnKeyValueChanged;

protected:
    int CalcTitleOffset() const override;
    void DrawSubTitleCell(int c, int r, const gfx::TRect& rect, TGridDrawState state) override;
    bool HighlightCell(int dataCol, int dataRow, const QString& value, TGridDrawState& state) override;
    void UpdateRowCount() override;
    void LinkActive(bool value) override;
    void DataChanged() override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& ch) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

    virtual void KeyValueChanged();
    void ProcessSearchKey(QChar ch);
    bool LocateKey();
    void SelectCurrent();
    void SelectSpecRow();
    // The list item under a point of the viewport: the special row, a record (the list moves to it), or
    // nothing; true when something was selected.
    bool SelectItemAt(int x, int y);

private:
    TDataSet* listSet() const;
    QVariant currentKey() const;
    void updateText();
    void applyHeight();
    int specRowIndex() const { return ShowTitles() ? 1 : 0; }

    QString keyField_, listField_;
    int listFieldIndex_ = 0;
    QVariant keyValue_;
    QString text_;
    bool specRowSelected_ = false;
    TSpecRowEx specRow_;
    TDBLookupGridExOptions lookupOptions_ = 1u << dlgColLinesEx;
    int rowCount_ = 7;
    bool readOnly_ = false;
    bool tracking_ = false;
    bool listChanging_ = false;
    QString searchText_;
    static qint64 lastSearchKey_;
};

// The lookup list as a drop-down window: never takes the focus, selects what the pointer moves over and
// closes on a release (accepting on a record or the special row, rejecting outside the window).
class TPopupDataGridEx : public TDBLookupGridEx {
    Q_OBJECT
public:
    explicit TPopupDataGridEx(QWidget* parent = nullptr);
    TSizeGripEx& SizeGrip() { return *grip_; }
    bool SizeChangedByUser() const { return resized_; }
    std::function<void(TPopupDataGridEx* sender, bool accept)> OnCloseUp;

protected:
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TSizeGripEx* grip_;
    bool resized_ = false;
};
