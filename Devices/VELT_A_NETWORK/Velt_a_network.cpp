#include "Devices/VELT_A_NETWORK/Velt_a_network.h"
#include "Devices/VELT_A_NETWORK/NetPanel.h"
#include "core/Debug.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/IniFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray b(const QString& s)
{
    return s.toUtf8();
}

// Two ASCII digits as a number, or -1.
int pair(const uint8_t* p)
{
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9')
        return -1;
    return (p[0] - '0') * 10 + (p[1] - '0');
}

bool dateOf(const uint8_t* p, rtl::TDateTime& out)
{
    const int d = pair(p), m = pair(p + 2), y = pair(p + 4);
    return d >= 0 && m >= 0 && y >= 0 && rtl::TryEncodeDate(2000 + y, m, d, out);
}

} // namespace

bool TNetSettings::Has(uint16_t number) const
{
    return std::find(netNumbers, netNumbers + count, number) != netNumbers + count;
}

const TNetInstrument* TNetState::Find(uint16_t netNumber) const
{
    for (int i = 0; i < count && i < kMaxNetInstruments; ++i)
        if (instruments[i].netNumber == netNumber)
            return &instruments[i];
    return nullptr;
}

std::vector<uint16_t> ParseNetNumbers(const QString& text)
{
    std::vector<uint16_t> numbers;
    const QString t = text + QLatin1Char('.');
    long value = -1;
    for (const QChar c : t) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            value = (value < 0 ? 0 : value) * 10 + (c.unicode() - '0');
            value = std::min(value, 100000L);
            continue;
        }
        // A number the 16-bit list cannot hold is passed over like 0.
        if (value > 0 && value <= 0xFFFF && numbers.size() < size_t(kMaxNetInstruments))
            numbers.push_back(uint16_t(value));
        value = -1;
    }
    return numbers;
}

QString FormatNetNumbers(const TNetSettings& s)
{
    QString text = QStringLiteral(" ");
    for (int i = 0; i < s.count; ++i)
        text += QString::number(s.netNumbers[i]) + QStringLiteral("; ");
    return text;
}

std::string NetAnswerText(const uint8_t* p, bool poll)
{
    std::string text = "['";
    for (int i = 0; i < 31; ++i) {
        // The log writes the bytes that are no text as \xNN itself; a zero byte would end the line there.
        if (p[i] == 0)
            text += "\\x00";
        else
            text += char(p[i]);
    }
    char tail[64];
    std::snprintf(tail, sizeof tail, poll ? "', %u мкг/л, 0x%02x]" : "', сетевой № %u, 0x%02x]", unsigned(p[31] | (p[32] << 8)),
                  unsigned(p[33]));
    return text + tail;
}

TNetPacket ParseNetPacket(const uint8_t* p, rtl::TDateTime now)
{
    TNetPacket k;
    std::memcpy(k.raw, p, sizeof k.raw);
    std::memcpy(k.model, p, 11);
    k.model[11] = 0;
    for (int i = 0; i < 4; ++i)
        k.serial = uint16_t(k.serial * 10 + (p[11 + i] >= '0' && p[11 + i] <= '9' ? p[11 + i] - '0' : 0));
    rtl::TDateTime date = 0, time = 0;
    const int h = pair(p + 27), m = pair(p + 29);
    if (!dateOf(p + 15, k.verification)) {
        k.verification = 0;
        k.dateValid = false;
    } else if (!dateOf(p + 21, date) || h < 0 || m < 0 || !rtl::TryEncodeTime(h, m, 0, 0, time)) {
        k.dateValid = false;
    }
    k.time = k.dateValid ? date + time : now;
    k.number = uint16_t(p[31] | (p[32] << 8));
    k.flag = p[33];
    return k;
}

TVelt_A_NETWORK::TVelt_A_NETWORK(const QString& name, int typeId)
    : TSerialDriver(name, typeId), Link(std::make_unique<net::TNetLink>())
{
    Dbg().Print("Create %s...", b(Name).constData());
    Pending.pollPeriod = 100;
    Pending.checkPeriod = 5000;
}

TVelt_A_NETWORK::~TVelt_A_NETWORK()
{
    Dbg().Print("Destroy %s...", b(Name).constData());
    // Wakes the thread wherever it waits; it closes the line on its way out, so the port is free at once.
    Stop();
    Link->Close();
    DeletePanel();
}

