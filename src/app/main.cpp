#include "html5app.h"
#include "pathbytes.h"
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
    // The arguments Qt left, read as bytes: a lesson name that is not UTF-8 still opens.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << PathFromBytes(QByteArray(argv[i]));
    CHTML5App app;
    if (!app.InitInstance(arguments))
        return 0;
    return QApplication::exec();
}
