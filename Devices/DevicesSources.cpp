#include "Devices/DevicesSources.h"
#include "Devices/VELT_A/Velt_A.h"
#include "Devices/VELT_A_NETWORK/Velt_a_network.h"
#include "Devices/VELT_B/Velt_B.h"
#include "Devices/VELT_C/Velt_c.h"
#include "core/Debug.h"
#include "platform/controls/FormFont.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/IniFile.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

const TEnumTypeDev kDeviceTypes[kDeviceTypeCount] = {
    {1, "VELT-A (тип 1)"},
    {2, "VELT-A (тип 2)"},
    {3, "VELT-A СЕТЕВЫЕ (тип 1)"},
    {4, "VELT-B (тип 1)"},
    {5, "VELT-B (тип 2)"},
    {6, "VELT-B АЛКОЗАМОК"},
    {7, "VELT-C"},
};
const int kDeviceKinds[kDeviceTypeCount] = {1, 10, 2, 1, 10, 11, 20};

QString DeviceTypeText(int index)
{
    return index >= 0 && index < kDeviceTypeCount ? QString::fromUtf8(kDeviceTypes[index].name) : QString();
}

QString DeviceSectionName(int number)
{
    return QString::asprintf("Device_%03i", number);
}

namespace {

TDriverFactory& factory()
{
    static TDriverFactory f;
    return f;
}

const QString kAttention = QString::fromUtf8("Внимание!");

// A list's text while nothing is chosen is drawn as a chosen entry is, not greyed as a hint: the control works.
void ShowTextAsChosen(QComboBox* combo)
{
    QPalette pal = combo->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setBrush(group, QPalette::PlaceholderText, pal.brush(group, QPalette::ButtonText));
    combo->setPalette(pal);
}

} // namespace

TDriverFactory TDevicesSources::SetDriverFactory(TDriverFactory f)
{
    TDriverFactory previous = factory();
    factory() = std::move(f);
    return previous;
}

std::unique_ptr<TDeviceDriver> TDevicesSources::CreateDriver(int kind, const QString& name, int typeId)
{
    if (factory())
        return factory()(kind, name, typeId);
    switch (kind) {
    case 1: return std::make_unique<TVelt_A>(name, typeId);
    case 2: return std::make_unique<TVelt_A_NETWORK>(name, typeId);
    case 10: return std::make_unique<TVelt_B>(name, typeId);
    case 11: return std::make_unique<TVelt_B_ALKOZAMOK>(name, typeId);
    case 20: return std::make_unique<TVelt_C>(name, typeId);
    default: return nullptr;
    }
}

TDevicesSources::TDevicesSources(QObject* owner, TDBInfoPribors* dbInfoPribors)
    : QObject(owner), DBInfoPribors(dbInfoPribors)
{
    // The controls are made before the page they go to; they carry the forms' font they were placed for.
    lbType = new QLabel(QString::fromUtf8("Тип источника:"));
    ctl::SetFormFont(lbType);
    lbType->move(8, 16);
    lbType->adjustSize();
    cbType = new QComboBox;
    ctl::SetFormFont(cbType);
    cbType->setGeometry(96, 8, 145, 21);
    cbType->setPlaceholderText(QString::fromUtf8("Выберите тип устройства"));
    ShowTextAsChosen(cbType);
    // Only a choice of the operator is a type change; selecting from code is not.
    connect(cbType, &QComboBox::activated, this, [this](int) { TypeChange(); });
    bApply = new QPushButton(QString::fromUtf8("Применить."));
    ctl::SetFormFont(bApply);
    bApply->setGeometry(256, 8, 75, 25);
    bApply->hide();
    connect(bApply, &QPushButton::clicked, this, [this] { ApplyClick(); });
    pnDevice = new QWidget;
    ctl::SetFormFont(pnDevice);
    pnDevice->setGeometry(0, 30, 603, 260);
}

TDevicesSources::~TDevicesSources()
{
    DestroyDevice();
    delete pnDevice;
    delete bApply;
    delete cbType;
    delete lbType;
}

void TDevicesSources::AttachStack(const TStackHooks& stack)
{
    stack_ = stack;
}

