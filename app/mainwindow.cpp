#include "mainwindow.h"
#include "code_pages.h"
#include "printer_list.h"
#include "printer_state_watch.h"
#include "settings_file.h"
#include "settings_io.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QScreen>
#include <QStatusBar>
#include <QSettings>
#include <QStringList>
#include <QTimer>

namespace {

// A saved size larger than the desktop (a hand-edited or corrupted file)
// would make the window system allocate gigabytes; the desktop bounds it.
QSize boundedByDesktop(const QSize &size)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? size.boundedTo(screen->availableVirtualSize()) : size;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , printWatch(new QTimer(this))
{
    ui->setupUi(this);
    printWatch->setInterval(200);
    connect(printWatch, &QTimer::timeout, this, &MainWindow::watchPrint);
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    // Every widget still exists here: the settings are read from them.
    saveSettings();
    delete ui;
}

bool MainWindow::initialise(QApplication &application, const FileArgument &fileArgument)
{
    Q_UNUSED(application);
    using namespace SettingKeys;

    loadCutCommands();
    appDirPath = QCoreApplication::applicationDirPath();
    filePath = fileArgument.path();

    settingsFiles = chooseSettingsFiles(appDirPath);
    qDebug() << "path " << settingsFiles.readFrom;
    // Read as it was written, whatever the editor that saved it.
    const SettingsFile settingsFile(settingsFiles.readFrom);
    settingsProblem = settingsFile.problem();
    const QSettings &settings = settingsFile.settings();
    // Not only standard error: the operator sees why the settings are the defaults.
    if (!settingsProblem.isEmpty())
        statusBar()->addWidget(new QLabel(tr("config.ini não pôde ser lido: %1").arg(settingsProblem)));

    ui->matricialComboBox->addItems({QString(), QStringLiteral("draft"), QStringLiteral("draft condensed")});
    ui->matricialComboBox->setCurrentText(readText(settings, matricial));
    ui->fonteComboBox->addItems({QStringLiteral("Courier New"), QStringLiteral("Verdana"),
                                 QStringLiteral("Arial"), QStringLiteral("Monospace")});
    ui->escritaDiretaComboBox->addItem(readText(settings, escritaDireta));
    ui->nivelComboBox->addItems({QStringLiteral("alto"), QStringLiteral("medio"),
                                 QStringLiteral("baixo"), QStringLiteral("escrita direta")});

    qDebug() << "margem_geral" << readInteger(settings, margemGeral.name, 999999);
    ui->margem_geral->setValue(readInteger(settings, margemGeral));
    ui->margem_esquerda->setValue(readInteger(settings, margemEsquerda));
    ui->margem_superior->setValue(readInteger(settings, margemSuperior));
    ui->margem_inferior->setValue(readInteger(settings, margemInferior));
    ui->tamanho_fonte->setValue(readInteger(settings, tamanhoFonte));
    ui->fonte_negrito->setChecked(readBoolean(settings, fonteNegrito));
    ui->fonteComboBox->setCurrentText(readText(settings, fonte));
    ui->nivelComboBox->setCurrentText(readText(settings, nivel));

    const int savedWidth = readInteger(settings, SettingKeys::width);
    const int savedHeight = readInteger(settings, SettingKeys::height);
    if (savedWidth != 0 && savedHeight != 0)
        resize(boundedByDesktop(QSize(savedWidth, savedHeight)));
    const int savedX = readInteger(settings, SettingKeys::x);
    const int savedY = readInteger(settings, SettingKeys::y);
    qDebug() << "x " << savedX;
    qDebug() << "y " << savedY;
    if (savedX != 0 && savedY != 0)
        move(savedX, savedY);

    fillPrinterList(ui->impressoras, readText(settings, impressora), QPrinterInfo::availablePrinterNames());

    ui->cortarPapelComboBox->setCurrentText(readText(settings, cortarPapel));
    ui->codificacaoComboBox->addItem(QString());
    for (const CodePage &page : codePages())
        ui->codificacaoComboBox->addItem(QString::fromLatin1(page.name));
    ui->codificacaoComboBox->setCurrentText(readText(settings, codificacao));
    // Exact names only: any other text leaves the tags as text.
    ui->etiquetasComboBox->addItems({QString(), QStringLiteral("acbr")});
    ui->etiquetasComboBox->setCurrentText(readText(settings, etiquetas));
    ui->colunas->setValue(readBoundedInteger(settings, colunas, ui->colunas->minimum(), ui->colunas->maximum()));

    if (!fileArgument.read(fileData)) {
        QMessageBox::critical(this, tr("ARQUIVO"), tr("Arquivo inválido para impressão"),
                              QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }
    showPreview();
    receiptStatus = new QLabel(statusBar());
    statusBar()->addWidget(receiptStatus);
    showReceiptProblem();
    connect(ui->etiquetasComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::showReceiptProblem);
    // The preview follows the tags and the receipt's width.
    connect(ui->etiquetasComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::showPreview);
    connect(ui->colunas, QOverload<int>::of(&QSpinBox::valueChanged), this, &MainWindow::showPreview);

    // The chosen printer's state in the status bar, from now on.
    auto *printerState = new PrinterStateWatch(statusBar());
    connect(ui->impressoras, QOverload<int>::of(&QComboBox::currentIndexChanged), printerState,
            [this, printerState] { printerState->watch(chosenPrinter(ui->impressoras)); });
    printerState->watch(chosenPrinter(ui->impressoras));
    return true;
}
