// sendRawToPrinter on the private CUPS scheduler of the "cups" fixture (run
// through with-cups.sh): bytes that reach the capture backend, queues that
// refuse, names that do not exist, a scheduler that is down.

#include "raw_spooler.h"

#include "output_capture.h"

#include <QtTest>

#include <cups/cups.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// Every wait for the scheduler ends after this long.
const int waitLimitMs = 10000;

QByteArray bytesFrom(int first, int last)
{
    QByteArray bytes;
    for (int value = first; value <= last; ++value)
        bytes.append(static_cast<char>(value));
    return bytes;
}

struct JobInfo
{
    int id;
    ipp_jstate_t state;
};

// The jobs of a queue newer than afterId; active only: not completed,
// cancelled or aborted (pending, held, processing or stopped).
QList<JobInfo> jobsAfter(const char *queue, int afterId, bool activeOnly)
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0,
                                   activeOnly ? CUPS_WHICHJOBS_ACTIVE : CUPS_WHICHJOBS_ALL);
    QList<JobInfo> result;
    for (int i = 0; i < count; ++i) {
        if (jobs[i].id > afterId)
            result.append({jobs[i].id, jobs[i].state});
    }
    cupsFreeJobs(count, jobs);
    return result;
}

// The highest job number the scheduler has given so far, over all queues.
int newestJobId()
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        newest = qMax(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest;
}

// A TCP port of 127.0.0.1 where nothing listens.
int closedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), size) == 0
        && getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

int openDescriptors()
{
    return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
}

struct Call
{
    bool result;
    QByteArray output;
};

// The program's own entry point: standard output and the platform spooler.
Call print(const char *queue, const QByteArray &data)
{
    CoutCapture capture;
    const bool result = sendRawToPrinter(queue, data.constData(), data.size());
    return {result, capture.buffer.text};
}

} // namespace

class TestCupsSpooler : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bytesArriveUnchanged_data();
    void bytesArriveUnchanged();
    void twoCallsInARow();
    void noDescriptorLeft();
    void zeroLength();
    void unknownPrinter_data();
    void unknownPrinter();
    void rejectingQueue();
    void schedulerDown();

private:
    QString capturePath(const char *queue, int jobId) const;
    bool waitForFile(const QString &path) const;
    bool waitForCompletion(const char *queue, int jobId) const;

    QString cupsDir;
};

void TestCupsSpooler::initTestCase()
{
    cupsDir = qEnvironmentVariable("ORVANE_CUPS_DIR");
    QVERIFY2(!cupsDir.isEmpty(), "run through with-cups.sh: ORVANE_CUPS_DIR is not set");
    QVERIFY2(!qEnvironmentVariable("CUPS_SERVER").isEmpty(), "CUPS_SERVER is not set");
    QFile portFile(cupsDir + "/port");
    QVERIFY(portFile.open(QIODevice::ReadOnly));
    const QString port = QString::fromLatin1(portFile.readAll()).trimmed();
    QCOMPARE(QString::fromUtf8(cupsServer()) + ":" + QString::number(ippPort()),
             "127.0.0.1:" + port);
}

QString TestCupsSpooler::capturePath(const char *queue, int jobId) const
{
    return QStringLiteral("%1/jobs/%2/job-%3.bin").arg(cupsDir, QString::fromLatin1(queue)).arg(jobId);
}

