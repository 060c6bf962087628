#include "cups_link.h"

#include "print_control.h"

#include <algorithm>
#include <sys/socket.h>

CupsLink::CupsLink(PrintControl *control)
    : control(control)
{
}

CupsLink::~CupsLink()
{
    disconnect();
}

bool CupsLink::connect()
{
    if (connection)
        return true;
    const long long limit = control->noAnswerLimit().count();
    connection = connectToScheduler(static_cast<int>(std::min<long long>(limit, 60000)));
    if (!connection)
        return false;
    httpSetTimeout(connection, waitSlice, keepWaiting, this);
    return true;
}

void CupsLink::disconnect()
{
    httpClose(connection);
    connection = nullptr;
    spoiled = false;
}

ipp_t *CupsLink::send(ipp_t *request, const char *resource)
{
    if (!connection || spoiled) {
        ippDelete(request);
        return nullptr;
    }
    control->beginWait();
    ipp_t *response = cupsDoRequest(connection, request, resource);
    if (response && !spoiled)
        return response;
    ippDelete(response);
    return nullptr;
}

http_t *CupsLink::connectToScheduler(int timeoutMs)
{
    return httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeoutMs,
                        nullptr);
}

void CupsLink::addPrinter(ipp_t *request, const std::string &queue)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
}

int CupsLink::keepWaiting(http_t *, void *data)
{
    CupsLink *self = static_cast<CupsLink *>(data);
    if (!self->control->shouldStop())
        return 1;
    self->spoiled = true;
    return 0;
}
