#pragma once
// The journal controller of "default_mp": what the facade forwards for this variant. It binds the main
// window's query and grid, files measurements through the shared filing engine, runs the views, paints the
// cells by their look, keeps the record-count status and settings, and drives the act window.
#include "journal/JournalControllerBase.h"
#include "journal/DataForm_MP.h"
#include "journal/Default_MP_ActWindow.h"
#include "journal/JournalFiling.h"
#include "journal/JournalView.h"
#include "platform/graphics/JPEGImage.h"

#include <functional>
#include <memory>

class QImage;
class TDataSet;

class TfmDefault_MP_Akt : public TJournalControllerBase {
public:
    TfmDefault_MP_Akt();
    ~TfmDefault_MP_Akt() override;

    // ---- what the facade forwards ----
    void InitJournal(const TJournalBinding& binding) override;
    void ReadIni(rtl::TIniFile& ini) override;
    void WriteIni(rtl::TIniFile& ini) override;
    void NewMeasure(const TVELTMeasurement* rec, int refresh) override;
    void NewAct() override;
    void OpenAct() override;
    void DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* column,
                        unsigned state) override;
    void ShowJournalReport() override;
    void ApplyJournalSettings(const TJournalSettings& settings) override;
    void SetControls(QPushButton* edit, QPushButton* del, QLabel* countPanel, QPushButton* add) override;
    void QueryAfterOpenInstall() override;
    void QueryAfterOpenBurstInstall() override;
    void SetBurstCounter(const uint32_t* counter) override { BurstCounter = counter; }
    bool IsRecordEditable() override;
    void ShowConsReport() override;
    bool LastMeasureFiled() const override { return lastFiled_; }

    // ---- views ----
    void BuildColumns();
    void LoadColumnWidths(rtl::TIniFile& ini);
    void SaveColumnWidths(rtl::TIniFile& ini);
    void SetDefaultSettings();
    void QueryAfterOpen(TDataSet* dataSet);
    void QueryAfterOpenBurst(TDataSet* dataSet);

    // ---- act ----
    void InitAct(TDataForm_MP& act);
    void ShowAct(const TDataForm_MP& act);
    void ActFromMeasurement(const TVELTMeasurement& m, int id, int rowNo);
    // Takes a still picture into the act as its photo, compressed at the quality setting (the photo panel's
    // "фиксация фотографии" hands over what its live picture shows).
    bool FixPhoto(const QImage& frame);
    // The video client of the photo panel: started when video is on and none runs; video stays on only
    // when the server answered.
    bool StartVideo();
    void StopVideo();
    void RestartVideo();
    const gfx::TJPEGImage* ActPhoto() const { return Photo.get(); }
    void bWaitNewIzmClick();
    void bSaveClick();
    // The act as typed, in the report window; nothing is written.
    void bPrintAktClick();
    void bCancelClick();

    // ---- state, readable by the shell and tests ----
    const TDataForm_MP& Act() const { return Akt; }
    int IdWindow() const { return View.IdentWindow; }
    TfmDefault_MP_ActWindow& ActWindow() { return *Window; }

private:
    // The current row of the view as an act, with its photo.
    TDataForm_MP readAct(bool& photoUnreadable);
    void showWaiting(bool waiting) override;
    void editButtonsVisibility();
    // The controls as a view of n records outside a burst shows them.
    void viewOpened(int n);

    // Borrowed from the main window.
    QWidget* pnEditButtons = nullptr;
    TDataForm_MP Akt;
    TDBInfoPribors* DBInfoPribors = nullptr;
    // Guards the photo panel's view-sized picture: the client's frame drawn into it and the copy a photo is
    // taken from (the panel takes it). The client hands its frames over through the main thread's event loop,
    // so every holder is the main thread and it never waits. Made before the window, whose panel holds it.
    critsection_t PhotoLock;
    std::unique_ptr<TfmDefault_MP_ActWindow> Window;
    std::unique_ptr<gfx::TJPEGImage> Photo;
    bool PhotoFixed = false; // the act's photo was taken in this act and is not stored yet
    QPushButton* dUpdate = nullptr;
    QPushButton* bDelete = nullptr;
    QPushButton* bNew = nullptr;
    QLabel* StatusCount = nullptr;
    const uint32_t* BurstCounter = nullptr;
    // The grid held the focus when a burst disabled it: it gets it back when the burst is over.
    bool gridFocusBeforeBurst_ = false;
    bool lastFiled_ = true;
};
