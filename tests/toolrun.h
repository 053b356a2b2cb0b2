#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// One run of a command-line program: its exit code (-1 if it did not finish normally) and output.
struct ToolResult
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolResult RunTool(const QString &program, const QStringList &arguments,
                          const QString &workingDirectory)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.code = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
