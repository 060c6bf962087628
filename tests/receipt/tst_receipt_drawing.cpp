// A receipt written with tags as the page roads print it and the preview
// shows it: its QR code and barcode read back by zbar from the PDF the
// queue got (at 300 dpi) and from the preview on screen; and the preview
// of any file wrapping where the printer wraps, at the receipt's columns.

#include "escpos_readback.h"
#include "print_control.h"
#include "page_printing.h"
#include "receipt_document.h"
#include "receipt_reader.h"
#include "symbol_reading.h"
#include "symbols.h"
#include "window_support.h"

#include <QDirIterator>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTextLine>
#include <QtTest>

namespace {

const QByteArray url("https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode?p=35261212345678000190650010000012341000012345|2|2|1|"
                     "0A1B2C3D4E5F60718293A4B5C6D7E8F901234567");

QByteArray taggedReceipt()
{
    return "<ce><n>PADARIA S\xC3\x83O JO\xC3\x83O</n></ce>\n"
           "</linha_simples>\n"
           "<ad>TOTAL R$ 26,39</ad>\n"
           "<ce><qrcode>" + url + "</qrcode></ce>\n"
           "<ean13>789123456789</ean13>\n"
           "</corte_total>\n";
}

// The files the capture queue `queue` holds.
QStringList jobsOf(const QString &queue)
{
    QStringList jobs;
    QDirIterator files(qEnvironmentVariable("ORVANE_CUPS_DIR") + QStringLiteral("/jobs/") + queue, {"job-*.bin"});
    while (files.hasNext())
        jobs.append(files.next());
    return jobs;
}

QString newJob(const QString &queue, const QStringList &before)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        for (const QString &job : jobsOf(queue)) {
            if (!before.contains(job))
                return job;
        }
        QTest::qWait(50);
    }
    return {};
}

// What zbar reads on every page of a PDF drawn at 300 dpi, and its text.
QStringList symbolsOfPdf(const QString &pdf, QString *text)
{
    QTemporaryDir dir;
    if (QProcess::execute("pdftoppm", {"-r", "300", "-gray", "-png", pdf, dir.filePath("page")}) != 0)
        return {QStringLiteral("pdftoppm failed")};
    QStringList read;
    for (const QString &page : QDir(dir.path()).entryList({"page*.png"}, QDir::Files, QDir::Name))
        read += symbolsReadFrom(dir.filePath(page));
    read.sort();
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", pdf, "-"});
    pdftotext.waitForFinished(30000);
    *text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    return read;
}

// The modules of the first barcode drawn in `document`, counted across its
// bars in units of its narrowest bar or space.
int barcodeModulesIn(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto piece = block.begin(); !piece.atEnd(); ++piece) {
            const QTextImageFormat format = piece.fragment().charFormat().toImageFormat();
            if (!format.isValid())
                continue;
            const QImage image = document.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
            const int y = image.height() / 4;
            const auto dark = [&](int x) { return qGray(image.pixel(x, y)) < 128; };
            int first = -1, last = -1, narrowest = image.width(), run = 0;
            for (int x = 0; x < image.width(); ++x) {
                if (dark(x)) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
                if (first >= 0 && x > first && dark(x) != dark(x - 1)) {
                    narrowest = qMin(narrowest, run);
                    run = 0;
                }
                ++run;
            }
            if (image.height() > 2 * image.width() / 3 || first < 0)
                continue; // a QR code
            return (last - first + 1) / narrowest;
        }
    }
    return 0;
}

// The lines each paragraph of the preview takes.
QList<int> linesOf(const QTextEdit &preview)
{
    QList<int> lines;
    for (QTextBlock block = preview.document()->begin(); block.isValid(); block = block.next())
        lines.append(block.layout()->lineCount());
    return lines;
}

} // namespace

class ReceiptDrawingTest : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;
    MainWindow *window = nullptr;

    QTextEdit &preview() { return *window->findChild<QTextEdit *>(QStringLiteral("impressao")); }

