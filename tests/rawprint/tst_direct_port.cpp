// The direct-port writer: the bytes a file receives, the names of the
// ports, and the failures it must report.

#include "direct_port.h"

#include <QtTest>

class TestDirectPort : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;

private slots:
    // What a Windows text-mode stream puts out: every LF as CR LF, every
    // other byte as it is; the old contents are gone.
    void bytes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<QByteArray>("expected");
        QByteArray every, everyOut;
        for (int value = 0; value < 256; ++value) {
            every.append(char(value));
            everyOut.append(value == '\n' ? QByteArray("\r\n") : QByteArray(1, char(value)));
        }
        QTest::newRow("LF becomes CR LF") << QByteArray("a\nb\n") << 1 << QByteArray("a\r\nb\r\n");
        QTest::newRow("a CR stays") << QByteArray("a\r\nb\r") << 1 << QByteArray("a\r\r\nb\r");
        QTest::newRow("every byte value, in pieces") << every << 7 << everyOut;
        QTest::newRow("nothing") << QByteArray() << 1 << QByteArray();
    }

    void bytes()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, pieces);
        QFETCH(QByteArray, expected);
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
        QCOMPARE(written.readAll(), expected);
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
