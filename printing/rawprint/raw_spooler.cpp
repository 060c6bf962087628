#include "raw_spooler.h"

#include "print_control.h"
#include "spooler_backend.h"

#include <cstring>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

namespace {

const char *const documentName = "Orvane Document";
const char *const rawDataType = "RAW";

void lineEnd(std::ostream &out)
{
    out << '\n';
    out.flush();
}

// A failure message ends the report: no line end, but it must be seen now.
void failure(std::ostream &out, const std::string &message)
{
    out << message;
    out.flush();
}

// Echoes the bytes before the first zero byte, looking at no more than
// length bytes.
void writeTextPart(std::ostream &out, const char *data, std::size_t length)
{
    if (!data)
        return;
    const void *zero = std::memchr(data, 0, length);
    const std::size_t size = zero ? static_cast<std::size_t>(static_cast<const char *>(zero) - data)
                                  : length;
    out.write(data, static_cast<std::streamsize>(size));
}

// The bytes of a raw document as text; of any other document only what it is.
void writeDocumentText(std::ostream &out, const char *data, std::size_t length, bool raw,
                       const char *dataType)
{
    out << "debug (text): ";
    if (raw)
        writeTextPart(out, data, length);
    else
        out << '[' << dataType << ", " << length << " bytes]";
    lineEnd(out);
}

} // namespace

bool sendDocumentToPrinter(SpoolerBackend &spooler, std::ostream &out, const char *printerName,
                           const char *data, std::int32_t length, const char *dataType,
                           PrintControl *control)
{
    const bool raw = std::strcmp(dataType, rawDataType) == 0;
    // A negative length, or a length with no data behind it, is a fault of
    // the caller: it still gets its debug lines, nothing is read from data
    // and nothing is printed.
    const bool callerFault = length < 0 || (length > 0 && !data);
    const std::size_t size = callerFault ? 0 : static_cast<std::size_t>(length);

    // Every spooler call is a wait the window can see. A call that failed
    // because the spooler stopped answering is remembered: its document
    // must not be ended, and the report says why before the failure.
    bool noAnswer = false;
    auto call = [&](auto step) {
        WaitScope wait(control);
        const auto result = step();
        if (!result && control && control->shouldStop())
            noAnswer = true;
        return result;
    };
    auto gaveUp = [&] { return noAnswer || (control && control->abandoned()); };
    auto closePrinter = [&] {
        WaitScope wait(control);
        spooler.close();
    };
    auto fail = [&](const std::string &message) {
        if (noAnswer) {
            out << "o spooler nao respondeu em " << control->noAnswerLimit().count() / 1000.0 << " s";
            lineEnd(out);
        }
        failure(out, message);
        return false;
    };

    writeDocumentText(out, data, size, raw, dataType);

    // Zero-terminated copy of the printer name (a missing name is empty).
    std::vector<char> nameCopy;
    if (printerName)
        nameCopy.assign(printerName, printerName + std::strlen(printerName));
    nameCopy.push_back('\0');

    // The answer is looked at only after the debug lines.
    const bool spoolerAvailable = call([&] { return spooler.available(); });

    // The document goes out as the caller holds it: a receipt of several
    // megabytes is not worth a copy.
    const char *const document = size > 0 ? data : "";

    out << "debug (printerName): " << nameCopy.data();
    lineEnd(out);
    writeDocumentText(out, document, size, raw, dataType);

    if (callerFault)
        return false;

    if (!spoolerAvailable)
        return fail("nao foi possivel carregar winspool.drv");

    if (!call([&] { return spooler.open(nameCopy.data()); }))
        return fail("retorno de erro em OpenPrinter");
    if (!spooler.hasHandle())
        return fail("retorno de erro em hPrinter");

    if (call([&] { return spooler.startDocument(documentName, dataType); }) == 0) {
        // The error belongs to the failed start: read it before closing.
        const std::uint32_t error = spooler.lastError();
        closePrinter();
        return fail("erro ao iniciar StartDocPrinter: " + std::to_string(error));
    }

    // One write of the whole document: no chunks, no retry.
    std::uint32_t written = 0;
    const std::uint32_t requested = static_cast<std::uint32_t>(size);
    if (!call([&] { return spooler.write(document, requested, &written); })) {
        // A document cut off by a spooler that stopped answering is not
        // ended: closing it cancels what went out.
        if (!gaveUp()) {
            call([&] { return spooler.endPage(); });
            call([&] { return spooler.endDocument(); });
        }
        closePrinter();
        return fail("WritePrinter abort error: " + std::to_string(spooler.lastError()));
    }

    if (!call([&] { return spooler.endPage(); })) {
        if (!gaveUp())
            call([&] { return spooler.endDocument(); });
        closePrinter();
        return fail("EndPagePrinter abort error: " + std::to_string(spooler.lastError()));
    }

    // The window has shown this print as failed: it must not print later,
    // so the document is not ended and closing cancels it.
    if (control && control->abandoned()) {
        closePrinter();
        failure(out, "impressao abandonada: o spooler nao respondeu");
        return false;
    }

    if (!call([&] { return spooler.endDocument(); })) {
        closePrinter();
        return fail("EndDocPrinter abort error: " + std::to_string(spooler.lastError()));
    }

    closePrinter();

    if (written == requested) {
        out << "Entire file data was sent to printer.\n";
        out.flush();
        return true;
    }
    out << "Wrote " << written << " bytes instead of requested " << requested << "bytes.\n";
    out.flush();
    return false;
}

bool sendDocumentToPrinter(const char *printerName, const char *data, std::int32_t length,
                           const char *dataType, PrintControl *control)
{
    // Without the caller's control, one of our own: the report still tells
    // a spooler that stopped answering.
    PrintControl ownControl;
    if (!control)
        control = &ownControl;
    std::unique_ptr<SpoolerBackend> spooler = makePlatformSpooler(control);
    return sendDocumentToPrinter(*spooler, std::cout, printerName, data, length, dataType, control);
}

bool sendRawToPrinter(const char *printerName, const char *data, std::int32_t length,
                      PrintControl *control)
{
    return sendDocumentToPrinter(printerName, data, length, rawDataType, control);
}
