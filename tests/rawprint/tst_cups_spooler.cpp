// The CUPS spooler behind the print steps, on the private scheduler of the
// "cups" fixture: what each kind of queue gives and what it leaves queued.
// A second scheduler of this test's own is stopped (SIGSTOP) during a print,
// and its queues are put in every state a printer's state is read from.

#include "print_control.h"
#include "printer_names.h"
#include "printer_state.h"
#include "queue_paper.h"
#include "raw_spooler.h"
#include "spooler_backend.h"
#include "stale_jobs.h"

#include <QtTest>

#include <cups/cups.h>

#include <csignal>
#include <unistd.h>
#include <iostream>
#include <sstream>

namespace {

// Jobs of a queue not yet completed, cancelled or aborted.
int activeJobs(const char *queue)
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(count, jobs);
    return qMax(count, 0);
}

// The program's own entry point, its standard output caught.
QByteArray print(const char *queue, const QByteArray &data, bool *result)
{
    std::ostringstream out;
    std::streambuf *previous = std::cout.rdbuf(out.rdbuf());
    *result = sendRawToPrinter(queue, data.constData(), data.size());
    std::cout.rdbuf(previous);
    const std::string text = out.str();
    return QByteArray(text.data(), int(text.size()));
}

// The platform's spooler, with the scheduler stopped (SIGSTOP) just before
// the step named in stopAt; with cancelLost, what close() sends goes to a
// port where no scheduler listens.
class StoppingSpooler : public SpoolerBackend
{
public:
    StoppingSpooler(PrintControl *control, pid_t scheduler, const QString &stopAt)
        : spooler(makePlatformSpooler(control)), scheduler(scheduler), stopAt(stopAt)
    {
    }
    bool stopped = false;
    bool cancelLost = false;

    bool available() override { return step("available") && spooler->available(); }
    bool open(const char *name) override { return step("open") && spooler->open(name); }
    bool hasHandle() const override { return spooler->hasHandle(); }
    std::uint32_t startDocument(const char *name, const char *type) override
    {
        return step("start") ? spooler->startDocument(name, type) : 0;
    }
    bool startPart(const char *type, std::uint64_t length, bool last) override
    {
        return step("part") && spooler->startPart(type, length, last);
    }
    bool write(const char *data, std::uint32_t length, std::uint32_t *written) override
    {
        return step("write") && spooler->write(data, length, written);
    }
    bool endPart() override { return step("endPart") && spooler->endPart(); }
    bool endPage() override { return step("endPage") && spooler->endPage(); }
    bool endDocument() override { return step("endDoc") && spooler->endDocument(); }
    void close() override
    {
        const std::string server = cupsServer() + (":" + std::to_string(ippPort()));
        if (cancelLost)
            cupsSetServer("127.0.0.1:1");
        spooler->close();
        cupsSetServer(server.c_str());
    }
    std::uint32_t lastError() const override { return spooler->lastError(); }

private:
    bool step(const char *name)
    {
        if (stopAt == QLatin1String(name) && !stopped)
            stopped = ::kill(scheduler, SIGSTOP) == 0;
        return true;
    }
    std::unique_ptr<SpoolerBackend> spooler;
    pid_t scheduler;
    QString stopAt;
};

// A shell command against the given scheduler; true when it succeeded.
bool shell(const QString &command, const QByteArray &server)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CUPS_SERVER", QString::fromLatin1(server));
    process.setProcessEnvironment(environment);
    process.start("bash", {"-c", command});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

