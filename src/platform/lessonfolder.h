#pragma once

// The lesson folder named in a lesson file, as the tutorial pane, Run, the preview and the lesson
// tool see it.

#include "qtcodepage.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <optional>

// The folder as a path relative to the program directory: decoded from code page 932, with '\'
// taken as a separator, as on the system lessons come from.
inline QString LessonFolderPath(std::string_view folderName)
{
    return FromCp932(folderName).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// Whether the folder name, as text, lies strictly below the directory it is relative to. The name
// comes from the lesson file: an absolute name, a NUL, or one that climbs out (or names the
// directory itself) is not. Links on disk are not looked at: ResolveLessonFolder does that.
inline bool IsBelowProgramDirectory(const QString &folder)
{
    if (folder.isEmpty() || folder.startsWith(QLatin1Char('/')) || folder.contains(QChar(0)))
        return false;
    const QString inside = QDir::cleanPath(folder);
    return inside != QLatin1String(".") && inside != QLatin1String("..") &&
           !inside.startsWith(QLatin1String("../"));
}

// A path with every link resolved, also when its last parts do not exist yet: the deepest part
// that exists is resolved and the rest appended. Empty for a relative path.
QString ResolvedPath(const QString &path);

// Whether `path` (resolved) lies strictly inside `folder` (resolved): not the folder itself.
bool IsStrictlyInside(const QString &resolvedPath, const QString &resolvedFolder);

// The one check every user of a lesson folder makes. `roots` are the folders lessons may live in,
// in order of preference (see lessonroots.h for the rule that picks them). The folder name is taken
// relative to each root; the answer is the resolved folder below the first root under which it
// exists (or below the first root when it exists under none), or nothing when the name or a link on
// its way leads outside that root or to the root itself: `..`, an absolute name, `self -> .`, a
// link elsewhere.
std::optional<QString> ResolveLessonFolder(const QString &folder, const QStringList &roots);
