#pragma once
// The journal controller of "default": the 11-column journal without inspector, photos, instrument
// norms, bursts or identifier window. It files through the shared filing engine with the "default"
// schema, re-reads its whole view after each insert, paints the main window's six design columns and
// drives its act window.
#include "journal/DataForm.h"
#include "journal/Default_ActWindow.h"
#include "journal/JournalControllerBase.h"

#include <QTimer>

#include <chrono>
#include <memory>

class TfmDefault_Akt : public TJournalControllerBase {
public:
    TfmDefault_Akt();
    ~TfmDefault_Akt() override;

    // ---- what the facade forwards ----
    void InitJournal(const TJournalBinding& binding) override;
    void ReadIni(rtl::TIniFile& ini) override;
    void WriteIni(rtl::TIniFile& ini) override;
    // A record is filed (no end-of-burst refresh here: a null record does nothing).
    void NewMeasure(const TVELTMeasurement* rec, int refresh) override;
    bool LastMeasureFiled() const override { return lastFiled_; }
    void NewAct() override;
    void OpenAct() override;
    void DeleteRecords() override;
    void DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* column,
                        unsigned state) override;
    void ShowJournalReport() override;
    void ApplyJournalSettings(const TJournalSettings& settings) override;

    void SetDefaultSettings();

    // ---- act ----
    void InitAct(TDataForm& act);
    void ShowAct(const TDataForm& act);
    void ActFromMeasurement(const TVELTMeasurement& m, int id, int rowNo);
    void bWaitNewIzmClick();
    void bSaveClick();
    // The act as typed, in the report window; nothing is written.
    void bPrintAktClick();
    void bCancelClick();
    // A made-up measurement with the simulation group's surnames, filed as an instrument's would be.
    void Button1Click();

    // A whole-view read after filings is waiting for its pause to end.
    bool IsViewPending() const { return ViewPending; }
    // The waiting read now, when there is one.
    void FlushView();

    const TDataForm& Act() const { return Akt; }
    TfmDefault_ActWindow& ActWindow() { return *Window; }

private:
    void showWaiting(bool waiting) override;
    // The whole view after an insert, read at once unless it was read less than kViewPause ago; then once
    // the pause is over, standing on the newest record filed. A memory download files hundreds of records
    // a second, and a large view costs milliseconds each time it is read.
    void viewAfterInsert(int id);

    static constexpr std::chrono::milliseconds kViewPause{200};
    QTimer ViewTimer;
    std::chrono::steady_clock::time_point LastViewRead;
    bool ViewPending = false;
    bool lastFiled_ = true;
    int PendingId = 0;

    TDataForm Akt;
    int ActRow = 0; // the view's row number of the act's record
    std::unique_ptr<TfmDefault_ActWindow> Window;
};
