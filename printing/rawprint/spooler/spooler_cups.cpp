// The spooler on every platform but Windows: the CUPS scheduler named by
// cupsServer() (CUPS_SERVER, client.conf or the local default), over a
// connection of our own whose waits end once the print control says stop
// (cups_link.h).
//
// A job is held from its creation until the scheduler has accepted its
// whole document. A scheduler that wakes after we gave up drops a document
// that was cut off, and keeps a complete one held; the cancel sent by
// close() reaches it when it wakes. The release itself is sent only to a
// scheduler that has just shown it is awake (see releaseJob()). Either way
// the job never prints. A job whose cancel was lost, or whose run was
// killed, stays held until the next print or the next start of the program
// cancels it (stale_jobs.h).

#include "spooler_backend.h"

#include "cups_link.h"
#include "print_control.h"
#include "stale_jobs.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <strings.h>

namespace {

// The document goes out in pieces; each one taken is progress, so a slow
// scheduler that keeps taking them is not cut off.
const std::uint32_t pieceSize = 64 * 1024;
// The cancel of a job we gave up on has a bound of its own: the control
// already says stop.
const int cancelLimitMs = 3000;

using Clock = std::chrono::steady_clock;


class CupsSpooler final : public SpoolerBackend
{
public:
    explicit CupsSpooler(PrintControl *control)
        : control(control ? control : &ownControl)
        , link(this->control)
    {
    }

    ~CupsSpooler() override { close(); }

    bool available() override
    {
        if (!link.connect()) {
            noteError();
            return false;
        }
        return true;
    }

    bool open(const char *printerName) override
    {
        close();
        if (!printerName || !*printerName) {
            noteError(IPP_STATUS_ERROR_NOT_FOUND);
            return false;
        }
        // "queue/instance" names an instance of a queue; the job goes to the queue.
        std::string name(printerName);
        name.erase(std::min(name.find('/'), name.size()));

        ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        CupsLink::addPrinter(request, name);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "printer-name");
        ipp_t *response = ask(request, "/");
        ipp_attribute_t *found = response ? ippFindAttribute(response, "printer-name", IPP_TAG_NAME)
                                          : nullptr;
        if (found)
            queue = ippGetString(found, 0, nullptr);
        else if (response)
            noteError(IPP_STATUS_ERROR_NOT_FOUND);
        ippDelete(response);
        opened = found != nullptr;
        return opened;
    }

    bool hasHandle() const override { return opened; }

