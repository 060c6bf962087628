#include "print_job.h"

#include "direct_port.h"
#include "direct_text.h"
#include "page_printing.h"
#include "print_control.h"
#include "raw_spooler.h"

#include <iostream>

namespace {

// The framed text: the one made before the press, or made now.
QByteArray rawText(const PrintJob &job, LineEnds ends)
{
    return job.framedAhead.valid() ? job.framedAhead.get() : directText(job, ends);
}

// The text and its cut as one job: no other till's receipt comes between.
bool printRawDocument(const PrintJob &job, PrintControl &control)
{
    const QByteArray text = rawText(job, LineEnds::Lf);
    if (text.isNull())
        return false;
    // The text's echo goes first on the report's stream, written beside
    // the print like the report's own copies.
    const auto echoText = [&text](std::ostream &out) {
        out << "impressao baixo nivel \n";
        out.write(text.constData(), text.size());
        out << "textPlain fim ****** \n" << std::flush;
    };
    const QByteArray name = job.printerName.toLocal8Bit();
    return sendPartsToPrinter(name.constData(),
                              {SpoolPart{text.constData(), text.size(), "RAW"}, cutPart(job)}, &control,
                              echoText);
}

bool printToDirectPort(const PrintJob &job, PrintControl &control)
{
    // The target is opened (and emptied) before the text is prepared.
    DirectPortWriter port(job.directTarget.toLocal8Bit().toStdString(), &control);
    const QByteArray text = rawText(job, LineEnds::CrLf);
    const bool written = !text.isNull() && port.write(text.constData(), size_t(text.size()));
    if (!port.close() || !written || control.abandoned())
        return false;
    // The cut always follows the print, through the spooler, also when the
    // text went to a port.
    sendCutCommand(job, control);
    return true;
}

} // namespace

void sendCutCommand(const PrintJob &job, PrintControl &control)
{
    const QByteArray name = job.printerName.toLocal8Bit();
    sendRawToPrinter(name.constData(), job.cutSequence.constData(), job.cutSequence.size(), &control);
}

bool runPrintJob(const PrintJob &job, PrintControl &control)
{
    // A tag that cannot be carried out stops the print before any road
    // starts: no job, no cut, no port emptied.
    const QString problem = receiptProblem(job);
    if (!problem.isEmpty()) {
        sayReceiptRefused(problem);
        return false;
    }
    bool printed = false;
    if (job.level == QLatin1String("baixo"))
        printed = printRawDocument(job, control);
    else if (job.level == QLatin1String("escrita direta"))
        printed = printToDirectPort(job, control);
    else if (job.level == QLatin1String("medio"))
        printed = printPlainDocument(job, control);
    else if (job.level == QLatin1String("alto"))
        printed = printHtmlDocument(job, control);
    // A print the window has given up on is a failure, whatever came of it.
    // The cut went with the print, in its job, on the roads of the spooler.
    return printed && !control.abandoned();
}
