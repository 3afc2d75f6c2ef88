#pragma once
// What the program asks of the system about itself and its user.
#include <QString>
#include <functional>
#include <optional>

namespace sys {

// The user's documents folder (XDG), or nothing when it cannot be determined.
// The folder may not exist yet.
std::optional<QString> DocumentsFolder();

// Login name of the user the program runs as.
QString UserName();

// The program's file version ("1.2.3.4"); "No" when the program carries none.
QString AppVersion();

// Starts the desktop's program for the file (xdg-open) without waiting for it; false when the opener could not
// be started. The opener ends with an error when it finds no program for the file (or the program it ran
// failed): `failed`, when given, then runs on the main thread with the opener's exit code.
bool OpenWithProgram(const QString& path, std::function<void(int exitCode)> failed = {});

} // namespace sys
