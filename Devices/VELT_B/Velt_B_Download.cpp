// The memory download of the request-and-answer drivers: runs in the driver thread on the download request.
#include "Devices/VELT_B/Velt_B.h"
#include "Devices/VELT_B/Velt_B_Time.h"
#include "core/Debug.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"

#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace proto;

using velt_b::dateText;
using velt_b::dateTimeOf;
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

struct TEntry {
    LongTime time = 0;
    uint32_t number = 0;
    float result = 0.0f;
    std::string textA, textB;
};

bool knownEvent(uint32_t number)
{
    return number >= 0x80000001u && number <= 0x80000006u;
}

} // namespace

void TVelt_B::downloadStop()
{
    DownloadRequest = false;
    onMain([this] {
        if (fmEEPROM)
            fmEEPROM->hide();
    });
}

void TVelt_B::GETEEPROM_Thread()
{
    TfmVelt_B_EEPROM* w = fmEEPROM.get();
    if (!w) {
        DownloadRequest = false;
        return;
    }
    auto state = [this, w](const QString& text) { setLabel(w->lbState, text); };
    auto logAndState = [&](const char* text) {
        AddLogLine(u(text));
        state(u(text));
    };

    // 1. The window, waiting.
    GoCancel = 0;
    onMain([w] {
        w->bActions->setText(u("Загрузить"));
        w->bActions->setEnabled(true);
        w->bCancel->setEnabled(true);
        for (QLabel* l : {w->lbCountRec, w->lbFullRec, w->lbCOMport, w->lbNamePribor, w->lbSerialNum, w->lbDatePover,
                          w->lbAllLifeZapis}) {
            l->setText(QStringLiteral("---"));
            l->adjustSize();
        }
        w->lbState->setText(u("Ожидание..."));
        w->lbState->adjustSize();
        w->show();
        w->raise();
        w->activateWindow();
    });
    // 2. The request-and-answer instruments start at once; the interlock waits for its operator.
    if (AutoStartDownload()) {
        Sleep(200);
        onMain([this, w] {
            w->cbAfterSend->setChecked(true);
            // Not over a cancel the operator gave first: the click would turn it into a go.
            if (w->bActions->isEnabled() && GoCancel == 0)
                w->bActions->click();
        });
        Sleep(100);
    }
    // 3.
    while (GoCancel == 0) {
        if (!Sleep(100))
            return downloadStop();
    }
    if (GoCancel == -1) {
        AddLogLine(u("Отмена загрузки!"));
        Dbg().Print("GETEEPROM_Thread: Отмена загрузки!");
        return downloadStop();
    }
    // 4.
    Dbg().Print("Начало запроса данных...");
    AddLogLine(u("Начало запроса данных..."));
    Sleep(100);
    // 5. Presence.
    logAndState("Определение наличия прибора...");
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
        return downloadStop();
    }
    Dbg().Print("GETEEPROM_Thread: TestConnectAlkan - complete");
    AddLogLine(u("Прибор обнаружен"));
    // 6. Working mode.
    logAndState("Получение текущего режима работы...");
    bool got = false;
    for (int tries = 15; tries > 0 && !Terminated(); --tries) {
        if (SendCommand(kCmdResult) == kDone && RecvData_AlcMeas() == kDone) {
            if (!(TAlcMeas::Read(AlcMeas).mode >= 1 && TAlcMeas::Read(AlcMeas).mode <= 4)) {
                AddLogLine(u("Не удалось получить данные от прибора. Прибор не в режимах: *Есть результат*, *Готов*, "
                             "*Прогрев*."));
                Dbg().Print("GETEEPROM_Thread: Pribor ne gotov !");
                return downloadStop();
            }
            got = true;
            break;
        }
        Dbg().Print("GETEEPROM_Thread: Alc_get_result.info_blok - tryning num %i", tries);
    }
    if (!got) {
        Dbg().Print("GETEEPROM_Thread: Pribor ne gotov !");
        return downloadStop();
    }
    Dbg().Print("GETEEPROM_Thread: Alc_get_result.info_blok - complete");
    AddLogLine(u("Режим работы получен"));
    // 7. Constants.
    logAndState("Загрузка констант VELT...");
    if (!loadConstants(false)) {
        AddLogLine(u("Загрузка констант VELT: Не удалось получить данные"));
        Dbg().Print("SetCommPort_b: NOT Load constant VELT, trynings is end");
        return downloadStop();
    }
    AddLogLine(u("Константы загружены"));
    // 8. Info block.
    AddLogLine(u("Получение инф. блока..."));
    Dbg().Print("GETEEPROM_Thread: get info blok...");
    state(u("Получение инф. блока..."));
    if (!retryInfoBlock()) {
        return downloadStop();
    }
    if (!infoMatchesConstants()) {
        Dbg().Print("GETEEPROM_Thread: Данные в инфо-блоке несоответствуют данным в блоке констант - error");
        AddLogLine(u("Ошибка! Данные в инфо-блоке несоответствуют данным в блоке констант."));
        return downloadStop();
    }
    // The life count is read whole (32 bits): a 16-bit count loses every memory past 65535 exhalations.
    const uint32_t all_life_zapis = Info.life;
    InfoRecord.DATEGET = SystemTimeToLong(rtl::LocalSystemTime());
    InfoRecord.DATEPRIB = Info.clock;
    InfoRecord.LIFEZAPIS = Info.life;
    Dbg().Print("GETEEPROM_Thread: info blok: m%i fn%i fv %x,%02x", int(Info.model), int(Info.serial),
                unsigned(Info.firmware >> 8), unsigned(Info.firmware & 0xFF));
    Dbg().Print("GETEEPROM_Thread: info blok: DateTime in pribor %s, vsego sdelano vidohov %u",
                b(dateText(Info.clock)).constData(), all_life_zapis);
    AddLogLine(u("Текущие дата и время прибора: ") + dateTimeText(Info.clock));
    AddLogLine(QString::asprintf("Всего произведено выдохов: %u", all_life_zapis));
    setLabel(lbCountValue, QString::number(all_life_zapis));
    {
        const QString port = QStringLiteral("COM%1").arg(GetPortNumber());
        const QString serial = QString::asprintf("%04i", int(Know.serial));
        const QString name = Name, date = dateText(Know.verification), life = QString::number(all_life_zapis);
        onMain([w, port, serial, name, date, life] {
            const std::pair<QLabel*, QString> texts[] = {{w->lbCOMport, port}, {w->lbNamePribor, name},
                                                         {w->lbSerialNum, serial}, {w->lbDatePover, date},
                                                         {w->lbAllLifeZapis, life}};
            for (const auto& [l, t] : texts) {
                l->setText(t);
                l->adjustSize();
            }
        });
    }
    Dbg().Print("GETEEPROM_Thread: return info blok - complete");
    // 9.
    if (all_life_zapis == 0) {
        AddLogLine(u("В приборе нет фискальных данных, он пуст!"));
        Dbg().Print("GETEEPROM_Thread: get bloks - none bloks, this eeprom is empty");
        return downloadStop();
    }
    // 10.
    AddLogLine(u("Инф. блок получен"));
    setLabel(w->lbFullRec, QString::number(all_life_zapis));
    recordInstrument();

    // 11-12. The walk over the memory blocks.
    logAndState("Загружаем все блоки с данными...");
    const int capacity = stack_.Capacity ? stack_.Capacity : kMeasurementStackCapacity;
    std::vector<TEntry> entries(static_cast<size_t>(capacity));
    std::vector<uint8_t> valid(size_t(capacity), 0);
    std::memset(Buffer, 0, sizeof Buffer);
    uint32_t N = 0;
    uint32_t buf_count = 0;
    int budget = 16;
    bool haveOldest = false;
    LongTime oldestTime = 0;
    uint32_t oldestIndex = 0;
    const int layout = LayoutOfModel(Know.model);
    const int perBlock = RecordsPerBlock(layout);
    for (;;) {
        if (buf_count > all_life_zapis || buf_count >= uint32_t(capacity))
            break;
        PutU16(Buffer + 2, uint16_t(N));
        const bool ok = SendCommand(kCmdBlock) == kDone && RecvData() == kDone &&
                        int16_t(GetU16(Buffer)) == int16_t(uint16_t(N)) && RecvCnt >= kBlockSize;
        if (Terminated())
            return downloadStop();
        if (!ok && budget > 0) {
            --budget;
            Dbg().Print("GETEEPROM_Thread: get blok index %u - tryning %i", N, budget);
            continue;
        }
        bool walkEnds = false;
        if (!ok) {
            Dbg().Print("GETEEPROM_Thread: get blok index %u - error", N);
            AddLogLine(u("Ошибка - Не могу получить блок данных c номером ") + QString::number(N) + u(" !"));
        } else {
            efdata.Set(layout, Buffer + kBlockHeader);
            for (int i = 0; i < perBlock; ++i) {
                if (buf_count >= uint32_t(capacity)) {
                    walkEnds = true;
                    break;
                }
                if (not_used_e_service_e_info && N == 0 && i < 2)
                    continue;
                TEntry& e = entries[buf_count];
                e.time = efdata.DateTime_alk(i);
                e.number = efdata.Number(i);
                e.result = efdata.Result(i);
                e.textA = efdata.TextA(i);
                e.textB = efdata.TextB(i);
                valid[buf_count] = 1;
                if (e.time == 0) {
                    valid[buf_count] = 0;
                    AddLogLine(QString::asprintf("Загрузка: Блок %u, запись %i - efdata.DateTime_alk(i) == 0", N, i));
                }
                if (Know.model == 4 && (e.number & 0x80000000u) && !knownEvent(e.number)) {
                    valid[buf_count] = 0;
                    AddLogLine(QString::asprintf("Загрузка: Блок %u, запись %i - number_zapis & 0x80000000UL - "
                                                 "неверный(неизвестный) флаг", N, i));
                }
                if (buf_count > all_life_zapis) {
                    valid[buf_count] = 0;
                    AddLogLine(QString::asprintf("Загрузка: Блок %u, запись %i - buf_count > all_life_zapis", N, i));
                    break;
                }
                if (valid[buf_count] && (!haveOldest || e.time < oldestTime)) {
                    haveOldest = true;
                    oldestTime = e.time;
                    oldestIndex = buf_count;
                }
                AddLogLine(valid[buf_count] ? QString::asprintf("Загрузка: Блок %u, запись %i", N, i)
                                            : QString::asprintf("Загрузка: Блок %u, запись %i - недействительная", N, i));
                if (buf_count >= all_life_zapis) {
                    valid[buf_count] = 0;
                    AddLogLine(QString::asprintf("Загрузка : Блок %u, запись %i - buf_count > all_life_zapis", N, i));
                    break;
                }
                setLabel(w->lbCountRec, QString::number(buf_count + 1));
                ++buf_count;
                Sleep(Pauses.walkRecord);
                if (!DownloadRequest)
                    return downloadStop();
                if (Terminated())
                    return downloadStop();
                if (GoCancel == -1) {
                    AddLogLine(u("Отмена загрузки!"));
                    Dbg().Print("GETEEPROM_Thread: Отмена загрузки!");
                    return downloadStop();
                }
            }
        }
        if (walkEnds)
            break;
        if (Terminated())
            return downloadStop();
        // A block that ended at its first record passed no cancel check above.
        if (GoCancel == -1) {
            AddLogLine(u("Отмена загрузки!"));
            Dbg().Print("GETEEPROM_Thread: Отмена загрузки!");
            return downloadStop();
        }
        ++N;
        Sleep(Pauses.walkBlock);
        if (GetU16(Buffer + 2) != 0)
            break;
        // No memory has more blocks than it takes to fill the collected array; an instrument that never marks
        // its last block would otherwise keep the walk (and the driver) going for ever.
        if (N >= uint32_t((capacity + perBlock - 1) / perBlock))
            break;
    }
    // 13-15. Analysis.
    Dbg().Print("GETEEPROM_Thread: get data blok - complete");
    AddLogLine(u("Загрузка: Завершена! "));
    Dbg().Print("GETEEPROM_Thread: Анализ полученных блоков...");
    logAndState("Анализ полученных блоков...");
    if (buf_count == 0) {
        AddLogLine(u("Ошибка связи! Не удалось получить ни одного блока данных, повторите попытку!"));
        Dbg().Print("GETEEPROM_Thread: get bloks - error");
        return downloadStop();
    }
    const uint32_t full_fiscal_massiv = buf_count <= 2729 ? 2729 : 5460;
    const uint32_t count_loops = all_life_zapis / full_fiscal_massiv + (all_life_zapis % full_fiscal_massiv ? 1 : 0);
    Dbg().Print("GETEEPROM_Thread: Анализ полученных блоков - Завершён! gets %u records, full_fiscal_massiv %u, "
                "count_loops %u", buf_count, full_fiscal_massiv, count_loops);
    AddLogLine(QString::asprintf("Анализ полученных блоков - Завершён! Записей %u, Памяти %u, Счётчик цикла "
                                 "перезаписи %u", buf_count, full_fiscal_massiv, count_loops));
    state(u("Анализ блоков завершён."));
    if (!Sleep(500))
        return downloadStop();
    // 16. Waiting for the hand-over; the value is reset before the button can set it, but a cancel given since
    // the walk's last look stays: the operator has no second cancel button to press.
    int went = 1;
    GoCancel.compare_exchange_strong(went, 0);
    onMain([w] {
        w->lbFullRec->setText(w->lbCountRec->text());
        w->lbFullRec->adjustSize();
        w->bActions->setText(u("Передать"));
        w->bActions->setEnabled(true);
    });
    while (GoCancel == 0) {
        bool after = false;
        onMain([w, &after] { after = w->cbAfterSend->isChecked(); });
        if (after) {
            if (!Sleep(500))
                return downloadStop();
            onMain([w] { w->bActions->setEnabled(false); });
            int waiting = 0;
            GoCancel.compare_exchange_strong(waiting, 1); // not over a cancel given in the pause
            break;
        }
        if (!Sleep(100))
            return downloadStop();
    }
    if (GoCancel == -1) {
        AddLogLine(u("Отмена передачи!"));
        Dbg().Print("GETEEPROM_Thread: Отмена передачи!");
        return downloadStop();
    }
    // 17-18. The hand-over, oldest first, one record at a time.
    setLabel(w->lbCountRec, QStringLiteral("---"));
    Dbg().Print("GETEEPROM_Thread: Передача результирующего массива...");
    logAndState("Передача результирующего массива...");
    for (uint32_t k = 0; k < buf_count; ++k) {
        uint32_t index = oldestIndex + k;
        if (index >= buf_count)
            index -= buf_count;
        if (index >= uint32_t(capacity)) {
            AddLogLine(u("Ошибка во время передачи! Переполнение массива передачи."));
            Dbg().Print("GETEEPROM_Thread: Передаём результирующий массив - error(Переполнение массива передачи)");
            return downloadStop();
        }
        if (GoCancel == -1) {
            AddLogLine(u("Отмена передачи!"));
            Dbg().Print("GETEEPROM_Thread: Отмена передачи!");
            return downloadStop();
        }
        if (!valid[index])
            continue;
        try {
            const TEntry& e = entries[index];
            TVELTMeasurement m = buildRecord(e.time, e.result, e.result < 0.0f);
            SetMeasurementText(m.Probe.SurvLastName, e.textA.c_str());
            SetMeasurementText(m.Probe.InsLastName, e.textB.c_str());
            m.Probe.RecordType = Know.model == 4 && (e.number & 0x80000000u) ? 2 : 1;
            const bool emptied = WaitStackEmpty(stack_, [this] { return Terminated(); },
                                                [this](int) { Sleep(Pauses.stackPoll); });
            if (!emptied)
                return downloadStop();
            setLabel(w->lbCountRec, QString::number(k + 1));
            PushMeasurement(stack_, &m);
            Sleep(Pauses.afterPush);
        } catch (...) {
            AddLogLine(u("Ошибка во время передачи! Неопределённая ошибка во время обработки записи."));
            Dbg().Print("GETEEPROM_Thread: Передаём результирующий массив - error(Неопределённая ошибка во время "
                        "обработки записи)");
        }
        if (Terminated())
            return downloadStop();
    }
    // 19.
    Dbg().Print("GETEEPROM_Thread: Передача результирующего массива - Завершена");
    AddLogLine(u("Передача результирующего массива - Завершена"));
    state(u("Запрос данных завершён."));
    entries.clear();
    valid.clear();
    if (!Sleep(Pauses.beforeHide))
        return downloadStop();
    downloadStop();
    AddLogLine(u("Запрос данных завершён."));
}
