// The direct-port writer: the bytes that reach a file, the port names, and
// the failures it must report.

#include "direct_port.h"

#include <QtTest>

namespace {

QByteArray bytesFrom(int first, int last)
{
    QByteArray bytes;
    for (int value = first; value <= last; ++value)
        bytes.append(static_cast<char>(value));
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<cannot read " + path.toUtf8() + ">");
    return file.readAll();
}

} // namespace

class TestDirectPort : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void truncates_data();
    void truncates();
    void failures_data();
    void failures();
    void writeAfterClose();
    void missingPortIsNotCreated();
    void portPath_data();
    void portPath();
};

void TestDirectPort::bytes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("LF becomes CR LF") << QByteArray("a\nb\n") << 1 << QByteArray("a\r\nb\r\n");
    QTest::newRow("lines only") << QByteArray("\n\n\n") << 1 << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("CR LF gets a second CR") << QByteArray("a\r\nb") << 1 << QByteArray("a\r\r\nb");
    QTest::newRow("lone CR kept") << QByteArray("a\rb") << 1 << QByteArray("a\rb");
    QTest::newRow("zero bytes kept")
        << QByteArray("\0a\0\n\0", 5) << 1 << QByteArray("\0a\0\r\n\0", 6);
    QTest::newRow("ESC/POS cut kept") << QByteArray("\x1d" "V\x00", 3) << 1
                                      << QByteArray("\x1d" "V\x00", 3);
    const QByteArray high = bytesFrom(0x80, 0xFF);
    QTest::newRow("bytes 80..FF kept") << high << 1 << high;
    QByteArray allExpected = bytesFrom(0, 9) + "\r\n" + bytesFrom(11, 255);
    QTest::newRow("all 256 values") << bytesFrom(0, 255) << 1 << allExpected;
    QTest::newRow("all 256 values, in pieces") << bytesFrom(0, 255) << 7 << allExpected;
    QTest::newRow("LF at every piece edge") << QByteArray("ab\ncd\nef\n") << 3
                                            << QByteArray("ab\r\ncd\r\nef\r\n");
    QTest::newRow("empty input") << QByteArray() << 1 << QByteArray();
}

void TestDirectPort::bytes()
{
    QFETCH(QByteArray, input);
    QFETCH(int, pieces);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("saida.txt");

    DirectPortWriter writer(path.toStdString());
    QVERIFY(writer.isOpen());
    const int step = (input.size() + pieces - 1) / qMax(pieces, 1);
    for (int at = 0; at < input.size(); at += step) {
        const int size = qMin(step, input.size() - at);
        QVERIFY(writer.write(input.constData() + at, static_cast<std::size_t>(size)));
    }
    if (input.isEmpty())
        QVERIFY(writer.write(input.constData(), 0));
    QVERIFY(writer.close());

    QVERIFY(QFile::exists(path));
    QCOMPARE(readAll(path), expected);
}

void TestDirectPort::truncates_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("shorter text") << QByteArray("x\n") << QByteArray("x\r\n");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
}

// An existing file is replaced, not appended to nor partly overwritten.
void TestDirectPort::truncates()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("saida.txt");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.write("an older and much longer content\n") > 0);
    }

    DirectPortWriter writer(path.toStdString());
    QVERIFY(writer.isOpen());
    QVERIFY(writer.write(input.constData(), static_cast<std::size_t>(input.size())));
    QVERIFY(writer.close());
    QCOMPARE(readAll(path), expected);
}

void TestDirectPort::failures_data()
{
    QTest::addColumn<QString>("target"); // "{tmp}" stands for a fresh folder
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("writes");
    QTest::addColumn<bool>("closes");

    QTest::newRow("folder that does not exist") << "{tmp}/falta/saida.txt" << 10 << false << false
                                                << false;
    QTest::newRow("target is a folder") << "{tmp}" << 10 << false << false << false;
    QTest::newRow("empty target") << "" << 10 << false << false << false;
    // /dev/full takes the bytes into the stream buffer, then refuses them.
    QTest::newRow("/dev/full, small") << "/dev/full" << 10 << true << true << false;
    QTest::newRow("/dev/full, larger than a buffer") << "/dev/full" << (1 << 20) << true << false
                                                     << false;
}

