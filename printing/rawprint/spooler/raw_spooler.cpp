#include "raw_spooler.h"

#include "background_priority.h"
#include "print_control.h"
#include "spooler_backend.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
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

// The bytes before the first zero byte, looking at no more than length
// bytes.
std::size_t textLength(const char *data, std::size_t length)
{
    if (!data)
        return 0;
    const void *zero = std::memchr(data, 0, length);
    return zero ? static_cast<std::size_t>(static_cast<const char *>(zero) - data) : length;
}

// The report's bytes in the order they are written: the documents' own
// bytes where they are, the lines around them kept here. A piece that ends
// a line is flushed.
class ReportPieces
{
public:
    struct Piece {
        const char *data;
        std::size_t length;
        bool endsLine;
    };

    void add(const char *data, std::size_t length, bool endsLine = false)
    {
        pieces.push_back({data, length, endsLine});
    }
    void addText(std::string text, bool endsLine = false)
    {
        owned.push_back(std::move(text));
        add(owned.back().data(), owned.back().size(), endsLine);
    }
    // The bytes of a raw document as text; of any other document only what
    // it is.
    void addDocumentText(const char *data, std::size_t length, bool raw, const char *dataType)
    {
        addText("debug (text): ");
        if (raw)
            add(data, textLength(data, length));
        else
            addText("[" + std::string(dataType) + ", " + std::to_string(length) + " bytes]");
        addText("\n", true);
    }

    std::vector<Piece> pieces;

private:
    std::deque<std::string> owned; // stays where it is as it grows
};

// Below this many bytes the debug copies are written at once: a thread
// costs more than they do.
const std::size_t echoBesideFrom = 256 * 1024;

// Writes the report on a thread of its own, beside the print and below it,
// so that the document goes out first; finished before anything else is
// written on the same stream. Once the print is over, what the thread has
// not written yet is written by the print's own thread: a busy machine
// gives the lowered thread next to nothing, and the operator's answer must
// not wait for it. Written at once when no thread can be started.
class EchoBeside
{
public:
    EchoBeside(std::ostream &out, ReportPieces report, bool beside) : out(out), report(std::move(report))
    {
        if (beside) {
            try {
                thread = std::thread([this] {
                    lowerThisThreadToBackground();
                    write();
                });
                return;
            } catch (const std::system_error &) {
            }
        }
        write();
    }
    ~EchoBeside() { finish(); }
    EchoBeside(const EchoBeside &) = delete;
    EchoBeside &operator=(const EchoBeside &) = delete;

    void finish()
    {
        hurry.store(true);
        if (thread.joinable())
            thread.join();
        hurry.store(false);
        write();
    }

private:
    // Writes from where the last writer stopped; the thread stops between
    // chunks once the print's thread is waiting for it.
    void write()
    {
        const std::size_t chunk = 64 * 1024;
        for (; piece < report.pieces.size(); ++piece, offset = 0) {
            const ReportPieces::Piece &p = report.pieces[piece];
            while (offset < p.length) {
                if (hurry.load() && std::this_thread::get_id() == thread.get_id())
                    return;
                const std::size_t size = std::min(chunk, p.length - offset);
                out.write(p.data + offset, static_cast<std::streamsize>(size));
                offset += size;
            }
            if (p.endsLine)
                out.flush();
        }
    }

    std::ostream &out;
    ReportPieces report;
    std::size_t piece = 0;
    std::size_t offset = 0;
    std::atomic<bool> hurry{false};
    std::thread thread;
};

} // namespace

