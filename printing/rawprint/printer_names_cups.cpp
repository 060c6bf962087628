// The scheduler's queues and classes: one CUPS-Get-Printers request over a
// bounded connection of our own (cups_link.h), so a scheduler that stops
// answering ends the question at the control's limit.

#include "printer_names.h"

#include "cups_link.h"
#include "print_control.h"

#include <cstring>

PrinterNames listPrinters(PrintControl *control)
{
    PrintControl ownControl;
    if (!control)
        control = &ownControl;
    WaitScope wait(control);

    PrinterNames printers;
    CupsLink link(control);
    if (!link.connect())
        return printers;
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t *response = link.send(request, "/");
    if (!response)
        return printers;
    const ipp_status_t status = ippGetStatusCode(response);
    // No printer at all is an answer too.
    printers.answered = status <= IPP_STATUS_OK_CONFLICTING || status == IPP_STATUS_ERROR_NOT_FOUND;
    for (ipp_attribute_t *attribute = ippFirstAttribute(response); printers.answered && attribute;
         attribute = ippNextAttribute(response)) {
        const char *name = ippGetName(attribute);
        const char *value = ippGetString(attribute, 0, nullptr);
        if (name && value && std::strcmp(name, "printer-name") == 0)
            printers.names.emplace_back(value);
    }
    ippDelete(response);
    return printers;
}
