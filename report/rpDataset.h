#pragma once
// Report data sets: the walker with a record range that data bands go through. TrpUserDataset is the
// walker without data (a band repeated a number of times, or driven by its events).
#include <QObject>
#include <functional>

enum TRangeBegin { rbFirst = 0, rbCurrent = 1 };
enum TRangeEnd { reLast = 0, reCurrent = 1, reCount = 2 };

class TrpDataset : public QObject {
public:
    using TNotifyEvent = std::function<void(TrpDataset*)>;
    using TCheckEOFEvent = std::function<void(TrpDataset*, bool& eof)>;

    explicit TrpDataset(QObject* parent = nullptr);
    ~TrpDataset() override;

    virtual void Init();
    virtual void Exit();
    virtual void First();
    virtual void Next();
    virtual bool Eof();

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    TRangeBegin RangeBegin = rbFirst;
    TRangeEnd RangeEnd = reLast;
    int RangeEndCount = 0;
    TNotifyEvent OnFirst;
    TNotifyEvent OnNext;
    TCheckEOFEvent OnCheckEOF;
    int RecNo = 0;
};

class TrpUserDataset : public TrpDataset {
public:
    using TrpDataset::TrpDataset;
};
