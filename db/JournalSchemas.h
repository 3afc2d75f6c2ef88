#pragma once
// The journal table's generations (the column sets Base.DBF has had), the generation each application type
// needs, and the CREATE texts of the tables the program makes. The journal controllers and the conversion
// take their CREATE texts from here, so a table made by either is the same table.
#include <QString>
#include <QStringList>

namespace db {

// Application type codes ("AppType" of VELT.ini).
constexpr int kAppDefault = 1;
constexpr int kAppMedic = 2;
constexpr int kAppPolice = 3;
constexpr int kAppDefaultMp = 100;

constexpr int kFirstGeneration = 1;
constexpr int kLastGeneration = 7;

// The names tested for a generation (1..7), each a fragment looked for in the name list; empty otherwise.
const QStringList& GenerationNames(int generation);

// The generation of a table with these column names, in table order: every name followed by CR LF makes
// one text, and a generation matches when each of its fragments occurs in it. Later generations win;
// 0 when none matches. Names are compared in upper case, as dBASE treats them.
int DetectGeneration(const QStringList& fieldNames);

// The generation the journal of an application type must have; 0 for a code without one.
int RequiredGeneration(int appTypeCode);

// The columns of a journal generation (3: "default", 7: "default_mp") that a table with these column names
// lacks: a journal cannot file into a table that lacks any. Empty for a generation without a journal.
QStringList MissingJournalColumns(int generation, const QStringList& fieldNames);

// An interlock event's code in NUM_VIDOH (0x80000001 .. 0x80000006, read as signed), which no exhalation
// number reaches.
bool IsInterlockEventCode(qint64 numVidoh);

// The tables the program creates.
enum class Schema { Default, DefaultMp, InfoPrib };

// The CREATE text exactly as written, placeholders included.
QString CreateTextTemplate(Schema schema);

// Values of the width placeholders of a journal schema.
struct SchemaWidths {
    int maxDate2;
    int maxFam;
    int maxName;
    int maxPat;
    int maxOper;
};
SchemaWidths WidthsOf(Schema schema);

// The CREATE text with every placeholder replaced, in the order ":MAX_DATE_2", ":MAX_FAM", ":MAX_NAME",
// ":MAX_PAT", ":MAX_OPER", ready to execute.
QString CreateTableText(Schema schema);

// The generation a table made from the schema detects as (3, 7; 0 for InfoPrib, no journal).
int GenerationOf(Schema schema);

// Replaces every occurrence of `name` in `text` by the decimal text of `value`.
void ReplaceParam(QString& text, const QString& name, int value);

// Byte 29 of the dBASE header (language driver) that a journal controller writes after its CREATE.
constexpr int kCodePageByteOffset = 29;
constexpr unsigned char kCodePageByteAnsi = 0x57;

} // namespace db
