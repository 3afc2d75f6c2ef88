#include "journal/ConsReportEngine.h"

#include "core/Debug.h"
#include "db/DBInfoPribors.h"
#include "journal/Excel.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"

#include <algorithm>

namespace {

// The interlock events by their code in NUM_VIDOH (0x80000001 .. 0x80000006 read as signed).
constexpr int32_t kFirstEvent = int32_t(0x80000001u);
int eventNo(int32_t code)
{
    return code >= kFirstEvent && code < kFirstEvent + TConsInstrument::kEvents ? int(code - kFirstEvent) + 1 : 0;
}

bool digits(const QString& t, int at, int n, int& value)
{
    value = 0;
    for (int i = at; i < at + n; ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

// "yyyy.mm.dd" with an optional " hh:nn:ss"; false for anything else.
bool readDate(const QString& t, int& y, int& m, int& d)
{
    if (t.size() < 10 || t[4] != u'.' || t[7] != u'.' || !digits(t, 0, 4, y) || !digits(t, 5, 2, m) ||
        !digits(t, 8, 2, d) || !QDate::isValid(y, m, d))
        return false;
    if (t.size() == 10)
        return true;
    int h = 0, n = 0, s = 0;
    return t.size() == 19 && t[10] == u' ' && t[13] == u':' && t[16] == u':' && digits(t, 11, 2, h) &&
           digits(t, 14, 2, n) && digits(t, 17, 2, s) && h < 24 && n < 60 && s < 60;
}

QString dayText(const QDate& d)
{
    return QStringLiteral("%1.%2.%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

QString countText(int n, bool listed)
{
    return listed ? QStringLiteral("%1 (см. ниже)").arg(n) : QString::number(n);
}

} // namespace

int TConsPeriod::Days() const
{
    return TConsReportEngine::DayNumber(end) - TConsReportEngine::DayNumber(start) + 1;
}

TConsReportEngine::TConsReportEngine()
    : ADOQuery(std::make_unique<TADOQuery>())
{
}

TConsReportEngine::~TConsReportEngine() = default;

void TConsReportEngine::SetDatabase(TADOConnection* connection, TDBInfoPribors* infoPribors)
{
    ADOQuery->SetConnection(connection);
    InfoPribors = infoPribors;
}

void TConsReportEngine::Close()
{
    ADOQuery->Close();
}

int TConsReportEngine::DayNumber(const QString& dateText)
{
    int y = 0, m = 0, d = 0;
    return readDate(dateText, y, m, d) ? d + m * 30 + y * 365 : -1;
}

QDate TConsReportEngine::FirstDate()
{
    ADOQuery->Close();
    ADOQuery->SetSQL(QStringLiteral("SELECT min(DATA_IZM) as mindate FROM Base"));
    ADOQuery->Open();
    const QString text = ADOQuery->FieldByName(QStringLiteral("mindate"))->AsString();
    ADOQuery->Close();
    int y = 0, m = 0, d = 0;
    if (readDate(text, y, m, d))
        return QDate(y, m, d);
    if (!text.isEmpty())
        Dbg().Print("ConsReport: the first date of the journal '%s' is no date", qUtf8Printable(text));
    return QDate();
}

std::vector<int> TConsReportEngine::Instruments()
{
    std::vector<int> serials;
    ADOQuery->Close();
    ADOQuery->SetSQL(QStringLiteral("SELECT DISTINCT PRIBOR FROM Base"));
    ADOQuery->Open();
    TField* pribor = ADOQuery->FieldByName(QStringLiteral("PRIBOR"));
    for (ADOQuery->First(); !ADOQuery->Eof(); ADOQuery->Next())
        serials.push_back(pribor->AsInteger());
    ADOQuery->Close();
    return serials;
}

TConsPeriod TConsReportEngine::DateRange(const QDate& from, const QDate& to)
{
    TConsPeriod p;
    p.start = dayText(from) + QStringLiteral(" 00:00:00");
    p.end = dayText(to) + QStringLiteral(" 23:59:59");
    p.condition = QStringLiteral(" ( DATA_IZM >= '%1' AND DATA_IZM <= '%2' ) AND ").arg(p.start, p.end);
    return p;
}

bool TConsReportEngine::WholeJournal(TConsPeriod& period, QString& badDate)
{
    ADOQuery->Close();
    ADOQuery->SetSQL(QStringLiteral("SELECT min(DATA_IZM) as mindate, max(DATA_IZM) as maxdate FROM Base"));
    ADOQuery->Open();
    period.start = ADOQuery->FieldByName(QStringLiteral("mindate"))->AsString();
    period.end = ADOQuery->FieldByName(QStringLiteral("maxdate"))->AsString();
    ADOQuery->Close();
    period.condition.clear();
    if (period.start.isEmpty() && period.end.isEmpty()) {
        period.start = dayText(QDate::currentDate()) + QStringLiteral(" 00:00:00");
        period.end = dayText(QDate::currentDate()) + QStringLiteral(" 23:59:59");
    }
    for (const QString& t : {period.start, period.end}) {
        if (DayNumber(t) < 0) {
            Dbg().Print("ConsReport: the journal holds a date that is no date: '%s'", qUtf8Printable(t));
            badDate = t;
            return false;
        }
    }
    return true;
}

TConsInstrument TConsReportEngine::Collect(int serial, const TConsPeriod& period)
{
    TConsInstrument s;
    ADOQuery->Close();
    ADOQuery->SetSQL(QStringLiteral("SELECT * FROM Base WHERE ") + period.condition +
                     QStringLiteral(" (PRIBOR = :PRB) ORDER BY DATA_IZM"));
    ADOQuery->Parameters().ParamByName(QStringLiteral("PRB"))->SetValue(serial);
    ADOQuery->Open();
    TField* date = ADOQuery->FieldByName(QStringLiteral("DATA_IZM"));
    TField* pribor = ADOQuery->FieldByName(QStringLiteral("PRIBOR"));
    TField* type = ADOQuery->FieldByName(QStringLiteral("TYPERECORD"));
    TField* izm = ADOQuery->FieldByName(QStringLiteral("IZM"));
    TField* stat = ADOQuery->FieldByName(QStringLiteral("STAT"));
    TField* number = ADOQuery->FieldByName(QStringLiteral("NUM_VIDOH"));

    s.count = ADOQuery->RecordCount();
    if (s.count == 0) {
        // No record in the period: the look-up gets no instrument and no date, which gives 0.
        s.lifetime = InfoPribors ? InfoPribors->AllLifeZapis(0, QString()) : 0;
        ADOQuery->Close();
        return s;
    }
    ADOQuery->Last();
    s.lifetime = InfoPribors ? InfoPribors->AllLifeZapis(uint32_t(pribor->AsInteger()), date->AsString()) : -1;

    std::vector<int32_t> numbers;
    int lastCounted = 0;
    for (ADOQuery->First(); !ADOQuery->Eof(); ADOQuery->Next()) {
        const QString when = date->AsString();
        const int day = DayNumber(when);
        if (s.first.isNull()) {
            s.first = when;
            s.daysInUse = 1;
            lastCounted = day;
        } else if (day > lastCounted) {
            ++s.daysInUse;
            lastCounted = day;
        }
        s.last = when;
        const int32_t code = number->AsInteger();
        switch (type->AsInteger()) {
        case 1: {
            ++s.tests;
            const double norm = InfoPribors ? InfoPribors->Norma(uint32_t(pribor->AsInteger()), when) : 0.0;
            if (float(izm->AsFloat()) > float(norm)) {
                s.exceedances << QStringLiteral("- ") + when;
                s.exceedanceBlockings << when + QStringLiteral(" - превышение");
            }
            const QString state = stat->AsString();
            if (state == QLatin1String("1"))
                ++s.interrupted;
            else if (state == QLatin1String("2"))
                ++s.refusals;
            if (code != 0)
                numbers.push_back(code);
            break;
        }
        case 2:
            if (const int e = eventNo(code)) {
                ++s.events[e];
                if (e == 5)
                    s.eventBlockings << when + QStringLiteral(" - макс. прерван выдох");
                else if (e == 6)
                    s.eventBlockings << when + QStringLiteral(" - отказ от выдоха");
            }
            break;
        default:
            break;
        }
    }
    ADOQuery->Close();

    // Exhalation numbers in order: the gaps between them are the measurements the instrument did not keep.
    // An equal or lower number (the counter restarted after the memory was cleared) adds nothing.
    std::sort(numbers.begin(), numbers.end());
    for (size_t i = 1; i < numbers.size(); ++i)
        s.missing += std::max<int64_t>(0, int64_t(numbers[i]) - 1 - numbers[i - 1]);
    return s;
}

void TConsReportEngine::Write(TExcel& excel, const TConsPeriod& period, const std::vector<int>& serials)
{
    Excel = &excel;
    const rtl::TScopeGuard done([this] { Excel = nullptr; });
    writeHead(period);
    const int days = period.Days();
    for (int serial : serials)
        writeInstrument(serial, Collect(serial, period), days);
}

void TConsReportEngine::put(const QString& label, const QVariant& value)
{
    // A row that cannot be written (past the sheet's last row, say) is left out and the report goes on; the
    // rows left out are counted, and told once the report is saved.
    bool written = true;
    if (!label.isEmpty())
        written = Excel->SetCell(Row, 1, label) && written;
    if (value.isValid())
        written = Excel->SetCell(Row, 2, value) && written;
    if (!written && LeftOutRows++ == 0)
        Dbg().Print("ConsReport: row %i is not written, nor any row after it that fails: %s", Row,
                    qUtf8Printable(Excel->LastError()));
    ++Row;
}

void TConsReportEngine::writeHead(const TConsPeriod& period)
{
    Row = 1;
    LeftOutRows = 0;
    put(QStringLiteral("Обработанная статистика измерений"));
    put(QString());
    put(QStringLiteral("Диапазон анализа записей:"), QStringLiteral("с  ") + period.start);
    put(QString(), QStringLiteral("по  ") + period.end);
    put(QStringLiteral("Количество дней в диапазоне(месяц*30,год*365):"), period.Days());
}

void TConsReportEngine::writeInstrument(int serial, const TConsInstrument& s, int periodDays)
{
    Row += 3;
    put(QString::asprintf("Серийный номер прибора: %04i", serial));
    put(QStringLiteral("За всё время работы прибора им было произведено записей:"),
        s.lifetime < 0 ? QStringLiteral("Неизвестно") : QString::number(s.lifetime));
    put(QStringLiteral("Всего записей в приборе внутри данного диапазона:"), s.count);
    if (s.count == 0)
        return;
    put(QStringLiteral("Фактическое начало и конец записей в диапазоне:"), QStringLiteral("с  ") + s.first);
    put(QString(), QStringLiteral("по  ") + s.last);
    put(QStringLiteral("Количество дней в эксплуатации:"), s.daysInUse);
    put(QStringLiteral("Количество дней в отключенном состоянии:"), periodDays - s.daysInUse);
    put(QStringLiteral("Тестов алкоголя в памяти:"), s.tests);
    put(QStringLiteral("Превышений нормы:"), countText(int(s.exceedances.size()), !s.exceedances.isEmpty()));
    for (const QString& e : s.exceedances)
        put(QString(), e);
    put(QStringLiteral("Кол-во измерений менее 0.05 мг/л от первой и до последней записи измерений:"), s.missing);
    put(QStringLiteral("Отказов от выдоха:"), s.refusals + s.events[6]);
    put(QStringLiteral("Индикация максимального количества прерванных выдохов:"), s.interrupted + s.events[5]);
    put(QStringLiteral("Отключение датчика от коробки блокиратора:"), s.events[4]);
    put(QStringLiteral("Подключение датчика к коробке блокиратора:"), s.events[3]);
    put(QStringLiteral("Включение зажигания:"), s.events[2]);
    put(QStringLiteral("Пропадание питания/Отключение зажигания:"), s.events[1]);
    const QStringList blockings = s.exceedanceBlockings + s.eventBlockings;
    put(QStringLiteral("Количество блокировок двигателя:"), countText(int(blockings.size()), !blockings.isEmpty()));
    for (const QString& b : blockings)
        put(QString(), b);
}
