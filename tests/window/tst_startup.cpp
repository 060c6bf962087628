// Start-up: the option lists, reading the file and the preview.

#include "window_support.h"

#include <QComboBox>
#include <QPrinterInfo>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

QStringList items(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// Every character of the preview's document in the given point size.
bool previewHasPointSize(const QTextEdit *preview, qreal size)
{
    for (QTextBlock block = preview->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (!qFuzzyCompare(it.fragment().charFormat().fontPointSize(), size))
                return false;
    return true;
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;
    MainWindow *window = nullptr;

    QString fileWith(const QByteArray &bytes)
    {
        const QString path = scratch.filePath(QStringLiteral("arquivo.txt"));
        writeFile(path, bytes);
        return path;
    }
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
        QVERIFY(window->initialise(*qApp, fileWith("x")));
        QCOMPARE(items(find<QComboBox>("matricialComboBox")),
                 QStringList({"", "draft", "draft condensed"}));
        QCOMPARE(items(find<QComboBox>("fonteComboBox")),
                 QStringList({"Courier New", "Verdana", "Arial", "Monospace"}));
        QCOMPARE(items(find<QComboBox>("escritaDiretaComboBox")), QStringList({"LPT1"}));
        QCOMPARE(find<QComboBox>("escritaDiretaComboBox")->currentText(), QStringLiteral("LPT1"));
        QCOMPARE(items(find<QComboBox>("nivelComboBox")),
                 QStringList({"alto", "medio", "baixo", "escrita direta"}));
        QCOMPARE(find<QComboBox>("nivelComboBox")->currentText(), QStringLiteral("baixo"));
        QCOMPARE(items(find<QComboBox>("cortarPapelComboBox")),
                 QStringList({"", "bematech corte parcial", "bematech corte total", "daruma corte total",
                              "epson corte parcial", "epson corte total", "samsung corte parcial",
                              "samsung corte total"}));
        QCOMPARE(items(find<QComboBox>("impressoras")),
                 QStringList(QString()) + QPrinterInfo::availablePrinterNames());
        QCOMPARE(find<QComboBox>("impressoras")->currentIndex(), 0);
    }

    void cutCommandTable_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("epson total") << "epson corte total" << QByteArray("\x1b\x69");
        QTest::newRow("epson parcial") << "epson corte parcial" << QByteArray("\x1b\x6d");
        QTest::newRow("bematech total") << "bematech corte total" << QByteArray("\x1b\x77");
        QTest::newRow("bematech parcial") << "bematech corte parcial" << QByteArray("\x1b\x6d");
        QTest::newRow("daruma total") << "daruma corte total" << QByteArray("\x1b\x77");
        QTest::newRow("samsung total") << "samsung corte total" << QByteArray("\x1b\x77");
        QTest::newRow("samsung parcial") << "samsung corte parcial" << QByteArray("\x1b\x6d");
    }

    void cutCommandTable()
    {
        QFETCH(QString, preset);
        QFETCH(QByteArray, bytes);
        QVERIFY(window->initialise(*qApp, fileWith("x")));
        QCOMPARE(WindowProbe::cutCommands(*window).size(), 7);
        QCOMPARE(WindowProbe::cutCommands(*window).value(preset), bytes);
    }

    void fileContents_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QString>("preview");
        QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\nb\n") << "a\nb\n";
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n") << "a\nb\n";
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << QByteArray("ab") << "ab";
        QTest::newRow("NUL") << QByteArray("ab\0cd\nef", 8) << QByteArray("ab\0cd\nef", 8) << "ab";
        QTest::newRow("UTF-8") << QByteArray("S\xc3\xa3o Jo\xc3\xa3o") << QByteArray("S\xc3\xa3o Jo\xc3\xa3o")
                               << QString::fromUtf8("S\u00e3o Jo\u00e3o");
        QTest::newRow("code page") << QByteArray("caf\xe9!") << QByteArray("caf\xe9!")
                                   << QString::fromUtf8("caf\ufffd!");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QString();
        QTest::newRow("markup") << QByteArray("<b>negrito</b> texto") << QByteArray("<b>negrito</b> texto")
                                << "negrito texto";
    }

    void fileContents()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, kept);
        QFETCH(QString, preview);
        QVERIFY(window->initialise(*qApp, fileWith(bytes)));
        QCOMPARE(WindowProbe::fileData(*window), kept);
        QCOMPARE(find<QTextEdit>("impressao")->toPlainText(), preview);
    }

    void markupShowsAsRichText()
    {
        QVERIFY(window->initialise(*qApp, fileWith("<b>negrito</b> texto")));
        const QTextBlock block = find<QTextEdit>("impressao")->document()->begin();
        QCOMPARE(block.begin().fragment().text(), QStringLiteral("negrito"));
        QVERIFY(block.begin().fragment().charFormat().fontWeight() > QFont::Normal);
    }

    void previewTakesTheFontSize()
    {
        QVERIFY(window->initialise(*qApp, fileWith("linha um\nlinha dois\n")));
        auto *preview = find<QTextEdit>("impressao");
        QCOMPARE(find<QSpinBox>("tamanho_fonte")->value(), 10);
        QVERIFY(previewHasPointSize(preview, 10));
        const int margin = find<QSpinBox>("margem_geral")->value();
        find<QSpinBox>("tamanho_fonte")->setValue(14);
        QVERIFY(previewHasPointSize(preview, 14));
        QCOMPARE(preview->toPlainText(), QStringLiteral("linha um\nlinha dois\n"));
        QCOMPARE(find<QSpinBox>("margem_geral")->value(), margin);
    }

    void largeFileKeepsEveryByte()
    {
        QByteArray bytes;
        for (int i = 0; bytes.size() < 4 * 1024 * 1024; ++i)
            bytes += "linha " + QByteArray::number(i) + " com acentua\xc3\xa7\xc3\xa3o\r\n";
        QVERIFY(window->initialise(*qApp, fileWith(bytes)));
        const QByteArray kept = QByteArray(bytes).replace("\r", "");
        QCOMPARE(WindowProbe::fileData(*window), kept);
        // the preview shows the beginning, in whole lines; the print takes all
        const QString preview = find<QTextEdit>("impressao")->toPlainText();
        QVERIFY(preview.size() > 200 * 1024);
        QVERIFY(preview.size() <= 256 * 1024);
        QVERIFY(preview.endsWith(QLatin1Char('\n')));
        QVERIFY(QString::fromUtf8(kept).startsWith(preview));
        QCOMPARE(WindowProbe::buildDirectText(*window).size(), kept.size() + kept.count('\n') * 2 + 6);
    }

    void fileThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("no argument") << QString();
        QTest::newRow("missing") << "/nonexistent/orvane/arquivo.txt";
        QTest::newRow("directory") << QDir::tempPath();
    }

    void fileThatCannotBeOpened()
    {
        QFETCH(QString, path);
        ModalCatcher catcher;
        QVERIFY(!window->initialise(*qApp, path));
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].title, QStringLiteral("ARQUIVO"));
        QCOMPARE(catcher.boxes[0].text.toUtf8(), QByteArray("Arquivo inv\xc3\xa1lido para impress\xc3\xa3o"));
        QCOMPARE(catcher.boxes[0].icon, QMessageBox::Critical);
        QVERIFY(WindowProbe::fileData(*window).isEmpty());
        QVERIFY(find<QTextEdit>("impressao")->toPlainText().isEmpty());
        // the lists are filled all the same, so the settings save as loaded
        QCOMPARE(find<QComboBox>("nivelComboBox")->currentText(), QStringLiteral("baixo"));
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
        QVERIFY(window->initialise(*qApp, fileWith("CUPOM\n")));
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
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
