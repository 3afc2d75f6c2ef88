#pragma once
// The texts of the prepared pages a report's preview shows (kept apart from the grid's names).
#include <QStringList>

class TrpReport;

// Page after page, in drawing order; empty when no preview shows the report's pages.
QStringList ShownTexts(TrpReport& report);
