#include "lessonroots.h"

#include "lessonfolder.h"
#include "texts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString UserLessonRoot()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QString::fromUtf8(Str::SettingsOrganization) + '/' +
                               QString::fromUtf8(Str::AppName) + "/lessons");
}

QString LessonRootFor(const QString &programDirectory, std::string_view folderName)
{
    QString program = programDirectory;
    if (!program.endsWith('/'))
        program += '/';
    const QString folder = LessonFolderPath(folderName);
    // The folder check applies to every root alike; a folder that climbs out stays with the
    // program directory, where the tutorial pane and Run refuse it as before.
    if (folder.isEmpty() || !IsBelowProgramDirectory(folder) || QFileInfo(program + folder).isDir())
        return program;
    const QString user = UserLessonRoot() + '/';
    return QFileInfo(user + folder).isDir() ? user : program;
}
