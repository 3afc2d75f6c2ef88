#include "db/DBInfoPribors.h"

#include "core/Debug.h"
#include "db/JournalSchemas.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/Field.h"
#include "platform/rtl/DateTime.h"

#include <exception>

namespace {

// Logs the fixed line of a failed step, then what went wrong.
void logError(const char* line, const std::exception& e)
{
    Dbg().Print("%s", line);
    Dbg().Print("TDBInfoPribors - %s", e.what());
}

const QString kTable = QStringLiteral("InfoPrib");

} // namespace

TDBInfoPribors::TDBInfoPribors(const QString& workDir)
    : WorkDir(workDir)
{
    Dbg().Print("TDBInfoPribors - create...");
    ADOConnection = std::make_unique<TADOConnection>();
    ADOQuery = std::make_unique<TADOQuery>(ADOConnection.get());
    ADOQuery2 = std::make_unique<TADOQuery>(ADOConnection.get());
    try {
        // Paths are absolute: changing the process's current folder is not safe once threads run.
        ADOConnection->Close();
        ADOConnection->SetConnectionString(QStringLiteral("FILE NAME=") + WorkDir + QStringLiteral("/connect.udl"));
        ADOConnection->SetProvider(WorkDir + QStringLiteral("/connect.udl"));
        ADOConnection->SetLoginPrompt(false);
        ADOConnection->Open();
        if (!ADOConnection->TableExists(kTable))
            CreateBase();
    } catch (const std::exception& e) {
        logError("TDBInfoPribors - create - error", e);
    }
    TCritLock table(TableLock);
    LoadFromBase();
}

TDBInfoPribors::~TDBInfoPribors()
{
    ADOQuery2.reset();
    ADOQuery.reset();
    ADOConnection.reset();
    Instruments.Clear();
    Dbg().Print("TDBInfoPribors - destroy");
}

bool TDBInfoPribors::CreateBase()
{
    Dbg().Print("TDBInfoPribors - CreateBase...");
    try {
        ADOQuery->SetSQL(db::CreateTableText(db::Schema::InfoPrib));
        ADOQuery->ExecSQL();
        return true;
    } catch (const std::exception& e) {
        logError("TDBInfoPribors - CreateBase() - error", e);
        return false;
    }
}

bool TDBInfoPribors::InsertRecord(const TInfoPriborRecord& record)
{
    TADOQuery& q = *ADOQuery;
    try {
        q.Close();
        q.SetSQL(QStringLiteral("SELECT max(ID) as maxid FROM InfoPrib"));
        q.Open();
        const qint64 id = q.FieldByName(QStringLiteral("maxid"))->AsLargeInt() + 1;
        q.Close();

        // Every value goes in as a parameter; the date texts are never empty, so every column is listed.
        const std::pair<const char*, QVariant> values[] = {
            {"ID", id},
            {"PRIBOR", qlonglong(record.PRIBOR)},
            {"DATECONST", LongToDateTimeString(record.DATECONST)},
            {"DATEGET", LongToDateTimeString(record.DATEGET)},
            {"PRIBPROT", qlonglong(record.PRIBPROT)},
            {"DATEPRIB", LongToDateTimeString(record.DATEPRIB)},
            {"DATEPOVER", LongToDateTimeString(record.DATEPOVER)},
            {"PRIBMODEL", qlonglong(record.PRIBMODEL)},
            {"FIRMWARE", qlonglong(record.FIRMWARE)},
            {"NORMA", record.NORMA},
            {"ACCURACY", double(record.ACCURACY)},
            {"T_VIDOH", qlonglong(record.T_VIDOH)},
            {"W_WIDOH", qlonglong(record.W_WIDOH)},
            {"NETNUMBER", qlonglong(record.NETNUMBER)},
            {"LIFEZAPIS", qlonglong(record.LIFEZAPIS)},
        };
        QString cols, params;
        for (const auto& [name, value] : values) {
            if (value.typeId() == QMetaType::QString && value.toString().isEmpty())
                continue;
            const QString n = QString::fromLatin1(name);
            cols += (cols.isEmpty() ? QString() : QStringLiteral(", ")) + n;
            params += (params.isEmpty() ? QStringLiteral(":") : QStringLiteral(", :")) + n;
        }
        q.SetSQL(QStringLiteral("INSERT INTO InfoPrib ") + QStringLiteral("( ") + cols + QStringLiteral(" )")
                 + QStringLiteral(" VALUES ") + QStringLiteral("( ") + params + QStringLiteral(" )"));
        for (const auto& [name, value] : values) {
            if (TParameter* p = q.Parameters().FindParam(QString::fromLatin1(name)))
                p->SetValue(value);
        }
        return q.ExecSQL() == 1;
    } catch (const std::exception& e) {
        q.Close();
        logError("TDBInfoPribors - InsertRecord() - error", e);
        return false;
    }
}

