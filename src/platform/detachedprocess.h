#pragma once

// Starts a program for the user that lives on by itself, such as the browser of Run. It gets
// its arguments, the given environment, the program's standard input, output and error, and no
// other descriptor: the web engine's sockets and shared memory would otherwise keep the engine's
// helper processes alive until that program ends. It runs in a session of its own, and nothing
// waits for it.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// 0 once the program runs, or the errno that kept it from starting.
int StartDetachedProgram(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &environment);
