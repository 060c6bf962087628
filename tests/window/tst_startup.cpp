// Start-up: the captions, the option lists, the paper-cut table, reading
// the file and the preview; the cursor and the focus after a failed print,
// and one press, one print.

#include "window_support.h"
#include "printer_list.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBlock>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include <sys/stat.h>

#include <thread>

namespace {

// The point size of the preview's last character: the size set before the
// text reaches the whole of it.
qreal previewPointSize(const QTextEdit *preview)
{
    return preview->document()->lastBlock().begin().fragment().charFormat().fontPointSize();
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;
    MainWindow *window = nullptr;

    template <typename T>
    T *find(const char *name) { return window->findChild<T *>(QLatin1String(name)); }

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

    void optionLists()
    {
        QVERIFY(window->initialise(*qApp, fileWith(scratch, "x")));
        QCOMPARE(items(find<QComboBox>("matricialComboBox")),
                 QStringList({"", "draft", "draft condensed"}));
        QCOMPARE(items(find<QComboBox>("fonteComboBox")),
                 QStringList({"Courier New", "Verdana", "Arial", "Monospace"}));
        QCOMPARE(items(find<QComboBox>("escritaDiretaComboBox")), QStringList({"LPT1"}));
        QCOMPARE(items(find<QComboBox>("nivelComboBox")),
                 QStringList({"alto", "medio", "baixo", "escrita direta"}));
        QCOMPARE(items(find<QComboBox>("cortarPapelComboBox")),
                 QStringList({"", "bematech corte parcial", "bematech corte total", "daruma corte total",
                              "epson corte parcial", "epson corte total", "samsung corte parcial",
                              "samsung corte total"}));
    }

    void cutCommandTable()
    {
        QVERIFY(window->initialise(*qApp, fileWith(scratch, "x")));
        const QMap<QString, QByteArray> expected{
            {"epson corte total", "\x1b\x69"}, {"epson corte parcial", "\x1b\x6d"},
            {"bematech corte total", "\x1b\x77"}, {"bematech corte parcial", "\x1b\x6d"},
            {"daruma corte total", "\x1b\x77"}, {"samsung corte total", "\x1b\x77"},
            {"samsung corte parcial", "\x1b\x6d"}};
        QCOMPARE(WindowProbe::cutCommands(*window), expected);
    }

    // What the operator reads, byte for byte, spaces included.
    void captions()
    {
        auto *tabs = find<QTabWidget>("tabWidget");
        QStringList shown{window->windowTitle(), find<QPushButton>("imprimir")->text()};
        for (const char *tab : {"tab", "tab_2", "tab_3"})
            shown << tabs->tabText(tabs->indexOf(find<QWidget>(tab)));
        for (const char *group : {"groupBox", "groupBox_2", "groupBox_3", "groupBox_4"})
            shown << find<QGroupBox>(group)->title();
        for (const char *label : {"label_9", "label_11", "label_4", "label_5", "label", "label_2", "label_3",
                                  "label_7", "labelBaixoNivel", "label_8", "label_10", "labelCodificacao",
                                  "labelEtiquetas", "labelColunas"})
            shown << find<QLabel>(label)->text();
        QCOMPARE(shown.join('|'),
                 QString::fromUtf8("Orvane|IMPRIMIR|ORVANE|CONFIGURAÇÃO|AJUDA|ALTO NÍVEL|"
                                   "ESCRITA DIRETA, BAIXO E MÉDIO NÍVEL |NÍVEL|OUTROS| MARGEM GERAL| TAMANHO FONTE|"
                                   "FONTE NEGRITO| FONTE| MARGEM SUPERIOR| MARGEM ESQUERDA| MARGEM INFERIOR| MATRICIAL|"
                                   "NÍVEL: |ESCRITA DIRETA|CORTAR PAPEL:|Codificação da impressora|Etiquetas|"
                                   "Colunas do recibo"));
        QCOMPARE(find<QLabel>("label_6")->text(),
                 QStringLiteral("Kavrent\n\nTelefones: (11)3456-7890 (11)98765-4321\nsite:           www.kavrent.com.br\n"));
    }

    void fileContents_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QString>("preview");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n") << "a\nb\n";
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << QByteArray("ab") << "ab";
        QTest::newRow("NUL") << QByteArray("ab\0cd\nef", 8) << QByteArray("ab\0cd\nef", 8) << "abcd\nef";
        // As PowerShell's Out-File writes it: read as UTF-8, the CR LF made LF.
        QTest::newRow("UTF-16 LE") << QByteArray("\xff\xfeP\0\xe3\0o\0\r\0\n\0\x0d\x01\x3d\xd8\x00\xde", 18)
                                   << QByteArray("P\xc3\xa3o\n\xc4\x8d\xf0\x9f\x98\x80")
                                   << QString::fromUtf8("Pão\nč😀");
        QTest::newRow("UTF-16 BE, a lone surrogate, an odd byte") << QByteArray("\xfe\xff\0P\xd8\0\0a\0", 9)
                                   << QByteArray("P\xef\xbf\xbd" "a\xef\xbf\xbd") << QString::fromUtf8("P\ufffda\ufffd");
        QTest::newRow("Windows-1252") << QByteArray("caf\xe9!") << QByteArray("caf\xe9!")
                                      << QString::fromUtf8("caf\u00e9!");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QString();
        QTest::newRow("markup") << QByteArray("<b>negrito</b> texto") << QByteArray("<b>negrito</b> texto")
                                << "negrito texto";
    }

