// The spooler on every platform but Windows: the CUPS scheduler named by
// cupsServer() (CUPS_SERVER, client.conf or the local default).
//
// Every request goes through CUPS_HTTP_DEFAULT: a job created over a
// connection of our own to another server than cupsServer() is refused.

#include "spooler_backend.h"

#include <cups/cups.h>

#include <cstring>
#include <string>
#include <strings.h>
#include <sys/socket.h>

namespace {

// How long the availability test waits for the scheduler to answer.
const int connectTimeoutMs = 5000;

class CupsSpooler final : public SpoolerBackend
{
public:
    ~CupsSpooler() override { close(); }

    bool available() override
    {
        http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                    cupsEncryption(), 1, connectTimeoutMs, nullptr);
        if (!http) {
            noteError();
            return false;
        }
        httpClose(http);
        return true;
    }

    bool open(const char *printerName) override
    {
        close();
        if (!printerName || !*printerName) {
            noteError(IPP_STATUS_ERROR_NOT_FOUND);
            return false;
        }
        // "queue/instance" names an instance of a queue.
        std::string name(printerName);
        std::string instance;
        const std::string::size_type slash = name.find('/');
        if (slash != std::string::npos) {
            instance = name.substr(slash + 1);
            name.erase(slash);
        }
        cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(),
                                             instance.empty() ? nullptr : instance.c_str());
        if (!dest) {
            noteError();
            return false;
        }
        queue = dest->name;
        cupsFreeDests(1, dest);
        opened = true;
        return true;
    }

    bool hasHandle() const override { return opened; }

    std::uint32_t startDocument(const char *documentName, const char *dataType) override
    {
        if (!opened || jobId != 0) {
            noteError(IPP_STATUS_ERROR_INTERNAL);
            return 0;
        }
        const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, queue.c_str(), documentName, 0, nullptr);
        if (id <= 0) {
            noteError();
            return 0;
        }
        jobId = id;
        jobFinished = false;
        bytesSent = 0;

        const char *format = (dataType && strcasecmp(dataType, "RAW") == 0) ? CUPS_FORMAT_RAW
                                                                             : dataType;
        if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue.c_str(), jobId, documentName, format, 1)
            != HTTP_STATUS_CONTINUE) {
            noteError();
            // close() cancels the job that was created.
            return 0;
        }
        sending = true;
        return static_cast<std::uint32_t>(jobId);
    }

    bool write(const char *data, std::uint32_t length, std::uint32_t *written) override
    {
        if (written)
            *written = 0;
        if (!sending) {
            noteError(IPP_STATUS_ERROR_INTERNAL);
            return false;
        }
        if (length > 0
            && cupsWriteRequestData(CUPS_HTTP_DEFAULT, data, length) != HTTP_STATUS_CONTINUE) {
            noteError();
            return false;
        }
        bytesSent += length;
        if (written)
            *written = length;
        return true;
    }

    // CUPS has no pages in a raw document.
    bool endPage() override { return true; }

    bool endDocument() override
    {
        if (!sending) {
            noteError(IPP_STATUS_ERROR_INTERNAL);
            return false;
        }
        sending = false;
        const ipp_status_t status = cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.c_str());
        if (status <= IPP_STATUS_OK_CONFLICTING) {
            jobFinished = true;
            return true;
        }
        if (bytesSent == 0) {
            // The scheduler refuses a document with no bytes ("No file in
            // print request") and would keep the job held. There is nothing
            // to print: cancelling the empty job completes it.
            if (cancelJob()) {
                jobFinished = true;
                return true;
            }
        }
        noteError(status);
        return false;
    }

    void close() override
    {
        if (sending) {
            // Ends the request that is still open, so the connection is
            // usable for the cancel below.
            cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.c_str());
            sending = false;
        }
        // A job that was started and did not end must not stay in the queue.
        if (jobId != 0 && !jobFinished)
            cancelJob();
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

private:
    void noteError() { noteError(cupsLastError()); }
    void noteError(ipp_status_t status)
    {
        if (!haveError) {
            error = static_cast<std::uint32_t>(status);
            haveError = true;
        }
    }

    bool cancelJob()
    {
        return cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.c_str(), jobId, 0)
               <= IPP_STATUS_OK_CONFLICTING;
    }

    std::string queue;
    bool opened = false;
    int jobId = 0;
    bool sending = false;
    bool jobFinished = false;
    std::uint64_t bytesSent = 0;
    bool haveError = false;
    std::uint32_t error = 0;
};

} // namespace

std::unique_ptr<SpoolerBackend> makePlatformSpooler(PrintControl *)
{
    return std::make_unique<CupsSpooler>();
}
