// The copy sound's player, a module of its own that the program opens on the first copy: Qt
// Multimedia and the audio libraries under it take milliseconds to load, which every start would
// pay before its first page.

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

// Plays the sample of the program's resources (registered by the program), from its start when
// it still sounds. False where no sound can play: the machine has no audio output, or the
// sample did not load.
extern "C" Q_DECL_EXPORT bool BoltoPlayCopySound()
{
    // Made once and kept: loading the sample once keeps later copies instant, and a machine
    // without audio output is not asked again.
    static QSoundEffect *const sound = []() -> QSoundEffect * {
        const QAudioDevice output = QMediaDevices::defaultAudioOutput();
        if (output.isNull())
            return nullptr;
        auto *effect = new QSoundEffect(output, QCoreApplication::instance());
        effect->setSource(QUrl(QStringLiteral("qrc:/sounds/copy.wav")));
        return effect;
    }();
    if (!sound || sound->status() == QSoundEffect::Error)
        return false;
    sound->stop();
    sound->play();
    return true;
}
