// The print steps of sendRawToPrinter against a scripted spooler: what is
// written to the stream, which spooler calls are made in which order, and
// the result, for every way a raw print can end.

#include "raw_spooler.h"
#include "spooler_backend.h"

#include "output_capture.h"

#include <QtTest>

#include <climits>
#include <cstring>
#include <ostream>

namespace {

enum Failure {
    NoFailure,
    FailLoad,
    FailOpen,
    NullHandle,
    FailStartDoc,
    FailWrite,
    FailEndPage,
    FailEndDoc,
};

// Records every call. lastError() answers one value before close() and
// another after it, so the output tells when the error was read.
class ScriptedSpooler : public SpoolerBackend
{
public:
    Failure failure = NoFailure;
    qint64 accepted = -1; // bytes a write reports as written; -1: all
    quint32 errorBeforeClose = 0;
    quint32 errorAfterClose = 0;

    mutable QStringList calls;
    QByteArray received;
    bool closed = false;

    bool available() override
    {
        calls << "available";
        return failure != FailLoad;
    }
    bool open(const char *printerName) override
    {
        calls << QStringLiteral("open(%1)").arg(QString::fromUtf8(printerName));
        return failure != FailOpen;
    }
    bool hasHandle() const override
    {
        calls << "hasHandle";
        return failure != NullHandle;
    }
    std::uint32_t startDocument(const char *documentName, const char *dataType) override
    {
        calls << QStringLiteral("startDocument(%1,%2)")
                     .arg(QString::fromUtf8(documentName), QString::fromUtf8(dataType));
        return failure == FailStartDoc ? 0 : 41;
    }
    bool write(const char *data, std::uint32_t length, std::uint32_t *written) override
    {
        calls << QStringLiteral("write(%1)").arg(length);
        received.append(data, static_cast<int>(length));
        if (failure == FailWrite)
            return false;
        *written = accepted < 0 ? length : static_cast<std::uint32_t>(accepted);
        return true;
    }
    bool endPage() override
    {
        calls << "endPage";
        return failure != FailEndPage;
    }
    bool endDocument() override
    {
        calls << "endDocument";
        return failure != FailEndDoc;
    }
    void close() override
    {
        calls << "close";
        closed = true;
    }
    std::uint32_t lastError() const override
    {
        calls << "lastError";
        return closed ? errorAfterClose : errorBeforeClose;
    }
};

const QStringList opened = {"available", "open(recibo)", "hasHandle"};
const QString startDoc = "startDocument(Orvane Document,RAW)";

QByteArray bytesFrom(int first, int last)
{
    QByteArray bytes;
    for (int value = first; value <= last; ++value)
        bytes.append(static_cast<char>(value));
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Failure)

class TestRawSpooler : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
    void flushes_data();
    void flushes();
    void callerFaults_data();
    void callerFaults();
};

