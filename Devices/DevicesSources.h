#pragma once
// A measurement source: one configured instrument with its device type, its driver thread, its device number
// (which names its VELT.ini section) and its tab in the sources window. Main thread only.
#include "Devices/DeviceDriver.h"
#include "Devices/MeasurementStack.h"

#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QWidget>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class TDBInfoPribors;

struct TEnumTypeDev {
    int id;
    const char* name; // UTF-8
};

constexpr int kDeviceTypeCount = 7;
// The device types in list order, and the kind of driver each maps to.
extern const TEnumTypeDev kDeviceTypes[kDeviceTypeCount];
extern const int kDeviceKinds[kDeviceTypeCount];
QString DeviceTypeText(int index);

// Builds the driver of a kind; null for a kind whose driver does not exist. Tests put their own in place.
using TDriverFactory = std::function<std::unique_ptr<TDeviceDriver>(int kind, const QString& name, int typeId)>;

class TDevicesSources : public QObject {
    Q_OBJECT
public:
    TDevicesSources(QObject* owner, TDBInfoPribors* dbInfoPribors);
    ~TDevicesSources() override;

    void AttachStack(const TStackHooks& stack);
    void BuildUI(QWidget* tabSheet);
    QWidget* GetTabSheet() const { return TabSheet; }
    void SetNumber(int number) { Number = number; }
    int GetNumber() const { return Number; }

    // Start-up: selects the type of this text and applies it; a text not in the list selects nothing.
    void SelectType(const QString& typeText);
    void ApplyClick();
    // The operator picked a type: the old driver ends, the new one starts from its starting settings.
    void TypeChange();
    int CreateDevice(int typeId, const QString& typeText);
    void DestroyDevice();
    void LoadSettings(const QString& iniPath);
    void SaveSettings(const QString& iniPath);
    void Read();

    int GetTypeId() const { return TypeId; }
    int Kind() const;
    TDeviceDriver* GetDevice() const { return Device.get(); }
    // True while a type change runs: the source must not be deleted then.
    bool Busy() const { return busy_ > 0; }
    QComboBox* TypeCombo() const { return cbType; }

    static TDriverFactory SetDriverFactory(TDriverFactory factory); // returns the previous one
    static std::unique_ptr<TDeviceDriver> CreateDriver(int kind, const QString& name, int typeId);

private:
    void setTabCaption(const QString& caption);

    int TypeId = 0;
    std::unique_ptr<TDeviceDriver> Device;
    int Number = 0;
    QPointer<QWidget> TabSheet;
    QPointer<QLabel> lbType;
    QPointer<QComboBox> cbType;
    QPointer<QPushButton> bApply;
    QPointer<QWidget> pnDevice;
    TStackHooks stack_;
    TDBInfoPribors* DBInfoPribors;
    int busy_ = 0;
};
