#pragma once
// The numbered texts of the report engine and its designer (53000..55347): captions, labels, band names,
// paper names and format names, all in one table.
#include <QString>

// The text of number id; empty for a number the table does not hold (55193 is empty on purpose).
QString rpLoadStr(int id);
