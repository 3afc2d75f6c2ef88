#include "Devices/VELT_B/Velt_B.h"
#include "Devices/VELT_B/RqPanel.h"
#include "Devices/VELT_B/Velt_B_EEPROM.h"
#include "Devices/VELT_B/Velt_B_Time.h"
#include "core/Debug.h"
#include "db/DBInfoPribors.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/IniFile.h"
#include "platform/system/SerialPorts.h"

#include <chrono>
#include <cstring>
#include <exception>

using namespace proto;

using velt_b::dateText;
using velt_b::dateTimeOf;
using velt_b::dateTimeText;

namespace {

using Clock = std::chrono::steady_clock;

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray b(const QString& s)
{
    return s.toUtf8();
}

long long msSince(Clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

LongTime nowLong()
{
    return SystemTimeToLong(rtl::LocalSystemTime());
}

const char* kNotInMode =
    "Не удалось получить данные от прибора. Прибор не в режимах: *Есть результат*, *Готов*, *Прогрев*.";

bool workingMode(uint16_t mode)
{
    return mode == 4 || mode == 3 || mode == 1 || mode == 2;
}

} // namespace

TVelt_B::TVelt_B(const QString& name, int typeId) : TSerialDriver(name, typeId)
{
    Dbg().Print("Create %s...", b(Name).constData());
}

TVelt_B::~TVelt_B()
{
    Dbg().Print("Destroy %s...", b(Name).constData());
    Stop();
    ClosePort();
    DeletePanel();
}

std::unique_ptr<TfmVelt_B_EEPROM> TVelt_B::CreateEEPROMWindow(std::atomic<int>* go)
{
    return std::make_unique<TfmVelt_B_EEPROM>(go);
}

std::unique_ptr<TfmVelt_B_EEPROM> TVelt_B_ALKOZAMOK::CreateEEPROMWindow(std::atomic<int>* go)
{
    return std::make_unique<TfmVelt_B_ALKOZAMOK_EEPROM>(go);
}

void TVelt_B::Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors* dbInfoPribors)
{
    Dbg().Print("Init %s...", b(Name).constData());
    stack_ = stack;
    DBInfoPribors = dbInfoPribors;
    auto* p = new TRqPanel(this, panel, CreateEEPROMWindow(&GoCancel));
    SetPanel(p);
    p->show();
    // The thread starts once it has its stack and its panel.
    Resume();
}

TRqPanel* TVelt_B::Panel() const
{
    return static_cast<TRqPanel*>(panel());
}

void TVelt_B::TakeStatus(TRqStatus& view)
{
    TakePublished(Status, view, &TRqStatus::Log);
}

TVelt_B::TRqSettings TVelt_B::settings()
{
    std::lock_guard<std::mutex> g(requestLock_);
    return Settings;
}

void TVelt_B::SetAutoEnum(bool on)
{
    std::lock_guard<std::mutex> g(requestLock_);
    Settings.AutoEnum = on;
}

void TVelt_B::LoadDefaults()
{
    TRqPanel* p = Panel();
    if (!p)
        return;
    SetAutoEnum(true);
    Publish([this] { Status.AutoEnum = true; });
    const std::vector<sys::SerialPortEntry> ports = sys::SerialPortsPresent();
    if (!ports.empty()) {
        p->ShowPort(ports.front().name);
        p->PortChange();
    }
}

void TVelt_B::LoadKeys(rtl::TIniFile& ini, const QString& section)
{
    const bool on = ini.ReadBool(section, QStringLiteral("AutoEnum"), false);
    SetAutoEnum(on);
    Publish([this, on] { Status.AutoEnum = on; });
}

bool TVelt_B::SaveKeys(rtl::TIniFile& ini, const QString& section)
{
    return ini.WriteBool(section, QStringLiteral("AutoEnum"), settings().AutoEnum);
}

