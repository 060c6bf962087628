// The bytes the direct-write roads send, the page the "alto" road prints,
// and how the file's bytes read as text and convert to a printer's page.

#include "code_pages.h"
#include "direct_text.h"
#include "framed_ahead.h"
#include "html_page.h"
#include "text_framing.h"
#include "utf16_text.h"

#include <QRandomGenerator>
#include <QtTest>

#include <iconv.h>

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

// glibc's own conversion of `bytes`; null when it refuses any of them.
QByteArray iconvConvert(const char *from, const char *to, const QByteArray &bytes)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == iconv_t(-1))
        qFatal("iconv knows no %s or %s", from, to);
    QByteArray out(bytes.size() * 4 + 4, '\0');
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char *at = out.data();
    size_t outLeft = size_t(out.size());
    const bool converted = iconv(converter, &in, &inLeft, &at, &outLeft) != size_t(-1);
    iconv_close(converter);
    return converted ? out.left(int(at - out.data())) : QByteArray();
}

const CodePage &page(const char *name)
{
    const CodePage *found = codePageNamed(name);
    if (!found)
        qFatal("no code page %s", name);
    return *found;
}

QByteArray converted(const char *name, const QByteArray &text)
{
    QByteArray bytes = text;
    bytes.truncate(int(convertToCodePage(bytes.data(), size_t(bytes.size()), page(name))));
    return bytes;
}

} // namespace

