#pragma once

// The lesson folder named in a lesson file, as the tutorial pane, Run and the lesson tool see it.

#include "qtcodepage.h"

#include <QDir>
#include <QString>

// The folder as a path relative to the program directory: decoded from code page 932, with '\'
// taken as a separator, as on the system lessons come from.
inline QString LessonFolderPath(std::string_view folderName)
{
    return FromCp932(folderName).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// Whether the folder lies strictly below the program directory. The name comes from the lesson
// file: an absolute name, a NUL, or one that climbs out (or names the directory itself) is not.
inline bool IsBelowProgramDirectory(const QString &folder)
{
    if (folder.isEmpty() || folder.startsWith(QLatin1Char('/')) || folder.contains(QChar(0)))
        return false;
    const QString inside = QDir::cleanPath(folder);
    return inside != QLatin1String(".") && inside != QLatin1String("..") &&
           !inside.startsWith(QLatin1String("../"));
}
