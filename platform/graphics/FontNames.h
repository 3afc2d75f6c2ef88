#pragma once
// Face names the program's forms and templates ask for (Tahoma, Arial, MS Sans Serif, Times New Roman,
// Courier New and their Cyrillic variants) map onto installed fonts of the same metrics; other names
// pass through to the font matcher unchanged.
#include <QString>

namespace gfx {

// The installed family drawn for a face name.
QString ResolveFontFamily(const QString& faceName);

} // namespace gfx
