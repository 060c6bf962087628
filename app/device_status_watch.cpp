#include "device_status_watch.h"

#include "device_status.h"
#include "port_target.h"

#include <QDebug>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include <atomic>
#include <system_error>
#include <thread>

// One round of questions, shared by the window and the thread that asks.
struct DeviceStatusWatch::Query {
    QString target;
    PortTarget parsed;
    DeviceStatus status;
    std::atomic<bool> answered{false};
};

namespace {

std::atomic<int> queriesRunning{0};

// A printer is asked again a few seconds after each answer: often enough to
// see the roll run out before the next receipt, seldom enough not to hold a
// printer that takes one client at a time.
const int pauseMs = 3000;
const int pollMs = 50;

} // namespace

DeviceStatusWatch::DeviceStatusWatch(QStatusBar *bar)
    : QObject(bar)
    , label(new QLabel(bar))
    , poll(new QTimer(this))
    , pause(new QTimer(this))
{
    label->setObjectName(QStringLiteral("estadoDispositivo"));
    label->setMinimumWidth(1);
    bar->addPermanentWidget(label);
    poll->setInterval(pollMs);
    connect(poll, &QTimer::timeout, this, &DeviceStatusWatch::collect);
    pause->setSingleShot(true);
    pause->setInterval(pauseMs);
    connect(pause, &QTimer::timeout, this, &DeviceStatusWatch::startQuery);
}

DeviceStatusWatch::~DeviceStatusWatch() = default;

void DeviceStatusWatch::watch(const QString &level, const QString &targetText)
{
    QString next;
    if (level == QLatin1String("escrita direta")
        && deviceCanAnswer(parsePortTarget(targetText.toLocal8Bit().toStdString())))
        next = targetText;
    if (next == target)
        return;
    target = next;
    pause->stop();
    show(QString());
    // A question under way is about the target before: its answer starts
    // the next one.
    if (!query && !target.isEmpty())
        startQuery();
}

void DeviceStatusWatch::startQuery()
{
    if (target.isEmpty())
        return;
    auto next = std::make_shared<Query>();
    next->target = target;
    next->parsed = parsePortTarget(target.toLocal8Bit().toStdString());
    ++queriesRunning;
    try {
        std::thread([next] {
            next->status = queryDeviceStatus(next->parsed);
            next->answered.store(true);
            --queriesRunning;
        }).detach();
    } catch (const std::system_error &) {
        --queriesRunning;
        pause->start();
        return;
    }
    query = next;
    poll->start();
}

void DeviceStatusWatch::collect()
{
    if (!query || !query->answered.load())
        return;
    poll->stop();
    const std::shared_ptr<Query> done = std::move(query);
    if (done->target != target) {
        startQuery();
        return;
    }
    // A line a print holds was not asked: what was shown stays.
    if (done->status.reply != DeviceStatus::Reply::busy)
        show(QString::fromStdString(deviceStatusText(done->status)));
    pause->start();
}

void DeviceStatusWatch::show(const QString &text)
{
    if (text == shown)
        return;
    shown = text;
    label->setText(text);
    label->setToolTip(text);
    if (!text.isEmpty())
        qDebug().noquote() << QStringLiteral("estado da impressora: %1: %2").arg(target, text);
}

bool deviceStatusQueriesRunning()
{
    return queriesRunning.load() > 0;
}
