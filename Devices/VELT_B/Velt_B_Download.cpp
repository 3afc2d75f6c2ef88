// The memory download of the request-and-answer drivers: runs in the driver thread on the download request,
// as a sequence of steps; a step that returns false has said why, and the download stops there.
#include "Devices/VELT_B/Velt_B.h"
#include "Devices/VELT_B/Velt_B_Time.h"
#include "core/Debug.h"
#include "platform/rtl/DateTime.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace proto;

using velt_b::dateText;
using velt_b::dateTimeText;

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray b(const QString& s)
{
    return s.toUtf8();
}

bool knownEvent(uint32_t number)
{
    return number >= 0x80000001u && number <= 0x80000006u;
}

} // namespace

void TVelt_B::downloadStop()
{
    DownloadRequest = false;
    downloadShow([](TDownloadView& w) { w.Shown = false; });
}

void TVelt_B::downloadState(const QString& text)
{
    downloadShow([&](TDownloadView& w) { w.State = text; });
}

void TVelt_B::downloadLogAndState(const char* text)
{
    AddLogLine(u(text));
    downloadState(u(text));
}

bool TVelt_B::downloadCancelled(const char* text)
{
    if (GoCancel != -1)
        return false;
    AddLogLine(u(text));
    Dbg().Print("GETEEPROM_Thread: %s", text);
    return true;
}

void TVelt_B::GETEEPROM_Thread()
{
    TDownload d(stack_.Capacity ? stack_.Capacity : kMeasurementStackCapacity);
    if (downloadWaitForGo() && downloadIdentify(d) && downloadWalk(d) && downloadAnalyse(d) &&
        downloadWaitForHandOver() && downloadHandOver(d))
        downloadFinish(d);
    else
        downloadStop();
}

// 1-3. The window, waiting for the go; the request-and-answer instruments start at once, the interlock waits
// for its operator.
bool TVelt_B::downloadWaitForGo()
{
    GoCancel = 0;
    // The window says from the start which source it reads: its port and its type, before anything is read (the
    // interlock waits here for its operator, who may have several instruments).
    const int port = GetPortNumber();
    const QString none = QStringLiteral("---"), portText = port > 0 ? QStringLiteral("COM%1").arg(port) : none;
    downloadShow([&](TDownloadView& w) {
        w.ActionsText = u("Загрузить");
        w.ActionsEnabled = true;
        w.CancelEnabled = true;
        w.CountRec = none;
        w.FullRec = none;
        w.COMport = portText;
        w.NamePribor = Name;
        w.SerialNum = none;
        w.DatePover = none;
        w.AllLifeZapis = none;
        w.State = u("Ожидание...");
        w.Shown = true;
    });
    if (AutoStartDownload()) {
        Sleep(200);
        // "Получить от прибора" pressed for the operator, but not over a cancel the operator gave first, which the
        // press would turn into a go.
        AfterSend = true;
        int waiting = 0;
        const bool go = GoCancel.compare_exchange_strong(waiting, 1);
        downloadShow([go](TDownloadView& w) {
            w.AfterSend = true;
            if (go)
                w.ActionsEnabled = false;
        });
        Sleep(100);
    }
    while (GoCancel == 0) {
        if (!Sleep(100))
            return false;
    }
    return !downloadCancelled("Отмена загрузки!");
}

