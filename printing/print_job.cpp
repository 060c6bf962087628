#include "print_job.h"

#include "device_status.h"
#include "direct_port.h"
#include "direct_text.h"
#include "network_printer.h"
#include "page_printing.h"
#include "port_target.h"
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
    static const char before[] = "impressao baixo nivel \n";
    static const char after[] = "textPlain fim ****** \n";
    const EchoFirst echoText = {{before, sizeof before - 1},
                                {text.constData(), std::size_t(text.size())},
                                {after, sizeof after - 1}};
    const QByteArray name = job.printerName.toLocal8Bit();
    return sendPartsToPrinter(name.constData(),
                              {SpoolPart{text.constData(), text.size(), "RAW"}, cutPart(job)}, &control,
                              echoText);
}

// A printer that cannot print now keeps the receipt: nothing is sent.
bool refusedByStatus(const DeviceStatus &status, QString *problem)
{
    if (!deviceStatusRefuses(status))
        return false;
    const std::string text = deviceStatusText(status);
    std::cout << "impressao recusada, nada foi enviado: estado da impressora: " << text << std::endl;
    if (problem)
        *problem = QString::fromStdString(text);
    return true;
}

// A receipt printer on the network: the text and then the cut on one
// connection, so nothing of another till's comes between them, and no
// spooler queue is needed. The printer is asked how it is on the same
// connection before and after.
bool printToNetworkPrinter(const PrintJob &job, PrintControl &control, const PortTarget &target, QString *problem)
{
    // Framed before the printer is held: one that takes one client at a
    // time is kept from the other till no longer than the print needs.
    const QByteArray text = rawText(job, LineEnds::CrLf);
    if (text.isNull())
        return false;
    NetworkPrinter printer(target, control);
    if (!printer.open() || refusedByStatus(askDeviceStatus(printer), problem))
        return false;
    // A print that may have gone out in part is never sent again by itself.
    if (!printer.write(text.constData(), size_t(text.size()))
        || !printer.write(job.cutSequence.constData(), size_t(job.cutSequence.size())))
        return false;
    // Asked before the last byte is known taken: the answer comes after the
    // printer read the whole receipt, and brings the acknowledgement with it
    // (a printer that only acknowledges would do so some 40 ms later).
    const DeviceStatus after = askDeviceStatus(printer);
    if (!printer.finish() || control.abandoned())
        return false;
    // Paper that ran out during the print: the operator checks the receipt.
    if (after.paperOut) {
        const char *text = "a impressora ficou sem papel durante a impressão";
        std::cout << "escrita direta: " << text << std::endl;
        if (problem)
            *problem = QString::fromUtf8(text);
        return false;
    }
    return true;
}

bool printToDirectPort(const PrintJob &job, PrintControl &control, QString *problem)
{
    const PortTarget target = parsePortTarget(job.directTarget.toLocal8Bit().toStdString());
    if (target.kind == PortTarget::Kind::network)
        return printToNetworkPrinter(job, control, target, problem);
    // A port that talks back is asked first (the port is not held meanwhile).
    if (deviceCanAnswer(target) && refusedByStatus(queryDeviceStatus(target), problem))
        return false;
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

bool printsToNetwork(const PrintJob &job)
{
    return job.level == QLatin1String("escrita direta")
           && parsePortTarget(job.directTarget.toLocal8Bit().toStdString()).kind == PortTarget::Kind::network;
}

bool runPrintJob(const PrintJob &job, PrintControl &control, QString *problem)
{
    // A tag that cannot be carried out stops the print before any road
    // starts: no job, no cut, no port emptied.
    const QString refusal = receiptProblem(job);
    if (!refusal.isEmpty()) {
        sayReceiptRefused(refusal);
        return false;
    }
    bool printed = false;
    if (job.level == QLatin1String("baixo"))
        printed = printRawDocument(job, control);
    else if (job.level == QLatin1String("escrita direta"))
        printed = printToDirectPort(job, control, problem);
    else if (job.level == QLatin1String("medio"))
        printed = printPlainDocument(job, control);
    else if (job.level == QLatin1String("alto"))
        printed = printHtmlDocument(job, control);
    // A print the window has given up on is a failure, whatever came of it.
    // The cut went with the print, in its job, on the roads of the spooler.
    return printed && !control.abandoned();
}
