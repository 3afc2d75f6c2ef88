#pragma once
// The journal controller of "default": the 11-column journal without inspector, photos, instrument
// norms, bursts or identifier window. It files through the shared filing engine with the "default"
// schema, re-reads its whole view after each insert, paints the main window's six design columns and
// drives its act window.
#include "journal/DataForm.h"
#include "journal/Default_ActWindow.h"
#include "journal/JournalControllerBase.h"

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
    // The design columns sized to what they show, by the grid's fonts: every column to its title and widest
    // value, and the names to the rest of the grid's width (kept so as the window is sized).
    void FitColumns();

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

    const TDataForm& Act() const { return Akt; }
    TfmDefault_ActWindow& ActWindow() { return *Window; }

private:
    void showWaiting(bool waiting) override;
    bool lastFiled_ = true;

    TDataForm Akt;
    int ActRow = 0; // the view's row number of the act's record
    std::unique_ptr<TfmDefault_ActWindow> Window;
};
