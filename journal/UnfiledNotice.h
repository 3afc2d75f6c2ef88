#pragma once
// Tells the operator of measurements the journal could not file: one box for each burst that had such a
// measurement, whatever the operator does with the box.
//
// The box is shown after the filing call has returned, never inside it: the manager hands records over one
// synchronised call at a time, so a box held open inside the call would hold back the rest of the burst, the
// watchdog would end the burst meanwhile, and the records held back would come as bursts of their own, each
// telling again. Shown from the event loop, the box lets the burst go on underneath it; a burst that fails
// while it is open is told by the next box, once this one is answered.
#include <QString>
#include <QStringList>
#include <QTimer>

class TUnfiledNotice {
public:
    TUnfiledNotice();

    // A measurement of the burst in progress was not filed; the texts are the operator's words for why and
    // for which measurement (the first of the burst handed over is the one named).
    void Failed(const QString& reason, const QString& measurement);
    // The burst is over: a failure after this belongs to the next burst.
    void BurstEnded();

    // The box for a burst (one measurement named); the same words in the box of either journal.
    static QString Text(const QString& reason, const QString& measurement);

private:
    void tell();

    QTimer timer_;
    bool failedThisBurst_ = false;
    bool telling_ = false;
    QStringList untold_; // the texts of the bursts not told yet, oldest first
};