void TVelt_B::GetEEPROM()
{
    // The read command presses the get-memory button, which is there to press once an instrument answered.
    TRqPanel* p = Panel();
    if (p && p->bGetEEPROM->isEnabled()) {
        p->bGetEEPROM->click();
        return;
    }
    if (p) {
        ctl::MessageBox(u("Не могу выполнить команду! Прибор не распознан как") + Name +
                            u("! \nСовет: Выберите другой порт.(Опции\\Источники измерений)"),
                        u("Внимание!"), ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    ctl::MessageBox(u("Не могу выполнить команду! Несчего считать! Отсутствует устройство по умолчанию! \nСовет: "
                      "Пересоздайте устройство.(Опции\\Источники измерений)"),
                    u("Внимание!"), ctl::MB_OK | ctl::MB_ICONSTOP);
}

void TVelt_B::PortChange(const QString& port)
{
    KeptPort = 0;
    choosePort(port);
}

void TVelt_B::choosePort(const QString& port)
{
    Publish([this] {
        Status.PortListEnabled = false;
        Status.GetEnabled = false;
        Status.ClearEnabled = false;
        Status.Log.Clear();
    });
    {
        std::lock_guard<std::mutex> g(requestLock_);
        Settings.Port = port;
        PortRequest = true;
    }
    requested_.notify_all();
}

// The log and the labels are progress: published without waiting, so a download of thousands of records never
// stops twice per record for the screen.
void TVelt_B::AddLogLine(const QString& text)
{
    Dbg().Print("%s", b(text).constData());
    const rtl::SystemTime now = rtl::LocalSystemTime();
    const QString line = QString::asprintf("%02d:%02d:%02d\t", now.wHour, now.wMinute, now.wSecond) + text;
    Publish([&] { Status.Log.Add(line); });
}

void TVelt_B::memoryButtons(bool enabled)
{
    Publish([this, enabled] {
        Status.GetEnabled = enabled;
        Status.ClearEnabled = enabled;
    });
}

void TVelt_B::enablePortList()
{
    Publish([this] { Status.PortListEnabled = true; });
}

void TVelt_B::OnTerminate()
{
    {
        std::lock_guard<std::mutex> g(requestLock_);
    }
    requested_.notify_all();
    Protocol.Abort();
}

void TVelt_B::Ask(std::atomic<bool>& request)
{
    {
        std::lock_guard<std::mutex> g(requestLock_);
        request = true;
    }
    requested_.notify_all();
}

void TVelt_B::WaitForPort(int number)
{
    {
        std::lock_guard<std::mutex> g(requestLock_);
        ReopenPort = number;
        Settings.Port = QStringLiteral("COM%1").arg(number);
    }
    requested_.notify_all();
}

void TVelt_B::waitForRequest(int ms)
{
    std::unique_lock<std::mutex> g(requestLock_);
    auto asked = [this] {
        return PortRequest || IdentifyRequest || ClearRequest || DownloadRequest || ReopenPort.load() > 0 ||
               Terminated();
    };
    if (ms < 0)
        requested_.wait(g, asked);
    else
        requested_.wait_for(g, std::chrono::milliseconds(ms), asked);
}

// ---- exchange ----

int32_t TVelt_B::SendCommand(uint16_t code)
{
    PutU16(Buffer, code);
    const int length = code < 9 ? kRequestLength[code] : 2;
    const auto t0 = Clock::now();
    int32_t r;
    do {
        r = Protocol.Send(Buffer, uint16_t(length), 0, 1);
        // Without a port a call only waits out its second; a port chosen meanwhile need not wait for it.
        if ((r == kNoPort && PortRequest) || r == kLineError)
            break;
    } while (r != kDone && msSince(t0) < 1000 && !Terminated());
    return r;
}

namespace {

// Repeats a receive until it is complete, fails, or a second has passed.
template <class F>
int32_t receiveLoop(const F& once, const TThread& thread)
{
    const auto t0 = Clock::now();
    int32_t r;
    do {
        r = once();
    } while (r != kDone && r >= 0 && msSince(t0) < 1000 && !thread.Terminated());
    return r;
}

} // namespace

int32_t TVelt_B::RecvData()
{
    if (Variant.logReceive)
        Dbg().Print("RecvData...");
    uint16_t count = 0, aux = 0;
    const int32_t r = receiveLoop([&] { return Protocol.Receive(Buffer, kExchangeSize, &count, &aux); }, *this);
    RecvCnt = r == kDone ? count : 0;
    if (r < 0)
        Dbg().Print("RecvData sizeof_TYPE %i, RecvCnt %i", kExchangeSize, int(RecvCnt));
    else if (Variant.logReceive)
        Dbg().Print("OK - RecvData sizeof_TYPE %i, RecvCnt %i", kExchangeSize, int(RecvCnt));
    return r;
}

int32_t TVelt_B::RecvData_AlcMeas()
{
    uint16_t count = 0, aux = 0;
    const int32_t r = receiveLoop([&] { return Protocol.Receive(AlcMeas, TAlcMeas::kSize, &count, &aux); }, *this);
    if (r == kDone && count == TAlcMeas::kSize)
        return kDone;
    Dbg().Print("RecvData_AlcMeas sizeof(AlcMeas) %i, RecvCnt %i", TAlcMeas::kSize, r == kDone ? int(count) : 0);
    return -6;
}

int32_t TVelt_B::RecvData_AlcKnow()
{
    uint16_t count = 0, aux = 0;
    const int32_t r = receiveLoop([&] { return Protocol.Receive(AlcKnow, TAlcKnow::kCapacity, &count, &aux); }, *this);
    Dbg().Print("RecvData_AlcKnow. data_in() = %i", int(r));
    const int expected = TAlcKnow::SizeFor(GetU16(AlcKnow));
    if (r == kDone && count == expected)
        return kDone;
    Dbg().Print("RecvData_AlcKnow sizeof_TYPE %i, RecvCnt %i", expected, r == kDone ? int(count) : 0);
    return -6;
}

bool TVelt_B::TestConnectAlkan()
{
    return SendCommand(kCmdTest) == kDone;
}

// ---- port ----

int TVelt_B::OpenPort(int n)
{
    try {
        ClosePort();
        bool present = false;
        for (const sys::SerialPortEntry& e : sys::SerialPortsPresent())
            present |= e.number == n;
        if (!present)
            return 0;
        if (n > 65535 || !Port.Open(uint16_t(n))) {
            PortNumber = -1;
            return -1;
        }
        Protocol.Attach(&Port);
        if (Protocol.Configure(38400, 0, 0) == 0) {
            ClosePort();
            return -1;
        }
        PortNumber = n;
        return 1;
    } catch (...) {
        Dbg().Print("%s OpenCOMport(COM%i) - error", b(Name).constData(), n);
        ClosePort();
        return -1;
    }
}

void TVelt_B::ClosePort()
{
    Protocol.Attach(nullptr);
    Port.Close();
    PortNumber = -1;
}

void TVelt_B::SetCommPort_b()
{
    PortRequest = false;
    // Set when the port is chosen again because its device came back rather than by the operator.
    const int awaited = ReopenPort.exchange(0);
    SetStatus(u("Статус: закрытие..."));
    Sleep(100);
    ClosePort();
    SetStatus(u("Статус: открытие..."));
    if (!Sleep(500))
        return;
    const TRqSettings chosen = settings();
    const QString text = chosen.Port;
    const bool autoSearch = chosen.AutoEnum;
    const int n = sys::PortNumberOfText(text);
    if (n == 0) {
        ctl::MessageBox(u("В системе не может быть порт COM 0 !"), QStringLiteral("Error"), ctl::MB_OK | ctl::MB_ICONSTOP);
        SetStatus(u("Статус: Ошибка открытия!"));
        enablePortList();
        return;
    }
    const int opened = OpenPort(n);
    if (opened == -1) {
        SetStatus(u("Статус: Ошибка открытия!"));
        AddLogLine(text + u(" - Ошибка открытия!"));
        Sleep(100);
    } else if (opened == 0) {
        SetStatus(u("Статус: Порт не найден!"));
        AddLogLine(text + u(" - Порт не найден!"));
        Sleep(100);
    } else {
        SetStatus(u("Статус: Открыт успешно"));
        AddLogLine(text + u(" - Открыт успешно."));
    }
    bool found = false;
    if (opened == 1) {
        AddLogLine(u("Определяем наличие прибора..."));
        for (int tries = 3; tries > 0 && !Terminated(); --tries) {
            if (TestConnectAlkan()) {
                AddLogLine(u("Прибор обнаружен:"));
                found = true;
                break;
            }
            Dbg().Print("SetCommPort_b: TestConnectAlkan -tryning %i", tries);
            Sleep(10);
        }
    }
    // The search looks for an instrument of the source's own kind: another one that answers is passed by.
    int model = -1;
    if (found && autoSearch && (model = AskModel()) >= 0 && !OwnModel(uint16_t(model))) {
        found = false;
        AddLogLine(u("Прибор другого типа (модель %1), не %2 - ищем дальше").arg(model).arg(Name));
    }
    if (found) {
        IdentifyRequest = true;
        memoryButtons(true);
        return;
    }
    if (model < 0)
        AddLogLine(u("Прибор не обнаружен"));
    if (awaited > 0) {
        // Something else answered to the name, or the instrument is not ready yet: the source stays on its
        // port and tries again a while later, unless the operator chooses meanwhile.
        ClosePort();
        KeptPort = awaited;
        SetStatus(u("Статус: Связь потеряна!"));
        enablePortList();
        for (int i = 0; i < 50 && !PortRequest && Sleep(100); ++i) {
        }
        if (!PortRequest)
            ReopenPort = awaited;
        return;
    }
    if (!Sleep(500))
        return;
    if (!settings().AutoEnum) {
        enablePortList();
        return;
    }
    // The next port present after this one; past the last, the first.
    const std::vector<sys::SerialPortEntry> ports = sys::SerialPortsPresent();
    if (ports.empty()) {
        enablePortList();
        return;
    }
    size_t next = 0;
    for (size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].name.compare(text, Qt::CaseInsensitive) == 0) {
            next = i + 1 < ports.size() ? i + 1 : 0;
            break;
        }
    }
    const QString port = ports[next].name;
    KeptPort = 0;
    Publish([this, &port] { Status.Port = port; });
    choosePort(port);
}

