#pragma once
// The five operations every driver offers its measurement source, over the common thread base.
// The source creates a driver on the main thread, calls Init at once, then LoadSettings; it ends it with
// Terminate, WaitFor (serving the driver's synchronised calls) and delete.
#include "Devices/MeasurementStack.h"
#include "Devices/Thread.h"

#include <QString>

class QWidget;
class TDBInfoPribors;

class TDeviceDriver : public TThread {
public:
    TDeviceDriver(const QString& name, int typeId) : Name(name), TypeId(typeId) {}

    // Builds the driver's settings controls on panel and keeps the stack hooks (not owned).
    virtual void Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors* dbInfoPribors) = 0;
    // Reads the driver's keys from section "Device_%03i"; an empty path gives the starting settings.
    virtual void LoadSettings(const QString& iniPath, int number) = 0;
    // Writes "TypeDev" and the driver's keys into section "Device_%03i".
    virtual void SaveSettings(const QString& iniPath, int number) = 0;
    // The sources window's read command.
    virtual void GetEEPROM() = 0;

    const QString Name; // the device type text
    const int TypeId;
};

// "Device_%03i"
QString DeviceSectionName(int number);
