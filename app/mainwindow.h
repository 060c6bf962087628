#ifndef ORVANE_MAINWINDOW_H
#define ORVANE_MAINWINDOW_H

#include "file_argument.h"
#include "settings_location.h"

#include <QByteArray>
#include <QMainWindow>
#include <QMap>
#include <QString>

class QApplication;

namespace Ui {
class MainWindow;
}

// The program's one window: it holds the file to print, the paper-cut
// table and the form, and each of its operations lives in the folder of
// the subsystem it belongs to (settings/, printing/, ui/).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Fills the lists, applies the saved settings and reads the file.
    // True when the file could be opened.
    bool initialise(QApplication &application, const FileArgument &file);

private slots:
    void on_imprimir_clicked();
    void on_tamanho_fonte_valueChanged(int arg1);

private:
    void saveSettings();
    void loadCutCommands();
    void sendCutCommand(QString printerName);
    bool printPlainDocument(const QString &printerName);
    bool printHtmlDocument(const QString &printerName);
    bool printRawDocument(const QString &printerName);
    bool printToDirectPort();
    QByteArray buildDirectText();
    void showPreview();

    QString appDirPath;
    QString filePath;
    QByteArray fileData;
    QMap<QString, QByteArray> cutCommands;
    Ui::MainWindow *ui;
    SettingsFiles settingsFiles;
    // Why config.ini must not be written at exit (found in the file read at start).
    QString settingsProblem;

    friend class WindowProbe; // lets the in-process tests read the members
};

#endif
