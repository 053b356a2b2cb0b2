#include "html5app.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    CHTML5App app;
    if (!app.InitInstance(QApplication::arguments().mid(1)))
        return 0;
    return QApplication::exec();
}