// 4-6. The instrument answers and is in a working mode.
bool TVelt_B::downloadInstrumentReady()
{
    Dbg().Print("Начало запроса данных...");
    AddLogLine(u("Начало запроса данных..."));
    Sleep(100);
    downloadLogAndState("Определение наличия прибора...");
    bool found = false;
    for (int tries = 3; tries > 0 && !Terminated(); --tries) {
        if (TestConnectAlkan()) {
            found = true;
            break;
        }
        Dbg().Print("GETEEPROM_Thread: TestConnectAlkan -tryning %i", tries);
        Sleep(10);
    }
    if (!found) {
        Dbg().Print("GETEEPROM_Thread: not TestConnectAlkan - last tryning");
        AddLogLine(u("Не удалось определить наличие прибора!"));
        return false;
    }
    Dbg().Print("GETEEPROM_Thread: TestConnectAlkan - complete");
    AddLogLine(u("Прибор обнаружен"));
    if (!Variant.modeStep)
        return true;
    downloadLogAndState("Получение текущего режима работы...");
    for (int tries = 15; tries > 0 && !Terminated(); --tries) {
        if (SendCommand(kCmdResult) == kDone && RecvData_AlcMeas() == kDone) {
            const uint16_t mode = TAlcMeas::Read(AlcMeas).mode;
            if (mode < 1 || mode > 4) {
                AddLogLine(u("Не удалось получить данные от прибора. Прибор не в режимах: *Есть результат*, *Готов*, "
                             "*Прогрев*."));
                Dbg().Print("GETEEPROM_Thread: Pribor ne gotov !");
                return false;
            }
            Dbg().Print("GETEEPROM_Thread: Alc_get_result.info_blok - complete");
            AddLogLine(u("Режим работы получен"));
            return true;
        }
        Dbg().Print("GETEEPROM_Thread: Alc_get_result.info_blok - tryning num %i", tries);
    }
    Dbg().Print("GETEEPROM_Thread: Pribor ne gotov !");
    return false;
}

// 4-10. Presence, mode, constants and the info block; the window shows the instrument, the table records it.
bool TVelt_B::downloadIdentify(TDownload& d)
{
    if (!downloadInstrumentReady())
        return false;
    downloadLogAndState("Загрузка констант VELT...");
    if (!loadConstants(false)) {
        AddLogLine(u("Загрузка констант VELT: Не удалось получить данные"));
        Dbg().Print("SetCommPort_b: NOT Load constant VELT, trynings is end");
        return false;
    }
    AddLogLine(u("Константы загружены"));
    AddLogLine(u("Получение инф. блока..."));
    Dbg().Print("GETEEPROM_Thread: get info blok...");
    downloadState(u("Получение инф. блока..."));
    if (!retryInfoBlock())
        return false;
    if (!infoMatchesConstants()) {
        Dbg().Print("GETEEPROM_Thread: Данные в инфо-блоке несоответствуют данным в блоке констант - error");
        AddLogLine(u("Ошибка! Данные в инфо-блоке несоответствуют данным в блоке констант."));
        return false;
    }
    d.life = Info.life;
    InfoRecord.DATEGET = SystemTimeToLong(rtl::LocalSystemTime());
    InfoRecord.DATEPRIB = Info.clock;
    InfoRecord.LIFEZAPIS = Info.life;
    Dbg().Print("GETEEPROM_Thread: info blok: m%i fn%i fv %x,%02x", int(Info.model), int(Info.serial),
                unsigned(Info.firmware >> 8), unsigned(Info.firmware & 0xFF));
    Dbg().Print("GETEEPROM_Thread: info blok: DateTime in pribor %s, vsego sdelano vidohov %u",
                b(dateText(Info.clock)).constData(), d.life);
    AddLogLine(u("Текущие дата и время прибора: ") + dateTimeText(Info.clock));
    AddLogLine(QString::asprintf("Всего произведено выдохов: %u", d.life));
    const QString life = QString::number(d.life);
    Publish([&] {
        Status.CountValue = life;
        TDownloadView& w = Status.Download;
        w.COMport = QStringLiteral("COM%1").arg(GetPortNumber());
        w.NamePribor = Name;
        w.SerialNum = QString::asprintf("%04i", int(Know.serial));
        w.DatePover = dateText(Know.verification);
        w.AllLifeZapis = life;
    });
    Dbg().Print("GETEEPROM_Thread: return info blok - complete");
    if (d.life == 0) {
        AddLogLine(u("В приборе нет фискальных данных, он пуст!"));
        Dbg().Print("GETEEPROM_Thread: get bloks - none bloks, this eeprom is empty");
        return false;
    }
    AddLogLine(u("Инф. блок получен"));
    downloadShow([&](TDownloadView& w) { w.FullRec = life; });
    recordInstrument();
    return true;
}