int TVelt_B::AskModel()
{
    for (int tries = 3; tries > 0 && !Terminated(); --tries) {
        if (SendCommand(kCmdConstants) == kDone && RecvData_AlcKnow() == kDone)
            return GetU16(AlcKnow);
        Sleep(10);
    }
    return -1;
}

// ---- live poll ----

uint32_t TVelt_B::modelCode() const
{
    return Know.model < 3 ? 10 : Know.model == 3 ? 11 : Know.model == kInterlockModel ? 12 : 13;
}

TVELTMeasurement TVelt_B::buildRecord(LongTime time, float result, bool interrupted) const
{
    TVELTMeasurement m = ZeroMeasurement();
    m.NetNumber = 0;
    m.SerialNumber = uint16_t(Know.serial & 0xFFFF);
    const QByteArray model = rtl::toCp1251(Name).left(11);
    SetMeasurementText(m.Model, model.constData(), size_t(model.size()));
    m.VerificationDate = dateTimeOf(Know.verification);
    m.Probe.Timestamp = dateTimeOf(time);
    // An accuracy of 0 (constants never read) files the value unrounded rather than failing the record.
    m.Probe.AlcResult = RoundToStep(result, Know.accuracy);
    m.Probe.Exhale = interrupted ? 1 : 0;
    m.Probe.RecordType = 1;
    m.ModelCode = modelCode();
    m.DeviceType = uint32_t(TypeId);
    return m;
}

