#pragma once
// The consolidated report without its window: what the "default_mp" journal holds about each instrument over
// a period, read through a query of its own on the journal's connection, and the label and value rows that
// makes on the first sheet of the workbook open in the spreadsheet client.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

class TADOConnection;
class TADOQuery;
class TDBInfoPribors;
class TExcel;

// A report's period: its first and last date-time texts ("yyyy.mm.dd hh:nn:ss") and the condition each
// instrument's query starts with (empty for the whole journal).
struct TConsPeriod {
    QString start, end;
    QString condition;
    // Every month counted as 30 days and every year as 365, both ends included.
    int Days() const;
};

// What the journal holds about one instrument in the period.
struct TConsInstrument {
    // The interlock events by their number 1..6 (their code in NUM_VIDOH less 0x80000000).
    static constexpr int kEvents = 6;

    int lifetime = 0;  // negative: the instrument information table does not know it
    int count = 0;
    QString first, last;
    int daysInUse = 0;
    int tests = 0;
    QStringList exceedances;
    int missing = 0;
    int interrupted = 0;
    int refusals = 0;
    int events[kEvents + 1] = {};
    QStringList exceedanceBlockings;
    QStringList eventBlockings;
};

class TConsReportEngine {
public:
    TConsReportEngine();
    ~TConsReportEngine();
    TConsReportEngine(const TConsReportEngine&) = delete;
    TConsReportEngine& operator=(const TConsReportEngine&) = delete;

    // The journal's connection and the instrument information table (neither owned; no table: every
    // instrument's lifetime is unknown and its norm 0).
    void SetDatabase(TADOConnection* connection, TDBInfoPribors* infoPribors);

    // The journal's first date; null when it has none, or none that reads as a date. Throws when the journal
    // cannot be read, as do the queries below.
    QDate FirstDate();
    // The instruments the journal holds records of, in the order the table gives them.
    std::vector<int> Instruments();

    // The days from..to, whole.
    static TConsPeriod DateRange(const QDate& from, const QDate& to);
    // The whole journal: its first and last dates (today for an empty journal). False when one of them is no
    // date, whose text then is in badDate.
    bool WholeJournal(TConsPeriod& period, QString& badDate);
    TConsInstrument Collect(int serial, const TConsPeriod& period);

    // Writes the head and the rows of each instrument into the workbook open in the client. A row that cannot
    // be written (past the sheet's last, say) is left out and counted, and the report goes on.
    void Write(TExcel& excel, const TConsPeriod& period, const std::vector<int>& serials);
    // The rows of the report last written, and how many of them were left out.
    int Rows() const { return Row - 1; }
    int LeftOut() const { return LeftOutRows; }

    // Lets go of the journal after a query that failed.
    void Close();

    // Every month counted as 30 days and every year as 365; -1 for a text that is no "yyyy.mm.dd ..." date.
    static int DayNumber(const QString& dateText);

private:
    void put(const QString& label, const QVariant& value = QVariant());
    void writeHead(const TConsPeriod& period);
    void writeInstrument(int serial, const TConsInstrument& s, int periodDays);

    std::unique_ptr<TADOQuery> ADOQuery;
    TDBInfoPribors* InfoPribors = nullptr;
    TExcel* Excel = nullptr;  // while a report is written
    int Row = 1;
    int LeftOutRows = 0;
};