// False when the block could not be had.
bool TVelt_B::downloadBlock(uint32_t n, int& budget, int minLength)
{
    for (;;) {
        PutU16(Buffer + 2, uint16_t(n));
        const bool ok = SendCommand(kCmdBlock) == kDone && RecvData() == kDone &&
                        int16_t(GetU16(Buffer)) == int16_t(uint16_t(n)) && RecvCnt >= minLength;
        if (ok || Terminated() || budget <= 0 || Port.LineLost())
            return ok;
        --budget;
        Dbg().Print("GETEEPROM_Thread: get blok index %u - tryning %i", n, budget);
    }
}

// The records of block n, as the exchange buffer holds it. False when the download stops; walkEnds when the
// collected array or the life count is reached.
bool TVelt_B::downloadTakeRecords(TDownload& d, uint32_t n, bool& walkEnds)
{
    const int layout = LayoutOfModel(Know.model);
    efdata.Set(layout, Buffer + kBlockHeader);
    for (int i = 0; i < RecordsPerBlock(layout); ++i) {
        if (d.count >= uint32_t(d.capacity)) {
            walkEnds = true;
            return true;
        }
        if (not_used_e_service_e_info && n == 0 && i < 2)
            continue;
        TDownload::TEntry& e = d.entries[d.count];
        uint8_t& valid = d.valid[d.count];
        e.time = efdata.DateTime_alk(i);
        e.number = efdata.Number(i);
        e.result = efdata.Result(i);
        e.textA = efdata.TextA(i);
        e.textB = efdata.TextB(i);
        valid = 1;
        if (e.time == 0) {
            valid = 0;
            AddLogLine(QString::asprintf("Загрузка: Блок %u, запись %i - efdata.DateTime_alk(i) == 0", n, i));
        }
        if (Know.model == kInterlockModel && (e.number & 0x80000000u) && !knownEvent(e.number)) {
            valid = 0;
            AddLogLine(QString::asprintf("Загрузка: Блок %u, запись %i - number_zapis & 0x80000000UL - "
                                         "неверный(неизвестный) флаг", n, i));
        }
        if (d.count > d.life) {
            valid = 0;
            AddLogLine(QString::asprintf("Загрузка: Блок %u, запись %i - buf_count > all_life_zapis", n, i));
            return true;
        }
        if (valid && (!d.haveOldest || e.time < d.oldestTime)) {
            d.haveOldest = true;
            d.oldestTime = e.time;
            d.oldestIndex = d.count;
        }
        AddLogLine(valid ? QString::asprintf("Загрузка: Блок %u, запись %i", n, i)
                         : QString::asprintf("Загрузка: Блок %u, запись %i - недействительная", n, i));
        if (d.count >= d.life) {
            valid = 0;
            AddLogLine(QString::asprintf("Загрузка : Блок %u, запись %i - buf_count > all_life_zapis", n, i));
            return true;
        }
        downloadShow([&](TDownloadView& w) { w.CountRec = QString::number(d.count + 1); });
        ++d.count;
        Sleep(Pauses.walkRecord);
        if (!DownloadRequest || Terminated() || downloadCancelled("Отмена загрузки!"))
            return false;
    }
    return true;
}

bool TVelt_B::downloadBlockFailed(uint32_t n, TDownload& d)
{
    Dbg().Print("GETEEPROM_Thread: get blok index %u - error", n);
    AddLogLine(u("Ошибка - Не могу получить блок данных c номером ") + QString::number(n) + u(" !"));
    d.incomplete = true;
    if (!Port.LineLost())
        return false;
    AddLogLine(u("Связь с прибором потеряна!"));
    return true;
}

// 11-12. The walk over the memory blocks.
bool TVelt_B::downloadWalk(TDownload& d)
{
    downloadLogAndState("Загружаем все блоки с данными...");
    std::memset(Buffer, 0, sizeof Buffer);
    const uint32_t perBlock = uint32_t(RecordsPerBlock(LayoutOfModel(Know.model)));
    // No memory has more blocks than it takes to fill the collected array; an instrument that never marks its
    // last block would otherwise keep the walk (and the driver) going for ever.
    const uint32_t maxBlocks = (uint32_t(d.capacity) + perBlock - 1) / perBlock;
    int budget = 16;
    for (uint32_t n = 0; d.count <= d.life && d.count < uint32_t(d.capacity); ++n) {
        const bool ok = downloadBlock(n, budget, kBlockSize);
        if (Terminated())
            return false;
        bool walkEnds = false;
        if (!ok) {
            if (downloadBlockFailed(n, d))
                break;
        } else if (!downloadTakeRecords(d, n, walkEnds)) {
            return false;
        }
        if (walkEnds)
            break;
        if (Terminated())
            return false;
        // A block that ended at its first record passed no cancel check above.
        if (downloadCancelled("Отмена загрузки!"))
            return false;
        Sleep(Pauses.walkBlock);
        if (GetU16(Buffer + 2) != 0 || n + 1 >= maxBlocks)
            break;
    }
    downloadWalkEnded(d);
    return true;
}

