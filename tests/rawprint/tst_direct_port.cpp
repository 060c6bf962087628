// The direct-port writer: the bytes a file receives, the names of the
// ports, and the failures it must report.

#include "device_status.h"
#include "direct_port.h"
#include "port_target.h"
#include "print_control.h"
#include "stderr_capture.h"

#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A pty pair: the program writes to the terminal side as to a serial port,
// the test reads what a printer behind it would receive.
class PtyPair
{
public:
    PtyPair()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            path = QString::fromLocal8Bit(::ptsname(master));
        // Held open, so that the line and its settings outlive the writer.
        if (!path.isEmpty())
            terminal = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
    }
    ~PtyPair()
    {
        if (terminal >= 0)
            ::close(terminal);
        if (master >= 0)
            ::close(master);
    }
    bool ready() const { return master >= 0 && terminal >= 0; }
    termios mode() const
    {
        termios now = {};
        ::tcgetattr(terminal, &now);
        return now;
    }
    // What reached the printer's side, until `count` bytes or 5 s without one.
    QByteArray received(int count) const
    {
        QByteArray bytes;
        char buffer[4096];
        pollfd ready = {master, POLLIN, 0};
        while (bytes.size() < count && ::poll(&ready, 1, 5000) > 0) {
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got <= 0)
                break;
            bytes.append(buffer, int(got));
        }
        return bytes;
    }

    QString path;