bool TVelt_B::retryInfoBlock()
{
    for (int tries = 15; tries > 0 && !Terminated(); --tries) {
        if (requestInfoBlock())
            return true;
        Dbg().Print("GETEEPROM_Thread: not return info blok - tryning %i", tries);
        Sleep(10);
    }
    Dbg().Print("GETEEPROM_Thread: not return info blok - error");
    AddLogLine(u("Не удалось получить инфо-блок, повторите попытку."));
    return false;
}

bool TVelt_B::requestInfoBlock()
{
    std::memset(Buffer, 0, sizeof Buffer);
    PutU16(Buffer + 2, kInfoBlockIndex);
    if (SendCommand(kCmdBlock) != kDone || RecvData() != kDone || GetU16(Buffer) != kInfoBlockIndex ||
        RecvCnt < TInfoBlock::kSize)
        return false;
    Info = TInfoBlock::Read(Buffer);
    return true;
}

void TVelt_B::CurrentMeasure()
{
    if (SendCommand(kCmdResult) != kDone || RecvData_AlcMeas() != kDone) {
        Dbg().Print("Current measure: Alc_get_result - error");
        return;
    }
    const TAlcMeas meas = TAlcMeas::Read(AlcMeas);
    if (meas.mode != 4 || meas.time == DT_result_sec_last)
        return;
    Dbg().Print("Current measure: new measure");
    Sleep(10);
    bool got = false;
    for (int tries = 5; tries > 0 && !Terminated(); --tries) {
        if (requestInfoBlock()) {
            Know.model = Info.model;
            Know.serial = Info.serial;
            Know.firmware = Info.firmware;
            Dbg().Print("Current measure: info blok: m%i fn%i fv %x,%02x", int(Info.model), int(Info.serial),
                        unsigned(Info.firmware >> 8), unsigned(Info.firmware & 0xFF));
            got = true;
            break;
        }
        Dbg().Print("Current measure: info blok - tryning %i", tries);
        Sleep(10);
    }
    if (!got) {
        Dbg().Print("Current measure: not return info blok - error");
        AddLogLine(u("Внимание! не могу получить сведения о приборе."));
        return;
    }
    const TVELTMeasurement m = buildRecord(meas.time, float(meas.result), meas.Interrupted());
    // Taken only once the record exists: a failure above leaves it for the next poll.
    DT_result_sec_last = meas.time;
    AddLogLine(u("Произведён выдох:\n") +
               QString::asprintf("Номер прибора: %04i,\nВремя измерения ", int(m.SerialNumber)) +
               rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), m.Probe.Timestamp) +
               u(",\nИзмерение: ") + QString::number(m.Probe.AlcResult, 'f', 3) + u(" мг/л,\nСтатус выдоха: (") +
               (m.Probe.Exhale ? u("прерван") : u("нормальный")) +
               u("),\nФамилия обследуемого: '',\nФамилия инспектора: ''."));
    PushMeasurement(stack_, &m);
}

