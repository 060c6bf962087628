#ifndef ORVANE_SPOOLER_BACKEND_H
#define ORVANE_SPOOLER_BACKEND_H

#include <cstdint>
#include <memory>

class PrintControl;

// The spooler operations one raw print needs, in the order sendRawToPrinter
// uses them. One object serves one call: it holds at most one open printer
// and one document. Results follow the Windows convention the print logic
// was written for: true is success, lastError() explains a failure.
class SpoolerBackend
{
public:
    virtual ~SpoolerBackend() = default;

    // Whether the spooler can be reached at all.
    virtual bool available() = 0;
    // Opens the named printer. A true result with no handle is possible on
    // some spoolers; hasHandle() tells.
    virtual bool open(const char *printerName) = 0;
    virtual bool hasHandle() const = 0;
    // Starts a document; returns the job number, 0 on failure.
    virtual std::uint32_t startDocument(const char *documentName, const char *dataType) = 0;
    // A document is sent in one or more parts, each of one data type, in
    // order: the print and the cut that follows it are one job, so that no
    // other job comes between them. A spooler that keeps one stream per
    // document (winspool) needs nothing here; CUPS sends each part as a
    // document of the job. `length` is the number of bytes the part's
    // writes will carry; `last` tells the final part.
    virtual bool startPart(const char *dataType, std::uint64_t length, bool last)
    {
        (void)dataType;
        (void)length;
        (void)last;
        return true;
    }
    virtual bool endPart() { return true; }
    // Sends the bytes; on success *written holds how many were accepted.
    virtual bool write(const char *data, std::uint32_t length, std::uint32_t *written) = 0;
    virtual bool endPage() = 0;
    virtual bool endDocument() = 0;
    // Closes the printer. A document that was started and did not end is
    // cancelled (CUPS) or aborted (winspool): no part of it prints.
    virtual void close() = 0;
    // The code of the failure. On Windows it is GetLastError(), which later
    // calls may change: sendRawToPrinter reads it exactly where the print
    // logic always did. The CUPS spooler keeps the code of the first call
    // that failed, so clean-up calls made after it do not hide it.
    virtual std::uint32_t lastError() const = 0;
    // The print server asked for a password, which the program never gives.
    virtual bool askedForPassword() const { return false; }
};

// The backend of the platform the program was built for: winspool on
// Windows, libcups elsewhere. The control bounds the waits of the spooler
// where the platform allows it (CUPS); without one, the default no-answer
// limit applies.
std::unique_ptr<SpoolerBackend> makePlatformSpooler(PrintControl *control = nullptr);

#endif
