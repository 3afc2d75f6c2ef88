#include "db/JournalSchemas.h"

#include <cstdint>

namespace db {

namespace {

// Written as they stand: the blank runs are part of the texts the engine has always been given.
constexpr char kInfoPribCreate[] =
    "CREATE TABLE InfoPrib(ID           INTEGER           ,"
    " PRIBOR       INTEGER           ,"
    " DATECONST    CHAR(19)          ,"
    " DATEGET      CHAR(19)          ,"
    " PRIBPROT     INTEGER           ,"
    " DATEPRIB     CHAR(19)          ,"
    " DATEPOVER    CHAR(19)          ,"
    " PRIBMODEL    INTEGER           ,"
    " FIRMWARE     INTEGER           ,"
    " NORMA        FLOAT             ,"
    " ACCURACY     FLOAT             ,"
    " T_VIDOH      INTEGER           ,"
    " W_WIDOH      INTEGER           ,"
    " NETNUMBER    INTEGER           ,"
    " LIFEZAPIS    INTEGER             )";

constexpr char kDefaultCreate[] =
    "CREATE TABLE Base(ID           INTEGER,"
    " PRIBOR       INTEGER,"
    " DATA_IZM     CHAR(:MAX_DATE_2) ,"
    " OBSL_FAM     CHAR(:MAX_FAM)    ,"
    " OBSL_NAME    CHAR(:MAX_NAME)   ,"
    " OBSL_PAT     CHAR(:MAX_PAT)    ,"
    " IZM          FLOAT,"
    " STAT         CHAR(1),"
    " OPER         CHAR(:MAX_OPER),"
    "    NUM_VIDOH    INTEGER,"
    " PAGE_FOOT    CHAR(1) )";

constexpr char kDefaultMpCreate[] =
    "CREATE TABLE Base(ID           INTEGER           ,"
    " TYPE_PRIB    INTEGER           ,"
    " PRIBOR       INTEGER           ,"
    " DATA_IZM     CHAR(:MAX_DATE_2) ,"
    " NUM_VIDOH    INTEGER           ,"
    " IZM          FLOAT             ,"
    " STAT         CHAR(1)           ,"
    " NORMA        FLOAT             ,"
    " IZM_AIR      FLOAT             ,"
    " DATA_POVER   CHAR(:MAX_DATE_2) ,"
    " MEAS_PLACE   CHAR(:MAX_PAT)    ,"
    " OBSL_FAM     CHAR(:MAX_FAM)    ,"
    " OBSL_NAME    CHAR(:MAX_NAME)   ,"
    " OBSL_PAT     CHAR(:MAX_PAT)    ,"
    " OBSL_NAUTO   CHAR(:MAX_PAT)    ,"
    " OBSL_PHOTO   MEMO              ,"
    " INSP_FAM     CHAR(:MAX_FAM)    ,"
    " INSP_NAME    CHAR(:MAX_NAME)   ,"
    " INSP_PAT     CHAR(:MAX_PAT)    ,"
    " INSP_DEPR    CHAR(:MAX_FAM)    ,"
    " INSP_NUMB    CHAR(:MAX_FAM)    ,"
    " SATURDATA    INTEGER           ,"
    " TYPERECORD   INTEGER           ,"
    " DATA_REC     CHAR(:MAX_DATE_2) ,"
    " OPER         CHAR(:MAX_OPER)     )";

QStringList names(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* n : list)
        out << QString::fromLatin1(n);
    return out;
}

const QStringList kGen2Names = names({"ID", "PRIBOR", "DATA_IZM", "IZM", "STAT", "OPER", "OBSL_FAM", "OBSL_NAME",
                                      "OBSL_PAT"});
const QStringList kGen4Names = names({"ID", "PRIBOR", "DATA_IZM", "IZM", "STAT", "OPER", "NUM_VIDOH", "PAGE_FOOT",
                                      "DATA_SOST", "MESTO_SOST", "OPDOLZNOST", "OPPODRAZD", "OPZVANIE", "OBSL_FAM",
                                      "OBSL_NAME", "OBSL_PAT", "OBDATAROZD", "OBMESTROZD", "OBPROZIV", "OBDOMPHONE",
                                      "OBRABOTAET", "OBRABPHONE", "PON1_FAM", "PON1_NAME", "PON1_PAT", "PON1_ADRES",
                                      "PON1_PHONE", "PON2_FAM", "PON2_NAME", "PON2_PAT", "PON2_ADRES", "PON2_PHONE",
                                      "PRIZNAKI"});

const QStringList kGenerations[kLastGeneration + 1] = {
    {},
    // The first journal named its columns loosely: a date column ending in DATA and the three name parts
    // under any prefix. The CR LF pins DATA to the end of a name.
    names({"ID", "PRIBOR", "DATA\r\n", "IZM", "STAT", "OPER", "FAM", "NAME", "PAT"}),
    kGen2Names,
    kGen2Names + names({"NUM_VIDOH", "PAGE_FOOT"}),
    kGen4Names,
    kGen4Names + names({"MODEL_AVTO", "GOSREGZNAK", "DATA_NAPRV", "OSN_NAPRV"}),
    names({"ID", "PRIBOR", "DATA_IZM", "IZM", "STAT", "NUM_VIDOH", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "OBSLPLACE",
           "NUM_AUTO", "INSP_FAM", "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB", "OPER"}),
    names({"ID", "TYPE_PRIB", "PRIBOR", "DATA_IZM", "NUM_VIDOH", "IZM", "STAT", "NORMA", "IZM_AIR", "DATA_POVER",
           "MEAS_PLACE", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "OBSL_NAUTO", "OBSL_PHOTO", "INSP_FAM", "INSP_NAME",
           "INSP_PAT", "INSP_DEPR", "INSP_NUMB", "SATURDATA", "TYPERECORD", "DATA_REC", "OPER"}),
};

} // namespace

