#pragma once
// What the journal facade needs of a journal controller, and the settings value the controllers and the
// settings dialog exchange. The controllers implement it here, below the shell that drives them.
#include <QString>

#include <cstdint>

class QLabel;
class QPushButton;
class QWidget;
class TDataSource;
class TDBGridEx;
class TCustomDBGridEx;
class TColumnEx;
class TDBInfoPribors;
class TADOQuery;
class TADOConnection;
struct TVELTMeasurement;
namespace rtl { class TIniFile; }
namespace gfx { struct TRect; }

// Journal settings, copied whole between the settings dialog and a controller.
struct TJournalSettings {
    uint8_t VideoOn = 0;          // video and photo function on
    int8_t JpegQuality = 0;       // quality of stored photos
    uint8_t Reserved = 0;         // read by no operation, handed back unchanged
    uint8_t OnlyForAlkozamok = 0; // the program serves interlocks only
    bool operator==(const TJournalSettings&) const = default;
};
static_assert(sizeof(TJournalSettings) == 4);

// What the main window hands the journal at initialisation.
struct TJournalBinding {
    TADOQuery* Query = nullptr;         // the journal query
    TADOConnection* Connection = nullptr;
    TDataSource* DS = nullptr;          // data source of the journal query, bound to the grid
    TADOQuery* LookupQuery = nullptr;
    TDBGridEx* Grid = nullptr;
    QLabel* ViewPanel = nullptr;        // the controller writes the name of its view into it
    QWidget* EditButtons = nullptr;     // given to "default_mp" only
    TDBInfoPribors* InfoPribors = nullptr;
};

// A journal controller: "default" (application type 1) or "default_mp" (100). The facade calls each
// operation only for the variants that have it; the defaults below are never reached for the others.
class TJournalController {
public:
    virtual ~TJournalController() = default;

    virtual void SetDirs(const QString& appDir, const QString& workDir) = 0;
    virtual void SetOperator(const QString& name) = 0;
    virtual void InitJournal(const TJournalBinding& binding) = 0;
    virtual void ReadIni(rtl::TIniFile& ini) = 0;
    virtual void WriteIni(rtl::TIniFile& ini) = 0;
    // A record, or none at the end of a burst (refresh 1; "default" always gets 0).
    virtual void NewMeasure(const TVELTMeasurement* rec, int refresh) = 0;
    virtual void NewAct() = 0;
    virtual void OpenAct() = 0;
    virtual void DeleteRecords() = 0;
    virtual void ShowAll() = 0;
    virtual void ShowToday() = 0;
    virtual void ShowFilterDialog() = 0;
    virtual void DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* column,
                                unsigned state) = 0;
    virtual void ShowJournalReport() = 0;
    // The settings exchange: the facade shows the settings dialog with this value and, after OK only,
    // hands the new value back; the controller then repaints its grid and applies what changed.
    virtual TJournalSettings GetJournalSettings() const = 0;
    virtual void ApplyJournalSettings(const TJournalSettings& settings) = 0;

    // "default_mp" only.
    virtual void SetControls(QPushButton* edit, QPushButton* del, QLabel* countPanel, QPushButton* add)
    {
        (void)edit; (void)del; (void)countPanel; (void)add;
    }
    virtual void QueryAfterOpenInstall() {}      // the normal after-open handler of the journal query
    virtual void QueryAfterOpenBurstInstall() {} // the in-burst one
    virtual void SetBurstCounter(const uint32_t* counter) { (void)counter; }
    virtual bool IsRecordEditable() { return false; }
    // False when the last measurement handed to NewMeasure could not be filed (the operator was told).
    virtual bool LastMeasureFiled() const { return true; }
    virtual void ShowConsReport() {}
};
