// config.ini: what start-up restores from it and what the exit writes back.

#include "window_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPrinterInfo>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>

#include <optional>

#include <unistd.h>

// While it lives, a process started as root acts as the user "nobody", to
// whom the program's folder is open or read-only.
struct OtherUser {
    const bool wasRoot = geteuid() == 0;
    explicit OtherUser(bool folderWritable = true)
    {
        QFile::setPermissions(QCoreApplication::applicationDirPath(),
                              QFileDevice::Permissions(folderWritable ? 0x7777 : 0x5555));
        if (wasRoot && seteuid(65534) != 0)
            qFatal("seteuid failed");
    }
    ~OtherUser()
    {
        if (wasRoot && seteuid(0) != 0)
            qFatal("seteuid failed");
        QFile::setPermissions(QCoreApplication::applicationDirPath(), QFileDevice::Permissions(0x7755));
    }
};

// Where a case runs: in a program folder the test may write (as always), or
// as "nobody" in one it cannot, holding a config.ini it cannot or can write.
enum class Folder { writable, readOnly, readOnlyWritableIni };
Q_DECLARE_METATYPE(Folder)

// Where a case runs, and what the user's own config.ini holds (none when null).
struct Place {
    Folder folder = Folder::writable;
    QByteArray userIni;
};
Q_DECLARE_METATYPE(Place)

using Expectations = QMap<QString, QVariant>;
Q_DECLARE_METATYPE(Expectations)

class SettingsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;
    QString sample;

    // What a widget shows, in the form the rows state it.
    static QVariant shown(MainWindow &window, const QString &name)
    {
        if (name == QLatin1String("size"))
            return window.size();
        if (name == QLatin1String("pos"))
            return window.pos();
        QObject *object = window.findChild<QObject *>(name);
        if (auto *box = qobject_cast<QSpinBox *>(object))
            return box->value();
        if (auto *list = qobject_cast<QComboBox *>(object))
            return list->currentText();
        if (auto *check = qobject_cast<QCheckBox *>(object))
            return check->isChecked();
        return QVariant();
    }

    // The user's own file, under the XDG_CONFIG_HOME the test sets.
    static QString userConfigPath()
    {
        return QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QLatin1Char('/')
            + QCoreApplication::applicationName() + QStringLiteral("/config.ini");
    }

    // Written so that "nobody" may replace it.
    static void writeUserFile(const QByteArray &bytes)
    {
        const QString folder = QFileInfo(userConfigPath()).path();
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
        writeFile(userConfigPath(), bytes);
        QFile::setPermissions(userConfigPath(), QFileDevice::Permissions(0x6666));
    }

    // The file the exit writes: the user's own when the folder is closed to it.
    static QString savedPath(Folder folder)
    {
        return folder == Folder::readOnly ? userConfigPath() : configPath();
    }

    // The saved file as it is on disk, "section/key" to value: the toolkit's
    // own reader would also show what a failed save left in its cache.
    static QMap<QString, QString> savedOnDisk(Folder folder)
    {
        QMap<QString, QString> values;
        QString section;
        for (const QByteArray &line : readFile(savedPath(folder)).split('\n')) {
            const int equals = line.indexOf('=');
            if (line.startsWith('['))
                section = QString::fromUtf8(line.mid(1, line.size() - 2));
            else if (equals > 0)
                values.insert(section + '/' + QString::fromUtf8(line.left(equals)),
                              QString::fromUtf8(line.mid(equals + 1)));
        }
        return values;
    }

    static QString savedText(const QString &key, Folder folder = Folder::writable)
    {
        return savedOnDisk(folder).value(key);
    }

