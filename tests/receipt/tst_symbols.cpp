// Every symbol a receipt may carry, encoded by zint, drawn by the program
// and read back by zbar as a scanner would read it.

#include "code128_sets.h"
#include "symbol_image.h"
#include "symbol_reading.h"
#include "symbols.h"

#include <QtTest>

using receipt::BarcodeKind;
using receipt::SymbolModules;

Q_DECLARE_METATYPE(BarcodeKind)

namespace {

// A 300 dpi page, and a 96 dpi screen.
constexpr qreal paperPixelsPerMm = 300 / 25.4;
constexpr qreal screenPixelsPerMm = 96 / 25.4;
// The rows of a QR code among the barcodes' rows.
constexpr auto qrCodeRow = BarcodeKind(-1);

SymbolModules encoded(BarcodeKind kind, const QByteArray &data)
{
    return receipt::encodeBarcode(kind, data.toStdString());
}

SymbolModules qrCode(const QByteArray &data, int errorLevel)
{
    return receipt::encodeQrCode(data.toStdString(), errorLevel);
}

} // namespace

class SymbolsTest : public QObject
{
    Q_OBJECT

private slots:
    void barcodesReadBack_data();
    void barcodesReadBack();
    void qrCodesReadBack_data();
    void qrCodesReadBack();
    void code128AsThePrinterGetsIt_data();
    void code128AsThePrinterGetsIt();
    void badDataMakesNoSymbol_data();
    void badDataMakesNoSymbol();
};

void SymbolsTest::barcodesReadBack_data()
{
    QTest::addColumn<BarcodeKind>("kind");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("barWidth");
    QTest::addColumn<bool>("digits");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("shown");

    // zbar reports UPC codes in their EAN-13 form.
    QTest::newRow("EAN-8") << BarcodeKind::Ean8 << QByteArray("1234567") << 2 << true << "EAN-8:12345670" << "12345670";
    QTest::newRow("EAN-8 with its check digit") << BarcodeKind::Ean8 << QByteArray("12345670") << 3 << false
                                                << "EAN-8:12345670" << "12345670";
    QTest::newRow("EAN-13") << BarcodeKind::Ean13 << QByteArray("789123456789") << 2 << true << "EAN-13:7891234567895"
                            << "7891234567895";
    QTest::newRow("EAN-13 narrow, no digits") << BarcodeKind::Ean13 << QByteArray("7891234567895") << 1 << false
                                              << "EAN-13:7891234567895" << "7891234567895";
    QTest::newRow("UPC-A") << BarcodeKind::UpcA << QByteArray("01234567890") << 2 << true << "EAN-13:0012345678905"
                           << "012345678905";
    QTest::newRow("UPC-E") << BarcodeKind::UpcE << QByteArray("0123456") << 2 << true << "EAN-13:0012345000065"
                           << "01234565";
    QTest::newRow("UPC-E of its UPC-A form") << BarcodeKind::UpcE << QByteArray("03600000029") << 2 << true
                                             << "EAN-13:0036000000290" << "03602900";
    QTest::newRow("Code 39") << BarcodeKind::Code39 << QByteArray("ABC-123") << 2 << true << "CODE-39:ABC-123"
                             << "*ABC-123*";
    QTest::newRow("Code 93") << BarcodeKind::Code93 << QByteArray("PEDIDO 42") << 2 << false << "CODE-93:PEDIDO 42"
                             << "";
    QTest::newRow("Code 128") << BarcodeKind::Code128 << QByteArray("Pedido-42/b") << 2 << true
                              << "CODE-128:Pedido-42/b" << "Pedido-42/b";
    QTest::newRow("interleaved 2 of 5") << BarcodeKind::Interleaved << QByteArray("12345678") << 3 << true
                                        << "I2/5:12345678" << "12345678";
    QTest::newRow("Codabar") << BarcodeKind::Codabar << QByteArray("A123456B") << 2 << true << "Codabar:A123456B"
                             << "A123456B";
}