void TVelt_A_NETWORK::Init(QWidget* panel, const TStackHooks& stack, TDBInfoPribors*)
{
    Dbg().Print("Init %s...", b(Name).constData());
    stack_ = stack;
    auto* p = new TNetPanel(this, panel);
    SetPanel(p);
    p->show();
}

TNetPanel* TVelt_A_NETWORK::Panel() const
{
    return static_cast<TNetPanel*>(panel());
}

void TVelt_A_NETWORK::GetEEPROM()
{
    ctl::MessageBox(u("Для получения фискальных данных из приборов серии VELT-A. \nНа панели прибора нажмите ПЕЧАТЬ "
                      "и затем РЕЖИМ"),
                    u("Информация!"), ctl::MB_OK | ctl::MB_ICONQUESTION);
}

void TVelt_A_NETWORK::PortChange(const QString& port)
{
    KeptPort = 0;
    QString digits;
    for (const QChar c : port)
        if (c.isDigit())
            digits += c;
    const int n = digits.toInt();
    Edited.port = uint8_t(n > 0 && n < 256 ? n : 0);
    Dbg().Print("%s ApplyCOMport(COM%i) - OK", b(Name).constData(), int(Edited.port));
}

void TVelt_A_NETWORK::LoadDefaults()
{
    const uint8_t port = Edited.port;
    Edited = TNetSettings();
    Edited.port = port;
    VerificationInterval = 365;
    VerificationAlarm = 30;
}

void TVelt_A_NETWORK::LoadKeys(rtl::TIniFile& ini, const QString& section)
{
    auto read = [&](const char* key, uint32_t def) {
        const int v = ini.ReadInteger(section, QString::fromLatin1(key), int(def));
        return uint32_t(v < 0 ? def : v);
    };
    Edited.synchroTimeout = read("Timeouts_SynchroTimeout", 500);
    Edited.outTimeout = read("Timeouts_OutTimeout", 150);
    Edited.inTimeout = read("Timeouts_InTimeout", 150);
    Edited.answerTimeout = std::min<uint32_t>(read("VELTTimeout", 90), 4000000) * 1000;
    Edited.linkPeriod = read("LinkPeriod", 120);
    Edited.pollPeriod = read("PollPeriod", 100);
    Edited.checkPeriod = read("CheckPeriod", 5000);
    const std::vector<uint16_t> numbers = ParseNetNumbers(ini.ReadString(section, QStringLiteral("netnums"), QString()));
    Edited.count = uint8_t(numbers.size());
    std::copy(numbers.begin(), numbers.end(), Edited.netNumbers);
    VerificationInterval = ini.ReadInteger(section, QStringLiteral("verification_interval"), 365);
    VerificationAlarm = ini.ReadInteger(section, QStringLiteral("verification_alarm"), 30);
}

bool TVelt_A_NETWORK::SaveKeys(rtl::TIniFile& ini, const QString& section)
{
    return ini.WriteString(section, QStringLiteral("netnums"), FormatNetNumbers(Edited));
}

void TVelt_A_NETWORK::SettingsLoaded()
{
    if (TNetPanel* p = Panel())
        p->ShowListPage();
    StartPolling();
}

void TVelt_A_NETWORK::StartPolling()
{
    if (Edited.port == 0)
        return;
    PublishSettings();
    if (!Started())
        Resume();
}

void TVelt_A_NETWORK::PublishSettings()
{
    {
        std::lock_guard<std::mutex> g(lock_);
        Pending = Edited;
        ++SettingsGeneration;
    }
    started_.notify_all();
}

// Under the driver's lock, the generation read there too: to takes from when its generation has moved since.
template <class T>
bool TVelt_A_NETWORK::takeNewer(const T& from, const uint32_t& generation, uint32_t& taken, T& to)
{
    std::lock_guard<std::mutex> g(lock_);
    if (generation == taken)
        return false;
    to = from;
    taken = generation;
    return true;
}

bool TVelt_A_NETWORK::TakeSettings()
{
    return takeNewer(Pending, SettingsGeneration, settingsTaken_, Active);
}

void TVelt_A_NETWORK::PublishStatus()
{
    std::lock_guard<std::mutex> g(lock_);
    Snapshot = S;
    ++StatusGeneration;
}

bool TVelt_A_NETWORK::TakeStatus(TNetState& view)
{
    return takeNewer(Snapshot, StatusGeneration, panelTaken_, view);
}

