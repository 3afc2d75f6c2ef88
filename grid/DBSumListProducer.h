#pragma once
// Keeps aggregates over all records of a data set current while records are edited, inserted and
// deleted: it installs its own handlers into the data set's events (chaining to the ones there before)
// and updates each sum by one step per change instead of a pass over the data set. It can also keep the
// bookmarks of all records (virtual records) for data sets without record numbers.
#include "grid/DBSum.h"
#include "platform/data/DataSet.h"
#include <QByteArray>
#include <functional>
#include <vector>

class TDBSumListProducer {
public:
    TDBSumListProducer();
    virtual ~TDBSumListProducer();
    TDBSumListProducer(const TDBSumListProducer&) = delete;
    TDBSumListProducer& operator=(const TDBSumListProducer&) = delete;

    bool Active() const { return active_; }
    void SetActive(bool v);
    void Activate(bool recalc);
    void Deactivate(bool clear);
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* ds);
    bool ExternalRecalc() const { return externalRecalc_; }
    void SetExternalRecalc(bool v);
    bool VirtualRecords() const { return virtualRecords_; }
    void SetVirtualRecords(bool v);
    TDBSumCollection& SumCollection() { return sums_; }
    void SetLoading(bool v) { loading_ = v; }
    void Loaded();

    virtual void RecalcAll();
    virtual void ClearSumValues();
    virtual void SetDataSetEvents();
    virtual void ReturnEvents();
    virtual int FindVirtualRecord(const QByteArray& bookmark);

    bool IsSequenced() const;
    int RecordCount() const;
    int GetRecNo() const;
    void SetRecNo(int n);

    std::function<void(TDBSumListProducer*)> OnRecalcAll;
    std::function<void(TDBSumListProducer*)> SumListChanged;

protected:
    void DoSumListChanged();

private:
    bool noRecordNumbers() const { return dataSet_ && !dataSet_->IsSequenced(); }
    bool aggregated(const TDBSum& s) const { return s.op_ == goCount || !s.fieldName_.isEmpty(); }
    TField* fieldOf(const TDBSum& s) const;
    static std::int64_t contribution(TField* f);
    void recomputeAvg(TDBSum& s);
    // Whether a record with its field null or not counts in a count or an average (a count without a
    // field counts every record).
    static bool counts(const TDBSum& s, bool isNull) { return !isNull || (s.op_ == goCount && s.fieldName_.isEmpty()); }
    // Puts one record's part into a sum (sign +1) or takes it out (-1): its contribution and, for counts
    // and averages, whether it counts.
    static void account(TDBSum& s, int sign, std::int64_t part, bool counted);
    // Runs f(sum, its field) for each sum that aggregates a field or counts records.
    template <class F> void forEachAggregated(F f)
    {
        for (int i = 0; i < sums_.Count(); ++i)
            if (TDBSum& s = *sums_.Items(i); aggregated(s))
                f(s, fieldOf(s));
    }
    void afterOpen(TDataSet*);
    void afterClose(TDataSet*);
    void afterInsert(TDataSet*);
    void afterEdit(TDataSet*);
    void afterPost(TDataSet*);
    void beforeDelete(TDataSet*);
    void afterCancel(TDataSet*);
    void afterScroll(TDataSet*);

    bool virtualRecords_ = false;
    bool inRecalc_ = false;
    bool active_ = true;
    TDataSet* dataSet_ = nullptr;
    bool hooked_ = false;
    bool externalRecalc_ = false;
    bool loading_ = false;
    int cursor_ = -1;
    TDBSumCollection sums_;
    bool pendingInsert_ = false;
    std::vector<QByteArray> records_;
    TDataSet::TDataSetNotifyEvent oldAfterCancel_, oldAfterClose_, oldAfterEdit_, oldAfterInsert_, oldAfterOpen_,
        oldAfterPost_, oldAfterScroll_, oldBeforeDelete_;
};
