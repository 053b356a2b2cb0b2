#include "html5app.h"
#include "userenvironment.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // Before the program sets anything for itself: what Run's browser gets.
    KeepUserEnvironment();
    // The web engine refuses to start its sandbox for root; a learner's machine or a container
    // running as root would otherwise show an empty tutorial pane.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The web view shares its graphics context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    CHTML5App app;
    if (!app.InitInstance(QApplication::arguments().mid(1)))
        return 0;
    return QApplication::exec();
}
