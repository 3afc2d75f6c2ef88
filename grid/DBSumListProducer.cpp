#include "grid/DBSumListProducer.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
#include <cmath>

namespace {
void chain(const TDataSet::TDataSetNotifyEvent& h, TDataSet* ds)
{
    if (h)
        h(ds);
}
constexpr std::int64_t One = 10000;
} // namespace

TDBSumListProducer::TDBSumListProducer() : sums_(this) {}

TDBSumListProducer::~TDBSumListProducer()
{
    Deactivate(false);
}

void TDBSumListProducer::SetActive(bool v)
{
    if (v == active_)
        return;
    v ? Activate(true) : Deactivate(true);
}

void TDBSumListProducer::Activate(bool recalc)
{
    active_ = true;
    if (loading_)
        return;
    SetDataSetEvents();
    if (recalc)
        RecalcAll();
}

void TDBSumListProducer::Deactivate(bool clear)
{
    active_ = false;
    if (loading_)
        return;
    ReturnEvents();
    if (clear)
        ClearSumValues();
}

void TDBSumListProducer::Loaded()
{
    loading_ = false;
    if (dataSet_ && active_)
        Activate(true);
}

void TDBSumListProducer::SetDataSet(TDataSet* ds)
{
    if (ds == dataSet_)
        return;
    if (loading_) {
        dataSet_ = ds;
        return;
    }
    const bool wasActive = active_;
    Deactivate(true);
    dataSet_ = ds;
    if (wasActive)
        Activate(true);
}

void TDBSumListProducer::SetExternalRecalc(bool v)
{
    if (v == externalRecalc_)
        return;
    externalRecalc_ = v;
    RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool v)
{
    if (v == virtualRecords_)
        return;
    virtualRecords_ = v;
    if (v)
        RecalcAll();
}

void TDBSumListProducer::SetDataSetEvents()
{
    if (!dataSet_ || hooked_)
        return;
    TDataSet* ds = dataSet_;
    oldAfterCancel_ = ds->AfterCancel;
    oldAfterClose_ = ds->AfterClose;
    oldAfterEdit_ = ds->AfterEdit;
    oldAfterInsert_ = ds->AfterInsert;
    oldAfterOpen_ = ds->AfterOpen;
    oldAfterPost_ = ds->AfterPost;
    oldAfterScroll_ = ds->AfterScroll;
    oldBeforeDelete_ = ds->BeforeDelete;
    ds->AfterCancel = [this](TDataSet* d) { afterCancel(d); };
    ds->AfterClose = [this](TDataSet* d) { afterClose(d); };
    ds->AfterEdit = [this](TDataSet* d) { afterEdit(d); };
    ds->AfterInsert = [this](TDataSet* d) { afterInsert(d); };
    ds->AfterOpen = [this](TDataSet* d) { afterOpen(d); };
    ds->AfterPost = [this](TDataSet* d) { afterPost(d); };
    ds->AfterScroll = [this](TDataSet* d) { afterScroll(d); };
    ds->BeforeDelete = [this](TDataSet* d) { beforeDelete(d); };
    hooked_ = true;
}

void TDBSumListProducer::ReturnEvents()
{
    if (!hooked_)
        return;
    if (TDataSet* ds = dataSet_) {
        ds->AfterCancel = std::move(oldAfterCancel_);
        ds->AfterClose = std::move(oldAfterClose_);
        ds->AfterEdit = std::move(oldAfterEdit_);
        ds->AfterInsert = std::move(oldAfterInsert_);
        ds->AfterOpen = std::move(oldAfterOpen_);
        ds->AfterPost = std::move(oldAfterPost_);
        ds->AfterScroll = std::move(oldAfterScroll_);
        ds->BeforeDelete = std::move(oldBeforeDelete_);
    }
    oldAfterCancel_ = oldAfterClose_ = oldAfterEdit_ = oldAfterInsert_ = oldAfterOpen_ = oldAfterPost_ =
        oldAfterScroll_ = oldBeforeDelete_ = nullptr;
    hooked_ = false;
    records_.clear();
}

TField* TDBSumListProducer::fieldOf(const TDBSum& s) const
{
    return s.fieldName_.isEmpty() || !dataSet_ ? nullptr : dataSet_->FindField(s.fieldName_);
}

