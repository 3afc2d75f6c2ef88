#pragma once
// The report window of the "default" journal: the journal view or one act, with the photo of
// PHOTOS/tmp.jpg (or no_photo.jpg) in the journal report's photo objects.
#include "journal/ReportWindow.h"

#include <QStringList>

class TDataSource;
class TrpView;

class TfmDefault_Report : public TfmReportWindow {
public:
    explicit TfmDefault_Report(QWidget* owner = nullptr);

    static const QString JournalTemplate; // of REPORTS

    // False when the template cannot be read (the window has said so); the caller frees the window.
    bool ShowJournal(TDataSet* query, TDataSource* source, const QString& workDir, const QString& operatorName);
    // The journal report over the journal, as ShowJournal binds it, without loading or building it.
    void BindJournal(TDataSet* query, TDataSource* source, const QString& workDir, const QString& operatorName);
    bool ShowAct(const QString& workDir, const TDataReportAkt& act);

    void rpRepGetValue(const QString& name, QVariant& value);
    void rpRepAktGetValue(const QString& name, QVariant& value);
    void rpRepEnterRect(QStringList& memo, TrpView* view);
    void rpRepAktEnterRect(QStringList& memo, TrpView* view);
};