void TDevicesSources::BuildUI(QWidget* tabSheet)
{
    TabSheet = tabSheet;
    for (QWidget* w : {static_cast<QWidget*>(lbType), static_cast<QWidget*>(cbType),
                       static_cast<QWidget*>(bApply), pnDevice.data()}) {
        if (w)
            w->setParent(tabSheet);
    }
    // The driver's panel keeps to the bottom of the page across its whole width.
    if (tabSheet && !tabSheet->layout()) {
        auto* layout = new QVBoxLayout(tabSheet);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addStretch(1);
        layout->addWidget(pnDevice);
        pnDevice->setFixedHeight(260);
    }
    lbType->show();
    cbType->show();
    pnDevice->show();
    cbType->clear();
    for (int i = 0; i < kDeviceTypeCount; ++i)
        cbType->addItem(DeviceTypeText(i));
    cbType->setCurrentIndex(-1);
    // The list has 145 pixels for its texts beside a narrow drop-down arrow; this style's arrow and margins take
    // more, so the list grows to the right (into the room of the hidden apply button) until the texts fit.
    const QFontMetrics fm(cbType->font());
    int widest = fm.horizontalAdvance(cbType->placeholderText());
    for (int i = 0; i < cbType->count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(cbType->itemText(i)));
    QStyleOptionComboBox opt;
    opt.initFrom(cbType);
    const QSize need = cbType->style()->sizeFromContents(QStyle::CT_ComboBox, &opt, QSize(widest, fm.height()), cbType);
    cbType->resize(std::max(145, need.width()), cbType->height());
}

void TDevicesSources::SelectType(const QString& typeText)
{
    if (!cbType)
        return;
    const int index = cbType->findText(typeText, Qt::MatchFixedString);
    if (index < 0)
        return;
    cbType->setCurrentIndex(index);
    bApply->click();
}

void TDevicesSources::ApplyClick()
{
    const int index = cbType ? cbType->currentIndex() : -1;
    if (index < 0) {
        ctl::MessageBox(QString::fromUtf8("Не выбран тип Устройства!"), kAttention, ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    if (index >= kDeviceTypeCount) {
        ctl::MessageBox(QString::fromUtf8("Неизвестный тип Устройства!"), QString::fromUtf8("Ошибка!"),
                        ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    CreateDevice(kDeviceTypes[index].id, DeviceTypeText(index));
    setTabCaption(cbType->currentText());
}

void TDevicesSources::TypeChange()
{
    // No nested event loop here: while the old driver ends only the workers' synchronised calls run, so
    // nothing can delete this source or start a second change half way. The busy mark covers the rest.
    if (busy_)
        return;
    ++busy_;
    cbType->setEnabled(false);
    ApplyClick();
    LoadSettings(QString());
    cbType->setEnabled(true);
    --busy_;
}

int TDevicesSources::CreateDevice(int typeId, const QString& typeText)
{
    DestroyDevice();
    TypeId = typeId;
    Device = CreateDriver(Kind(), typeText, typeId);
    if (Device)
        Device->Init(pnDevice, stack_, DBInfoPribors);
    else
        Dbg().Print("%s: no driver for this device type", typeText.toUtf8().constData());
    return 1;
}

void TDevicesSources::DestroyDevice()
{
    if (!Device)
        return;
    ++busy_;
    std::unique_ptr<TDeviceDriver> device = std::move(Device);
    // A held or never started thread is woken with the end flag set and joined, never left behind.
    device->Terminate();
    device->WaitFor();
    device.reset();
    --busy_;
}

int TDevicesSources::Kind() const
{
    for (int i = 0; i < kDeviceTypeCount; ++i) {
        if (kDeviceTypes[i].id == TypeId)
            return kDeviceKinds[i];
    }
    return 0;
}

void TDevicesSources::LoadSettings(const QString& iniPath)
{
    if (Device)
        Device->LoadSettings(iniPath, Number);
}

void TDevicesSources::SaveSettings(const QString& iniPath)
{
    if (Device) {
        Device->SaveSettings(iniPath, Number);
        return;
    }
    // A type whose driver is not in the program keeps its section: only the type is written, the other keys
    // stay as they were.
    if (TypeId > 0 && !iniPath.isEmpty()) {
        rtl::TIniFile ini(iniPath);
        ini.WriteString(DeviceSectionName(Number), QStringLiteral("TypeDev"), DeviceTypeText(TypeId - 1));
    }
}

void TDevicesSources::Read()
{
    if (TypeId == 0) {
        ctl::MessageBox(QString::fromUtf8(
                            "Попытка обратиться к устройсвту с неопределённом типом!\nСовет: Пересоздайте устройство. "
                            "'Настройки//Источники измерений//Удалить, Создать, Выбрать тип устройства, Выбрать "
                            "COM-порт к которому оно подключено'"),
                        kAttention, ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    if (Device)
        Device->GetEEPROM();
    else
        Dbg().Print("%s: no driver for this device type, nothing to read",
                    DeviceTypeText(TypeId - 1).toUtf8().constData());
}

void TDevicesSources::setTabCaption(const QString& caption)
{
    if (!TabSheet)
        return;
    for (QWidget* p = TabSheet->parentWidget(); p; p = p->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
            const int index = tabs->indexOf(TabSheet);
            if (index >= 0)
                tabs->setTabText(index, caption);
            return;
        }
    }
}
