#pragma once
// The journal of "default_mp": one window class that is both the journal controller (views of Base, the
// grid's columns and cell colours, record-count status, settings, deletion), the filing of measurements
// (duplicate search, insert, update) and the act window in which one record is completed.
#include "journal/JournalController.h"
#include "core/ConvertTimeLong.h"
#include "journal/DataForm_MP.h"
#include "journal/Filter.h"
#include "platform/data/DataSetTypes.h"
#include "platform/graphics/JPEGImage.h"

#include <QDialog>

#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDataSet;
class TField;

class TfmDefault_MP_Akt : public QDialog, public TJournalController {
    Q_OBJECT
public:
    TfmDefault_MP_Akt();
    ~TfmDefault_MP_Akt() override;

    // ---- what the facade forwards ----
    void SetDirs(const QString& appDir, const QString& workDir) override;
    void SetOperator(const QString& name) override;
    void InitJournal(const TJournalBinding& binding) override;
    void ReadIni(rtl::TIniFile& ini) override;
    void WriteIni(rtl::TIniFile& ini) override;
    void NewMeasure(const TVELTMeasurement* rec, int refresh) override;
    void NewAct() override;
    void OpenAct() override;
    void DeleteRecords() override;
    void ShowAll() override;
    void ShowToday() override;
    void ShowFilterDialog() override;
    void DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* column,
                        unsigned state) override;
    void ShowJournalReport() override;
    TJournalSettings GetJournalSettings() const override { return Settings; }
    void ApplyJournalSettings(const TJournalSettings& settings) override;
    void SetControls(QPushButton* edit, QPushButton* del, QLabel* countPanel, QPushButton* add) override;
    void QueryAfterOpenInstall() override;
    void QueryAfterOpenBurstInstall() override;
    void SetBurstCounter(const uint32_t* counter) override { BurstCounter = counter; }
    bool IsRecordEditable() override;
    void ShowConsReport() override;

    // ---- views ----
    // Runs the view; with maxId 0 or more only the identifiers maxId - window .. maxId that pass the filter.
    void RefreshView(int maxId);
    void DeleteRecord(int id);
    void CreateBase();
    bool PatchDbfHeader(const QString& path);
    void BuildColumns();
    void LoadColumnWidths(rtl::TIniFile& ini);
    void SaveColumnWidths(rtl::TIniFile& ini);
    void ClearFilter();
    void SetDefaultSettings();
    void QueryAfterOpen(TDataSet* dataSet);
    void QueryAfterOpenBurst(TDataSet* dataSet);
    // Texts of the cells: an interlock event by its code, the state mark beside a value.
    static QString EventText(int32_t code);
    static QString StateMark(const QString& stat);
    // The filter dialog's answer (null: the dialog is shown); tests replace it.
    std::function<bool(TFilter& filter)> RunFilterDialog;

    // ---- filing ----
    // ID of the record filed or found; rowNo gets the view's current row number.
    int MergeRecord(const TVELTMeasurement& m, int* rowNo = nullptr);
    void FindRecord(const QString& date, int serial, bool withNumber, int32_t number, QChar stat, double izm,
                    QString& count, int& id);
    int InsertRecord(TDataForm_MP r);
    // fromAct: the act being saved from the window (its photo may be written).
    void UpdateRecord(const TDataForm_MP& r, bool fromAct = false);
    // The value as the journal keeps it: thousandths, rounded half up.
    static double RoundIzm(double v);
    // The act record of a measurement (every column but ID, NORMA and DATA_REC).
    TDataForm_MP RecordOf(const TVELTMeasurement& m) const;

    // ---- act ----
    void InitAct(TDataForm_MP& act);
    void ShowAct(const TDataForm_MP& act);
    void ActFromMeasurement(const TVELTMeasurement& m, int id, int rowNo);
    void StartWaiting();
    void StopWaiting();
    void MeasurementArrived();
    bool IsWaiting() const { return Waiting; }
    bool IsReceived() const { return Received; }
    TDataForm_MP ActFromControls() const;
    // Takes a still frame into the act as its photo, compressed at the quality setting (the capture step of
    // the photo button; the video panel that supplies frames comes with the video client).
    bool FixPhoto(const QImage& frame);
    const gfx::TJPEGImage* ActPhoto() const { return Photo.get(); }
    void bWaitNewIzmClick();
    void bSaveClick();
    void bCancelClick();

    // ---- state, readable by the shell and tests ----
    const TFilter& CurrentFilter() const { return Filter; }
    const TDataForm_MP& Act() const { return Akt; }
    int IdWindow() const { return IdentWindow; }
    QString OperatorName() const { return Oper; }

    // ---- act window controls ----
    QGroupBox* gbDannie_s_Pribora;
    QLabel* Label31;
    QLabel* lbDATA_IZM;
    QLabel* lbPRIBOR;
    QLabel* lbIZM;
    QLabel* lbIZM_AIR;
    QLabel* lbSTAT;
    QLabel* lbnumber_zapis;
    QPushButton* bWaitNewIzm;
    QGroupBox* GroupBox3;
    QLabel* Label8;
    QLineEdit* eOBSL_FAM;
    QLineEdit* eOBSL_NAME;
    QLineEdit* eOBSL_PAT;
    QLineEdit* eMEAS_PLACE;
    QLineEdit* eOBSL_NAUTO;
    QGroupBox* GroupBox2;
    QLineEdit* eINSP_FAM;
    QLineEdit* eINSP_NAME;
    QLineEdit* eINSP_PAT;
    QLineEdit* eINSP_DEPR;
    QLineEdit* eINSP_NUMB;
    QLabel* lbOPER;
    QLabel* imSavePhoto;
    QPushButton* bSave;
    QPushButton* bCancel;

private:
    void buildWindow();
    void showPhoto(const gfx::TJPEGImage* photo);
    void editButtonsVisibility();
    void relayoutGrid();
    // The controls as a view of n records outside a burst shows them.
    void viewOpened(int n);
    double normaOf(int serial, const QString& date);
    TField* field(const char* name) const;

    // Borrowed from the main window.
    TADOQuery* ADOQuery = nullptr;
    TADOConnection* ADOConnection = nullptr;
    TDataSource* DS = nullptr;
    TADOQuery* ADOQueryP = nullptr;
    TDBGridEx* DBGrid = nullptr;
    QLabel* pnViewName = nullptr;
    QWidget* pnEditButtons = nullptr;
    TLocateOptions LocateOptions;
    critsection_t TableLock;
    QString AppDir;
    QString WorkDir;
    QString Oper;
    TDataForm_MP Akt;
    TFilter Filter;
    TJournalSettings Settings;
    TDBInfoPribors* DBInfoPribors = nullptr;
    bool Waiting = false;
    bool Received = false;
    std::unique_ptr<gfx::TJPEGImage> Photo;
    bool PhotoFixed = false; // the act's photo was taken in this act and is not stored yet
    critsection_t PhotoLock;
    int IdentWindow = 10;
    QPushButton* dUpdate = nullptr;
    QPushButton* bDelete = nullptr;
    QPushButton* bNew = nullptr;
    QLabel* StatusCount = nullptr;
    const uint32_t* BurstCounter = nullptr;
    // The grid held the focus when a burst disabled it: it gets it back when the burst is over.
    bool gridFocusBeforeBurst_ = false;
    // One-entry cache of the norm the painter asks for row after row.
    int normaSerial_ = -1;
    QString normaDate_;
    double normaValue_ = 0;
};
