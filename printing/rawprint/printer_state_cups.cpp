// A CUPS queue's state: one Get-Printer-Attributes request over a bounded
// connection of our own (cups_link.h), so a scheduler that stops answering
// ends the query at the control's limit.

#include "printer_state.h"

#include "cups_link.h"
#include "print_control.h"

#include <algorithm>

PrinterState queryPrinterState(const char *printerName, PrintControl *control)
{
    PrintControl ownControl;
    if (!control)
        control = &ownControl;
    WaitScope wait(control);

    // "queue/instance" names an instance of a queue; the state is the queue's.
    std::string queue(printerName ? printerName : "");
    queue.erase(std::min(queue.find('/'), queue.size()));
    if (queue.empty())
        return PrinterState::withReply(PrinterState::Reply::notFound);

    CupsLink link(control);
    if (!link.connect())
        return PrinterState::withReply(PrinterState::Reply::noAnswer);

    static const char *const wanted[] = {"printer-state", "printer-state-reasons",
                                         "printer-state-message", "printer-is-accepting-jobs",
                                         "queued-job-count"};
    ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    CupsLink::addPrinter(request, queue);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(sizeof wanted / sizeof *wanted), nullptr, wanted);
    ipp_t *response = link.send(request, "/");
    if (!response)
        return PrinterState::withReply(PrinterState::Reply::noAnswer);

    const ipp_status_t status = ippGetStatusCode(response);
    if (status > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        // Any other refusal leaves the state unknown, as no answer does.
        return PrinterState::withReply(status == IPP_STATUS_ERROR_NOT_FOUND ? PrinterState::Reply::notFound
                                                              : PrinterState::Reply::noAnswer);
    }

    ipp_attribute_t *attribute = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    const int printerState = attribute ? ippGetInteger(attribute, 0) : IPP_PSTATE_IDLE;
    std::vector<std::string> reasons;
    if ((attribute = ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD))) {
        for (int i = 0; i < ippGetCount(attribute); ++i) {
            const char *reason = ippGetString(attribute, i, nullptr);
            if (reason)
                reasons.emplace_back(reason);
        }
    }
    std::string message;
    if ((attribute = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))) {
        const char *text = ippGetString(attribute, 0, nullptr);
        message = text ? text : "";
    }
    attribute = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    const bool accepting = !attribute || ippGetBoolean(attribute, 0);
    attribute = ippFindAttribute(response, "queued-job-count", IPP_TAG_INTEGER);
    const int jobs = attribute ? ippGetInteger(attribute, 0) : 0;
    ippDelete(response);
    return printerStateFromCups(printerState, reasons, message, accepting, jobs);
}