std::int64_t TDBSumListProducer::contribution(TField* f)
{
    // A null value (or no such field) contributes nothing.
    return f && !f->IsNull() ? TDBSum::ToFixed(f->AsFloat()) : 0;
}

void TDBSumListProducer::recomputeAvg(TDBSum& s)
{
    s.sumValue_ = s.count_ ? std::int64_t(std::nearbyint(double(s.total_) / s.count_)) : 0;
}

void TDBSumListProducer::account(TDBSum& s, int sign, std::int64_t part, bool counted)
{
    switch (s.op_) {
    case goSum: s.sumValue_ += sign * part; break;
    case goAvg:
        s.total_ += sign * part;
        if (counted)
            s.count_ += sign;
        break;
    case goCount:
        if (counted)
            s.sumValue_ += sign * One;
        break;
    }
}

void TDBSumListProducer::ClearSumValues()
{
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        s->sumValue_ = s->oldContribution_ = s->total_ = 0;
        s->count_ = 0;
    }
    DoSumListChanged();
}

void TDBSumListProducer::DoSumListChanged()
{
    if (SumListChanged)
        SumListChanged(this);
}

void TDBSumListProducer::RecalcAll()
{
    if (loading_ || !active_ || !dataSet_ || !dataSet_->Active() || !hooked_)
        return;
    ClearSumValues();
    cursor_ = -1;
    if (OnRecalcAll)
        OnRecalcAll(this);
    if (!externalRecalc_) {
        bool needPass = virtualRecords_ && noRecordNumbers();
        for (int i = 0; i < sums_.Count(); ++i)
            needPass = needPass || aggregated(*sums_.Items(i));
        if (needPass) {
            TDataSet* ds = dataSet_;
            ds->DisableControls();
            records_.clear();
            inRecalc_ = true;
            rtl::TScopeGuard failed([&] {
                inRecalc_ = false;
                ds->EnableControls();
            });
            ds->First();
            while (!ds->Eof()) {
                forEachAggregated([](TDBSum& s, TField* f) {
                    account(s, +1, contribution(f), counts(s, !f || f->IsNull()));
                });
                if (virtualRecords_ && noRecordNumbers())
                    records_.push_back(ds->GetBookmark());
                ds->Next();
            }
            ds->First();
            failed.Dismiss();
            for (int i = 0; i < sums_.Count(); ++i)
                if (sums_.Items(i)->op_ == goAvg)
                    recomputeAvg(*sums_.Items(i));
            ds->EnableControls();
        }
    }
    inRecalc_ = false;
    DoSumListChanged();
}

void TDBSumListProducer::afterOpen(TDataSet* ds)
{
    if (active_)
        RecalcAll();
    chain(oldAfterOpen_, ds);
}

void TDBSumListProducer::afterClose(TDataSet* ds)
{
    if (active_) {
        ClearSumValues();
        DoSumListChanged();
        inRecalc_ = false;
    }
    chain(oldAfterClose_, ds);
}

void TDBSumListProducer::afterInsert(TDataSet* ds)
{
    if (active_) {
        for (int i = 0; i < sums_.Count(); ++i) {
            TDBSum& s = *sums_.Items(i);
            if (s.op_ == goCount) {
                TField* f = fieldOf(s);
                s.oldContribution_ = (!s.fieldName_.isEmpty() && f && !f->IsNull()) ? One : 0;
            } else {
                s.oldContribution_ = 0;
                s.oldValue_ = QVariant();
            }
        }
        if (virtualRecords_ && noRecordNumbers())
            pendingInsert_ = true;
    }
    chain(oldAfterInsert_, ds);
}

void TDBSumListProducer::afterEdit(TDataSet* ds)
{
    chain(oldAfterEdit_, ds);
    if (!active_)
        return;
    forEachAggregated([](TDBSum& s, TField* f) {
        const bool isNull = !f || f->IsNull();
        if (s.op_ == goCount) {
            s.oldContribution_ = counts(s, isNull) ? One : 0;
        } else {
            s.oldContribution_ = contribution(f);
            s.oldValue_ = f ? f->Value() : QVariant();
        }
    });
}

