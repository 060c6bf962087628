// The print steps against a scripted spooler, for every way a raw print can
// end: what reaches the stream (and is flushed), which calls are made in
// which order, what is sent and the result.

#include "print_control.h"
#include "raw_spooler.h"
#include "spooler_backend.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <climits>
#include <ostream>
#include <sstream>
#include <thread>

namespace {

// Keeps what is written; flushed is what the last flush let through.
struct RecordingBuffer : std::stringbuf {
    QByteArray flushed;
    QByteArray text() const { return QByteArray::fromStdString(str()); }
    int sync() override
    {
        flushed = text();
        return 0;
    }
};

// Each write from another thread than the print's takes 200 ms, as on a
// machine whose other work leaves a lowered thread next to nothing.
struct SlowBesideBuffer : RecordingBuffer {
    explicit SlowBesideBuffer(std::thread::id printThread) : printThread(printThread) {}
    std::streamsize xsputn(const char *s, std::streamsize n) override
    {
        if (std::this_thread::get_id() == printThread) {
            if (firstPrintThreadWriteAt < 0)
                firstPrintThreadWriteAt = qint64(str().size());
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return RecordingBuffer::xsputn(s, n);
    }
    std::thread::id printThread;
    qint64 firstPrintThreadWriteAt = -1; // where the print's thread first wrote
};

// Fails the step named in `failAt`; lastError() answers 5 before close()
// and 6 after it, so the output tells when the error was read. With a
// control, the step named in `hangAt` gets no answer: it fails once the
// control says stop (or after 5 s, so that a print that never marks its
// wait fails the test instead of hanging it); the step named in `abandonAt`
// succeeds while the window gives up on the print.
class ScriptedSpooler : public SpoolerBackend
{
public:
    QString failAt;
    qint64 accepted = -1; // what a write reports as written; -1: all
    QStringList calls;
    QByteArray received;
    bool closed = false;
    PrintControl *control = nullptr;
    QString hangAt;
    QString abandonAt;

    bool step(const QString &name)
    {
        calls << name;
        if (name == abandonAt)
            control->abandon();
        if (name == hangAt) {
            QElapsedTimer waited;
            waited.start();
            while (!control->shouldStop() && waited.elapsed() < 5000)
                QThread::msleep(5);
            return false;
        }
        return failAt != name;
    }
    bool available() override { return step("available"); }
    bool open(const char *printer) override { return step(QStringLiteral("open(%1)").arg(QString::fromUtf8(printer))); }
    bool hasHandle() const override { return const_cast<ScriptedSpooler *>(this)->step("handle"); }
    std::uint32_t startDocument(const char *name, const char *type) override
    {
        return step(QStringLiteral("start(%1,%2)").arg(QString::fromUtf8(name), QString::fromUtf8(type))) ? 41 : 0;
    }
    bool write(const char *data, std::uint32_t length, std::uint32_t *written) override
    {
        received.append(data, int(length));
        *written = accepted < 0 ? length : std::uint32_t(accepted);
        return step(QStringLiteral("write(%1)").arg(length));
    }
    // A document's part is a step of its own only where a row fails it.
    bool startPart(const char *, std::uint64_t, bool) override { return failAt != "part" || step("part"); }
    bool endPage() override { return step("endPage"); }
    bool endDocument() override { return step("endDoc"); }
    void close() override
    {
        calls << "close";
        closed = true;
    }
    std::uint32_t lastError() const override { return closed ? 6 : 5; }
};

QByteArray debugLines(const QByteArray &echo, const QByteArray &printer)
{
    return "debug (text): " + echo + "\ndebug (printerName): " + printer + "\ndebug (text): " + echo + "\n";
}

} // namespace

class TestRawSpooler : public QObject
{
    Q_OBJECT

private slots:
    void steps_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<qint64>("accepted");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<bool>("result");

