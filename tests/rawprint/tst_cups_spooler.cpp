// The CUPS spooler behind the print steps, on the private scheduler of the
// "cups" fixture: what each kind of queue gives and what it leaves queued.

#include "raw_spooler.h"

#include <QtTest>

#include <cups/cups.h>

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

} // namespace

class TestCupsSpooler : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestCupsSpooler)
#include "tst_cups_spooler.moc"