void SymbolsTest::barcodesReadBack()
{
    QFETCH(BarcodeKind, kind);
    QFETCH(QByteArray, data);
    QFETCH(int, barWidth);
    QFETCH(bool, digits);
    QFETCH(QString, read);
    QFETCH(QString, shown);

    const SymbolModules modules = encoded(kind, data);
    QVERIFY2(modules.encoded(), modules.error.c_str());
    QCOMPARE(modules.rows, 1);
    if (!shown.isEmpty())
        QCOMPARE(QString::fromStdString(modules.digits), shown);
    for (const qreal pixelsPerMm : {paperPixelsPerMm, screenPixelsPerMm}) {
        const SymbolLook look = barcodeLook(barWidth, 80, digits, pixelsPerMm);
        const QImage image = symbolImage(modules, look);
        // Bars as tall as asked (10 mm), digits below them or not at all.
        QVERIFY(image.height() >= look.barHeight);
        QCOMPARE(look.barHeight, int(std::lround(10 * pixelsPerMm)));
        QCOMPARE(image.height() > look.barHeight + 4 * look.modulePixels, digits);
        QCOMPARE(symbolsReadFrom(image), QStringList{read});
    }
}

void SymbolsTest::qrCodesReadBack_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("moduleDots");
    QTest::addColumn<int>("errorLevel");

    const QByteArray url("https://www.fazenda.sp.gov.br/nfce/qrcode?p=35261212345678000190650010000012341000012345|2|1|1|"
                         "0A1B2C3D4E5F60718293A4B5C6D7E8F901234567");
    QTest::newRow("NFC-e URL, level L, 4 dots") << url << 4 << 0;
    QTest::newRow("NFC-e URL, level H, 6 dots") << url << 6 << 3;
    QTest::newRow("short text, level M, 1 dot") << QByteArray("Padaria") << 1 << 1;
    QTest::newRow("ASCII, level Q, 16 dots") << QByteArray("PADARIA SAO JOAO 26,39") << 16 << 2;
}

void SymbolsTest::qrCodesReadBack()
{
    QFETCH(QByteArray, data);
    QFETCH(int, moduleDots);
    QFETCH(int, errorLevel);

    const SymbolModules modules = qrCode(data, errorLevel);
    QVERIFY2(modules.encoded(), modules.error.c_str());
    QCOMPARE(modules.rows, modules.columns);
    for (const qreal pixelsPerMm : {paperPixelsPerMm, screenPixelsPerMm}) {
        const SymbolLook look = qrCodeLook(modules, moduleDots, pixelsPerMm);
        const QImage image = symbolImage(modules, look);
        // As wide as on paper, its modules a whole number of pixels: up to
        // a pixel a module wider, or two pixels a module on a screen.
        const qreal widthMm = modules.columns * look.modulePixels / pixelsPerMm;
        const qreal paperMm = modules.columns * moduleDots / 8.0;
        QVERIFY2(widthMm >= paperMm - 0.01, qPrintable(QString::number(widthMm)));
        QVERIFY2(look.modulePixels == 2 || widthMm < paperMm + modules.columns / pixelsPerMm,
                 qPrintable(QString::number(widthMm)));
        QCOMPARE(image.width(), (modules.columns + 8) * look.modulePixels);
        QCOMPARE(symbolsReadFrom(image), QStringList{QStringLiteral("QR-Code:") + QString::fromUtf8(data)});
    }
    // The level is zint's: level H holds the long URL in a bigger symbol.
    if (data.size() > 100 && errorLevel < 3)
        QVERIFY(qrCode(data, 3).columns > modules.columns);
}