        const QByteArray text = "Linha 1\nLinha 2\n";
        const int n = text.size();
        const QString run = "available open(recibo) handle start(Orvane Document,RAW) write(%1) endPage endDoc close";
        const QString all = run.arg(n);
        const QByteArray done = "Entire file data was sent to printer.\n";
        QTest::newRow("spooler not loadable") << text << n << "available" << -1LL << text
            << QByteArray("nao foi possivel carregar winspool.drv") << "available" << false;
        QTest::newRow("printer cannot be opened") << text << n << "open(recibo)" << -1LL << text
            << QByteArray("retorno de erro em OpenPrinter") << "available open(recibo)" << false;
        QTest::newRow("opened with no handle") << text << n << "handle" << -1LL << text
            << QByteArray("retorno de erro em hPrinter") << "available open(recibo) handle" << false;
        // The error of a failed start is read before the printer closes.
        QTest::newRow("StartDoc fails") << text << n << "start(Orvane Document,RAW)" << -1LL << text
            << QByteArray("erro ao iniciar StartDocPrinter: 5")
            << "available open(recibo) handle start(Orvane Document,RAW) close" << false;
        // So is the error of a part that fails to start (CUPS's Send-Document);
        // closing cancels the job.
        QTest::newRow("a part fails to start") << text << n << "part" << -1LL << text
            << QByteArray("erro ao iniciar StartDocPrinter: 5")
            << "available open(recibo) handle start(Orvane Document,RAW) part close" << false;
        // After a failed write the page, the document and the printer close first.
        QTest::newRow("write fails") << text << n << QString("write(%1)").arg(n) << -1LL << text
            << QByteArray("WritePrinter abort error: 6") << all << false;
        QTest::newRow("EndPage fails") << text << n << "endPage" << -1LL << text
            << QByteArray("EndPagePrinter abort error: 6") << all << false;
        QTest::newRow("EndDoc fails") << text << n << "endDoc" << -1LL << text
            << QByteArray("EndDocPrinter abort error: 6") << all << false;
        QTest::newRow("short write") << text << n << "" << 10LL << text
            << QByteArray("Wrote 10 bytes instead of requested 16bytes.\n") << all << false;
        QTest::newRow("every byte accepted") << text << n << "" << -1LL << text << done << all << true;
        QTest::newRow("an empty document") << QByteArray() << 0 << "" << -1LL << QByteArray() << done
            << run.arg(0) << true;
        // Every byte is sent; the echo stops at the first zero byte.
        QTest::newRow("a zero byte inside") << QByteArray("\x1b@AB\0CD\n", 8) << 8 << "" << -1LL
            << QByteArray("\x1b@AB") << done << run.arg(8) << true;
        // Only length bytes are looked at, even with more data behind them.
        QTest::newRow("length shorter than the data") << QByteArray("ABCDEF") << 3 << "" << -1LL
            << QByteArray("ABC") << done << run.arg(3) << true;
        // A large document's copies are written while it goes out: the
        // same lines, the result after them.
        const QByteArray large(300 * 1024, 'x');
        QTest::newRow("a large document, every byte accepted") << large << large.size() << "" << -1LL << large
            << done << run.arg(large.size()) << true;
        QTest::newRow("a large document, the printer cannot be opened") << large << large.size() << "open(recibo)"
            << -1LL << large << QByteArray("retorno de erro em OpenPrinter") << "available open(recibo)" << false;
        // The caller's faults: the debug lines, and nothing is printed.
        QTest::newRow("negative length") << text << INT_MIN << "" << -1LL << QByteArray() << QByteArray()
            << "available" << false;
        QTest::newRow("no data behind a length") << QByteArray() << 5 << "" << -1LL << QByteArray()
            << QByteArray() << "available" << false;
    }

