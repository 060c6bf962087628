#include "html_page.h"
#include "line_blocks.h"
#include "page_output.h"
#include "page_pieces.h"
#include "print_control.h"
#include "print_job.h"
#include "receipt_document.h"
#include "receipt_reader.h"
#include "text_framing.h"

#include <QDebug>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSizeF>
#include <QTextDocument>

#include <memory>
#include <utility>

namespace {

// The printer of the queue named `name`, whole page. Qt asks the scheduler
// about printers and waits for its answer without a bound of its own: the
// wait is marked, so that the window gives the print up on a scheduler
// that stops answering. Null when no such queue is installed: Qt silently
// swaps an unknown printer name for another printer.
std::unique_ptr<QPrinter> installedPrinter(const QString &name, PrintControl &control)
{
    WaitScope wait(&control);
    if (QPrinterInfo::printerInfo(name).isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    printer->setFullPage(true);
    printer->setPrinterName(name);
    return printer;
}

// A receipt written with tags, when the job reads tags and the file has
// some; the reader has refused a tag that cannot be carried out before the
// road started.
bool readTaggedReceipt(const PrintJob &job, receipt::ReceiptReading &reading)
{
    if (!readsTags(job))
        return false;
    reading = receipt::readReceipt(job.fileData.constData(), size_t(job.fileData.size()));
    return reading.hasTags && !reading.error.isError();
}

// The receipt as it prints, in `font` made fixed pitch, on a document with
// the settings the page road gave it.
bool printReceipt(const receipt::ReceiptReading &reading, QTextDocument &document, ReceiptLook look,
                  QPrinter &printer, PrintControl &control)
{
    look.font.setStyleHint(QFont::TypeWriter);
    look.pixelsPerMm = printer.resolution() / 25.4;
    // The symbols' images carry three pixels to the document's one.
    look.imageScale = 3;
    const QString problem = layOutReceipt(document, reading.pieces, look);
    if (!problem.isEmpty()) {
        sayReceiptRefused(problem);
        return false;
    }
    DocumentPieces pages(document);
    return printPages(pages, printer, control);
}

} // namespace

bool printPlainDocument(const PrintJob &job, PrintControl &control)
{
    const std::unique_ptr<QPrinter> printer = installedPrinter(job.printerName, control);
    if (!printer)
        return false;
    receipt::ReceiptReading reading;
    if (readTaggedReceipt(job, reading)) {
        // The margins frame the receipt as they frame a text; the font is
        // the document's own, as a text's is.
        QTextDocument document;
        ReceiptLook look;
        look.font = fixedPitchFont(QFont(QStringLiteral("Courier New"), document.defaultFont().pointSize()));
        look.columns = job.columns;
        look.leftMargin = job.leftMargin;
        look.topMargin = job.topMargin;
        look.bottomMargin = job.bottomMargin;
        return printReceipt(reading, document, look, *printer, control);
    }
    // The framed bytes go once decoded: a report of many megabytes is not
    // kept twice while it prints.
    QString text;
    {
        const QByteArray framed = frameText(job.fileData, job.leftMargin, job.topMargin, job.bottomMargin);
        if (framed.isNull())
            return false;
        text = utf8UpToZero(framed);
    }
    QTextDocument wrapping;
    wrapAnywhereIfUnbreakable(wrapping, text);
    PlainTextPieces pages(std::move(text), wrapping.defaultTextOption());
    return printPages(pages, *printer, control);
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
    if (page.isNull())
        return false;
    const std::unique_ptr<QPrinter> printer = installedPrinter(job.printerName, control);
    if (!printer)
        return false;
    qDebug() << page;

    // The page size makes Qt print the layout as it is: no margin of its
    // own and no page numbers, only the document margin below.
    QTextDocument document;
    const QRect area = printer->pageRect(QPrinter::DevicePixel).toRect();
    document.setPageSize(QSizeF(area.right() - area.left() + 1, area.bottom() - area.top() + 1));
    document.setDocumentMargin(qreal(job.pageMargin));
    receipt::ReceiptReading reading;
    if (readTaggedReceipt(job, reading)) {
        // The page's font, size and weight, as a text's page has them.
        page.clear();
        ReceiptLook look;
        look.font = QFont(QString::fromLocal8Bit(fontFace));
        if (job.fontSize > 0)
            look.font.setPixelSize(job.fontSize);
        look.font.setBold(job.bold);
        look.columns = job.columns;
        return printReceipt(reading, document, look, *printer, control);
    }
    // What is printed is built from the text or from the page, and the
    // other goes at once.
    QString text = utf8UpToZero(job.fileData);
    wrapAnywhereIfUnbreakable(document, text);
    if (readsAsItself(text)) {
        page.clear();
        const QByteArray sample = buildHtmlPage(QByteArrayLiteral("x"), job.fontSize, fontFace, job.bold);
        PlainPagePieces pages(document, utf8UpToZero(sample), std::move(text));
        return printPages(pages, *printer, control);
    }
    text.clear();
    const bool gapsOpen = splitHtmlOneParagraphPerLine(document, utf8UpToZero(std::exchange(page, QByteArray())));
    DocumentPieces pages(document, gapsOpen);
    return printPages(pages, *printer, control);
}