// scripts/lib/cups-private.sh with the arguments; its output, trimmed.
bool cupsPrivate(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess script;
    script.start("bash", QStringList{qEnvironmentVariable("ORVANE_CUPS_SCRIPT")} + arguments);
    if (!script.waitForFinished(30000)) {
        script.kill();
        script.waitForFinished();
        return false;
    }
    if (output)
        *output = script.readAllStandardOutput().trimmed();
    return script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

// tests/fixtures/cups-relay.py in front of a scheduler, for as long as it lives.
class Relay
{
public:
    Relay(const QByteArray &server, const QStringList &options)
    {
        const QString portFile = folder.filePath("port");
        process.start("python3", QStringList{qEnvironmentVariable("ORVANE_CUPS_RELAY"), "--to",
                                             QString::fromLatin1(server), "--port-file", portFile}
                                     + options);
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(portFile) && waited.elapsed() < 10000)
            QThread::msleep(50);
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly))
            address = "127.0.0.1:" + file.readAll().trimmed();
    }
    ~Relay()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
    QByteArray address;

private:
    QTemporaryDir folder;
    QProcess process;
};

// The held jobs of a queue.
int heldJobs(const char *queue)
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ACTIVE);
    int held = 0;
    for (int n = 0; n < count; ++n)
        held += jobs[n].state == IPP_JSTATE_HELD ? 1 : 0;
    cupsFreeJobs(count, jobs);
    return held;
}

} // namespace

