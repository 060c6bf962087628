#include "html_page.h"
#include "line_blocks.h"
#include "page_output.h"
#include "print_control.h"
#include "print_job.h"
#include "text_framing.h"

#include <QDebug>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSizeF>
#include <QTextDocument>

#include <optional>
#include <utility>

namespace {

// Qt silently swaps an unknown printer name for another printer, so the
// name is checked against the installed ones first. Qt asks the spooler
// with no bound: the window gives up on a wait that does not end.
bool isInstalledPrinter(const QString &name, PrintControl &control)
{
    const WaitScope wait(&control);
    return !QPrinterInfo::printerInfo(name).isNull();
}

} // namespace

bool printPlainDocument(const PrintJob &job, PrintControl &control)
{
    if (!isInstalledPrinter(job.printerName, control))
        return false;
    // The framed copy goes once the document holds the text: a report of
    // many megabytes is not kept twice while it prints.
    QTextDocument document;
    {
        const QByteArray framed = frameText(job.fileData, job.leftMargin, job.topMargin, job.bottomMargin);
        if (framed.isNull())
            return false;
        const QString text = utf8UpToZero(framed);
        wrapAnywhereIfUnbreakable(document, text);
        document.setPlainText(text);
    }

    std::optional<WaitScope> wait(&control);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setFullPage(true);
    printer.setPrinterName(job.printerName);
    printer.setOutputFormat(QPrinter::NativeFormat);
    wait.reset();
    return printPages(document, printer, control);
}

bool printHtmlDocument(const PrintJob &job, PrintControl &control)
{
    const QString &face = job.fontFace;
    if (!face.isEmpty())
        qDebug() << "COM FONTE";
    else
        qDebug() << "is empty";
    const QByteArray fontFace = face.isEmpty() ? QByteArray("Courier New") : face.toLocal8Bit();
    QByteArray page = buildHtmlPage(job.fileData, job.fontSize, fontFace, job.bold);
    if (page.isNull() || !isInstalledPrinter(job.printerName, control))
        return false;

    qDebug() << page;
    std::optional<WaitScope> wait(&control);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setFullPage(true);
    printer.setPrinterName(job.printerName);

    // The page size makes Qt print the layout as it is: no margin of its
    // own and no page numbers, only the document margin below.
    QTextDocument document;
    const QRect area = printer.pageRect(QPrinter::DevicePixel).toRect();
    document.setPageSize(QSizeF(area.right() - area.left() + 1, area.bottom() - area.top() + 1));
    wait.reset();
    document.setDocumentMargin(qreal(job.pageMargin));
    // Neither the page nor the text outlives the document built from it.
    QString text = utf8UpToZero(job.fileData);
    wrapAnywhereIfUnbreakable(document, text);
    if (readsAsItself(text)) {
        page.clear();
        const QByteArray sample = buildHtmlPage(QByteArrayLiteral("x"), job.fontSize, fontFace, job.bold);
        setPlainPage(document, utf8UpToZero(sample), std::move(text));
    } else {
        text.clear();
        setHtmlOneParagraphPerLine(document, utf8UpToZero(std::exchange(page, QByteArray())));
    }
    return printPages(document, printer, control);
}
