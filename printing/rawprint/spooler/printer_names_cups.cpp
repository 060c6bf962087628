// The scheduler's queues and classes: one CUPS-Get-Printers request over a
// bounded connection of our own (cups_link.h), so a scheduler that stops
// answering ends the question at the control's limit.

#include "printer_names.h"

#include "cups_link.h"
#include "print_control.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace {

// The instances ("queue/instance") that lpoptions defines, the system's
// file first, then the user's: libcups lists them beside their queues, and
// a saved printer may be one.
std::vector<std::string> instancesInLpoptions()
{
    std::vector<std::string> files;
    const char *serverRoot = std::getenv("CUPS_SERVERROOT");
    files.push_back(std::string(serverRoot ? serverRoot : "/etc/cups") + "/lpoptions");
    if (const char *home = std::getenv("HOME"))
        files.push_back(std::string(home) + "/.cups/lpoptions");
    std::vector<std::string> instances;
    for (const std::string &file : files) {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string keyword, name;
            words >> keyword >> name;
            const bool dest = strcasecmp(keyword.c_str(), "Dest") == 0 || strcasecmp(keyword.c_str(), "Default") == 0;
            if (dest && name.find('/') != std::string::npos
                && std::find(instances.begin(), instances.end(), name) == instances.end())
                instances.push_back(name);
        }
    }
    std::sort(instances.begin(), instances.end());
    return instances;
}

// Each instance right after its queue, as libcups lists them.
void addInstances(std::vector<std::string> &names)
{
    for (const std::string &instance : instancesInLpoptions()) {
        const std::string queue = instance.substr(0, instance.find('/'));
        auto at = std::find(names.begin(), names.end(), queue);
        if (at == names.end())
            continue;
        while (at + 1 != names.end() && (at + 1)->compare(0, queue.size() + 1, queue + "/") == 0)
            ++at;
        names.insert(at + 1, instance);
    }
}

} // namespace

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
    addInstances(printers.names);
    return printers;
}
