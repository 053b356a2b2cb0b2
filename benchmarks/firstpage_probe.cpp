// Loaded into the real program with LD_PRELOAD by the start-up row of `make bench`, so the program
// carries nothing for it: once the tutorial pane has loaded its first page, it prints
//   firstpage <CLOCK_MONOTONIC ns> <window width> <window height> <page URL>
// and quits the program. The engine's own processes do not inherit it.

#include "firstpage.h"

#include <QApplication>
#include <QTimer>
#include <QWebEngineView>

namespace {
class FirstPageProbe : public QObject
{
public:
    using QObject::QObject;

protected:
    // The pane is caught by the first event it gets, as it makes its children.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->inherits("CHTML5View"))
            return QObject::eventFilter(watched, event);
        qApp->removeEventFilter(this);
        auto *view = static_cast<QWebEngineView *>(watched);
        connect(view, &QWebEngineView::loadFinished, this, [this, view](bool ok) {
            const QSize size = view->window()->size();
            PrintFirstPage(" " + QByteArray::number(size.width()) + ' ' +
                           QByteArray::number(size.height()) + ' ' +
                           (ok ? view->url().toEncoded() : QByteArrayLiteral("failed")));
            disconnect(view, nullptr, this, nullptr);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });
        return false;
    }
};

void startProbe()
{
    qunsetenv("LD_PRELOAD");
    if (qobject_cast<QApplication *>(qApp))
        qApp->installEventFilter(new FirstPageProbe(qApp));
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(startProbe)
