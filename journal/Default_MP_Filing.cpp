// Filing of measurements into the "default_mp" journal: the duplicate search, the insert of a new record
// and the completion of one already filed.
#include "journal/Default_MP_Akt.h"

#include "Devices/Measurement.h"
#include "core/Debug.h"
#include "journal/JournalLock.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/BlobStream.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/Field.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"

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

template <std::size_t N>
QString probeText(const char (&bytes)[N])
{
    const std::size_t n = strnlen(bytes, N);
    return rtl::fromCp1251(QByteArray(bytes, qsizetype(n))).left(kActTextWidth);
}

// A text is below another in the journal's case-insensitive letter order (the one its queries sort by:
// Cyrillic by alphabet, Ё just after Е).
bool below(const QString& stored, const QString& incoming)
{
    const QVector<quint16> a = dbf::textWeights(stored.trimmed(), rtl::CodePage::Cp1251);
    const QVector<quint16> b = dbf::textWeights(incoming.trimmed(), rtl::CodePage::Cp1251);
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

const QString kDateFormat = QStringLiteral("yyyy.mm.dd hh:nn:ss");

} // namespace

double TfmDefault_MP_Akt::RoundIzm(double v)
{
    const double scaled = std::trunc(v * 1000.0 + 0.5);
    const int32_t k = scaled >= 2147483647.0 ? 2147483647 : scaled <= -2147483648.0 ? int32_t(-2147483647 - 1)
                                                                                      : int32_t(scaled);
    return double(k) / 1000.0;
}

TDataForm_MP TfmDefault_MP_Akt::RecordOf(const TVELTMeasurement& m) const
{
    TDataForm_MP r;
    r.DATA_IZM = rtl::FormatDateTime(kDateFormat, m.Probe.Timestamp);
    r.DATA_POVER = rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), m.VerificationDate);
    r.PRIBOR = m.SerialNumber;
    r.IZM = m.Probe.AlcResult;
    r.IZM_AIR = m.Probe.AirResult;
    r.STAT = QChar(char16_t(u'0' + (m.Probe.Exhale <= 9 ? m.Probe.Exhale : 9)));
    // Interlock events carry 0x80000001.. codes: the column and every search hold them as signed values.
    r.NUM_VIDOH = static_cast<int32_t>(m.Probe.nMeasure);
    r.OBSL_FAM = probeText(m.Probe.SurvLastName);
    r.OBSL_NAME = probeText(m.Probe.SurvName);
    r.OBSL_PAT = probeText(m.Probe.SurvPatronymic);
    r.MEAS_PLACE = probeText(m.Probe.SurvPlace);
    r.OBSL_NAUTO = probeText(m.Probe.NumberAuto);
    r.INSP_FAM = probeText(m.Probe.InsLastName);
    r.INSP_NAME = probeText(m.Probe.InsName);
    r.INSP_PAT = probeText(m.Probe.InsPatronymic);
    r.INSP_DEPR = probeText(m.Probe.InsDepartment);
    r.INSP_NUMB = probeText(m.Probe.InsNumber);
    r.TYPE_PRIB = int32_t(m.DeviceType);
    r.SATURDATA = int32_t(m.ModelCode);
    r.TYPERECORD = int32_t(m.Probe.RecordType);
    r.OPER = Oper.left(kActTextWidth);
    r.flag = m.Probe.Flag ? QLatin1Char('1') : QLatin1Char('0');
    r.NORMA = 0;
    return r;
}

void TfmDefault_MP_Akt::NewMeasure(const TVELTMeasurement* rec, int refresh)
{
    try {
        if (rec) {
            int row = 0;
            const int id = MergeRecord(*rec, &row);
            if (IsWaiting()) {
                MeasurementArrived();
                ActFromMeasurement(*rec, id, row);
            }
        }
        if (refresh)
            RefreshView(-1);
    } catch (...) {
        Dbg().Print("NewMeasure - error");
        // The burst is over even when its view could not be read: the grid and the buttons the burst
        // disabled come back, as for an empty view, instead of staying disabled until another burst.
        if (refresh && ADOQuery)
            viewOpened(ADOQuery->Active() ? ADOQuery->RecordCount() : 0);
    }
}

