#include "command.h"

#include "bolto.h"
#include "fileerror.h"
#include "lessonfile.h"
#include "lessonjson.h"
#include "lessonsource.h"
#include "pathbytes.h"
#include "toolio.h"

#include <QCommandLineParser>

int RunPack(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Writes a lesson file from JSON: either the shape that dump prints, or an authoring\n"
        "source {\"folder\": ..., \"pages\": [{\"snippet\", \"kind\", \"line\", \"count\",\n"
        "\"program\"}, ...]} whose snippets get CR LF line ends (\"program\" is not stored).");
    parser.addPositionalArgument("JSON", "the lesson as JSON, or its authoring source");
    parser.addPositionalArgument(
        "OUT", "the lesson file to write (.blsh); a link is followed, anything but a file refused");
    ProcessCommandArguments(parser, arguments, 2);
    const QString input = parser.positionalArguments().at(0);
    const QString output = parser.positionalArguments().at(1);

    QJsonObject object;
    if (!ReadJsonObject(input, object))
        return 1;
    CBolto lesson;
    QString error;
    if (CLessonSource::IsSource(object)) {
        CLessonSource source;
        if (!source.Read(object, &error)) {
            PrintError(QString("%1: %2").arg(input, error));
            return 1;
        }
        source.FillLesson(lesson);
    } else if (!LessonFromJson(object, lesson, &error)) {
        PrintError(QString("%1: %2").arg(input, error));
        return 1;
    }

    const LessonFileStatus status = StoreLessonFile(PathToBytes(output).toStdString(), lesson);
    if (status.m_cause == LessonFileStatus::notRegularFile) {
        PrintError(QString("%1: not a regular file; left as it is").arg(output));
        return 1;
    }
    if (status.m_cause != LessonFileStatus::ok) {
        PrintError(FileErrorMessage(status.m_error, output));
        return 1;
    }
    return 0;
}