void TestRawSpooler::steps_data()
{
    QTest::addColumn<QByteArray>("printer");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("length");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<qint64>("accepted");
    QTest::addColumn<quint32>("errorBeforeClose");
    QTest::addColumn<quint32>("errorAfterClose");
    QTest::addColumn<QByteArray>("expectedOutput");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<QByteArray>("expectedReceived");
    QTest::addColumn<bool>("expectedResult");

    const QByteArray text = "Linha 1\nLinha 2\n";
    const QByteArray lines = debugLines(text, "recibo");
    const int size = text.size();
    const QString write = QStringLiteral("write(%1)").arg(size);

    QTest::newRow("library not loadable")
        << QByteArray("recibo") << text << size << FailLoad << qint64(-1) << 126u << 6u
        << lines + "nao foi possivel carregar winspool.drv" << QStringList{"available"}
        << QByteArray() << false;

    QTest::newRow("printer cannot be opened")
        << QByteArray("recibo") << text << size << FailOpen << qint64(-1) << 1801u << 6u
        << lines + "retorno de erro em OpenPrinter"
        << QStringList{"available", "open(recibo)"} << QByteArray() << false;

    QTest::newRow("opened with a null handle")
        << QByteArray("recibo") << text << size << NullHandle << qint64(-1) << 0u << 6u
        << lines + "retorno de erro em hPrinter" << opened << QByteArray() << false;

    // The error of a failed start is read before the printer is closed.
    QTest::newRow("StartDoc fails")
        << QByteArray("recibo") << text << size << FailStartDoc << qint64(-1) << 1804u << 6u
        << lines + "erro ao iniciar StartDocPrinter: 1804"
        << opened + QStringList{startDoc, "lastError", "close"} << QByteArray() << false;

    QTest::newRow("StartDoc error above 2^31")
        << QByteArray("recibo") << text << size << FailStartDoc << qint64(-1) << 0x80070005u << 6u
        << lines + "erro ao iniciar StartDocPrinter: 2147942405"
        << opened + QStringList{startDoc, "lastError", "close"} << QByteArray() << false;

    // After a failed write, endPage, endDocument and close run first.
    QTest::newRow("write fails")
        << QByteArray("recibo") << text << size << FailWrite << qint64(-1) << 1u << 64u
        << lines + "WritePrinter abort error: 64"
        << opened + QStringList{startDoc, write, "endPage", "endDocument", "close", "lastError"}
        << text << false;

    QTest::newRow("EndPage fails")
        << QByteArray("recibo") << text << size << FailEndPage << qint64(-1) << 1u << 1168u
        << lines + "EndPagePrinter abort error: 1168"
        << opened + QStringList{startDoc, write, "endPage", "endDocument", "close", "lastError"}
        << text << false;

    QTest::newRow("EndDoc fails")
        << QByteArray("recibo") << text << size << FailEndDoc << qint64(-1) << 1u << 0xFFFFFFFFu
        << lines + "EndDocPrinter abort error: 4294967295"
        << opened + QStringList{startDoc, write, "endPage", "endDocument", "close", "lastError"}
        << text << false;

    const QStringList wholeRun =
        opened + QStringList{startDoc, write, "endPage", "endDocument", "close"};

    QTest::newRow("short write")
        << QByteArray("recibo") << text << size << NoFailure << qint64(10) << 0u << 0u
        << lines + "Wrote 10 bytes instead of requested 16bytes.\n" << wholeRun << text << false;

    QTest::newRow("write accepts nothing")
        << QByteArray("recibo") << text << size << NoFailure << qint64(0) << 0u << 0u
        << lines + "Wrote 0 bytes instead of requested 16bytes.\n" << wholeRun << text << false;

    QTest::newRow("all bytes accepted")
        << QByteArray("recibo") << text << size << NoFailure << qint64(-1) << 0u << 0u
        << lines + "Entire file data was sent to printer.\n" << wholeRun << text << true;

    QTest::newRow("zero length")
        << QByteArray("recibo") << QByteArray() << 0 << NoFailure << qint64(-1) << 0u << 0u
        << debugLines("", "recibo") + "Entire file data was sent to printer.\n"
        << opened + QStringList{startDoc, "write(0)", "endPage", "endDocument", "close"}
        << QByteArray() << true;

    // Every byte is sent; the echo stops at the first zero byte.
    const QByteArray withZero("\x1b@AB\0CD\n", 8);
    QTest::newRow("zero byte inside the data")
        << QByteArray("recibo") << withZero << 8 << NoFailure << qint64(-1) << 0u << 0u
        << debugLines("\x1b@AB", "recibo") + "Entire file data was sent to printer.\n"
        << opened + QStringList{startDoc, "write(8)", "endPage", "endDocument", "close"}
        << withZero << true;

    const QByteArray zeroFirst("\0\x1d" "V\0", 4);
    QTest::newRow("zero byte first")
        << QByteArray("recibo") << zeroFirst << 4 << NoFailure << qint64(-1) << 0u << 0u
        << debugLines("", "recibo") + "Entire file data was sent to printer.\n"
        << opened + QStringList{startDoc, "write(4)", "endPage", "endDocument", "close"}
        << zeroFirst << true;

    // Only length bytes are looked at, even with more data behind them.
    QTest::newRow("length shorter than the data")
        << QByteArray("recibo") << QByteArray("ABCDEF") << 3 << NoFailure << qint64(-1) << 0u
        << 0u << debugLines("ABC", "recibo") + "Entire file data was sent to printer.\n"
        << opened + QStringList{startDoc, "write(3)", "endPage", "endDocument", "close"}
        << QByteArray("ABC") << true;

    const QByteArray high = bytesFrom(0x80, 0xFF);
    QTest::newRow("bytes 80..FF")
        << QByteArray("recibo") << high << high.size() << NoFailure << qint64(-1) << 0u << 0u
        << debugLines(high, "recibo") + "Entire file data was sent to printer.\n"
        << opened + QStringList{startDoc, "write(128)", "endPage", "endDocument", "close"}
        << high << true;

    const QByteArray all = bytesFrom(0, 255);
    QTest::newRow("all 256 values")
        << QByteArray("recibo") << all << all.size() << NoFailure << qint64(-1) << 0u << 0u
        << debugLines("", "recibo") + "Entire file data was sent to printer.\n"
        << opened + QStringList{startDoc, "write(256)", "endPage", "endDocument", "close"}
        << all << true;

    QTest::newRow("another printer name")
        << QByteArray("Caixa 2 (balcão)") << QByteArray("x") << 1 << FailOpen << qint64(-1)
        << 0u << 0u << debugLines("x", "Caixa 2 (balcão)") + "retorno de erro em OpenPrinter"
        << QStringList{"available", QStringLiteral("open(Caixa 2 (balcão))")} << QByteArray()
        << false;
}

