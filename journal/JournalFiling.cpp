#include "journal/JournalFiling.h"

#include "core/Debug.h"
#include "core/CriticalSection.h"
#include "core/Measurement.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/BlobStream.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/Field.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/ScopeGuard.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// Grid positioning during a burst at most once per 100 ms per kind (first search, exact search, end of
// the exact path), for the whole process.
Clock::time_point g_throttle[3];

bool throttleElapsed(int which)
{
    const Clock::time_point now = Clock::now();
    return g_throttle[which] == Clock::time_point() || now - g_throttle[which] > std::chrono::milliseconds(100);
}

const QString kDateFormat = QStringLiteral("yyyy.mm.dd hh:nn:ss");

// A text is below another in the journal's case-insensitive letter order (the one its queries sort by:
// Cyrillic by alphabet, Ё just after Е).
bool below(const QString& stored, const QString& incoming)
{
    const QVector<quint16> a = dbf::textWeights(stored.trimmed(), rtl::CodePage::Cp1251);
    const QVector<quint16> b = dbf::textWeights(incoming.trimmed(), rtl::CodePage::Cp1251);
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

template <std::size_t N>
QString probeText(const char (&bytes)[N], int width)
{
    const std::size_t n = strnlen(bytes, N);
    return rtl::fromCp1251(QByteArray(bytes, qsizetype(n))).left(width);
}

// The measurement's text for a journal text column.
QString measurementText(const TVELTProbe& p, const char* column, int width)
{
    const std::string_view c(column);
    if (c == "OBSL_FAM") return probeText(p.SurvLastName, width);
    if (c == "OBSL_NAME") return probeText(p.SurvName, width);
    if (c == "OBSL_PAT") return probeText(p.SurvPatronymic, width);
    if (c == "MEAS_PLACE") return probeText(p.SurvPlace, width);
    if (c == "OBSL_NAUTO") return probeText(p.NumberAuto, width);
    if (c == "INSP_FAM") return probeText(p.InsLastName, width);
    if (c == "INSP_NAME") return probeText(p.InsName, width);
    if (c == "INSP_PAT") return probeText(p.InsPatronymic, width);
    if (c == "INSP_DEPR") return probeText(p.InsDepartment, width);
    if (c == "INSP_NUMB") return probeText(p.InsNumber, width);
    return QString();
}

QVariant columnValue(const TJournalRecord& r, const TFilingColumn& c)
{
    const std::string_view n(c.Name);
    if (c.Kind == TColumnKind::Text)
        return r.Text(c.Name) ? *r.Text(c.Name) : QString();
    if (n == "STAT") return QString(r.STAT);
    if (n == "PAGE_FOOT") return QString(r.PAGE_FOOT);
    if (n == "IZM") return TJournalFiling::RoundIzm(r.IZM);
    if (n == "NORMA") return TJournalFiling::RoundIzm(r.NORMA);
    if (n == "IZM_AIR") return TJournalFiling::RoundIzm(r.IZM_AIR);
    if (n == "ID") return qlonglong(r.ID);
    if (n == "TYPE_PRIB") return qlonglong(r.TYPE_PRIB);
    if (n == "PRIBOR") return qlonglong(r.PRIBOR);
    if (n == "NUM_VIDOH") return qlonglong(r.NUM_VIDOH);
    if (n == "SATURDATA") return qlonglong(r.SATURDATA);
    if (n == "TYPERECORD") return qlonglong(r.TYPERECORD);
    return QVariant();
}

void carry(TJournalRecord& to, const TJournalRecord& from, const char* column)
{
    const std::string_view n(column);
    if (QString* t = to.Text(column))
        *t = *from.Text(column);
    else if (n == "SATURDATA")
        to.SATURDATA = from.SATURDATA;
    else if (n == "TYPERECORD")
        to.TYPERECORD = from.TYPERECORD;
}

} // namespace

QString* TJournalRecord::Text(const char* column)
{
    return const_cast<QString*>(static_cast<const TJournalRecord*>(this)->Text(column));
}