void TDBSumListProducer::afterPost(TDataSet* ds)
{
    if (active_) {
        // The record's part before the edit (or nothing for a new record) goes out, its part now comes in.
        forEachAggregated([this](TDBSum& s, TField* f) {
            const bool wasCounted = s.op_ == goCount ? s.oldContribution_ != 0 : !s.oldValue_.isNull();
            account(s, -1, s.oldContribution_, wasCounted);
            account(s, +1, contribution(f), counts(s, !f || f->IsNull()));
            if (s.op_ == goAvg)
                recomputeAvg(s);
        });
        if (virtualRecords_ && noRecordNumbers() && pendingInsert_) {
            const QByteArray bm = ds->GetBookmark();
            int pos = (cursor_ < 0 || cursor_ >= int(records_.size())) ? 0 : cursor_;
            while (pos > 0 && ds->CompareBookmarks(records_[size_t(pos - 1)], bm) > 0)
                --pos;
            while (pos < int(records_.size()) && ds->CompareBookmarks(records_[size_t(pos)], bm) < 0)
                ++pos;
            records_.insert(records_.begin() + pos, bm);
            pendingInsert_ = false;
        }
        DoSumListChanged();
    }
    chain(oldAfterPost_, ds);
}

void TDBSumListProducer::beforeDelete(TDataSet* ds)
{
    chain(oldBeforeDelete_, ds);
    if (!active_)
        return;
    forEachAggregated([this](TDBSum& s, TField* f) {
        account(s, -1, contribution(f), counts(s, !f || f->IsNull()));
        if (s.op_ == goAvg)
            recomputeAvg(s);
    });
    if (virtualRecords_ && noRecordNumbers()) {
        const int at = FindVirtualRecord(ds->GetBookmark());
        if (at >= 0)
            records_.erase(records_.begin() + at);
    }
    DoSumListChanged();
}

void TDBSumListProducer::afterCancel(TDataSet* ds)
{
    chain(oldAfterCancel_, ds);
    pendingInsert_ = false;
}

void TDBSumListProducer::afterScroll(TDataSet* ds)
{
    // The data sets here have no filter of their own: nothing changes the record set on a scroll.
    chain(oldAfterScroll_, ds);
}

int TDBSumListProducer::FindVirtualRecord(const QByteArray& bookmark)
{
    if (records_.empty() || !dataSet_)
        return -1;
    if (cursor_ < 0 || cursor_ >= int(records_.size()))
        cursor_ = 0;
    int c = dataSet_->CompareBookmarks(records_[size_t(cursor_)], bookmark);
    while (c > 0 && cursor_ > 0)
        c = dataSet_->CompareBookmarks(records_[size_t(--cursor_)], bookmark);
    while (c < 0 && cursor_ < int(records_.size()) - 1)
        c = dataSet_->CompareBookmarks(records_[size_t(++cursor_)], bookmark);
    return c == 0 ? cursor_ : -1;
}

bool TDBSumListProducer::IsSequenced() const
{
    if (dataSet_ && dataSet_->IsSequenced())
        return true;
    if (!dataSet_ || !virtualRecords_ || !active_)
        return false;
    return !records_.empty() || (dataSet_->Bof() && dataSet_->Eof());
}

int TDBSumListProducer::RecordCount() const
{
    if (noRecordNumbers() && virtualRecords_ && active_)
        return int(records_.size());
    return dataSet_ ? dataSet_->RecordCount() : 0;
}

int TDBSumListProducer::GetRecNo() const
{
    if (noRecordNumbers() && virtualRecords_ && active_)
        return const_cast<TDBSumListProducer*>(this)->FindVirtualRecord(dataSet_->GetBookmark()) + 1;
    return dataSet_ ? dataSet_->RecNo() : 0;
}

void TDBSumListProducer::SetRecNo(int n)
{
    if (noRecordNumbers() && virtualRecords_ && active_) {
        if (n >= 1 && n <= int(records_.size()))
            dataSet_->GotoBookmark(records_[size_t(n - 1)]);
        return;
    }
    if (dataSet_)
        dataSet_->SetRecNo(n);
}
