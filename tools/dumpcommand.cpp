#include "command.h"

#include "bolto.h"
#include "lessonjson.h"
#include "toolio.h"

#include <QCommandLineParser>

#include <cstdio>

int RunDump(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints a lesson file as JSON, in file order: texts, kinds, arrowLines, arrowCounts,\n"
        "folder. Strings are decoded from code page 932; a string whose bytes are not exact\n"
        "code page 932 is written as {\"hex\": \"<its bytes>\"}.");
    parser.addPositionalArgument("FILE", "the lesson file (.blsh)");
    ProcessCommandArguments(parser, arguments, 1);

    CBolto lesson;
    if (!LoadLessonForTool(parser.positionalArguments().first(), lesson))
        return 1;
    const QByteArray json = LessonToJson(lesson);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return 0;
}
