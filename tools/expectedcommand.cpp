#include "command.h"

#include "bolto.h"
#include "codepage.h"
#include "lessoncompare.h"
#include "toolio.h"

#include <QCommandLineParser>

#include <cstdio>

int RunExpected(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints the program a learner has after step N of the lesson, replayed from an empty\n"
        "program, as UTF-8 with the lesson's line breaks. N = 0 is the program before the first\n"
        "step, which is empty.");
    parser.addPositionalArgument("FILE", "the lesson file (.blsh)");
    parser.addPositionalArgument("N", "the number of steps, 0 to the number of pages");
    ProcessCommandArguments(parser, arguments, 2);
    const QString path = parser.positionalArguments().at(0);
    const QString number = parser.positionalArguments().at(1);

    bool ok = false;
    const int steps = number.toInt(&ok);
    if (!ok || steps < 0) {
        PrintError(QString("%1: N must be a number from 0 up, not '%2'").arg(path, number));
        return 1;
    }
    CBolto lesson;
    if (!LoadLessonForTool(path, lesson))
        return 1;
    if (steps > lesson.GetPageCount()) {
        PrintError(QString("%1: step %2 asked for, but the lesson has %3 pages")
                       .arg(path)
                       .arg(steps)
                       .arg(lesson.GetPageCount()));
        return 1;
    }
    const CExpectedPrograms programs(lesson);
    if (steps > programs.ReplayedPages()) {
        const int page = programs.ReplayedPages();
        const QString why = programs.GetStop() == CExpectedPrograms::tooLarge
                                ? QString("the programs grow too large to keep")
                                : QString(CLessonReplay::Describe(programs.PageResult()));
        PrintError(QString("%1: step %2 (page %3) cannot be replayed: %4")
                       .arg(path)
                       .arg(page + 1)
                       .arg(page)
                       .arg(why));
        return 1;
    }
    const std::u16string text = codepage::Cp932ToUtf16(programs.After(steps));
    const QByteArray bytes = QString::fromUtf16(text.data(), qsizetype(text.size())).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
