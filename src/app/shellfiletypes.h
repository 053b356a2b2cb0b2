#pragma once

// The lesson file type as the desktop knows it: a shared-mime-info package (the type, its name
// and the *.blsh pattern), a desktop entry that opens a lesson by starting the program with the
// file's path, and the icon both show. All three live in the user's data folder
// ($XDG_DATA_HOME, by default ~/.local/share).

#include <QString>
#include <QStringList>

inline constexpr char kLessonMimeType[] = "application/x-bolto-document";

// The files that registration writes and removal deletes, in that order: the MIME package, the
// desktop entry, the icon.
QStringList ShellRegistrationFiles();

// Writes the three files for `program` (an absolute path) and refreshes the desktop's caches.
// Files that already hold the right content are left alone; anything that cannot be written is
// skipped without a word. Where an installed package provides the desktop entry and the MIME
// package in the system's data folders, nothing is written and the three files are removed.
void RegisterShellFileTypes(const QString &program);

// Whether the system's data folders ($XDG_DATA_DIRS) hold the package's desktop entry and MIME
// package.
bool SystemWideRegistration();

// Deletes exactly the files that registration writes and refreshes the caches. Nothing else
// (settings, recent lessons) is touched.
void UnregisterShellFileTypes();

// One argument of a desktop entry's Exec line, quoted where needed and escaped for the file.
QString DesktopExecArgument(const QString &argument);
