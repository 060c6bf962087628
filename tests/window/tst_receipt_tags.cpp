// Receipts written with tags on the raw roads: what the printer makes of
// the bytes, read back character by character; the bytes of files read
// without tags; and the tags refused before anything prints.

#include "direct_text.h"
#include "escpos_readback.h"
#include "symbols.h"
#include "text_framing.h"
#include "window_support.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

namespace {

// Rows of dots as the read-back tells them: each row 0 and 1, padded to
// whole bytes, joined by "/".
QString dotRows(const QStringList &rows)
{
    QStringList padded;
    for (const QString &row : rows)
        padded << row + QString((8 - row.size() % 8) % 8, '0');
    return padded.join('/');
}

QStringList repeated(const QString &row, int count)
{
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows << row;
    return rows;
}

// A PNG header with nothing behind it: a 40,000 × 40,000 one is a
// decompression bomb's.
QByteArray pngHeader(quint32 side, char bitDepth, char colourType)
{
    const auto crc = [](const QByteArray &bytes) {
        quint32 c = 0xFFFFFFFF;
        for (const char byte : bytes) {
            c ^= uchar(byte);
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
        }
        return ~c;
    };
    const auto bigEndian = [](quint32 v) {
        const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(bytes, 4);
    };
    const char rest[] = {bitDepth, colourType, 0, 0, 0};
    const QByteArray header = "IHDR" + bigEndian(side) + bigEndian(side) + QByteArray(rest, 5);
    const QByteArray data("IDAT");
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + bigEndian(13) + header + bigEndian(crc(header)) + bigEndian(0) + data
           + bigEndian(crc(data));
}

// An image of black and white from rows of 0 and 1 (1 black).
QImage imageOf(const QStringList &rows, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(rows.first().size(), rows.size(), format);
    for (int y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < rows.first().size(); ++x)
            image.setPixel(x, y, rows[y][x] == '1' ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    return image;
}

// A barcode's bars as the printer's dots, `moduleDots` wide, `height` rows.
QStringList barRows(const receipt::SymbolModules &modules, int moduleDots, int height)
{
    QString row;
    for (int column = 0; column < modules.columns; ++column)
        row += QString(moduleDots, modules.isDark(column, 0) ? '1' : '0');
    return repeated(row, height);
}

PrintJob receiptJob(const QByteArray &file, const QString &codePage = QString(), int columns = 10)
{
    PrintJob job;
    job.tags = QStringLiteral("acbr");
    job.fileData = file;
    job.codePage = codePage;
    job.columns = columns;
    return job;
}

// The texts of the window's status bar.
QStringList statusTexts(MainWindow &window)
{
    QStringList texts;
    for (const QLabel *label : window.statusBar()->findChildren<QLabel *>())
        if (!label->text().isEmpty())
            texts << label->text();
    return texts;
}

} // namespace

class ReceiptTagsTest : public QObject
{
    Q_OBJECT

    // The pictures the <bmp> rows name.
    QTemporaryDir pictureFolder;
    QString pictureAt(const char *name) const { return pictureFolder.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        const QStringList logo{"1010101010", "0000011111", "1111100000"};
        QVERIFY(imageOf(logo).save(pictureAt("logo.png")));
        QVERIFY(imageOf(logo).save(pictureAt("logo.bmp")));
        QImage clear(4, 2, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        clear.setPixel(0, 0, qRgba(0, 0, 0, 255));
        clear.setPixel(2, 0, qRgba(0, 0, 0, 255));
        QVERIFY(clear.save(pictureAt("clear.png")));
        QImage wide(1000, 10, QImage::Format_RGB32);
        wide.fill(Qt::black);
        QVERIFY(wide.save(pictureAt("wide.png")));
        QImage photo(64, 16, QImage::Format_RGB32);
        for (int x = 0; x < 64; ++x)
            for (int y = 0; y < 16; ++y)
                photo.setPixel(x, y, qRgb(x * 4, x * 4, x * 4));
        QVERIFY(photo.save(pictureAt("photo.jpg"), "JPEG", 95));
        writeFile(pictureAt("note.txt"), "nada de imagem\n");
        writeFile(pictureAt("bomb.png"), pngHeader(40000, 1, 0));
        writeFile(pictureAt("deep.png"), pngHeader(3000, 16, 6));
        QFile logoFile(pictureAt("logo.png"));
        QVERIFY(logoFile.open(QIODevice::ReadOnly));
        const QByteArray whole = logoFile.readAll();
        writeFile(pictureAt("cut.png"), whole.left(whole.size() - 20));
    }

    // Pictures from files and in Base64, one pixel one dot.
    void picturesFromFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("printed");
        const QString logo = "#picture C 16x3 " + dotRows({"1010101010", "0000011111", "1111100000"}) + "\nL:\n#end normal L";
        QFile png(pictureAt("logo.png"));
        QVERIFY(png.open(QIODevice::ReadOnly));
        QTest::newRow("PNG logo centred") << "<ce><bmp>" + pictureAt("logo.png").toUtf8() + "</bmp></ce>" << logo;
        QTest::newRow("BMP, relative to the receipt's folder") << QByteArray("<ce><bmp> logo.bmp </bmp></ce>") << logo;
        QTest::newRow("PNG in Base64") << "<ce><bmp>\n" + png.readAll().toBase64() + "\n</bmp></ce>" << logo;
        QTest::newRow("transparent PNG: white") << "<bmp>" + pictureAt("clear.png").toUtf8() + "</bmp>"
                                                << "#picture L 8x2 " + dotRows({"1010", "0000"}) + "\nL:\n#end normal L";
        QTest::newRow("wider than the paper: scaled down") << "<bmp>" + pictureAt("wide.png").toUtf8() + "</bmp>"
            << "#picture L 576x5 " + dotRows(repeated(QString(576, '1'), 5)) + "\nL:\n#end normal L";
    }

