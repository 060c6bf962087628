// config.ini: what start-up restores from it, what the exit writes back,
// and where: beside the program, or in the user's folder when the
// program's folder is closed to the operator.

#include "window_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPrinterInfo>
#include <QScreen>
#include <QSpinBox>
#include <QtTest>

#include <optional>

#include <unistd.h>

namespace {

// Where a case runs: as root in a program folder it may write, or as
// "nobody" in one it may not, holding a config.ini it may or may not write.
enum class Folder { writable, readOnly, readOnlyWritableIni };

// While it lives, the process acts as the user "nobody".
struct OtherUser {
    explicit OtherUser(bool folderWritable)
    {
        QFile::setPermissions(QCoreApplication::applicationDirPath(),
                              QFileDevice::Permissions(folderWritable ? 0x7777 : 0x5555));
        if (seteuid(65534) != 0)
            qFatal("seteuid failed");
    }
    ~OtherUser()
    {
        if (seteuid(0) != 0)
            qFatal("seteuid failed");
        QFile::setPermissions(QCoreApplication::applicationDirPath(), QFileDevice::Permissions(0x7755));
    }
};

// The user's own file, under the XDG_CONFIG_HOME the test sets.
QString userConfigPath()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + '/' + QCoreApplication::applicationName() + "/config.ini";
}

// What a widget shows, as the rows write it.
QString shown(MainWindow &window, const QString &name)
{
    if (name == QLatin1String("size"))
        return QStringLiteral("%1x%2").arg(window.width()).arg(window.height());
    if (name == QLatin1String("pos"))
        return QStringLiteral("%1,%2").arg(window.x()).arg(window.y());
    QObject *object = window.findChild<QObject *>(name);
    if (auto *box = qobject_cast<QSpinBox *>(object))
        return QString::number(box->value());
    if (auto *list = qobject_cast<QComboBox *>(object))
        return list->currentText();
    if (auto *check = qobject_cast<QCheckBox *>(object))
        return check->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    return QStringLiteral("(no %1)").arg(name);
}

// The saved file as it is on disk, "section/key" to value.
QMap<QString, QString> savedOnDisk(const QString &path)
{
    QMap<QString, QString> values;
    QString section;
    for (const QByteArray &line : readFile(path).split('\n')) {
        const int equals = line.indexOf('=');
        if (line.startsWith('['))
            section = QString::fromUtf8(line.mid(1, line.size() - 2));
        else if (equals > 0)
            values.insert(section + '/' + QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    }
    return values;
}

} // namespace

Q_DECLARE_METATYPE(Folder)

class SettingsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;
    QString sample;