void SymbolsTest::code128AsThePrinterGetsIt_data()
{
    QTest::addColumn<BarcodeKind>("kind");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("modules");

    const QByteArray key("43181012345678000199650010000000011000000011");
    QTest::newRow("access key, shortest sets") << BarcodeKind::Code128 << key << "CODE-128:" + QString(key) << 277;
    QTest::newRow("access key, set B") << BarcodeKind::Code128B << key << "CODE-128:" + QString(key) << 519;
    QTest::newRow("odd key, its last digit in B") << BarcodeKind::Code128 << key.left(43) << "CODE-128:" + QString(key.left(43)) << 288;
    QTest::newRow("digits amid letters") << BarcodeKind::Code128 << QByteArray("AB1234567x") << "CODE-128:AB1234567x" << 134;
    QTest::newRow("two digits alone") << BarcodeKind::Code128 << QByteArray("12") << "CODE-128:12" << 46;
    QTest::newRow("a brace") << BarcodeKind::Code128 << QByteArray("AB{12") << "CODE-128:AB{12" << 90;
    QTest::newRow("set A") << BarcodeKind::Code128A << QByteArray("PEDIDO-42") << "CODE-128:PEDIDO-42" << 134;
    QTest::newRow("set C") << BarcodeKind::Code128C << QByteArray("001234") << "CODE-128:001234" << 68;
    QTest::newRow("set kept from the data") << BarcodeKind::Code128 << QByteArray("{Bx{{12") << "CODE-128:x{12" << 79;
}

// The modules the printer makes of its bytes are zint's, and zbar reads
// the drawing as the text.
void SymbolsTest::code128AsThePrinterGetsIt()
{
    QFETCH(BarcodeKind, kind);
    QFETCH(QByteArray, data);
    QFETCH(QString, read);
    QFETCH(int, modules);

    const receipt::Code128Data printer = receipt::code128Data(kind, data.toStdString());
    QVERIFY2(printer.problem.empty(), printer.problem.c_str());
    QCOMPARE(printer.modules(), modules);
    const SymbolModules drawn = encoded(kind, data);
    QVERIFY2(drawn.encoded(), drawn.error.c_str());
    QCOMPARE(drawn.columns, modules);
    QCOMPARE(symbolsReadFrom(symbolImage(drawn, barcodeLook(2, 80, false, paperPixelsPerMm))), QStringList{read});
}

void SymbolsTest::badDataMakesNoSymbol_data()
{
    QTest::addColumn<BarcodeKind>("kind");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("errorLevel");

    QTest::newRow("EAN-13 with a letter") << BarcodeKind::Ean13 << QByteArray("78912345678X") << 0;
    QTest::newRow("EAN-13 of 11 digits") << BarcodeKind::Ean13 << QByteArray("78912345678") << 0;
    QTest::newRow("EAN-13, wrong check digit") << BarcodeKind::Ean13 << QByteArray("7891234567890") << 0;
    QTest::newRow("EAN-8, wrong check digit") << BarcodeKind::Ean8 << QByteArray("12345671") << 0;
    QTest::newRow("EAN-8 of 12 digits") << BarcodeKind::Ean8 << QByteArray("789123456789") << 0;
    QTest::newRow("Code 128 beyond ASCII") << BarcodeKind::Code128 << QByteArray("Pão") << 0;
    QTest::newRow("Code 39 with a semicolon") << BarcodeKind::Code39 << QByteArray("AB;C") << 0;
    QTest::newRow("Codabar without start and stop") << BarcodeKind::Codabar << QByteArray("123456") << 0;
    QTest::newRow("QR code over its capacity") << qrCodeRow << QByteArray(1300, 'x') << 3;
    QTest::newRow("QR code, level 4") << qrCodeRow << QByteArray("abc") << 4;
    QTest::newRow("empty QR code") << qrCodeRow << QByteArray() << 0;
}

void SymbolsTest::badDataMakesNoSymbol()
{
    QFETCH(BarcodeKind, kind);
    QFETCH(QByteArray, data);
    QFETCH(int, errorLevel);

    const SymbolModules modules = kind == qrCodeRow ? qrCode(data, errorLevel) : encoded(kind, data);
    QVERIFY(!modules.encoded());
    QVERIFY(!modules.error.empty());
    QVERIFY(symbolImage(modules, SymbolLook()).isNull());
}

QTEST_MAIN(SymbolsTest)
#include "tst_symbols.moc"
