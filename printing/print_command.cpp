#include "mainwindow.h"
#include "direct_text.h"
#include "print_control.h"
#include "print_job.h"
#include "printer_list.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

// The print of one press, shared by the window and the thread that prints.
struct PrintRun {
    PrintJob job;
    PrintControl control;
    std::atomic<bool> printed{false};
    // What the printer itself said against the print; set before the
    // thread ends, read after.
    QString problem;
};

namespace {

// Threads still printing, the ones the window gave up on included.
std::atomic<int> printThreads{0};

// The window gives up on a blocking call a little after the call itself
// should have stopped waiting: then the call is one that cannot stop.
const std::chrono::milliseconds windowPatience = PrintControl::defaultNoAnswerLimit + std::chrono::seconds(2);

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

} // namespace

// What the window shows at the press, copied for the thread that prints.
PrintJob MainWindow::jobFromWindow() const
{
    PrintJob job;
    job.level = ui->nivelComboBox->currentText();
    job.printerName = chosenPrinter(ui->impressoras);
    job.directTarget = ui->escritaDiretaComboBox->currentText();
    job.dotMatrixMode = ui->matricialComboBox->currentText();
    job.fontFace = ui->fonteComboBox->currentText();
    job.codePage = ui->codificacaoComboBox->currentText();
    job.tags = ui->etiquetasComboBox->currentText();
    job.columns = ui->colunas->value();
    job.fileData = fileData;
    job.fileFolder = QFileInfo(filePath).absolutePath();
    const QString cut = ui->cortarPapelComboBox->currentText();
    if (!cut.isEmpty())
        job.cutSequence = cutCommands.value(cut);
    job.leftMargin = ui->margem_esquerda->value();
    job.topMargin = ui->margem_superior->value();
    job.bottomMargin = ui->margem_inferior->value();
    job.pageMargin = ui->margem_geral->value();
    job.fontSize = ui->tamanho_fonte->value();
    job.bold = ui->fonte_negrito->isChecked();
    return job;
}

// The spooler's printer the print needs: one chosen and installed.
bool MainWindow::printerChosen()
{
    if (chosenPrinter(ui->impressoras).isEmpty()) {
        QMessageBox::critical(this, tr("IMPRESSORA"), tr("Por favor selecione uma impressora"),
                              QMessageBox::Ok, QMessageBox::NoButton);
        ui->impressoras->setFocus(Qt::OtherFocusReason);
        return false;
    }
    // The saved printer is not installed: nothing prints anywhere, not even
    // on a port, until the operator chooses one that is.
    if (chosenPrinterMissing(ui->impressoras)) {
        QMessageBox::critical(this, tr("IMPRESSORA"),
                              tr("Falha na impressão. Verifique a impressora e tente novamente."),
                              QMessageBox::Ok, QMessageBox::NoButton);
        ui->impressoras->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

void MainWindow::on_imprimir_clicked()
{
    // One press, one print.
    if (printRun)
        return;
    // A network printer on "escrita direta" takes the receipt and its cut
    // itself: the printer list's choice is not used.
    if (!printsToNetwork(jobFromWindow()) && !printerChosen())
        return;

    // A receipt with a tag that cannot be carried out prints nothing at all,
    // on any road: a fiscal receipt with a broken QR code is worse than none.
    const QString receiptRefusal = receiptProblem(jobFromWindow());
    if (!receiptRefusal.isEmpty()) {
        sayReceiptRefused(receiptRefusal);
        QMessageBox::critical(this, tr("IMPRESSORA"), receiptRefusal, QMessageBox::Ok, QMessageBox::NoButton);
        ui->imprimir->setFocus(Qt::OtherFocusReason);
        return;
    }

    // The operator sees that the print is running: the busy cursor shows
    // until the road and the cut are done, and is gone before any message.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::shared_ptr<PrintRun> run = std::make_shared<PrintRun>();
    run->job = jobFromWindow();
    run->job.framedAhead = framedAhead.forJob(run->job);
    printRun = run;
    // The window keeps painting and answering while the print runs.
    ++printThreads;
    QThread *thread = QThread::create([run] {
        run->printed = runPrintJob(run->job, run->control, &run->problem);
        --printThreads;
    });
    connect(thread, &QThread::finished, this, [this, run] {
        if (printRun == run)
            finishPrint(run->printed, run->problem);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    printWatch->start();
}

// A spooler, port or driver that holds the print beyond every deadline:
// the print is shown as failed now, and cancelled if it ever goes on.
void MainWindow::watchPrint()
{
    if (printRun && printRun->control.waiting() >= windowPatience) {
        printRun->control.abandon();
        finishPrint(false);
    }
}

void MainWindow::finishPrint(bool printed, const QString &problem)
{
    printWatch->stop();
    // Keys and clicks that came while the print ran still reach nothing.
    QCoreApplication::processEvents();
    printRun.reset();
    QApplication::restoreOverrideCursor();

    if (printed) {
        close();
        return;
    }
    // A receipt that did not print must not look printed: the window stays
    // so the operator can mend the printer, or pick another printer or
    // level, and press again.
    QMessageBox::critical(this, tr("IMPRESSORA"),
                          problem.isEmpty() ? tr("Falha na impressão. Verifique a impressora e tente novamente.")
                                            : problem,
                          QMessageBox::Ok, QMessageBox::NoButton);
    ui->imprimir->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // While a print runs, no input acts on the window.
    if (printRun && isInput(event->type()))
        return true;
    // Return on the printer list prints on the printer chosen there, as
    // Return on IMPRIMIR does.
    if (watched == ui->impressoras && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui->imprimir->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing never waits for a print: what it started is cancelled.
    if (printRun) {
        printRun->control.abandon();
        printWatch->stop();
        printRun.reset();
        QApplication::restoreOverrideCursor();
    }
    event->accept();
}

bool printThreadsRunning(std::chrono::milliseconds grace)
{
    const auto end = std::chrono::steady_clock::now() + grace;
    while (printThreads.load() > 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return printThreads.load() > 0;
}
