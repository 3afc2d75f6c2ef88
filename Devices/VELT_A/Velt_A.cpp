#include "Devices/VELT_A/Velt_A.h"
#include "core/Debug.h"
#include "platform/controls/FormFont.h"
#include "platform/controls/MessageBox.h"
#include "platform/graphics/FontNames.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/IniFile.h"
#include "platform/system/SerialPorts.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

QByteArray utf8(const QString& s)
{
    return s.toUtf8();
}

class PortSource : public TPrintoutSource {
public:
    PortSource(TSerialPort& port, TThread& thread, const std::function<bool(int)>& sleep)
        : port_(port), thread_(thread), sleep_(sleep) {}
    int Read(unsigned char* buffer, int count) override { return port_.DataIn(buffer, count); }
    void Sleep(int ms) override { sleep_(ms); }
    bool Stopped() override { return thread_.Terminated(); }

private:
    TSerialPort& port_;
    TThread& thread_;
    std::function<bool(int)> sleep_;
};

} // namespace

TPortComboBox::TPortComboBox(QWidget* parent) : QComboBox(parent)
{
    // "---" (or a port that is gone) while nothing is chosen is drawn as a chosen entry is, not greyed as a
    // hint: the list works.
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setBrush(group, QPalette::PlaceholderText, pal.brush(group, QPalette::ButtonText));
    setPalette(pal);
}

void TPortComboBox::showPopup()
{
    Fill();
    QComboBox::showPopup();
}

void TPortComboBox::Fill()
{
    const QString remembered = currentText();
    clear();
    for (const sys::SerialPortEntry& e : sys::SerialPortsPresent()) {
        addItem(e.name);
        setItemData(count() - 1, e.device, Qt::ToolTipRole);
    }
    setCurrentIndex(findText(remembered));
    if (currentIndex() < 0)
        setPlaceholderText(remembered);
}

TVelt_A::TVelt_A(const QString& name, int typeId) : TDeviceDriver(name, typeId)
{
    Dbg().Print("Create %s...", utf8(Name).constData());
}

TVelt_A::~TVelt_A()
{
    Dbg().Print("Destroy %s...", utf8(Name).constData());
    Stop();
    Port.Close();
    delete gbJournal;
    delete gbDevice;
    delete gbPort;
}

void TVelt_A::Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors* dbInfoPribors)
{
    Dbg().Print("Init %s...", utf8(Name).constData());
    stack_ = stack;
    DBInfoPribors = dbInfoPribors;

    // Placed for the forms' font, whatever the panel's host uses.
    gbPort = new QGroupBox(QString::fromUtf8("Номер используемого COM-порта:"), panel);
    ctl::SetFormFont(gbPort);
    gbPort->setGeometry(8, 8, 337, 65);
    cbPort = new TPortComboBox(gbPort);
    cbPort->setGeometry(16, 16, 145, 21);
    cbPort->setPlaceholderText(QStringLiteral("---"));
    cbPort->setCurrentIndex(-1);
    QObject::connect(cbPort, &QComboBox::activated, cbPort, [this](int) { PortChange(); });
    lbStatus = new QLabel(QString::fromUtf8("Статус: Не выбран."), gbPort);
    lbStatus->move(168, 24);
    lbStatus->adjustSize();

    gbDevice = new QGroupBox(QString::fromUtf8("Описание устройства:"), panel);
    ctl::SetFormFont(gbDevice);
    gbDevice->setGeometry(352, 8, 225, 65);
    auto label = [this](const char* text, int left, int top) {
        auto* l = new QLabel(QString::fromUtf8(text), gbDevice);
        l->move(left, top);
        l->adjustSize();
        return l;
    };
    label("Модель:", 16, 16);
    label("Заводской номер:", 16, 32);
    label("Дата поверки:", 16, 48);
    lbModelValue = label("---", 128, 16);
    lbSerialValue = label("---", 128, 32);
    lbDateValue = label("---", 120, 48);

    gbJournal = new QGroupBox(QString::fromUtf8("Журнал:"), panel);
    ctl::SetFormFont(gbJournal);
    gbJournal->setGeometry(8, 72, 569, 169);
    mJournal = new QPlainTextEdit(gbJournal);
    mJournal->setGeometry(8, 16, 345, 145);
    mJournal->setReadOnly(true);
    mJournal->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mJournal->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(gfx::ResolveFontFamily(QStringLiteral("Tahoma")));
    font.setPixelSize(10);
    mJournal->setFont(font);
    QPalette pal = mJournal->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    mJournal->setPalette(pal);
    bClear = new QPushButton(QString::fromUtf8("Отчистить"), gbJournal);
    bClear->setGeometry(360, 16, 75, 25);
    QObject::connect(bClear, &QPushButton::clicked, mJournal, &QPlainTextEdit::clear);

    for (QWidget* w : {static_cast<QWidget*>(gbPort), static_cast<QWidget*>(gbDevice), static_cast<QWidget*>(gbJournal)})
        w->show();
}

