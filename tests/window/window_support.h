#ifndef ORVANE_WINDOW_SUPPORT_H
#define ORVANE_WINDOW_SUPPORT_H

// Shared by the in-process window tests: a probe into MainWindow, a catcher
// for modal message boxes, and files beside the test program.

#include "mainwindow.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

class WindowProbe
{
public:
    static const QByteArray &fileData(const MainWindow &window) { return window.fileData; }
    static const QMap<QString, QByteArray> &cutCommands(const MainWindow &window) { return window.cutCommands; }
    static QByteArray buildDirectText(MainWindow &window) { return window.buildDirectText(); }
    static void saveSettings(MainWindow &window) { window.saveSettings(); }
    static void print(MainWindow &window) { window.on_imprimir_clicked(); }
};

// Records every modal message box that opens while it lives and answers it
// with its default action, so no test waits on a box nobody sees.
class ModalCatcher : public QObject
{
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        bool busyCursor; // the application's busy cursor was on
    };

    ModalCatcher()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start();
    }

    QList<Box> boxes;

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes.append({box->windowTitle(), box->text(), box->icon(),
                          QApplication::overrideCursor() != nullptr});
            box->done(QMessageBox::Ok);
        } else if (modal) {
            modal->close();
        }
    }

    QTimer timer;
};

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

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

#endif
