#ifndef ORVANE_WINDOW_SUPPORT_H
#define ORVANE_WINDOW_SUPPORT_H

// Shared by the in-process window tests: a probe into MainWindow, a catcher
// of message boxes, the entries of a list, and files beside the test program.

#include "direct_text.h"
#include "mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

class WindowProbe
{
public:
    static const QByteArray &fileData(const MainWindow &window) { return window.fileData; }
    static const QMap<QString, QByteArray> &cutCommands(const MainWindow &window) { return window.cutCommands; }
    static QByteArray buildDirectText(MainWindow &window) { return directText(window.jobFromWindow()); }
    static bool printing(const MainWindow &window) { return bool(window.printRun); }
    // Presses IMPRIMIR and lets the window run until the print has ended
    // and its message, if any, was answered.
    static void print(MainWindow &window)
    {
        window.on_imprimir_clicked();
        QElapsedTimer waited;
        waited.start();
        while (window.printRun && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

// Answers every message box that opens while it lives, recording its title
// and whether the busy cursor was on.
class ModalCatcher : public QObject
{
public:
    struct Box {
        QString title;
        bool busyCursor;
    };
    QList<Box> boxes;

    ModalCatcher()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes.append({box->windowTitle(), QApplication::overrideCursor() != nullptr});
                box->done(QMessageBox::Ok);
            }
        });
        timer.start(20);
    }

private:
    QTimer timer;
};

// The entries of a list, in order.
inline QStringList items(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// config.ini lives beside the program: each test program has its own folder.
inline QString configPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini");
}

inline void removeConfig()
{
    QFile::setPermissions(configPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(configPath());
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

// A file of `bytes` in `dir`, the same file each time.
inline QString fileWith(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("arquivo.txt"));
    writeFile(path, bytes);
    return path;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#endif