void TVelt_B::downloadWalkEnded(const TDownload& d)
{
    Dbg().Print("GETEEPROM_Thread: get data blok - complete");
    if (d.incomplete)
        AddLogLine(QString::asprintf("Загрузка: Не завершена! Получено записей %u из %u.", d.count, d.Expected()));
    else
        AddLogLine(u("Загрузка: Завершена! "));
}

// 13-15. What the walk brought.
bool TVelt_B::downloadAnalyse(const TDownload& d)
{
    Dbg().Print("GETEEPROM_Thread: Анализ полученных блоков...");
    downloadLogAndState("Анализ полученных блоков...");
    if (d.count == 0) {
        AddLogLine(u("Ошибка связи! Не удалось получить ни одного блока данных, повторите попытку!"));
        Dbg().Print("GETEEPROM_Thread: get bloks - error");
        return false;
    }
    downloadAnalysed(d);
    return Sleep(500);
}

void TVelt_B::downloadAnalysed(const TDownload& d)
{
    const uint32_t full_fiscal_massiv = d.count <= 2729 ? 2729 : 5460;
    const uint32_t count_loops = d.life / full_fiscal_massiv + (d.life % full_fiscal_massiv ? 1 : 0);
    Dbg().Print("GETEEPROM_Thread: Анализ полученных блоков - Завершён! gets %u records, full_fiscal_massiv %u, "
                "count_loops %u", d.count, full_fiscal_massiv, count_loops);
    AddLogLine(QString::asprintf("Анализ полученных блоков - Завершён! Записей %u, Памяти %u, Счётчик цикла "
                                 "перезаписи %u", d.count, full_fiscal_massiv, count_loops));
    downloadState(u("Анализ блоков завершён."));
}

// 16. Waiting for the hand-over; the value is reset before the button can set it, but a cancel given since the
// walk's last look stays: the operator has no second cancel button to press.
bool TVelt_B::downloadWaitForHandOver()
{
    int went = 1;
    GoCancel.compare_exchange_strong(went, 0);
    downloadShow([](TDownloadView& w) {
        w.FullRec = w.CountRec.value;
        w.ActionsText = u("Передать");
        w.ActionsEnabled = true;
    });
    while (GoCancel == 0) {
        if (AfterSend) {
            if (!Sleep(500))
                return false;
            downloadShow([](TDownloadView& w) { w.ActionsEnabled = false; });
            int waiting = 0;
            GoCancel.compare_exchange_strong(waiting, 1); // not over a cancel given in the pause
            break;
        }
        if (!Sleep(100))
            return false;
    }
    return !downloadCancelled("Отмена передачи!");
}

