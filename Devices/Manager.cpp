#include "Devices/Manager.h"
#include "Devices/DevicesSources.h"
#include "Devices/FormManager.h"
#include "Devices/MeasurementsFacade.h"
#include "core/Debug.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/IniFile.h"

#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include <exception>

namespace {

const QString kAttention = QString::fromUtf8("Внимание!");
const QString kNewSourceCaption = QString::fromUtf8("Ещё не определённый источник");

} // namespace

TManager::TManager(bool createSuspended, const QString& workDir, TDBInfoPribors* dbInfoPribors)
    : Current(ZeroMeasurement()), WorkDir(workDir), DBInfoPribors(dbInfoPribors)
{
    FormManager = new TfmFormManager;
    QObject::connect(FormManager->bCreateDev, &QPushButton::clicked, FormManager, [this] { AddDeviceClick(); });
    QObject::connect(FormManager->bDeleteDev, &QPushButton::clicked, FormManager, [this] { DeleteDeviceClick(); });

    {
        rtl::TIniFile ini(IniPath());
        for (int i = 0; i < kMaxSources; ++i) {
            const QString section = DeviceSectionName(i);
            if (!ini.SectionExists(section))
                continue;
            QWidget* tab = nullptr;
            const int slot = newSourceTab(tab);
            if (slot < 0)
                continue;
            attachSource(slot, tab, i);
            const QString typeText = ini.ReadString(section, QStringLiteral("TypeDev"), QString());
            if (!typeText.isEmpty())
                Sources[slot]->SelectType(typeText);
        }
    }
    for (uint32_t slot = 0; slot < SourceCount; ++slot) {
        if (Sources[slot])
            Sources[slot]->LoadSettings(IniPath());
    }

    if (SourceCount > 0) {
        CurrentSource = SourceCount - 1;
    } else if (ctl::MessageBox(
                   QString::fromUtf8("В программе не настроены приборы! Вы не сможете получать данные от приборов.\n"
                                     "Желаете настроить их сейчас?\nВы можете настроить их позже, открыв окно "
                                     "настроек: 'Опции\\Источники измерений'"),
                   kAttention, ctl::MB_OKCANCEL | ctl::MB_ICONWARNING) == ctl::IDOK) {
        ShowForm();
    }
    if (!createSuspended)
        Resume();
}

TManager::~TManager()
{
    // 1. The manager thread ends first; while it is waited for, its pending delivery still runs.
    Stop();
    // 2. Every source saves its settings, then ends its driver.
    for (uint32_t slot = 0; slot < SourceCount; ++slot) {
        if (Sources[slot]) {
            Sources[slot]->SaveSettings(IniPath());
            FreeDeviceSource(int(slot));
        }
    }
    // 3. The window, then the watchdog.
    delete FormManager;
    FormManager = nullptr;
    delete ControlMeasure;
    ControlMeasure = nullptr;
}

QString TManager::IniPath() const
{
    // A work folder copied from Windows may hold the file under another case of its name.
    return rtl::resolveCaseInsensitive(WorkDir + QStringLiteral("/VELT.ini"));
}

void TManager::CreateControlMeasure(TMeasurementsFacade* facade)
{
    Interface = facade;
    delete ControlMeasure;
    ControlMeasure = new TControlMeasure(facade);
}

void TManager::ShowForm()
{
    ctl::ExecDialog(*FormManager);
}

