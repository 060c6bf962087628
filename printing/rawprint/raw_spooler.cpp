#include "raw_spooler.h"

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
                           const char *data, std::int32_t length, const char *dataType)
{
    const bool raw = std::strcmp(dataType, rawDataType) == 0;
    // A negative length, or a length with no data behind it, is a fault of
    // the caller: it still gets its debug lines, nothing is read from data
    // and nothing is printed.
    const bool callerFault = length < 0 || (length > 0 && !data);
    const std::size_t size = callerFault ? 0 : static_cast<std::size_t>(length);

    writeDocumentText(out, data, size, raw, dataType);

    // Zero-terminated copy of the printer name (a missing name is empty).
    std::vector<char> nameCopy;
    if (printerName)
        nameCopy.assign(printerName, printerName + std::strlen(printerName));
    nameCopy.push_back('\0');

    // The answer is looked at only after the debug lines.
    const bool spoolerAvailable = spooler.available();

    // The document goes out as the caller holds it: a receipt of several
    // megabytes is not worth a copy.
    const char *const document = size > 0 ? data : "";

    out << "debug (printerName): " << nameCopy.data();
    lineEnd(out);
    writeDocumentText(out, document, size, raw, dataType);

    if (callerFault)
        return false;

    if (!spoolerAvailable) {
        failure(out, "nao foi possivel carregar winspool.drv");
        return false;
    }

    if (!spooler.open(nameCopy.data())) {
        failure(out, "retorno de erro em OpenPrinter");
        return false;
    }
    if (!spooler.hasHandle()) {
        failure(out, "retorno de erro em hPrinter");
        return false;
    }

    if (spooler.startDocument(documentName, dataType) == 0) {
        // The error belongs to the failed start: read it before closing.
        const std::uint32_t error = spooler.lastError();
        spooler.close();
        failure(out, "erro ao iniciar StartDocPrinter: " + std::to_string(error));
        return false;
    }

    // One write of the whole document: no chunks, no retry.
    std::uint32_t written = 0;
    const std::uint32_t requested = static_cast<std::uint32_t>(size);
    if (!spooler.write(document, requested, &written)) {
        spooler.endPage();
        spooler.endDocument();
        spooler.close();
        failure(out, "WritePrinter abort error: " + std::to_string(spooler.lastError()));
        return false;
    }

    if (!spooler.endPage()) {
        spooler.endDocument();
        spooler.close();
        failure(out, "EndPagePrinter abort error: " + std::to_string(spooler.lastError()));
        return false;
    }

    if (!spooler.endDocument()) {
        spooler.close();
        failure(out, "EndDocPrinter abort error: " + std::to_string(spooler.lastError()));
        return false;
    }

    spooler.close();

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
                           const char *dataType)
{
    std::unique_ptr<SpoolerBackend> spooler = makePlatformSpooler();
    return sendDocumentToPrinter(*spooler, std::cout, printerName, data, length, dataType);
}

bool sendRawToPrinter(const char *printerName, const char *data, std::int32_t length)
{
    return sendDocumentToPrinter(printerName, data, length, rawDataType);
}