    void picturesFromFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, printed);
        PrintJob job = receiptJob(file, QString(), 48);
        job.fileFolder = pictureFolder.path();
        QCOMPARE(EscPosReadback::read(directText(job)), printed);
    }

    // A photograph is dithered: dots at every grey, more of them where it
    // is darker.
    void photographDithered()
    {
        PrintJob job = receiptJob("<bmp>" + pictureAt("photo.jpg").toUtf8() + "</bmp>", QString(), 48);
        const QString printed = EscPosReadback::read(directText(job));
        QVERIFY2(printed.startsWith("#picture L 64x16 "), qPrintable(printed.left(40)));
        const QStringList rows = printed.section(' ', 3, 3).section('\n', 0, 0).split('/');
        QCOMPARE(rows.size(), 16);
        const auto darkIn = [&](int from, int to) {
            int dark = 0;
            for (const QString &row : rows)
                dark += row.mid(from, to - from).count('1');
            return dark;
        };
        QVERIFY2(darkIn(0, 8) > 8 * 16 * 3 / 4 && darkIn(56, 64) < 8 * 16 / 4, qPrintable(rows.join('\n')));
        QVERIFY2(darkIn(24, 40) > 16 * 16 / 4 && darkIn(24, 40) < 16 * 16 * 3 / 4, qPrintable(rows.join('\n')));
    }

    // Each tag alone, on "baixo" with no margins and a receipt of 10 columns.
    void tags_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("printed");
        const auto row = [](const char *name, const QByteArray &file, const QString &printed) {
            QTest::newRow(name) << file << printed;
        };
        row("bold", "a<n>b</n>c", "L:a[b]b[]c\n#end normal L");
        row("every character mode", "<e>w</e><a>h</a><s>u</s><c>f</c><in>i</in>",
            "L:[w]w[h]h[u]u[f]f[i]i\n#end normal L");
        row("modes add up", "<N><E>x<A>y</a></e></n>z", "L:[bw]x[bwh]y[]z\n#end normal L");
        row("italic prints plain", "<i>x</i>", "L:x\n#end normal L");
        row("</fn> ends every mode", "<n><e><s><in>x</fn>y", "L:[bwui]x[]y\n#end normal L");
        row("fonts A and B", "</fb>x</fa>y", "L:[f]x[]y\n#end normal L");
        row("a mode left on ends with the receipt", "<n><a>x", "L:[bh]x\n#end normal L");
        row("centred block", "<ce>t</ce>\nx", "C:t\nL:x\n#end normal L");
        row("right, then left again", "<ad>t\n</ad>x", "R:t\nL:x\n#end normal L");
        row("alignment from here on", "</ce>a\nb\n</ae>c", "C:a\nC:b\nL:c\n#end normal L");
        row("a block goes back to what was before", "</ad>a\n<ce>b\n</ce>c", "R:a\nC:b\nR:c\n#end normal L");
        row("single rule", "</linha_simples>\n", "L:----------\nL:\n#end normal L");
        row("double rule, double width", "<e></linha_dupla></e>", "L:[w]=====\n#end normal L");
        row("line feed and carriage return", "a</lf>b</cr>c", "L:a\nL:bc\n#end normal L");
        row("feed lines", "a</pular_linhas>b", "L:a\n#feed 5\nL:b\n#end normal L");
        row("cuts", "a</corte>b</CORTE_TOTAL></corte_parcial>",
            "L:a\n#cut full\nL:b\n#cut full\n#cut partial\nL:\n#end normal L");
        row("drawers", "</abre_gaveta><abre_gaveta>2</abre_gaveta>",
            "#drawer 1 25 250\n#drawer 2 25 250\nL:\n#end normal L");
        row("reset", "<n>a</zera>b</reset>", "L:[b]a\n#reset\nL:b\n#reset\nL:\n#end normal L");
        row("reset forgets the modes of the file too", "<n><ce>a</zera>b</n>c\n", "C:[b]a\n#reset\nL:bc\nL:\n#end normal L");
        row("logo and beep", "</logo></beep>x", "#logo 32 32 scale 1 1\n#beep\nL:x\n#end normal L");
        row("logo chosen and scaled", "<logo_kc1>48</logo_kc1><logo_kc2>49</logo_kc2><logo_fatorx>2</logo_fatorx>"
                                      "<logo_fatory>4</logo_fatory></logo>",
            "#logo 48 49 scale 2 4\nL:\n#end normal L");
        row("logo by its number", "<logo_kc1>7</logo_kc1><logo_kc2>0</logo_kc2></logo>", "#logo 7 0\nL:\n#end normal L");
        row("tags ignored print as text", "<n>a<ignorar_tags><e>b</e>\n</corte></ignorar_tags>c</n>",
            "L:[b]a<e>b</e>\nL:[b]</corte>c\n#end normal L");
        row("a receipt ending mid-line ends left", "<ce>OBRIGADO", "C:OBRIGADO\n#end normal L");
        row("nested alignment goes back to the outer one", "<ce>TITLE <ad>x</ad>y</ce>\n<ad>z\n</ad>after",
            "C:TITLE xy\nR:z\nL:after\n#end normal L");
        row("condensed rule fills the line", "<c></linha_simples></c>\n", "L:[f]-------------\nL:\n#end normal L");
        row("not tags: text as written", "<b>1 < 2 <n </n x> <corte> </qrcode> <>",
            "L:<b>1 < 2 <n </n x> <corte> </qrcode> <>\n#end normal L");
    }

    void tags()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, printed);
        QCOMPARE(EscPosReadback::read(directText(receiptJob(file))), printed);
    }

    // Barcodes and QR codes on 80 mm paper (48 columns, 576 dots).
    void symbols_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("printed");
        const auto row = [](const char *name, const QByteArray &file, const QString &printed) {
            QTest::newRow(name) << file << printed;
        };
        row("ean13 centred", "<ce><ean13>7891234567895</ean13></ce>",
            "#ean13 C '7891234567895' digits 2 width 2 height 50\nL:\n#end normal L");
        row("barcode options", "<barra_mostrar>0</barra_mostrar><barra_largura>3</barra_largura>"
                               "<barra_altura> 80 </barra_altura><ean8>1234567</ean8><upca>03600029145</upca>",
            "#ean8 L '1234567' digits 0 width 4 height 80\n#upca L '03600029145' digits 0 width 4 height 80\n"
            "L:\n#end normal L");
        row("every other symbology", "<upce>0123456</upce><code39>ABC-1 $</code39><code93>a=b</code93>"
                                     "<code128>Ab{1}</code128><inter>1234</inter><codabar>A12-3B</codabar>",
            "#upce L '0123456' digits 2 width 2 height 50\n#code39 L 'ABC-1 $' digits 2 width 2 height 50\n"
            "#code93 L 'a=b' digits 2 width 2 height 50\n#code128 L 'sets B, 90 modules: Ab{1}' digits 2 width 2 height 50\n"
            "#inter L '1234' digits 2 width 2 height 50\n#codabar L 'A12-3B' digits 2 width 2 height 50\nL:\n#end normal L");
        row("a barcode mid-line ends the line", "a<ean8>12345670</ean8>b",
            "L:a\n#ean8 L '12345670' digits 2 width 2 height 50\nL:b\n#end normal L");
        row("qr code", "<ce><qrcode>https://x.br/?p=1</qrcode></ce>",
            "#qrcode C model 2 size 4 level 0 'https://x.br/?p=1'\nL:\n#end normal L");
        row("qr options", "<qrcode_largura>6</qrcode_largura><qrcode_error>3</qrcode_error>"
                          "<qrcode_tipo>1</qrcode_tipo><qrcode>A\nB</qrcode>",
            "#qrcode L model 2 size 6 level 3 'A\nB'\nL:\n#end normal L");
        row("code 128 key in set C", "<code128>43181012345678000199650010000000011000000011</code128>",
            "#code128 L 'sets C, 277 modules: 43181012345678000199650010000000011000000011' digits 2 width 2 height 50\nL:\n#end normal L");
        row("code 128 sets as zint chooses", "<code128>A12345B</code128><code128>12345</code128>",
            "#code128 L 'sets B C B, 112 modules: A12345B' digits 2 width 2 height 50\n"
            "#code128 L 'sets C B, 79 modules: 12345' digits 2 width 2 height 50\nL:\n#end normal L");
        row("code 128 brace before digits", "<code128>AB{12</code128>",
            "#code128 L 'sets B, 90 modules: AB{12' digits 2 width 2 height 50\nL:\n#end normal L");
        row("code 128 brace before a letter", "<code128>AB{X</code128>",
            "#code128 L 'sets B, 79 modules: AB{X' digits 2 width 2 height 50\nL:\n#end normal L");
        row("code 128 sets chosen", "<code128a>A-1</code128a><code128b>1234</code128b><code128c>0012</code128c>",
            "#code128 L 'sets A, 68 modules: A-1' digits 2 width 2 height 50\n"
            "#code128 L 'sets B, 79 modules: 1234' digits 2 width 2 height 50\n"
            "#code128 L 'sets C, 57 modules: 0012' digits 2 width 2 height 50\nL:\n#end normal L");
        row("code 128 set kept from the data", "<code128>{A12AB</code128><code128>{Bx{{1</code128><code128>{C1234</code128>",
            "#code128 L 'sets A, 79 modules: 12AB' digits 2 width 2 height 50\n"
            "#code128 L 'sets B, 68 modules: x{1' digits 2 width 2 height 50\n"
            "#code128 L 'sets C, 57 modules: 1234' digits 2 width 2 height 50\nL:\n#end normal L");
        row("spaces and line breaks around barcode data", "<ean13> 7891234567895\n</ean13><ean13>\n789123456789 </ean13>",
            "#ean13 L '7891234567895' digits 2 width 2 height 50\n#ean13 L '789123456789' digits 2 width 2 height 50\n"
            "L:\n#end normal L");
        row("interleaved of odd length", "<inter>12345</inter>",
            "#inter L '012345' digits 2 width 2 height 50\nL:\n#end normal L");
        row("upce in its UPC-A form", "<upce>01234500006</upce>",
            "#upce L '01234500006' digits 2 width 2 height 50\nL:\n#end normal L");
        row("bar width 1 and 5", "<barra_largura>1</barra_largura><ean8>1234567</ean8>"
                                 "<barra_largura>5</barra_largura><ean8>1234567</ean8>",
            "#ean8 L '1234567' digits 2 width 2 height 50\n#ean8 L '1234567' digits 2 width 6 height 50\nL:\n#end normal L");
        // Pictures go as the printer's raster command, their dots read back
        // row by row; the barcodes the printers lack go as zint draws them.
        QTest::newRow("0/1 lines centred") << QByteArray("<ce><bmp>\n 101 \n\n01\n</bmp></ce>")
                                           << "#picture C 8x2 " + dotRows({"101", "01"}) + "\nL:\n#end normal L";
        QTest::newRow("wider than the paper: scaled down")
            << "<bmp>" + QByteArray(1152, '1') + "\n" + QByteArray(1152, '1') + "</bmp>"
            << "#picture L 576x1 " + QString(576, '1') + "\nL:\n#end normal L";
        QByteArray tall = "<bmp>";
        for (int i = 0; i < 300; ++i)
            tall += "1\n";
        QTest::newRow("a tall picture in bands of 256 rows")
            << tall + "</bmp>"
            << "#picture L 8x256 " + dotRows(repeated("1", 256)) + "\n#picture L 8x44 "
                   + dotRows(repeated("1", 44)) + "\nL:\n#end normal L";
        // Their digits follow as text, as the printer's own barcodes show theirs.
        const auto bars = [](receipt::BarcodeKind kind, const char *data) {
            const receipt::SymbolModules symbol = receipt::encodeBarcode(kind, data);
            return "#picture L " + QString::number((symbol.columns * 3 + 7) / 8 * 8) + "x4 "
                   + dotRows(barRows(symbol, 3, 4)) + "\nL:" + QString::fromStdString(symbol.digits) + "\n#end normal L";
        };
        const QByteArray options("<barra_largura>2</barra_largura><barra_altura>4</barra_altura>");
        QTest::newRow("code 11") << options + "<code11> 123-45 </code11>" << bars(receipt::BarcodeKind::Code11, "123-45");
        QTest::newRow("msi") << options + "<msi>1234</msi>" << bars(receipt::BarcodeKind::Msi, "1234");
        QTest::newRow("standard 2 of 5") << options + "<std>1234</std>" << bars(receipt::BarcodeKind::Standard2of5, "1234");
        QTest::newRow("code 11 without its digits")
            << "<barra_mostrar>0</barra_mostrar>" + options + "<code11>123-45</code11>"
            << bars(receipt::BarcodeKind::Code11, "123-45").replace(QStringLiteral("L:123-4552"), QStringLiteral("L:"));
    }

    void symbols()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, printed);
        QCOMPARE(EscPosReadback::read(directText(receiptJob(file, QString(), 48))), printed);
    }

    // The text goes through the code page, behind its selection and after
    // every reset; the data of the symbols never does.
    void codePage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("printed");
        QTest::newRow("UTF-8 on PC860") << QByteArray("\xEF\xBB\xBF<ce><n>PADARIA S\xC3\x83O JO\xC3\x83O</n></ce>\n")
            << "epson pc860" << 0 << QString::fromUtf8("C:[b]PADARIA SÃO JOÃO\nL:\n#end normal L");
        QTest::newRow("Windows-1252 on PC850, after a reset")
            << QByteArray("</zera>a\xE7\xE3o") << "epson pc850" << 0 << QString::fromUtf8("#reset\nL:ação\n#end normal L");
        QTest::newRow("QR data as the file's bytes")
            << QByteArray("<qrcode>S\xC3\x83O</qrcode>") << "epson wpc1252" << 0
            << QString::fromUtf8("#qrcode L model 2 size 4 level 0 'SÃO'\nL:\n#end normal L");
        QTest::newRow("margins on left lines only, rules within them")
            << QByteArray("a\n<ce>b</ce>\n</linha_simples>\n<ad>c</ad>") << "epson pc860" << 3
            << QString::fromUtf8("L:   a\nC:b\nL:   -------\nR:c\n#end normal L");
        QTest::newRow("margins in normal mode after double width")
            << QByteArray("<e>TOTAL R$ 10,00\n</linha_dupla></e>") << "epson pc860" << 3
            << QString::fromUtf8("L:   [w]TOTAL R$ 10,00\nL:   [w]===\n#end normal L");
        QTest::newRow("margins in normal mode after white on black and underline")
            << QByteArray("<in>a\nb</in>\n<s>c\n</s>d") << "epson pc860" << 2
            << QString::fromUtf8("L:  [i]a\nL:  [i]b\nL:  [u]c\nL:  d\n#end normal L");
    }

    void codePage()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, page);
        QFETCH(int, left);
        QFETCH(QString, printed);
        PrintJob job = receiptJob(file, page);
        job.leftMargin = left;
        const QByteArray bytes = directText(job);
        QCOMPARE(EscPosReadback::read(bytes), printed);
        QVERIFY(bytes.startsWith(QByteArray("\x1bt", 2)));
        // ESC @ forgets the page: the selection follows every reset.
        QCOMPARE(bytes.count(QByteArray("\x1b@\x1bt", 4)), bytes.count(QByteArray("\x1b@", 2)));
    }

    // The port road: only the text's line feeds become CR LF; a QR code of
    // 7 bytes stores with a length byte of 10, and that byte stays 10.
    void portLineEnds()
    {
        PrintJob job = receiptJob("<ce>a\n<qrcode>1234567</qrcode>\n</ce><barra_altura>10</barra_altura>"
                                  "<ean8>1234567</ean8>b\n<bmp>00001010</bmp>\n", "epson pc860", 48);
        job.topMargin = 1;
        job.bottomMargin = 2;
        job.leftMargin = 2;
        const QByteArray spooled = directText(job, LineEnds::Lf);
        const QByteArray port = directText(job, LineEnds::CrLf);
        QVERIFY(port.contains(QByteArray("\x1d(k\x0a\x00" "1P01234567", 14)));
        QVERIFY(port.contains(QByteArray("\x1dh\x0a", 3)));
        // A picture's row of dots may be the byte 0x0A too.
        QVERIFY(port.contains(QByteArray("\x1dv0\x00\x01\x00\x01\x00\x0a", 9)));
        QCOMPARE(port.count("\r\n"), spooled.count('\n') - 3);
        QCOMPARE(QByteArray(port).replace("\r\n", "\n"), spooled);
        QCOMPARE(EscPosReadback::read(port), EscPosReadback::read(spooled));
    }

    // Without tags to read, or with none in the file, every road gets the
    // bytes it always got.
    void plainBytes_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("page");
        const QByteArray tagged("\xEF\xBB\xBF<ce><n>CUPOM</n></ce>\nS\xC3\x83O\n</corte_total>");
        QTest::newRow("tags not read") << QString() << tagged << QString();
        QTest::newRow("tags not read, code page") << QString() << tagged << "epson pc860";
        QTest::newRow("tags read, none there") << "acbr" << QByteArray("\xEF\xBB\xBF" "a < b\nS\xC3\x83O\n") << "epson pc860";
        QTest::newRow("another name: no tags") << "ACBR" << tagged << QString();
    }

    void plainBytes()
    {
        QFETCH(QString, tags);
        QFETCH(QByteArray, file);
        QFETCH(QString, page);
        PrintJob job = receiptJob(file, page);
        job.tags = tags;
        job.leftMargin = 2;
        job.topMargin = 1;
        job.bottomMargin = 3;
        job.dotMatrixMode = QStringLiteral("draft");
        const CodePage *codePage = codePageNamed(page.toStdString());
        const QByteArray prefix = dotMatrixPrefix(job.dotMatrixMode);
        const QByteArray today = codePage ? frameTextInCodePage(file, 2, 1, 3, prefix, *codePage)
                                          : frameText(file, 2, 1, 3, prefix);
        QCOMPARE(directText(job), today);
        QCOMPARE(directText(job, LineEnds::CrLf), QByteArray(today).replace("\n", "\r\n"));
        QVERIFY(receiptProblem(job).isEmpty());
    }

    // A tag that cannot be carried out: nothing of the file prints, and
    // the operator reads what and where.
    void badInput_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        const auto row = [](const char *name, const QByteArray &file, const char *problem) {
            QTest::newRow(name) << file << QString::fromUtf8("etiqueta inválida na linha ") + QString::fromUtf8(problem);
        };
        row("ean13 with a letter", "ok\n\n<ean13>789123456789X</ean13>", "3: <ean13> precisa de 12 ou 13 algarismos");
        row("ean13 too short", "<EAN13>78912345678</EAN13>", "1: <ean13> precisa de 12 ou 13 algarismos");
        row("ean13 wrong check digit", "<ean13>7891234567890</ean13>", "1: <ean13> com o dígito verificador errado");
        row("ean8 too long", "<ean8>123456789</ean8>", "1: <ean8> precisa de 7 ou 8 algarismos");
        row("upca wrong count", "<upca>1234567890</upca>", "1: <upca> precisa de 11 ou 12 algarismos");
        row("upce wrong count", "<upce>12345</upce>", "1: <upce> precisa de 6, 7 ou 8 algarismos, ou dos 11 de um UPC-A");
        row("upce of a UPC-A that does not reduce", "<upce>01234512345</upce>",
            "1: <upce> com 11 algarismos de um UPC-A que não se reduz a UPC-E");
        row("upce number system 1", "<upce>11234565</upce>", "1: <upce> com 7 ou 8 algarismos começa com 0");
        row("code128 outside ASCII", "<code128>S\xC3\x83O</code128>", "1: <code128> aceita só caracteres ASCII visíveis");
        row("code93 control byte", "<code93>a\tb</code93>", "1: <code93> aceita só caracteres ASCII visíveis");
        row("code39 small letters", "<code39>abc</code39>", "1: <code39> aceita só 0-9, A-Z maiúsculas, espaço e $ % + - . /");
        row("interleaved with a letter", "<inter> 1234X </inter>", "1: <inter> precisa de um número par de algarismos");
        row("ean13 with spaces inside", "<ean13>789 1234567895</ean13>", "1: <ean13> precisa de 12 ou 13 algarismos");
        row("code128 in set B wider than the paper", "<code128b>43181012345678000199650010000000011000000011</code128b>", "1: <code128b> com 1038 pontos não cabe em 576");
        row("code128 wider than the paper at bar width 2", "<barra_largura>2</barra_largura><code128>43181012345678000199650010000000011000000011</code128>",
            "1: <code128> com 831 pontos não cabe em 576");
        row("qr code wider than the paper", "<qrcode_largura>16</qrcode_largura><qrcode>https://www.fazenda.sp.gov.br/nfce/qrcode?p="
                                            + QByteArray(56, 'x') + "</qrcode>",
            "1: <qrcode> com 592 pontos não cabe em 576");
        row("qr model 1 over version 14", "<qrcode_tipo>1</qrcode_tipo><qrcode_largura>1</qrcode_largura><qrcode>"
                                          + QByteArray(600, 'a') + "</qrcode>",
            "1: <qrcode> com 600 bytes, mais do que um QR code modelo 1 comporta");
        row("code128c odd count", "<code128c>123</code128c>", "1: <code128c> aceita só algarismos, em número par");
        row("code128a small letters", "<code128a>abc</code128a>", "1: <code128a> aceita só caracteres ASCII visíveis sem minúsculas");
        row("code128 brace pair the printer reads as a command", "<code128>{Bx{y</code128>",
            "1: <code128> com um { que não é {{ depois da escolha do conjunto");
        row("empty picture", "<bmp>\n \n</bmp>", "1: <bmp> sem dados");
        row("code 11 with letters", "<code11>12A</code11>", "1: <code11> não pode ser desenhado: caracteres que o código não aceita");
        row("msi wider than the paper", "<barra_largura>5</barra_largura><msi>1234567890</msi>",
            "1: <msi> com 762 pontos não cabe em 576");
        row("logo scale 5", "<logo_fatorx>5</logo_fatorx>", "1: <logo_fatorx> aceita de 1 a 4, não \"5\"");
        row("codabar without start", "<codabar>123B</codabar>",
            "1: <codabar> começa e termina com A, B, C ou D e tem entre eles só 0-9 - $ : / . +");
        row("empty barcode", "<ean13></ean13>", "1: <ean13> sem dados");
        // The printer would take it; the page roads could not draw it.
        row("code128 longer than a drawing holds", "<code128>" + QByteArray(61, 'A') + "</code128>",
            "1: <code128> não pode ser desenhado: dados longos ou curtos demais para o código");
        row("barcode over 255 bytes", "<code93>" + QByteArray(256, 'A') + "</code93>",
            "1: <code93> com mais caracteres do que a impressora aceita");
        row("qr code over level L", "<qrcode>" + QByteArray(2954, 'a') + "</qrcode>",
            "1: <qrcode> com 2954 bytes, mais que os 2953 de um QR code de nível L");
        row("qr code over level H", "<qrcode_error>3</qrcode_error>\n<qrcode>" + QByteArray(1274, 'a') + "</qrcode>",
            "2: <qrcode> com 1274 bytes, mais que os 1273 de um QR code de nível H");
        row("empty qr code", "<qrcode></qrcode>", "1: <qrcode> sem dados");
        row("qr code never closed", "a\n<qrcode>https://x\n\nb", "2: <qrcode> sem </qrcode>");
        row("barcode never closed", "<ean13>7891234567895</ean8>", "1: <ean13> sem </ean13>");
        row("bar height 0", "<barra_altura>0</barra_altura>", "1: <barra_altura> aceita de 1 a 255, não \"0\"");
        row("bar width 6", "<barra_largura>6</barra_largura>", "1: <barra_largura> aceita de 1 a 5, não \"6\"");
        row("bar width 0", "<barra_largura>0</barra_largura>", "1: <barra_largura> aceita de 1 a 5, não \"0\"");
        row("digits flag 2", "<barra_mostrar>2</barra_mostrar>", "1: <barra_mostrar> aceita de 0 a 1, não \"2\"");
        row("qr size 17", "<qrcode_largura>17</qrcode_largura>", "1: <qrcode_largura> aceita de 1 a 16, não \"17\"");
        row("qr level 4", "<qrcode_error>4</qrcode_error>", "1: <qrcode_error> aceita de 0 a 3, não \"4\"");
        row("qr model 3", "<qrcode_tipo>3</qrcode_tipo>", "1: <qrcode_tipo> aceita de 1 a 2, não \"3\"");
        row("qr size not a number", "<qrcode_largura>4x</qrcode_largura>", "1: <qrcode_largura> aceita de 1 a 16, não \"4x\"");
        row("drawer 3", "<abre_gaveta>3</abre_gaveta>", "1: <abre_gaveta> aceita de 1 a 2, não \"3\"");
        row("the line after data of many lines", "<qrcode>a\nb</qrcode>\n<ean8>1</ean8>", "3: <ean8> precisa de 7 ou 8 algarismos");
        const auto picture = [](const char *name, const QByteArray &file, const QString &problem) {
            QTest::newRow(name) << file << QString::fromUtf8("etiqueta inválida na linha 1: <bmp> ") + problem;
        };
        picture("no such file", "<bmp>/sem/logo.png</bmp>", QString::fromUtf8("sem o arquivo /sem/logo.png, que também não é Base64"));
        picture("a text file", "<bmp>" + pictureAt("note.txt").toUtf8() + "</bmp>",
            pictureAt("note.txt") + QString::fromUtf8(" não é uma imagem PNG, BMP ou JPEG"));
        picture("Base64 of no image", "<bmp>aGVsbG8=</bmp>", QString::fromUtf8("em Base64 não é uma imagem PNG, BMP ou JPEG"));
        // The toolkit's own words follow.
        picture("a PNG cut short", "<bmp>" + pictureAt("cut.png").toUtf8() + "</bmp>",
            pictureAt("cut.png") + QString::fromUtf8(" não pôde ser lida: "));
        picture("a decompression bomb", "<bmp>" + pictureAt("bomb.png").toUtf8() + "</bmp>",
            pictureAt("bomb.png") + QString::fromUtf8(" é grande demais: 40000 × 40000 pontos"));
        // Fewer pixels, but 8 bytes each once decoded.
        picture("a 16-bit picture too big to decode", "<bmp>" + pictureAt("deep.png").toUtf8() + "</bmp>",
            pictureAt("deep.png") + QString::fromUtf8(" é grande demais: 3000 × 3000 pontos"));
    }

    void badInput()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        // A drawer pulse before, a cut after: neither goes out either.
        const PrintJob job = receiptJob("</abre_gaveta>" + file + "\n</corte_total>", QString(), 48);
        // The toolkit's own words may follow a picture's problem.
        const bool toolkitWords = problem.endsWith(QStringLiteral(": "));
        QVERIFY2(toolkitWords ? receiptProblem(job).startsWith(problem) : receiptProblem(job) == problem,
                 qPrintable(receiptProblem(job)));
        QVERIFY(directText(job).isNull());
        QVERIFY(directText(job, LineEnds::CrLf).isNull());
        PrintJob plain = job;
        plain.tags.clear();
        QVERIFY(receiptProblem(plain).isEmpty());
    }

    // The preview tells of a bad tag before the press, and only while tags
    // are read; the paper's width is the receipt's columns, so a symbol that
    // fits 80 mm paper is too wide once the columns are those of 58 mm.
    void statusBar_data()
    {
        QTest::addColumn<QByteArray>("tags");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("after");
        const QString qrSize = QString::fromUtf8("etiqueta inválida na linha 2: <qrcode_largura> aceita de 1 a 16, não \"20\"");
        const QByteArray badQr("CUPOM\n<qrcode_largura>20</qrcode_largura>\n");
        QTest::newRow("tags no longer read") << QByteArray("acbr") << badQr << qrSize << "etiquetasComboBox" << QVariant(QString()) << QString();
        QTest::newRow("tags read again") << QByteArray() << badQr << QString() << "etiquetasComboBox" << QVariant("acbr") << qrSize;
        QTest::newRow("58 mm paper") << QByteArray("acbr") << QByteArray("CUPOM\n<code128>43181012345678000199650010000000011000000011</code128>\n")
                                     << QString() << "colunas" << QVariant(32)
                                     << QString::fromUtf8("etiqueta inválida na linha 2: <code128> com 554 pontos não cabe em 384");
    }

    void statusBar()
    {
        QFETCH(QByteArray, tags);
        QFETCH(QByteArray, file);
        QFETCH(QString, before);
        QFETCH(QString, widget);
        QFETCH(QVariant, value);
        QFETCH(QString, after);
        QTemporaryDir scratch;
        writeFile(configPath(), "[geral]\ncolunas=48\nimpressora=\netiquetas=" + tags + "\n");
        {
            MainWindow window;
            QVERIFY(window.initialise(*qApp, fileWith(scratch, file)));
            QCOMPARE(statusTexts(window).join('|'), before);
            if (auto *box = window.findChild<QComboBox *>(widget))
                box->setCurrentText(value.toString());
            else
                window.findChild<QSpinBox *>(widget)->setValue(value.toInt());
            QCOMPARE(statusTexts(window).join('|'), after);
        }
        removeConfig();
    }
};

QTEST_MAIN(ReceiptTagsTest)
#include "tst_receipt_tags.moc"
