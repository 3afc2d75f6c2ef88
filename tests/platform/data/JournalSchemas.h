#pragma once
// The program's CREATE TABLE texts with their width placeholders replaced, as the journal controllers
// and the instrument table issue them.
#include <QString>

namespace fixtures {

inline QString replaceWidths(QString text, int date, int fam, int name, int pat, int oper)
{
    text.replace(":MAX_DATE_2", QString::number(date));
    text.replace(":MAX_FAM", QString::number(fam));
    text.replace(":MAX_NAME", QString::number(name));
    text.replace(":MAX_PAT", QString::number(pat));
    text.replace(":MAX_OPER", QString::number(oper));
    return text;
}

inline QString defaultMpCreate()
{
    return replaceWidths(
        "CREATE TABLE Base(ID           INTEGER           , TYPE_PRIB    INTEGER           , PRIBOR       INTEGER           , "
        "DATA_IZM     CHAR(:MAX_DATE_2) , NUM_VIDOH    INTEGER           , IZM          FLOAT             , STAT         CHAR(1)           , "
        "NORMA        FLOAT             , IZM_AIR      FLOAT             , DATA_POVER   CHAR(:MAX_DATE_2) , MEAS_PLACE   CHAR(:MAX_PAT)    , "
        "OBSL_FAM     CHAR(:MAX_FAM)    , OBSL_NAME    CHAR(:MAX_NAME)   , OBSL_PAT     CHAR(:MAX_PAT)    , OBSL_NAUTO   CHAR(:MAX_PAT)    , "
        "OBSL_PHOTO   MEMO              , INSP_FAM     CHAR(:MAX_FAM)    , INSP_NAME    CHAR(:MAX_NAME)   , INSP_PAT     CHAR(:MAX_PAT)    , "
        "INSP_DEPR    CHAR(:MAX_FAM)    , INSP_NUMB    CHAR(:MAX_FAM)    , SATURDATA    INTEGER           , TYPERECORD   INTEGER           , "
        "DATA_REC     CHAR(:MAX_DATE_2) , OPER         CHAR(:MAX_OPER)     )",
        19, 23, 23, 23, 19);
}

inline QString defaultCreate()
{
    return replaceWidths(
        "CREATE TABLE Base(ID           INTEGER, PRIBOR       INTEGER, DATA_IZM     CHAR(:MAX_DATE_2) , OBSL_FAM     CHAR(:MAX_FAM)    , "
        "OBSL_NAME    CHAR(:MAX_NAME)   , OBSL_PAT     CHAR(:MAX_PAT)    , IZM          FLOAT, STAT         CHAR(1), "
        "OPER         CHAR(:MAX_OPER),    NUM_VIDOH    INTEGER, PAGE_FOOT    CHAR(1) )",
        19, 20, 19, 19, 19);
}

inline QString infoPribCreate()
{
    return "CREATE TABLE InfoPrib(ID           INTEGER           , PRIBOR       INTEGER           , DATECONST    CHAR(19)          , "
           "DATEGET      CHAR(19)          , PRIBPROT     INTEGER           , DATEPRIB     CHAR(19)          , DATEPOVER    CHAR(19)          , "
           "PRIBMODEL    INTEGER           , FIRMWARE     INTEGER           , NORMA        FLOAT             , ACCURACY     FLOAT             , "
           "T_VIDOH      INTEGER           , W_WIDOH      INTEGER           , NETNUMBER    INTEGER           , LIFEZAPIS    INTEGER             )";
}

} // namespace fixtures