bool sendPartsToPrinter(SpoolerBackend &spooler, std::ostream &out, const char *printerName,
                        const std::vector<SpoolPart> &parts, PrintControl *control,
                        const EchoFirst &echoFirst)
{
    // A negative length, or a length with no data behind it, is a fault of
    // the caller: it still gets its debug lines, nothing is read from data
    // and nothing is printed.
    bool callerFault = parts.empty();
    for (const SpoolPart &part : parts)
        callerFault = callerFault || part.length < 0 || (part.length > 0 && !part.data) || !part.dataType;
    auto sizeOf = [&](const SpoolPart &part) {
        return callerFault ? std::size_t(0) : static_cast<std::size_t>(part.length);
    };
    auto isRaw = [](const SpoolPart &part) {
        return part.dataType && std::strcmp(part.dataType, rawDataType) == 0;
    };

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
    std::unique_ptr<EchoBeside> echo;
    auto fail = [&](const std::string &message) {
        echo->finish();
        if (spooler.askedForPassword()) {
            out << "o servidor de impressão pede senha";
            lineEnd(out);
        }
        if (noAnswer) {
            out << "o spooler nao respondeu em " << control->noAnswerLimit().count() / 1000.0 << " s";
            lineEnd(out);
        }
        failure(out, message);
        return false;
    };

    // Zero-terminated copy of the printer name (a missing name is empty).
    std::vector<char> nameCopy;
    if (printerName)
        nameCopy.assign(printerName, printerName + std::strlen(printerName));
    nameCopy.push_back('\0');

    // The debug lines, whose answer from the spooler is looked at only
    // after them; nothing else is written on `out` until they are done.
    std::size_t echoed = 0;
    for (const SpoolPart &part : parts)
        echoed += sizeOf(part);
    ReportPieces report;
    for (const EchoPiece &piece : echoFirst)
        report.add(piece.data, piece.length, &piece == &echoFirst.back());
    auto reportParts = [&] {
        for (const SpoolPart &part : parts)
            report.addDocumentText(part.data, sizeOf(part), isRaw(part), part.dataType ? part.dataType : "");
    };
    reportParts();
    report.addText("debug (printerName): " + std::string(nameCopy.data()) + "\n", true);
    reportParts();
    echo = std::make_unique<EchoBeside>(out, std::move(report), echoed >= echoBesideFrom);
    const bool spoolerAvailable = call([&] { return spooler.available(); });

    if (callerFault)
        return false;

    // What goes out: the parts with bytes, those of one data type in one
    // stream; with none, the first part alone, an empty document.
    struct Stream {
        const char *dataType;
        std::vector<const SpoolPart *> pieces;
        std::uint64_t length = 0;
    };
    std::vector<Stream> streams;
    for (const SpoolPart &part : parts) {
        if (part.length == 0)
            continue;
        if (streams.empty() || std::strcmp(streams.back().dataType, part.dataType) != 0)
            streams.push_back({part.dataType, {}});
        streams.back().pieces.push_back(&part);
        streams.back().length += sizeOf(part);
    }
    if (streams.empty())
        streams.push_back({parts.front().dataType, {&parts.front()}});

    if (!spoolerAvailable)
        return fail("nao foi possivel carregar winspool.drv");

    if (!call([&] { return spooler.open(nameCopy.data()); }))
        return fail("retorno de erro em OpenPrinter");
    if (!spooler.hasHandle())
        return fail("retorno de erro em hPrinter");

    if (call([&] { return spooler.startDocument(documentName, streams.front().dataType); }) == 0) {
        // The error belongs to the failed start: read it before closing.
        const std::uint32_t error = spooler.lastError();
        closePrinter();
        return fail("erro ao iniciar StartDocPrinter: " + std::to_string(error));
    }

    // Each part in one write: no chunks, no retry.
    std::uint64_t requested = 0;
    std::uint64_t written = 0;
    for (std::size_t n = 0; n < streams.size(); ++n) {
        const bool last = n + 1 == streams.size();
        if (!call([&] { return spooler.startPart(streams[n].dataType, streams[n].length, last); })) {
            const std::uint32_t error = spooler.lastError();
            closePrinter();
            return fail("erro ao iniciar StartDocPrinter: " + std::to_string(error));
        }
        for (const SpoolPart *part : streams[n].pieces) {
            std::uint32_t accepted = 0;
            const std::uint32_t size = static_cast<std::uint32_t>(part->length);
            requested += size;
            if (!call([&] { return spooler.write(part->data, size, &accepted); })) {
                // A document cut off by a spooler that stopped answering is
                // not ended: closing it cancels what went out.
                if (!gaveUp()) {
                    call([&] { return spooler.endPart(); });
                    call([&] { return spooler.endPage(); });
                    call([&] { return spooler.endDocument(); });
                }
                closePrinter();
                return fail("WritePrinter abort error: " + std::to_string(spooler.lastError()));
            }
            written += accepted;
        }
        if (!call([&] { return spooler.endPart(); })) {
            closePrinter();
            return fail("EndDocPrinter abort error: " + std::to_string(spooler.lastError()));
        }
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
        echo->finish();
        failure(out, "impressao abandonada: o spooler nao respondeu");
        return false;
    }

    if (!call([&] { return spooler.endDocument(); })) {
        closePrinter();
        return fail("EndDocPrinter abort error: " + std::to_string(spooler.lastError()));
    }

    closePrinter();

    echo->finish();
    if (written == requested) {
        out << "Entire file data was sent to printer.\n";
        out.flush();
        return true;
    }
    out << "Wrote " << written << " bytes instead of requested " << requested << "bytes.\n";
    out.flush();
    return false;
}

bool sendDocumentToPrinter(SpoolerBackend &spooler, std::ostream &out, const char *printerName,
                           const char *data, std::int32_t length, const char *dataType,
                           PrintControl *control)
{
    return sendPartsToPrinter(spooler, out, printerName, {SpoolPart{data, length, dataType}}, control);
}

bool sendPartsToPrinter(const char *printerName, const std::vector<SpoolPart> &parts,
                        PrintControl *control, const EchoFirst &echoFirst)
{
    // Without the caller's control, one of our own: the report still tells
    // a spooler that stopped answering.
    PrintControl ownControl;
    if (!control)
        control = &ownControl;
    std::unique_ptr<SpoolerBackend> spooler = makePlatformSpooler(control);
    return sendPartsToPrinter(*spooler, std::cout, printerName, parts, control, echoFirst);
}

bool sendRawToPrinter(const char *printerName, const char *data, std::int32_t length,
                      PrintControl *control)
{
    return sendPartsToPrinter(printerName, {SpoolPart{data, length, rawDataType}}, control);
}
