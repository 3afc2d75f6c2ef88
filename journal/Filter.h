#pragma once
// The journal view filter held by each journal controller, and its translation into the conditions of the
// view query and into the description shown in the view caption.
#include <QString>

#include <cstdint>

class TADOQuery;

struct TFilter {
    QString Description;      // rebuilt by every view build
    int32_t DateMode = 0;     // 0 none, 1 today, 2 one day, 3 period
    QString FirstDay;         // "yyyy.mm.dd", for the description
    QString LastDay;
    QString From = QStringLiteral("0"); // "yyyy.mm.dd 00:00:00"; "0" unset
    QString To = QStringLiteral("0");   // "yyyy.mm.dd 23:59:59"
    uint8_t FamOn = 0;
    QString Fam = QStringLiteral("0");
    uint8_t PriborOn = 0;
    int32_t Pribor = 0;
    uint8_t MinMaxOn = 0;
    double Min = 0; // mg/l; 0 means no bound
    double Max = 0;
};

// Clears the conditions; description, first and last day stay as they are.
void ClearFilter(TFilter& filter);
// Date mode 1 with today's bounds (first and last day untouched).
void SetTodayFilter(TFilter& filter);

// What a view build made of a filter: the SQL conditions appended, and which parameters they use.
struct TViewConditions {
    bool UsesFam = false;    // :FAMp, the surname prefix with "%"
    bool UsesMin = false;    // :MinIzmp
    bool UsesMax = false;    // :MaxIzmp
};

// Appends the filter's conditions to `sql` and to the filter's description. `count` is the number of
// conditions already written (the first is joined with " WHERE", the others with " AND"); it grows by the
// conditions written. The surname is bound as a parameter, so any text (apostrophes included) is safe.
TViewConditions AppendFilterConditions(TFilter& filter, QString& sql, int& count);
// Sets the parameters the conditions use.
void SetFilterParameters(const TFilter& filter, const TViewConditions& used, TADOQuery& query);

// Day text "yyyy.mm.dd" of a date-time value, and the bounds built on it.
QString DayText(double dateTime);
