#include "command.h"

#include "bolto.h"
#include "lessonfile.h"
#include "lessonfolder.h"
#include "lessonroots.h"
#include "toolio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {
bool writableDir(const QString &dir)
{
    return QFileInfo(dir).isDir() && ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
}

// Copies a file over its older copy; a fresh copy first, so a failure leaves the old one whole.
bool copyFile(const QString &from, const QString &to)
{
    const QString partial = to + ".part";
    QFile::remove(partial);
    if (!QDir().mkpath(QFileInfo(to).path()) || !QFile::copy(from, partial)) {
        PrintError(QString("%1: cannot write it").arg(to));
        return false;
    }
    QFile::remove(to);
    if (!QFile::rename(partial, to)) {
        PrintError(QString("%1: cannot write it").arg(to));
        QFile::remove(partial);
        return false;
    }
    return true;
}

bool copyTree(const QString &from, const QString &to)
{
    // Regular files only: a lesson from a stranger brings no links pointing elsewhere.
    QDirIterator it(from, QDir::Files | QDir::NoSymLinks | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!QFileInfo(file).isFile() || QFileInfo(file).isSymLink())
            continue;
        if (!copyFile(file, QDir(to).filePath(QDir(from).relativeFilePath(file))))
            return false;
    }
    return true;
}
} // namespace

int RunInstall(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Puts a lesson file and its lesson folder (the one next to it, named in the lesson)\n"
        "where the player finds them: next to the program when that folder can be written,\n"
        "else in the user's own lesson folder, which the player also searches.");
    parser.addPositionalArgument("LESSON", "the lesson file (.blsh), its folder beside it");
    const QCommandLineOption programDir(
        "program-dir", "the program's folder (default: this tool's folder)", "DIR");
    const QCommandLineOption userOption("user", "install in the user's own lesson folder");
    parser.addOption(programDir);
    parser.addOption(userOption);
    ProcessCommandArguments(parser, arguments, 1);
    const QString lessonPath = parser.positionalArguments().first();

    CBolto lesson;
    if (!LoadLessonForTool(lessonPath, lesson))
        return 1;
    const QString folder = LessonFolderPath(lesson.m_folderName);
    if (!IsBelowProgramDirectory(folder)) {
        PrintError(QString("%1: the lesson's folder \"%2\" is not below the program directory; "
                           "the player would refuse it")
                       .arg(lessonPath, folder));
        return 1;
    }
    const QString source = QDir(QFileInfo(lessonPath).absolutePath()).filePath(folder);
    if (!QFileInfo(source + "/html/index0.html").isFile()) {
        PrintError(QString("%1: no first page %2/html/index0.html next to the lesson file")
                       .arg(lessonPath, folder));
        return 1;
    }
    const QString program = parser.isSet(programDir) ? parser.value(programDir)
                                                     : QCoreApplication::applicationDirPath();
    const QString root =
        !parser.isSet(userOption) && writableDir(program) ? program : UserLessonRoot();
    if (!QDir().mkpath(root)) {
        PrintError(QString("%1: cannot create the folder").arg(root));
        return 1;
    }
    const QString target = QDir(root).filePath(QFileInfo(lessonPath).fileName());
    if (QFileInfo(target).absoluteFilePath() != QFileInfo(lessonPath).absoluteFilePath() &&
        (!copyTree(source, QDir(root).filePath(folder)) || !copyFile(lessonPath, target)))
        return 1;
    PrintOut(QString("%1 and %2/ installed in %3")
                 .arg(QFileInfo(lessonPath).fileName(), folder, QDir::cleanPath(root)));
    return 0;
}
