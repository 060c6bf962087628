// The page roads print what QTextDocument::print prints of the document Qt
// builds from the text, to the pixel: the "alto" page with a paragraph per
// line instead of one paragraph of line breaks, and both roads painted page
// by page instead of the whole document for every page.

#include "html_page.h"
#include "line_blocks.h"
#include "page_painter.h"
#include "page_pieces.h"
#include "text_framing.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextOption>
#include <QtTest>

namespace {

// What a print function writes as PDF.
template<typename Print>
QByteArray pdfOf(Print print)
{
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(96);
        print(&writer);
    }
    return pdf.data();
}

// The pages of a PDF as poppler draws them, in grey: two ways of painting
// that look the same give the same images, whatever the PDF's own bytes.
QList<QByteArray> pagesOf(const QByteArray &pdf)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("doc.pdf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return {};
    file.close();
    if (QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("48"), QStringLiteral("-gray"), file.fileName(),
                           dir.filePath(QStringLiteral("page"))}) != 0)
        return {};
    QList<QByteArray> pages;
    for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("page*")}, QDir::Files, QDir::Name)) {
        QFile page(dir.filePath(name));
        page.open(QIODevice::ReadOnly);
        pages.append(page.readAll());
    }
    return pages;
}

// The text of each page of a PDF, as pdftotext reads it.
QStringList textOf(const QByteArray &pdf)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-"), QStringLiteral("-")});
    pdftotext.write(pdf);
    pdftotext.closeWriteChannel();
    pdftotext.waitForFinished(-1);
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'));
    pages.removeLast();
    return pages;
}

// Pieces that cross a page boundary on every page or two of a report.
PieceLimits smallPieces()
{
    PieceLimits limits;
    limits.paragraphs = 40;
    limits.characters = 3000;
    return limits;
}

// A report of numbered lines, from 1.
QByteArray report(int lines)
{
    QByteArray text;
    for (int i = 1; i <= lines; ++i)
        text += QByteArray::number(100000 + i) + " PARAFUSO SEXTAVADO " + QByteArray::number(i % 97) + "\n";
    return text;
}

// Prints the text as the page road of `level` does ("alto": at 10 px, with
// a 10 px margin), in pieces within `limits`. `expected` prints it as Qt
// prints the document the road would have built whole.
bool printText(const QByteArray &text, const QString &level, int fontSize, bool bold, QPagedPaintDevice *device,
               const PieceLimits &limits, const std::function<bool()> &abandoned = {})
{
    QTextDocument document;
    if (level == QLatin1String("medio")) {
        const QString framed = readableText(frameText(text, 2, 1, 2));
        wrapAnywhereIfUnbreakable(document, framed);
        PlainTextPieces pieces(framed, document.defaultTextOption());
        return paintPages(pieces, device, abandoned, limits);
    }
    document.setPageSize(QSizeF(device->width(), device->height()));
    document.setDocumentMargin(10);
    const QString plain = readableText(text);
    wrapAnywhereIfUnbreakable(document, plain);
    if (readsAsItself(plain)) {
        PlainPagePieces pieces(document, readableText(buildHtmlPage("x", fontSize, "Courier New", bold)), plain);
        return paintPages(pieces, device, abandoned, limits);
    }
    const bool gapsOpen = splitHtmlOneParagraphPerLine(document, readableText(buildHtmlPage(text, fontSize, "Courier New", bold)));
    DocumentPieces pieces(document, gapsOpen);
    return paintPages(pieces, device, abandoned, limits);
}

void printAsQt(const QByteArray &text, const QString &level, int fontSize, bool bold, QPagedPaintDevice *device)
{
    QTextDocument document;
    if (level == QLatin1String("medio")) {
        const QString framed = readableText(frameText(text, 2, 1, 2));
        wrapAnywhereIfUnbreakable(document, framed);
        document.setPlainText(framed);
    } else {
        document.setPageSize(QSizeF(device->width(), device->height()));
        document.setDocumentMargin(10);
        wrapAnywhereIfUnbreakable(document, readableText(text));
        document.setHtml(readableText(buildHtmlPage(text, fontSize, "Courier New", bold)));
    }
    document.print(device);
}

} // namespace

class PageLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void samePdfAsQt_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("level");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<bool>("bold");

        const QByteArray lines = report(400);
        QByteArray marked;
        for (int i = 1; i <= 300; ++i)
            marked += (i % 7 ? QByteArray::number(i) + " item" : "<b>" + QByteArray::number(i) + "</b> &amp; <font size=5>GRANDE</font>") + "\n";
        const QByteArray rows[][2] = {
            {"a receipt", "PADARIA S\xc3\x83O JO\xc3\x83O\nP\xc3\xa3o franc\xc3\xaas   7,50\nTOTAL  7,50\n"},
            {"a report of many pages", lines},
            {"a report with markup", marked},
            {"empty lines, first and last", "\n\nlinha\n\n\nfim\n\n"},
            {"no line feed at the end", "uma linha so"},
            {"an empty file", ""},
            {"characters from other fonts", "Pre\xc3\xa7o \xe2\x82\xac\n\xe2\x9c\x93 \xe6\x97\xa5\xe6\x9c\xac\n\n\xd0\x9f\xd1\x80\xd0\xb8\n"},
            {"lines wider than the page", QByteArray(900, 'x') + "\n" + QByteArray(40, 'y') + " " + QByteArray(700, 'z') + "\n\n"},
            {"markup and entities", "<b>negrito</b> &amp; fim\n<font size=6>GRANDE</font>\npequena\n\n<h1>Titulo</h1>\ndepois\n\tcom tab\n"},
            {"fonts that change at each line break", "<font size=1>a</font>\n<font size=7>b</font>\n<font size=2>c</font>\n"},
            {"an unclosed table", "<table>\n<tr><td>a\n<td>b\n<tr><td>c"},
            {"a list", "<ul><li>um\ndois</li></ul>\nfim\n"},
            {"a NUL byte", QByteArray("antes\0depois\n", 13)},
            {"a paragraph longer than a page", "antes\n" + QByteArray("palavra ").repeated(2500) + "\ndepois\n"},
        };
        for (const auto &row : rows) {
            for (const char *level : {"medio", "alto"})
                QTest::addRow("%s, %s", level, row[0].constData()) << row[1] << QString::fromLatin1(level) << 10 << false;
        }
        QTest::addRow("alto, a report in bold 14 px") << lines << "alto" << 14 << true;
        QTest::addRow("alto, markup in bold 14 px") << rows[8][1] << "alto" << 14 << true;
    }

    // Whole, and in pieces much smaller than the text.
    void samePdfAsQt()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, level);
        QFETCH(int, fontSize);
        QFETCH(bool, bold);

        const QList<QByteArray> expected = pagesOf(pdfOf([&](QPagedPaintDevice *device) {
            printAsQt(text, level, fontSize, bold, device);
        }));
        QVERIFY2(!expected.isEmpty(), "pdftoppm (poppler-utils) drew no page");
        for (const PieceLimits &limits : {PieceLimits(), smallPieces()}) {
            const QByteArray actual = pdfOf([&](QPagedPaintDevice *device) {
                QVERIFY(printText(text, level, fontSize, bold, device, limits));
            });
            QCOMPARE(pagesOf(actual), expected);
        }
    }

    // Laid out in many pieces, a long report keeps every line: the last
    // one ends the last page, of as many pages as the report printed whole.
    void lastLineOnLastPage_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("medio") << "medio" << report(6000);
        QTest::newRow("alto") << "alto" << report(6000);
        QTest::newRow("alto, with markup") << "alto" << QByteArray("<b>total</b>\n" + report(6000));
    }

    void lastLineOnLastPage()
    {
        QFETCH(QString, level);
        QFETCH(QByteArray, text);
        PieceLimits pieces;
        pieces.paragraphs = 500;
        const QStringList whole = textOf(pdfOf([&](QPagedPaintDevice *device) {
            QVERIFY(printText(text, level, 10, false, device, PieceLimits()));
        }));
        const QStringList inPieces = textOf(pdfOf([&](QPagedPaintDevice *device) {
            QVERIFY(printText(text, level, 10, false, device, pieces));
        }));
        QVERIFY2(whole.size() > 60, qPrintable(QString::number(whole.size())));
        QCOMPARE(inPieces.size(), whole.size());
        QVERIFY(inPieces.last().contains(QLatin1String("106000 PARAFUSO SEXTAVADO 83")));
    }

    // Where no paragraph begins a page within the height a piece may take,
    // the print is refused, and says why.
    void tooTallRefused_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pagesPerPiece");
        QTest::addColumn<QString>("refusal");
        const QByteArray words = QByteArray("palavra ").repeated(6000);
        const QByteArray paragraph = words + "\n";
        QTest::newRow("a paragraph of 14 pages, 4 at most") << "medio" << paragraph << 4
                                                            << "impressão recusada: um parágrafo ocupa mais de 4 páginas";
        QTest::newRow("a paragraph of 14 pages, 20 at most") << "medio" << paragraph << 20 << QString();
        // More than 20 pages with Qt 6's narrower layout too.
        QTest::newRow("three of them, 20 at most") << "medio" << paragraph + paragraph + paragraph << 20
                                                 << "impressão recusada: parágrafos longos, mais de 20 páginas sem um que comece uma página";
        QTest::newRow("alto, a paragraph of 9 pages, 4 at most") << "alto" << words + words + "\n" << 4
                                                                 << "impressão recusada: um parágrafo ocupa mais de 4 páginas";
        QTest::newRow("alto, a list of pages, 2 at most") << "alto" << "<ul><li>" + report(400) << 2
                                                            << "impressão recusada: um texto com tabela ou lista ocupa mais de 2 páginas";
        QTest::newRow("a report of 20 pages, 2 at most") << "medio" << report(1200) << 2 << QString();
    }

    void tooTallRefused()
    {
        QFETCH(QString, level);
        QFETCH(QByteArray, text);
        QFETCH(int, pagesPerPiece);
        QFETCH(QString, refusal);
        if (!refusal.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, refusal.toUtf8().constData());
        pdfOf([&](QPagedPaintDevice *device) {
            PieceLimits limits;
            limits.height = pagesPerPiece * device->height() + 1;
            QCOMPARE(printText(text, level, 10, false, device, limits), refusal.isEmpty());
        });
    }

    // Painting stops between pages once the print is abandoned.
    void abandonedBetweenPages_data()
    {
        QTest::addColumn<int>("pagesBefore");
        QTest::newRow("at once") << 0;
        QTest::newRow("after 3 pages") << 3;
    }

    void abandonedBetweenPages()
    {
        QFETCH(int, pagesBefore);
        int asked = 0;
        const QByteArray pdf = pdfOf([&](QPagedPaintDevice *device) {
            QVERIFY(!printText(report(2000), "medio", 10, false, device, PieceLimits(),
                               [&] { return asked++ == pagesBefore; }));
        });
        QCOMPARE(textOf(pdf).size(), qMax(pagesBefore, 1));
    }

    // A run of letters with nowhere to break a line is wrapped anywhere,
    // or Qt would look ahead over the whole run for every line it starts.
    void unbreakableRunsWrapAnywhere_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("anywhere");
        QTest::newRow("words") << QString(QStringLiteral("palavra ")).repeated(2000) << false;
        QTest::newRow("a long word in words")
            << QStringLiteral("a ") + QString(1990, QLatin1Char('x')) + QStringLiteral(" b") << false;
        QTest::newRow("one 10 000 letter word") << QString(10000, QLatin1Char('x')) << true;
        QTest::newRow("after 3 000 breakable letters")
            << QString(QStringLiteral("a-")).repeated(1500) + QString(2500, QLatin1Char('x')) << true;
        QTest::newRow("ideographs break anywhere")
            << QString(QChar(0x65E5)).repeated(10000) << false;
    }

    void unbreakableRunsWrapAnywhere()
    {
        QFETCH(QString, text);
        QFETCH(bool, anywhere);
        QTextDocument document;
        wrapAnywhereIfUnbreakable(document, text);
        QCOMPARE(document.defaultTextOption().wrapMode() == QTextOption::WrapAnywhere, anywhere);
    }
};

QTEST_MAIN(PageLayoutTest)
#include "tst_page_layout.moc"
