#include "printer_state_watch.h"

#include "print_control.h"
#include "printer_names.h"
#include "printer_state.h"

#include <QDebug>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include <atomic>
#include <string>
#include <system_error>
#include <thread>

// One question to the spooler, shared by the window and the thread that asks.
struct PrinterStateWatch::Query {
    QString printer;
    std::string name;
    PrintControl control;
    PrinterNames names;
    PrinterState state;
    std::atomic<bool> answered{false};
};

namespace {

std::atomic<int> queriesRunning{0};

// A new question a second after each answer: the state is never older than
// about that, and the spooler is not kept busy.
const int pauseMs = 1000;
const int pollMs = 50;
// A question that cannot be bounded (a Windows spooler call) and has had no
// answer for this long is shown as one: the same patience as for a print.
const qint64 patienceMs = (PrintControl::defaultNoAnswerLimit + std::chrono::seconds(2)).count();
// The first state of a printer is due sooner: the window shows about now,
// and the operator must see at once that the scheduler is silent. The
// question goes on, and its answer, when it comes, replaces the text.
const qint64 firstStatePatienceMs = 2000;

QString noAnswerText()
{
    PrinterState state;
    state.reply = PrinterState::Reply::noAnswer;
    return QString::fromStdString(printerStateText(state));
}

} // namespace

PrinterStateWatch::PrinterStateWatch(QStatusBar *bar)
    : QObject(bar)
    , label(new QLabel(bar))
    , poll(new QTimer(this))
    , pause(new QTimer(this))
{
    label->setObjectName(QStringLiteral("estadoImpressora"));
    // A long message from the spooler is cut, not a reason to widen the window.
    label->setMinimumWidth(1);
    bar->addPermanentWidget(label);
    // The form's status bar is disabled, which would grey the text out.
    bar->setEnabled(true);
    poll->setInterval(pollMs);
    connect(poll, &QTimer::timeout, this, &PrinterStateWatch::collect);
    pause->setSingleShot(true);
    pause->setInterval(pauseMs);
    connect(pause, &QTimer::timeout, this, &PrinterStateWatch::startQuery);
}

PrinterStateWatch::~PrinterStateWatch()
{
    // The thread ends at its next look at the control; nobody waits for it.
    if (query)
        query->control.abandon();
}

void PrinterStateWatch::watch(const QString &printerName)
{
    if (printerName == printer && (query || pause->isActive()))
        return;
    printer = printerName;
    pause->stop();
    // What is shown belongs to the printer chosen before.
    show(QString());
    // A question under way is about that printer: its answer starts the next one.
    if (!query)
        startQuery();
}

void PrinterStateWatch::startQuery()
{
    auto next = std::make_shared<Query>();
    next->printer = printer;
    next->name = printer.toLocal8Bit().toStdString();
    ++queriesRunning;
    try {
        std::thread([next] {
            next->names = listPrinters(&next->control);
            // A spooler that did not answer the list would not answer this.
            if (!next->name.empty())
                next->state = next->names.answered ? queryPrinterState(next->name.c_str(), &next->control)
                                                   : PrinterState::withReply(PrinterState::Reply::noAnswer);
            next->answered.store(true);
            --queriesRunning;
        }).detach();
    } catch (const std::system_error &) {
        // No thread to be had now: ask again after the pause.
        --queriesRunning;
        pause->start();
        return;
    }
    query = next;
    asked.start();
    poll->start();
}

void PrinterStateWatch::collect()
{
    if (!query) {
        poll->stop();
        return;
    }
    if (!query->answered.load()) {
        const qint64 patience = shown.isEmpty() ? firstStatePatienceMs : patienceMs;
        if (asked.elapsed() >= patience && query->printer == printer)
            show(noAnswerText());
        return;
    }
    poll->stop();
    const std::shared_ptr<Query> done = std::move(query);
    if (done->printer != printer) {
        startQuery();
    } else {
        if (!printer.isEmpty())
            show(QString::fromStdString(printerStateText(done->state)));
        pause->start();
    }
    // Last: the list may shift the chosen entry, and the window then asks
    // again for the printer it already follows, which changes nothing now.
    if (done->names.answered) {
        QStringList names;
        for (const std::string &name : done->names.names)
            names.append(QString::fromLocal8Bit(name.c_str()));
        emit printersListed(names);
    }
}

void PrinterStateWatch::awaitAnswer(int limitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (query && !query->answered.load() && waited.elapsed() < limitMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (query && query->answered.load())
        collect();
}

void PrinterStateWatch::show(const QString &text)
{
    if (text == shown)
        return;
    shown = text;
    label->setText(text);
    label->setToolTip(text);
    if (!text.isEmpty())
        qDebug().noquote() << QStringLiteral("estado da impressora: %1: %2").arg(printer, text);
}

bool printerStateQueriesRunning()
{
    return queriesRunning.load() > 0;
}
