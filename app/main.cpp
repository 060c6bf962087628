#include "device_status_watch.h"
#include "mainwindow.h"
#include "output_streams.h"
#include "password_prompt.h"
#include "printer_state_watch.h"
#include "stale_jobs.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#ifndef Q_OS_WIN
#include <csignal>
#endif

int main(int argc, char **argv)
{
    // A window of widgets needs no OpenGL: loading the driver would double
    // the start-up time and the memory on a till without a graphics card.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

#ifndef Q_OS_WIN
    // A port or FIFO whose reader goes away fails the write; it must not
    // end the program before the operator is told.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    keepOutputFromBlocking();
    // The terminal a till program started us from is never asked for a
    // print server's password.
    refusePasswordPrompts();

    QApplication application(argc, argv);
    // Names the user's settings folder, whatever the program file is
    // called: ~/.config/orvane, %LOCALAPPDATA%\Orvane.
#ifdef Q_OS_WIN
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
#else
    QCoreApplication::setApplicationName(QStringLiteral("orvane"));
#endif
    // Jobs that a killed run of the program left held are cancelled, on a
    // thread of their own: the window does not wait for the spooler.
    startCancellingJobsLeftBehind();

    int status;
    {
        MainWindow window;

        // QApplication has taken its own options out of argv.
        const FileArgument file = FileArgument::fromCommandLine(argc, argv);

        if (window.initialise(application, file)) {
            window.show();
            status = application.exec();
        } else {
            window.close();
            // The calling program must be able to tell that nothing was printed.
            status = 1;
        }
    } // the settings are saved here

    // A print given up on may have left its job held where the scheduler
    // did not tell us of it: cancelled now, or by the next start.
    cancelJobsThisRunLeft(3000);

    // Closing never waits for a print that hangs in a spooler or a port: a
    // moment to cancel what it started, then the program ends without it.
    // Nor for a question about the printer's state: it changes nothing.
    if (printThreadsRunning(std::chrono::seconds(3)) || printerStateQueriesRunning()
        || deviceStatusQueriesRunning()
        || cancellingJobsLeftBehind()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
