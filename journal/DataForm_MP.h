#pragma once
// The act record of "default_mp": one journal row as the act window shows and edits it. Texts hold at most
// the widths of their table columns (the act window's edits take no more).
#include "journal/JournalRecord.h"

struct TDataForm_MP : TJournalRecord {
    QChar flag;              // '1' or '0' from the measurement; not stored
    int32_t RowNumber = 0;   // the view's row number of the act's record
};