const QString* TJournalRecord::Text(const char* column) const
{
    static const std::pair<const char*, QString TJournalRecord::*> kTexts[] = {
        {"DATA_IZM", &TJournalRecord::DATA_IZM},     {"DATA_POVER", &TJournalRecord::DATA_POVER},
        {"MEAS_PLACE", &TJournalRecord::MEAS_PLACE}, {"OBSL_FAM", &TJournalRecord::OBSL_FAM},
        {"OBSL_NAME", &TJournalRecord::OBSL_NAME},   {"OBSL_PAT", &TJournalRecord::OBSL_PAT},
        {"OBSL_NAUTO", &TJournalRecord::OBSL_NAUTO}, {"INSP_FAM", &TJournalRecord::INSP_FAM},
        {"INSP_NAME", &TJournalRecord::INSP_NAME},   {"INSP_PAT", &TJournalRecord::INSP_PAT},
        {"INSP_DEPR", &TJournalRecord::INSP_DEPR},   {"INSP_NUMB", &TJournalRecord::INSP_NUMB},
        {"OPER", &TJournalRecord::OPER},
    };
    for (const auto& [name, member] : kTexts)
        if (std::strcmp(name, column) == 0)
            return &(this->*member);
    return nullptr;
}

const TFilingSchema& DefaultMpFiling()
{
    static const TFilingSchema schema = [] {
        TFilingSchema s;
        s.Table = db::Schema::DefaultMp;
        const db::SchemaWidths w = db::WidthsOf(s.Table);
        s.NameWidth = w.maxFam;
        s.OtherWidth = w.maxPat;
        s.OperWidth = w.maxOper;
        using K = TColumnKind;
        s.InsertColumns = {
            {"ID", K::Integer},        {"TYPE_PRIB", K::Integer}, {"PRIBOR", K::Integer},    {"DATA_IZM", K::Text},
            {"NUM_VIDOH", K::Integer}, {"IZM", K::Value},         {"STAT", K::Char},         {"NORMA", K::Value},
            {"IZM_AIR", K::Value},     {"DATA_POVER", K::Text},   {"MEAS_PLACE", K::Text},   {"OBSL_FAM", K::Text},
            {"OBSL_NAME", K::Text},    {"OBSL_PAT", K::Text},     {"OBSL_NAUTO", K::Text},   {"INSP_FAM", K::Text},
            {"INSP_NAME", K::Text},    {"INSP_PAT", K::Text},     {"INSP_DEPR", K::Text},    {"INSP_NUMB", K::Text},
            {"SATURDATA", K::Integer}, {"TYPERECORD", K::Integer}, {"DATA_REC", K::Text},    {"OPER", K::Text},
        };
        s.UpdateTextsBeforeNumber = {"OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "MEAS_PLACE", "OBSL_NAUTO"};
        s.UpdateTextsAfterNumber = {"INSP_FAM", "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB"};
        s.TextsOnInsert = {"MEAS_PLACE", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "OBSL_NAUTO",
                           "INSP_FAM",   "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB"};
        s.TextsThatUpdate = {"OBSL_NAME", "OBSL_PAT", "MEAS_PLACE", "OBSL_NAUTO"};
        s.CarriedOnUpdate = {"SATURDATA", "TYPERECORD", "OPER"};
        return s;
    }();
    return schema;
}

const TFilingSchema& DefaultFiling()
{
    static const TFilingSchema schema = [] {
        TFilingSchema s;
        s.Table = db::Schema::Default;
        using K = TColumnKind;
        s.InsertColumns = {
            {"ID", K::Integer},  {"PRIBOR", K::Integer}, {"DATA_IZM", K::Text}, {"OBSL_FAM", K::Text},
            {"OBSL_NAME", K::Text}, {"OBSL_PAT", K::Text}, {"IZM", K::Value},   {"STAT", K::Char},
            {"OPER", K::Text},   {"NUM_VIDOH", K::Integer}, {"PAGE_FOOT", K::Char},
        };
        s.UpdateTextsBeforeNumber = {"OBSL_FAM", "OBSL_NAME", "OBSL_PAT"};
        s.OperAlways = false;
        const db::SchemaWidths w = db::WidthsOf(s.Table);
        s.NameWidth = w.maxFam;
        s.OtherWidth = w.maxPat;
        s.OperWidth = w.maxOper;
        s.StatIsDigit = false;
        s.OperFromInspector = true;
        s.InspectorColumn = "OPER";
        s.TextsOnInsert = {"OBSL_FAM"};
        s.BlankedOnSurnameChange = {"OBSL_NAME", "OBSL_PAT"};
        s.WindowAfterInsert = false;
        s.ThrottlePositioning = false;
        s.LogSearches = true;
        s.ActKeepsTypedTexts = true;
        return s;
    }();
    return schema;
}

void TJournalFiling::CreateBase()
{
    TCritLock lock(*B.Lock);
    B.View->Close();
    B.View->ClearSQL();
    B.View->SetSQL(db::CreateTableText(Schema.Table));
    B.View->ExecSQL();
    // The table must be on disk before its header is patched.
    if (B.View->Connection())
        B.View->Connection()->ReleaseFiles();
}

bool TJournalFiling::PatchDbfHeader(const QString& path)
{
    try {
        Dbg().Print("Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы) на 0x57, т.е. на 'ascii' ANSI...");
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || file.size() <= db::kCodePageByteOffset)
            throw std::runtime_error("open");
        const char byte = char(db::kCodePageByteAnsi);
        if (!file.seek(db::kCodePageByteOffset) || file.write(&byte, 1) != 1 || !file.flush())
            throw std::runtime_error("write");
        file.close();
        Dbg().Print("Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы) на 0x57, т.е. на 'ascii' ANSI - Выполнено");
        return true;
    } catch (...) {
        Dbg().Print("Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы)");
        return false;
    }
}

