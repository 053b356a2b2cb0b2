#include "command.h"

#include "pathbytes.h"
#include "toolio.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {
struct Command
{
    const char *name;
    const char *summary;
    int (*run)(const QStringList &arguments);
};

constexpr Command kCommands[] = {
    {"dump", "print a lesson file as JSON", RunDump},
    {"pack", "write a lesson file from JSON or from an authoring source", RunPack},
    {"check", "find faults in a lesson, its tutorial pages and its steps", RunCheck},
    {"build", "compute a lesson and its pages from a source folder of programs", RunBuild},
    {"new", "start a lesson source folder with one example step", RunNew},
    {"install", "put a lesson where the player finds it", RunInstall},
};

QString description()
{
    QString text = "Reads, writes and checks Bolto lesson files (.blsh).\n\nCommands:\n";
    for (const Command &command : kCommands)
        text += QString("  %1  %2\n").arg(QString(command.name), -7).arg(command.summary);
    text += "\nRun 'bolto-lesson COMMAND --help' for the arguments of a command.";
    return text;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("bolto-lesson");
    QCoreApplication::setApplicationVersion(BOLTO_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("command", "dump, pack, check, build, new or install",
                                 "COMMAND [ARGS...]");
    // Everything after the command word belongs to the command, its options included.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    // Arguments are read as bytes, so that file names that are not UTF-8 open as they are.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << PathFromBytes(QByteArray(argv[i]));
    parser.process(arguments);

    const QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        parser.showHelp(1);
    for (const Command &command : kCommands) {
        if (rest.first() == QLatin1String(command.name)) {
            QStringList commandArguments = rest;
            commandArguments.first() = QCoreApplication::applicationName() + ' ' + command.name;
            const int code = command.run(commandArguments);
            return FinishOutput() ? code : 1;
        }
    }
    std::fprintf(stderr, "bolto-lesson: unknown command '%s'; try --help\n",
                 qPrintable(rest.first()));
    return 1;
}