void TfmDefault_MP_Akt::FindRecord(const QString& date, int serial, bool withNumber, int32_t number, QChar stat,
                                   double izm, QString& count, int& id)
{
    JournalLock lock(TableLock);
    // The date is bound as a parameter: it is a text the journal made, but a parameter never breaks the text.
    QString condition = QStringLiteral(" WHERE") + QStringLiteral(" DATA_IZM = :DATAp AND") + QStringLiteral(" PRIBOR = ") +
                        QString::number(serial) + QStringLiteral(" AND") + QStringLiteral(" IZM = :IZMp AND") +
                        QStringLiteral(" STAT = :STATp");
    if (withNumber)
        condition += QStringLiteral(" AND NUM_VIDOH = ") + QString::number(number);
    auto bind = [&] {
        ADOQueryP->Parameters().ParamByName(QStringLiteral("DATAp"))->SetValue(date);
        ADOQueryP->Parameters().ParamByName(QStringLiteral("IZMp"))->SetValue(RoundIzm(izm));
        ADOQueryP->Parameters().ParamByName(QStringLiteral("STATp"))->SetValue(QString(stat));
    };
    ADOQueryP->Close();
    ADOQueryP->ClearSQL();
    ADOQueryP->SetSQL(QStringLiteral("SELECT COUNT (*) AS POISK FROM Base") + condition);
    bind();
    ADOQueryP->Open();
    count = ADOQueryP->FieldByName(QStringLiteral("POISK"))->AsString();
    ADOQueryP->Close();

    ADOQueryP->ClearSQL();
    ADOQueryP->SetSQL(QStringLiteral("SELECT ID FROM Base") + condition + QStringLiteral(" ORDER BY ID"));
    bind();
    ADOQueryP->Open();
    id = ADOQueryP->IsEmpty() ? 0 : ADOQueryP->FieldByName(QStringLiteral("ID"))->AsInteger();
    ADOQueryP->Close();
}

int TfmDefault_MP_Akt::MergeRecord(const TVELTMeasurement& m, int* rowNo)
{
    const TDataForm_MP values = RecordOf(m);
    const int32_t number = values.NUM_VIDOH;
    auto position = [&](int id) {
        if (ADOQuery->Active())
            ADOQuery->Locate(QStringLiteral("ID"), id, LocateOptions);
    };

    QString count;
    int foundId = 0;
    FindRecord(values.DATA_IZM, values.PRIBOR, false, 0, values.STAT, values.IZM, count, foundId);
    bool isNew = count == QLatin1String("0");
    bool update = false;
    if (!isNew) {
        if (throttleElapsed(0) && ADOQuery->Active())
            position(foundId);
        g_throttle[0] = Clock::now();

        FindRecord(values.DATA_IZM, values.PRIBOR, true, number, values.STAT, values.IZM, count, foundId);
        if (count != QLatin1String("0")) {
            if (throttleElapsed(1)) {
                position(foundId);
                g_throttle[1] = Clock::now();
            }
        } else {
            FindRecord(values.DATA_IZM, values.PRIBOR, true, 0, values.STAT, values.IZM, count, foundId);
            if (count != QLatin1String("0")) {
                position(foundId);
                update = number != 0;
            } else {
                isNew = true;
            }
        }
    }

    int resultId = foundId;
    if (isNew) {
        TDataForm_MP r = values;
        r.ID = 0;
        r.NORMA = 0;
        resultId = InsertRecord(r);
        position(resultId);
    } else {
        // The found record's surnames, read by its ID (the view may not hold it).
        QString storedFam, storedInsp;
        {
            JournalLock lock(TableLock);
            ADOQueryP->Close();
            ADOQueryP->ClearSQL();
            ADOQueryP->SetSQL(QStringLiteral("SELECT OBSL_FAM, INSP_FAM FROM Base WHERE ID = :ID"));
            ADOQueryP->Parameters().ParamByName(QStringLiteral("ID"))->SetValue(foundId);
            ADOQueryP->Open();
            if (!ADOQueryP->IsEmpty()) {
                storedFam = ADOQueryP->FieldByName(QStringLiteral("OBSL_FAM"))->AsString();
                storedInsp = ADOQueryP->FieldByName(QStringLiteral("INSP_FAM"))->AsString();
            }
            ADOQueryP->Close();
        }
        const bool famBelow = !values.OBSL_FAM.isEmpty() && below(storedFam, values.OBSL_FAM);
        const bool inspBelow = !values.INSP_FAM.isEmpty() && below(storedInsp, values.INSP_FAM);
        if (famBelow || inspBelow || !values.OBSL_NAME.isEmpty() || !values.OBSL_PAT.isEmpty() ||
            !values.MEAS_PLACE.isEmpty() || !values.OBSL_NAUTO.isEmpty())
            update = true;
        if (update) {
            TDataForm_MP r;
            InitAct(r);
            r.ID = foundId;
            r.OBSL_FAM = famBelow ? values.OBSL_FAM : storedFam;
            r.INSP_FAM = (inspBelow || famBelow) ? values.INSP_FAM : storedInsp;
            r.NUM_VIDOH = number;
            r.SATURDATA = values.SATURDATA;
            r.TYPERECORD = values.TYPERECORD;
            r.OPER = values.OPER;
            UpdateRecord(r);
            position(foundId);
        } else if (throttleElapsed(2)) {
            position(foundId);
            g_throttle[2] = Clock::now();
        }
    }
    if (rowNo)
        *rowNo = ADOQuery->Active() ? ADOQuery->RecNo() : 0;
    return resultId;
}