double TJournalFiling::RoundIzm(double v)
{
    const double scaled = std::trunc(v * 1000.0 + 0.5);
    const int32_t k = scaled >= 2147483647.0 ? 2147483647 : scaled <= -2147483648.0 ? int32_t(-2147483647 - 1)
                                                                                      : int32_t(scaled);
    return double(k) / 1000.0;
}

TJournalRecord TJournalFiling::RecordOf(const TVELTMeasurement& m) const
{
    TJournalRecord r;
    r.DATA_IZM = rtl::FormatDateTime(kDateFormat, m.Probe.Timestamp);
    r.DATA_POVER = rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), m.VerificationDate);
    r.PRIBOR = m.SerialNumber;
    r.IZM = m.Probe.AlcResult;
    r.IZM_AIR = m.Probe.AirResult;
    if (Schema.StatIsDigit)
        r.STAT = QChar(char16_t(u'0' + (m.Probe.Exhale <= 9 ? m.Probe.Exhale : 9)));
    else
        r.STAT = m.Probe.Exhale != 0 ? QLatin1Char('1') : QLatin1Char('0');
    // Interlock events carry 0x80000001.. codes: the column and every search hold them as signed values.
    r.NUM_VIDOH = static_cast<int32_t>(m.Probe.nMeasure);
    for (const char* column : Schema.TextsOnInsert)
        *r.Text(column) =
            measurementText(m.Probe, column, std::strcmp(column, "OBSL_FAM") == 0 ? Schema.NameWidth : Schema.OtherWidth);
    r.TYPE_PRIB = int32_t(m.DeviceType);
    r.SATURDATA = int32_t(m.ModelCode);
    r.TYPERECORD = int32_t(m.Probe.RecordType);
    r.OPER = Schema.OperFromInspector ? probeText(m.Probe.InsLastName, Schema.OperWidth) : OperatorText();
    // Interlock events are marked as such: the drivers set no flag for them, only their record type.
    r.PAGE_FOOT = m.Probe.Flag || m.Probe.RecordType == 2 ? QLatin1Char('1') : QLatin1Char('0');
    r.NORMA = 0;
    return r;
}

