#include "sound.h"

#include "boltoresources.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {
int g_requests = 0;

// Created on first use and kept: loading the sample once keeps later copies instant. Null when
// the machine has no audio output at all (a server, a test run), so nothing keeps retrying.
QSoundEffect *copySound()
{
    static QSoundEffect *effect = [] {
        InitBoltoResources();
        const QAudioDevice output = QMediaDevices::defaultAudioOutput();
        if (output.isNull())
            return static_cast<QSoundEffect *>(nullptr);
        auto *sound = new QSoundEffect(output, qApp);
        sound->setSource(QUrl(QStringLiteral("qrc:/sounds/copy.wav")));
        return sound;
    }();
    return effect;
}
} // namespace

void PlayCopySound()
{
    ++g_requests;
    QSoundEffect *sound = copySound();
    if (!sound || sound->status() == QSoundEffect::Error) {
        QApplication::beep();
        return;
    }
    // A copy while the chime still sounds starts it from the beginning.
    sound->stop();
    sound->play();
}

int CopySoundRequests()
{
    return g_requests;
}
