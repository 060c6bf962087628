// The page roads print what QTextDocument::print prints of the document Qt
// builds from the text, to the pixel: the "alto" page with a paragraph per
// line instead of one paragraph of line breaks, and both roads painted page
// by page instead of the whole document for every page.

#include "html_page.h"
#include "line_blocks.h"
#include "page_painter.h"
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

        QByteArray report;
        for (int i = 1; i <= 400; ++i)
            report += QByteArray::number(100000 + i) + " PARAFUSO SEXTAVADO " + QByteArray::number(i % 97) + "\n";
        const QByteArray rows[][2] = {
            {"a receipt", "PADARIA S\xc3\x83O JO\xc3\x83O\nP\xc3\xa3o franc\xc3\xaas   7,50\nTOTAL  7,50\n"},
            {"a report of many pages", report},
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
        QTest::addRow("alto, a report in bold 14 px") << report << "alto" << 14 << true;
        QTest::addRow("alto, markup in bold 14 px") << rows[7][1] << "alto" << 14 << true;
    }

    void samePdfAsQt()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, level);
        QFETCH(int, fontSize);
        QFETCH(bool, bold);

        // The document as Qt built it, or as the page roads build it.
        const auto fill = [&](QTextDocument &document, QPagedPaintDevice *device, bool ours) {
            if (level == QLatin1String("medio")) {
                document.setPlainText(utf8UpToZero(frameText(text, 2, 1, 2)));
                return;
            }
            document.setPageSize(QSizeF(device->width(), device->height()));
            document.setDocumentMargin(10);
            const QString page = utf8UpToZero(buildHtmlPage(text, fontSize, "Courier New", bold));
            if (!ours)
                document.setHtml(page);
            else if (readsAsItself(utf8UpToZero(text)))
                setPlainPage(document, utf8UpToZero(buildHtmlPage("x", fontSize, "Courier New", bold)), utf8UpToZero(text));
            else
                setHtmlOneParagraphPerLine(document, page);
        };
        const QByteArray expected = pdfOf([&](QPagedPaintDevice *device) {
            QTextDocument document;
            fill(document, device, false);
            document.print(device);
        });
        const QByteArray actual = pdfOf([&](QPagedPaintDevice *device) {
            QTextDocument document;
            fill(document, device, true);
            QVERIFY(paintPages(document, device));
        });
        const QList<QByteArray> expectedPages = pagesOf(expected);
        QVERIFY2(!expectedPages.isEmpty(), "pdftoppm (poppler-utils) drew no page");
        QCOMPARE(pagesOf(actual), expectedPages);
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