// ---- identification ----

bool TVelt_B::loadConstants(bool waitAfterEach)
{
    for (int tries = 15; tries > 0 && !Terminated(); --tries) {
        if (SendCommand(kCmdConstants) == kDone && RecvData_AlcKnow() == kDone && GetU32(AlcKnow + 8) != 0) {
            Know = TAlcKnow::Read(AlcKnow);
            InfoRecord = TInfoPriborRecord();
            InfoRecord.PRIBPROT = 0;
            InfoRecord.PRIBMODEL = Know.model;
            InfoRecord.PRIBOR = Know.serial;
            InfoRecord.FIRMWARE = Know.firmware;
            InfoRecord.DATEPOVER = Know.verification;
            InfoRecord.DATECONST = Know.constDate;
            InfoRecord.ACCURACY = Know.accuracy;
            InfoRecord.NORMA = Know.norm;
            InfoRecord.T_VIDOH = Know.tVidoh;
            InfoRecord.W_WIDOH = Know.wWidoh;
            InfoRecord.NETNUMBER = int16_t(Know.netNumber);
            const QString serial = QString::asprintf("%04i", int(Know.serial));
            AddLogLine(u("Номер прибора: ") + serial);
            if (Variant.firmwareChecks)
                firmwareChecks();
            AddLogLine(u("Дата поверки прибора: ") + dateText(Know.verification));
            Publish([&] {
                Status.SerialValue = serial;
                Status.DateValue = dateText(Know.verification);
            });
            Dbg().Print("SetCommPort_b: model: %i, number %s", int(Know.model), b(serial).constData());
            if (waitAfterEach)
                Sleep(10);
            return true;
        }
        Dbg().Print("SetCommPort_b: NOT Load constant VELT, trynings %i", tries);
        Sleep(10);
        if (waitAfterEach)
            Sleep(10);
    }
    return false;
}

