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
    // Written a piece at a time: the lesson and its whole JSON text never exist side by side.
    const bool written = WriteLessonJson(lesson, [](const QByteArray &piece) {
        return std::fwrite(piece.constData(), 1, size_t(piece.size()), stdout) ==
               size_t(piece.size());
    });
    return written ? 0 : 1;
}
