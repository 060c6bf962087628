#ifndef ORVANE_MAINWINDOW_H
#define ORVANE_MAINWINDOW_H

#include "file_argument.h"
#include "framed_ahead.h"
#include "job_choices.h"
#include "list_settings.h"
#include "settings_location.h"

#include <QByteArray>
#include <QMainWindow>
#include <QMap>
#include <QString>

#include <chrono>
#include <memory>

class QApplication;
class QLabel;
class QTimer;
struct PrintRun;

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

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_imprimir_clicked();
    void on_tamanho_fonte_valueChanged(int arg1);
    void watchPrint();

private:
    void saveSettings();
    void loadCutCommands();
    PrintJob jobFromWindow() const;
    bool printerChosen();
    void finishPrint(bool printed, const QString &problem = QString());
    void showPreview();
    void showReceiptProblem();

    QString appDirPath;
    QString filePath;
    QByteArray fileData;
    QMap<QString, QByteArray> cutCommands;
    Ui::MainWindow *ui;
    SettingsFiles settingsFiles;
    ListSettings listSettings;
    // Why config.ini must not be written at exit (found in the file read at start).
    QString settingsProblem;
    // The print under way, run on a thread of its own; none when idle.
    std::shared_ptr<PrintRun> printRun;
    QTimer *printWatch;
    // Where the preview tells of a tag that cannot be carried out.
    QLabel *receiptStatus = nullptr;
    // The raw roads' text, framed while the window waits for the press.
    FramedAhead framedAhead;

    friend class WindowProbe; // lets the in-process tests read the members
};

// Waits up to `grace` for the threads still printing (one the window gave
// up on, or one running when the window closed); true when some remain.
bool printThreadsRunning(std::chrono::milliseconds grace);

#endif