int TDBInfoPribors::SearchBase(const TInfoPriborRecord& record, int& id)
{
    TADOQuery& q = *ADOQuery2;
    const QString where = QStringLiteral(" WHERE") + QStringLiteral(" DATECONST = :DATECONST AND")
                          + QStringLiteral(" PRIBOR = :PRIBOR");
    auto bind = [&] {
        q.Parameters().ParamByName(QStringLiteral("DATECONST"))->SetValue(LongToDateTimeString(record.DATECONST));
        q.Parameters().ParamByName(QStringLiteral("PRIBOR"))->SetValue(qlonglong(record.PRIBOR));
    };
    try {
        q.Close();
        q.SetSQL(QStringLiteral("SELECT COUNT (*) AS POISK FROM InfoPrib") + where);
        bind();
        q.Open();
        const int count = q.FieldByName(QStringLiteral("POISK"))->AsInteger();
        q.Close();
        id = 0;
        if (count > 0) {
            q.SetSQL(QStringLiteral("SELECT ID FROM InfoPrib") + where);
            bind();
            q.Open();
            if (q.IsEmpty()) {
                q.Close();
                return -1;
            }
            id = q.FieldByName(QStringLiteral("ID"))->AsInteger();
            q.Close();
        }
        return count;
    } catch (const std::exception& e) {
        q.Close();
        logError("TDBInfoPribors - SearchBase() - error", e);
        return -1;
    }
}

int TDBInfoPribors::Compare_lifezapis(int id, uint32_t count)
{
    TADOQuery& q = *ADOQuery2;
    try {
        q.Close();
        q.SetSQL(QStringLiteral("SELECT * FROM InfoPrib") + QStringLiteral(" WHERE") + QStringLiteral(" ID = :ID"));
        q.Parameters().ParamByName(QStringLiteral("ID"))->SetValue(id);
        q.Open();
        if (q.IsEmpty()) {
            q.Close();
            return -1;
        }
        const bool same = q.FieldByName(QStringLiteral("LIFEZAPIS"))->AsLargeInt() == qint64(count);
        q.Close();
        return same ? 1 : 0;
    } catch (const std::exception& e) {
        q.Close();
        logError("TDBInfoPribors - Compare_lifezapis() - error", e);
        return -1;
    }
}

bool TDBInfoPribors::Update_lifezapis(int id, uint32_t count)
{
    TADOQuery& q = *ADOQuery;
    try {
        q.Close();
        q.SetSQL(QStringLiteral("UPDATE InfoPrib ") + QStringLiteral(" SET ") + QStringLiteral(" LIFEZAPIS = :LIFEZAPIS")
                 + QStringLiteral(" WHERE") + QStringLiteral(" ID = :ID"));
        q.Parameters().ParamByName(QStringLiteral("LIFEZAPIS"))->SetValue(qlonglong(count));
        q.Parameters().ParamByName(QStringLiteral("ID"))->SetValue(id);
        return q.ExecSQL() > 0;
    } catch (const std::exception& e) {
        logError("TDBInfoPribors - Update_lifezapis() - error", e);
        return false;
    }
}

bool TDBInfoPribors::Add(TInfoPriborRecord record)
{
    TCritLock table(TableLock);
    try {
        int id = 0;
        const int rows = SearchBase(record, id);
        if (rows < 0)
            return false;  // unknown whether the instrument is there: write nothing
        if (rows == 0) {
            const bool inserted = InsertRecord(record);
            LoadFromBase();
            return inserted;
        }
        if (Compare_lifezapis(id, record.LIFEZAPIS) == 0 && Update_lifezapis(id, record.LIFEZAPIS)) {
            LoadFromBase();
            return true;
        }
        return false;
    } catch (const std::exception& e) {
        logError("TDBInfoPribors - Add() - error", e);
        return false;
    }
}

