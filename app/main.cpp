#include "mainwindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // A window of widgets needs no OpenGL: loading the driver would double
    // the start-up time and the memory on a till without a graphics card.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

    QApplication application(argc, argv);
    // Names the user's settings folder, whatever the program file is
    // called: ~/.config/orvane, %LOCALAPPDATA%\Orvane.
#ifdef Q_OS_WIN
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
#else
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
#endif
    MainWindow window;

    // QApplication has taken its own options out of argv.
    const FileArgument file = FileArgument::fromCommandLine(argc, argv);

    int status;
    if (window.initialise(application, file)) {
        window.show();
        status = application.exec();
    } else {
        window.close();
        // The calling program must be able to tell that nothing was printed.
        status = 1;
    }
    return status;
}
