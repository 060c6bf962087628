#include "page_output.h"

#include "page_painter.h"
#include "raw_spooler.h"

#include <QPrinter>
#include <QTextDocument>

#ifndef Q_OS_WIN
#include <QDir>
#include <QPageLayout>
#include <QTemporaryFile>
#endif

#ifdef Q_OS_WIN

bool printPages(QTextDocument &document, QPrinter &printer, PrintControl &control)
{
    (void)control;
    // The painter may not begin, or the driver fail: the printer's state tells.
    return paintPages(document, &printer) && printer.printerState() != QPrinter::Error;
}

#else

bool printPages(QTextDocument &document, QPrinter &printer, PrintControl &control)
{
    const QByteArray queue = printer.printerName().toLocal8Bit();
    QTemporaryFile pdf(QDir::tempPath() + QStringLiteral("/orvane-XXXXXX.pdf"));
    if (!pdf.open())
        return false;

    // The queue's page, on paper that Qt's PDF output paints like its CUPS
    // output would have.
    const QPageLayout layout = printer.pageLayout();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(layout);
    printer.setOutputFileName(pdf.fileName());
    if (!paintPages(document, &printer) || printer.printerState() == QPrinter::Error)
        return false;

    const QByteArray bytes = pdf.readAll();
    if (bytes.isEmpty())
        return false;
    return sendDocumentToPrinter(queue.constData(), bytes.constData(), bytes.size(),
                                 "application/pdf", &control);
}

#endif
