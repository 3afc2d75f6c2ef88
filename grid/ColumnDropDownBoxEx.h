#pragma once
// A column's settings for the drop-down list of records it opens. Fitting the columns to the list's
// width and multi-level titles are kept here and put on the list; its columns, column defaults and
// options are the list's own, read and written on it (the list is made on first need).
#include "grid/DBGridExTypes.h"
#include "grid/ToolCtrlsEx.h"
#include <memory>

class TColumnEx;
class TDBGridColumnsEx;
class TDBLookupGridColumnDefValuesEx;
class TDBLookupGridEx;

class TColumnDropDownBoxEx {
public:
    explicit TColumnDropDownBoxEx(TColumnEx* owner);
    TColumnDropDownBoxEx(const TColumnDropDownBoxEx&) = delete;
    TColumnDropDownBoxEx& operator=(const TColumnDropDownBoxEx&) = delete;

    bool AutoFitColWidths() const { return autoFitColWidths_; }
    void SetAutoFitColWidths(bool v);
    bool UseMultiTitle() const { return useMultiTitle_; }
    void SetUseMultiTitle(bool v);
    TSpecRowEx& SpecRow() { return *specRow_; }
    void SetSpecRow(const TSpecRowEx& row) { specRow_->Assign(row); }

    TDBGridColumnsEx& Columns();
    TDBLookupGridColumnDefValuesEx& ColumnDefValues();
    TDBLookupGridExOptions Options();
    void SetOptions(TDBLookupGridExOptions options);

    // Copies the values and options; the columns only when the source's are the user's own.
    void Assign(TColumnDropDownBoxEx& source);
    // Puts the values kept here on a list just made.
    void ApplyTo(TDBLookupGridEx& list) const;

private:
    TDBLookupGridEx& list();
    TColumnEx* owner_;
    bool autoFitColWidths_ = true;
    bool useMultiTitle_ = false;
    std::unique_ptr<TSpecRowEx> specRow_;
};