// The firmware's warning, and whether the memory's first two records are service ones.
void TVelt_B::firmwareChecks()
{
    const QString version = QString::fromStdString(FirmwareText(Know.firmware));
    if (Know.firmware >= 0x0005) {
        AddLogLine(u("Версия ПО прибора: ") + version);
        Dbg().Print("SetCommPort_b: Version firmvare: %s", b(version).constData());
    } else {
        const QString warning = u("Версия ПО прибора (") + version +
                                u(") - не имеет некоторых функций, возможна некорректная работа! Пожалуйста "
                                  "обновите ПО прибора!");
        AddLogLine(u("Предупреждение! ") + warning);
        ctl::MessageBox(warning, u("Внимание!"), ctl::MB_OK);
        Dbg().Print("SetCommPort_b: Version firmvare: %s, is not compatible! Please upgrade firmvare!",
                    b(version).constData());
    }
    if (Know.firmware < 0x000A) {
        not_used_e_service_e_info = true;
        Dbg().Print("not_used_e_service_e_info - версия ПО пибора меньше 0,0а, не учитываем первые 2 записи 0 блока");
    } else {
        not_used_e_service_e_info = false;
        Dbg().Print("not_used_e_service_e_info - версия ПО пибора старше 0,0а, учитываем все блоки данных");
    }
}

bool TVelt_B::infoMatchesConstants() const
{
    return Info.model == Know.model && Info.serial == Know.serial && Info.firmware == Know.firmware &&
           Info.verification == Know.verification;
}

void TVelt_B::recordInstrument()
{
    if (DBInfoPribors && DBInfoPribors->Add(InfoRecord))
        Dbg().Print("Запись новой информации о приборе SN[%04i](%s) - Выполнено!", int(InfoRecord.PRIBOR),
                    b(LongToDateTimeString(InfoRecord.DATECONST)).constData());
}

void TVelt_B::ReadDeviceInfo()
{
    IdentifyRequest = false;
    if (Variant.modeStep && !readMode())
        return;
    identifyConstantsAndInfo();
}

// Identification's operating-mode step; false (the port list enabled again) when it failed.
bool TVelt_B::readMode()
{
    AddLogLine(u("Получение текущего режима работы..."));
    bool got = false;
    for (int tries = 15; tries > 0 && !Terminated(); --tries) {
        if (SendCommand(kCmdResult) == kDone && RecvData_AlcMeas() == kDone) {
            if (!workingMode(TAlcMeas::Read(AlcMeas).mode)) {
                AddLogLine(u(kNotInMode));
                enablePortList();
                return false;
            }
            got = true;
            Sleep(10);
            break;
        }
        Dbg().Print("Alc_get_result.info_blok - tryning num %i", tries);
        Sleep(10);
    }
    if (!got) {
        AddLogLine(u("Не удалось получить данные от прибора."));
        enablePortList();
        return false;
    }
    Dbg().Print("Alc_get_result.info_blok - complete");
    AddLogLine(u("Получение текущего режима работы - OK    -/-"));
    return true;
}