private:
    int master = -1;
    int terminal = -1;
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

    // A serial line in the kernel's default mode would make every 0x0A two
    // bytes, inside printer commands too (a QR code's length byte here):
    // the line is raw for the print, at the speed given, and back as it was
    // after it.
    void serialLine_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("frame");
        // A tagged receipt as the program writes it for a port: its text's
        // line ends CR LF, the QR code's length byte 10.
        QTest::newRow("the default mode, a tagged receipt byte for byte") << "" << int(B38400) << int(CS8);
        QTest::newRow("a speed after the name") << ":115200" << int(B115200) << int(CS8);
        // A pty keeps 8 bits and no parity whatever it is told: the stop bits show.
        QTest::newRow("as Windows' mode writes it") << ":9600,n,8,2" << int(B9600) << int(CS8 | CSTOPB);
    }

    void serialLine()
    {
        QFETCH(QString, settings);
        QFETCH(int, speed);
        QFETCH(int, frame);
        const QByteArray receipt = QByteArray::fromHex(
            "1b7403 1b6101 1b4501 508e4f 0d0a 1b6100 1d286b040031413200 1d286b03003143 04"
            "1d286b0a0031503030313233343536 37 1d286b0300315130 0d0a 1b700019fa 0a0d 1b69");
        PtyPair pty;
        QVERIFY(pty.ready());
        const termios before = pty.mode();
        QVERIFY(before.c_oflag & OPOST);

        DirectPortWriter port((pty.path + settings).toStdString());
        QVERIFY(port.isOpen());
        QVERIFY(port.write(receipt.constData(), size_t(receipt.size())));
        const termios during = pty.mode();
        QVERIFY(port.close());
        const termios after = pty.mode();

        QCOMPARE(pty.received(receipt.size() + 64).toHex(' '), receipt.toHex(' '));
        QCOMPARE(int(cfgetospeed(&during)), speed);
        QCOMPARE(int(during.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS)), frame);
        QCOMPARE(int(during.c_oflag & OPOST), 0);
        QCOMPARE(int(during.c_lflag & (ECHO | ICANON)), 0);
        QCOMPARE(int(during.c_iflag & (IXON | IXOFF)), 0);
        // Back as it was.
        QCOMPARE(after.c_oflag, before.c_oflag);
        QCOMPARE(after.c_lflag, before.c_lflag);
        QCOMPARE(after.c_cflag, before.c_cflag);
        QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
    }

    // The window's status question never touches a line a print holds: it
    // would put back the settings it found, the print's raw mode, or leave
    // the kernel's default mode in the middle of a receipt.
    void statusQuestionDuringPrint()
    {
        PtyPair pty;
        QVERIFY(pty.ready());
        DirectPortWriter port(pty.path.toStdString());
        QVERIFY(port.isOpen());
        const DeviceStatus status = queryDeviceStatus(parsePortTarget(pty.path.toStdString()));
        QCOMPARE(int(status.reply), int(DeviceStatus::Reply::busy));
        QCOMPARE(int(pty.mode().c_oflag & OPOST), 0);
        QVERIFY(port.write("\n", 1));
        QVERIFY(port.close());
        QCOMPARE(pty.received(1), QByteArray("\n"));
        QVERIFY(pty.mode().c_oflag & OPOST);
    }

    // A speed given to what is no serial line is refused, not ignored.
    void settingsForNoSerialLine()
    {
        StderrCapture errors;
        DirectPortWriter port("/dev/null:9600");
        QVERIFY(!port.isOpen());
        QVERIFY(errors.text().contains("nao e uma porta serial"));
    }

    void target_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("settings");
        QTest::newRow("tcp:// with a port") << "tcp://192.168.0.50:9101" << "network" << "192.168.0.50:9101" << "";
        QTest::newRow("TCP: without one, 9100") << "TCP:impressora-cozinha" << "network" << "impressora-cozinha:9100" << "";
        QTest::newRow("any case, a slash after") << "Tcp://127.0.0.1:9100/" << "network" << "127.0.0.1:9100" << "";
        QTest::newRow("IPv6 in brackets") << "tcp://[::1]:9200" << "network" << "[::1]:9200" << "";
        QTest::newRow("IPv6 in brackets, no port") << "TCP:[fe80::1]" << "network" << "[fe80::1]:9100" << "";
        QTest::newRow("IPv6 without brackets is a path") << "tcp://::1:9100" << "path" << "tcp://::1:9100" << "";
        QTest::newRow("a port out of range is a path") << "TCP:host:70000" << "path" << "TCP:host:70000" << "";
        QTest::newRow("no host is a path") << "tcp://" << "path" << "tcp://" << "";
        QTest::newRow("COM1 with a speed") << "COM1:9600" << "serial" << "/dev/ttyS0" << "9600 n 8 1";
        QTest::newRow("COM2 as mode writes it") << "com2:19200,E,7,1.5,x" << "serial" << "/dev/ttyS1" << "19200 e 7 2 x";
        QTest::newRow("COM3: keeps its speed") << "COM3:" << "serial" << "/dev/ttyS2" << "0 n 8 1";
        QTest::newRow("a device with a speed") << "/dev/tty:115200" << "serial" << "/dev/tty" << "115200 n 8 1";
        QTest::newRow("a file name with a colon stays whole") << "/tmp/nota:9600" << "path" << "/tmp/nota:9600" << "";
        QTest::newRow("settings that make no sense: a path") << "COM1:9600,q,8,1" << "path" << "COM1:9600,q,8,1" << "";
    }

    void target()
    {
        QFETCH(QString, text);
        QFETCH(QString, kind);
        QFETCH(QString, where);
        QFETCH(QString, settings);
        const PortTarget target = parsePortTarget(text.toStdString());
        const char *kinds[] = {"path", "serial", "network"};
        QCOMPARE(QString::fromLatin1(kinds[int(target.kind)]), kind);
        if (target.kind == PortTarget::Kind::network) {
            QCOMPARE(QString::fromStdString(networkAddressText(target)), where);
            return;
        }
        QCOMPARE(QString::fromStdString(target.path), where);
        if (target.kind == PortTarget::Kind::serial) {
            const SerialSettings &serial = target.serial;
            QString text = QStringLiteral("%1 %2 %3 %4").arg(serial.speed).arg(QChar::fromLatin1(serial.parity))
                               .arg(serial.dataBits).arg(serial.stopBits);
            if (serial.flow != SerialSettings::Flow::none)
                text += serial.flow == SerialSettings::Flow::xonXoff ? " x" : " p";
            QCOMPARE(text, settings);
        }
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
