// The baseline of the start-up row of `make bench`: a web view and nothing else, at the given
// window size, loading one page; prints the CLOCK_MONOTONIC time its load finished, in ns, as
//   firstpage <ns>
// and quits. Its application takes the one attribute the program sets for its web views.
//
//   bolto-bare-webview URL WIDTH HEIGHT

#include "firstpage.h"

#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: bolto-bare-webview URL WIDTH HEIGHT\n");
        return 2;
    }
    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [&](bool ok) {
        PrintFirstPage(ok ? "" : " failed");
        QCoreApplication::quit();
    });
    view.resize(args[2].toInt(), args[3].toInt());
    view.show();
    view.load(QUrl(args[1]));
    return QApplication::exec();
}
