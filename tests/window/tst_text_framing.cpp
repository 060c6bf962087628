// The bytes the direct-write roads send and the page the "alto" road prints.

#include "html_page.h"
#include "text_framing.h"
#include "window_support.h"

#include <QComboBox>
#include <QSpinBox>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// Plain one-byte-at-a-time versions of the two builders: the fast ones
// must give the same bytes for any input.
QByteArray referenceFrame(const QByteArray &text, int left, int top, int bottom)
{
    QByteArray out(top, '\n');
    for (const QByteArray &line : text.split('\n'))
        out += QByteArray(left, ' ') + line + '\n';
    return out + QByteArray(bottom, '\n');
}

QByteArray referencePage(const QByteArray &text, int size, const QByteArray &face, bool bold)
{
    QByteArray body;
    for (char c : text)
        body += c == '\n' ? QByteArray("<br>") : c == ' ' ? QByteArray("&nbsp;") : QByteArray(1, c);
    return "<html><body><font style='font-size: " + QByteArray::number(size) + "px; font-family: " + face
           + (bold ? "; font-weight: 600'>" : ";'>") + body + "</font></body></html>";
}

// Text of the given length whose bytes are LF, space or other bytes in
// proportions that change from seed to seed, so that runs of each meet
// every position of a 16-byte block.
QByteArray randomText(quint32 seed, int length)
{
    QRandomGenerator random(seed);
    const int lineFeeds = int(random.bounded(60));
    const int spaces = int(random.bounded(60));
    QByteArray text(length, Qt::Uninitialized);
    for (char &c : text) {
        const int roll = int(random.bounded(100));
        c = roll < lineFeeds ? '\n' : roll < lineFeeds + spaces ? ' ' : char(random.bounded(256));
    }
    return text;
}

} // namespace

class TextFramingTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { removeConfig(); }

    void frame_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("framed");
        QTest::newRow("worked example") << QByteArray("AB\nC") << 2 << 1 << 2 << "draft"
                                        << QByteArray("\x1b\x78\x30\x1b\x12\n  AB\n  C\n\n\n");
        QTest::newRow("no margins") << QByteArray("AB") << 0 << 0 << 0 << "" << QByteArray("AB\n");
        QTest::newRow("final LF is an empty line") << QByteArray("AB\n") << 0 << 0 << 0 << ""
                                                   << QByteArray("AB\n\n");
        QTest::newRow("empty last line takes the margin") << QByteArray("A\n") << 3 << 0 << 0 << ""
                                                          << QByteArray("   A\n   \n");
        QTest::newRow("empty file") << QByteArray() << 3 << 1 << 1 << "" << QByteArray("\n   \n\n");
        QTest::newRow("blank lines in the middle") << QByteArray("A\n\nB") << 1 << 0 << 0 << ""
                                                   << QByteArray(" A\n \n B\n");
        QTest::newRow("own spaces kept") << QByteArray("  A") << 2 << 0 << 0 << "" << QByteArray("    A\n");
        QTest::newRow("zero byte kept") << QByteArray("A\0B", 3) << 1 << 0 << 0 << ""
                                        << QByteArray(" A\0B\n", 5);
        QTest::newRow("high bytes and tabs kept") << QByteArray("\xe9\t\x80\xff") << 0 << 0 << 1 << ""
                                                  << QByteArray("\xe9\t\x80\xff\n\n");
        QTest::newRow("draft condensed") << QByteArray("A") << 0 << 1 << 0 << "draft condensed"
                                         << QByteArray("\x1b\x78\x30\x1b\x0f\nA\n");
        QTest::newRow("mode in another case") << QByteArray("A") << 0 << 0 << 0 << "Draft" << QByteArray("A\n");
        QTest::newRow("largest margins") << QByteArray("A") << 99 << 99 << 99 << ""
                                         << QByteArray(99, '\n') + QByteArray(99, ' ') + "A\n" + QByteArray(99, '\n');
    }

    void frame()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(QString, mode);
        QFETCH(QByteArray, framed);
        QCOMPARE(frameText(text, left, top, bottom, dotMatrixPrefix(mode)).toHex(' '), framed.toHex(' '));
    }

    void fastMatchesReference_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 300; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void fastMatchesReference()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed * 7919);
        const int length = int(random.bounded(seed % 3 == 0 ? 4000 : 200));
        const QByteArray text = randomText(seed, length);
        const int left = int(random.bounded(100));
        const int top = int(random.bounded(3));
        const int bottom = int(random.bounded(3));
        QCOMPARE(frameText(text, left, top, bottom), referenceFrame(text, left, top, bottom));
        QCOMPARE(buildHtmlPage(text, left, "Arial", seed % 2), referencePage(text, left, "Arial", seed % 2));
    }

    // The window frames its file with the values its widgets show now.
    void buildDirectTextReadsTheWidgets()
    {
        QTemporaryDir scratch;
        const QString path = scratch.filePath("ab.txt");
        writeFile(path, "AB\r\nC");
        MainWindow window;
        QVERIFY(window.initialise(*qApp, path));
        window.findChild<QSpinBox *>("margem_esquerda")->setValue(2);
        window.findChild<QSpinBox *>("margem_superior")->setValue(1);
        window.findChild<QSpinBox *>("margem_inferior")->setValue(2);
        window.findChild<QComboBox *>("matricialComboBox")->setCurrentText("draft");
        const QByteArray expected("\x1b\x78\x30\x1b\x12\n  AB\n  C\n\n\n");
        QCOMPARE(WindowProbe::buildDirectText(window).toHex(' '), expected.toHex(' '));
        QCOMPARE(WindowProbe::buildDirectText(window), expected); // no state kept between calls
        window.findChild<QSpinBox *>("margem_esquerda")->setValue(0);
        QCOMPARE(WindowProbe::buildDirectText(window), QByteArray("\x1b\x78\x30\x1b\x12\nAB\nC\n\n\n"));
    }

    void htmlPage_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("face");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QByteArray>("page");
        QTest::newRow("bold Arial 12")
            << QByteArray("Total: 2\n") << 12 << QByteArray("Arial") << true
            << QByteArray("<html><body><font style='font-size: 12px; font-family: Arial; font-weight: 600'>"
                          "Total:&nbsp;2<br></font></body></html>");
        QTest::newRow("normal, size 0")
            << QByteArray("a  b") << 0 << QByteArray("Courier New") << false
            << QByteArray("<html><body><font style='font-size: 0px; font-family: Courier New;'>"
                          "a&nbsp;&nbsp;b</font></body></html>");
        QTest::newRow("markup passes")
            << QByteArray("<b>x</b>&amp;\t") << 10 << QByteArray("Verdana") << false
            << QByteArray("<html><body><font style='font-size: 10px; font-family: Verdana;'>"
                          "<b>x</b>&amp;\t</font></body></html>");
        QTest::newRow("placeholders in the file print as written")
            << QByteArray("#font-size##font-face#") << 9 << QByteArray("Arial") << false
            << QByteArray("<html><body><font style='font-size: 9px; font-family: Arial;'>"
                          "#font-size##font-face#</font></body></html>");
        QTest::newRow("empty file")
            << QByteArray() << 10 << QByteArray("Arial") << false
            << QByteArray("<html><body><font style='font-size: 10px; font-family: Arial;'></font></body></html>");
    }

    void htmlPage()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, size);
        QFETCH(QByteArray, face);
        QFETCH(bool, bold);
        QFETCH(QByteArray, page);
        QCOMPARE(buildHtmlPage(text, size, face, bold), page);
    }

    void utf8UpToZero_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("stops at zero") << QByteArray("ab\0cd", 5) << "ab";
        QTest::newRow("no zero") << QByteArray("S\xc3\xa3o") << QString::fromUtf8("S\u00e3o");
        QTest::newRow("invalid UTF-8") << QByteArray("\xe9") << QString(QChar(0xfffd));
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void utf8UpToZero()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(::utf8UpToZero(bytes), text);
    }
};

QTEST_MAIN(TextFramingTest)
#include "tst_text_framing.moc"
