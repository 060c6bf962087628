#include "page_output.h"

#include "page_painter.h"
#include "print_control.h"
#include "raw_spooler.h"

#include <QBuffer>
#include <QDebug>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>

namespace {

// Qt 5's QByteArray holds just under 2 GiB; a PDF that would pass this
// stops growing between pages, before the array fails.
const qint64 largestPdf = qint64(1800) << 20;

} // namespace

QByteArray pagesAsPdf(PageSource &pages, const QPageLayout &layout, int resolution,
                      const std::function<bool()> &abandoned)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    bool tooLarge = false;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(resolution);
        writer.setPageLayout(layout);
        const auto stop = [&] {
            tooLarge = buffer.size() > largestPdf;
            return tooLarge || (abandoned && abandoned());
        };
        if (!paintPages(pages, &writer, stop)) {
            if (tooLarge)
                qWarning().noquote() << QStringLiteral("impressão recusada: o PDF passaria de %1 MiB").arg(largestPdf >> 20);
            return {};
        }
    }
    // The writer ends the file with its cross-reference table and the
    // mark of the end.
    if (!pdf.endsWith("%%EOF\n"))
        return {};
    return pdf;
}

#ifdef Q_OS_WIN

bool printPages(PageSource &pages, QueuePage &page, PrintControl &control, const SpoolPart &cut)
{
    QPrinter &printer = *page.printer;
    // The painter may not begin, or the driver fail: the printer's state tells.
    if (!paintPages(pages, &printer, [&control] { return control.abandoned(); })
        || printer.printerState() == QPrinter::Error || control.abandoned())
        return false;
    // The driver's job is the toolkit's: the cut follows as a job of its own.
    sendRawToPrinter(page.queue.constData(), cut.data, cut.length, &control);
    return true;
}

#else

bool printPages(PageSource &pages, QueuePage &page, PrintControl &control, const SpoolPart &cut)
{
    // The queue's page, on paper that Qt's PDF output paints like its CUPS
    // output would have.
    const QByteArray pdf = pagesAsPdf(pages, page.layout, page.resolution, [&control] { return control.abandoned(); });
    if (pdf.isEmpty())
        return false;
    // The pages and their cut as one job: no other job comes between them.
    return sendPartsToPrinter(page.queue.constData(),
                              {SpoolPart{pdf.constData(), pdf.size(), "application/pdf"}, cut}, &control);
}

#endif
