#pragma once

// Output and file reading shared by the commands. Text goes out as UTF-8.

#include <QJsonObject>
#include <QString>

class CBolto;

void PrintOut(const QString &line);
void PrintError(const QString &line);

// Flushes the standard output; when it cannot be written, says so on stderr and returns false.
bool FinishOutput();

// Loads a lesson file into `lesson`. On failure prints the path, the offset where loading stopped
// and the system's message to stderr, and returns false.
bool LoadLessonForTool(const QString &path, CBolto &lesson);

// Reads a JSON file whose top level is an object; on failure prints why and returns false.
bool ReadJsonObject(const QString &path, QJsonObject &object);

class QCommandLineParser;

// Parses a command's arguments: prints its help with the command in the usage line and exits 0
// on --help, prints the error and exits 1 on unknown options or a wrong number of arguments.
void ProcessCommandArguments(QCommandLineParser &parser, const QStringList &arguments,
                             qsizetype positionalCount);
