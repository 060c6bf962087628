// The bytes the direct-write roads send and the page the "alto" road prints.

#include "html_page.h"
#include "text_framing.h"

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

    void htmlPage_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("face");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QByteArray>("page");
        QTest::newRow("placeholders in the file print as written")
            << QByteArray("#font-size##font-face#") << 9 << QByteArray("Arial") << false
            << QByteArray("<html><body><font style='font-size: 9px; font-family: Arial;'>"
                          "#font-size##font-face#</font></body></html>");
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
};

QTEST_MAIN(TextFramingTest)
#include "tst_text_framing.moc"