bool TDBInfoPribors::LoadFromBase()
{
    Dbg().Print("TDBInfoPribors - LoadFromBase...");
    TADOQuery& q = *ADOQuery;
    try {
        q.Close();
        q.SetSQL(QStringLiteral("SELECT * FROM InfoPrib  ORDER BY DATECONST"));
        q.Open();
        // Built aside and swapped in whole: a failure keeps the copy as it was.
        TInfoPribCopy fresh;
        const TField* fID = q.FieldByName(QStringLiteral("ID"));
        const TField* fPRIBOR = q.FieldByName(QStringLiteral("PRIBOR"));
        const TField* fDATECONST = q.FieldByName(QStringLiteral("DATECONST"));
        const TField* fNORMA = q.FieldByName(QStringLiteral("NORMA"));
        const TField* fDATEGET = q.FieldByName(QStringLiteral("DATEGET"));
        const TField* fDATEPOVER = q.FieldByName(QStringLiteral("DATEPOVER"));
        const TField* fDATEPRIB = q.FieldByName(QStringLiteral("DATEPRIB"));
        const TField* fPRIBPROT = q.FieldByName(QStringLiteral("PRIBPROT"));
        const TField* fPRIBMODEL = q.FieldByName(QStringLiteral("PRIBMODEL"));
        const TField* fFIRMWARE = q.FieldByName(QStringLiteral("FIRMWARE"));
        const TField* fACCURACY = q.FieldByName(QStringLiteral("ACCURACY"));
        const TField* fT_VIDOH = q.FieldByName(QStringLiteral("T_VIDOH"));
        const TField* fW_WIDOH = q.FieldByName(QStringLiteral("W_WIDOH"));
        const TField* fNETNUMBER = q.FieldByName(QStringLiteral("NETNUMBER"));
        const TField* fLIFEZAPIS = q.FieldByName(QStringLiteral("LIFEZAPIS"));
        for (q.First(); !q.Eof(); q.Next()) {
            TInfoPriborRecord r;
            try {
                r.PRIBOR = uint32_t(fPRIBOR->AsLargeInt());
                r.DATECONST = DateTimeTextToLong(fDATECONST->AsString());
                r.NORMA = fNORMA->AsFloat();
                r.DATEGET = DateTimeTextToLong(fDATEGET->AsString());
                r.DATEPOVER = DateTimeTextToLong(fDATEPOVER->AsString());
                r.DATEPRIB = DateTimeTextToLong(fDATEPRIB->AsString());
                r.PRIBPROT = uint32_t(fPRIBPROT->AsLargeInt());
                r.PRIBMODEL = uint16_t(fPRIBMODEL->AsLargeInt());
                r.FIRMWARE = uint16_t(fFIRMWARE->AsLargeInt());
                r.ACCURACY = float(fACCURACY->AsFloat());
                r.T_VIDOH = uint16_t(fT_VIDOH->AsLargeInt());
                r.W_WIDOH = uint16_t(fW_WIDOH->AsLargeInt());
                r.NETNUMBER = int16_t(fNETNUMBER->AsLargeInt());
                r.LIFEZAPIS = uint32_t(fLIFEZAPIS->AsLargeInt());
            } catch (const std::exception& e) {
                // One unreadable row must not hide the others.
                Dbg().Print("TDBInfoPribors - LoadFromBase - row ID %lld skipped: %s", qlonglong(fID->AsLargeInt()),
                            e.what());
                continue;
            }
            if (!fresh.Append(r))
                Dbg().Print("TDBInfoPribors - LoadFromBase - row ID %lld skipped: instrument %u has a row of %s already",
                            qlonglong(fID->AsLargeInt()), r.PRIBOR, LongToDateTimeString(r.DATECONST).toUtf8().constData());
        }
        q.Close();
        Instruments = std::move(fresh);
        return true;
    } catch (const std::exception& e) {
        q.Close();
        logError("TDBInfoPribors - LoadFromBase - error", e);
        return false;
    }
}

double TDBInfoPribors::Norma(uint32_t serial, const QString& dateText)
{
    LongTime t = 0;
    try {
        t = DateTimeTextToLong(dateText);
    } catch (const std::exception&) {
        Dbg().Print("TDBInfoPribors - Norma() - error");
        return 0.0;
    }
    return Norma(serial, t);
}

double TDBInfoPribors::Norma(uint32_t serial, LongTime t)
{
    try {
        TCritLock table(TableLock);
        if (const TInfoPriborRecord* row = Instruments.RowAt(serial, t))
            return row->NORMA;
        return Norma_Zakon(t);
    } catch (const std::exception&) {
        Dbg().Print("TDBInfoPribors - Norma() - error");
        return 0.0;
    }
}

double TDBInfoPribors::Norma_Zakon(LongTime t)
{
    // The reference is a fixed moment, not a text to parse: nothing here can fail.
    rtl::SystemTime st{};
    const rtl::TDateTime at = rtl::SystemTimeToDateTime(LongToSystemTime(t, st));
    rtl::SystemTime refSt{};
    refSt.wYear = 2010;
    refSt.wMonth = 8;
    refSt.wDay = 5;
    const rtl::TDateTime reference = rtl::SystemTimeToDateTime(LongToSystemTime(SystemTimeToLong(refSt), refSt));
    return at - reference < 1.0 ? 0.15 : 0.0;
}

int TDBInfoPribors::AllLifeZapis(uint32_t serial, const QString& dateText)
{
    LongTime t = 0;
    try {
        t = DateTimeTextToLong(dateText);
    } catch (const std::exception&) {
        Dbg().Print("TDBInfoPribors - AllLifeZapis() - error");
        return 0;
    }
    return AllLifeZapis(serial, t);
}

int TDBInfoPribors::AllLifeZapis(uint32_t serial, LongTime t)
{
    try {
        TCritLock table(TableLock);
        if (const TInfoPriborRecord* row = Instruments.RowAt(serial, t))
            return int(row->LIFEZAPIS);
        return -1;
    } catch (const std::exception&) {
        Dbg().Print("TDBInfoPribors - AllLifeZapis() - error");
        return -1;
    }
}

int TDBInfoPribors::Count()
{
    TCritLock table(TableLock);
    return Instruments.Count();
}

TInfoPribCopy TDBInfoPribors::Snapshot()
{
    TCritLock table(TableLock);
    return Instruments;
}