const QStringList& GenerationNames(int generation)
{
    if (generation < kFirstGeneration || generation > kLastGeneration)
        return kGenerations[0];
    return kGenerations[generation];
}

int DetectGeneration(const QStringList& fieldNames)
{
    QString text;
    for (const QString& name : fieldNames)
        text += name.toUpper() + QStringLiteral("\r\n");
    int result = 0;
    for (int gen = kFirstGeneration; gen <= kLastGeneration; ++gen) {
        bool all = true;
        for (const QString& fragment : kGenerations[gen]) {
            if (!text.contains(fragment)) {
                all = false;
                break;
            }
        }
        if (all)
            result = gen;
    }
    return result;
}

int RequiredGeneration(int appTypeCode)
{
    switch (appTypeCode) {
    // The "default" journal creates, uses and converts into its 11-column table, which detects as 3.
    // Asking for 6 here would offer every start a conversion that can never satisfy it.
    case kAppDefault: return 3;
    case kAppMedic: return 4;
    case kAppPolice: return 5;
    case kAppDefaultMp: return 7;
    default: return 0;
    }
}

QStringList MissingJournalColumns(int generation, const QStringList& fieldNames)
{
    if (generation != GenerationOf(Schema::Default) && generation != GenerationOf(Schema::DefaultMp))
        return {};
    QStringList missing;
    for (const QString& name : kGenerations[generation])
        if (!fieldNames.contains(name, Qt::CaseInsensitive))
            missing << name;
    return missing;
}

bool IsInterlockEventCode(qint64 numVidoh)
{
    return numVidoh >= qint64(int32_t(0x80000001u)) && numVidoh <= qint64(int32_t(0x80000006u));
}

QString CreateTextTemplate(Schema schema)
{
    switch (schema) {
    case Schema::Default: return QString::fromLatin1(kDefaultCreate);
    case Schema::DefaultMp: return QString::fromLatin1(kDefaultMpCreate);
    case Schema::InfoPrib: return QString::fromLatin1(kInfoPribCreate);
    }
    return {};
}

SchemaWidths WidthsOf(Schema schema)
{
    switch (schema) {
    case Schema::Default: return {19, 20, 19, 19, 19};
    case Schema::DefaultMp: return {19, 23, 23, 23, 19};
    case Schema::InfoPrib: break;
    }
    return {0, 0, 0, 0, 0};
}

QString CreateTableText(Schema schema)
{
    QString text = CreateTextTemplate(schema);
    if (schema == Schema::InfoPrib)
        return text;
    const SchemaWidths w = WidthsOf(schema);
    ReplaceParam(text, QStringLiteral(":MAX_DATE_2"), w.maxDate2);
    ReplaceParam(text, QStringLiteral(":MAX_FAM"), w.maxFam);
    ReplaceParam(text, QStringLiteral(":MAX_NAME"), w.maxName);
    ReplaceParam(text, QStringLiteral(":MAX_PAT"), w.maxPat);
    ReplaceParam(text, QStringLiteral(":MAX_OPER"), w.maxOper);
    return text;
}

int GenerationOf(Schema schema)
{
    switch (schema) {
    case Schema::Default: return 3;
    case Schema::DefaultMp: return 7;
    case Schema::InfoPrib: break;
    }
    return 0;
}

void ReplaceParam(QString& text, const QString& name, int value)
{
    if (name.isEmpty())
        return;
    const QString replacement = QString::number(value);
    QString out;
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(name, from); at >= 0; at = text.indexOf(name, from)) {
        out += QStringView(text).mid(from, at - from);
        out += replacement;
        from = at + name.size();
    }
    if (from == 0)
        return;
    out += QStringView(text).mid(from);
    text = out;
}

} // namespace db
