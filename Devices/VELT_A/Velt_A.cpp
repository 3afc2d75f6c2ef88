#include "Devices/VELT_A/Velt_A.h"
#include "Devices/VELT_A/ListenerPanel.h"
#include "core/Debug.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/system/SerialPorts.h"

#include <exception>


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

TVelt_A::TVelt_A(const QString& name, int typeId) : TSerialDriver(name, typeId)
{
    Dbg().Print("Create %s...", utf8(Name).constData());
}

TVelt_A::~TVelt_A()
{
    Dbg().Print("Destroy %s...", utf8(Name).constData());
    Stop();
    Port.Close();
    DeletePanel();
}

void TVelt_A::Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors* dbInfoPribors)
{
    Dbg().Print("Init %s...", utf8(Name).constData());
    stack_ = stack;
    DBInfoPribors = dbInfoPribors;
    auto* p = new TListenerPanel(this, panel);
    SetPanel(p);
    p->show();
}

TListenerPanel* TVelt_A::Panel() const
{
    return static_cast<TListenerPanel*>(panel());
}

void TVelt_A::TakeStatus(TListenerStatus& view)
{
    TakePublished(Status, view, &TListenerStatus::JournalText);
}

void TVelt_A::GetEEPROM()
{
    ctl::MessageBox(QString::fromUtf8("Для получения фискальных данных из приборов серии ") + Name +
                        QString::fromUtf8(". \nНа панели прибора нажмите ПЕЧАТЬ и затем РЕЖИМ"),
                    QString::fromUtf8("Информация!"), ctl::MB_OK | ctl::MB_ICONQUESTION);
}

void TVelt_A::PortChange(const QString& port)
{
    if (changingPort_)
        return;
    changingPort_ = true;
    KeptPort = 0;
    Publish([this] { Status.PortListEnabled = false; });
    ShowStatus(QString::fromUtf8("Статус: закрытие..."));
    ClosePort();
    Publish([this] { Status.JournalText.Clear(); });
    ShowStatus(QString::fromUtf8("Статус: открытие..."));
    const int n = sys::PortNumberOfText(port);
    if (n == 0) {
        ctl::MessageBox(QString::fromUtf8("В системе не может быть порт COM 0 !"), QStringLiteral("Error"),
                        ctl::MB_OK | ctl::MB_ICONSTOP);
        ShowStatus(QString::fromUtf8("Статус: Ошибка открытия!"));
    } else {
        switch (OpenPort(n)) {
        case 0:
            ShowStatus(QString::fromUtf8("Статус: Порт не найден!"));
            ctl::MessageBox(QString::fromUtf8("В системе не найден порт COM%1 !").arg(n), QStringLiteral("Error"),
                            ctl::MB_OK | ctl::MB_ICONSTOP);
            break;
        case 1: ShowStatus(QString::fromUtf8("Статус: Открыт успешно")); break;
        default: ShowStatus(QString::fromUtf8("Статус: Ошибка открытия!")); break;
        }
    }
    Publish([this] { Status.PortListEnabled = true; });
    changingPort_ = false;
}

bool TVelt_A::openLine(int n)
{
    if (!Port.Open(uint16_t(n)))
        return false;
    Port.SetParams(9600, NOPARITY, ONESTOPBIT);
    Port.SetTimeouts(Timeouts.ReadIntervalTimeout, Timeouts.ReadTotalTimeoutMultiplier,
                     Timeouts.ReadTotalTimeoutConstant, Timeouts.WriteTotalTimeoutMultiplier,
                     Timeouts.WriteTotalTimeoutConstant);
    Port.Purge();
    return true;
}

int TVelt_A::OpenPort(int n)
{
    ClosePort();
    PortNumber = -1;
    if (n <= 0 || n > 65535 || sys::SerialPortDevice(n).isEmpty())
        return 0;
    if (!openLine(n)) {
        Dbg().Print("%s: %s open +LE", utf8(Name).constData(), utf8(TSerialPort::DeviceName(uint16_t(n))).constData());
        return -1;
    }
    Resume();
    PortNumber = n;
    return 1;
}

int TVelt_A::ClosePort()
{
    const bool waiting = ReopenPort.exchange(0) != 0;
    if (!Port.IsOpen() && !waiting)
        return 2;
    // Closing wakes a wait or a read in progress and lets the descriptor go only when they have left; then the
    // thread parks at the end of its pass, where it holds no lock.
    Port.Close();
    RequestHold();
    if (!WaitHeld(std::chrono::milliseconds(2000)))
        Dbg().Print("%s: the thread did not stop at its hold point", utf8(Name).constData());
    Port.Close(); // a reopen that came just before the hold
    PortNumber = -1;
    return 1;
}

void TVelt_A::WaitForPort(int number)
{
    PortNumber = -1;
    ReopenPort = number;
    Resume();
}

void TVelt_A::lineLost()
{
    const int n = Port.GetPortNumber();
    Port.Close();
    ReopenPort = n;
    Dbg().Print("%s: COM%i - the line is lost; waiting for the instrument", utf8(Name).constData(), n);
    ShowStatus(QString::fromUtf8("Статус: Связь потеряна!"));
}

void TVelt_A::reopenWhenBack()
{
    const auto now = std::chrono::steady_clock::now();
    if (now < nextReopen_)
        return;
    nextReopen_ = now + std::chrono::milliseconds(500);
    const int n = ReopenPort.load();
    if (!PortPresent(n) || !openLine(n))
        return;
    if (ReopenPort.load() != n) { // the operator chose meanwhile
        Port.Close();
        return;
    }
    ReopenPort = 0;
    Dbg().Print("%s: COM%i - the line is back", utf8(Name).constData(), n);
    ShowStatus(QString::fromUtf8("Статус: Открыт успешно"));
}

void TVelt_A::OnTerminate()
{
    Port.Abort();
}

void TVelt_A::Execute()
{
    while (!Terminated()) {
        try {
            if (Port.IsOpen() && Port.LineLost())
                lineLost();
            else if (Port.IsOpen())
                readPrintout();
            else if (ReopenPort.load() > 0)
                reopenWhenBack();
        } catch (const std::exception& e) {
            Dbg().Print("%s Execute: error: %s", utf8(Name).constData(), e.what());
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
        // A lost line is taken up by the next pass; any other failure is retried once a second, not in a busy
        // loop.
        if (!Port.LineLost())
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
        Publish([&] {
            Status.ModelValue = model;
            Status.SerialValue = serial;
            Status.DateValue = verification;
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
    const rtl::SystemTime now = rtl::LocalSystemTime();
    QString line = QString::asprintf("%02d:%02d:%02d\t", now.wHour, now.wMinute, now.wSecond) + text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Publish([&] { Status.JournalText.Add(line); });
}
