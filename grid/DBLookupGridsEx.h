#pragma once
// The data grid as a lookup list: rows are the records of a list data set, columns its list fields; the
// grid keeps a key value (the key fields of the chosen record, or the special "none" row's value) and the
// chosen record's text. TPopupDataGridEx is the same list as a drop-down window with a size grip.
#include "grid/DBGridColumnsEx.h"
#include "grid/DBGridEx.h"
#include "grid/ToolCtrlsEx.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"
#include <QVariant>
#include <functional>

class TDBLookupGridEx;

// The lookup grid's link to the data set whose fields take the chosen key.
class TLookupGridDataLinkEx : public TDataLink {
public:
    explicit TLookupGridDataLinkEx(TDBLookupGridEx* grid) : grid_(grid) {}

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void FocusControl(TField** field) override;

private:
    TDBLookupGridEx* grid_;
};

// The special row's cell of one column: its own text, colour and font, else the special row's.
class TGridColumnSpecCellEx {
public:
    explicit TGridColumnSpecCellEx(TColumnEx* column) : column_(column) {}
    QString Text() const;
    void SetText(const QString& text);
    gfx::TColor Color() const;
    void SetColor(gfx::TColor color);
    const gfx::TFont& Font() const;
    void SetFont(const gfx::TFont& font);
    bool TextAssigned() const { return textAssigned_; }
    void Assign(const TGridColumnSpecCellEx& source);

private:
    const TSpecRowEx* specRow() const;
    TColumnEx* column_;
    QString text_;
    gfx::TColor color_ = gfx::clWindow;
    gfx::TFont font_;
    bool textAssigned_ = false, colorAssigned_ = false, fontAssigned_ = false;
};

// A column of a lookup grid: a column with its cell of the special row.
class TDBLookupGridColumnEx : public TColumnEx {
public:
    TDBLookupGridColumnEx(TDBGridColumnsEx* collection, bool stored) : TColumnEx(collection, stored), specCell_(this) {}
    TGridColumnSpecCellEx& SpecCell() { return specCell_; }

private:
    TGridColumnSpecCellEx specCell_;
};

// The lookup grid's column defaults: its columns and their titles follow them.
class TDBLookupGridColumnDefValuesEx : public TColumnDefValuesEx {
public:
    using TColumnDefValuesEx::TColumnDefValuesEx;
};

class TDBLookupGridEx : public TCustomDBGridEx {
    Q_OBJECT
public:
    explicit TDBLookupGridEx(QWidget* parent = nullptr);
    ~TDBLookupGridEx() override;

    // The data set whose fields take the chosen key (DataField, names joined by ';'). A single lookup
    // field as data field puts the grid in lookup mode: the list, its key and shown field come from it.
    void SetDataFieldSource(TDataSource* source);
    QString DataField() const { return dataField_; }
    void SetDataField(const QString& names);
    bool LookupMode() const { return lookupMode_; }

    // The list: its source (the grid's data source), key fields and shown fields (names joined by ';').
    TDataSource* ListSource() const { return DataSource(); }
    void SetListSource(TDataSource* source);
    QString KeyField() const { return keyField_; }
    void SetKeyField(const QString& names);
    QString ListField() const { return listField_; }
    void SetListField(const QString& names);
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
    // The width of the shown columns with their lines.
    int ColumnsWidth();
    int DataRowHeight() const;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    virtual bool CanModify() const;

    TDBLookupGridColumnEx* LookupColumn(int i) { return static_cast<TDBLookupGridColumnEx*>(Columns().Items(i)); }
    TDBLookupGridColumnDefValuesEx& ColumnDefValues()
    {
        return static_cast<TDBLookupGridColumnDefValuesEx&>(TCustomDBGridEx::ColumnDefValues());
    }
    // Both change the border or the titles: the height is snapped to whole rows again.
    void SetAutoFitColWidths(bool v) override;
    void SetUseMultiTitle(bool v) override;

    // Typed characters search the shown field; a pause of more than two seconds starts a new search.
    QString SearchText() const { return searchText_; }
    // Milliseconds of a steady clock; tests replace it.
    static std::function<qint64()> Clock;

    std::function<void(TDBLookupGridEx* sender)> OnKeyValueChanged;

protected:
    std::unique_ptr<TColumnDefValuesEx> CreateColumnDefValues() override;
    void ColWidthsChanged() override;
    int CalcTitleOffset() const override;
    void DrawSubTitleCell(int c, int r, const gfx::TRect& rect, TGridDrawState state) override;
    bool HighlightCell(int dataCol, int dataRow, const QString& value, TGridDrawState& state) override;
    void UpdateRowCount() override;
    void UpdateScrollBar() override;
    void UpdateScrollRange() override;
    void VerticalScrollAction(int action, int trackPos) override;
    void TimerScroll() override;
    void WMTimer(int id) override;
    void ColumnMoved(int from, int to) override;
    void resizeEvent(QResizeEvent* e) override;
    void LinkActive(bool value) override;
    void DataChanged() override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& ch) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

    virtual void KeyValueChanged();
    // The data fields were named or their data set opened or closed.
    virtual void UpdateDataFields();
    // The data set's record changed: the key follows its key fields.
    void DataLinkRecordChanged();
    void ProcessSearchKey(QChar ch);
    bool LocateKey();
    void SelectCurrent();
    void SelectSpecRow();
    // The list item under a point of the viewport: the special row, a record (the list moves to it), or
    // nothing; true when something was selected.
    bool SelectItemAt(int x, int y);

private:
    friend class TLookupGridDataLinkEx;
    TDataSet* listSet() const;
    void checkNotCircular(TDataSource* list) const;
    void checkNotLookupMode() const;
    void setLookupMode(bool on);
    int heightForRows(int rows) const;
    int titlesHeight() const;
    int borderHeight() const;
    // The data area's top and bottom in the viewport.
    int dataTop() const;
    int dataBottom() const;
    // How far the pointer is above (negative) or below the rows while dragging; 0 over them.
    int dragDistance() const;
    QVariant currentKey() const;
    void updateText();
    void applyHeight();
    int specRowIndex() const { return ShowTitles() ? 1 : 0; }

    TLookupGridDataLinkEx dataLink_{this};
    TDataSource internalSource_;
    QString dataField_;
    std::vector<TField*> dataFields_;
    QString keyFieldNames_;  // the data set's fields that hold the key
    bool lookupMode_ = false;
    bool adjustingHeight_ = false;
    int lastY_ = 0;
    QString keyField_, listField_;
    // The columns made from the list fields: how many, and the columns' make count right after.
    std::size_t madeCount_ = 0;
    quint64 madeAt_ = 0;
    bool madeFromListField();
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
    void ResetSizeChangedByUser() { resized_ = false; }
    std::function<void(TPopupDataGridEx* sender, bool accept)> OnCloseUp;

protected:
    void applyBorder() override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    TSizeGripEx* grip_;
    bool resized_ = false;
};
