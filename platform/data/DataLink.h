#pragma once
// TDataLink: a control's view of a data source. It keeps a window of BufferCount rows around the current
// record (the rows a grid shows) and turns the data set's events into the virtual notifications below.
// Setting ActiveRecord makes the fields read that row of the window (for painting); set it back after.
#include "platform/data/DataSetTypes.h"

class TDataSource;
class TDataSet;
class TField;

class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    // Window position of the record fields read (normally the current record).
    int ActiveRecord() const;
    void SetActiveRecord(int record);
    // Rows in the window (at most BufferCount).
    int RecordCount() const;
    // Row index of the window's first row.
    int FirstRecord() const { return first_; }

    bool Bof() const;
    bool Eof() const;
    int MoveBy(int distance);
    // Puts the data set into edit mode (unless read-only); true when it is editing afterwards.
    bool Edit();
    // Asks the link to write pending control changes into the fields (UpdateData).
    void UpdateRecord();

    // --- for the data source ---
    void DataEvent(TDataEvent event, qintptr info);

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { (void)distance; DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField** field) { (void)field; }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() {}

private:
    void UpdateState();
    // Moves the window so the current record is inside it and filled as far as rows allow; returns how
    // many rows the window moved (positive: towards the end).
    int UpdateRange();
    void CenterRange();

    TDataSource* dataSource_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
    int bufferCount_ = 1;
    int first_ = 0;
};
