#pragma once
#include <QString>

#include <optional>

// The work folder: MyDocuments beside the program when it exists; else VELT in the user's documents folder
// (in the program's folder, after a message, when there is none), created with its parents, since a fresh
// account often has no documents folder yet. Throws std::runtime_error "Cannot create <folder> directory."
// when it cannot be made.
QString ResolveWorkDir(const QString& appDir, const std::optional<QString>& documents);

// A file of the work folder (or of the program's folder), found whatever the case of its name, as it
// would be on Windows; a file not there yet keeps the given spelling.
QString WorkFile(const QString& folder, const QString& name);

// From here on, every file and folder the process creates is its owner's only: the journal, photos, log
// and settings hold personal data, and the machine may be shared.
void PrivateFilesFromNowOn();

// Makes sure the program can keep its files in the work folder: throws std::runtime_error with a message
// for the user when the folder cannot be written (the program then ends). A folder that others may read
// is made its owner's only.
void CheckWorkDir(const QString& workDir);