void TVelt_A::LoadSettings(const QString& iniPath, int number)
{
    Dbg().Print("%s LoadSettings...", utf8(Name).constData());
    if (iniPath.isEmpty())
        return;
    rtl::TIniFile ini(iniPath);
    const QString com = ini.ReadString(DeviceSectionName(number), QStringLiteral("COM"), QString());
    if (com.isEmpty() || !cbPort)
        return;
    cbPort->Fill();
    const int index = cbPort->findText(com.trimmed(), Qt::MatchFixedString);
    if (index < 0)
        return;
    cbPort->setCurrentIndex(index);
    PortChange();
}

void TVelt_A::SaveSettings(const QString& iniPath, int number)
{
    Dbg().Print("%s SaveSettings...", utf8(Name).constData());
    rtl::TIniFile ini(iniPath);
    const QString section = DeviceSectionName(number);
    bool ok = ini.WriteString(section, QStringLiteral("TypeDev"), Name);
    ok = ini.WriteString(section, QStringLiteral("COM"),
                         PortNumber > 0 ? QStringLiteral("COM%1").arg(PortNumber) : QStringLiteral(" ")) && ok;
    if (!ok)
        Dbg().Print("%s SaveSettings: %s", utf8(Name).constData(), utf8(ini.LastError()).constData());
}

void TVelt_A::GetEEPROM()
{
    ctl::MessageBox(QString::fromUtf8("Для получения фискальных данных из приборов серии ") + Name +
                        QString::fromUtf8(". \nНа панели прибора нажмите ПЕЧАТЬ и затем РЕЖИМ"),
                    QString::fromUtf8("Информация!"), ctl::MB_OK | ctl::MB_ICONQUESTION);
}

void TVelt_A::setStatus(const QString& text)
{
    if (lbStatus) {
        lbStatus->setText(text);
        lbStatus->adjustSize();
    }
}

void TVelt_A::PortChange()
{
    // Runs to its end without a nested event loop, so a second change cannot start half way.
    std::unique_lock<std::mutex> g(portChange_, std::try_to_lock);
    if (!g.owns_lock() || !cbPort)
        return;
    cbPort->setEnabled(false);
    setStatus(QString::fromUtf8("Статус: закрытие..."));
    ClosePort();
    if (mJournal)
        mJournal->clear();
    setStatus(QString::fromUtf8("Статус: открытие..."));
    const int n = sys::PortNumberOfText(cbPort->currentIndex() >= 0 ? cbPort->currentText() : cbPort->placeholderText());
    if (n == 0) {
        ctl::MessageBox(QString::fromUtf8("В системе не может быть порт COM 0 !"), QStringLiteral("Error"),
                        ctl::MB_OK | ctl::MB_ICONSTOP);
        setStatus(QString::fromUtf8("Статус: Ошибка открытия!"));
    } else {
        switch (OpenPort(n)) {
        case 0:
            setStatus(QString::fromUtf8("Статус: Порт не найден!"));
            ctl::MessageBox(QString::fromUtf8("В системе не найден порт COM%1 !").arg(n), QStringLiteral("Error"),
                            ctl::MB_OK | ctl::MB_ICONSTOP);
            break;
        case 1: setStatus(QString::fromUtf8("Статус: Открыт успешно")); break;
        default: setStatus(QString::fromUtf8("Статус: Ошибка открытия!")); break;
        }
    }
    if (cbPort)
        cbPort->setEnabled(true);
}

