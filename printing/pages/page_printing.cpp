#include "page_printing.h"

#include "direct_text.h"
#include "html_page.h"
#include "line_blocks.h"
#include "page_output.h"
#include "page_pieces.h"
#include "password_prompt.h"
#include "print_control.h"
#include "queue_paper.h"
#include "receipt_document.h"
#include "receipt_pictures.h"
#include "receipt_reader.h"
#include "scheduler_heartbeat.h"
#include "text_framing.h"

#include <QDebug>
#include <QImage>
#include <QPageSize>
#include <QSizeF>
#include <QTextDocument>
#ifdef Q_OS_WIN
#include <QPrinter>
#include <QPrinterInfo>
#endif

#include <memory>
#include <utility>

namespace {

// The page of the queue named `name`. The scheduler's answers are waited
// for without a bound of their own: the wait is marked, so that the window
// gives the print up on a scheduler that stops answering, and not on one
// that answers slowly. Null when the queue cannot be printed on.
std::unique_ptr<QueuePage> queuePage(const QString &name, PrintControl &control)
{
    WaitScope wait(&control);
    // The queries on this thread never prompt for a password either.
    refusePasswordPrompts();
    // A scheduler that answers, however slowly, keeps the wait going.
    const SchedulerHeartbeat heartbeat(&control);
    auto page = std::make_unique<QueuePage>();
    page->queue = name.toLocal8Bit();
#ifdef Q_OS_WIN
    // Null when no such printer is installed: Qt silently swaps an unknown
    // printer name for another printer.
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return nullptr;
    page->printer = std::make_unique<QPrinter>(info, QPrinter::ScreenResolution);
    page->printer->setFullPage(true);
    page->layout = page->printer->pageLayout();
    page->resolution = page->printer->resolution();
#else
    // Qt's printer for a queue asks the scheduler a dozen questions, twice,
    // each paying a slow link's delay; the queue's PPD, asked once, gives the
    // paper. A queue without one gets A4, as Qt gives it. A queue that is
    // gone is told by the spooler's own steps.
    QueuePaper paper;
    if (!askQueuePaper(page->queue.toStdString(), paper)) {
        qWarning().noquote() << QStringLiteral("o servidor de impressão não disse o papel da fila %1").arg(name);
        return nullptr;
    }
    // A roll's paper keeps its own size, never the nearest standard one.
    const QPageSize size = paper.found ? QPageSize(QSize(qRound(paper.widthPoints), qRound(paper.heightPoints)),
                                                   QString::fromStdString(paper.name), QPageSize::ExactMatch)
                                       : QPageSize(QPageSize::A4);
    page->layout = QPageLayout(size, QPageLayout::Portrait, QMarginsF());
    page->layout.setMode(QPageLayout::FullPageMode);
    // Laid out at the screen's resolution, as the preview is (an image
    // says what it is on any thread).
    page->resolution = QImage(1, 1, QImage::Format_Mono).logicalDpiY();
#endif
    return page;
}

// A receipt written with tags, when the job reads tags and the file has
// some (a bad one among them: then printReceipt() refuses it, and nothing
// prints, not even the tags as text).
bool readTaggedReceipt(const PrintJob &job, receipt::ReceiptReading &reading)
{
    if (!readsTags(job))
        return false;
    reading = receipt::readReceipt(job.fileData.constData(), size_t(job.fileData.size()), job.columns,
                                   pictureLoader(job.fileFolder));
    return reading.hasTags || reading.error.isError();
}

// The receipt as it prints, in `font` made fixed pitch, on a document with
// the settings the page road gave it.
bool printReceipt(const receipt::ReceiptReading &reading, QTextDocument &document, ReceiptLook look,
                  QueuePage &page, PrintControl &control, const SpoolPart &cut)
{
    if (reading.error.isError()) {
        sayReceiptRefused(QString::fromStdString(reading.error.message()));
        return false;
    }
    look.font.setStyleHint(QFont::TypeWriter);
    look.pixelsPerMm = page.resolution / 25.4;
    // The symbols' images carry three pixels to the document's one.
    look.imageScale = 3;
    const QString problem = layOutReceipt(document, reading.pieces, look);
    if (!problem.isEmpty()) {
        sayReceiptRefused(problem);
        return false;
    }
    DocumentPieces pages(document);
    return printPages(pages, page, control, cut);
}

} // namespace

