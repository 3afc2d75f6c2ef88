#include "Devices/VELT_C/Velt_c.h"
#include "Devices/VELT_B/RqPanel.h"
#include "Devices/VELT_B/Velt_B_Time.h"
#include "Devices/VELT_C/Velt_c_eeprom.h"
#include "core/Debug.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <cstring>

using namespace proto;

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray b(const QString& s)
{
    return s.toUtf8();
}

} // namespace

TVELTMeasurement VeltCMeasurement(const TVELTEepromRecord& r, uint32_t serial, LongTime verification, float accuracy,
                                  int typeId)
{
    TVELTMeasurement m = ZeroMeasurement();
    m.NetNumber = 0;
    m.SerialNumber = uint16_t(serial & 0xFFFF);
    SetMeasurementText(m.Model, "VELT-C");
    m.VerificationDate = velt_b::dateTimeOf(verification);
    m.Probe.Timestamp = velt_b::dateTimeOf(r.datetime);
    m.Probe.AlcResult = RoundToStep(r.AlcResult, accuracy);
    m.Probe.AirResult = RoundToStep(r.AirResult, accuracy);
    m.Probe.Exhale = uint8_t(r.Exhale & 3);
    m.Probe.nMeasure = r.nMeasure;
    char* texts[TVELTEepromRecord::kTexts] = {m.Probe.SurvLastName, m.Probe.SurvName,      m.Probe.SurvPatronymic,
                                              m.Probe.SurvPlace,    m.Probe.NumberAuto,    m.Probe.InsLastName,
                                              m.Probe.InsName,      m.Probe.InsPatronymic, m.Probe.InsDepartment,
                                              m.Probe.InsNumber};
    for (int i = 0; i < TVELTEepromRecord::kTexts; ++i) {
        // The record's texts are cp1251 bytes, one a character: the first 10 characters are 10 bytes.
        std::memset(texts[i], 0, sizeof m.Probe.SurvLastName);
        std::memcpy(texts[i], r.texts[i].data(), std::min<size_t>(r.texts[i].size(), 10));
    }
    m.Probe.Flag = 0;
    m.Probe.RecordType = 1;
    m.ModelCode = 20;
    m.DeviceType = uint32_t(typeId);
    return m;
}

TVelt_C::TVelt_C(const QString& name, int typeId) : TVelt_B(name, typeId)
{
    Variant.livePoll = false;
    Variant.modeStep = false;
    Variant.firmwareChecks = false;
    Variant.logReceive = true;
}

std::unique_ptr<TfmVelt_B_EEPROM> TVelt_C::CreateEEPROMWindow(std::atomic<int>* go)
{
    return std::make_unique<TfmVelt_C_EEPROM>(go);
}

void TVelt_C::GetEEPROM()
{
    const TRqPanel* p = Panel();
    if (p && !p->bGetEEPROM->isEnabled()) {
        ctl::MessageBox(u("Не могу выполнить команду! Прибор не распознан как VELT-C! \nСовет: Выберите другой "
                          "порт.(Опции\\Источники измерений)"),
                        u("Внимание!"), ctl::MB_OK | ctl::MB_ICONSTOP);
        return;
    }
    TVelt_B::GetEEPROM();
}

void TVelt_C::AddLogLine(const QString& text)
{
    TVelt_B::AddLogLine(text);
    downloadState(text);
}

void TVelt_C::downloadStopShown()
{
    Sleep(Pauses.beforeHide);
    downloadStop();
}

void TVelt_C::GETEEPROM_Thread()
{
    TDownload d(stack_.Capacity ? stack_.Capacity : kMeasurementStackCapacity);
    if (!downloadWaitForGo())
        return downloadStop();
    if (!downloadIdentify(d))
        return downloadStopShown();
    if (!downloadWalk(d))
        return downloadStop();
    if (!downloadAnalyse(d) || !downloadWaitForHandOver() || !downloadHandOver(d))
        return downloadStopShown();
    downloadFinish(d);
}

// One record a block, taken whole when the constants name the VELT-C model (11); no record is checked.
bool TVelt_C::downloadWalk(TDownload& d)
{
    downloadLogAndState("Загружаем все блоки с данными...");
    std::memset(Buffer, 0, sizeof Buffer);
    d.raw.assign(size_t(d.capacity) * TVELTEepromRecord::kSize, 0);
    int budget = 16;
    for (uint32_t n = 0;; ++n) {
        if (d.count > d.life) {
            AddLogLine(QString::asprintf("Загрузка  : Блок %u - buf_count > all_life_zapis", n));
            break;
        }
        if (d.count >= uint32_t(d.capacity))
            break;
        AddLogLine(QString::asprintf("Загрузка  : Блок %u...", n));
        const bool ok = downloadBlock(n, budget, TVELTEepromRecord::kBlockSize);
        if (Terminated())
            return false;
        if (!ok) {
            if (downloadBlockFailed(n, d))
                break;
        } else if (Know.model == kVeltCModel) {
            std::memcpy(d.raw.data() + size_t(d.count) * TVELTEepromRecord::kSize, Buffer + kBlockHeader,
                        TVELTEepromRecord::kSize);
            d.valid[d.count] = 1;
            downloadShow([&](TDownloadView& w) { w.CountRec = QString::number(d.count + 1); });
            ++d.count;
        }
        if (!Sleep(Pauses.walkBlock))
            return false;
        // No memory has more blocks than the collected array has places, even one that never marks its last.
        if (GetU16(Buffer + 2) != 0 || n + 1 >= uint32_t(d.capacity))
            break;
    }
    downloadWalkEnded(d);
    return true;
}

void TVelt_C::downloadAnalysed(const TDownload& d)
{
    AddLogLine(QString::asprintf("Анализ полученных блоков - Завершён! Записей %u", d.count));
}

void TVelt_C::handOverBegins(const TDownload& d)
{
    AddLogLine(QString::asprintf("Передача...: записей = %u, номер первой записи = %i", d.count, 0));
}

void TVelt_C::handOverEntry(uint32_t k, uint32_t index)
{
    AddLogLine(QString::asprintf("Передача...: Запись %u, абсолютный номер %u", k, index));
}

TVELTMeasurement TVelt_C::buildEntry(const TDownload& d, uint32_t index) const
{
    const TVELTEepromRecord r = TVELTEepromRecord::Read(d.raw.data() + size_t(index) * TVELTEepromRecord::kSize);
    const int k = int(index);
    Dbg().Print("[%i].Exhale = %u", k, r.Exhale);
    Dbg().Print("[%i].datetime = %s", k, b(LongToDateString(r.datetime)).constData());
    Dbg().Print("[%i].nMeasure = %u", k, r.nMeasure);
    Dbg().Print("[%i].AirResult = %s", k, QByteArray::number(double(r.AirResult), 'f', 6).constData());
    Dbg().Print("[%i].AlcResult = %s", k, QByteArray::number(double(r.AlcResult), 'f', 6).constData());
    for (int i = 0; i < TVELTEepromRecord::kTexts; ++i)
        Dbg().Print("[%i].%s = %s", k, TVELTEepromRecord::TextName(i),
                    b(rtl::fromCp1251(QByteArray::fromStdString(r.texts[i]))).constData());
    return VeltCMeasurement(r, Know.serial, Know.verification, Know.accuracy, TypeId);
}
