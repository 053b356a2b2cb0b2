#pragma once

// The environment the user started the program with. The program sets variables for its own web
// engine (the sandbox switch, the engine's flags); programs started for the user, such as the
// browser of Run, get the user's environment without them.

#include <QProcessEnvironment>

// Keeps the environment as it is now; only the first call counts. The program calls it first
// thing, before it sets anything for itself.
void KeepUserEnvironment();

// The kept environment, or the current one when none was kept.
QProcessEnvironment UserEnvironment();