void TVelt_A_NETWORK::Refresh(int mode)
{
    QueueToPanel([mode](TSerialPanel& p) { static_cast<TNetPanel&>(p).Refresh(mode); });
}

void TVelt_A_NETWORK::OnTerminate()
{
    {
        std::lock_guard<std::mutex> g(lock_);
    }
    started_.notify_all();
    Link->Abort();
}

void TVelt_A_NETWORK::waitForStart(int ms)
{
    std::unique_lock<std::mutex> g(lock_);
    // The generation is looked at under the lock the panel publishes under: a start that comes between the
    // thread's decision to wait and its wait is never lost.
    auto started = [this] { return SettingsGeneration != settingsTaken_ || Terminated(); };
    if (ms < 0)
        started_.wait(g, started);
    else
        started_.wait_for(g, std::chrono::milliseconds(ms), started);
}

uint32_t TVelt_A_NETWORK::tick() const
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TVelt_A_NETWORK::applySettings()
{
    const uint8_t count = std::min<uint8_t>(Active.count, kMaxNetInstruments);
    if (count == 0) {
        S.state = TNetState::Search;
        S.pollIndex = 0;
        S.count = 0;
        S.nextSearch = 1;
        ++searches_;
        S.search = searches_;
        return;
    }
    S.state = TNetState::Poll;
    S.pollIndex = 0;
    S.search = 0;
    const TNetState previous = S;
    const uint32_t now = tick();
    for (int i = 0; i < count; ++i) {
        TNetInstrument r;
        r.netNumber = Active.netNumbers[i];
        r.lastAnswer = now - Active.checkPeriod;
        if (const TNetInstrument* kept = previous.Find(r.netNumber))
            r = *kept;
        S.instruments[i] = r;
    }
    S.count = count;
}

void TVelt_A_NETWORK::Execute()
{
    net::TNetLink& link = *Link;
    link.Setup(0);
    int appliedPort = 0;
    uint8_t before = TNetState::Stopped; // the state a lost port interrupted
    while (!Terminated()) {
        try {
            if (TakeSettings()) {
                if (link.IsOpen() && Active.port != appliedPort)
                    link.Close();
                applySettings();
                PublishStatus();
                Refresh(2);
                appliedPort = Active.port;
            }
            if (link.IsOpen()) {
                if (S.state == TNetState::Search) {
                    if (SearchStep()) {
                        S.pollIndex = 0;
                        S.state = S.count ? TNetState::Poll : TNetState::NoneFound;
                        PublishStatus();
                        Refresh(2);
                    } else {
                        PublishStatus();
                        Refresh(3);
                    }
                } else if (S.state == TNetState::Poll) {
                    // The period is the least time from the start of one step to the start of the next: each
                    // of n instruments is asked once in n periods, however long an exchange takes.
                    const uint32_t began = tick();
                    PollStep();
                    const uint32_t spent = tick() - began;
                    if (spent < Active.pollPeriod && !link.Pause(int(Active.pollPeriod - spent)))
                        Sleep(int(Active.pollPeriod - spent)); // the step closed the line
                }
            } else if (S.state == TNetState::Search || S.state == TNetState::Poll) {
                if (link.Open(uint8_t(Active.port))) {
                    link.Configure(1200, 0, 0);
                    link.SetSynchro(Active.synchroTimeout);
                } else if (!Terminated()) {
                    before = S.state;
                    S.state = TNetState::NoPort;
                    PublishStatus();
                    Refresh(2);
                }
            }
            if (StopRequest) {
                S.state = TNetState::Stopped;
                PublishStatus();
                Refresh(2);
                StopRequest = false;
            }
            if (S.state == TNetState::NoPort) {
                // A line that is gone (an adapter unplugged) is taken up again once its device is back.
                waitForStart(1000);
                if (!Terminated() && PortPresent(Active.port) && (before == TNetState::Search || before == TNetState::Poll)) {
                    std::lock_guard<std::mutex> g(lock_);
                    if (SettingsGeneration == settingsTaken_)
                        S.state = before;
                }
            } else if (S.state == TNetState::Stopped || S.state == TNetState::NoneFound) {
                waitForStart(-1);
            }
        } catch (const std::exception& e) {
            Dbg().Print("%s Execute: error: %s", b(Name).constData(), e.what());
        } catch (...) {
            Dbg().Print("%s Execute: error", b(Name).constData());
        }
    }
    link.Close();
}

