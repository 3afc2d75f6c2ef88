#pragma once
// The one place where file names in the work folder are looked up. Windows finds "Base.DBF" when the
// file is "BASE.DBF"; journals copied from there keep such mixed names, so every look-up ignores case.
#include <QString>

namespace rtl {

// The existing path that equals `path` when case is ignored in each component, preferring an exact
// match; components that match nothing are kept as given (so a file about to be created gets the
// caller's spelling).
QString resolveCaseInsensitive(const QString& path);

// Whether a file or folder exists under any case of its name.
bool existsCaseInsensitive(const QString& path);

} // namespace rtl
