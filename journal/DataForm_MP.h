#pragma once
// The act record of "default_mp": one journal row as the act window shows and edits it, and the carrier of a
// row for insert and update. Texts hold at most the widths of their table columns.
#include <QString>

#include <cstdint>

struct TDataForm_MP {
    int32_t ID = 0;          // 0 for an act not tied to a record
    int32_t TYPE_PRIB = 0;
    int32_t PRIBOR = 0;
    double IZM = 0;
    QChar STAT;              // '0'..'9'; a null character in a cleared act
    double NORMA = 0;
    double IZM_AIR = 0;
    int32_t NUM_VIDOH = 0;
    QString DATA_IZM;        // "yyyy.mm.dd hh:nn:ss"
    QString DATA_POVER;      // "dd.mm.yyyy hh:nn:ss"
    QString MEAS_PLACE, OBSL_FAM, OBSL_NAME, OBSL_PAT, OBSL_NAUTO;
    QString INSP_FAM, INSP_NAME, INSP_PAT, INSP_DEPR, INSP_NUMB;
    QString OPER;
    QChar flag;              // '1' or '0' from the measurement; not stored
    int32_t SATURDATA = 0;   // instrument model code; selects which fields may be edited
    int32_t TYPERECORD = 0;
    int32_t RowNumber = 0;   // the view's row number of the act's record
};

// Width of the text columns (and of the act's edits), and of the date texts.
constexpr int kActTextWidth = 23;
constexpr int kActDateWidth = 19;