int TVelt_A::OpenPort(int n)
{
    ClosePort();
    PortNumber = -1;
    if (n <= 0 || n > 65535 || sys::SerialPortDevice(n).isEmpty())
        return 0;
    if (!Port.Open(uint16_t(n))) {
        Dbg().Print("%s: %s open +LE", utf8(Name).constData(), utf8(TSerialPort::DeviceName(uint16_t(n))).constData());
        return -1;
    }
    Port.SetParams(9600, NOPARITY, ONESTOPBIT);
    Port.SetTimeouts(Timeouts.ReadIntervalTimeout, Timeouts.ReadTotalTimeoutMultiplier,
                     Timeouts.ReadTotalTimeoutConstant, Timeouts.WriteTotalTimeoutMultiplier,
                     Timeouts.WriteTotalTimeoutConstant);
    Port.Purge();
    Resume();
    PortNumber = n;
    return 1;
}

int TVelt_A::ClosePort()
{
    if (!Port.IsOpen())
        return 2;
    // Closing wakes a wait or a read in progress and lets the descriptor go only when they have left; then the
    // thread parks at the end of its pass, where it holds no lock.
    Port.Close();
    RequestHold();
    if (!WaitHeld(std::chrono::milliseconds(2000)))
        Dbg().Print("%s: the thread did not stop at its hold point", utf8(Name).constData());
    PortNumber = -1;
    return 1;
}

void TVelt_A::OnTerminate()
{
    Port.Abort();
}

void TVelt_A::Execute()
{
    while (!Terminated()) {
        try {
            if (Port.IsOpen())
                readPrintout();
        } catch (...) {
            Dbg().Print("%s Execute: error", utf8(Name).constData());
        }
        Sleep(10);
        HoldPoint();
    }
}

void TVelt_A::readPrintout()
{
    const int wait = Port.WaitData(100);
    if (wait == TSerialPort::WaitError) {
        // A line that keeps failing (adapter unplugged) is retried once a second, not in a busy loop.
        Sleep(1000);
        return;
    }
    if (wait != TSerialPort::WaitDataArrived)
        return;
    PortSource source(Port, *this, [this](int ms) { return Sleep(ms); });
    ReadPrintout(source, TypeId, [this](const TPrintoutResult& result) {
        const TVELTMeasurement& m = result.record;
        const QString model = rtl::fromCp1251(result.model);
        const QString serial = QString::asprintf("%04i", int(m.SerialNumber));
        const QString verification = rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), m.VerificationDate);
        Synchronize([&] {
            if (lbModelValue) { lbModelValue->setText(model); lbModelValue->adjustSize(); }
            if (lbSerialValue) { lbSerialValue->setText(serial); lbSerialValue->adjustSize(); }
            if (lbDateValue) { lbDateValue->setText(verification); lbDateValue->adjustSize(); }
        });
        const QString time = rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), m.Probe.Timestamp);
        addJournalLine(QString::fromUtf8("Произведён выдох:\r\n") +
                       QString::fromUtf8("Номер прибора: %1,\r\n Время измерения %2,\r\n Измерение: %3 мг/л,\r\n "
                                         "Статус выдоха: (%4).")
                           .arg(serial, time, QString::number(m.Probe.AlcResult, 'f', 3),
                                m.Probe.Exhale ? QString::fromUtf8("прерван") : QString::fromUtf8("нормальный")));
        PushMeasurement(stack_, &m, true);
    });
}

void TVelt_A::addJournalLine(const QString& text)
{
    JournalText = text;
    Synchronize([this] {
        if (!mJournal)
            return;
        const rtl::SystemTime now = rtl::LocalSystemTime();
        QString line = QString::asprintf("%02d:%02d:%02d\t", now.wHour, now.wMinute, now.wSecond) + JournalText;
        line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        mJournal->appendPlainText(line);
        mJournal->ensureCursorVisible();
    });
}
