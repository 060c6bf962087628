#include "html_page.h"
#include "mainwindow.h"
#include "text_framing.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSizeF>
#include <QTextDocument>

namespace {

// Qt silently swaps an unknown printer name for another printer, so the
// name is checked against the installed ones first.
bool isInstalledPrinter(const QString &name)
{
    return !QPrinterInfo::printerInfo(name).isNull();
}

// QTextDocument::print gives up silently when the painter cannot begin;
// the printer's state tells.
bool printOn(QPrinter &printer, const QTextDocument &document)
{
    document.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

} // namespace

bool MainWindow::printPlainDocument(const QString &printerName)
{
    if (!isInstalledPrinter(printerName))
        return false;
    const QByteArray framed = frameText(fileData, ui->margem_esquerda->value(),
                                        ui->margem_superior->value(), ui->margem_inferior->value());
    if (framed.isNull())
        return false;

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setFullPage(true);
    printer.setPrinterName(printerName);
    QTextDocument document;
    document.setPlainText(utf8UpToZero(framed));
    printer.setOutputFormat(QPrinter::NativeFormat);
    return printOn(printer, document);
}

bool MainWindow::printHtmlDocument(const QString &printerName)
{
    const QString face = ui->fonteComboBox->currentText();
    if (!face.isEmpty())
        qDebug() << "COM FONTE";
    else
        qDebug() << "is empty";
    const QByteArray page = buildHtmlPage(fileData, ui->tamanho_fonte->value(),
                                          face.isEmpty() ? QByteArray("Courier New") : face.toLocal8Bit(),
                                          ui->fonte_negrito->isChecked());
    if (page.isNull() || !isInstalledPrinter(printerName))
        return false;

    QPrinter printer(QPrinter::ScreenResolution);
    qDebug() << page;
    printer.setFullPage(true);
    printer.setPrinterName(printerName);

    // The page size makes Qt print the layout as it is: no margin of its
    // own and no page numbers, only the document margin below.
    QTextDocument document;
    const QRect area = printer.pageRect(QPrinter::DevicePixel).toRect();
    document.setPageSize(QSizeF(area.right() - area.left() + 1, area.bottom() - area.top() + 1));
    document.setDocumentMargin(qreal(ui->margem_geral->value()));
    document.setHtml(utf8UpToZero(page));
    return printOn(printer, document);
}
