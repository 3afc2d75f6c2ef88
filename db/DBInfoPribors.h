#pragma once
// The instrument information table: DATABASE/InfoPrib.DBF under the work folder, with one row per instrument
// and date of its constants, and its copy in memory grouped by instrument.
//
// Driver threads record instruments (Add, several at once); the main thread asks for the norm and the
// lifetime exhalation count in force for an instrument at a journal record's date. The object has a
// connection of its own, so driver threads never touch the journal's.
//
// It shows no window: failures go to the log and come back as results.
#include "core/ConvertTimeLong.h"
#include "core/CriticalSection.h"
#include "db/InfoPribCopy.h"

#include <QString>

#include <cstdint>
#include <memory>

class TADOConnection;
class TADOQuery;

class TDBInfoPribors {
public:
    // Opens the work folder's database, creates InfoPrib.DBF when it is missing and loads it.
    explicit TDBInfoPribors(const QString& workDir);
    ~TDBInfoPribors();
    TDBInfoPribors(const TDBInfoPribors&) = delete;
    TDBInfoPribors& operator=(const TDBInfoPribors&) = delete;

    // Records an instrument: a new row (ID = largest + 1) for a new instrument or date of constants, or a new
    // LIFEZAPIS for a known one. True only when a row was written; false when nothing changed or a statement
    // failed.
    bool Add(TInfoPriborRecord record);

    // The norm in mg/l of the row in force at the date (the last at or before it, else the first row);
    // the legal norm when the instrument is unknown. 0.0 for a date text that is no date.
    double Norma(uint32_t serial, const QString& dateText);
    double Norma(uint32_t serial, LongTime t);
    // The legal norm by law at t: 0.15 mg/l up to 2010-08-05 23:59:59, 0.0 from 2010-08-06 00:00:00 on.
    static double Norma_Zakon(LongTime t);
    // The lifetime exhalation count of the row in force at the date; -1 for an unknown instrument, 0 for a
    // date text that is no date.
    int AllLifeZapis(uint32_t serial, const QString& dateText);
    int AllLifeZapis(uint32_t serial, LongTime t);

    int Count();
    // A copy of the in-memory table, taken under the table lock.
    TInfoPribCopy Snapshot();

private:
    bool CreateBase();
    bool InsertRecord(const TInfoPriborRecord& record);
    // Rows of the instrument with the record's DATECONST (-1 when the look-up failed) and the first's ID.
    int SearchBase(const TInfoPriborRecord& record, int& id);
    // 1 when the row's LIFEZAPIS equals count, 0 when it differs, -1 when it could not be read.
    int Compare_lifezapis(int id, uint32_t count);
    bool Update_lifezapis(int id, uint32_t count);
    bool LoadFromBase();

    TInfoPribCopy Instruments;
    QString WorkDir;
    std::unique_ptr<TADOConnection> ADOConnection;
    std::unique_ptr<TADOQuery> ADOQuery;
    std::unique_ptr<TADOQuery> ADOQuery2;
    // Driver threads (Add) and the main thread (Norma, AllLifeZapis, Count) meet here: it guards the copy and,
    // held across the whole of Add, the connection's statements too, so no second lock is needed for them.
    critsection_t TableLock;
};