void TestDirectPort::failures()
{
    QFETCH(QString, target);
    QFETCH(int, size);
    QFETCH(bool, opens);
    QFETCH(bool, writes);
    QFETCH(bool, closes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    target.replace("{tmp}", dir.path());
    if (target == "/dev/full")
        QVERIFY2(QFile::exists(target), "this machine has no /dev/full");

    const QByteArray data(size, 'x');
    DirectPortWriter writer(target.toStdString());
    QCOMPARE(writer.isOpen(), opens);
    QCOMPARE(writer.write(data.constData(), static_cast<std::size_t>(data.size())), writes);
    QCOMPARE(writer.close(), closes);
    if (!opens && !target.isEmpty() && target != dir.path())
        QVERIFY(!QFile::exists(target));
}

// As root a plain fopen would make /dev/lpN a regular file and "print" into
// it; a port that is not there must fail instead.
void TestDirectPort::missingPortIsNotCreated()
{
    QString port;
    for (int n = 9; n >= 1 && port.isEmpty(); --n)
        if (!QFile::exists(QStringLiteral("/dev/lp%1").arg(n - 1)))
            port = QStringLiteral("LPT%1").arg(n);
    if (port.isEmpty())
        QSKIP("every parallel port device exists here");
    const QString device = QString::fromStdString(directPortPath(port.toStdString()));
    DirectPortWriter writer(port.toStdString());
    QVERIFY(!writer.isOpen());
    QVERIFY(!writer.close());
    QVERIFY(!QFile::exists(device));
}

void TestDirectPort::writeAfterClose()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("saida.txt");
    DirectPortWriter writer(path.toStdString());
    QVERIFY(writer.write("a\n", 2));
    QVERIFY(writer.close());
    QVERIFY(!writer.isOpen());
    QVERIFY(!writer.write("b\n", 2));
    QCOMPARE(readAll(path), QByteArray("a\r\n"));
}

void TestDirectPort::portPath_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");

    QTest::newRow("LPT1") << "LPT1" << "/dev/lp0";
    QTest::newRow("LPT2") << "LPT2" << "/dev/lp1";
    QTest::newRow("lpt9:") << "lpt9:" << "/dev/lp8";
    QTest::newRow("Lpt3:") << "Lpt3:" << "/dev/lp2";
    QTest::newRow("COM3") << "COM3" << "/dev/ttyS2";
    QTest::newRow("com1:") << "com1:" << "/dev/ttyS0";
    QTest::newRow("COM9") << "COM9" << "/dev/ttyS8";
    QTest::newRow("LPT0 is a path") << "LPT0" << "LPT0";
    QTest::newRow("LPT10 is a path") << "LPT10" << "LPT10";
    QTest::newRow("COM10 is a path") << "COM10" << "COM10";
    QTest::newRow("LPT1:: is a path") << "LPT1::" << "LPT1::";
    QTest::newRow("LPT is a path") << "LPT" << "LPT";
    QTest::newRow("LPTA is a path") << "LPTA" << "LPTA";
    QTest::newRow("PRN is a path") << "PRN" << "PRN";
    QTest::newRow(" LPT1 is a path") << " LPT1" << " LPT1";
    QTest::newRow("C:/x stays") << "C:/x" << "C:/x";
    QTest::newRow("absolute path stays") << "/dev/usb/lp0" << "/dev/usb/lp0";
    QTest::newRow("relative path stays") << "saida/recibo.txt" << "saida/recibo.txt";
    QTest::newRow("empty stays empty") << "" << "";
}

void TestDirectPort::portPath()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QCOMPARE(QString::fromStdString(directPortPath(target.toStdString())), path);
}

QTEST_APPLESS_MAIN(TestDirectPort)
#include "tst_direct_port.moc"
