// Loaded into the real program with LD_PRELOAD by the start-up row of `make bench`, so the program
// carries nothing for it: once the tutorial pane has loaded its first page, it prints
//   firstpage <CLOCK_MONOTONIC ns> <window width> <window height> <page URL>
// and quits the program. The engine's own processes do not inherit it.

#include <QApplication>
#include <QTimer>
#include <QWebEngineView>

#include <cstdio>
#include <ctime>

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
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            const QSize size = view->window()->size();
            std::printf("firstpage %lld %d %d %s\n",
                        static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                        size.width(), size.height(),
                        ok ? view->url().toEncoded().constData() : "failed");
            std::fflush(stdout);
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