// 17-18. The hand-over, oldest first, one record at a time, each into an empty stack.
bool TVelt_B::downloadHandOver(TDownload& d)
{
    downloadShow([](TDownloadView& w) { w.CountRec = QStringLiteral("---"); });
    Dbg().Print("GETEEPROM_Thread: Передача результирующего массива...");
    downloadLogAndState("Передача результирующего массива...");
    // What the journal could not file is not handed over: the tally tells, once each record has reached it.
    const uint32_t delivered0 = stack_.Tally ? stack_.Tally->Delivered.load() : 0;
    const uint32_t unfiled0 = stack_.Tally ? stack_.Tally->Unfiled.load() : 0;
    uint32_t pushed = 0;
    handOverBegins(d);
    for (uint32_t k = 0; k < d.count; ++k) {
        uint32_t index = d.oldestIndex + k;
        if (index >= d.count)
            index -= d.count;
        handOverEntry(k, index);
        if (index >= uint32_t(d.capacity)) {
            AddLogLine(u("Ошибка во время передачи! Переполнение массива передачи."));
            Dbg().Print("GETEEPROM_Thread: Передаём результирующий массив - error(Переполнение массива передачи)");
            return false;
        }
        if (downloadCancelled("Отмена передачи!"))
            return false;
        if (!d.valid[index])
            continue;
        try {
            const TVELTMeasurement m = buildEntry(d, index);
            const bool emptied = WaitStackEmpty(stack_, [this] { return Terminated(); },
                                                [this](int) { Sleep(Pauses.stackPoll); });
            if (!emptied)
                return false;
            downloadShow([k](TDownloadView& w) { w.CountRec = QString::number(k + 1); });
            if (PushMeasurement(stack_, &m)) {
                ++d.handed;
                ++pushed;
            }
            Sleep(Pauses.afterPush);
        } catch (const std::exception& e) {
            entryFailed(e.what());
        } catch (...) {
            entryFailed(nullptr);
        }
        if (Terminated())
            return false;
    }
    // Handed over means taken: the end is told once the last record has left the stack.
    if (!WaitStackEmpty(stack_, [this] { return Terminated(); }, [this](int) { Sleep(Pauses.stackPoll); }))
        return false;
    if (stack_.Tally) {
        const int step = std::max(Pauses.stackPoll, 1);
        for (int waited = 0; stack_.Tally->Delivered.load() - delivered0 < pushed && waited < 10000; waited += step)
            if (!Sleep(step))
                return false;
        const uint32_t refused = stack_.Tally->Unfiled.load() - unfiled0;
        if (refused > 0) {
            d.handed -= std::min(d.handed, refused);
            downloadShow([&](TDownloadView& w) { w.CountRec = QString::number(pushed > refused ? pushed - refused : 0); });
            AddLogLine(u("Не записано в журнал: %1 из %2 (данные записей - в протоколе программы).").arg(refused).arg(pushed));
            Dbg().Print("GETEEPROM_Thread: не записано в журнал %u из %u", refused, pushed);
        }
    }
    return true;
}

// A record that failed while it was handed over costs only that record; the log keeps why.
void TVelt_B::entryFailed(const char* reason)
{
    AddLogLine(u("Ошибка во время передачи! Неопределённая ошибка во время обработки записи."));
    if (reason)
        Dbg().Print("GETEEPROM_Thread: Передаём результирующий массив - error(Неопределённая ошибка во время "
                    "обработки записи): %s", reason);
    else
        Dbg().Print("GETEEPROM_Thread: Передаём результирующий массив - error(Неопределённая ошибка во время "
                    "обработки записи)");
}

TVELTMeasurement TVelt_B::buildEntry(const TDownload& d, uint32_t index) const
{
    const TDownload::TEntry& e = d.entries[index];
    TVELTMeasurement m = buildRecord(e.time, e.result, e.result < 0.0f);
    SetMeasurementText(m.Probe.SurvLastName, e.textA.c_str());
    SetMeasurementText(m.Probe.InsLastName, e.textB.c_str());
    m.Probe.RecordType = Know.model == kInterlockModel && (e.number & 0x80000000u) ? 2 : 1;
    // An event's kind lives only in its number: the journal shows and counts the event by this code (its
    // exhalation number column), where a measurement's number stays 0 as the live poll files it.
    if (m.Probe.RecordType == 2)
        m.Probe.nMeasure = e.number;
    return m;
}

// 19.
void TVelt_B::downloadFinish(const TDownload& d)
{
    Dbg().Print("GETEEPROM_Thread: Передача результирующего массива - Завершена");
    AddLogLine(u("Передача результирующего массива - Завершена"));
    // A cut download never passes for a whole one: it says how much of the memory came over.
    const QString end = d.incomplete ? QString::asprintf("Запрос данных не завершён! Передано записей %u из %u.",
                                                         d.handed, d.Expected())
                                     : u("Запрос данных завершён.");
    downloadState(end);
    if (!Sleep(Pauses.beforeHide))
        return downloadStop();
    downloadStop();
    AddLogLine(end);
}
