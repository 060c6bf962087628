#include "direct_port.h"
#include "mainwindow.h"
#include "raw_spooler.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>

namespace {

// The operator sees that the print is running: the busy cursor shows until
// the roads and the cut are done, and is gone before any message.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

void MainWindow::on_imprimir_clicked()
{
    const QString printerName = ui->impressoras->currentText();
    if (printerName.isEmpty()) {
        QMessageBox::critical(this, tr("IMPRESSORA"), tr("Por favor selecione uma impressora"),
                              QMessageBox::Ok, QMessageBox::NoButton);
        ui->impressoras->setFocus(Qt::OtherFocusReason);
        return;
    }

    bool printed = false;
    {
        const BusyCursor busy;
        if (ui->nivelComboBox->currentText() == QLatin1String("baixo"))
            printed = printRawDocument(printerName);
        if (ui->nivelComboBox->currentText() == QLatin1String("escrita direta"))
            printed = printToDirectPort();
        if (ui->nivelComboBox->currentText() == QLatin1String("medio"))
            printed = printPlainDocument(printerName);
        if (ui->nivelComboBox->currentText() == QLatin1String("alto"))
            printed = printHtmlDocument(printerName);
        // The cut command always follows the print, through the spooler,
        // also when the text went to a port.
        if (printed)
            sendCutCommand(printerName);
    }

    // A receipt that did not print must not look printed: the window stays
    // so the operator can pick another printer or level and try again.
    if (!printed) {
        QMessageBox::critical(this, tr("IMPRESSORA"),
                              tr("Falha na impressão. Verifique a impressora e tente novamente."),
                              QMessageBox::Ok, QMessageBox::NoButton);
        ui->impressoras->setFocus(Qt::OtherFocusReason);
        return;
    }

    close();
}

bool MainWindow::printRawDocument(const QString &printerName)
{
    const QByteArray text = buildDirectText();
    if (text.isNull())
        return false;
    std::cout << "impressao baixo nivel \n";
    std::cout.write(text.constData(), text.size());
    std::cout << "textPlain fim ****** \n" << std::flush;
    const QByteArray name = printerName.toLocal8Bit();
    return sendRawToPrinter(name.constData(), text.constData(), text.size());
}

bool MainWindow::printToDirectPort()
{
    // The target is opened (and emptied) before the text is prepared.
    DirectPortWriter port(ui->escritaDiretaComboBox->currentText().toLocal8Bit().toStdString());
    const QByteArray text = buildDirectText();
    const bool written = !text.isNull() && port.write(text.constData(), size_t(text.size()));
    return port.close() && written;
}
