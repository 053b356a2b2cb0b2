#include "html5app.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The web view shares its graphics context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    CHTML5App app;
    if (!app.InitInstance(QApplication::arguments().mid(1)))
        return 0;
    return QApplication::exec();
}
