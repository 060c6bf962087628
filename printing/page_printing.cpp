#include "html_page.h"
#include "line_blocks.h"
#include "mainwindow.h"
#include "page_output.h"
#include "text_framing.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSizeF>
#include <QTextDocument>

#include <utility>

namespace {

// Qt silently swaps an unknown printer name for another printer, so the
// name is checked against the installed ones first.
bool isInstalledPrinter(const QString &name)
{
    return !QPrinterInfo::printerInfo(name).isNull();
}

} // namespace

bool MainWindow::printPlainDocument(const QString &printerName)
{
    if (!isInstalledPrinter(printerName))
        return false;
    // The framed copy goes once the document holds the text: a report of
    // many megabytes is not kept twice while it prints.
    QTextDocument document;
    {
        const QByteArray framed = frameText(fileData, ui->margem_esquerda->value(),
                                            ui->margem_superior->value(), ui->margem_inferior->value());
        if (framed.isNull())
            return false;
        const QString text = utf8UpToZero(framed);
        wrapAnywhereIfUnbreakable(document, text);
        document.setPlainText(text);
    }

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setFullPage(true);
    printer.setPrinterName(printerName);
    printer.setOutputFormat(QPrinter::NativeFormat);
    return printPages(document, printer);
}

bool MainWindow::printHtmlDocument(const QString &printerName)
{
    const QString face = ui->fonteComboBox->currentText();
    if (!face.isEmpty())
        qDebug() << "COM FONTE";
    else
        qDebug() << "is empty";
    const QByteArray fontFace = face.isEmpty() ? QByteArray("Courier New") : face.toLocal8Bit();
    QByteArray page = buildHtmlPage(fileData, ui->tamanho_fonte->value(), fontFace,
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
    // Neither the page nor the text outlives the document built from it.
    QString text = utf8UpToZero(fileData);
    wrapAnywhereIfUnbreakable(document, text);
    if (readsAsItself(text)) {
        page.clear();
        const QByteArray sample = buildHtmlPage(QByteArrayLiteral("x"), ui->tamanho_fonte->value(),
                                                fontFace, ui->fonte_negrito->isChecked());
        setPlainPage(document, utf8UpToZero(sample), std::move(text));
    } else {
        text.clear();
        setHtmlOneParagraphPerLine(document, utf8UpToZero(std::exchange(page, QByteArray())));
    }
    return printPages(document, printer);
}
