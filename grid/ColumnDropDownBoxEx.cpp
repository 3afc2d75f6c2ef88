#include "grid/ColumnDropDownBoxEx.h"
#include "grid/ColumnEx.h"
#include "grid/DBLookupGridsEx.h"

TColumnDropDownBoxEx::TColumnDropDownBoxEx(TColumnEx* owner) : owner_(owner), specRow_(std::make_unique<TSpecRowEx>()) {}

TDBLookupGridEx& TColumnDropDownBoxEx::list()
{
    return *owner_->GetDataList();
}

void TColumnDropDownBoxEx::SetAutoFitColWidths(bool v)
{
    autoFitColWidths_ = v;
    if (TPopupDataGridEx* made = owner_->DataListIfMade())
        made->SetAutoFitColWidths(v);
}

void TColumnDropDownBoxEx::SetUseMultiTitle(bool v)
{
    useMultiTitle_ = v;
    if (TPopupDataGridEx* made = owner_->DataListIfMade())
        made->SetUseMultiTitle(v);
}

TDBGridColumnsEx& TColumnDropDownBoxEx::Columns() { return list().Columns(); }

TDBLookupGridColumnDefValuesEx& TColumnDropDownBoxEx::ColumnDefValues() { return list().ColumnDefValues(); }

TDBLookupGridExOptions TColumnDropDownBoxEx::Options() { return list().LookupOptions(); }

void TColumnDropDownBoxEx::SetOptions(TDBLookupGridExOptions options) { list().SetLookupOptions(options); }

void TColumnDropDownBoxEx::Assign(TColumnDropDownBoxEx& source)
{
    if (&source == this)
        return;
    SetAutoFitColWidths(source.autoFitColWidths_);
    SetUseMultiTitle(source.useMultiTitle_);
    SetSpecRow(*source.specRow_);
    // A list not made yet has its first values: none is made here just to copy them.
    TPopupDataGridEx* from = source.owner_->DataListIfMade();
    TPopupDataGridEx* to = owner_->DataListIfMade();
    if (!from) {
        if (to) {
            to->SetLookupOptions(bit(dlgColLinesEx));
            to->Columns().Clear();
        }
        return;
    }
    ColumnDefValues().Assign(from->ColumnDefValues());
    SetOptions(from->LookupOptions());
    if (from->Columns().State() == csCustomized)
        Columns().Assign(from->Columns());
    else
        Columns().Clear();
}

void TColumnDropDownBoxEx::ApplyTo(TDBLookupGridEx& list) const
{
    list.SetAutoFitColWidths(autoFitColWidths_);
    list.SetUseMultiTitle(useMultiTitle_);
}
