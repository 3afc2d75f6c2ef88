#pragma once
// The consolidated report ("Сводный Отчёт"): for the instruments and the period the user picks, what the
// "default_mp" journal holds about each (records, days in use, alcohol tests, norm exceedances, missing
// exhalation numbers, interlock events), written into a copy of REPORTS/pattern.xls and saved as an
// Excel 97-2003 workbook.
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
class TADOQuery;
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
    // Every month counted as 30 days and every year as 365; -1 for a text that is no "yyyy.mm.dd ..." date.
    static int DayNumber(const QString& dateText);

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
    struct Instrument;

    void FormCreate();
    bool StartExcel();
    bool Period(QString& start, QString& end, QString& condition);
    Instrument Collect(int serial, const QString& condition);
    void Put(const QString& label, const QVariant& value = QVariant());
    void WriteHead(const QString& start, const QString& end, int days);
    void WriteInstrument(int serial, const Instrument& s, int periodDays);
    // Opens the saved report with the desktop's program; when that cannot be done the operator is told
    // where the report is.
    static void OpenWithProgram(const QString& file);

    std::unique_ptr<TADOQuery> ADOQuery;
    std::unique_ptr<TExcel> Excel;
    QString WorkDir;
    TDBInfoPribors* InfoPribors = nullptr;
    int Row = 1;
    int LeftOut = 0; // rows of the report not written into the sheet
    bool Shown = false;
};
