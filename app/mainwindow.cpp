#include "mainwindow.h"
#include "code_pages.h"
#include "printer_list.h"
#include "device_status_watch.h"
#include "printer_state_watch.h"
#include "settings_file.h"
#include "settings_io.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QSettings>
#include <QStringList>
#include <QTimer>

#include <iostream>

namespace {

// A saved size larger than the desktop (a hand-edited or corrupted file)
// would make the window system allocate gigabytes; the desktop bounds it.
QSize boundedByDesktop(const QSize &size)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? size.boundedTo(screen->availableVirtualSize()) : size;
}

// How long the window waits for the spooler's first list of printers
// before it shows.
const int firstListPatienceMs = 2000;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , printWatch(new QTimer(this))
{
    ui->setupUi(this);
    // Shift+Tab from IMPRIMIR reaches the printer list (focus by Tab only:
    // a click on it leaves the focus on IMPRIMIR, as mouse users expect).
    setTabOrder(ui->impressoras, ui->imprimir);
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
    const SettingsFile settingsFile(settingsFiles.readFrom, settingsFiles.writeTo);
    settingsProblem = settingsFile.problem();
    const QSettings &settings = settingsFile.settings();
    // Not only standard error: the operator sees why the settings are the defaults.
    if (!settingsProblem.isEmpty())
        statusBar()->addWidget(new QLabel(tr("config.ini não pôde ser lido: %1").arg(settingsProblem)));

    ui->matricialComboBox->addItems({QString(), QStringLiteral("draft"), QStringLiteral("draft condensed")});
    listSettings.restore(settings, matricial, ui->matricialComboBox);
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
    listSettings.restore(settings, fonte, ui->fonteComboBox);
    listSettings.restore(settings, nivel, ui->nivelComboBox);

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

    // The printers installed come from the spooler, which may be slow to
    // answer: the saved printer is listed meanwhile.
    fillPrinterList(ui->impressoras, readText(settings, impressora));

    listSettings.restore(settings, cortarPapel, ui->cortarPapelComboBox);
    ui->codificacaoComboBox->addItem(QString());
    for (const CodePage &page : codePages())
        ui->codificacaoComboBox->addItem(QString::fromLatin1(page.name));
    listSettings.restore(settings, codificacao, ui->codificacaoComboBox);
    // The tag languages: "" leaves tags as text.
    ui->etiquetasComboBox->addItems({QString(), QStringLiteral("acbr")});
    listSettings.restore(settings, etiquetas, ui->etiquetasComboBox);
    ui->colunas->setValue(readBoundedInteger(settings, colunas, ui->colunas->minimum(), ui->colunas->maximum()));

    QString refusal;
    if (!fileArgument.read(fileData, &refusal)) {
        // The till's log tells which rule refused the file.
        std::cerr << refusal.toStdString() << std::endl;
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
    // A symbol fits the paper or not by the receipt's width.
    connect(ui->colunas, QOverload<int>::of(&QSpinBox::valueChanged), this, &MainWindow::showReceiptProblem);
    // The preview follows the tags and the receipt's width.
    connect(ui->etiquetasComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::showPreview);
    connect(ui->colunas, QOverload<int>::of(&QSpinBox::valueChanged), this, &MainWindow::showPreview);

    // The printers installed and the chosen printer's state in the status
    // bar, from now on. A spooler that answers at once has both shown with
    // the window; a slow one, a moment later.
    auto *printerState = new PrinterStateWatch(statusBar());
    connect(ui->impressoras, QOverload<int>::of(&QComboBox::currentIndexChanged), printerState,
            [this, printerState] { printerState->watch(chosenPrinter(ui->impressoras)); });
    connect(printerState, &PrinterStateWatch::printersListed, this,
            [this](const QStringList &names) { followInstalledPrinters(ui->impressoras, names); });
    printerState->watch(chosenPrinter(ui->impressoras));
    printerState->awaitAnswer(firstListPatienceMs);

    // What the "escrita direta" printer says of itself, when it can.
    auto *deviceStatus = new DeviceStatusWatch(statusBar());
    const auto followTarget = [this, deviceStatus] {
        deviceStatus->watch(ui->nivelComboBox->currentText(), ui->escritaDiretaComboBox->currentText());
    };
    connect(ui->nivelComboBox, &QComboBox::currentTextChanged, deviceStatus, followTarget);
    connect(ui->escritaDiretaComboBox, &QComboBox::currentTextChanged, deviceStatus, followTarget);
    followTarget();

    // A long report goes out as soon as Return is pressed.
    framedAhead.start(jobFromWindow());

    // Return prints at once; Shift+Tab reaches the printer list.
    ui->imprimir->setFocus(Qt::OtherFocusReason);
    return true;
}