// The backend renames the file into place once complete.
bool TestCupsSpooler::waitForFile(const QString &path) const
{
    QDeadlineTimer deadline(waitLimitMs);
    while (!QFile::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

bool TestCupsSpooler::waitForCompletion(const char *queue, int jobId) const
{
    QDeadlineTimer deadline(waitLimitMs);
    for (;;) {
        bool active = false;
        for (const JobInfo &job : jobsAfter(queue, jobId - 1, true))
            active = active || job.id == jobId;
        if (!active)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
}

void TestCupsSpooler::bytesArriveUnchanged_data()
{
    QTest::addColumn<QByteArray>("queue");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("00 0D 1B") << QByteArray("recibo") << QByteArray("\x00\x0d\x1b", 3);
    QTest::newRow("text, CR LF, ESC") << QByteArray("recibo")
                                      << QByteArray("Linha 1\r\nLinha 2\n\x1b" "d\x03\x1d" "V\x00", 24);
    QTest::newRow("80..FF") << QByteArray("recibo") << bytesFrom(0x80, 0xFF);
    QTest::newRow("all 256 values") << QByteArray("recibo") << bytesFrom(0, 255);
    QTest::newRow("all 256 values, other queue") << QByteArray("pagina") << bytesFrom(0, 255);
    QByteArray large;
    for (int i = 0; i < 1024; ++i)
        large += bytesFrom(0, 255);
    QTest::newRow("256 KiB of every value") << QByteArray("recibo") << large;
}

void TestCupsSpooler::bytesArriveUnchanged()
{
    QFETCH(QByteArray, queue);
    QFETCH(QByteArray, data);

    const int before = newestJobId();
    const Call call = print(queue.constData(), data);

    QCOMPARE(call.output, debugLines(echoOf(data), queue) + "Entire file data was sent to printer.\n");
    QVERIFY(call.result);

    const QList<JobInfo> jobs = jobsAfter(queue.constData(), before, false);
    QCOMPARE(jobs.size(), 1);
    const QString path = capturePath(queue.constData(), jobs.first().id);
    QVERIFY2(waitForFile(path), qPrintable("no capture file " + path));
    QFile captured(path);
    QVERIFY(captured.open(QIODevice::ReadOnly));
    const QByteArray arrived = captured.readAll();
    QCOMPARE(arrived.size(), data.size());
    QVERIFY2(arrived == data, "the captured bytes differ from the bytes sent");
    QVERIFY(waitForCompletion(queue.constData(), jobs.first().id));
}

void TestCupsSpooler::twoCallsInARow()
{
    const int before = newestJobId();
    const QByteArray first = "primeiro\n";
    const QByteArray second = QByteArray("segundo\0\xff", 10);

    const Call one = print("recibo", first);
    const Call two = print("recibo", second);
    QVERIFY(one.result);
    QVERIFY(two.result);
    QCOMPARE(two.output, debugLines("segundo", "recibo") + "Entire file data was sent to printer.\n");

    QList<JobInfo> jobs = jobsAfter("recibo", before, false);
    QCOMPARE(jobs.size(), 2);
    std::sort(jobs.begin(), jobs.end(), [](const JobInfo &a, const JobInfo &b) { return a.id < b.id; });
    for (int i = 0; i < 2; ++i) {
        const QString path = capturePath("recibo", jobs[i].id);
        QVERIFY2(waitForFile(path), qPrintable("no capture file " + path));
        QFile captured(path);
        QVERIFY(captured.open(QIODevice::ReadOnly));
        QCOMPARE(captured.readAll(), i == 0 ? first : second);
    }
}

// Repeated calls, successful or not, keep no connection or file open.
void TestCupsSpooler::noDescriptorLeft()
{
    QVERIFY(print("recibo", "aquecimento\n").result);
    QVERIFY(!print("sem-esta-fila", "x").result);
    const int before = openDescriptors();
    for (int i = 0; i < 5; ++i) {
        QVERIFY(print("recibo", "linha\n").result);
        QVERIFY(!print("sem-esta-fila", "x").result);
        QVERIFY(!print("rejeita", "x").result);
        QVERIFY(print("recibo", QByteArray()).result);
    }
    QCOMPARE(openDescriptors(), before);
}

// An empty document completes and leaves no job held or waiting.
void TestCupsSpooler::zeroLength()
{
    const int before = newestJobId();
    const Call call = print("recibo", QByteArray());

    QCOMPARE(call.output, debugLines("", "recibo") + "Entire file data was sent to printer.\n");
    QVERIFY(call.result);
    const QList<JobInfo> active = jobsAfter("recibo", before, true);
    if (!active.isEmpty())
        qWarning("job %d left in state %d", active.first().id, int(active.first().state));
    QCOMPARE(active.size(), 0);
}

void TestCupsSpooler::unknownPrinter_data()
{
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("no such queue") << QByteArray("sem-esta-fila");
    QTest::newRow("empty name") << QByteArray("");
    QTest::newRow("name with a space") << QByteArray("recibo 2");
}

void TestCupsSpooler::unknownPrinter()
{
    QFETCH(QByteArray, name);

    const int before = newestJobId();
    const Call call = print(name.constData(), "texto\n");

    QCOMPARE(call.output, debugLines("texto\n", name) + "retorno de erro em OpenPrinter");
    QVERIFY(!call.result);
    QCOMPARE(newestJobId(), before);
}

void TestCupsSpooler::rejectingQueue()
{
    const int before = newestJobId();
    const Call call = print("rejeita", "texto\n");
    QVERIFY(!call.result);

    const QByteArray start = debugLines("texto\n", "rejeita") + "erro ao iniciar StartDocPrinter: ";
    QVERIFY2(call.output.startsWith(start), call.output.constData());
    const QByteArray number = call.output.mid(start.size());
    QVERIFY2(QRegularExpression("^[0-9]+$").match(QString::fromLatin1(number)).hasMatch(),
             number.constData());
    QCOMPARE(number.toUInt(), uint(IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS));
    QCOMPARE(jobsAfter("rejeita", before, true).size(), 0);
}

void TestCupsSpooler::schedulerDown()
{
    const QByteArray server = cupsServer();
    const int port = ippPort();
    const QByteArray saved = qgetenv("CUPS_SERVER");
    const int closed = closedPort();
    QVERIFY(closed > 0);
    const QByteArray nowhere = "127.0.0.1:" + QByteArray::number(closed);

    qputenv("CUPS_SERVER", nowhere);
    cupsSetServer(nowhere.constData());
    const Call call = print("recibo", "texto\n");
    qputenv("CUPS_SERVER", saved);
    cupsSetServer((server + ":" + QByteArray::number(port)).constData());

    QCOMPARE(call.output, debugLines("texto\n", "recibo") + "nao foi possivel carregar winspool.drv");
    QVERIFY(!call.result);
    // The scheduler is reachable again for the tests that follow.
    QVERIFY(print("recibo", "de volta\n").result);
}

QTEST_APPLESS_MAIN(TestCupsSpooler)
#include "tst_cups_spooler.moc"
