#ifndef ORVANE_RAW_SPOOLER_H
#define ORVANE_RAW_SPOOLER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <vector>

class PrintControl;
class SpoolerBackend;

// Sends length bytes of data, unchanged, to the named printer as one raw
// document titled "Orvane Document". Progress and failures are written to
// standard output; the result is true only when the whole document was
// accepted and ended. A zero length is a valid, empty document. A negative
// length (or data missing behind a positive one) is the caller's fault: the
// debug lines are written, the printer is not touched and the result is false.
//
// With a control, every spooler call is a wait the window can watch and
// abandon: an abandoned print is closed (what it started is cancelled), never
// ended. Without one, the spooler still stops waiting after the default
// no-answer limit.
bool sendRawToPrinter(const char *printerName, const char *data, std::int32_t length,
                      PrintControl *control = nullptr);

// One part of a job: bytes of one data type ("RAW" or a MIME type).
struct SpoolPart {
    const char *data;
    std::int32_t length;
    const char *dataType;
};

// The caller's own bytes that come before the report (an echo of the
// document), written on the report's stream as they are; they stay valid
// for the call.
struct EchoPiece {
    const char *data;
    std::size_t length;
};
using EchoFirst = std::vector<EchoPiece>;

// Sends the parts, in order, as one job: a print and the cut that follows
// it reach the printer with no other job between them. Consecutive parts of
// one data type go as one stream; empty parts are left out (a job of empty
// parts only is a valid, empty document). The report and the result are
// those of one document; `echoFirst`, when given, writes before the report.
//
// The report's debug lines copy the document, twice: for a large one they
// are written while the job goes out, and every later line waits for them,
// so the output is the same bytes in the same order as when written first.
bool sendPartsToPrinter(const char *printerName, const std::vector<SpoolPart> &parts,
                        PrintControl *control = nullptr, const EchoFirst &echoFirst = {});

// The steps on a given backend and stream (tests drive fakes through it).
bool sendPartsToPrinter(SpoolerBackend &spooler, std::ostream &out, const char *printerName,
                        const std::vector<SpoolPart> &parts, PrintControl *control = nullptr,
                        const EchoFirst &echoFirst = {});
bool sendDocumentToPrinter(SpoolerBackend &spooler, std::ostream &out, const char *printerName,
                           const char *data, std::int32_t length, const char *dataType,
                           PrintControl *control = nullptr);

#endif