int TfmDefault_MP_Akt::InsertRecord(TDataForm_MP r)
{
    JournalLock lock(TableLock);
    ADOQuery->Close();
    ADOQuery->ClearSQL();
    ADOQuery->SetSQL(QStringLiteral("SELECT max(ID) as maxid FROM Base"));
    ADOQuery->Open();
    TField* maxid = ADOQuery->FieldByName(QStringLiteral("maxid"));
    r.ID = maxid->IsNull() ? 1 : maxid->AsInteger() + 1;
    ADOQuery->Close();
    const QString dataRec = rtl::FormatDateTime(kDateFormat, rtl::Now());

    struct Column {
        const char* name;
        QVariant value;
        bool text;
    };
    const Column columns[] = {
        {"ID", qlonglong(r.ID), false},
        {"TYPE_PRIB", qlonglong(r.TYPE_PRIB), false},
        {"PRIBOR", qlonglong(r.PRIBOR), false},
        {"DATA_IZM", r.DATA_IZM, true},
        {"NUM_VIDOH", qlonglong(r.NUM_VIDOH), false},
        {"IZM", RoundIzm(r.IZM), false},
        {"STAT", QString(r.STAT), false},
        {"NORMA", RoundIzm(r.NORMA), false},
        {"IZM_AIR", RoundIzm(r.IZM_AIR), false},
        {"DATA_POVER", r.DATA_POVER, true},
        {"MEAS_PLACE", r.MEAS_PLACE, true},
        {"OBSL_FAM", r.OBSL_FAM, true},
        {"OBSL_NAME", r.OBSL_NAME, true},
        {"OBSL_PAT", r.OBSL_PAT, true},
        {"OBSL_NAUTO", r.OBSL_NAUTO, true},
        {"INSP_FAM", r.INSP_FAM, true},
        {"INSP_NAME", r.INSP_NAME, true},
        {"INSP_PAT", r.INSP_PAT, true},
        {"INSP_DEPR", r.INSP_DEPR, true},
        {"INSP_NUMB", r.INSP_NUMB, true},
        {"SATURDATA", qlonglong(r.SATURDATA), false},
        {"TYPERECORD", qlonglong(r.TYPERECORD), false},
        {"DATA_REC", dataRec, true},
        {"OPER", r.OPER, true},
    };
    QString names, params;
    std::vector<const Column*> bound;
    for (const Column& c : columns) {
        // Empty texts stay out of both lists: the column stays null.
        if (c.text && c.value.toString().isEmpty())
            continue;
        const QString name = QString::fromLatin1(c.name);
        names += (names.isEmpty() ? QString() : QStringLiteral(", ")) + name;
        params += (params.isEmpty() ? QStringLiteral(":") : QStringLiteral(", :")) + name;
        bound.push_back(&c);
    }
    ADOQuery->SetSQL(QStringLiteral("INSERT INTO Base ") + QStringLiteral("( ") + names + QStringLiteral(" )") +
                     QStringLiteral(" VALUES ") + QStringLiteral("( ") + params + QStringLiteral(" )"));
    for (const Column* c : bound)
        ADOQuery->Parameters().ParamByName(QString::fromLatin1(c->name))->SetValue(c->value);
    ADOQuery->ExecSQL();
    RefreshView(r.ID);
    return r.ID;
}

