// A CUPS queue's state: one Get-Printer-Attributes request over a bounded
// connection of our own (cups_link.h), so a scheduler that stops answering
// ends the query at the control's limit.

#include "printer_state.h"

#include "cups_link.h"
#include "print_control.h"

#include <algorithm>
#include <cstring>

namespace {

// How many of the queue's unfinished jobs are held with no release
// ("indefinite"): they never print by themselves, so they are not waiting
// their turn. -1 when the scheduler did not say.
int jobsHeldForEver(CupsLink &link, const std::string &queue)
{
    static const char *const wanted[] = {"job-state", "job-hold-until"};
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOBS);
    CupsLink::addPrinter(request, queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(sizeof wanted / sizeof *wanted), nullptr, wanted);
    ipp_t *response = link.send(request, "/");
    if (!response)
        return -1;
    int held = ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING ? -1 : 0;
    // Each job's attributes follow a group separator; a job counts once both
    // of its attributes were seen.
    int state = 0;
    bool indefinite = false;
    auto endOfJob = [&] {
        if (held >= 0 && state == IPP_JSTATE_HELD && indefinite)
            ++held;
        state = 0;
        indefinite = false;
    };
    for (ipp_attribute_t *attribute = ippFirstAttribute(response); attribute;
         attribute = ippNextAttribute(response)) {
        const char *name = ippGetName(attribute);
        if (!name) {
            endOfJob();
        } else if (std::strcmp(name, "job-state") == 0) {
            state = ippGetInteger(attribute, 0);
        } else if (std::strcmp(name, "job-hold-until") == 0) {
            const char *until = ippGetString(attribute, 0, nullptr);
            indefinite = until && std::strcmp(until, "indefinite") == 0;
        }
    }
    endOfJob();
    ippDelete(response);
    return held;
}

} // namespace

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
    int jobs = attribute ? ippGetInteger(attribute, 0) : 0;
    ippDelete(response);
    if (jobs > 0) {
        const int held = jobsHeldForEver(link, queue);
        if (held < 0)
            return PrinterState::withReply(PrinterState::Reply::noAnswer);
        jobs -= held;
    }
    return printerStateFromCups(printerState, reasons, message, accepting, jobs);
}
