#pragma once
// Filing of measurements into the journal table Base: the duplicate search, the insert of a new record and
// the completion of one already filed. Both journal variants file through this one engine; what differs
// between their tables and rules stands in their TFilingSchema.
#include "db/JournalSchemas.h"
#include "journal/JournalRecord.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class TADOQuery;
class critsection_t;
struct TVELTMeasurement;

enum class TColumnKind {
    Integer, // bound as an integer
    Value,   // a measured value, bound rounded to thousandths
    Char,    // one character, always bound
    Text,    // bound only when not empty: an empty text stays null
};

struct TFilingColumn {
    const char* Name;
    TColumnKind Kind;
};

struct TFilingSchema {
    db::Schema Table;
    // Columns of the INSERT, in order (ID first). DATA_REC, when listed, gets the time of the insert.
    std::vector<TFilingColumn> InsertColumns;
    // Text SET items of the UPDATE before and after the NUM_VIDOH item.
    std::vector<const char*> UpdateTextsBeforeNumber;
    std::vector<const char*> UpdateTextsAfterNumber;
    // OPER goes into every UPDATE; otherwise only when not empty, or as the only item.
    bool OperAlways = true;
    // Room of each text taken from a measurement: the table's column widths.
    int NameWidth = 0;      // OBSL_FAM
    int OtherWidth = 0;     // every other text
    int OperWidth = 0;      // OPER
    // STAT: '0' + exhale state (9 above 9), or '1' for any interrupted exhale.
    bool StatIsDigit = true;
    // OPER: the operator logged in, or the inspector's surname from the measurement.
    bool OperFromInspector = false;
    // The inspector's surname column compared with the measurement's (INSP_FAM, or OPER).
    const char* InspectorColumn = "INSP_FAM";
    // Texts of the measurement that, when not empty, make a found record be completed.
    std::vector<const char*> TextsThatUpdate;
    // Texts that a changed surname blanks (one blank each); otherwise written back as stored.
    std::vector<const char*> BlankedOnSurnameChange;
    // Columns an update takes from the measurement as they are.
    std::vector<const char*> CarriedOnUpdate;
    // After an insert: the view of the identifier window (true) or the whole view.
    bool WindowAfterInsert = true;
    // Grid positioning on a found record at most once per 100 ms per kind (a burst scrolls less).
    bool ThrottlePositioning = true;
    // Log lines for each search.
    bool LogSearches = false;
    // Measurement texts taken into a new record; others stay empty.
    std::vector<const char*> TextsOnInsert;
    // An act that takes a measurement keeps what was typed where the measurement's text (of TextsOnInsert,
    // or OPER) is empty; otherwise the measurement's texts replace the act's, empty ones too.
    bool ActKeepsTypedTexts = false;
};

// The schema of "default_mp".
const TFilingSchema& DefaultMpFiling();
// The schema of "default".
const TFilingSchema& DefaultFiling();

class TJournalFiling {
public:
    struct Binding {
        TADOQuery* View = nullptr;   // the journal view: every statement but the searches runs through it
        TADOQuery* Search = nullptr; // the duplicate search and the look-ups by ID
        critsection_t* Lock = nullptr;
        std::function<void(int maxId)> Refresh; // re-runs the view (-1: whole, else the identifier window)
        // After an insert, in place of the schema's view (when set): the variant refreshes as it sees fit.
        std::function<void(int id)> Inserted;
        // Moves the view onto a record filed or found, in place of a Locate at once (when set): the variant
        // may space the moves out.
        std::function<void(int id)> Position;
    };

    explicit TJournalFiling(const TFilingSchema& schema) : Schema(schema) {}

    void Bind(const Binding& binding) { B = binding; }
    void SetOperator(const QString& name) { Oper = name; }
    // The operator's name as OPER holds it.
    QString OperatorText() const { return Oper.left(Schema.OperWidth); }
    const TFilingSchema& GetSchema() const { return Schema; }

    // The journal table of the schema, created through the view query.
    void CreateBase();
    // Byte 29 of the new table's header (its code page) set to ANSI; false (logged) when that fails.
    static bool PatchDbfHeader(const QString& path);

    // Parses the statements every filing runs, through the search query while it is closed.
    void PrepareStatements();

    // The record a measurement makes (no ID, NORMA 0, no DATA_REC).
    TJournalRecord RecordOf(const TVELTMeasurement& m) const;
    // The act that waited for a measurement, after the measurement was filed as `id`: the instrument's data
    // and the texts of the measurement as the journal holds them.
    void FillAct(TJournalRecord& act, const TVELTMeasurement& m, int id) const;
    // The whole measurement as one log text: the columns it makes and the record's bytes in hex.
    QString Describe(const TVELTMeasurement& m) const;
    // ID of the record filed or found; rowNo gets the view's current row number.
    int MergeRecord(const TVELTMeasurement& m, int* rowNo = nullptr);
    void FindRecord(const QString& date, int serial, bool withNumber, int32_t number, QChar stat, double izm,
                    QString& count, int& id);
    int InsertRecord(TJournalRecord r);
    // Writes the record's texts, NUM_VIDOH and OPER; nothing for ID 0. The view is re-read and stands
    // on its former row number.
    void UpdateRecord(const TJournalRecord& r);
    // Stores a photo into the OBSL_PHOTO memo of the record with this ID; false when there is none.
    bool WritePhoto(int id, const QByteArray& jpeg);
    // Moves the view onto the record with this ID; false when the view does not hold it.
    bool Locate(int id);

    // The value as the journal keeps it: thousandths, rounded half up.
    static double RoundIzm(double v);

private:
    void position(int id);
    void log(const char* what, const TJournalRecord& v, const QString& tail) const;

    const TFilingSchema& Schema;
    Binding B;
    QString Oper;
};
