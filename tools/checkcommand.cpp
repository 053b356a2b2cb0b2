#include "command.h"

#include "bolto.h"
#include "jsontext.h"
#include "lessonchecker.h"
#include "lessonsource.h"
#include "qtcodepage.h"
#include "sourcefolder.h"
#include "toolio.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {
// An authoring source: a folder of programs, or a JSON source with "pages". On failure prints
// every fault found and returns false.
bool readSource(const QString &path, CLessonSource &source)
{
    if (CSourceFolder::IsSourceFolder(path)) {
        CSourceFolder folder;
        if (!folder.Read(path)) {
            for (const QString &fault : folder.Faults())
                PrintOut(QString("%1/%2").arg(QDir::cleanPath(path), fault));
            return false;
        }
        source = folder.ToSource();
        return true;
    }
    QJsonObject object;
    if (!ReadJsonObject(path, object))
        return false;
    QString error;
    if (!CLessonSource::IsSource(object))
        error = "an authoring source needs \"pages\", or is a folder with lesson.json";
    if (!error.isEmpty() || !source.Read(object, &error)) {
        PrintOut(QString("%1: %2").arg(path, error));
        return false;
    }
    return true;
}
} // namespace

int RunCheck(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Reports faults of a lesson, one per line with its cause, and exits 1; prints\n"
        "\"OK: N pages\" and exits 0 when there are none. FILE is a lesson file, or a lesson\n"
        "source (a folder of programs or a JSON source), which is then built and checked.\n"
        "With a source, every step is replayed from an empty program and compared with the\n"
        "source's program; without programs the check is reported as partial. Steps are named\n"
        "as the learner sees them: \"ステップ n / N\".");
    parser.addPositionalArgument("FILE", "the lesson file (.blsh) or its source");
    const QCommandLineOption programDir(
        "program-dir", "where the lesson folder lies (default: the folder of FILE)", "DIR");
    const QCommandLineOption sourceOption(
        "source", "the lesson's source: a folder of programs or a JSON source", "SOURCE");
    parser.addOption(programDir);
    parser.addOption(sourceOption);
    ProcessCommandArguments(parser, arguments, 1);
    const QString path = parser.positionalArguments().first();

    CBolto lesson;
    CLessonSource source;
    bool haveSource = false;
    QString pagesDir = parser.value(programDir);
    const bool fileIsSource = QFileInfo(path).isDir() || path.endsWith(".json");
    if (fileIsSource) {
        if (!readSource(path, source))
            return 1;
        source.FillLesson(lesson);
        haveSource = true;
        // The pages of a source folder are where build puts them.
        if (pagesDir.isEmpty())
            pagesDir = QFileInfo(path).isDir() ? QDir(path).filePath("build")
                                               : QFileInfo(path).absolutePath();
    } else if (!LoadLessonForTool(path, lesson)) {
        return 1;
    }
    if (parser.isSet(sourceOption)) {
        if (!readSource(parser.value(sourceOption), source))
            return 1;
        haveSource = true;
    }
    if (pagesDir.isEmpty())
        pagesDir = QFileInfo(path).absolutePath();

    CLessonChecker checker(lesson);
    checker.CheckLists();
    checker.CheckSnippets();
    // A source folder's pages come from the same source; check them once built.
    const bool unbuilt =
        QFileInfo(path).isDir() && !parser.isSet(programDir) &&
        !QFileInfo(QDir(pagesDir).filePath(FromCp932(lesson.m_folderName) + "/html")).isDir();
    if (!unbuilt) {
        checker.CheckTutorialPages(pagesDir);
        checker.CheckPageContents(pagesDir);
    }
    if (haveSource) {
        if (!fileIsSource)
            checker.CompareWithSource(source);
        checker.ReplaySteps(source);
    } else {
        checker.ReplaySteps(CLessonSource::WithoutPrograms(lesson));
    }
    if (checker.Faults().isEmpty()) {
        if (!checker.Partial().isEmpty())
            PrintOut(QString("checked partially: %1 pages; %2")
                         .arg(lesson.GetPageCount())
                         .arg(checker.Partial()));
        else
            PrintOut(QString("OK: %1 pages").arg(lesson.GetPageCount()));
        return 0;
    }
    for (const QString &line : checker.Faults())
        PrintOut(line);
    return 1;
}
