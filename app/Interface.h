#pragma once
// The journal facade: binds the main window and the manager to the journal controller of the
// application type, so neither knows which journal variant runs. Every operation is dispatched by the
// application type; "medic" and "police" have no journal and every operation does nothing for them.
#include "journal/JournalController.h"
#include "Devices/MeasurementsFacade.h"

#include <functional>
#include <memory>

class TInterface : public TMeasurementsFacade {
public:
    enum : int { Default = 1, Medic = 2, Police = 3, DefaultMP = 100 };

    // Makes the controller of an application type (1 or 100); null when that journal is not available.
    using ControllerFactory = std::function<std::unique_ptr<TJournalController>(int method)>;
    // The program's controllers.
    static ControllerFactory DefaultFactory();

    explicit TInterface(int method, const ControllerFactory& factory = DefaultFactory());
    ~TInterface() override;
    TInterface(const TInterface&) = delete;
    TInterface& operator=(const TInterface&) = delete;

    bool HasController() const { return controller_ != nullptr; }
    // Only "default_mp" has a consolidated report.
    bool HasConsolidatedReport() const { return method_ == DefaultMP && controller_ != nullptr; }

    void SetDirs(const QString& appDir, const QString& workDir);
    void SetOperator(const QString& name);
    void SetUserInfo(const QString& name, const QString& info);
    void InitDB(TADOQuery* query, TADOConnection* connection, TDataSource* ds, TADOQuery* lookup, TDBGridEx* grid,
                QLabel* viewPanel, QWidget* editButtons, TDBInfoPribors* info);
    void ReadSettings(rtl::TIniFile& ini);
    void SaveSettings(rtl::TIniFile& ini);
    void SetControls(QPushButton* edit, QPushButton* del, QLabel* countPanel, QPushButton* add);
    void EndBurst() override;
    void BeginBurst() override;
    void SetBurstCounter(const uint32_t* counter) override;
    void OnMeasurements(const TVELTMeasurement* rec, int refresh) override;
    bool LastRecordFiled() const override;
    void New();
    void Edit();
    void Delete();
    void ShowAll();
    void ShowToday();
    void Filter();
    void DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* column, unsigned state);
    bool IsRecordEditable();
    void Settings();
    void ConsolidatedReport();
    void Print();

private:
    // The controller when the type has a journal variant and it exists.
    TJournalController* journal() const;
    TJournalController* mp() const;

    int method_;
    std::unique_ptr<TJournalController> controller_;
};
