#pragma once
// The window of the consolidated report ("Сводный Отчёт"): the instruments and the period the user picks, the
// file the report is saved to, and what is told of it. What the "default_mp" journal holds about each
// instrument (records, days in use, alcohol tests, norm exceedances, missing exhalation numbers, interlock
// events) is read and written into a copy of REPORTS/pattern.xls by the report's engine.
#include "journal/ConsReportEngine.h"
#include "journal/Excel.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class TADOConnection;
class TDBInfoPribors;

class TfmConsReport : public QDialog {
    Q_OBJECT
public:
    explicit TfmConsReport(QWidget* owner = nullptr);
    ~TfmConsReport() override;

    // The journal's connection, the work folder and the instrument information table (not owned).
    void SetDatabase(TADOConnection* connection, const QString& workDir, TDBInfoPribors* infoPribors);

    void FormShow();
    void cbUsedDateRangeClick();
    void bSaveToExcelClick();
    void bCancelClick();

    // The name the save dialog offers at a moment, and the file written for the name chosen.
    static QString SuggestedFileName(double now);
    static QString FileToWrite(const QString& chosen);

    // The opening of the saved file with its program; tests replace it.
    std::function<void(const QString& file)> OpenSavedFile;
    const TExcel& ExcelClient() const { return *Excel; }

    QGroupBox* GroupBox1;
    QRadioButton* rbFillOnlyNonZero;
    QRadioButton* rbOnlyMeasure;
    QRadioButton* rbMeasAndState;
    QGroupBox* GroupBox2;
    QCheckBox* cbUsedDateRange;
    QLabel* lbStartDate;
    QDateEdit* dtpStartDate;
    QLabel* lbEndDate;
    QDateEdit* dtpEndDate;
    QGroupBox* GroupBox3;
    QListWidget* clbPribors;
    QCheckBox* cbOpenAfterSave;
    QPushButton* bSaveToExcel;
    QPushButton* bCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    bool StartExcel();
    // The period the window's choice gives; false (the operator told) when the journal's dates cannot make one.
    bool Period(TConsPeriod& period);
    // Opens the saved report with the desktop's program; when that cannot be done the operator is told
    // where the report is.
    static void OpenWithProgram(const QString& file);

    // The report's own query on the journal lives in the engine.
    std::unique_ptr<TConsReportEngine> Engine;
    std::unique_ptr<TExcel> Excel;
    QString WorkDir;
    bool Shown = false;
};