    void fileContents()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, kept);
        QFETCH(QString, preview);
        QVERIFY(window->initialise(*qApp, fileWith(scratch, bytes)));
        QCOMPARE(WindowProbe::fileData(*window), kept);
        QCOMPARE(find<QTextEdit>("impressao")->toPlainText(), preview);
    }

    // A form feed shows as a rule across the preview; markup keeps it a space.
    void previewPageBreaks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<int>("rules");
        QTest::newRow("three pages") << QByteArray("p1\n\fp2\n\fp3") << "p1\n\np2\n\np3" << 2;
        QTest::newRow("a feed that ends the report") << QByteArray("p1\nfim\n\f") << "p1\nfim" << 0;
        QTest::newRow("markup") << QByteArray("<b>p1</b>\fp2") << "p1 p2" << 0;
    }

    void previewPageBreaks()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, preview);
        QFETCH(int, rules);
        QVERIFY(window->initialise(*qApp, fileWith(scratch, bytes)));
        auto *edit = find<QTextEdit>("impressao");
        QCOMPARE(edit->toPlainText(), preview);
        int found = 0;
        for (QTextBlock block = edit->document()->firstBlock(); block.isValid(); block = block.next())
            found += block.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth);
        QCOMPARE(found, rules);
        if (rules > 0)
            QCOMPARE(previewPointSize(edit), 10.0);
    }

    // The printer list follows the spooler without moving the choice.
    // Entries as the operator reads them, the chosen one in brackets.
    void printerListFollows_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QStringList>("answers"); // each a list of printers, joined by ","
        QTest::addColumn<QString>("entries");
        const QString gone = QString::fromUtf8(" (não encontrada)");
        QTest::newRow("none saved") << "" << QStringList{"a,b"} << "[]|a|b";
        QTest::newRow("saved, in the spooler's order") << "b" << QStringList{"a,b,c"} << "a|[b]|c";
        QTest::newRow("saved, not installed") << "x" << QStringList{"a,b"} << "[x" + gone + "]|a|b";
        QTest::newRow("a printer added, one removed") << "b" << QStringList{"a,b", "b,c"} << "[b]|c";
        QTest::newRow("the chosen printer removed, then back") << "b" << QStringList{"a,b", "a", "a,b"} << "a|[b]";
        QTest::newRow("the chosen printer removed") << "b" << QStringList{"a,b", "a,c"} << "a|c|[b" + gone + "]";
        QTest::newRow("no printer at all") << "" << QStringList{"a", ""} << "[]";
    }

    void printerListFollows()
    {
        QFETCH(QString, saved);
        QFETCH(QStringList, answers);
        QFETCH(QString, entries);
        QComboBox list;
        fillPrinterList(&list, saved);
        for (const QString &answer : answers)
            followInstalledPrinters(&list, answer.split(',', Qt::SkipEmptyParts));
        QStringList shown;
        for (int i = 0; i < list.count(); ++i)
            shown << (i == list.currentIndex() ? "[" + list.itemText(i) + "]" : list.itemText(i));
        QCOMPARE(shown.join('|'), entries);
        QCOMPARE(chosenPrinter(&list), saved);
    }

    void previewTakesTheFontSize()
    {
        QVERIFY(window->initialise(*qApp, fileWith(scratch, "linha um\nlinha dois")));
        auto *preview = find<QTextEdit>("impressao");
        QCOMPARE(previewPointSize(preview), 10.0);
        find<QSpinBox>("tamanho_fonte")->setValue(14);
        QCOMPARE(previewPointSize(preview), 14.0);
        QCOMPARE(preview->toPlainText(), QStringLiteral("linha um\nlinha dois"));
    }

    void largeFileKeepsEveryByte()
    {
        QByteArray bytes;
        for (int i = 0; bytes.size() < 4 * 1024 * 1024; ++i)
            bytes += "linha " + QByteArray::number(i) + " com acentua\xc3\xa7\xc3\xa3o\r\n";
        QVERIFY(window->initialise(*qApp, fileWith(scratch, bytes)));
        const QByteArray kept = QByteArray(bytes).replace("\r", "");
        QCOMPARE(WindowProbe::fileData(*window), kept);
        // the preview shows the beginning, in whole lines; the print takes all
        const QString preview = find<QTextEdit>("impressao")->toPlainText();
        QVERIFY(preview.size() > 200 * 1024 && preview.size() <= 256 * 1024 && preview.endsWith('\n'));
        QVERIFY(QString::fromUtf8(kept).startsWith(preview));
        QCOMPARE(WindowProbe::buildDirectText(*window).size(), kept.size() + kept.count('\n') * 2 + 6);
    }

    // A print that fails says so with the normal cursor back, on every road.
    void failedPrintRestoresTheCursor_data()
    {
        QTest::addColumn<QString>("level");
        for (const char *level : {"baixo", "escrita direta", "medio", "alto"})
            QTest::newRow(level) << QString::fromLatin1(level);
    }

    void failedPrintRestoresTheCursor()
    {
        QFETCH(QString, level);
        QVERIFY(window->initialise(*qApp, fileWith(scratch, "CUPOM\n")));
        find<QComboBox>("impressoras")->addItem(QStringLiteral("orvane-impressora-que-nao-existe"));
        find<QComboBox>("impressoras")->setCurrentText(QStringLiteral("orvane-impressora-que-nao-existe"));
        find<QComboBox>("nivelComboBox")->setCurrentText(level);
        find<QComboBox>("escritaDiretaComboBox")->setCurrentText(QStringLiteral("/nonexistent/orvane/porta.prn"));
        ModalCatcher catcher;
        WindowProbe::print(*window);
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].title, QStringLiteral("IMPRESSORA"));
        QVERIFY(!catcher.boxes[0].busyCursor);
        QVERIFY(!QApplication::overrideCursor());
        // Return retries: the printer is mended and the operator presses again.
        QCOMPARE(window->focusWidget(), find<QPushButton>("imprimir"));
    }

    // While a print runs, no press of any kind starts another, then or
    // after it: the port, a FIFO read only later, receives one copy.
    void onePressOnePrint_data()
    {
        QTest::addColumn<QString>("press");
        for (const char *press : {"click", "double-click", "Return", "Space"})
            QTest::newRow(press) << QString::fromLatin1(press);
    }

    void onePressOnePrint()
    {
        QFETCH(QString, press);
        const QString fifo = scratch.filePath(QStringLiteral("porta.fifo"));
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(window->initialise(*qApp, fileWith(scratch, "CUPOM\n")));
        find<QComboBox>("impressoras")->addItem(QStringLiteral("orvane-impressora-que-nao-existe"));
        find<QComboBox>("impressoras")->setCurrentText(QStringLiteral("orvane-impressora-que-nao-existe"));
        find<QComboBox>("nivelComboBox")->setCurrentText(QStringLiteral("escrita direta"));
        find<QComboBox>("escritaDiretaComboBox")->setCurrentText(fifo);
        window->show();
        auto *button = find<QPushButton>("imprimir");
        button->setFocus();

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(WindowProbe::printing(*window));
        if (press == QLatin1String("click"))
            QTest::mouseClick(button, Qt::LeftButton);
        else if (press == QLatin1String("double-click"))
            QTest::mouseDClick(button, Qt::LeftButton);
        else
            QTest::keyClick(button, press == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Space);

        QByteArray received;
        std::thread reader([&] {
            QFile port(fifo);
            if (port.open(QIODevice::ReadOnly))
                received = port.readAll();
        });
        QTRY_VERIFY_WITH_TIMEOUT(!WindowProbe::printing(*window), 20000);
        reader.join();
        QTest::qWait(300);
        QVERIFY(!WindowProbe::printing(*window));
        QCOMPARE(received, QByteArray("\r\n  CUPOM\r\n  \r\n\r\n\r\n"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