void TJournalFiling::FillAct(TJournalRecord& act, const TVELTMeasurement& m, int id) const
{
    const TJournalRecord v = RecordOf(m);
    act.ID = id;
    act.PRIBOR = v.PRIBOR;
    act.DATA_IZM = v.DATA_IZM;
    act.IZM = RoundIzm(v.IZM);
    act.IZM_AIR = RoundIzm(v.IZM_AIR);
    act.STAT = v.STAT;
    act.NUM_VIDOH = v.NUM_VIDOH;
    act.SATURDATA = v.SATURDATA;
    act.PAGE_FOOT = v.PAGE_FOOT;
    auto take = [&](QString& typed, const QString& measured) {
        if (!Schema.ActKeepsTypedTexts || !measured.isEmpty())
            typed = measured;
    };
    for (const char* column : Schema.TextsOnInsert)
        take(*act.Text(column), *v.Text(column));
    take(act.OPER, v.OPER);
}

namespace {

// Every value of the duplicate search is bound: its statements are the same texts for every measurement and
// instrument, so they are parsed once, when the journal opens, not in the first filing after it.
QString searchCondition(bool withNumber)
{
    return QStringLiteral(" WHERE DATA_IZM = :DATAp AND PRIBOR = :PRIBORp AND IZM = :IZMp AND STAT = :STATp") +
           (withNumber ? QStringLiteral(" AND NUM_VIDOH = :NUMp") : QString());
}

QString countStatement(bool withNumber)
{
    return QStringLiteral("SELECT COUNT (*) AS POISK FROM Base") + searchCondition(withNumber);
}

QString idStatement(bool withNumber)
{
    return QStringLiteral("SELECT ID FROM Base") + searchCondition(withNumber) + QStringLiteral(" ORDER BY ID");
}

const QString kMaxIdStatement = QStringLiteral("SELECT max(ID) as maxid FROM Base");

} // namespace

void TJournalFiling::PrepareStatements()
{
    TCritLock lock(*B.Lock);
    TADOQuery* q = B.Search;
    if (q->Active())
        return;
    for (const QString& text : {countStatement(false), idStatement(false), countStatement(true), idStatement(true),
                                kMaxIdStatement})
        q->SetSQL(text);
    q->ClearSQL();
}

void TJournalFiling::FindRecord(const QString& date, int serial, bool withNumber, int32_t number, QChar stat,
                                double izm, QString& count, int& id)
{
    TCritLock lock(*B.Lock);
    TADOQuery* q = B.Search;
    // The date is bound as a parameter: it is a text the journal made, but a parameter never breaks the text.
    auto bind = [&] {
        q->Parameters().ParamByName(QStringLiteral("DATAp"))->SetValue(date);
        q->Parameters().ParamByName(QStringLiteral("PRIBORp"))->SetValue(qlonglong(serial));
        q->Parameters().ParamByName(QStringLiteral("IZMp"))->SetValue(RoundIzm(izm));
        q->Parameters().ParamByName(QStringLiteral("STATp"))->SetValue(QString(stat));
        if (withNumber)
            q->Parameters().ParamByName(QStringLiteral("NUMp"))->SetValue(qlonglong(number));
    };
    q->Close();
    q->ClearSQL();
    q->SetSQL(countStatement(withNumber));
    bind();
    q->Open();
    count = q->FieldByName(QStringLiteral("POISK"))->AsString();
    q->Close();

    q->ClearSQL();
    q->SetSQL(idStatement(withNumber));
    bind();
    q->Open();
    id = q->IsEmpty() ? 0 : q->FieldByName(QStringLiteral("ID"))->AsInteger();
    q->Close();
}

void TJournalFiling::position(int id)
{
    if (B.Position)
        B.Position(id);
    else
        Locate(id);
}

bool TJournalFiling::Locate(int id)
{
    TADOQuery* q = B.View;
    if (!q->Active() || q->IsEmpty())
        return false;
    // Found through the identifiers' index; the cursor stays (and the grid is not repainted) when the view
    // does not hold the record yet, as while its read waits after a filing.
    return q->Locate(QStringLiteral("ID"), id, TLocateOptions(loPartialKey));
}