class TestCupsSpooler : public QObject
{
    Q_OBJECT

private:
    // The scheduler this test stops, with its queue "recibo".
    QTemporaryDir stoppable;
    QByteArray stoppableServer;
    pid_t stoppablePid = 0;
    int stateQueues = 0;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(qEnvironmentVariable("ORVANE_CUPS_SCRIPT")), "ORVANE_CUPS_SCRIPT names no script");
        QVERIFY(stoppable.isValid());
        // The scheduler and its backends read the folder as other users.
        QVERIFY(QFile::setPermissions(stoppable.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(cupsPrivate({"start", stoppable.path()}));
        QFile pid(stoppable.filePath("pid"));
        QVERIFY(pid.open(QIODevice::ReadOnly));
        stoppablePid = pid_t(pid.readAll().trimmed().toLongLong());
        QVERIFY(stoppablePid > 0);
        QVERIFY(cupsPrivate({"add-queue", stoppable.path(), "recibo"}));
        QVERIFY(cupsPrivate({"server", stoppable.path()}, &stoppableServer));
    }

    void cleanupTestCase()
    {
        if (stoppablePid > 0)
            ::kill(stoppablePid, SIGCONT);
        // The script stops the scheduler by the PID it started.
        QVERIFY(cupsPrivate({"stop", stoppable.path()}));
    }

    void queues_data()
    {
        QTest::addColumn<QByteArray>("queue");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<bool>("captured");
        QTest::addColumn<QByteArray>("server"); // empty: the fixture's

        QByteArray every;
        for (int value = 0; value < 256; ++value)
            every.append(char(value));
        const QByteArray done = "Entire file data was sent to printer.\n";
        QTest::newRow("every byte value arrives unchanged") << QByteArray("recibo") << every << done << true << QByteArray();
        // The scheduler refuses a document with no bytes and would hold it.
        QTest::newRow("an empty document completes") << QByteArray("recibo") << QByteArray() << done << false << QByteArray();
        QTest::newRow("no such queue") << QByteArray("sem-esta-fila") << QByteArray("x")
                                       << QByteArray("retorno de erro em OpenPrinter") << false << QByteArray();
        QTest::newRow("a queue that rejects jobs") << QByteArray("rejeita") << QByteArray("x")
            << "erro ao iniciar StartDocPrinter: " + QByteArray::number(IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS) << false << QByteArray();
        QTest::newRow("no scheduler answers") << QByteArray("recibo") << QByteArray("x")
            << QByteArray("nao foi possivel carregar winspool.drv") << false << QByteArray("127.0.0.1:1");
    }

    void queues()
    {
        QFETCH(QByteArray, queue);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, ending);
        QFETCH(bool, captured);
        QFETCH(QByteArray, server);
        const QString folder = qEnvironmentVariable("ORVANE_CUPS_DIR") + "/jobs/" + queue;
        const int before = QDir(folder).entryList({"job-*.bin"}).size();

        bool result = false;
        if (!server.isEmpty())
            cupsSetServer(server.constData());
        const QByteArray output = print(queue.constData(), data, &result);
        cupsSetServer(nullptr); // the fixture's again, from CUPS_SERVER
        QVERIFY2(output.endsWith(ending), output.constData());
        QCOMPARE(result, ending.startsWith("Entire"));
        QTRY_COMPARE_WITH_TIMEOUT(activeJobs(queue.constData()), 0, 10000);
        if (captured) {
            QTRY_COMPARE_WITH_TIMEOUT(QDir(folder).entryList({"job-*.bin"}).size(), before + 1, 10000);
            QFile job(folder + "/" + QDir(folder).entryList({"job-*.bin"}, QDir::Files, QDir::Time).first());
            QVERIFY(job.open(QIODevice::ReadOnly));
            QCOMPARE(job.readAll(), data);
        }
    }

    // A scheduler that stops answering (SIGSTOP) just before a step of the
    // print: the print fails soon after the limit of its control, and once
    // the scheduler wakes nothing of it prints. What the scheduler was sent
    // meanwhile it carries out when it wakes: a job created then, whose
    // number never reached us, stays held with no document.
    void stoppedScheduler_data()
    {
        QTest::addColumn<QString>("stopAt");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<bool>("cancelLost");
        QTest::addColumn<int>("held");

        const QByteArray noAnswer = QByteArray::number(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
        QTest::newRow("before the print: the queue is not found") << "available" << 10
            << QByteArray("retorno de erro em OpenPrinter") << false << 0;
        QTest::newRow("before the job is created") << "start" << 10
            << "erro ao iniciar StartDocPrinter: " + noAnswer << false << 1;
        // More than the connection's buffers take: the document is cut off.
        QTest::newRow("during the document") << "write" << (64 << 20)
            << "WritePrinter abort error: " + noAnswer << false << 0;
        // The whole document is on its way; the job must not print when it arrives.
        QTest::newRow("after the document") << "endPart" << 1000
            << "EndDocPrinter abort error: " + noAnswer << false << 0;
        // The document is in, held; the release never comes.
        QTest::newRow("before the release") << "endDoc" << 1000
            << "EndDocPrinter abort error: " + noAnswer << false << 0;
        // The release goes into a stopped scheduler and the cancel is lost:
        // the scheduler that wakes must not print the job.
        QTest::newRow("before the release, the cancel lost") << "endDoc" << 1000
            << "EndDocPrinter abort error: " + noAnswer << true << 1;
        // The document goes whole into a stopped scheduler, and no cancel
        // follows it: the job stays held.
        QTest::newRow("the whole document sent, the cancel lost") << "write" << 1000
            << "EndDocPrinter abort error: " + noAnswer << true << 1;
    }

    void stoppedScheduler()
    {
        QFETCH(QString, stopAt);
        QFETCH(int, size);
        QFETCH(QByteArray, ending);
        QFETCH(bool, cancelLost);
        QFETCH(int, held);
        QVERIFY(stoppablePid > 0);
        const QString folder = stoppable.filePath("jobs/recibo");

        cupsSetServer(stoppableServer.constData());
        // Whatever fails below, the scheduler goes on and the fixture's is
        // the server again.
        struct Restore {
            pid_t scheduler;
            ~Restore()
            {
                ::kill(scheduler, SIGCONT);
                cupsCancelJob2(CUPS_HTTP_DEFAULT, "recibo", CUPS_JOBID_ALL, 0);
                cupsSetServer(nullptr);
            }
        } restore{stoppablePid};

        PrintControl control(std::chrono::milliseconds(500));
        StoppingSpooler spooler(&control, stoppablePid, stopAt);
        spooler.cancelLost = cancelLost;
        std::ostringstream out;
        const QByteArray data(size, 'x');
        QElapsedTimer timer;
        timer.start();
        const bool printed = sendDocumentToPrinter(spooler, out, "recibo", data.constData(), size, "RAW", &control);
        const qint64 elapsed = timer.elapsed();
        const QByteArray output = QByteArray::fromStdString(out.str());

        QVERIFY(spooler.stopped);
        QVERIFY(!printed);
        QVERIFY2(output.endsWith("o spooler nao respondeu em 0.5 s\n" + ending), output.right(200).constData());
        QVERIFY2(elapsed < 20000, QByteArray::number(elapsed).constData());

        QCOMPARE(::kill(stoppablePid, SIGCONT), 0);
        QTRY_COMPARE_WITH_TIMEOUT(activeJobs("recibo"), held, 10000);
        // ... as the scheduler said, not for want of an answer.
        QCOMPARE(cupsLastError(), IPP_STATUS_OK);
        QCOMPARE(QDir(folder).entryList({"job-*.bin", ".job-*"}, QDir::Files | QDir::Hidden).size(), 0);
    }

    // A scheduler that answers slowly is waited for: pauses inside its
    // answers, every piece late, or a document arriving in pieces a second
    // and more apart, still print the receipt and its cut once, as one job. Silence as long as the limit fails the print, and
    // the job the scheduler made meanwhile is cancelled by the run itself.
    void slowScheduler_data()
    {
        QTest::addColumn<QStringList>("relay");
        QTest::addColumn<bool>("printed");

        QTest::newRow("0.7 s pauses inside the Create-Job and Release-Job answers")
            << QStringList{"--pause", "Create-Job:0.7", "--pause", "Release-Job:0.7"} << true;
        QTest::newRow("3 s pauses inside the answer to every step")
            << QStringList{"--pause", "Get-Printer-Attributes:3", "--pause", "Create-Job:3", "--pause",
                           "Send-Document:3", "--pause", "Release-Job:3"} << true;
        QTest::newRow("every piece 0.6 to 1.2 s late") << QStringList{"--slow", "0.6-1.2"} << true;
        QTest::newRow("1.5 s pauses at every line end of the document's request")
            << QStringList{"--split-request", "Send-Document:1.5"} << true;
        QTest::newRow("12 s of silence inside the Create-Job answer")
            << QStringList{"--pause", "Create-Job:12"} << false;
    }

    void slowScheduler()
    {
        QFETCH(QStringList, relay);
        QFETCH(bool, printed);
        QVERIFY(QFile::exists(qEnvironmentVariable("ORVANE_CUPS_RELAY")));
        const QString folder = stoppable.filePath("jobs/recibo");
        const int before = QDir(folder).entryList({"job-*.bin"}).size();
        Relay link(stoppableServer, relay);
        QVERIFY(!link.address.isEmpty());

        cupsSetServer(link.address.constData());
        const QByteArray receipt(100 * 1024, 'r');
        PrintControl control;
        bool result = false;
        {
            std::ostringstream out;
            std::streambuf *previous = std::cout.rdbuf(out.rdbuf());
            result = sendPartsToPrinter("recibo", {SpoolPart{receipt.constData(), receipt.size(), "RAW"},
                                                   SpoolPart{"\x1bi", 2, "RAW"}}, &control);
            std::cout.rdbuf(previous);
        }
        QCOMPARE(result, printed);
        // What a print given up on may have left, the run cancels itself.
        cancelJobsThisRunLeft(20000);
        QVERIFY(!jobsMayBeLeft());
        cupsSetServer(stoppableServer.constData());
        QTRY_COMPARE_WITH_TIMEOUT(activeJobs("recibo"), 0, 10000);
        QCOMPARE(QDir(folder).entryList({"job-*.bin"}).size(), before + (printed ? 1 : 0));
        if (printed) {
            QFile job(folder + "/" + QDir(folder).entryList({"job-*.bin"}, QDir::Files, QDir::Time).first());
            QVERIFY(job.open(QIODevice::ReadOnly));
            QCOMPARE(job.readAll(), receipt + "\x1bi");
        }
        cupsSetServer(nullptr);
    }

    // Held jobs of runs that ended on this machine are cancelled; those of
    // running ones, of other machines and of this run (unless asked) stay.
    void jobsLeftBehind()
    {
        cupsSetServer(stoppableServer.constData());
        const QString own = QString::fromStdString(thisRunTag());
        QStringList parts = own.split('/');
        QCOMPARE(parts.size(), 4);
        QStringList ended = parts;
        ended[2] = "999999999";
        QStringList running = parts;
        running[2] = QString::number(getppid());
        running[3] = "-";
        for (const QString &tag : {ended.join('/'), running.join('/'), QString("outra-maquina/x/1/1"), own})
            QVERIFY(shell("echo cupom | lp -d recibo -o job-hold-until=indefinite -o orvane-run=" + tag,
                          stoppableServer));
        QTRY_COMPARE_WITH_TIMEOUT(heldJobs("recibo"), 4, 10000);
        QCOMPARE(cancelJobsLeftBehind(nullptr, false), 1);
        QCOMPARE(heldJobs("recibo"), 3);
        QCOMPARE(cancelJobsLeftBehind(nullptr, true), 1);
        QCOMPARE(heldJobs("recibo"), 2);
        cupsCancelJob2(CUPS_HTTP_DEFAULT, "recibo", CUPS_JOBID_ALL, 0);
        cupsSetServer(nullptr);
    }

    // The look for jobs left behind that gets no answer says so (-1), never
    // "nothing left"; a clean-up at exit that gets none keeps the mark, so
    // that the next print or start tries again.
    void jobsLeftBehindUnanswered_data()
    {
        QTest::addColumn<QByteArray>("server"); // empty: this test's scheduler, stopped
        QTest::newRow("no scheduler") << QByteArray("127.0.0.1:1");
        QTest::newRow("the scheduler stopped") << QByteArray();
    }

    void jobsLeftBehindUnanswered()
    {
        QFETCH(QByteArray, server);
        cupsSetServer(server.isEmpty() ? stoppableServer.constData() : server.constData());
        struct Restore {
            pid_t scheduler;
            ~Restore()
            {
                ::kill(scheduler, SIGCONT);
                cupsSetServer(nullptr);
            }
        } restore{stoppablePid};
        if (server.isEmpty())
            QCOMPARE(::kill(stoppablePid, SIGSTOP), 0);

        PrintControl control(std::chrono::milliseconds(500));
        QCOMPARE(cancelJobsLeftBehind(&control, false), -1);
        noteJobMayBeLeft();
        cancelJobsThisRunLeft(500);
        QVERIFY(jobsMayBeLeft());

        // Answered at last: nothing left, and the mark gone.
        ::kill(stoppablePid, SIGCONT);
        cupsSetServer(stoppableServer.constData());
        cancelJobsThisRunLeft(10000);
        QVERIFY(!jobsMayBeLeft());
    }

    // The state the window shows of a queue of its own on this test's
    // scheduler, put in that state by shell commands: %q is the queue, %d
    // its folder, %p the scheduler's PID. Queried as "name" when given
    // (%q there too), on "server" when given.
    void printerState_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QString>("text");

        QTest::newRow("an instance of an idle queue") << "" << "%q/copia" << QByteArray() << "pronta";
        QTest::newRow("refusing jobs") << "cupsreject %q" << "" << QByteArray() << "não aceita trabalhos";
        QTest::newRow("refusing jobs, and why") << "cupsreject -r 'Em manutencao' %q" << "" << QByteArray()
                                                << "não aceita trabalhos: Em manutencao";
        QTest::newRow("a job held for ever is not waiting")
            << "cupsdisable %q && echo x | lp -d %q -H indefinite && echo y | lp -d %q" << "" << QByteArray()
            << "pausada, 1 trabalho na fila";
        // The backend reports the empty roll and stops the queue, which keeps the job.
        QTest::newRow("the roll ran out") << "lpadmin -p %q -v paper-out:%d && echo x | lp -d %q" << ""
                                          << QByteArray() << "pausada: Out of paper, sem papel, 1 trabalho na fila";
        QTest::newRow("not installed") << "" << "sumiu" << QByteArray() << "não encontrada";
        QTest::newRow("no scheduler") << "" << "" << QByteArray("127.0.0.1:1") << "servidor de impressão não responde";
        QTest::newRow("the scheduler stopped") << "kill -STOP %p" << "" << QByteArray()
                                               << "servidor de impressão não responde";
    }

    void printerState()
    {
        QFETCH(QString, setup);
        QFETCH(QString, name);
        QFETCH(QByteArray, server);
        QFETCH(QString, text);
        QVERIFY(stoppablePid > 0);
        const QString queue = QStringLiteral("estado-%1").arg(++stateQueues);
        QVERIFY(cupsPrivate({"add-queue", stoppable.path(), queue}));
        struct Restore {
            pid_t scheduler;
            QString queue;
            QByteArray server;
            ~Restore()
            {
                ::kill(scheduler, SIGCONT);
                shell("lpadmin -x " + queue, server);
                cupsSetServer(nullptr);
            }
        } restore{stoppablePid, queue, stoppableServer};
        auto fill = [&](QString command) {
            return command.replace("%q", queue).replace("%d", stoppable.filePath("jobs/" + queue))
                .replace("%p", QString::number(stoppablePid));
        };
        if (!setup.isEmpty())
            QVERIFY(shell(fill(setup), stoppableServer));

        cupsSetServer(server.isEmpty() ? stoppableServer.constData() : server.constData());
        const QByteArray asked = (name.isEmpty() ? queue : fill(name)).toLocal8Bit();
        auto state = [&] {
            PrintControl control(std::chrono::milliseconds(500));
            return QString::fromStdString(printerStateText(queryPrinterState(asked.constData(), &control)));
        };
        // What a backend does it does on its own time.
        QTRY_COMPARE_WITH_TIMEOUT(state(), text, 15000);
    }

    // The printers the window lists: the scheduler's queues, or no answer.
    void printerList_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("server"); // empty: this test's scheduler
        QTest::addColumn<bool>("answered");
        QTest::newRow("the queues") << "" << QByteArray() << true;
        QTest::newRow("no scheduler") << "" << QByteArray("127.0.0.1:1") << false;
        QTest::newRow("the scheduler stopped") << "kill -STOP %p" << QByteArray() << false;
    }

    void printerList()
    {
        QFETCH(QString, setup);
        QFETCH(QByteArray, server);
        QFETCH(bool, answered);
        QVERIFY(stoppablePid > 0);
        QVERIFY(cupsPrivate({"add-queue", stoppable.path(), "nova"}));
        struct Restore {
            pid_t scheduler;
            QByteArray server;
            ~Restore()
            {
                ::kill(scheduler, SIGCONT);
                shell("lpadmin -x nova", server);
                cupsSetServer(nullptr);
            }
        } restore{stoppablePid, stoppableServer};
        if (!setup.isEmpty())
            QVERIFY(shell(QString(setup).replace("%p", QString::number(stoppablePid)), stoppableServer));
        cupsSetServer(server.isEmpty() ? stoppableServer.constData() : server.constData());
        // The user's instances: listed after their queue, when it exists.
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(".cups"));
        QFile lpoptions(home.filePath(".cups/lpoptions"));
        QVERIFY(lpoptions.open(QIODevice::WriteOnly));
        lpoptions.write("Dest nova/copia sides=one-sided\nDefault sumiu/x\n");
        lpoptions.close();
        const QByteArray realHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        PrintControl control(std::chrono::milliseconds(500));
        QElapsedTimer took;
        took.start();
        const PrinterNames printers = listPrinters(&control);
        qputenv("HOME", realHome);
        QVERIFY2(took.elapsed() < 5000, "the question outlived its limit");
        QCOMPARE(printers.answered, answered);
        QStringList names;
        for (const std::string &name : printers.names)
            names << QString::fromStdString(name);
        QCOMPARE(names.contains("nova") && names.contains("recibo"), answered);
        if (answered)
            QCOMPARE(names.indexOf("nova/copia"), names.indexOf("nova") + 1);
        QVERIFY(!names.contains("sumiu/x"));
    }

    // The paper the page roads print on: the default of the queue's PPD,
    // nothing for a raw queue, no answer without a scheduler.
    void queuePaper_data()
    {
        QTest::addColumn<QByteArray>("defaultSize");   // empty: a raw queue
        QTest::addColumn<QByteArray>("server");        // empty: this test's scheduler
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("paper");            // "NAME WIDTHxHEIGHT", empty: none
        QTest::newRow("a raw queue") << QByteArray() << QByteArray() << true << QString();
        QTest::newRow("a PPD that defaults to Letter") << QByteArray("Letter") << QByteArray() << true
                                                       << "Letter 612x792";
        QTest::newRow("a PPD that defaults to A5") << QByteArray("A5") << QByteArray() << true << "A5 420x595";
        QTest::newRow("a default with no dimension") << QByteArray("Oficio") << QByteArray() << true << QString();
        QTest::newRow("no scheduler") << QByteArray() << QByteArray("127.0.0.1:1") << false << QString();
    }

    void queuePaper()
    {
        QFETCH(QByteArray, defaultSize);
        QFETCH(QByteArray, server);
        QFETCH(bool, answered);
        QFETCH(QString, paper);
        QTemporaryDir folder;
        QString setup = "lpadmin -p papel -E -v file:/dev/null";
        if (!defaultSize.isEmpty()) {
            QFile ppd(folder.filePath("papel.ppd"));
            QVERIFY(ppd.open(QIODevice::WriteOnly));
            ppd.write("*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
                      "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"PAPEL.PPD\"\n"
                      "*Manufacturer: \"Teste\"\n*Product: \"(Papel)\"\n*ModelName: \"Papel\"\n"
                      "*ShortNickName: \"Papel\"\n*NickName: \"Papel\"\n*PSVersion: \"(3010.000) 0\"\n"
                      "*LanguageLevel: \"3\"\n*ColorDevice: False\n*DefaultColorSpace: Gray\n*FileSystem: False\n"
                      "*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n"
                      "*OpenUI *PageSize/Papel: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
                      "*DefaultPageSize: " + defaultSize + "\n"
                      "*PageSize Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
                      "*PageSize A5/A5: \"<</PageSize[420 595]>>setpagedevice\"\n*CloseUI: *PageSize\n"
                      "*DefaultPaperDimension: " + defaultSize + "\n"
                      "*PaperDimension Letter/US Letter: \"612 792\"\n*PaperDimension A5/A5: \"420 595\"\n");
            ppd.close();
            setup += " -P " + ppd.fileName();
        }
        struct Restore {
            QByteArray server;
            ~Restore()
            {
                shell("lpadmin -x papel", server);
                cupsSetServer(nullptr);
            }
        } restore{stoppableServer};
        QVERIFY(shell(setup, stoppableServer));
        cupsSetServer(server.isEmpty() ? stoppableServer.constData() : server.constData());
        QueuePaper found;
        QCOMPARE(askQueuePaper("papel", found), answered);
        const QString got = found.found ? QString("%1 %2x%3").arg(QString::fromStdString(found.name))
                                              .arg(found.widthPoints).arg(found.heightPoints)
                                        : QString();
        QCOMPARE(got, paper);
    }
};

QTEST_GUILESS_MAIN(TestCupsSpooler)
#include "tst_cups_spooler.moc"
