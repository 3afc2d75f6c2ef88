#pragma once
// The hub of the instrument side: owns the measurement stack, the up to 16 measurement sources with their
// window, and the burst watchdog. Its thread takes the records the drivers push and hands each, on the main
// thread, to the journal facade.
#include "Devices/ControlMeasure.h"
#include "Devices/MeasurementStack.h"
#include "Devices/Thread.h"
#include "core/Measurement.h"

#include <QString>

#include <cstdint>

class TDBInfoPribors;
class TDevicesSources;
class TMeasurementsFacade;
class TfmFormManager;

constexpr int kMaxSources = 16;

class TManager : public TThread {
public:
    // Reads the sources from WorkDir/VELT.ini and creates their drivers; with createSuspended false the
    // thread starts at once.
    TManager(bool createSuspended, const QString& workDir, TDBInfoPribors* dbInfoPribors);
    // Stops the manager thread first, then saves and ends every source, then frees the window and the watchdog.
    ~TManager() override;

    void CreateControlMeasure(TMeasurementsFacade* facade);
    void ShowForm();
    void ReadCurrentDevice();

    bool PopMeasurement(TVELTMeasurement* dest);
    void DeliverMeasurement(); // main thread

    int AllocDeviceSource();
    bool FreeDeviceSource(int slot);
    void AddDeviceClick();
    void DeleteDeviceClick();

    // For the window and the tests.
    TDevicesSources* Source(int slot) const { return slot >= 0 && slot < kMaxSources ? Sources[slot] : nullptr; }
    int GetSourceCount() const { return int(SourceCount); }
    int GetCurrentSource() const { return int(CurrentSource); }
    TfmFormManager* Form() const { return FormManager; }
    TControlMeasure* Watchdog() const { return ControlMeasure; }
    TStackHooks StackHooks() { return Stack.Hooks(); }
    QString IniPath() const;

protected:
    void Execute() override;

private:
    // A new tab (brought to the front when shown) and a slot for its source; -1, said and the tab gone, when
    // every slot is taken.
    int newSourceTab(class QWidget*& tab, bool shown = false);
    void attachSource(int slot, class QWidget* tabSheet, int number);
    int nextDeviceNumber(int newSlot) const;
    bool anySourceBusy() const;

    TDevicesSources* Sources[kMaxSources] = {};
    uint32_t SourceCount = 0;
    uint32_t CurrentSource = 0;
    TMeasurementStack Stack;
    TMeasurementsFacade* Interface = nullptr;
    TfmFormManager* FormManager = nullptr;
    TVELTMeasurement Current;
    QString WorkDir;
    TDBInfoPribors* DBInfoPribors;
    TControlMeasure* ControlMeasure = nullptr;
};
