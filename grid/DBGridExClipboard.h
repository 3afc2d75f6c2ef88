#pragma once
// The grid's edit actions through the desktop clipboard: copy puts the selection on it as tab-separated
// text, CSV, RTF and the grid's own "GRIDBIF" stream at once; paste takes "GRIDBIF" when present, else
// text; cut is copy and delete; delete removes the selected records or clears the selected cells.
// With the whole-grid flag an action applies to every record.
#include <QString>

class TCustomDBGridEx;

// The clipboard formats (MIME types on this platform). Texts are UTF-8 without a terminator.
extern const QString CF_GRIDBIF;
extern const QString CF_CSV;
extern const QString CF_RTF;
extern const QString CF_TEXT;

void DBGridEx_DoCopyAction(TCustomDBGridEx* grid, bool forWholeGrid);
void DBGridEx_DoCutAction(TCustomDBGridEx* grid, bool forWholeGrid);
void DBGridEx_DoPasteAction(TCustomDBGridEx* grid, bool forWholeGrid);
void DBGridEx_DoDeleteAction(TCustomDBGridEx* grid, bool forWholeGrid);
// Whether the clipboard holds data paste can take.
bool DBGridEx_ClipboardHasGridData();
