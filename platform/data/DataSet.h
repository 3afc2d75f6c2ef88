#pragma once
// TDataSet: a cursor over rows with fields, the state machine browse / edit / insert, stable bookmarks,
// Locate, DisableControls, replaceable event handlers and the notifications that reach data links through
// data sources.
//
// A concrete data set (TMemDataSet, TADOQuery) supplies rows through the protected Row* hooks: row i of
// the current order has a stable identity (the bookmark) and values by field index. Rows are random
// access, so a data link's buffer window can show any row without moving the cursor.
#include "platform/data/DataSetTypes.h"
#include "platform/data/FieldDef.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class TField;
class TDataSource;
class TDataLink;
class TBlobStream;

class TDataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet*)>;

    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    QString Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    // Opening and state.
    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active) { active ? Open() : Close(); }
    TDataSetState State() const { return state_; }

    // Navigation. RecNo is 1-based (0 when there is no record); RecordCount is the number of rows.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const;
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const;
    virtual bool IsSequenced() const { return true; }

    // Fields.
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField* Fields(int index) const
    {
        if (index < 0 || index >= FieldCount())
            RaiseFieldIndex(index);
        return fields_[static_cast<std::size_t>(index)].get();
    }
    TField* FindField(const QString& name) const;     // case-insensitive; null when absent
    TField* FindField(QLatin1StringView name) const;  // the same, for names written in the code
    TField* FieldByName(const QString& name) const;   // raises "Field 'X' not found"
    QStringList FieldNames() const;
    void GetFieldNames(QStringList& list) const { list = FieldNames(); }
    bool DefaultFields() const { return true; }
    // A field shown from another data set by the key fields of this one (see TField::KeyFields); it
    // follows the data fields and outlives a close and open.
    TField* AddLookupField(const QString& name, TFieldType type, int size, const QString& keyFields,
                           TDataSet* lookupDataSet, const QString& lookupKeyFields, const QString& lookupResultField);

    // Bookmarks: stable record identities. CompareBookmarks orders by the current row order.
    TBookmark GetBookmark() const;
    // The bookmark of the record the fields read now (a data link's active record while a row of its
    // window is painted); empty for the record being inserted.
    TBookmark ActiveBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);     // raises "Record not found" for a stale one
    bool BookmarkValid(const TBookmark& bookmark) const;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

    // Editing.
    void Edit();
    void Insert();
    void Append() { Insert(); }
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    virtual bool CanModify() const { return Active(); }
    bool Modified() const { return modified_; }
    std::unique_ptr<TBlobStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

    // Finds the first row whose fields (names joined by ';') equal the values (a list for several
    // fields) and makes it current. Texts compare case-insensitively with loCaseInsensitive and as
    // prefixes with loPartialKey; numbers always compare exactly.
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options);
    QVariant Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields);

    // While disabled, data links hear nothing; the last EnableControls tells them the data set changed.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    void UpdateCursorPos() {}
    // Grows whenever rows or their stored values change (open, close, post, delete, a re-read); a reader
    // that keeps something derived from the rows compares it to know whether that still holds.
    quint64 ChangeCount() const { return changeCount_; }

    // The master data set of a detail set; none here.
    virtual TDataSource* MasterSource() const { return nullptr; }

    // Event handlers: read them, replace them, chain them.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeEdit, AfterEdit, BeforeInsert,
        AfterInsert, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll,
        AfterScroll;

    // --- for fields, data sources and data links ---
    QVariant GetFieldValue(const TField* field) const;
    void SetFieldValue(TField* field, const QVariant& value);
    void AttachDataSource(TDataSource* source);
    void DetachDataSource(TDataSource* source);
    // Position of the current record in the view (-1 when none) and of the record the fields read. While
    // a record is inserted the view holds one row more: the new record, at the current record's position,
    // before the records from there on.
    int CurrentRow() const { return cur_; }
    int ActiveRow() const { return activeRow_; }
    void SetActiveRow(int row) { activeRow_ = row; }
    int RowTotal() const { return Active() ? RowCount() + (state_ == dsInsert ? 1 : 0) : 0; }
    void MoveField(TField* field, int index);

protected:
    // Builds the rows and returns the field list.
    virtual std::vector<TFieldDef> InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual int RowCount() const = 0;
    virtual quint64 RowId(int row) const = 0;
    virtual QVariant RowValue(int row, int field) const = 0;
    // The value as the data set keeps it, for reading without a copy; null when it keeps none.
    virtual const QVariant* PeekRowValue(int /*row*/, int /*field*/) const { return nullptr; }
    // Writes the changed values of row (or a new row for -1) and returns the row's index afterwards.
    virtual int InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed) = 0;
    virtual void InternalDelete(int row) = 0;
    // Row index of an identity, -1 when it is gone. The default keeps a map of identities to rows that
    // follows this class's own deletes and posts; a concrete set that changes its rows otherwise overrides it.
    virtual int RowOfId(quint64 id) const;
    // The first row (in the current order) that Locate would find, -1 for none. The default compares
    // row by row; a data set with indexes may answer faster.
    virtual int FindRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) const;
    virtual std::unique_ptr<TField> CreateField(const TFieldDef& def);
    // Whether a row's value satisfies Locate's comparison with a wanted value.
    static bool LocateMatches(const TField* field, const QVariant& have, const QVariant& want, TLocateOptions options);
    // A row's value, kept or else copied into `copy`.
    const QVariant* rowValueAt(int row, int field, QVariant& copy) const;

    void CheckActive() const;
    // The column of the rows a field reads (its Index may differ after fields were moved).
    static int FieldNo(const TField* field);
    // After the concrete data set changed its rows (a statement): re-place the cursor.
    void RowsChanged(int currentRow);
    // Forgets where rows from this one on stand (they moved, came or went).
    void RowsMovedFrom(int row) const { rowsMapped_ = std::min(rowsMapped_, std::max(0, row)); }

private:
    [[noreturn]] static void RaiseFieldIndex(int index);
    void BindFields(const std::vector<TFieldDef>& defs);
    struct LookupDef {
        TFieldDef def;
        QString keyFields, lookupKeyFields, resultField;
        TDataSet* lookupDataSet;
    };
    TField* createLookupField(const LookupDef& d);
    QVariant lookupValue(const TField* field) const;
    void setLookupValue(TField* field, const QVariant& value);
    void SetState(TDataSetState state);
    void MoveCursor(int row, bool scrollEvent);
    // A jump (Locate, GotoBookmark, SetRecNo) re-reads the rows around the new record: links centre it.
    void JumpTo(int row);
    void Notify(TDataEvent event, qintptr info);
    // The row of the records a view position shows; -1 for the record being inserted or none.
    int RowOfView(int position) const;

    QString name_;
    TDataSetState state_ = dsInactive;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<TFieldDef> fieldDefs_;
    std::vector<LookupDef> lookupDefs_;
    std::vector<TDataSource*> sources_;
    int cur_ = -1;
    int activeRow_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    bool modified_ = false;
    std::vector<QVariant> editValues_;
    std::vector<bool> editChanged_;
    int editRow_ = -1;  // row being edited; -1 while inserting
    // Identity to row: exact for the rows below rowsMapped_; entries at or past it may be stale and are
    // re-read from there when asked for. A delete only unmaps from its row on, so deleting marked rows
    // from the last to the first never re-reads.
    mutable QHash<quint64, int> rowOfId_;
    mutable int rowsMapped_ = 0;
    quint64 changeCount_ = 0;
    void forgetRows() const { rowOfId_.clear(); rowsMapped_ = 0; }
};
