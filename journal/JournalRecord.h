#pragma once
// One journal row as filing reads and writes it: every column that either journal variant has. A variant
// uses the columns of its own table; the others stay empty.
#include <QString>

#include <cstdint>

struct TJournalRecord {
    int32_t ID = 0;          // 0 for a row not yet in the table
    int32_t TYPE_PRIB = 0;
    int32_t PRIBOR = 0;
    double IZM = 0;
    QChar STAT;              // '0'..'9'; a null character in a cleared record
    double NORMA = 0;
    double IZM_AIR = 0;
    int32_t NUM_VIDOH = 0;
    QString DATA_IZM;        // "yyyy.mm.dd hh:nn:ss"
    QString DATA_POVER;      // "dd.mm.yyyy hh:nn:ss"
    QString MEAS_PLACE, OBSL_FAM, OBSL_NAME, OBSL_PAT, OBSL_NAUTO;
    QString INSP_FAM, INSP_NAME, INSP_PAT, INSP_DEPR, INSP_NUMB;
    QString OPER;
    QChar PAGE_FOOT;         // '1' for an interlock event ("default" only)
    int32_t SATURDATA = 0;   // instrument model code
    int32_t TYPERECORD = 0;

    // The text column of that name; null for a name that is no text column.
    QString* Text(const char* column);
    const QString* Text(const char* column) const;
};