class TextFramingTest : public QObject
{
    Q_OBJECT

private slots:
    // The pages of the page roads, joined by "|".
    void formFeeds_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("pages");
        QTest::newRow("none") << QByteArray("a\nb\n") << QByteArray("a\nb\n");
        QTest::newRow("three pages, the line ends before each feed") << QByteArray("p1\n\fp2\n\fp3\n")
                                                                     << QByteArray("p1|p2|p3\n");
        QTest::newRow("a feed that ends the report starts no page") << QByteArray("p1\fp2\f\n\n")
                                                                    << QByteArray("p1|p2");
        QTest::newRow("a line end after the feed is the new page's") << QByteArray("p1\f\np2")
                                                                     << QByteArray("p1|\np2");
        QTest::newRow("two feeds: a blank page") << QByteArray("p1\f\fp3") << QByteArray("p1||p3");
        QTest::newRow("a feed alone: one empty page") << QByteArray("\f") << QByteArray("");
    }

    void formFeeds()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, pages);
        const QList<QByteArray> cut = formFeedPages(text);
        QCOMPARE(cut.size(), pages.count('|') + 1);
        QCOMPARE(QByteArrayList(cut).join('|'), pages);
    }

    // The bytes of a file with a UTF-16 byte-order mark, as UTF-8.
    void fromUtf16_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("utf8");
        QTest::newRow("big endian, a pair") << QByteArray("\xfe\xff\xd8\x3d\xde\x00", 6) << QByteArray("\xf0\x9f\x98\x80");
        QTest::newRow("a low surrogate alone, an odd byte") << QByteArray("\xff\xfe\x00\xdc\x41", 5)
                                                            << QByteArray("\xef\xbf\xbd\xef\xbf\xbd");
        QTest::newRow("only the mark") << QByteArray("\xff\xfe") << QByteArray("");
    }

    void fromUtf16()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, utf8);
        QVERIFY(startsWithUtf16Mark(bytes));
        QCOMPARE(utf8FromUtf16(bytes), utf8);
    }

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

    void readAsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("mixed, each as what it is") << QByteArray("P\xc3\xa3o P\xe3o") << QString::fromUtf8("Pão Pão");
        QTest::newRow("byte-order mark dropped as before") << QByteArray("\xef\xbb\xbfP\xc3\xa3o") << "Pão";
        QTest::newRow("byte-order mark, then Windows-1252") << QByteArray("\xef\xbb\xbfP\xe3o") << "Pão";
        QTest::newRow("NULs left out, the rest kept") << QByteArray("P\xe3o\0res\0\0to\0", 12) << "Pãoresto";
        QTest::newRow("a NUL inside a sequence splits it") << QByteArray("\xc3\0\xa3", 3) << QString::fromUtf8("Ã£");
        QTest::newRow("a cut sequence, then ASCII") << QByteArray("\xc3 a") << QString::fromUtf8("Ã a");
        QTest::newRow("an encoded surrogate is three stray bytes") << QByteArray("\xed\xa0\x80")
                                                                  << QString::fromUtf8("í\u00a0€");
        QTest::newRow("a stray byte, then four bytes of UTF-8") << QByteArray("\xe9 \xf0\x9f\x98\x80")
                                                                << QString::fromUtf8("é 😀");
        QTest::newRow("a stray byte after 40 ASCII") << QByteArray(40, 'a') + "\xe7" << QString(40, 'a') + "ç";
    }

    void readAsText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(readableText(bytes), text);
    }

    // With no margins: the page's selection, the prefix, the converted
    // text and one LF.
    void toCodePage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray utf8 = "P\xc3\x83O \xc3\xa7\xc3\xa3o", cp1252 = "P\xc3O \xe7\xe3o";
        QTest::newRow("epson pc860, UTF-8") << "epson pc860" << QByteArray() << utf8 << QByteArray("\x1bt\x03P\x8eO \x87\x84o\n");
        QTest::newRow("bematech pc860, Windows-1252") << "bematech pc860" << QByteArray() << cp1252
                                                      << QByteArray("\x1bt\x04P\x8eO \x87\x84o\n");
        QTest::newRow("epson pc850") << "epson pc850" << QByteArray() << cp1252 << QByteArray("\x1bt\x02P\xc7O \x87\xc6o\n");
        QTest::newRow("bematech pc850") << "bematech pc850" << QByteArray() << utf8 << QByteArray("\x1bt\x02P\xc7O \x87\xc6o\n");
        QTest::newRow("epson pc858, the euro") << "epson pc858" << QByteArray() << QByteArray("\xe2\x82\xac 5")
                                               << QByteArray("\x1bt\x13\xd5 5\n");
        QTest::newRow("epson wpc1252, UTF-8") << "epson wpc1252" << QByteArray() << utf8 << QByteArray("\x1bt\x10P\xc3O \xe7\xe3o\n");
        QTest::newRow("wpc1252: undefined bytes") << "wpc1252" << QByteArray() << QByteArray("\x81\x9d") << QByteArray("??\n");
        QTest::newRow("the selection before the dot-matrix mode") << "epson pc860" << dotMatrixPrefix("draft")
                                                                  << QByteArray("a") << QByteArray("\x1bt\x03\x1bx0\x1b\x12" "a\n");
        QTest::newRow("byte-order mark dropped") << "pc860" << QByteArray() << QByteArray("\xef\xbb\xbf\xc3\xa3")
                                                 << QByteArray("\x84\n");
        QTest::newRow("NUL kept, the text goes on") << "pc850" << QByteArray() << QByteArray("a\0\xc3\xa3", 4)
                                                    << QByteArray("a\0\xc6\n", 4);
        QTest::newRow("ASCII moved back after a shrink") << "pc850" << QByteArray() << "\xc3\xa3" + QByteArray(40, 'a') + "\xc3\xa3"
                                                         << "\xc6" + QByteArray(40, 'a') + "\xc6\n";
    }

    void toCodePage()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(frameTextInCodePage(text, 0, 0, 0, prefix, page(qPrintable(name))).toHex(' '), bytes.toHex(' '));
    }

    // Exact names only: anything else converts nothing.
    void pageNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("known");
        QTest::newRow("a page") << "epson pc860" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("unknown") << "epson pc437" << false;
        QTest::newRow("with a space") << "epson pc860 " << false;
        QTest::newRow("in capitals") << "EPSON PC860" << false;
    }

    void pageNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, known);
        QCOMPARE(codePageNamed(name.toStdString()) != nullptr, known);
    }

    // Every byte 0x80 to 0xFF of every page, and characters some pages or
    // all lack, against glibc: the same character for the byte, the same byte
    // for the character ('?' where iconv refuses it). Windows-1252 is also
    // how stray bytes read.
    void matchesIconv_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("iconvName");
        QTest::addColumn<int>("byte");
        QTest::addColumn<QByteArray>("character");
        const QPair<const char *, const char *> pages[] = {
            {"pc850", "CP850"}, {"pc858", "CP858"}, {"pc860", "CP860"}, {"wpc1252", "CP1252"}};
        const QPair<const char *, const char *> characters[] = {
            {"U+20AC", "\xe2\x82\xac"}, {"U+0160", "\xc5\xa0"}, {"U+2500", "\xe2\x94\x80"},
            {"U+0080", "\xc2\x80"}, {"U+4E2D", "\xe4\xb8\xad"}, {"U+1F600", "\xf0\x9f\x98\x80"}};
        for (const auto &p : pages) {
            for (int byte = 0x80; byte <= 0xff; ++byte)
                QTest::addRow("%s %02X", p.first, byte) << p.first << QByteArray(p.second) << byte << QByteArray();
            for (const auto &c : characters)
                QTest::addRow("%s %s", p.first, c.first) << p.first << QByteArray(p.second) << -1 << QByteArray(c.second);
        }
    }

    void matchesIconv()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, iconvName);
        QFETCH(int, byte);
        QFETCH(QByteArray, character);
        const QByteArray page = name.toLatin1();
        if (byte >= 0) {
            character = iconvConvert(iconvName, "UTF-8", QByteArray(1, char(byte)));
            const QString read = character.isNull() ? QString(QChar(0xfffd)) : QString::fromUtf8(character);
            QCOMPARE(QString(QChar(codePageCharacter(::page(page), uchar(byte)))), read);
            if (iconvName == "CP1252")
                QCOMPARE(readableText(QByteArray(1, char(byte))), read);
            if (character.isNull())
                return;
        }
        const QByteArray expected = iconvConvert("UTF-8", iconvName, character);
        QCOMPARE(converted(page, character).toHex(' '), (expected.isNull() ? QByteArray("?") : expected).toHex(' '));
    }

    // The text framed before the press is used only for a press with the
    // same choices and the same file; any other press frames its own.
    void framedAhead_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("used");
        QTest::newRow("baixo, nothing changed") << "baixo" << "" << true;
        QTest::newRow("escrita direta, nothing changed: CR LF") << "escrita direta" << "" << true;
        QTest::newRow("a page road frames nothing") << "medio" << "" << false;
        QTest::newRow("the left margin changed") << "baixo" << "left" << false;
        QTest::newRow("the top margin changed") << "baixo" << "top" << false;
        QTest::newRow("the bottom margin changed") << "baixo" << "bottom" << false;
        QTest::newRow("the code page changed") << "baixo" << "codePage" << false;
        QTest::newRow("the dot-matrix mode changed") << "baixo" << "dotMatrix" << false;
        QTest::newRow("tags read now") << "baixo" << "tags" << false;
        QTest::newRow("the receipt's width changed") << "baixo" << "columns" << false;
        QTest::newRow("the level changed to escrita direta") << "baixo" << "level" << false;
        QTest::newRow("the same bytes, another file") << "baixo" << "file" << false;
        QTest::newRow("the printer changed: used") << "baixo" << "printer" << true;
        QTest::newRow("a file above the limit") << "baixo" << "large" << false;
    }

    void framedAhead()
    {
        QFETCH(QString, level);
        QFETCH(QString, change);
        QFETCH(bool, used);
        PrintJob job;
        job.level = level;
        job.printerName = QStringLiteral("termica");
        job.fileData = QByteArray("P\xc3\xa3o\nA\n");
        job.leftMargin = 2;
        job.topMargin = 1;
        job.bottomMargin = 2;
        if (change == QLatin1String("large"))
            job.fileData = QByteArray(FramedAhead::largestFile + 1, 'x');
        FramedAhead ahead;
        ahead.start(job);

        PrintJob pressed = job;
        if (change == QLatin1String("left"))
            pressed.leftMargin = 0;
        else if (change == QLatin1String("top"))
            pressed.topMargin = 0;
        else if (change == QLatin1String("bottom"))
            pressed.bottomMargin = 0;
        else if (change == QLatin1String("codePage"))
            pressed.codePage = QStringLiteral("epson pc860");
        else if (change == QLatin1String("dotMatrix"))
            pressed.dotMatrixMode = QStringLiteral("draft");
        else if (change == QLatin1String("tags"))
            pressed.tags = QStringLiteral("acbr");
        else if (change == QLatin1String("columns"))
            pressed.columns = 32;
        else if (change == QLatin1String("level"))
            pressed.level = QStringLiteral("escrita direta");
        else if (change == QLatin1String("file"))
            pressed.fileData = QByteArray(job.fileData.constData(), job.fileData.size());
        else if (change == QLatin1String("printer"))
            pressed.printerName = QStringLiteral("outra");

        const std::shared_future<QByteArray> text = ahead.forJob(pressed);
        QCOMPARE(text.valid(), used);
        if (used) {
            const LineEnds ends = level == QLatin1String("baixo") ? LineEnds::Lf : LineEnds::CrLf;
            QCOMPARE(text.get(), directText(pressed, ends));
        }
    }
};

QTEST_MAIN(TextFramingTest)
#include "tst_text_framing.moc"
