#include "sound.h"

#include "boltoresources.h"
#include "paths.h"
#include "qtcodepage.h"

#include <QApplication>
#include <QLibrary>

namespace {
int g_requests = 0;

using PlayFunction = bool (*)();

// The player module in the program's modules folder (copysound.cpp), opened on the first copy and
// kept. Null when it is missing.
PlayFunction player()
{
    static const PlayFunction play = [] {
        QLibrary library(FromPath(ProgramDirectory()) + QStringLiteral("modules/bolto_sound"));
        return reinterpret_cast<PlayFunction>(library.resolve("BoltoPlayCopySound"));
    }();
    return play;
}
} // namespace

void PlayCopySound()
{
    ++g_requests;
    // The sample is among the program's resources.
    InitBoltoResources();
    const PlayFunction play = player();
    // A copy while the chime still sounds starts it from the beginning.
    if (!play || !play())
        QApplication::beep();
}

int CopySoundRequests()
{
    return g_requests;
}