void TfmDefault_MP_Akt::UpdateRecord(const TDataForm_MP& r, bool fromAct)
{
    if (r.ID == 0)
        return;
    JournalLock lock(TableLock);
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
    sql += item("OBSL_FAM", r.OBSL_FAM);
    sql += item("OBSL_NAME", r.OBSL_NAME);
    sql += item("OBSL_PAT", r.OBSL_PAT);
    sql += item("MEAS_PLACE", r.MEAS_PLACE);
    sql += item("OBSL_NAUTO", r.OBSL_NAUTO);
    if (r.NUM_VIDOH != 0) {
        sql += (counter == 0 ? QStringLiteral(" SET ") : QStringLiteral(" , ")) + QStringLiteral(" NUM_VIDOH = ") +
               QString::number(r.NUM_VIDOH);
        ++counter;
    }
    sql += item("INSP_FAM", r.INSP_FAM);
    sql += item("INSP_NAME", r.INSP_NAME);
    sql += item("INSP_PAT", r.INSP_PAT);
    sql += item("INSP_DEPR", r.INSP_DEPR);
    sql += item("INSP_NUMB", r.INSP_NUMB);
    // The operator is bound as a parameter: a name with an apostrophe must not break the statement.
    sql += (counter == 0 ? QStringLiteral(" SET ") : QStringLiteral(" , ")) + QStringLiteral(" OPER = :OPER ");
    ++counter;
    sql += QStringLiteral(" WHERE") + QStringLiteral(" ID = :ID");

    const int row = ADOQuery->Active() ? ADOQuery->RecNo() : 0;
    ADOQuery->Close();
    ADOQuery->ClearSQL();
    ADOQuery->SetSQL(sql);
    for (const auto& [name, value] : texts)
        ADOQuery->Parameters().ParamByName(name)->SetValue(value);
    ADOQuery->Parameters().ParamByName(QStringLiteral("OPER"))->SetValue(r.OPER);
    ADOQuery->Parameters().ParamByName(QStringLiteral("ID"))->SetValue(qlonglong(r.ID));
    auto backToView = [&] {
        RefreshView(-1);
        if (row > 0 && ADOQuery->RecordCount() > 0)
            ADOQuery->SetRecNo(std::min(row, ADOQuery->RecordCount()));
    };
    try {
        ADOQuery->ExecSQL();
    } catch (...) {
        // A refused update (a text the table cannot hold) must not leave the journal's view closed behind
        // the act: the view comes back, then the caller gets the error.
        try {
            backToView();
        } catch (...) {
        }
        throw;
    }
    backToView();

    if (fromAct && Photo && !Photo->Empty() && PhotoFixed) {
        // Written through a look-up of the record itself: the view may be filtered and not hold it.
        ADOQueryP->Close();
        ADOQueryP->ClearSQL();
        ADOQueryP->SetSQL(QStringLiteral("SELECT * FROM Base WHERE ID = :ID"));
        ADOQueryP->Parameters().ParamByName(QStringLiteral("ID"))->SetValue(qlonglong(r.ID));
        ADOQueryP->Open();
        if (!ADOQueryP->IsEmpty()) {
            ADOQueryP->Edit();
            {
                auto blob = ADOQueryP->CreateBlobStream(ADOQueryP->FieldByName(QStringLiteral("OBSL_PHOTO")), bmWrite);
                blob->write(Photo->SaveToBytes());
            }
            ADOQueryP->Post();
            PhotoFixed = false;
        }
        ADOQueryP->Close();
        showPhoto(Photo.get());
    }
}
