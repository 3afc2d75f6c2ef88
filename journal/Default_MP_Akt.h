#pragma once
// The journal controller of "default_mp": what the facade forwards for this variant. It binds the main
// window's query and grid, files measurements through the shared filing engine, runs the views, paints the
// cells by their look, keeps the record-count status and settings, and drives the act window.
#include "journal/JournalController.h"
#include "core/ConvertTimeLong.h"
#include "core/CriticalSection.h"
#include "journal/DataForm_MP.h"
#include "journal/Default_MP_ActWindow.h"
#include "journal/JournalFiling.h"
#include "journal/JournalView.h"
#include "platform/graphics/JPEGImage.h"

#include <functional>
#include <memory>

class QImage;
class TDataSet;

class TfmDefault_MP_Akt : public TJournalController {
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
    void BuildColumns();
    void LoadColumnWidths(rtl::TIniFile& ini);
    void SaveColumnWidths(rtl::TIniFile& ini);
    void SetDefaultSettings();
    void QueryAfterOpen(TDataSet* dataSet);
    void QueryAfterOpenBurst(TDataSet* dataSet);
    // The filter dialog's answer (null: the dialog is shown); tests replace it.
    std::function<bool(TFilter& filter)> RunFilterDialog;

    // ---- filing ----
    // ID of the record filed or found; rowNo gets the view's current row number.
    int MergeRecord(const TVELTMeasurement& m, int* rowNo = nullptr) { return Filing.MergeRecord(m, rowNo); }

    // ---- act ----
    void InitAct(TDataForm_MP& act);
    void ShowAct(const TDataForm_MP& act);
    void ActFromMeasurement(const TVELTMeasurement& m, int id, int rowNo);
    void StartWaiting();
    void StopWaiting();
    void MeasurementArrived();
    bool IsWaiting() const { return Waiting; }
    bool IsReceived() const { return Received; }
    // Takes a still frame into the act as its photo, compressed at the quality setting (the capture step of
    // the photo button; the video panel that supplies frames comes with the video client).
    bool FixPhoto(const QImage& frame);
    const gfx::TJPEGImage* ActPhoto() const { return Photo.get(); }
    void bWaitNewIzmClick();
    void bSaveClick();
    // The act as typed, in the report window; nothing is written.
    void bPrintAktClick();
    void bCancelClick();

    // ---- state, readable by the shell and tests ----
    const TFilter& CurrentFilter() const { return View.Filter(); }
    const TDataForm_MP& Act() const { return Akt; }
    int IdWindow() const { return View.IdentWindow; }
    QString OperatorName() const { return Oper; }
    TfmDefault_MP_ActWindow& ActWindow() { return *Window; }

private:
    void deleteRecords();
    // The current row of the view as an act, with its photo.
    TDataForm_MP readAct(bool& photoUnreadable);
    void editButtonsVisibility();
    void relayoutGrid();
    // The view-name caption and a repaint after a named view.
    void viewShown(const QString& caption);
    // The controls as a view of n records outside a burst shows them.
    void viewOpened(int n);

    // Borrowed from the main window.
    TADOQuery* ADOQuery = nullptr;
    TADOConnection* ADOConnection = nullptr;
    TDataSource* DS = nullptr;
    TADOQuery* ADOQueryP = nullptr;
    TDBGridEx* DBGrid = nullptr;
    QLabel* pnViewName = nullptr;
    QWidget* pnEditButtons = nullptr;
    critsection_t TableLock;
    QString AppDir;
    QString WorkDir;
    QString Oper;
    TDataForm_MP Akt;
    TJournalView View;
    TJournalFiling Filing{DefaultMpFiling()};
    TJournalSettings Settings;
    TDBInfoPribors* DBInfoPribors = nullptr;
    std::unique_ptr<TfmDefault_MP_ActWindow> Window;
    bool Waiting = false;
    bool Received = false;
    std::unique_ptr<gfx::TJPEGImage> Photo;
    bool PhotoFixed = false; // the act's photo was taken in this act and is not stored yet
    critsection_t PhotoLock;
    QPushButton* dUpdate = nullptr;
    QPushButton* bDelete = nullptr;
    QPushButton* bNew = nullptr;
    QLabel* StatusCount = nullptr;
    const uint32_t* BurstCounter = nullptr;
    // The grid held the focus when a burst disabled it: it gets it back when the burst is over.
    bool gridFocusBeforeBurst_ = false;
};
