#pragma once
// The act record of "default": one journal row of its 11-column table as the act window shows and edits
// it (ID, PRIBOR, DATA_IZM, OBSL_FAM, OBSL_NAME, OBSL_PAT, IZM, STAT, OPER, NUM_VIDOH, PAGE_FOOT). Texts
// hold at most the widths of their table columns.
#include "journal/JournalRecord.h"

struct TDataForm : TJournalRecord {};
