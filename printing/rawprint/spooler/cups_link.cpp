#include "cups_link.h"

#include "password_prompt.h"
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

ipp_t *CupsLink::send(ipp_t *request, const char *resource, Body body)
{
    ipp_t *response = nullptr;
    // A scheduler that asks who we are gets libcups's answer, then the
    // request again.
    for (int attempt = 0; attempt < 3 && connection && !spoiled; ++attempt) {
        control->beginWait();
        const http_status_t sent = body == Body::OnGoAhead ? sendOnGoAhead(request, resource)
                                                           : cupsSendRequest(connection, request, resource,
                                                                             ippLength(request));
        if (sent == HTTP_STATUS_ERROR || spoiled) {
            spoiled = true;
            break;
        }
        const Answer answer = sent == HTTP_STATUS_UNAUTHORIZED ? Answer::Unauthorised
                                                               : receiveAnswer(&response);
        if (answer != Answer::Unauthorised)
            break;
        httpFlush(connection);
        // A password is never given (password_prompt.h): a scheduler that
        // wants one fails the request at once.
        if (cupsDoAuthentication(connection, "POST", resource) != 0) {
            passwordWanted = true;
            break;
        }
    }
    ippDelete(request);
    return response;
}

// The header asks the scheduler to say "100 Continue" before the body goes.
// A scheduler that never says it never gets the body, and cannot carry the
// request out when it wakes after we gave up on it.
http_status_t CupsLink::sendOnGoAhead(ipp_t *request, const char *resource)
{
    if (!post(resource, ippLength(request), true))
        return HTTP_STATUS_ERROR;
    // Waits slice by slice; the control's limit ends it with an error.
    const http_status_t goAhead = httpUpdate(connection);
    if (goAhead != HTTP_STATUS_CONTINUE) {
        if (goAhead != HTTP_STATUS_ERROR && !spoiled)
            httpFlush(connection);
        return goAhead == HTTP_STATUS_UNAUTHORIZED ? goAhead : HTTP_STATUS_ERROR;
    }
    control->beginWait();
    return writeRequest(request) ? HTTP_STATUS_CONTINUE : HTTP_STATUS_ERROR;
}

bool CupsLink::startWithDocument(ipp_t *request, const char *resource, std::uint64_t documentLength)
{
    const bool started = connection && !spoiled
                         && post(resource, ippLength(request) + documentLength, false)
                         && writeRequest(request);
    ippDelete(request);
    if (!started)
        spoiled = true;
    return started;
}

bool CupsLink::post(const char *resource, std::uint64_t length, bool onGoAhead)
{
    httpClearFields(connection);
    if (onGoAhead)
        httpSetExpect(connection, HTTP_STATUS_CONTINUE);
    httpSetField(connection, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
    if (const char *authorisation = httpGetAuthString(connection))
        httpSetField(connection, HTTP_FIELD_AUTHORIZATION, authorisation);
    httpSetLength(connection, static_cast<size_t>(length));
    return httpPost(connection, resource) == 0;
}

bool CupsLink::writeRequest(ipp_t *request)
{
    ippSetState(request, IPP_STATE_IDLE);
    ipp_state_t state;
    while ((state = ippWrite(connection, request)) != IPP_STATE_DATA)
        if (state == IPP_STATE_ERROR)
            return false;
    return true;
}

ipp_t *CupsLink::receive()
{
    ipp_t *response = nullptr;
    if (connection && !spoiled) {
        control->beginWait();
        // The body ends when its last byte is written.
        if (httpGetState(connection) == HTTP_STATE_POST_RECV) {
            spoiled = true;
            return nullptr;
        }
        if (receiveAnswer(&response) == Answer::Unauthorised) {
            passwordWanted = true;
            spoiled = true;
        }
    }
    return response;
}

CupsLink::Answer CupsLink::receiveAnswer(ipp_t **response)
{
    *response = nullptr;
    // The header: libcups waits for it and asks keepWaiting every slice.
    http_status_t status;
    do {
        status = httpUpdate(connection);
    } while (status == HTTP_STATUS_CONTINUE && !spoiled);
    if (spoiled || status == HTTP_STATUS_ERROR) {
        spoiled = true;
        return Answer::Failed;
    }
    if (status == HTTP_STATUS_UNAUTHORIZED)
        return Answer::Unauthorised;
    if (status != HTTP_STATUS_OK) {
        httpFlush(connection);
        return Answer::Failed;
    }
    // The body, read by hand so that a pause inside it is waited for.
    ipp_t *answer = ippNew();
    ipp_state_t state;
    while ((state = ippReadIO(this, readBody, 1, nullptr, answer)) != IPP_STATE_DATA) {
        if (state == IPP_STATE_ERROR || spoiled) {
            ippDelete(answer);
            spoiled = true;
            return Answer::Failed;
        }
    }
    *response = answer;
    return Answer::Received;
}

ssize_t CupsLink::readBody(void *data, ipp_uchar_t *buffer, size_t length)
{
    CupsLink *self = static_cast<CupsLink *>(data);
    const int sliceMs = static_cast<int>(waitSlice * 1000);
    size_t got = 0;
    while (got < length) {
        while (!httpWait(self->connection, sliceMs)) {
            if (self->control->shouldStop()) {
                self->spoiled = true;
                return -1;
            }
        }
        const ssize_t read = httpRead2(self->connection, reinterpret_cast<char *>(buffer) + got, length - got);
        if (read <= 0 || self->spoiled)
            return got > 0 ? static_cast<ssize_t>(got) : -1;
        got += static_cast<size_t>(read);
        self->control->beginWait();
    }
    return static_cast<ssize_t>(got);
}

http_t *CupsLink::connectToScheduler(int timeoutMs)
{
    refusePasswordPrompts();
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