    std::uint32_t startDocument(const char *documentName, const char *) override
    {
        if (!opened || jobId != 0) {
            noteError(IPP_STATUS_ERROR_INTERNAL);
            return 0;
        }
        // A run of ours that ended or gave up while a job was held may have
        // left it so: it goes before the next one is made.
        if (jobsMayBeLeft())
            cancelJobsThisRunLeft(static_cast<int>(control->noAnswerLimit().count()));

        // Held from its creation until its whole document is in: see
        // endDocument(). The job carries the tag of this run, so that a
        // job left held by a run that was killed is found and cancelled.
        ipp_t *request = ippNewRequest(IPP_OP_CREATE_JOB);
        CupsLink::addPrinter(request, queue);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, documentName);
        ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-hold-until", nullptr, "indefinite");
        ippAddString(request, IPP_TAG_JOB, IPP_TAG_NAME, runTagAttribute, nullptr, thisRunTag().c_str());
        ipp_t *response = ask(request, resource().c_str());
        ipp_attribute_t *id = response ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
        if (id)
            jobId = ippGetInteger(id, 0);
        else if (response)
            noteError(IPP_STATUS_ERROR_INTERNAL);
        else if (link.broken())
            // The scheduler may have made the job without our hearing of it.
            noteJobMayBeLeft();
        ippDelete(response);
        if (jobId <= 0) {
            jobId = 0;
            return 0;
        }
        documentTitle = documentName;
        jobFinished = false;
        bytesSent = 0;
        return static_cast<std::uint32_t>(jobId);
    }

    bool startPart(const char *dataType, std::uint64_t length, bool last) override
    {
        if (jobId == 0 || sending || jobFinished || link.broken()) {
            noteError(link.broken() ? IPP_STATUS_ERROR_SERVICE_UNAVAILABLE : IPP_STATUS_ERROR_INTERNAL);
            return false;
        }
        const char *format = (dataType && strcasecmp(dataType, "RAW") == 0) ? CUPS_FORMAT_RAW
                                                                             : dataType;
        ipp_t *request = ippNewRequest(IPP_OP_SEND_DOCUMENT);
        CupsLink::addPrinter(request, queue);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, documentTitle.c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, format);
        ippAddBoolean(request, IPP_TAG_OPERATION, "last-document", last ? 1 : 0);
        control->beginWait();
        if (!link.startWithDocument(request, resource().c_str(), length)) {
            noteRequestError();
            // close() cancels the job that was created.
            return false;
        }
        sending = true;
        lastPart = last;
        return true;
    }

    bool write(const char *data, std::uint32_t length, std::uint32_t *written) override
    {
        if (written)
            *written = 0;
        if (!sending || link.broken()) {
            noteError(link.broken() ? IPP_STATUS_ERROR_SERVICE_UNAVAILABLE : IPP_STATUS_ERROR_INTERNAL);
            return false;
        }
        for (std::uint32_t at = 0; at < length;) {
            const std::uint32_t piece = std::min(length - at, pieceSize);
            control->beginWait();
            // Not cupsWriteRequestData(): once the last byte is out it may
            // take the first line of the scheduler's answer as an error.
            if (httpWrite2(link.http(), data + at, piece) < 0 || link.broken()) {
                noteRequestError();
                // The request is spoiled: close() drops the connection.
                link.spoil();
                return false;
            }
            at += piece;
            bytesSent += piece;
        }
        if (written)
            *written = length;
        return true;
    }

    // Ends the part and reads the scheduler's answer to it. Not
    // cupsFinishDocument(): after a wait cut short it returns the status of
    // the request before, which may be a success.
    bool endPart() override
    {
        if (!sending || link.broken()) {
            noteError(link.broken() ? IPP_STATUS_ERROR_SERVICE_UNAVAILABLE : IPP_STATUS_ERROR_INTERNAL);
            return false;
        }
        sending = false;
        ipp_t *response = link.receive();
        const ipp_status_t status = response ? ippGetStatusCode(response) : IPP_STATUS_ERROR_INTERNAL;
        ippDelete(response);
        if (!response) {
            noteRequestError();
            link.spoil();
            return false;
        }
        if (status <= IPP_STATUS_OK_CONFLICTING)
            return true;
        if (bytesSent == 0 && lastPart) {
            // The scheduler refuses a job with no bytes ("No file in print
            // request") and would keep it held. There is nothing to print:
            // cancelling the empty job completes it.
            if (cancelJob()) {
                jobFinished = true;
                return true;
            }
        }
        noteError(status);
        return false;
    }

    // CUPS has no pages in a raw document.
    bool endPage() override { return true; }

    bool endDocument() override
    {
        if (jobFinished)
            return true; // the empty job, already completed
        if (jobId == 0 || sending || link.broken()) {
            noteError(link.broken() ? IPP_STATUS_ERROR_SERVICE_UNAVAILABLE : IPP_STATUS_ERROR_INTERNAL);
            return false;
        }
        // The whole document is in: only now may the job print, and not if
        // the window has given up on it meanwhile.
        if (control->abandoned() || !releaseJob()) {
            noteError(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
            return false;
        }
        jobFinished = true;
        return true;
    }

    void close() override
    {
        // A job that was created and not released must not stay in the queue.
        if (jobId != 0 && !jobFinished) {
            // A document still open, or a wait cut short, spoils the
            // connection: dropping it makes the scheduler discard what it
            // got of the document.
            if (sending || link.broken())
                link.disconnect();
            if (!cancelJob())
                noteJobMayBeLeft();
        }
        sending = false;
        jobId = 0;
        jobFinished = false;
        opened = false;
    }

    // The error of the first operation that failed: clean-up requests made
    // after it (the cancel in close()) do not hide it.
    std::uint32_t lastError() const override
    {
        return haveError ? error : static_cast<std::uint32_t>(cupsLastError());
    }

    bool askedForPassword() const override { return link.askedForPassword(); }

private:
    std::string resource() const { return "/printers/" + queue; }

    // Sends the request on our connection and returns the scheduler's
    // answer if it is a success; otherwise null, the error noted.
    ipp_t *ask(ipp_t *request, const char *path, CupsLink::Body body = CupsLink::Body::WithHeader)
    {
        const bool ready = link.http() && !link.broken();
        ipp_t *response = link.send(request, path, body);
        if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING)
            return response;
        if (response)
            noteError(ippGetStatusCode(response));
        else if (!ready)
            noteError(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
        else
            noteRequestError();
        ippDelete(response);
        return nullptr;
    }

    // Release-Job of our job. Its body goes only once the scheduler has
    // said it is reading: a release sent into a scheduler that has stopped
    // would be carried out when it wakes, maybe before the cancel that
    // follows our giving up, and the receipt would print after the failure.
    bool releaseJob()
    {
        ipp_t *request = ippNewRequest(IPP_OP_RELEASE_JOB);
        CupsLink::addPrinter(request, queue);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
        ipp_t *response = ask(request, "/jobs/", CupsLink::Body::OnGoAhead);
        const bool done = response != nullptr;
        ippDelete(response);
        return done;
    }

    // Over a connection of its own, with a bound of its own: the scheduler
    // may not answer, but a request it got is carried out when it wakes.
    bool cancelJob()
    {
        http_t *connection = CupsLink::connectToScheduler(cancelLimitMs);
        if (!connection)
            return false;
        Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(cancelLimitMs);
        httpSetTimeout(connection, CupsLink::waitSlice, beforeDeadline, &deadline);
        const bool cancelled = cupsCancelJob2(connection, queue.c_str(), jobId, 0)
                               <= IPP_STATUS_OK_CONFLICTING;
        httpClose(connection);
        return cancelled;
    }

    static int beforeDeadline(http_t *, void *deadline)
    {
        return Clock::now() < *static_cast<Clock::time_point *>(deadline);
    }

    // The failure of a request: a scheduler that did not answer in time, or
    // whatever libcups says. After a wait cut short libcups may still hold
    // the status of an earlier success.
    void noteRequestError()
    {
        const ipp_status_t status = cupsLastError();
        noteError(link.broken() || status <= IPP_STATUS_OK_CONFLICTING
                      ? IPP_STATUS_ERROR_SERVICE_UNAVAILABLE
                      : status);
    }
    void noteError() { noteError(cupsLastError()); }
    void noteError(ipp_status_t status)
    {
        if (!haveError) {
            error = static_cast<std::uint32_t>(status);
            haveError = true;
        }
    }

    PrintControl ownControl;
    PrintControl *const control;
    CupsLink link;
    std::string queue;
    std::string documentTitle;
    bool opened = false;
    bool lastPart = false;
    int jobId = 0;
    bool sending = false;
    bool jobFinished = false;
    std::uint64_t bytesSent = 0;
    bool haveError = false;
    std::uint32_t error = 0;
};

} // namespace

std::unique_ptr<SpoolerBackend> makePlatformSpooler(PrintControl *control)
{
    return std::make_unique<CupsSpooler>(control);
}
