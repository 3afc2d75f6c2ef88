#pragma once
#include <QString>

namespace sys {

// Moves the folder `from` into the folder `to` (it becomes to/<name of from>); `to` is created when
// missing. A rename when both lie on one file system, else a copy followed by deleting what was copied.
// When the target folder already exists the contents are merged; a file that exists on both sides is
// not overwritten and stays at its source. Names are matched regardless of letter case, as the work
// folder is read. A file leaves its source only after it is whole at the
// target, so nothing is lost when a move fails half-way. True when everything moved.
bool MoveFolder(const QString& from, const QString& to);

} // namespace sys
