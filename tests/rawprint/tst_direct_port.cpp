// The direct-port writer: the bytes a file receives, the names of the
// ports, and the failures it must report.

#include "direct_port.h"
#include "print_control.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the code under test writes to standard error while it runs.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        if (file.open())
            ::dup2(file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        file.seek(0);
        return file.readAll();
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        saved = -1;
    }
    QTemporaryFile file;
    int saved = -1;
};

} // namespace

class TestDirectPort : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;

private slots:
    // Every byte as it is, LF and CR too (the text arrives with its line
    // ends made); the old contents are gone.
    void bytes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("pieces");
        QByteArray every;
        for (int value = 0; value < 256; ++value)
            every.append(char(value));
        QTest::newRow("every byte value, in pieces") << every << 7;
        QTest::newRow("nothing") << QByteArray() << 1;
    }

    void bytes()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, pieces);
        const QString path = scratch.filePath("porta.prn");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("conteudo antigo, mais longo que o novo\n");
        old.close();

        DirectPortWriter port(path.toStdString());
        QVERIFY(port.isOpen());
        const int step = (data.size() + pieces - 1) / qMax(pieces, 1);
        for (int at = 0; at < data.size(); at += step)
            QVERIFY(port.write(data.constData() + at, size_t(qMin(step, data.size() - at))));
        QVERIFY(port.close());
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), data);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("size");
        QTest::newRow("a folder that does not exist") << scratch.filePath("falta/saida.prn") << 10;
        // /dev/full takes the bytes into the stream's buffer, then refuses them.
        QTest::newRow("/dev/full, within a buffer") << "/dev/full" << 10;
        QTest::newRow("/dev/full, beyond a buffer") << "/dev/full" << (1 << 20);
    }

    void failures()
    {
        QFETCH(QString, target);
        QFETCH(int, size);
        DirectPortWriter port(target.toStdString());
        const bool written = port.write(QByteArray(size, 'x').constData(), size_t(size));
        QVERIFY(!(port.close() && written));
        QVERIFY(!port.write("x", 1));
    }

    // A FIFO stands for a port that takes no bytes: with nobody reading it
    // cannot even be opened, with a reader that never reads it takes what
    // its buffer holds. Either way the print fails once the target has taken
    // nothing for the limit, and says how far it got.
    void stalledTarget_data()
    {
        QTest::addColumn<bool>("reader");
        QTest::addColumn<QByteArray>("report");
        QTest::newRow("a FIFO nobody reads") << false
            << QByteArray("escrita direta: nao foi possivel abrir {path}: o destino nao recebeu bytes em 0.3 s\n");
        QTest::newRow("a FIFO whose reader never reads") << true
            << QByteArray("escrita direta: {held} de 1048576 bytes enviados antes de parar: o destino nao recebeu bytes em 0.3 s\n");
    }

    void stalledTarget()
    {
        QFETCH(bool, reader);
        QFETCH(QByteArray, report);
        const QString path = scratch.filePath(QStringLiteral("fifo-%1").arg(reader));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        const int readEnd = reader ? ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK) : -1;
        QCOMPARE(readEnd >= 0, reader);
        // The bytes the pipe holds: all that can go out.
        const int held = reader ? ::fcntl(readEnd, F_GETPIPE_SZ) : 0;

        PrintControl control(std::chrono::milliseconds(300));
        QElapsedTimer timer;
        timer.start();
        StderrCapture errors;
        DirectPortWriter port(path.toStdString(), &control);
        const bool opened = port.isOpen();
        const QByteArray data(1 << 20, '\n');
        const bool written = port.write(data.constData(), size_t(data.size()));
        const bool closed = port.close();
        const QByteArray diagnostics = errors.text();
        if (readEnd >= 0)
            ::close(readEnd);

        QCOMPARE(opened, reader);
        QVERIFY(!written);
        QVERIFY(!closed);
        QVERIFY2(timer.elapsed() < 10000, QByteArray::number(timer.elapsed()).constData());
        QCOMPARE(port.bytesWritten(), size_t(held));
        QCOMPARE(diagnostics, report.replace("{path}", QFile::encodeName(path)).replace("{held}", QByteArray::number(held)));
    }

    // As root a plain fopen would make /dev/lpN a regular file and "print"
    // into it; a port that is not there must fail instead.
    void missingPortIsNotCreated()
    {
        const QString device = QString::fromStdString(directPortPath("LPT9"));
        if (QFile::exists(device))
            QSKIP("this machine has the device");
        DirectPortWriter port("LPT9");
        QVERIFY(!port.isOpen());
        QVERIFY(!port.close());
        QVERIFY(!QFile::exists(device));
    }

    void portPath_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        QTest::newRow("LPT1") << "LPT1" << "/dev/lp0";
        QTest::newRow("lpt9:") << "lpt9:" << "/dev/lp8";
        QTest::newRow("COM3") << "COM3" << "/dev/ttyS2";
        QTest::newRow("LPT0 is a file") << "LPT0" << "LPT0";
        QTest::newRow("LPT10 is a file") << "LPT10" << "LPT10";
        QTest::newRow("a path") << "/tmp/porta.prn" << "/tmp/porta.prn";
    }

    void portPath()
    {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(directPortPath(target.toStdString())), path);
    }
};

QTEST_GUILESS_MAIN(TestDirectPort)
#include "tst_direct_port.moc"