void TManager::ReadCurrentDevice()
{
    TDevicesSources* source = Source(int(CurrentSource));
    if (!source) {
        ctl::MessageBox(QString::fromUtf8("Не могу выполнить команду! Несчего считать! Попытка обратиться к "
                                          "несозданному устройству! \nСовет: Пересоздайте устройство.(Опции\\Источники "
                                          "измерений)"),
                        kAttention, ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    source->Read();
}

bool TManager::PopMeasurement(TVELTMeasurement* dest)
{
    return ::PopMeasurement(Stack.Hooks(), dest);
}

void TManager::DeliverMeasurement()
{
    if (ControlMeasure)
        ControlMeasure->Kick();
    bool filed = true;
    if (Interface) {
        Interface->OnMeasurements(&Current, 0);
        filed = Interface->LastRecordFiled();
    }
    Stack.Tally().Unfiled += filed ? 0 : 1;
    ++Stack.Tally().Delivered;
}

void TManager::Execute()
{
    while (!Terminated()) {
        try {
            // A record popped just as the end was asked for is not delivered.
            while (PopMeasurement(&Current) && !Terminated()) {
                Synchronize([this] { DeliverMeasurement(); });
                Sleep(10);
            }
        } catch (const std::exception& e) {
            Dbg().Print("Ошибка во время получения измерений из стека: %s", e.what());
        } catch (...) {
            Dbg().Print("Ошибка во время получения измерений из стека");
        }
        Sleep(100);
    }
}

int TManager::newSourceTab(QWidget*& tab, bool shown)
{
    tab = new QWidget;
    FormManager->pcListDevSource->addTab(tab, kNewSourceCaption);
    if (shown)
        FormManager->pcListDevSource->setCurrentWidget(tab);
    const int slot = AllocDeviceSource();
    if (slot < 0) {
        ctl::MessageBox(QString::fromUtf8("Не удалось создать Устройство-Источник!"), kAttention,
                        ctl::MB_OK | ctl::MB_ICONSTOP);
        delete tab;
        tab = nullptr;
    }
    return slot;
}

int TManager::AllocDeviceSource()
{
    for (int slot = 0; slot < kMaxSources; ++slot) {
        if (!Sources[slot]) {
            Sources[slot] = new TDevicesSources(nullptr, DBInfoPribors);
            if (uint32_t(slot) + 1 > SourceCount)
                SourceCount = uint32_t(slot) + 1;
            return slot;
        }
    }
    return -1;
}

bool TManager::FreeDeviceSource(int slot)
{
    TDevicesSources* source = Source(slot);
    if (!source)
        return false;
    Sources[slot] = nullptr;
    delete source;
    return true;
}

void TManager::attachSource(int slot, QWidget* tabSheet, int number)
{
    TDevicesSources* source = Sources[slot];
    TStackHooks hooks = Stack.Hooks();
    hooks.Capacity = kMeasurementStackCapacity;
    source->AttachStack(hooks);
    source->BuildUI(tabSheet);
    source->SetNumber(number);
}

int TManager::nextDeviceNumber(int newSlot) const
{
    int previous = 0;
    int last = -1;
    int walked = -1;
    for (int slot = 0; slot < newSlot && slot < int(SourceCount); ++slot) {
        if (!Sources[slot])
            continue;
        const int n = Sources[slot]->GetNumber();
        if (walked < 0 && n - previous > 1)
            walked = previous + 1;
        previous = n;
        last = n;
    }
    if (walked < 0)
        walked = last < 0 ? 0 : last + 1;
    // The walk assumes numbers rising with the slots; when they do not it can hit a number in use (two sources
    // would share one section) or go past the sections read at start-up. Then the lowest free number is taken.
    auto used = [&](int n) {
        for (int slot = 0; slot < kMaxSources; ++slot) {
            if (slot != newSlot && Sources[slot] && Sources[slot]->GetNumber() == n)
                return true;
        }
        return false;
    };
    if (walked < kMaxSources && !used(walked))
        return walked;
    for (int n = 0; n < kMaxSources; ++n) {
        if (!used(n))
            return n;
    }
    return walked;
}

bool TManager::anySourceBusy() const
{
    for (TDevicesSources* s : Sources) {
        if (s && s->Busy())
            return true;
    }
    return false;
}

void TManager::AddDeviceClick()
{
    if (anySourceBusy())
        return;
    QWidget* tab = nullptr;
    const int slot = newSourceTab(tab, true);
    if (slot < 0)
        return;
    attachSource(slot, tab, nextDeviceNumber(slot));
    CurrentSource = uint32_t(slot);
}

void TManager::DeleteDeviceClick()
{
    // A source in the middle of a type change is not deleted under its own feet.
    if (anySourceBusy())
        return;
    QWidget* active = FormManager->pcListDevSource->currentWidget();
    int found = -1;
    for (int slot = 0; slot < int(SourceCount); ++slot) {
        if (Sources[slot] && active && Sources[slot]->GetTabSheet() == active) {
            found = slot;
            break;
        }
    }
    if (found < 0) {
        ctl::MessageBox(QString::fromUtf8("Не найдено!"), kAttention, ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    const int number = Sources[found]->GetNumber();
    if (!FreeDeviceSource(found)) {
        ctl::MessageBox(QString::fromUtf8("Не удалось нормально удалить Устройство-Источник!"), kAttention,
                        ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    delete active;
    rtl::TIniFile ini(IniPath());
    if (!ini.EraseSection(DeviceSectionName(number)))
        Dbg().Print("DeleteDeviceClick: %s", ini.LastError().toUtf8().constData());
}
