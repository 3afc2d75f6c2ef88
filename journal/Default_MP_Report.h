#pragma once
// The report window of the "default_mp" journal: the journal view with the legal norm of each
// instrument, or one act with its photo (the built-in "no photo" picture when it has none).
#include "journal/ReportWindow.h"

#include <QStringList>

class TDataSource;
class TDBInfoPribors;
class TrpView;
namespace gfx {
class TJPEGImage;
}

class TfmDefault_MP_Report : public TfmReportWindow {
public:
    explicit TfmDefault_MP_Report(QWidget* owner = nullptr);

    static const QString JournalTemplate; // of REPORTS

    // False when the template cannot be read (the window has said so); the caller frees the window.
    bool ShowJournal(TDataSet* query, TDataSource* source, TDBInfoPribors* infoPribors, const QString& workDir,
                     const QString& operatorName);
    // The journal report over the journal, as ShowJournal binds it, without loading or building it.
    void BindJournal(TDataSet* query, TDataSource* source, TDBInfoPribors* infoPribors, const QString& workDir,
                     const QString& operatorName);
    bool ShowAct(const QString& workDir, const TDataReportAkt& act);

    void rpRepGetValue(const QString& name, QVariant& value);
    void rpRepAktGetValue(const QString& name, QVariant& value);
    void rpRepAktEnterRect(QStringList& memo, TrpView* view);

    // The act's photo, owned by the act form; set before ShowAct, null for an act without one.
    const gfx::TJPEGImage* Photo = nullptr;

private:
    TDBInfoPribors* infoPribors_ = nullptr;
};