QString TJournalFiling::Describe(const TVELTMeasurement& m) const
{
    const TJournalRecord v = RecordOf(m);
    QString text = QStringLiteral("TYPE_PRIB=%1 PRIBOR=%2 DATA_IZM=%3 NUM_VIDOH=%4 IZM=%5 IZM_AIR=%6 STAT=%7 SATURDATA=%8 TYPERECORD=%9")
                       .arg(v.TYPE_PRIB)
                       .arg(v.PRIBOR)
                       .arg(v.DATA_IZM)
                       .arg(v.NUM_VIDOH)
                       .arg(QString::number(v.IZM, 'f', 3), QString::number(v.IZM_AIR, 'f', 3), QString(v.STAT))
                       .arg(v.SATURDATA)
                       .arg(v.TYPERECORD);
    for (const char* column : {"DATA_POVER", "MEAS_PLACE", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "OBSL_NAUTO", "INSP_FAM",
                               "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB", "OPER"})
        if (const QString* t = v.Text(column); t && !t->isEmpty())
            text += QStringLiteral(" %1='%2'").arg(QLatin1String(column), *t);
    text += QStringLiteral(" record=") +
            QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(&m), sizeof m).toHex());
    return text;
}

void TJournalFiling::log(const char* what, const TJournalRecord& v, const QString& tail) const
{
    if (!Schema.LogSearches)
        return;
    const QString line = QString::fromLatin1(what) + QStringLiteral(" date_izm: ") + v.DATA_IZM +
                         QStringLiteral(", prib_SN: ") + QString::number(v.PRIBOR) + QStringLiteral(", izm: ") +
                         QString::number(v.IZM, 'f', 6) + QStringLiteral(", stat: ") + QString(v.STAT) + tail;
    Dbg().Print("%s", line.toUtf8().constData());
}