private slots:
    void init()
    {
        removeConfig();
        window = new MainWindow;
    }
    void cleanup()
    {
        delete window;
        removeConfig();
    }

    void pageRoadsDrawTheSymbols_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("tags");
        QTest::newRow("medio") << "medio" << "acbr";
        QTest::newRow("alto") << "alto" << "acbr";
        QTest::newRow("medio, tags as text") << "medio" << "";
    }
    void pageRoadsDrawTheSymbols()
    {
        QFETCH(QString, level);
        QFETCH(QString, tags);
        PrintJob job;
        job.level = level;
        job.printerName = QStringLiteral("pagina");
        job.tags = tags;
        job.columns = 48;
        job.fileData = taggedReceipt();
        job.fontSize = 14;
        job.pageMargin = 10;
        const QStringList before = jobsOf(job.printerName);
        PrintControl control;
        QVERIFY(level == "medio" ? printPlainDocument(job, control) : printHtmlDocument(job, control));
        const QString pdf = newJob(job.printerName, before);
        QVERIFY2(!pdf.isEmpty(), "no job reached the queue");

        QString text;
        const QStringList read = symbolsOfPdf(pdf, &text);
        if (tags.isEmpty()) {
            // Tags not read print as the text they are, as always.
            QVERIFY(read.isEmpty());
            QVERIFY2(text.contains("<qrcode>") && text.contains("</corte_total>"), qPrintable(text));
            return;
        }
        QCOMPARE(read, QStringList({"EAN-13:7891234567895", "QR-Code:" + QString::fromLatin1(url)}));
        QVERIFY2(text.contains(QStringLiteral("PADARIA SÃO JOÃO")), qPrintable(text));
        QVERIFY2(text.contains(QString(48, '-')) && !text.contains(QString(49, '-')), qPrintable(text));
        // The cut prints nothing on paper, and no tag shows.
        QVERIFY2(!text.contains('<') && !text.contains("- - -"), qPrintable(text));
    }

    // The pages are laid out on the paper the queue's PPD defaults to (an
    // 80 mm roll here, which takes the PDF as it is), on A4 without a PPD.
    void pageRoadsPrintOnTheQueuesPaper_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("paper");
        QTest::newRow("medio, a roll") << "medio" << "rolo" << "227 x 842 pts";
        QTest::newRow("alto, a roll") << "alto" << "rolo" << "227 x 842 pts";
        QTest::newRow("alto, no PPD: A4") << "alto" << "pagina" << "595 x 842 pts";
    }
    void pageRoadsPrintOnTheQueuesPaper()
    {
        QFETCH(QString, level);
        QFETCH(QString, queue);
        QFETCH(QString, paper);
        QTemporaryDir folder;
        if (queue == "rolo") {
            const QString ppd = folder.filePath("rolo.ppd");
            QFile file(ppd);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
                       "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"ROLO.PPD\"\n"
                       "*Manufacturer: \"Teste\"\n*Product: \"(Rolo)\"\n*ModelName: \"Rolo\"\n"
                       "*ShortNickName: \"Rolo\"\n*NickName: \"Rolo\"\n*PSVersion: \"(3010.000) 0\"\n"
                       "*LanguageLevel: \"3\"\n*ColorDevice: False\n*DefaultColorSpace: Gray\n*FileSystem: False\n"
                       "*cupsFilter: \"application/pdf 0 -\"\n"
                       "*OpenUI *PageSize/Papel: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
                       "*DefaultPageSize: Roll80\n*PageSize Roll80/Rolo 80 mm: \"<</PageSize[227 842]>>setpagedevice\"\n"
                       "*CloseUI: *PageSize\n*DefaultPaperDimension: Roll80\n"
                       "*PaperDimension Roll80/Rolo 80 mm: \"227 842\"\n");
            file.close();
            const QString script = QStringLiteral(ORVANE_EXAMPLES "/../scripts/lib/cups-private.sh");
            QCOMPARE(QProcess::execute("bash", {script, "add-queue", qEnvironmentVariable("ORVANE_CUPS_DIR"), queue}), 0);
            QCOMPARE(QProcess::execute("lpadmin", {"-p", queue, "-P", ppd}), 0);
        }
        PrintJob job;
        job.level = level;
        job.printerName = queue;
        job.fileData = "RECIBO\n";
        job.fontSize = 14;
        const QStringList before = jobsOf(queue);
        PrintControl control;
        QVERIFY(level == "medio" ? printPlainDocument(job, control) : printHtmlDocument(job, control));
        const QString pdf = newJob(queue, before);
        QVERIFY2(!pdf.isEmpty(), "no job reached the queue");
        QProcess pdfinfo;
        pdfinfo.start("pdfinfo", {pdf});
        QVERIFY(pdfinfo.waitForFinished(30000));
        const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
        QVERIFY2(info.contains(QRegularExpression("Page size: +" + QRegularExpression::escape(paper))), qPrintable(info));
    }

    // A tag that cannot be carried out (a Code 128 longer than zint
    // draws) prints nothing on a page road, not even as text, though the
    // road is called without the check the window makes first: no job.
    void pageRoadsRefuseASymbolTheyCannotDraw()
    {
        PrintJob job;
        job.printerName = QStringLiteral("pagina");
        job.tags = QStringLiteral("acbr");
        job.fileData = "<n>PEDIDO</n>\n<code128>" + QByteArray(200, 'A') + "</code128>\n";
        const QStringList before = jobsOf(job.printerName);
        PrintControl control;
        QVERIFY(!printPlainDocument(job, control));
        QVERIFY(!printHtmlDocument(job, control));
        QTest::qWait(500);
        QCOMPARE(jobsOf(job.printerName), before);
    }

    void previewShowsTheSymbols()
    {
        writeFile(configPath(), "[geral]\netiquetas=acbr\ncolunas=48\ntamanho_fonte=10\n");
        QVERIFY(window->initialise(*qApp, fileWith(scratch, taggedReceipt())));
        window->resize(900, 1000);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // The preview as the operator sees it, scrolled down to the symbols.
        QTextEdit &edit = preview();
        QImage shot = edit.viewport()->grab().toImage();
        QCOMPARE(symbolsReadFrom(shot), QStringList({"EAN-13:7891234567895", "QR-Code:" + QString::fromLatin1(url)}));
        // Title, rule, total, QR code, barcode and the cut's dashed line:
        // one paragraph each, and the blank line each LF after a symbol or
        // the cut feeds on paper; no tag left as text.
        QCOMPARE(edit.document()->blockCount(), 9);
        QVERIFY(!edit.toPlainText().contains('<'));
        QCOMPARE(edit.document()->findBlockByNumber(1).text(), QString(48, '-'));
        // Within the 48 columns the rule spans: the title centred, the
        // total ending where the rule ends.
        const auto left = [&](int block) { return edit.document()->findBlockByNumber(block).blockFormat().leftMargin(); };
        const auto width = [&](int block) {
            return edit.document()->findBlockByNumber(block).layout()->lineAt(0).naturalTextWidth();
        };
        QCOMPARE(left(1), 0.0);
        QVERIFY(left(0) > 0);
        QVERIFY2(qAbs(2 * left(0) + width(0) - width(1)) < 2, qPrintable(QString::number(left(0))));
        QVERIFY2(qAbs(left(2) + width(2) - width(1)) < 2, qPrintable(QString::number(left(2))));
    }

    // The demo's NFC-e receipt: its head shows first, and in a window
    // tall enough its QR code and barcode read from the screen.
    void previewOfTheExample()
    {
        writeFile(configPath(), "[geral]\netiquetas=acbr\ncolunas=48\ntamanho_fonte=9\n");
        QVERIFY(window->initialise(*qApp, QStringLiteral(ORVANE_EXAMPLES "/nfce.txt")));
        window->resize(500, 500);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTextEdit &edit = preview();
        QCOMPARE(edit.verticalScrollBar()->value(), 0);
        QVERIFY(edit.verticalScrollBar()->maximum() > 0);
        // The logo from beside the receipt heads it, 384 dots wide: 48 mm.
        const QTextImageFormat logo =
            edit.document()->firstBlock().begin().fragment().charFormat().toImageFormat();
        QVERIFY(logo.isValid());
        QCOMPARE(logo.width(), 48 * edit.logicalDpiX() / 25.4);
        window->resize(500, 1500);
        QTest::qWait(50);
        QCOMPARE(edit.verticalScrollBar()->maximum(), 0);
        const QStringList read = symbolsReadFrom(edit.viewport()->grab().toImage());
        QCOMPARE(read.size(), 2);
        QCOMPARE(read.at(0), QStringLiteral("EAN-13:7891234567895"));
        QVERIFY2(read.at(1).startsWith("QR-Code:https://www.nfce.fazenda.sp.gov.br/qrcode?p=35261212345678000190"),
                 qPrintable(read.at(1)));
    }

    // A QR code at the left and the 44-digit key of a receipt in Code 128,
    // on the page road and in the preview: read back by zbar, the barcode
    // with the modules the printer gets.
    void symbolsAsThePaperGetsThem_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("read");
        const QByteArray key("43181012345678000199650010000000011000000011");
        QTest::newRow("QR code at the left") << "<qrcode>" + url + "</qrcode>\n" << "QR-Code:" + QString::fromLatin1(url);
        QTest::newRow("access key in Code 128") << "<code128>" + key + "</code128>\n" << "CODE-128:" + QString::fromLatin1(key);
    }
    void symbolsAsThePaperGetsThem()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, read);
        PrintJob job;
        job.printerName = QStringLiteral("pagina");
        job.tags = QStringLiteral("acbr");
        job.columns = 48;
        job.fileData = file;
        const QStringList before = jobsOf(job.printerName);
        PrintControl control;
        QVERIFY(printPlainDocument(job, control));
        const QString pdf = newJob(job.printerName, before);
        QVERIFY2(!pdf.isEmpty(), "no job reached the queue");
        QString text;
        QCOMPARE(symbolsOfPdf(pdf, &text), QStringList{read});

        writeFile(configPath(), "[geral]\netiquetas=acbr\ncolunas=48\ntamanho_fonte=10\n");
        QVERIFY(window->initialise(*qApp, fileWith(scratch, file)));
        window->resize(900, 800);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(symbolsReadFrom(preview().viewport()->grab().toImage()), QStringList{read});
        if (read.startsWith("CODE-128")) {
            const QString paper = EscPosReadback::read(directText(job));
            const QString modules = QString::number(barcodeModulesIn(*preview().document())) + " modules";
            QVERIFY2(paper.contains(modules), qPrintable(paper + " / " + modules));
        }
    }

    // Tagged text in the preview is read as the raw roads read it: UTF-8,
    // any other byte as Windows-1252, no NUL.
    void previewReadsTheTextAsThePrinterGetsIt()
    {
        writeFile(configPath(), "[geral]\netiquetas=acbr\ncolunas=48\n");
        static const char tagged[] = "<n>A\xE7\xFA" "car</n> 1\0" "2\nS\xC3\x83O\n";
        QVERIFY(window->initialise(*qApp, fileWith(scratch, QByteArray(tagged, sizeof tagged - 1))));
        QCOMPARE(preview().document()->findBlockByNumber(0).text(), QString::fromUtf8("Açúcar 12"));
        QCOMPARE(preview().document()->findBlockByNumber(1).text(), QString::fromUtf8("SÃO"));
    }

    // Ruled lines, wrapping and margins as the printer lays them out, on a
    // receipt of 10 columns: each paragraph's text, and whether it stands
    // off the left edge.
    void linesAsOnPaper_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("leftMargin");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<bool>>("indented");
        QTest::newRow("condensed rule") << QByteArray("<c></linha_simples>") << 0 << QStringList{QString(13, '-')}
                                        << QList<bool>{false};
        QTest::newRow("wrapped line goes on at column 0") << QByteArray("abcdefghijkl") << 3
                                                          << QStringList{"abcdefg", "hijkl"} << QList<bool>{true, false};
        QTest::newRow("margin as wide as the receipt") << QByteArray("<n>ab</n>") << 12 << QStringList{"", "ab"}
                                                       << QList<bool>{false, true};
    }
    void linesAsOnPaper()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, leftMargin);
        QFETCH(QStringList, lines);
        QFETCH(QList<bool>, indented);
        const receipt::ReceiptReading reading = receipt::readReceipt(file.constData(), size_t(file.size()), 10);
        QTextDocument document;
        ReceiptLook look;
        look.font = fixedPitchFont(QFont(QStringLiteral("Courier New"), 10));
        look.columns = 10;
        look.leftMargin = leftMargin;
        QVERIFY(layOutReceipt(document, reading.pieces, look).isEmpty());
        QStringList texts;
        QList<bool> offTheEdge;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            texts << block.text();
            offTheEdge << (block.blockFormat().leftMargin() > 0);
        }
        QCOMPARE(texts, lines);
        QCOMPARE(offTheEdge, indented);
    }

    // A barcode the printers lack is the same picture on the page as on
    // paper: zint's bars, two dots a module, at 8 dots a millimetre.
    void barcodePictureOnThePage()
    {
        const QByteArray file("<barra_altura>4</barra_altura><ce><code11>123-45</code11></ce>");
        const receipt::ReceiptReading reading = receipt::readReceipt(file.constData(), size_t(file.size()), 48);
        QTextDocument document;
        ReceiptLook look;
        look.font = fixedPitchFont(QFont(QStringLiteral("Courier New"), 10));
        look.pixelsPerMm = 300 / 25.4;
        QVERIFY(layOutReceipt(document, reading.pieces, look).isEmpty());
        const QTextBlock block = document.begin();
        const QTextImageFormat format = block.begin().fragment().charFormat().toImageFormat();
        QVERIFY(format.isValid());
        const QImage dots = document.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
        const receipt::SymbolModules bars = receipt::encodeBarcode(receipt::BarcodeKind::Code11, "123-45");
        QCOMPARE(dots.size(), QSize(bars.columns * 2, 4));
        for (int y = 0; y < dots.height(); ++y) {
            for (int x = 0; x < dots.width(); ++x)
                QCOMPARE(qGray(dots.pixel(x, y)) < 128, bars.isDark(x / 2, 0));
        }
        QCOMPARE(format.width(), bars.columns * 2 / 8.0 * look.pixelsPerMm);
        QVERIFY(block.blockFormat().leftMargin() > 0);
    }

    void previewWrapsAtTheColumns_data()
    {
        QTest::addColumn<QByteArray>("tags");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QList<int>>("lines");
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<bool>("scrolls");
        // Lines of 41, 48 and 60 characters and an empty last one. The
        // printer prints a receipt with tags line by line: a line it wraps
        // is two paragraphs. The narrow window is as narrow as it goes, and
        // narrower than 48 columns at 14 points.
        QTest::newRow("plain text, 48 columns, narrow window")
            << QByteArray() << 48 << QList<int>{1, 1, 2, 1} << 300 << true;
        QTest::newRow("plain text, 32 columns") << QByteArray() << 32 << QList<int>{2, 2, 2, 1} << 700 << false;
        QTest::newRow("tags read, 48 columns") << QByteArray("acbr") << 48 << QList<int>{1, 1, 1, 1} << 300 << true;
    }
    void previewWrapsAtTheColumns()
    {
        QFETCH(QByteArray, tags);
        QFETCH(int, columns);
        QFETCH(QList<int>, lines);
        QFETCH(int, windowWidth);
        QFETCH(bool, scrolls);
        writeFile(configPath(), "[geral]\netiquetas=" + tags + "\ncolunas=" + QByteArray::number(columns)
                                    + "\ntamanho_fonte=14\n");
        const QByteArray file = "CUPOM NAO FISCAL    06/12/2026 09:41 </n>\n" + QByteArray(48, '=') + '\n'
                                + QByteArray("001 Pao frances 10un 0,75 7,50 ") + QByteArray(29, '9') + '\n';
        QVERIFY(window->initialise(*qApp, fileWith(scratch, file)));
        window->resize(windowWidth, 600);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTextEdit &edit = preview();
        QCOMPARE(linesOf(edit), lines);
        // Wider than the window, it scrolls sideways.
        QCOMPARE(edit.horizontalScrollBar()->maximum() > 0, scrolls);
        if (tags.isEmpty())
            QCOMPARE(edit.document()->findBlockByNumber(2).layout()->lineAt(0).textLength(), columns);
    }
};

QTEST_MAIN(ReceiptDrawingTest)
#include "tst_receipt_drawing.moc"
