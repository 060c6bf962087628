// The window's form: every object where the code and the slots expect it,
// with its captions, limits and flags.

#include "window_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

Q_DECLARE_METATYPE(QMargins)

class FormTest : public QObject
{
    Q_OBJECT

private:
    MainWindow *window = nullptr;

    template <typename T = QObject>
    T *find(const QString &name)
    {
        T *object = window->findChild<T *>(name);
        if (!object)
            qWarning("missing object %s", qPrintable(name));
        return object;
    }

private slots:
    void init() { window = new MainWindow; }
    void cleanup()
    {
        delete window;
        removeConfig();
    }

    void objectTree_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");
        const char *rows[][3] = {
            {"centralwidget", "QWidget", "MainWindow"},
            {"gridLayout", "QGridLayout", "centralwidget"},
            {"tabWidget", "QTabWidget", "centralwidget"},
            {"verticalLayout", "QVBoxLayout", "tab"},
            {"frame_2", "QFrame", "tab"},
            {"horizontalLayout_2", "QHBoxLayout", "frame_2"},
            {"impressao", "QTextEdit", "frame_2"},
            {"frame", "QFrame", "tab"},
            {"horizontalLayout", "QHBoxLayout", "frame"},
            {"impressoras", "QComboBox", "frame"},
            {"imprimir", "QPushButton", "frame"},
            {"horizontalLayout_3", "QHBoxLayout", "tab_2"},
            {"frame_4", "QFrame", "tab_2"},
            {"groupBox", "QGroupBox", "frame_4"},
            {"layoutWidget", "QWidget", "groupBox"},
            {"gridLayout_2", "QGridLayout", "layoutWidget"},
            {"label_9", "QLabel", "layoutWidget"},
            {"margem_geral", "QSpinBox", "layoutWidget"},
            {"label_11", "QLabel", "layoutWidget"},
            {"tamanho_fonte", "QSpinBox", "layoutWidget"},
            {"label_4", "QLabel", "layoutWidget"},
            {"fonte_negrito", "QCheckBox", "layoutWidget"},
            {"label_5", "QLabel", "layoutWidget"},
            {"fonteComboBox", "QComboBox", "layoutWidget"},
            {"groupBox_2", "QGroupBox", "frame_4"},
            {"layoutWidget1", "QWidget", "groupBox_2"},
            {"gridLayout_5", "QGridLayout", "layoutWidget1"},
            {"label", "QLabel", "layoutWidget1"},
            {"margem_superior", "QSpinBox", "layoutWidget1"},
            {"label_2", "QLabel", "layoutWidget1"},
            {"margem_esquerda", "QSpinBox", "layoutWidget1"},
            {"label_3", "QLabel", "layoutWidget1"},
            {"margem_inferior", "QSpinBox", "layoutWidget1"},
            {"label_7", "QLabel", "layoutWidget1"},
            {"matricialComboBox", "QComboBox", "layoutWidget1"},
            {"groupBox_3", "QGroupBox", "frame_4"},
            {"layoutWidget2", "QWidget", "groupBox_3"},
            {"gridLayout_4", "QGridLayout", "layoutWidget2"},
            {"labelBaixoNivel", "QLabel", "layoutWidget2"},
            {"nivelComboBox", "QComboBox", "layoutWidget2"},
            {"label_8", "QLabel", "layoutWidget2"},
            {"escritaDiretaComboBox", "QComboBox", "layoutWidget2"},
            {"groupBox_4", "QGroupBox", "frame_4"},
            {"widget", "QWidget", "groupBox_4"},
            {"horizontalLayout_5", "QHBoxLayout", "widget"},
            {"label_10", "QLabel", "widget"},
            {"cortarPapelComboBox", "QComboBox", "widget"},
            {"gridLayout_3", "QGridLayout", "tab_3"},
            {"frame_3", "QFrame", "tab_3"},
            {"horizontalLayout_4", "QHBoxLayout", "frame_3"},
            {"label_6", "QLabel", "frame_3"},
            {"statusbar", "QStatusBar", "MainWindow"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << row[0] << row[1] << row[2];
    }

    void objectTree()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, parentName);
        QObject *object = find(name);
        QVERIFY(object);
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
        QVERIFY(object->parent());
        QCOMPARE(object->parent()->objectName(), parentName);
    }

    void pagesInOrder()
    {
        auto *tabs = find<QTabWidget>("tabWidget");
        QVERIFY(tabs);
        QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("tab"));
        QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("tab_2"));
        QCOMPARE(tabs->widget(2)->objectName(), QStringLiteral("tab_3"));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(window->centralWidget()->objectName(), QStringLiteral("centralwidget"));
        QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusbar"));
        QVERIFY(!window->statusBar()->isEnabled());
    }

    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("window") << "MainWindow" << "Orvane";
        QTest::newRow("imprimir") << "imprimir" << "IMPRIMIR";
        QTest::newRow("tab") << "tab" << "ORVANE";
        QTest::newRow("tab_2") << "tab_2" << QString::fromUtf8("CONFIGURA\u00c7\u00c3O");
        QTest::newRow("tab_3") << "tab_3" << "AJUDA";
        QTest::newRow("groupBox") << "groupBox" << QString::fromUtf8("ALTO N\u00cdVEL");
        QTest::newRow("groupBox_2") << "groupBox_2" << QString::fromUtf8("ESCRITA DIRETA, BAIXO E M\u00c9DIO N\u00cdVEL ");
        QTest::newRow("groupBox_3") << "groupBox_3" << QString::fromUtf8("N\u00cdVEL");
        QTest::newRow("groupBox_4") << "groupBox_4" << "OUTROS";
        QTest::newRow("label_9") << "label_9" << " MARGEM GERAL";
        QTest::newRow("label_11") << "label_11" << " TAMANHO FONTE";
        QTest::newRow("label_4") << "label_4" << "FONTE NEGRITO";
        QTest::newRow("label_5") << "label_5" << " FONTE";
        QTest::newRow("label") << "label" << " MARGEM SUPERIOR";
        QTest::newRow("label_2") << "label_2" << " MARGEM ESQUERDA";
        QTest::newRow("label_3") << "label_3" << " MARGEM INFERIOR";
        QTest::newRow("label_7") << "label_7" << " MATRICIAL";
        QTest::newRow("labelBaixoNivel") << "labelBaixoNivel" << QString::fromUtf8("N\u00cdVEL: ");
        QTest::newRow("label_8") << "label_8" << "ESCRITA DIRETA";
        QTest::newRow("label_10") << "label_10" << "CORTAR PAPEL:";
        QTest::newRow("fonte_negrito") << "fonte_negrito" << "";
    }

    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QString shown;
        auto *tabs = find<QTabWidget>("tabWidget");
        if (name == QLatin1String("MainWindow"))
            shown = window->windowTitle();
        else if (name.startsWith(QLatin1String("tab")))
            shown = tabs->tabText(tabs->indexOf(find<QWidget>(name)));
        else if (auto *group = find<QGroupBox>(name))
            shown = group->title();
        else if (auto *label = qobject_cast<QLabel *>(find(name)))
            shown = label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(find(name)))
            shown = button->text();
        QCOMPARE(shown.toUtf8(), caption.toUtf8());
    }

    void helpText()
    {
        auto *help = find<QLabel>("label_6");
        QVERIFY(help);
        const QStringList lines = help->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5); // four lines, each ended by a line feed
        QCOMPARE(lines[0], QStringLiteral("Kavrent"));
        QCOMPARE(lines[1], QString());
        QVERIFY(lines[2].startsWith(QLatin1String("Telefones: ")));
        QCOMPARE(lines[2].mid(11).split(QLatin1Char(' ')).size(), 2);
        QVERIFY(lines[3].startsWith(QLatin1String("site:           ")));
        QVERIFY(lines[3].at(16) != QLatin1Char(' '));
        QCOMPARE(lines[4], QString());
        QCOMPARE(help->alignment(), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(help->lineWidth(), 5);
        QCOMPARE(help->frameShadow(), QFrame::Sunken);
        QCOMPARE(help->textFormat(), Qt::AutoText);
    }

    void spinBoxes_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"margem_geral", "tamanho_fonte", "margem_superior", "margem_esquerda", "margem_inferior"})
            QTest::newRow(name) << name;
    }

    void spinBoxes()
    {
        QFETCH(QString, name);
        auto *box = find<QSpinBox>(name);
        QVERIFY(box);
        QCOMPARE(box->minimum(), 0);
        QCOMPARE(box->maximum(), 99);
        QCOMPARE(box->value(), 0);
        box->setValue(150);
        QCOMPARE(box->value(), 99);
        QCOMPARE(box->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(box->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    }

    void comboBoxes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QSize>("maximum");
        const QSize unlimited(16777215, 16777215);
        QTest::newRow("impressoras") << "impressoras" << false << QSize(0, 25) << unlimited;
        QTest::newRow("fonteComboBox") << "fonteComboBox" << false << QSize(150, 22) << unlimited;
        QTest::newRow("matricialComboBox") << "matricialComboBox" << false << QSize(150, 22) << QSize(150, 22);
        QTest::newRow("nivelComboBox") << "nivelComboBox" << false << QSize(150, 22) << QSize(150, 22);
        QTest::newRow("escritaDiretaComboBox") << "escritaDiretaComboBox" << true << QSize(150, 0) << QSize(150, 16777215);
        QTest::newRow("cortarPapelComboBox") << "cortarPapelComboBox" << false << QSize(150, 22) << QSize(150, 22);
    }

    void comboBoxes()
    {
        QFETCH(QString, name);
        QFETCH(bool, editable);
        QFETCH(QSize, minimum);
        QFETCH(QSize, maximum);
        auto *list = find<QComboBox>(name);
        QVERIFY(list);
        QCOMPARE(list->isEditable(), editable);
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->minimumSize(), minimum);
        QCOMPARE(list->maximumSize(), maximum);
    }

    void focusPolicies_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("policy");
        QTest::newRow("tabWidget") << "tabWidget" << int(Qt::NoFocus);
        QTest::newRow("impressao") << "impressao" << int(Qt::NoFocus);
        QTest::newRow("impressoras") << "impressoras" << int(Qt::NoFocus);
        QTest::newRow("imprimir") << "imprimir" << int(Qt::StrongFocus);
        QTest::newRow("margem_geral") << "margem_geral" << int(Qt::WheelFocus);
        QTest::newRow("fonte_negrito") << "fonte_negrito" << int(Qt::StrongFocus);
    }

    void focusPolicies()
    {
        QFETCH(QString, name);
        QFETCH(int, policy);
        auto *widget = find<QWidget>(name);
        QVERIFY(widget);
        QCOMPARE(int(widget->focusPolicy()), policy);
    }

    void printButtonAndPreview()
    {
        auto *button = find<QPushButton>("imprimir");
        QVERIFY(button->isDefault());
        QVERIFY(button->autoDefault());
        QVERIFY(!button->isFlat());
        QCOMPARE(button->maximumSize(), QSize(100, 25));
        auto *preview = find<QTextEdit>("impressao");
        QCOMPARE(preview->font().family(), QStringLiteral("Courier New"));
        QVERIFY(preview->toPlainText().isEmpty());
        QCOMPARE(find<QLabel>("label_4")->indent(), 3);
        QCOMPARE(find<QLabel>("label_4")->minimumSize(), QSize(0, 20));
    }

    void windowSize()
    {
        QCOMPARE(window->size(), QSize(400, 525));
        QCOMPARE(window->minimumSize(), QSize(400, 525));
        window->show();
        window->resize(100, 100);
        QCOMPARE(window->size(), QSize(400, 525));
    }

    void fixedGeometries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("groupBox") << "groupBox" << QRect(10, 10, 351, 141);
        QTest::newRow("layoutWidget") << "layoutWidget" << QRect(3, 23, 341, 108);
        QTest::newRow("groupBox_2") << "groupBox_2" << QRect(10, 160, 351, 141);
        QTest::newRow("layoutWidget1") << "layoutWidget1" << QRect(1, 23, 341, 111);
        QTest::newRow("groupBox_3") << "groupBox_3" << QRect(10, 310, 351, 81);
        QTest::newRow("layoutWidget2") << "layoutWidget2" << QRect(10, 20, 331, 52);
        QTest::newRow("groupBox_4") << "groupBox_4" << QRect(10, 400, 351, 51);
        QTest::newRow("widget") << "widget" << QRect(10, 20, 331, 24);
    }

    void fixedGeometries()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        window->resize(900, 800);
        window->show();
        QCOMPARE(find<QWidget>(name)->geometry(), geometry);
    }

    void layouts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<QMargins>("margins");
        QTest::newRow("gridLayout") << "gridLayout" << 2 << QMargins(2, 2, 2, 2);
        QTest::newRow("verticalLayout") << "verticalLayout" << 0 << QMargins(0, 0, 0, 0);
        QTest::newRow("horizontalLayout_2") << "horizontalLayout_2" << 2 << QMargins(2, 2, 2, 2);
        QTest::newRow("horizontalLayout") << "horizontalLayout" << 2 << QMargins(2, 2, 2, 2);
        QTest::newRow("gridLayout_2") << "gridLayout_2" << -1 << QMargins(0, 0, 0, 0);
        QTest::newRow("gridLayout_5") << "gridLayout_5" << -1 << QMargins(0, 0, 0, 0);
        QTest::newRow("gridLayout_4") << "gridLayout_4" << -1 << QMargins(0, 0, 0, 0);
        QTest::newRow("horizontalLayout_5") << "horizontalLayout_5" << -1 << QMargins(0, 0, 0, 0);
    }

    void layouts()
    {
        QFETCH(QString, name);
        QFETCH(int, spacing);
        QFETCH(QMargins, margins);
        auto *layout = find<QLayout>(name);
        QVERIFY(layout);
        if (spacing >= 0)
            QCOMPARE(layout->spacing(), spacing);
        QCOMPARE(layout->contentsMargins(), margins);
    }

    void gridCells_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("row");
        QTest::newRow("margem_geral") << "gridLayout_2" << "label_9" << "margem_geral" << 0;
        QTest::newRow("tamanho_fonte") << "gridLayout_2" << "label_11" << "tamanho_fonte" << 1;
        QTest::newRow("fonte_negrito") << "gridLayout_2" << "label_4" << "fonte_negrito" << 2;
        QTest::newRow("fonteComboBox") << "gridLayout_2" << "label_5" << "fonteComboBox" << 3;
        QTest::newRow("margem_superior") << "gridLayout_5" << "label" << "margem_superior" << 0;
        QTest::newRow("margem_esquerda") << "gridLayout_5" << "label_2" << "margem_esquerda" << 1;
        QTest::newRow("margem_inferior") << "gridLayout_5" << "label_3" << "margem_inferior" << 2;
        QTest::newRow("matricialComboBox") << "gridLayout_5" << "label_7" << "matricialComboBox" << 3;
        QTest::newRow("nivelComboBox") << "gridLayout_4" << "labelBaixoNivel" << "nivelComboBox" << 0;
        QTest::newRow("escritaDiretaComboBox") << "gridLayout_4" << "label_8" << "escritaDiretaComboBox" << 1;
    }

    void gridCells()
    {
        QFETCH(QString, layout);
        QFETCH(QString, label);
        QFETCH(QString, control);
        QFETCH(int, row);
        auto *grid = find<QGridLayout>(layout);
        QVERIFY(grid);
        QCOMPARE(grid->itemAtPosition(row, 0)->widget()->objectName(), label);
        QCOMPARE(grid->itemAtPosition(row, 1)->widget()->objectName(), control);
    }
};

QTEST_MAIN(FormTest)
#include "tst_form.moc"