private slots:
    void initTestCase()
    {
        QFile::setPermissions(scratch.path(), QFileDevice::Permissions(0x7755));
        sample = scratch.filePath(QStringLiteral("cupom.txt"));
        writeFile(sample, "CUPOM\n");
        const QString xdg = scratch.filePath(QStringLiteral("xdg"));
        QDir().mkpath(xdg);
        QFile::setPermissions(xdg, QFileDevice::Permissions(0x7777));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg));
    }
    void init()
    {
        removeConfig();
        QDir(QFileInfo(userConfigPath()).path()).removeRecursively();
    }
    void cleanupTestCase() { removeConfig(); }

    // Each row: config.ini beside the program (none when null), the folder,
    // the user's own config.ini, a target typed in; then "widget=shown" and
    // "key=saved" pairs joined by ";".
    void restoreAndSave_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<Folder>("folder");
        QTest::addColumn<QByteArray>("userIni");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shows");
        QTest::addColumn<QString>("saves");
        const Folder rw = Folder::writable, ro = Folder::readOnly;

        QTest::newRow("no file: the defaults") << QByteArray() << rw << QByteArray() << QString()
            << "matricialComboBox=;fonteComboBox=Courier New;escritaDiretaComboBox=LPT1;nivelComboBox=baixo;"
               "cortarPapelComboBox=;margem_geral=10;margem_esquerda=2;margem_superior=1;margem_inferior=2;"
               "tamanho_fonte=10;fonte_negrito=false;codificacaoComboBox=;etiquetasComboBox=;colunas=48;size=400x525"
            << "margem_geral=10;margem_esquerda=2;margem_superior=1;margem_inferior=2;tamanho_fonte=10;"
               "fonte_negrito=false;nivel=baixo;escrita_direta=LPT1;fonte=Courier New;impressora=;width=400;"
               "height=525;matricial=;cortarPapel=;codificacao=;etiquetas=;colunas=48";
        QTest::newRow("every value") << QByteArray("[geral]\nmatricial=draft condensed\nescrita_direta=/tmp/p.prn\n"
                                                   "margem_geral=5\nmargem_esquerda=0\nmargem_superior=3\n"
                                                   "margem_inferior=4\ntamanho_fonte=12\nfonte_negrito=true\n"
                                                   "fonte=Arial\nnivel=medio\ncortarPapel=epson corte total\n"
                                                   "codificacao=epson pc860\netiquetas=acbr\ncolunas=32\n")
            << rw << QByteArray() << QString()
            << "matricialComboBox=draft condensed;escritaDiretaComboBox=/tmp/p.prn;margem_geral=5;margem_esquerda=0;"
               "margem_superior=3;margem_inferior=4;tamanho_fonte=12;fonte_negrito=true;fonteComboBox=Arial;"
               "nivelComboBox=medio;cortarPapelComboBox=epson corte total;codificacaoComboBox=epson pc860;"
               "etiquetasComboBox=acbr;colunas=32"
            << "matricial=draft condensed;escrita_direta=/tmp/p.prn;tamanho_fonte=12;fonte_negrito=true;"
               "cortarPapel=epson corte total;codificacao=epson pc860;etiquetas=acbr;colunas=32";
        QTest::newRow("numbers clamped and read") << QByteArray("[geral]\nmargem_geral=150\nmargem_superior=99999999999999\n"
                                                                "margem_inferior=-5\nmargem_esquerda=abc\n")
            << rw << QByteArray() << QString() << "margem_geral=99;margem_superior=99;margem_inferior=0;margem_esquerda=0"
            << "margem_geral=99;margem_superior=99;margem_inferior=0;margem_esquerda=0";
        // The receipt's columns: clamped like the margins, but a text that
        // is no number leaves the default rather than the smallest width.
        const QPair<const char *, const char *> columns[] = {{"5", "16"}, {"200", "96"}, {"-3", "16"}, {"58", "58"},
                                                             {"abc", "48"}, {"", "48"}, {"4 8", "48"}};
        for (const auto &column : columns)
            QTest::addRow("colunas \"%s\"", column.first) << QByteArray("[geral]\ncolunas=") + column.first + "\n"
                << rw << QByteArray() << QString() << QStringLiteral("colunas=%1").arg(column.second)
                << QStringLiteral("colunas=%1").arg(column.second);
        const QPair<const char *, QString> bolds[] = {{"", "false"}, {"0", "false"}, {"FALSE", "false"},
                                                      {"yes", "true"}, {"00", "true"}};
        for (const auto &bold : bolds)
            QTest::addRow("bold \"%s\"", bold.first) << QByteArray("[geral]\nfonte_negrito=") + bold.first + "\n"
                << rw << QByteArray() << QString() << "fonte_negrito=" + bold.second << "fonte_negrito=" + bold.second;
        QTest::newRow("size and position restored") << QByteArray("[geral]\nwidth=800\nheight=600\nx=-50\ny=40\n")
            << rw << QByteArray() << QString() << "size=800x600;pos=-50,40" << "width=800;height=600;x=-50;y=40";
        const QSize desktop = QGuiApplication::primaryScreen()->availableVirtualSize();
        QTest::newRow("size larger than the desktop") << QByteArray("[geral]\nwidth=100000\nheight=2147483647\n")
            << rw << QByteArray() << QString()
            << QStringLiteral("size=%1x%2").arg(desktop.width()).arg(desktop.height()) << QString();
        QTest::newRow("half a size, half a position") << QByteArray("[geral]\nwidth=800\nx=0\ny=300\n")
            << rw << QByteArray() << QString() << "size=400x525;pos=0,0" << "width=400;y=0";
        // The names in the lists, in any case and with spaces around them,
        // saved in the list's spelling; a name no list holds is kept as written.
        QTest::newRow("list values in another case") << QByteArray("[geral]\nnivel=Baixo\nfonte=ARIAL\nmatricial=Draft Condensed\n"
                                                                   "cortarPapel=Epson corte total\ncodificacao=\" EPSON PC860 \"\netiquetas=ACBr \n")
            << rw << QByteArray() << QString() << "nivelComboBox=baixo;fonteComboBox=Arial;matricialComboBox=draft condensed;"
                                                  "cortarPapelComboBox=epson corte total;codificacaoComboBox=epson pc860;etiquetasComboBox=acbr"
            << "nivel=baixo;fonte=Arial;matricial=draft condensed;cortarPapel=epson corte total;codificacao=epson pc860;"
                  "etiquetas=acbr";
        QTest::newRow("list values no list holds: the fallback shown, the value kept")
            << QByteArray("[geral]\nnivel=baixissimo\nfonte=Comic Sans\nmatricial=nlq\ncortarPapel=epson meio corte\n"
                          "codificacao=pc437\netiquetas=xml\n")
            << rw << QByteArray() << QString() << "nivelComboBox=alto;fonteComboBox=Courier New;matricialComboBox=;"
                                                  "cortarPapelComboBox=;codificacaoComboBox=;etiquetasComboBox="
            << "nivel=baixissimo;fonte=Comic Sans;matricial=nlq;cortarPapel=epson meio corte;codificacao=pc437;"
                  "etiquetas=xml";
        for (const char *page : {"epson pc850", "epson pc860", "epson pc858", "epson wpc1252", "bematech pc850",
                                 "bematech pc860", "pc850", "pc860", "pc858", "wpc1252"})
            QTest::addRow("code page \"%s\"", page) << QByteArray("[geral]\ncodificacao=") + page + "\n" << rw
                << QByteArray() << QString() << QStringLiteral("codificacaoComboBox=%1").arg(page)
                << QStringLiteral("codificacao=%1").arg(page);
        // As a technician saves it: every encoding Notepad offers, any case
        // of the section, paths typed with single backslashes; saved as UTF-8.
        QByteArray unicode("\xff\xfe", 2);
        for (const QChar c : QStringLiteral("[geral]\r\nescrita_direta=/tmp/T\u00e9rmica.prn\r\n"))
            unicode.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
        const QPair<const char *, QByteArray> encodings[] = {
            {"UTF-8", "[geral]\nescrita_direta=/tmp/T\xc3\xa9rmica.prn\n"},
            {"UTF-8 with a byte-order mark", "\xef\xbb\xbf[geral]\nescrita_direta=/tmp/T\xc3\xa9rmica.prn\n"},
            {"Windows-1252", "[geral]\nescrita_direta=/tmp/T\xe9rmica.prn\n"},
            {"UTF-16", unicode},
            {"the program's own escape of a letter", "[geral]\nescrita_direta=/tmp/T\\xe9rmica.prn\n"},
            {"[Geral]", "[Geral]\nescrita_direta=/tmp/T\xc3\xa9rmica.prn\n"}};
        for (const auto &encoding : encodings)
            QTest::addRow("config.ini in %s", encoding.first) << encoding.second << rw << QByteArray() << QString()
                << QStringLiteral("escritaDiretaComboBox=/tmp/T\u00e9rmica.prn")
                << QStringLiteral("escrita_direta=/tmp/T\u00e9rmica.prn;Geral/escrita_direta=");
        const QPair<const char *, const char *> paths[] = {
            {"\\\\CAIXA1\\EPSON", "\\\\CAIXA1\\EPSON"},
            {"C:\\novo\\teste.txt", "C:\\novo\\teste.txt"},
            {"\\\\\\\\CAIXA1\\\\EPSON", "\\\\CAIXA1\\EPSON"}};
        for (const auto &path : paths)
            QTest::addRow("path %s", path.first) << QByteArray("[geral]\nescrita_direta=") + path.first + "\n" << rw
                << QByteArray() << QString() << QStringLiteral("escritaDiretaComboBox=%1").arg(path.second)
                << QStringLiteral("escrita_direta=%1").arg(QString(path.second).replace("\\", "\\\\"));
        QTest::newRow("read-only folder: saved in the user's folder") << QByteArray() << ro << QByteArray()
            << QString() << "margem_geral=10" << "margem_geral=10;nivel=baixo";
        QTest::newRow("read-only folder: the administrator's preset to start from")
            << QByteArray("[geral]\nmargem_geral=7\nnivel=medio\n") << ro << QByteArray() << "/dev/lp0 caixa"
            << "margem_geral=7;nivelComboBox=medio" << "margem_geral=7;nivel=medio;escrita_direta=/dev/lp0 caixa";
        QTest::newRow("read-only folder: the user's file wins over the preset")
            << QByteArray("[geral]\nmargem_geral=7\nnivel=medio\n") << ro << QByteArray("[geral]\nmargem_geral=5\n")
            << QString() << "margem_geral=5;nivelComboBox=baixo" << "margem_geral=5;nivel=baixo";
        QTest::newRow("read-only folder, writable config.ini: kept beside the program")
            << QByteArray("[geral]\nmargem_geral=7\n") << Folder::readOnlyWritableIni
            << QByteArray("[geral]\nmargem_geral=5\n") << QString() << "margem_geral=7" << "margem_geral=7";
        QTest::newRow("writable folder: the user's file ignored") << QByteArray("[geral]\nmargem_geral=7\n") << rw
            << QByteArray("[geral]\nmargem_geral=5\n") << QString() << "margem_geral=7" << "margem_geral=7";
    }

    void restoreAndSave()
    {
        QFETCH(QByteArray, ini);
        QFETCH(Folder, folder);
        QFETCH(QByteArray, userIni);
        QFETCH(QString, typed);
        QFETCH(QString, shows);
        QFETCH(QString, saves);
        if (!ini.isNull())
            writeFile(configPath(), ini);
        if (!userIni.isNull()) {
            QDir().mkpath(QFileInfo(userConfigPath()).path());
            QFile::setPermissions(QFileInfo(userConfigPath()).path(), QFileDevice::Permissions(0x7777));
            writeFile(userConfigPath(), userIni);
            QFile::setPermissions(userConfigPath(), QFileDevice::Permissions(0x6666));
        }
        if (folder == Folder::readOnlyWritableIni)
            QFile::setPermissions(configPath(), QFileDevice::Permissions(0x6666));
        {
            std::optional<OtherUser> other;
            if (folder != Folder::writable)
                other.emplace(false);
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
            for (const QString &pair : shows.split(';', Qt::SkipEmptyParts))
                QCOMPARE(shown(window, pair.section('=', 0, 0)), pair.section('=', 1));
            if (!typed.isNull())
                window.findChild<QComboBox *>("escritaDiretaComboBox")->setEditText(typed);
        }
        // Only one of the two files is ever written.
        const bool toUser = folder == Folder::readOnly;
        const QString written = toUser ? userConfigPath() : configPath();
        QCOMPARE(readFile(toUser ? configPath() : userConfigPath()), toUser ? ini : userIni);
        const QMap<QString, QString> saved = savedOnDisk(written);
        QCOMPARE(saved.keys().filter(QRegularExpression("^geral/(?!extra)")).size(), 19);
        for (const QString &pair : saves.split(';', Qt::SkipEmptyParts)) {
            const QString key = pair.section('=', 0, 0);
            QCOMPARE(saved.value(key.contains('/') ? key : "geral/" + key), pair.section('=', 1));
        }
    }

    // The save needs no temporary folder: its scratch copy goes beside
    // config.ini (an ordinary user, as root writes any folder), and never
    // into the working folder or "/". A scratch folder a killed run left
    // there is removed. A config.ini that links to no file is not followed.
    void savedBesideConfig_data()
    {
        QTest::addColumn<QString>("tmpdir"); // "@ro": a folder the user may not write
        QTest::addColumn<bool>("danglingLink");
        QTest::addColumn<bool>("saved");
        QTest::newRow("TMPDIR missing") << scratch.filePath("nao-existe") << false << true;
        QTest::newRow("TMPDIR relative") << "tmp-relativo" << false << true;
        QTest::newRow("TMPDIR read-only") << "@ro" << false << true;
        QTest::newRow("config.ini a link to a missing file") << QString() << true << false;
    }

    void savedBesideConfig()
    {
        QFETCH(QString, tmpdir);
        QFETCH(bool, danglingLink);
        QFETCH(bool, saved);
        const QString program = QCoreApplication::applicationDirPath();
        const QString leftover = program + "/orvane-config-4194303-abcdef";
        QDir().mkpath(leftover);
        writeFile(leftover + "/config.ini", "[geral]\n");
        QFile::setPermissions(leftover, QFileDevice::Permissions(0x7777));
        const QString target = scratch.filePath("alvo/config.ini");
        QDir().mkpath(QFileInfo(target).path());
        QFile::setPermissions(QFileInfo(target).path(), QFileDevice::Permissions(0x7777));
        if (danglingLink)
            QVERIFY(QFile::link(target, configPath()));
        else
            writeFile(configPath(), "[geral]\nmargem_geral=7\n");
        QFile::setPermissions(configPath(), QFileDevice::Permissions(0x6666));
        const QString readOnly = scratch.filePath("tmp-ro");
        QDir().mkpath(readOnly);
        QFile::setPermissions(readOnly, QFileDevice::Permissions(0x5555));
        const QString working = scratch.filePath("trabalho");
        QDir().mkpath(working);
        QFile::setPermissions(working, QFileDevice::Permissions(0x7777));
        const QByteArray oldTmp = qgetenv("TMPDIR");
        const QString oldWorking = QDir::currentPath();
        QDir::setCurrent(working);
        qputenv("TMPDIR", QFile::encodeName(tmpdir == "@ro" ? readOnly : tmpdir));
        {
            OtherUser other(true);
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
            window.findChild<QSpinBox *>("margem_geral")->setValue(9);
        }
        qputenv("TMPDIR", oldTmp);
        QDir::setCurrent(oldWorking);
        const QStringList pattern{QStringLiteral("orvane-config-*")};
        QVERIFY(!QFileInfo::exists(leftover));
        QCOMPARE(QDir(program).entryList(pattern, QDir::AllEntries | QDir::Hidden), QStringList());
        QCOMPARE(QDir(working).entryList(pattern, QDir::AllEntries | QDir::Hidden), QStringList());
        QCOMPARE(QDir("/").entryList(pattern, QDir::AllEntries | QDir::Hidden), QStringList());
        if (danglingLink) {
            QVERIFY(QFileInfo(configPath()).isSymLink());
            QVERIFY(!QFileInfo::exists(target));
        }
        QCOMPARE(savedOnDisk(configPath()).value("geral/margem_geral"), saved ? QString("9") : QString());
        QFile::remove(configPath());
    }

    // A value that names no item: named on the diagnostics stream, kept in
    // config.ini as written until the operator chooses in that list.
    void unknownListValue_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("choose"); // the operator presses Down in the list
        QTest::addColumn<QString>("saved");
        QTest::newRow("level kept") << "nivel" << "baixissimo" << "nivelComboBox" << false << "baixissimo";
        QTest::newRow("level chosen") << "nivel" << "baixissimo" << "nivelComboBox" << true << "medio";
        QTest::newRow("code page chosen") << "codificacao" << "pc437" << "codificacaoComboBox" << true << "epson pc850";
    }

    void unknownListValue()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, list);
        QFETCH(bool, choose);
        QFETCH(QString, saved);
        writeFile(configPath(), QStringLiteral("[geral]\n%1=%2\n").arg(key, value).toUtf8());
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("config.ini: valor desconhecido para %1: \"%2\"").arg(key, value)));
        {
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
            if (choose)
                QTest::keyClick(window.findChild<QComboBox *>(list), Qt::Key_Down);
        }
        QCOMPARE(savedOnDisk(configPath()).value("geral/" + key), saved);
    }

    // With the fixture's queues installed. An empty saved printer puts an
    // empty entry first. One that is not installed is never swapped for
    // another: it keeps an entry of its own, marked and chosen, and stays
    // saved unless the operator chooses another printer. The status bar
    // shows the chosen printer's state.
    void savedPrinter_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("chosen"); // by the operator after start-up
        QTest::addColumn<QStringList>("entries"); // before the installed printers
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("savedAfter");
        const QString missing = QStringLiteral("sumiu (não encontrada)");

        QTest::newRow("empty") << QString() << QString() << QStringList(QString()) << QString() << QString() << QString();
        QTest::newRow("installed") << "rejeita" << QString() << QStringList() << "rejeita" << "não aceita trabalhos"
                                   << "rejeita";
        QTest::newRow("not installed") << "sumiu" << QString() << QStringList(missing) << missing << "não encontrada"
                                       << "sumiu";
        QTest::newRow("not installed, another chosen") << "sumiu" << "recibo" << QStringList(missing) << "recibo"
                                                       << "pronta" << "recibo";
    }

    void savedPrinter()
    {
        QFETCH(QString, saved);
        QFETCH(QString, chosen);
        QFETCH(QStringList, entries);
        QFETCH(QString, shown);
        QFETCH(QString, state);
        QFETCH(QString, savedAfter);
        writeFile(configPath(), "[geral]\nimpressora=" + saved.toUtf8() + "\n");
        {
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
            auto *printers = window.findChild<QComboBox *>("impressoras");
            if (!chosen.isEmpty())
                printers->setCurrentText(chosen);
            QVERIFY(!QPrinterInfo::availablePrinterNames().isEmpty());
            QCOMPARE(items(printers), entries + QPrinterInfo::availablePrinterNames());
            QCOMPARE(printers->currentText(), shown);
            auto *label = window.findChild<QLabel *>("estadoImpressora");
            QVERIFY(label);
            QTRY_COMPARE_WITH_TIMEOUT(label->text(), state, 10000);
        }
        QCOMPARE(savedOnDisk(configPath()).value("geral/impressora"), savedAfter);
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
