#ifndef ORVANE_DEVICE_STATUS_WATCH_H
#define ORVANE_DEVICE_STATUS_WATCH_H

#include <QObject>
#include <QString>

#include <memory>

class QLabel;
class QStatusBar;
class QTimer;

// Follows what the "escrita direta" printer says of itself (no paper, cover
// open...) while the window is open, on a port that answers: a network
// printer, a serial line, a USB printer device. It is asked when the window
// opens and every few seconds, on a thread of its own, and shown in a label
// of its own in the status bar; each new text is also a diagnostics line
// "estado da impressora: TARGET: TEXT". Nothing is shown for a file or an
// LPT port, nor on the other levels.
class DeviceStatusWatch : public QObject
{
    Q_OBJECT

public:
    explicit DeviceStatusWatch(QStatusBar *bar);
    ~DeviceStatusWatch() override;

    // From now on the printer on `target` when `level` is "escrita direta".
    void watch(const QString &level, const QString &target);

private:
    struct Query;

    void startQuery();
    void collect();
    void show(const QString &text);

    QLabel *label;
    QTimer *poll;
    QTimer *pause;
    // The target followed; empty when none answers.
    QString target;
    QString shown;
    std::shared_ptr<Query> query;
};

// Whether a status question is still under way on its thread.
bool deviceStatusQueriesRunning();

#endif