int TJournalFiling::MergeRecord(const TVELTMeasurement& m, int* rowNo)
{
    const TJournalRecord values = RecordOf(m);
    const int32_t number = values.NUM_VIDOH;
    // Throttled positioning: kind `which` of the three, or always when the schema does not throttle.
    auto throttled = [&](int which, int id) {
        if (Schema.ThrottlePositioning && !throttleElapsed(which))
            return;
        position(id);
        g_throttle[which] = Clock::now();
    };

    QString count;
    int foundId = 0;
    FindRecord(values.DATA_IZM, values.PRIBOR, false, 0, values.STAT, values.IZM, count, foundId);
    bool isNew = count == QLatin1String("0");
    bool update = false;
    bool exact = false;
    if (isNew) {
        log("nofind", values, QStringLiteral(", numzapis = -1"));
    } else {
        if (!Schema.ThrottlePositioning || (throttleElapsed(0) && B.View->Active()))
            position(foundId);
        g_throttle[0] = Clock::now();
        log("find", values, QStringLiteral(", no_numberzapis,  id: ") + QString::number(foundId));

        FindRecord(values.DATA_IZM, values.PRIBOR, true, number, values.STAT, values.IZM, count, foundId);
        if (count != QLatin1String("0")) {
            exact = true;
            log("find_", values, QStringLiteral(", number_zapis: %1,  id: %2").arg(number).arg(foundId));
            throttled(1, foundId);
        } else {
            FindRecord(values.DATA_IZM, values.PRIBOR, true, 0, values.STAT, values.IZM, count, foundId);
            if (count != QLatin1String("0")) {
                log("find_", values, QStringLiteral(", numzapis0: 0,  id: %1").arg(foundId));
                position(foundId);
                update = number != 0;
            } else {
                log("find_not", values, QStringLiteral(", numzapis0: 0,  id: %1").arg(foundId));
                isNew = true;
            }
        }
    }

    int resultId = foundId;
    if (isNew) {
        TJournalRecord r = values;
        r.ID = 0;
        r.NORMA = 0;
        resultId = InsertRecord(r);
        position(resultId);
    } else {
        // The found record's stored texts, read by its ID (the view may not hold it, or hold another
        // record in its current row).
        const char* inspector = Schema.InspectorColumn;
        std::vector<const char*> read = {"OBSL_FAM", inspector};
        read.insert(read.end(), Schema.BlankedOnSurnameChange.begin(), Schema.BlankedOnSurnameChange.end());
        TJournalRecord stored;
        {
            TCritLock lock(*B.Lock);
            TADOQuery* q = B.Search;
            QString names;
            for (const char* c : read)
                names += (names.isEmpty() ? QString() : QStringLiteral(", ")) + QString::fromLatin1(c);
            q->Close();
            q->ClearSQL();
            q->SetSQL(QStringLiteral("SELECT ") + names + QStringLiteral(" FROM Base WHERE ID = :ID"));
            q->Parameters().ParamByName(QStringLiteral("ID"))->SetValue(foundId);
            q->Open();
            if (!q->IsEmpty())
                for (const char* c : read)
                    *stored.Text(c) = q->FieldByName(QString::fromLatin1(c))->AsString();
            q->Close();
        }
        const QString& incomingInspector = *values.Text(inspector);
        const bool famBelow = !values.OBSL_FAM.isEmpty() && below(stored.OBSL_FAM, values.OBSL_FAM);
        const bool inspBelow = !incomingInspector.isEmpty() && below(*stored.Text(inspector), incomingInspector);
        if (famBelow || inspBelow)
            update = true;
        for (const char* c : Schema.TextsThatUpdate)
            if (!values.Text(c)->isEmpty())
                update = true;
        if (update) {
            TJournalRecord r;
            r.ID = foundId;
            r.OBSL_FAM = famBelow ? values.OBSL_FAM : stored.OBSL_FAM;
            *r.Text(inspector) = (inspBelow || famBelow) ? incomingInspector : *stored.Text(inspector);
            for (const char* c : Schema.BlankedOnSurnameChange)
                *r.Text(c) = famBelow ? QStringLiteral(" ") : *stored.Text(c);
            r.NUM_VIDOH = number;
            for (const char* c : Schema.CarriedOnUpdate)
                carry(r, values, c);
            UpdateRecord(r);
            position(foundId);
        } else if (exact || Schema.ThrottlePositioning) {
            if (Schema.LogSearches)
                Dbg().Print("Locate record id:%i", foundId);
            throttled(2, foundId);
        }
    }
    if (rowNo)
        *rowNo = B.View->Active() ? B.View->RecNo() : 0;
    return resultId;
}

int TJournalFiling::InsertRecord(TJournalRecord r)
{
    TCritLock lock(*B.Lock);
    // Through the search query: the view and the grid over it stay as they are until the view is read again.
    TADOQuery* q = B.Search;
    q->Close();
    q->ClearSQL();
    q->SetSQL(kMaxIdStatement);
    q->Open();
    TField* maxid = q->FieldByName(QStringLiteral("maxid"));
    r.ID = maxid->IsNull() ? 1 : maxid->AsInteger() + 1;
    q->Close();
    const QString dataRec = rtl::FormatDateTime(kDateFormat, rtl::Now());

    QString names, params;
    std::vector<std::pair<QString, QVariant>> bound;
    for (const TFilingColumn& c : Schema.InsertColumns) {
        const QVariant value = std::strcmp(c.Name, "DATA_REC") == 0 ? QVariant(dataRec) : columnValue(r, c);
        // Empty texts stay out of both lists: the column stays null.
        if (c.Kind == TColumnKind::Text && value.toString().isEmpty())
            continue;
        const QString name = QString::fromLatin1(c.Name);
        names += (names.isEmpty() ? QString() : QStringLiteral(", ")) + name;
        params += (params.isEmpty() ? QStringLiteral(":") : QStringLiteral(", :")) + name;
        bound.push_back({name, value});
    }
    q->SetSQL(QStringLiteral("INSERT INTO Base ") + QStringLiteral("( ") + names + QStringLiteral(" )") +
              QStringLiteral(" VALUES ") + QStringLiteral("( ") + params + QStringLiteral(" )"));
    for (const auto& [name, value] : bound)
        q->Parameters().ParamByName(name)->SetValue(value);
    q->ExecSQL();
    if (B.Inserted)
        B.Inserted(r.ID);
    else if (B.Refresh)
        B.Refresh(Schema.WindowAfterInsert ? r.ID : -1);
    return r.ID;
}

