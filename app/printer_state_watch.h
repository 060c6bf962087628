#ifndef ORVANE_PRINTER_STATE_WATCH_H
#define ORVANE_PRINTER_STATE_WATCH_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLabel;
class QStatusBar;
class QTimer;

// Follows the spooler while the window is open: which printers it offers
// (printersListed) and the chosen printer's state, shown in a label of its
// own in the window's status bar. The spooler is asked on a thread of its
// own, one question at a time, so a spooler that does not answer never
// holds the window. Each new state text is also a diagnostics line
// "estado da impressora: NAME: TEXT".
class PrinterStateWatch : public QObject
{
    Q_OBJECT

public:
    explicit PrinterStateWatch(QStatusBar *bar);
    ~PrinterStateWatch() override;

    // From now on the state of this printer; none shown for an empty name.
    // The printers are listed whatever the name.
    void watch(const QString &printerName);

    // Waits up to `limitMs` for the answer to the question under way, and
    // takes it when it came: the list and the state before the window shows.
    void awaitAnswer(int limitMs);

signals:
    // The printers the spooler offers now, each time it answers.
    void printersListed(const QStringList &names);

private:
    struct Query;

    void startQuery();
    void collect();
    void show(const QString &text);

    QLabel *label;
    // Looks for the answer of the question under way.
    QTimer *poll;
    // The pause between one answer and the next question.
    QTimer *pause;
    QString printer;
    QString shown;
    std::shared_ptr<Query> query;
    QElapsedTimer asked;
};

// Whether a state question is still under way on its thread, one the
// window no longer waits for included. The program does not wait for it
// at exit.
bool printerStateQueriesRunning();

#endif
