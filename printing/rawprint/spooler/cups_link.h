#ifndef ORVANE_CUPS_LINK_H
#define ORVANE_CUPS_LINK_H

#include <cups/cups.h>

#include <cstdint>
#include <string>

class PrintControl;

// A connection of our own to the CUPS scheduler named by cupsServer()
// (CUPS_SERVER, client.conf or the local default), whose every wait ends
// once the print control says stop. A scheduler that is answering is
// waited for: every byte of an answer is progress, and only silence as long
// as the control's limit stops a wait. (libcups's own reading of an answer
// gives up on a body that pauses for one waitSlice, answer or not.)
//
// A scheduler can stop answering without closing its port, and libcups then
// waits for ever; httpSetTimeout bounds our connection's waits. Requests are
// built by hand and sent here: libcups's convenience calls (cupsGetNamedDest,
// cupsCreateJob, cupsGetDests) fall back to the default connection, with no
// bound, when the first request gets no answer. The connection names the
// server with the very text of cupsServer(): the scheduler refuses a job
// created through another name for itself (0x0406).
class CupsLink
{
public:
    // How often a wait asks the control whether to go on, in seconds.
    static constexpr double waitSlice = 0.5;

    explicit CupsLink(PrintControl *control);
    ~CupsLink();
    CupsLink(const CupsLink &) = delete;
    CupsLink &operator=(const CupsLink &) = delete;

    // Connects, giving the connection itself up to the control's limit
    // (at most a minute). False: no scheduler answers.
    bool connect();
    void disconnect();
    http_t *http() const { return connection; }

    // A wait was cut short, or a request spoiled: the connection is out of
    // step with the scheduler and takes no more requests.
    bool broken() const { return spoiled; }
    void spoil() { spoiled = true; }

    // The scheduler asked who we are, and no password was given.
    bool askedForPassword() const { return passwordWanted; }

    // Sends the request (which it takes) to the resource and returns the
    // scheduler's answer, whatever its status; null when none came in time
    // or the connection is broken. The request is a wait of the control.
    // OnGoAhead: the body goes only once the scheduler has read the header
    // and said so, for a request that must never be carried out late.
    enum class Body { WithHeader, OnGoAhead };
    ipp_t *send(ipp_t *request, const char *resource, Body body = Body::WithHeader);

    // Sends the request (which it takes) as the start of a body that a
    // document of documentLength bytes completes; the caller writes the
    // document with httpWrite2(), and receive() reads the answer.
    // The body's length is said up front: the scheduler drops the document
    // of a body sent in chunks whose first chunk pauses after its size line
    // for a second, as a slow link may make it do. False: the connection is
    // broken.
    bool startWithDocument(ipp_t *request, const char *resource, std::uint64_t documentLength);

    // Reads the answer to the request under way (one whose document went
    // out), as send() does. A document shorter than its said length breaks
    // the connection: the scheduler would wait for the rest.
    ipp_t *receive();

    // A connection to the same scheduler with a plain deadline of its own.
    // A password the scheduler asks for on it is never given.
    static http_t *connectToScheduler(int timeoutMs);

    // The URI libcups itself gives a queue of the scheduler, and the user.
    static void addPrinter(ipp_t *request, const std::string &queue);

private:
    // Asked by libcups after every waitSlice without an answer.
    static int keepWaiting(http_t *, void *link);
    // Gives the IPP reader the answer's body as it comes: each byte is
    // progress, and only silence counts towards the limit.
    static ssize_t readBody(void *link, ipp_uchar_t *buffer, size_t length);

    http_status_t sendOnGoAhead(ipp_t *request, const char *resource);
    // The header of a request whose body is `length` bytes long.
    bool post(const char *resource, std::uint64_t length, bool onGoAhead);
    // The request itself, once the header is out.
    bool writeRequest(ipp_t *request);
    enum class Answer { Received, Unauthorised, Failed };
    Answer receiveAnswer(ipp_t **response);

    PrintControl *const control;
    http_t *connection = nullptr;
    bool spoiled = false;
    bool passwordWanted = false;
};

#endif