void TJournalFiling::UpdateRecord(const TJournalRecord& r)
{
    if (r.ID == 0)
        return;
    TCritLock lock(*B.Lock);
    TADOQuery* q = B.View;
    int counter = 0;
    std::vector<std::pair<QString, QString>> texts;
    auto item = [&](const char* name, const QString& value) -> QString {
        if (value.isEmpty())
            return QString();
        const QString n = QString::fromLatin1(name);
        texts.push_back({n, value});
        const QString s = (counter == 0 ? QStringLiteral(" SET") : QStringLiteral(",")) + QLatin1Char(' ') + n +
                          QStringLiteral(" = :") + n + QLatin1Char(' ');
        ++counter;
        return s;
    };
    QString sql = QStringLiteral("UPDATE Base ");
    for (const char* c : Schema.UpdateTextsBeforeNumber)
        sql += item(c, *r.Text(c));
    if (r.NUM_VIDOH != 0) {
        sql += (counter == 0 ? QStringLiteral(" SET ") : QStringLiteral(" , ")) + QStringLiteral(" NUM_VIDOH = ") +
               QString::number(r.NUM_VIDOH);
        ++counter;
    }
    for (const char* c : Schema.UpdateTextsAfterNumber)
        sql += item(c, *r.Text(c));
    // The operator is bound as a parameter: a name with an apostrophe must not break the statement.
    const bool withOper = Schema.OperAlways || !r.OPER.isEmpty() || counter == 0;
    if (withOper) {
        sql += (counter == 0 ? QStringLiteral(" SET ") : QStringLiteral(" , ")) + QStringLiteral(" OPER = :OPER ");
        ++counter;
    }
    sql += QStringLiteral(" WHERE") + QStringLiteral(" ID = :ID");

    const int row = q->Active() ? q->RecNo() : 0;
    q->Close();
    q->ClearSQL();
    q->SetSQL(sql);
    for (const auto& [name, value] : texts)
        q->Parameters().ParamByName(name)->SetValue(value);
    if (withOper)
        q->Parameters().ParamByName(QStringLiteral("OPER"))->SetValue(r.OPER);
    q->Parameters().ParamByName(QStringLiteral("ID"))->SetValue(qlonglong(r.ID));
    // A refused update (a text the table cannot hold) must not leave the journal's view closed behind the
    // act: the view comes back, then the caller gets the update's error.
    const rtl::TScopeGuard backToView([&] {
        if (B.Refresh)
            B.Refresh(-1);
        if (row > 0 && q->RecordCount() > 0)
            q->SetRecNo(std::min(row, q->RecordCount()));
    });
    q->ExecSQL();
}

bool TJournalFiling::WritePhoto(int id, const QByteArray& jpeg)
{
    TCritLock lock(*B.Lock);
    // Written through a look-up of the record itself: the view may be filtered and not hold it.
    TADOQuery* q = B.Search;
    q->Close();
    q->ClearSQL();
    q->SetSQL(QStringLiteral("SELECT * FROM Base WHERE ID = :ID"));
    q->Parameters().ParamByName(QStringLiteral("ID"))->SetValue(qlonglong(id));
    q->Open();
    const bool found = !q->IsEmpty();
    if (found) {
        q->Edit();
        {
            auto blob = q->CreateBlobStream(q->FieldByName(QStringLiteral("OBSL_PHOTO")), bmWrite);
            blob->write(jpeg);
        }
        q->Post();
    }
    q->Close();
    return found;
}