    // The caller's echo comes first, then the report, whatever the size.
    void echoFirst_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("a receipt") << QByteArray("Linha 1\n");
        QTest::newRow("a large report") << QByteArray(1 << 20, 'r');
    }

    void echoFirst()
    {
        QFETCH(QByteArray, data);
        ScriptedSpooler spooler;
        RecordingBuffer buffer;
        std::ostream out(&buffer);
        const QByteArray echo = "eco:" + QByteArray::number(data.size()) + '\n';
        sendPartsToPrinter(spooler, out, "recibo", {SpoolPart{data.constData(), data.size(), "RAW"}}, nullptr,
                           {{echo.constData(), std::size_t(echo.size())}});
        QCOMPARE(buffer.text(), "eco:" + QByteArray::number(data.size()) + '\n' + debugLines(data, "recibo")
                                    + "Entire file data was sent to printer.\n");
    }

    // A report thread that a busy machine starves is not waited for once
    // the print is over: the print's thread writes the rest, the same bytes
    // in the same order.
    void starvedReport()
    {
        const QByteArray data(1 << 20, 'r');
        const std::thread::id printThread = std::this_thread::get_id();
        SlowBesideBuffer buffer(printThread);
        std::ostream out(&buffer);
        ScriptedSpooler spooler;
        QVERIFY(sendPartsToPrinter(spooler, out, "recibo", {SpoolPart{data.constData(), data.size(), "RAW"}}));
        QCOMPARE(buffer.text(), debugLines(data, "recibo") + "Entire file data was sent to printer.\n");
        // The print's thread took over before the report's end, not only
        // for the result line.
        QVERIFY(buffer.firstPrintThreadWriteAt >= 0);
        QVERIFY(buffer.firstPrintThreadWriteAt < qint64(data.size()));
    }

    void steps()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, length);
        QFETCH(QString, failAt);
        QFETCH(qint64, accepted);
        QFETCH(QByteArray, echo);
        QFETCH(QByteArray, ending);
        QFETCH(QString, calls);
        QFETCH(bool, result);

        ScriptedSpooler spooler;
        spooler.failAt = failAt;
        spooler.accepted = accepted;
        RecordingBuffer buffer;
        std::ostream out(&buffer);
        const bool printed = sendDocumentToPrinter(spooler, out, "recibo", data.isNull() ? nullptr : data.constData(),
                                                   length, "RAW");

        QCOMPARE(buffer.text(), debugLines(echo, "recibo") + ending);
        QCOMPARE(buffer.flushed, buffer.text());
        QCOMPARE(spooler.calls.join(' '), calls);
        if (calls.contains("write"))
            QCOMPARE(spooler.received, data.left(length));
        QCOMPARE(printed, result);
    }

    // A spooler that stops answering, and a print the window gives up on:
    // neither document is ended, closing cancels what was started.
    void stoppedPrints_data()
    {
        QTest::addColumn<QString>("hangAt");
        QTest::addColumn<QString>("abandonAt");
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<bool>("result");

        const QString start = "available open(recibo) handle start(Orvane Document,RAW) ";
        const QByteArray noAnswer = "o spooler nao respondeu em 0.1 s\n";
        const QByteArray abandoned = "impressao abandonada: o spooler nao respondeu";
        QTest::newRow("no answer: spooler") << "available" << "" << noAnswer + "nao foi possivel carregar winspool.drv"
            << "available" << false;
        QTest::newRow("no answer: OpenPrinter") << "open(recibo)" << "" << noAnswer + "retorno de erro em OpenPrinter"
            << "available open(recibo)" << false;
        QTest::newRow("no answer: StartDoc") << "start(Orvane Document,RAW)" << ""
            << noAnswer + "erro ao iniciar StartDocPrinter: 5" << start + "close" << false;
        QTest::newRow("no answer: write") << "write(16)" << "" << noAnswer + "WritePrinter abort error: 6"
            << start + "write(16) close" << false;
        QTest::newRow("no answer: EndPage") << "endPage" << "" << noAnswer + "EndPagePrinter abort error: 6"
            << start + "write(16) endPage close" << false;
        QTest::newRow("no answer: EndDoc") << "endDoc" << "" << noAnswer + "EndDocPrinter abort error: 6"
            << start + "write(16) endPage endDoc close" << false;
        QTest::newRow("abandoned during the write") << "" << "write(16)" << abandoned
            << start + "write(16) endPage close" << false;
        QTest::newRow("abandoned during EndPage") << "" << "endPage" << abandoned
            << start + "write(16) endPage close" << false;
        // Abandoned too late to matter: the document has ended.
        QTest::newRow("abandoned during EndDoc") << "" << "endDoc"
            << QByteArray("Entire file data was sent to printer.\n") << start + "write(16) endPage endDoc close" << true;
    }

    void stoppedPrints()
    {
        QFETCH(QString, hangAt);
        QFETCH(QString, abandonAt);
        QFETCH(QByteArray, ending);
        QFETCH(QString, calls);
        QFETCH(bool, result);

        const QByteArray text = "Linha 1\nLinha 2\n";
        PrintControl control(std::chrono::milliseconds(100));
        ScriptedSpooler spooler;
        spooler.control = &control;
        spooler.hangAt = hangAt;
        spooler.abandonAt = abandonAt;
        RecordingBuffer buffer;
        std::ostream out(&buffer);
        const bool printed = sendDocumentToPrinter(spooler, out, "recibo", text.constData(), text.size(), "RAW", &control);

        QCOMPARE(buffer.text(), debugLines(text, "recibo") + ending);
        QCOMPARE(buffer.flushed, buffer.text());
        QCOMPARE(spooler.calls.join(' '), calls);
        QCOMPARE(printed, result);
        // No wait is left marked once the print is over.
        QCOMPARE(control.waiting().count(), 0);
    }

    // A page for the spooler to interpret: the same steps under its type,
    // and the debug lines tell what it is instead of echoing its bytes.
    void otherDocumentTypes()
    {
        ScriptedSpooler spooler;
        RecordingBuffer buffer;
        std::ostream out(&buffer);
        QVERIFY(sendDocumentToPrinter(spooler, out, "pagina", "%PDF-1.4\n", 9, "application/pdf"));
        QCOMPARE(buffer.text(), debugLines("[application/pdf, 9 bytes]", "pagina") + "Entire file data was sent to printer.\n");
        QVERIFY(spooler.calls.contains("start(Orvane Document,application/pdf)"));
        QCOMPARE(spooler.received, QByteArray("%PDF-1.4\n"));
    }
};

QTEST_APPLESS_MAIN(TestRawSpooler)
#include "tst_raw_spooler.moc"
