#pragma once

// The subcommands of bolto-lesson. Each parses its own arguments, which start with the program
// and the command word ("bolto-lesson dump FILE"), and returns the exit code.

#include <QStringList>

int RunDump(const QStringList &arguments);
int RunPack(const QStringList &arguments);
int RunCheck(const QStringList &arguments);
int RunBuild(const QStringList &arguments);
int RunNew(const QStringList &arguments);
int RunInstall(const QStringList &arguments);
