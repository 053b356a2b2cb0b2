// Loaded into the real program with LD_PRELOAD by the progress tests, it stands in for the
// learner's hands: once a lesson's window shows, it types BOLTO_TYPIST_TEXT into the editor and
// then writes the file BOLTO_TYPIST_DONE, so the test knows when the last key went in.

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace {
void typeInto(QWidget *editor, const QString &text)
{
    for (const QChar c : text) {
        const bool newline = c == QLatin1Char('\n');
        const int key = newline ? int(Qt::Key_Return) : 0;
        const QString typed = newline ? QStringLiteral("\r") : QString(c);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
        QApplication::sendEvent(editor, &release);
    }
}

void startTyping()
{
    const QString text = qEnvironmentVariable("BOLTO_TYPIST_TEXT");
    const QString done = qEnvironmentVariable("BOLTO_TYPIST_DONE");
    if (text.isEmpty() || done.isEmpty() || !qobject_cast<QApplication *>(qApp))
        return;
    auto *timer = new QTimer(qApp);
    timer->setInterval(200);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, text, done] {
        for (QWidget *widget : QApplication::allWidgets()) {
            if (!widget->inherits("CProgrammingView") || !widget->isVisible() ||
                !widget->window()->windowTitle().contains(QStringLiteral(".blsh")))
                continue;
            timer->stop();
            typeInto(widget, text);
            QFile marker(done);
            if (marker.open(QIODevice::WriteOnly))
                marker.write("typed");
            return;
        }
    });
    timer->start();
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(startTyping)