bool printPlainDocument(const PrintJob &job, PrintControl &control)
{
    const std::unique_ptr<QueuePage> page = queuePage(job.printerName, control);
    if (!page)
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
        return printReceipt(reading, document, look, *page, control, cutPart(job));
    }
    // A form feed starts a new page; the top margin goes before the first
    // page's text, the bottom margin after the last's.
    const QList<QByteArray> sections = formFeedPages(job.fileData);
    const int last = sections.size() - 1;
    SectionedPages pages(sections.size(), [&](int index) -> std::unique_ptr<PageSource> {
        // The framed bytes go once decoded: a report of many megabytes is
        // not kept twice while it prints.
        QString text;
        {
            const QByteArray framed = frameText(sections[index], job.leftMargin, index == 0 ? job.topMargin : 0,
                                                index == last ? job.bottomMargin : 0);
            if (framed.isNull())
                return nullptr;
            text = readableText(framed);
        }
        QTextDocument wrapping;
        wrapAnywhereIfUnbreakable(wrapping, text);
        return std::make_unique<PlainTextPieces>(std::move(text), wrapping.defaultTextOption());
    });
    return pages.whole() && printPages(pages, *page, control, cutPart(job)) && pages.whole();
}

namespace {

// The "alto" page of one section of the file, on a document of the size of
// the printer's page.
std::unique_ptr<PageSource> htmlSection(const QByteArray &section, const PrintJob &job, const QByteArray &fontFace,
                                        const QSizeF &pageSize)
{
    QByteArray page = buildHtmlPage(section, job.fontSize, fontFace, job.bold);
    if (page.isNull())
        return nullptr;
    qDebug() << page;

    // The page size makes Qt print the layout as it is: no margin of its
    // own and no page numbers, only the document margin below.
    auto document = std::make_unique<QTextDocument>();
    document->setPageSize(pageSize);
    document->setDocumentMargin(qreal(job.pageMargin));
    // What is printed is built from the text or from the page, and the
    // other goes at once.
    QString text = readableText(section);
    wrapAnywhereIfUnbreakable(*document, text);
    if (readsAsItself(text)) {
        page.clear();
        const QByteArray sample = buildHtmlPage(QByteArrayLiteral("x"), job.fontSize, fontFace, job.bold);
        return std::make_unique<PlainPagePieces>(*document, readableText(sample), std::move(text));
    }
    text.clear();
    const bool gapsOpen = splitHtmlOneParagraphPerLine(*document, readableText(std::exchange(page, QByteArray())));
    return std::make_unique<OwnDocumentPieces>(std::move(document), gapsOpen);
}

} // namespace

bool printHtmlDocument(const PrintJob &job, PrintControl &control)
{
    const QString &face = job.fontFace;
    if (!face.isEmpty())
        qDebug() << "COM FONTE";
    else
        qDebug() << "is empty";
    const QByteArray fontFace = face.isEmpty() ? QByteArray("Courier New") : face.toLocal8Bit();
    const std::unique_ptr<QueuePage> page = queuePage(job.printerName, control);
    if (!page)
        return false;
    const QRect area = page->layout.paintRectPixels(page->resolution);
    const QSizeF pageSize(area.right() - area.left() + 1, area.bottom() - area.top() + 1);
    receipt::ReceiptReading reading;
    if (readTaggedReceipt(job, reading)) {
        // The page's font, size and weight, as a text's page has them.
        QTextDocument document;
        document.setPageSize(pageSize);
        document.setDocumentMargin(qreal(job.pageMargin));
        ReceiptLook look;
        look.font = QFont(QString::fromLocal8Bit(fontFace));
        if (job.fontSize > 0)
            look.font.setPixelSize(job.fontSize);
        look.font.setBold(job.bold);
        look.columns = job.columns;
        return printReceipt(reading, document, look, *page, control, cutPart(job));
    }
    // A form feed starts a new page.
    const QList<QByteArray> sections = formFeedPages(job.fileData);
    SectionedPages pages(sections.size(), [&](int index) { return htmlSection(sections[index], job, fontFace, pageSize); });
    return pages.whole() && printPages(pages, *page, control, cutPart(job)) && pages.whole();
}
