#include "mainwindow.h"

#include <QApplication>
#include <QString>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    MainWindow window;

    // QApplication has taken its own options out of argv; argv[argc] is null.
    const QString path = argc > 1 ? QString::fromUtf8(argv[1]) : QString();

    int status;
    if (window.initialise(application, path)) {
        window.show();
        status = application.exec();
    } else {
        window.close();
        // The calling program must be able to tell that nothing was printed.
        status = 1;
    }
    return status;
}