void TVelt_B::identifyConstantsAndInfo()
{
    AddLogLine(u("Загрузка констант VELT..."));
    Dbg().Print("SetCommPort_b: Load constant VELT");
    if (!loadConstants(true)) {
        AddLogLine(u("Загрузка констант VELT: Не удалось получить данные"));
        Dbg().Print("SetCommPort_b: NOT Load constant VELT, trynings is end");
        enablePortList();
        return;
    }

    Dbg().Print("get info blok...");
    AddLogLine(u("Получение инф. блока, содержащего необходимые сведения..."));
    if (!retryInfoBlock()) {
        enablePortList();
        return;
    }
    if (!infoMatchesConstants()) {
        Dbg().Print("GETEEPROM_Thread: Данные в инфо-блоке несоответствуют данным в блоке констант - error");
        AddLogLine(u("Ошибка! Данные в инфо-блоке несоответствуют данным в блоке констант."));
        enablePortList();
        return;
    }
    InfoRecord.DATEGET = nowLong();
    InfoRecord.DATEPRIB = Info.clock;
    InfoRecord.LIFEZAPIS = Info.life;
    Dbg().Print("GETEEPROM_Thread: info blok: m%i fn%i fv %x,%02x", int(Info.model), int(Info.serial),
                unsigned(Info.firmware >> 8), unsigned(Info.firmware & 0xFF));
    Dbg().Print("GETEEPROM_Thread: info blok: DateTime in pribor %s, vsego sdelano vidohov %i",
                b(dateText(Info.clock)).constData(), int(Info.life));
    AddLogLine(u("Текущие дата и время прибора: ") + dateTimeText(Info.clock));
    AddLogLine(QString::asprintf("Всего произведено выдохов: %u", Info.life));
    Publish([this] { Status.CountValue = QString::number(Info.life); });
    Dbg().Print("GETEEPROM_Thread: return info blok - complete");
    if (Info.life == 0) {
        AddLogLine(u("В приборе нет фискальных данных"));
        Dbg().Print("GETEEPROM_Thread: get bloks - none bloks, this eeprom is empty");
    }
    recordInstrument();
    enablePortList();
}

// ---- clearing ----

void TVelt_B::ClearEEPROM()
{
    ClearRequest = false;
    if (SendCommand(kCmdClear) == kDone)
        ctl::MessageBox(u("EEPROM очищена!"), u("Информация!"), ctl::MB_OK | ctl::MB_ICONEXCLAMATION);
    else
        ctl::MessageBox(u("EEPROM не удалось очистить!"), u("Внимание!"), ctl::MB_OK | ctl::MB_ICONSTOP);
    Publish([this] { Status.ClearEnabled = true; });
}

// ---- thread ----

void TVelt_B::lineLost()
{
    const int n = PortNumber.load();
    ClosePort();
    KeptPort = n;
    ReopenPort = n;
    // Nothing to read from until the instrument is identified again.
    memoryButtons(false);
    AddLogLine(QStringLiteral("COM%1").arg(n) + u(" - Связь потеряна! Ожидание прибора..."));
    SetStatus(u("Статус: Связь потеряна!"));
}

void TVelt_B::reopenWhenBack()
{
    // Chosen again as the operator would choose it: opened, tested and identified.
    if (PortPresent(ReopenPort.load()))
        PortRequest = true;
    else
        Sleep(500);
}

void TVelt_B::Execute()
{
    while (!Terminated()) {
        try {
            if (!PortRequest && Port.IsOpen() && Port.LineLost())
                lineLost();
            if (!PortRequest && ReopenPort.load() > 0) {
                reopenWhenBack();
                if (!PortRequest)
                    continue;
            }
            if (PortRequest) {
                SetCommPort_b();
                Sleep(100);
            }
            if (IdentifyRequest && !Terminated()) {
                ReadDeviceInfo();
                Sleep(100);
            }
            if (ClearRequest && !Terminated()) {
                ClearEEPROM();
                Sleep(100);
            }
            if (DownloadRequest && !Terminated()) {
                GETEEPROM_Thread();
                Sleep(100);
            } else if (!Terminated()) {
                // A live poll asks again in 500 ms; without one the thread has nothing to do until it is asked.
                if (Variant.livePoll)
                    CurrentMeasure();
                waitForRequest(Variant.livePoll ? 500 : -1);
            }
        } catch (const std::exception& e) {
            Dbg().Print("%s Execute: error: %s", b(Name).constData(), e.what());
        } catch (...) {
            Dbg().Print("%s Execute: error", b(Name).constData());
        }
        Sleep(10);
    }
}