void TestRawSpooler::steps()
{
    QFETCH(QByteArray, printer);
    QFETCH(QByteArray, data);
    QFETCH(int, length);
    QFETCH(Failure, failure);
    QFETCH(qint64, accepted);
    QFETCH(quint32, errorBeforeClose);
    QFETCH(quint32, errorAfterClose);
    QFETCH(QByteArray, expectedOutput);
    QFETCH(QStringList, expectedCalls);
    QFETCH(QByteArray, expectedReceived);
    QFETCH(bool, expectedResult);

    ScriptedSpooler spooler;
    spooler.failure = failure;
    spooler.accepted = accepted;
    spooler.errorBeforeClose = errorBeforeClose;
    spooler.errorAfterClose = errorAfterClose;

    RecordingBuffer buffer;
    std::ostream out(&buffer);
    const bool result = sendDocumentToPrinter(spooler, out, printer.constData(), data.constData(), length, "RAW");

    QCOMPARE(buffer.text, expectedOutput);
    QCOMPARE(spooler.calls, expectedCalls);
    QCOMPARE(spooler.received, expectedReceived);
    QCOMPARE(result, expectedResult);
}

// Each line end, each failure message and the closing message reach the
// stream's target at once.
void TestRawSpooler::flushes_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QByteArray>("ending");

    QTest::newRow("success") << NoFailure << QByteArray("Entire file data was sent to printer.\n");
    QTest::newRow("not loadable") << FailLoad << QByteArray("nao foi possivel carregar winspool.drv");
    QTest::newRow("open fails") << FailOpen << QByteArray("retorno de erro em OpenPrinter");
    QTest::newRow("null handle") << NullHandle << QByteArray("retorno de erro em hPrinter");
    QTest::newRow("StartDoc fails") << FailStartDoc << QByteArray("erro ao iniciar StartDocPrinter: 5");
    QTest::newRow("write fails") << FailWrite << QByteArray("WritePrinter abort error: 5");
    QTest::newRow("EndPage fails") << FailEndPage << QByteArray("EndPagePrinter abort error: 5");
    QTest::newRow("EndDoc fails") << FailEndDoc << QByteArray("EndDocPrinter abort error: 5");
}

void TestRawSpooler::flushes()
{
    QFETCH(Failure, failure);
    QFETCH(QByteArray, ending);

    ScriptedSpooler spooler;
    spooler.failure = failure;
    spooler.errorBeforeClose = 5;
    spooler.errorAfterClose = 5;

    RecordingBuffer buffer;
    std::ostream out(&buffer);
    sendDocumentToPrinter(spooler, out, "recibo", "abc", 3, "RAW");

    const QByteArray line1 = "debug (text): abc\n";
    const QByteArray line2 = line1 + "debug (printerName): recibo\n";
    const QByteArray line3 = line2 + "debug (text): abc\n";
    QCOMPARE(buffer.text, line3 + ending);
    QVERIFY2(buffer.flushes.contains(line1), "no flush after the first line");
    QVERIFY2(buffer.flushes.contains(line2), "no flush after the printer line");
    QVERIFY2(buffer.flushes.contains(line3), "no flush after the third line");
    QVERIFY2(!buffer.flushes.isEmpty() && buffer.flushes.last() == buffer.text,
             "the last message was not flushed");
}

// Faults of the caller: the debug lines come out, nothing else is done with
// the data, and the result is false.
void TestRawSpooler::callerFaults_data()
{
    QTest::addColumn<bool>("nullName");
    QTest::addColumn<bool>("nullData");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("expectedOutput");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<bool>("expectedResult");

    QTest::newRow("negative length")
        << false << false << -1 << debugLines("", "recibo") << QStringList{"available"} << false;
    QTest::newRow("most negative length")
        << false << false << INT_MIN << debugLines("", "recibo") << QStringList{"available"}
        << false;
    QTest::newRow("no data behind a length")
        << false << true << 5 << debugLines("", "recibo") << QStringList{"available"} << false;
    QTest::newRow("no data, zero length")
        << false << true << 0
        << debugLines("", "recibo") + "Entire file data was sent to printer.\n"
        << opened + QStringList{startDoc, "write(0)", "endPage", "endDocument", "close"} << true;
    QTest::newRow("no printer name")
        << true << false << 3 << debugLines("abc", "") + "retorno de erro em OpenPrinter"
        << QStringList{"available", "open()"} << false;
}

void TestRawSpooler::callerFaults()
{
    QFETCH(bool, nullName);
    QFETCH(bool, nullData);
    QFETCH(int, length);
    QFETCH(QByteArray, expectedOutput);
    QFETCH(QStringList, expectedCalls);
    QFETCH(bool, expectedResult);

    ScriptedSpooler spooler;
    if (nullName)
        spooler.failure = FailOpen;
    RecordingBuffer buffer;
    std::ostream out(&buffer);
    const bool result = sendDocumentToPrinter(spooler, out, nullName ? nullptr : "recibo",
                                              nullData ? nullptr : "abcdef", length, "RAW");

    QCOMPARE(buffer.text, expectedOutput);
    QCOMPARE(spooler.calls, expectedCalls);
    QCOMPARE(result, expectedResult);
}

QTEST_APPLESS_MAIN(TestRawSpooler)
#include "tst_raw_spooler.moc"