bool TVelt_A_NETWORK::SearchStep()
{
    if (S.count >= kMaxNetInstruments || S.nextSearch == 0)
        return true;
    // The place starts clean: an instrument that only says "nothing new" shows no identity of another.
    TNetInstrument& r = S.instruments[S.count];
    r = TNetInstrument();
    r.netNumber = S.nextSearch;
    r.lastAnswer = tick();
    ++S.nextSearch; // after 255 it becomes 0
    if (Exchange(TKind::Test, r, nullptr) != TOutcome::Failed)
        ++S.count;
    return false;
}

void TVelt_A_NETWORK::PollStep()
{
    if (S.count == 0)
        return;
    if (S.pollIndex >= S.count)
        S.pollIndex = 0;
    TNetInstrument& r = S.instruments[S.pollIndex++];
    const bool wasOnline = r.online;
    TNetPacket packet;
    const TOutcome o = Exchange(TKind::Poll, r, &packet);
    if (o == TOutcome::Result)
        PushResult(r, packet);
    else if (o == TOutcome::Answered && tick() - r.lastCheck > Active.checkPeriod)
        Exchange(TKind::Test, r, nullptr);
    if (r.online) {
        if (tick() - r.lastAnswer > Active.answerTimeout) {
            r.online = false;
            r.changed = true;
            if (r.unidentified)
                Dbg().Print("VELT с сетевым номером %d не обнаружен", int(r.netNumber));
            else
                Dbg().Print("связь с VELT #%d SN %d потеряна", int(r.netNumber), int(r.serialNumber));
        } else if (!wasOnline) {
            Dbg().Print("связь с VELT #%d SN %d восстановленна", int(r.netNumber), int(r.serialNumber));
        }
    }
    if (r.changed) {
        r.changed = false;
        PublishStatus();
        Refresh(2);
    }
}

TVelt_A_NETWORK::TOutcome TVelt_A_NETWORK::Exchange(TKind kind, TNetInstrument& r, TNetPacket* out)
{
    net::TNetLink& link = *Link;
    const uint8_t request = kind == TKind::Test ? 1 : 0;
    link.SetTimeouts(0, 0, Active.outTimeout, 0, 0);
    const uint32_t t0 = tick();
    int tries = 0;
    int32_t sent;
    do {
        sent = link.Send(&request, 1, r.netNumber);
        tellLate();
        ++tries;
    } while (sent == net::kTimeout && tick() - t0 < Active.linkPeriod && !Terminated());
    // On the stack: it is made for every exchange, ten a second a line, logged or not.
    char p[64];
    std::snprintf(p, sizeof p, "%s [%03d] x %d", kind == TKind::Test ? "'ТЕСТ' " : "'ОПРОС'", int(r.netNumber), tries);
    // A line that tells of a lost result is written as a text of its own, never left out as one of too many of
    // its kind; the others are held to the thread's limits.
    auto tell = [kind](const char* line, const std::string& more) {
        if (kind == TKind::Poll)
            Dbg().Print("%s", (line + more).c_str());
        else
            Dbg().Print("%s%s", line, more.c_str());
    };
    switch (sent) {
    case net::kAnswerFollows: {
        link.SetTimeouts(0, 0, Active.inTimeout, 0, 0);
        uint8_t buf[net::kPacketSize] = {};
        uint16_t count = 0, aux = 0;
        int32_t got = link.Receive(buf, net::kPacketSize, &count, &aux);
        // A short packet would be read past what came: it counts as a failed receive.
        if (got == net::kAnswerFollows && count != net::kPacketSize)
            got = -6;
        if (got != net::kAnswerFollows) {
            char line[160];
            if (got == net::kTimeout)
                std::snprintf(line, sizeof line, "%s : таймаут приёма", p);
            else
                std::snprintf(line, sizeof line, "%s : ошибка приёма #%d", p, int(got));
            // The instrument has handed its result over and will not give it again: it is lost, and said so.
            tell(line, kind == TKind::Poll ? "; результат прибора потерян, его ответ не получен" : "");
            return TOutcome::Failed;
        }
        Dbg().PrintDebug("%s : OK", p);
        const TNetPacket packet = ParseNetPacket(buf, rtl::Now());
        if (!packet.dateValid)
            Dbg().Print("incorrect date or time ('%.31s')", reinterpret_cast<const char*>(buf));
        Dbg().PrintDebug("получен пакет ['%.31s', %d мкг/л, 0x%x]", reinterpret_cast<const char*>(buf),
                         int(packet.number), unsigned(packet.flag));
        const bool flagOk = kind == TKind::Test ? packet.flag == 0xFF : packet.flag <= 1;
        char why[160] = {};
        if (!flagOk)
            std::snprintf(why, sizeof why, "%s : incorrect flag 0x%02x", p, unsigned(packet.flag));
        else if (kind == TKind::Test && packet.number != r.netNumber)
            std::snprintf(why, sizeof why, "%s : incorrect net number %03d", p, int(packet.number));
        if (why[0]) {
            // A refused poll answer was the instrument's result, which no request can ask for again.
            tell(why, (kind == TKind::Poll ? "; результат потерян: " : "; ответ ") + NetAnswerText(buf, kind == TKind::Poll));
            return TOutcome::Failed;
        }
        if (r.serialNumber != packet.serial || r.verificationDate != packet.verification ||
            std::strcmp(r.model, packet.model) != 0 || r.unidentified || !r.online) {
            r.changed = true;
            r.serialNumber = packet.serial;
            r.verificationDate = packet.verification;
            std::memcpy(r.model, packet.model, sizeof r.model);
        }
        r.lastAnswer = r.lastCheck = tick();
        r.unidentified = false;
        r.online = true;
        if (out)
            *out = packet;
        return kind == TKind::Poll ? TOutcome::Result : TOutcome::Answered;
    }
    case net::kNothingNew:
        r.lastAnswer = tick();
        if (!r.online) {
            r.online = true;
            r.changed = true;
        }
        Dbg().PrintDebug("%s : 0x29", p);
        return TOutcome::Answered;
    case net::kTimeout:
        Dbg().PrintDebug("%s : таймаут передачи", p);
        return TOutcome::Failed;
    case net::kGarbled:
    case net::kLineFailed:
        link.Close();
        Dbg().Print("%s : protocol error #%d", p, int(sent));
        return TOutcome::Failed;
    default:
        Dbg().Print("%s : ошибка передачи #%d", p, int(sent));
        link.Reset();
        tellLate();
        return TOutcome::Failed;
    }
}

