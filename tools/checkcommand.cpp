#include "command.h"

#include "bolto.h"
#include "lessonchecker.h"
#include "lessonsource.h"
#include "toolio.h"

#include <QCommandLineParser>
#include <QFileInfo>

int RunCheck(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Reports faults of a lesson, one per line, and exits 1; prints \"OK: N pages\" and\n"
        "exits 0 when there are none. With --source, also compares the lesson with its\n"
        "authoring source and replays every step from an empty program against the source's\n"
        "\"program\" of each page.");
    parser.addPositionalArgument("FILE", "the lesson file (.blsh)");
    const QCommandLineOption programDir(
        "program-dir", "where the lesson folder lies (default: the folder of FILE)", "DIR");
    const QCommandLineOption sourceOption("source", "the lesson's authoring source", "SOURCE.json");
    parser.addOption(programDir);
    parser.addOption(sourceOption);
    ProcessCommandArguments(parser, arguments, 1);
    const QString path = parser.positionalArguments().first();

    CBolto lesson;
    if (!LoadLessonForTool(path, lesson))
        return 1;
    CLessonSource source;
    if (parser.isSet(sourceOption)) {
        QJsonObject object;
        if (!ReadJsonObject(parser.value(sourceOption), object))
            return 1;
        QString error;
        if (!CLessonSource::IsSource(object))
            error = "an authoring source needs \"pages\"";
        if (!error.isEmpty() || !source.Read(object, &error)) {
            PrintError(QString("%1: %2").arg(parser.value(sourceOption), error));
            return 1;
        }
    }

    CLessonChecker checker(lesson);
    checker.CheckLists();
    checker.CheckTutorialPages(parser.isSet(programDir) ? parser.value(programDir)
                                                        : QFileInfo(path).absolutePath());
    if (parser.isSet(sourceOption)) {
        checker.CompareWithSource(source);
        checker.ReplaySteps(source);
    }
    if (checker.Faults().isEmpty()) {
        PrintOut(QString("OK: %1 pages").arg(lesson.GetPageCount()));
        return 0;
    }
    for (const QString &line : checker.Faults())
        PrintOut(line);
    return 1;
}