private slots:
    void initTestCase()
    {
        // readable by the other user that one case takes on
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

    void restoreAndSave_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<Expectations>("shows");
        QTest::addColumn<Expectations>("saves");
        QTest::addColumn<Place>("place");

        QTest::newRow("no file")
            << QByteArray()
            << Expectations{{"matricialComboBox", ""}, {"fonteComboBox", "Courier New"},
                            {"escritaDiretaComboBox", "LPT1"}, {"nivelComboBox", "baixo"},
                            {"impressoras", ""}, {"cortarPapelComboBox", ""}, {"margem_geral", 10},
                            {"margem_esquerda", 2}, {"margem_superior", 1}, {"margem_inferior", 2},
                            {"tamanho_fonte", 10}, {"fonte_negrito", false}, {"size", QSize(400, 525)}}
            << Expectations{{"geral/margem_geral", "10"}, {"geral/margem_esquerda", "2"},
                            {"geral/margem_superior", "1"}, {"geral/margem_inferior", "2"},
                            {"geral/tamanho_fonte", "10"}, {"geral/fonte_negrito", "false"},
                            {"geral/nivel", "baixo"}, {"geral/escrita_direta", "LPT1"},
                            {"geral/fonte", "Courier New"}, {"geral/impressora", ""},
                            {"geral/width", "400"}, {"geral/height", "525"},
                            {"geral/matricial", ""}, {"geral/cortarPapel", ""}}
            << Place{};
        QTest::newRow("every value")
            << QByteArray("[geral]\nmatricial=draft condensed\nescrita_direta=/tmp/porta.prn\nmargem_geral=5\n"
                          "margem_esquerda=0\nmargem_superior=3\nmargem_inferior=4\ntamanho_fonte=12\n"
                          "fonte_negrito=true\nfonte=Arial\nnivel=medio\ncortarPapel=epson corte total\n")
            << Expectations{{"matricialComboBox", "draft condensed"}, {"escritaDiretaComboBox", "/tmp/porta.prn"},
                            {"margem_geral", 5}, {"margem_esquerda", 0}, {"margem_superior", 3},
                            {"margem_inferior", 4}, {"tamanho_fonte", 12}, {"fonte_negrito", true},
                            {"fonteComboBox", "Arial"}, {"nivelComboBox", "medio"},
                            {"cortarPapelComboBox", "epson corte total"}}
            << Expectations{{"geral/matricial", "draft condensed"}, {"geral/escrita_direta", "/tmp/porta.prn"},
                            {"geral/tamanho_fonte", "12"}, {"geral/fonte_negrito", "true"},
                            {"geral/cortarPapel", "epson corte total"}}
            << Place{};
        QTest::newRow("clamped to 99")
            << QByteArray("[geral]\nmargem_geral=150\nmargem_superior=99999999999999\n")
            << Expectations{{"margem_geral", 99}, {"margem_superior", 99}}
            << Expectations{{"geral/margem_geral", "99"}, {"geral/margem_superior", "99"}} << Place{};
        QTest::newRow("negative and garbage numbers")
            << QByteArray("[geral]\nmargem_inferior=-5\nmargem_esquerda=abc\ntamanho_fonte=0x10\n")
            << Expectations{{"margem_inferior", 0}, {"margem_esquerda", 0}, {"tamanho_fonte", 0}}
            << Expectations{{"geral/margem_inferior", "0"}, {"geral/margem_esquerda", "0"}} << Place{};
        for (const char *falsy : {"", "0", "false", "FALSE", "False"})
            QTest::addRow("bold \"%s\"", falsy)
                << QByteArray("[geral]\nfonte_negrito=") + falsy + "\n"
                << Expectations{{"fonte_negrito", false}} << Expectations{{"geral/fonte_negrito", "false"}}
                << Place{};
        for (const char *truthy : {"yes", "1", "true", "sim", "00"})
            QTest::addRow("bold \"%s\"", truthy)
                << QByteArray("[geral]\nfonte_negrito=") + truthy + "\n"
                << Expectations{{"fonte_negrito", true}} << Expectations{{"geral/fonte_negrito", "true"}}
                << Place{};
        QTest::newRow("size restored")
            << QByteArray("[geral]\nwidth=800\nheight=600\n")
            << Expectations{{"size", QSize(800, 600)}}
            << Expectations{{"geral/width", "800"}, {"geral/height", "600"}} << Place{};
        QTest::newRow("size larger than the desktop")
            << QByteArray("[geral]\nwidth=100000\nheight=2147483647\n")
            << Expectations{{"size", QVariant(QGuiApplication::primaryScreen()->availableVirtualSize())}}
            << Expectations{} << Place{};
        QTest::newRow("size without height")
            << QByteArray("[geral]\nwidth=800\n")
            << Expectations{{"size", QSize(400, 525)}} << Expectations{{"geral/width", "400"}} << Place{};
        QTest::newRow("size below the minimum")
            << QByteArray("[geral]\nwidth=100\nheight=100\n")
            << Expectations{{"size", QSize(400, 525)}} << Expectations{} << Place{};
        QTest::newRow("position restored")
            << QByteArray("[geral]\nx=120\ny=80\n")
            << Expectations{{"pos", QPoint(120, 80)}} << Expectations{{"geral/x", "120"}, {"geral/y", "80"}}
            << Place{};
        QTest::newRow("negative position restored")
            << QByteArray("[geral]\nx=-50\ny=-40\n")
            << Expectations{{"pos", QPoint(-50, -40)}} << Expectations{{"geral/x", "-50"}, {"geral/y", "-40"}}
            << Place{};
        QTest::newRow("x is 0")
            << QByteArray("[geral]\nx=0\ny=300\n")
            << Expectations{{"pos", QPoint(0, 0)}} << Expectations{{"geral/y", "0"}} << Place{};
        QTest::newRow("level in another case")
            << QByteArray("[geral]\nnivel=Baixo\n")
            << Expectations{{"nivelComboBox", "alto"}} << Expectations{{"geral/nivel", "alto"}} << Place{};
        QTest::newRow("unknown font")
            << QByteArray("[geral]\nfonte=Comic Sans\n")
            << Expectations{{"fonteComboBox", "Courier New"}} << Expectations{{"geral/fonte", "Courier New"}}
            << Place{};
        QTest::newRow("unknown dot-matrix mode")
            << QByteArray("[geral]\nmatricial=DRAFT\n")
            << Expectations{{"matricialComboBox", ""}} << Expectations{{"geral/matricial", ""}} << Place{};
        QTest::newRow("unknown cut preset")
            << QByteArray("[geral]\ncortarPapel=Epson corte total\n")
            << Expectations{{"cortarPapelComboBox", ""}} << Expectations{{"geral/cortarPapel", ""}} << Place{};
        QTest::newRow("unknown keys kept")
            << QByteArray("[geral]\nextra=valor\n[outra]\nchave=1\n")
            << Expectations{} << Expectations{{"geral/extra", "valor"}, {"outra/chave", "1"}} << Place{};
        // Beside the program while config.ini can be written there; else the
        // user's own, which starts from the preset beside the program.
        QTest::newRow("read-only folder, no file: saved in the user's folder")
            << QByteArray() << Expectations{{"margem_geral", 10}, {"nivelComboBox", "baixo"}}
            << Expectations{{"geral/margem_geral", "10"}, {"geral/nivel", "baixo"}}
            << Place{Folder::readOnly};
        QTest::newRow("read-only folder: the administrator's preset to start from")
            << QByteArray("[geral]\nmargem_geral=7\nnivel=medio\n")
            << Expectations{{"margem_geral", 7}, {"nivelComboBox", "medio"}}
            << Expectations{{"geral/margem_geral", "7"}, {"geral/nivel", "medio"}}
            << Place{Folder::readOnly};
        QTest::newRow("read-only folder: the user's file wins over the preset")
            << QByteArray("[geral]\nmargem_geral=7\nnivel=medio\n")
            << Expectations{{"margem_geral", 5}, {"nivelComboBox", "baixo"}}
            << Expectations{{"geral/margem_geral", "5"}, {"geral/nivel", "baixo"}}
            << Place{Folder::readOnly, "[geral]\nmargem_geral=5\n"};
        QTest::newRow("read-only folder, writable config.ini: kept beside the program")
            << QByteArray("[geral]\nmargem_geral=7\n")
            << Expectations{{"margem_geral", 7}} << Expectations{{"geral/margem_geral", "7"}}
            << Place{Folder::readOnlyWritableIni, "[geral]\nmargem_geral=5\n"};
        QTest::newRow("writable folder: beside the program, the user's file ignored")
            << QByteArray("[geral]\nmargem_geral=7\n")
            << Expectations{{"margem_geral", 7}} << Expectations{{"geral/margem_geral", "7"}}
            << Place{Folder::writable, "[geral]\nmargem_geral=5\n"};
    }

    void restoreAndSave()
    {
        QFETCH(QByteArray, ini);
        QFETCH(Expectations, shows);
        QFETCH(Expectations, saves);
        QFETCH(Place, place);
        const Folder folder = place.folder;
        const QByteArray &userIni = place.userIni;
        if (!ini.isNull())
            writeFile(configPath(), ini);
        if (!userIni.isNull())
            writeUserFile(userIni);
        if (folder == Folder::readOnlyWritableIni)
            QFile::setPermissions(configPath(), QFileDevice::Permissions(0x6666));
        {
            std::optional<OtherUser> other;
            if (folder != Folder::writable)
                other.emplace(false);
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
            for (auto it = shows.cbegin(); it != shows.cend(); ++it)
                QCOMPARE(shown(window, it.key()), it.value());
        }
        // Only one of the two files is ever written.
        if (folder == Folder::readOnly)
            QCOMPARE(readFile(configPath()), ini);
        else
            QCOMPARE(readFile(userConfigPath()), userIni);
        const QMap<QString, QString> saved = savedOnDisk(folder);
        QStringList geral = saved.keys().filter(QRegularExpression("^geral/"));
        geral.removeAll(QStringLiteral("geral/extra"));
        QCOMPARE(geral.size(), 16);
        for (auto it = saves.cbegin(); it != saves.cend(); ++it)
            QCOMPARE(saved.value(it.key()), it.value().toString());
    }

    void savedPrinter_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::newRow("empty") << QString();
        QTest::newRow("not installed") << "impressora-que-nao-existe";
    }

    void savedPrinter()
    {
        QFETCH(QString, saved);
        {
            QSettings ini(configPath(), QSettings::IniFormat);
            ini.setValue("geral/impressora", saved);
        }
        MainWindow window;
        QVERIFY(window.initialise(*qApp, sample));
        auto *printers = window.findChild<QComboBox *>("impressoras");
        const QStringList installed = QPrinterInfo::availablePrinterNames();
        if (saved.isEmpty()) {
            QCOMPARE(printers->count(), installed.size() + 1);
            QCOMPARE(printers->currentText(), QString());
        } else {
            QCOMPARE(printers->count(), installed.size());
            QCOMPARE(printers->currentText(), installed.value(0));
        }
    }

    void typedTargetIsTheOnlyItemNextTime_data()
    {
        QTest::addColumn<Folder>("folder");
        QTest::newRow("beside the program") << Folder::writable;
        QTest::newRow("read-only folder: in the user's folder") << Folder::readOnly;
    }

    void typedTargetIsTheOnlyItemNextTime()
    {
        QFETCH(Folder, folder);
        std::optional<OtherUser> other;
        if (folder != Folder::writable)
            other.emplace(false);
        {
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
            window.findChild<QComboBox *>("escritaDiretaComboBox")->setEditText("/dev/usb/lp0 caixa 2");
        }
        QCOMPARE(savedText("geral/escrita_direta", folder), QStringLiteral("/dev/usb/lp0 caixa 2"));
        MainWindow window;
        QVERIFY(window.initialise(*qApp, sample));
        auto *target = window.findChild<QComboBox *>("escritaDiretaComboBox");
        QCOMPARE(target->count(), 1);
        QCOMPARE(target->currentText(), QStringLiteral("/dev/usb/lp0 caixa 2"));
    }

    void failedStartStillSaves()
    {
        writeFile(configPath(), "[geral]\nmargem_geral=7\n");
        {
            ModalCatcher catcher;
            MainWindow window;
            QVERIFY(!window.initialise(*qApp, scratch.filePath("nao-existe.txt")));
            QCOMPARE(catcher.boxes.size(), 1);
        }
        QCOMPARE(savedText("geral/margem_geral"), QStringLiteral("7"));
        QCOMPARE(savedText("geral/nivel"), QStringLiteral("baixo"));
    }

    // A file the toolkit cannot parse is the shop's configuration all the
    // same: it must survive the exit untouched.
    void malformedFileIsNotOverwritten_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::newRow("open section") << QByteArray("[geral\nmargem_geral=5\n");
        QTest::newRow("line without =") << QByteArray("[geral]\nmargem_geral=5\nisto nao e uma chave\n");
        QTest::newRow("binary") << QByteArray("\x01\x02\xff\xfe\n\x80\x81\n");
    }

    void malformedFileIsNotOverwritten()
    {
        QFETCH(QByteArray, garbage);
        writeFile(configPath(), garbage);
        {
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
        }
        QCOMPARE(readFile(configPath()), garbage);
    }

    void unreadableFileIsNotOverwritten()
    {
        const QByteArray original("[geral]\nmargem_geral=5\nnivel=alto\n");
        writeFile(configPath(), original);
        QVERIFY(QFile::setPermissions(configPath(), QFileDevice::WriteOwner));
        {
            // root reads any file: take another user's rights for this case
            const OtherUser other;
            MainWindow window;
            QVERIFY(window.initialise(*qApp, sample));
            QCOMPARE(window.findChild<QSpinBox *>("margem_geral")->value(), 10);
        }
        QFile::setPermissions(configPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(readFile(configPath()), original);
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