void TVelt_A_NETWORK::tellLate()
{
    for (const net::TLateAnswer& a : Link->TakeLateAnswers()) {
        const bool poll = a.request == 0;
        char p[80];
        std::snprintf(p, sizeof p, "%s [%03d] : ответ пришёл после таймаута", poll ? "'ОПРОС'" : "'ТЕСТ' ", int(a.netNumber));
        const std::string text = p + std::string(poll ? "; результат потерян: " : "; ответ ") +
                                 NetAnswerText(reinterpret_cast<const uint8_t*>(a.packet.constData()), poll);
        // A lost result is a line of its own, never left out as one of too many of its kind.
        Dbg().Print("%s", text.c_str());
    }
}

void TVelt_A_NETWORK::PushResult(const TNetInstrument& r, const TNetPacket& p)
{
    TVELTMeasurement m = ZeroMeasurement();
    m.NetNumber = r.netNumber;
    m.SerialNumber = p.serial;
    SetMeasurementText(m.Model, p.model, std::strlen(p.model));
    m.VerificationDate = p.verification;
    m.Probe.Timestamp = p.time;
    m.Probe.AlcResult = p.number / 1000.0;
    m.Probe.AirResult = 0;
    m.Probe.Exhale = p.flag;
    m.Probe.nMeasure = 0;
    m.Probe.Flag = 0;
    m.Probe.RecordType = 1;
    m.ModelCode = 1;
    m.DeviceType = uint32_t(TypeId);
    if (!p.dateValid) {
        // The instrument's own date and time stay in the log beside the time the journal files the result with.
        const std::string line = QString::asprintf("VELT #%d SN %04d: результат ", int(r.netNumber), int(p.serial)).toStdString() +
                                 NetAnswerText(p.raw, true) + " с невозможной датой записан со временем ПК " +
                                 b(rtl::FormatDateTime(QStringLiteral("yyyy.mm.dd hh:nn:ss"), m.Probe.Timestamp)).toStdString();
        Dbg().Print("%s", line.c_str());
    }
    PushMeasurement(stack_, &m, true);
}
