// The Windows print spooler (winspool.drv).
//
// Its calls cannot be bounded from here: the window gives up on one that
// does not return, and when it does return the print logic closes the
// printer, which aborts the unfinished document so that no part prints.

#include "spooler_backend.h"

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace {

// The winspool declarations take writable strings.
std::vector<char> writableCopy(const char *text)
{
    const std::string value = text ? text : "";
    return std::vector<char>(value.c_str(), value.c_str() + value.size() + 1);
}

class WinSpooler final : public SpoolerBackend
{
public:
    ~WinSpooler() override
    {
        close();
        if (library)
            FreeLibrary(library);
    }

    bool available() override
    {
        if (!library)
            library = LoadLibraryA("winspool.drv");
        return library != nullptr;
    }

    bool open(const char *printerName) override
    {
        close();
        std::vector<char> name = writableCopy(printerName);
        return OpenPrinterA(name.data(), &printer, nullptr) != FALSE;
    }

    bool hasHandle() const override { return printer != nullptr; }

    std::uint32_t startDocument(const char *documentName, const char *dataType) override
    {
        std::vector<char> name = writableCopy(documentName);
        std::vector<char> type = writableCopy(dataType);
        DOC_INFO_1A info;
        info.pDocName = name.data();
        info.pOutputFile = nullptr;
        info.pDatatype = type.data();
        const DWORD job = StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&info));
        documentStarted = job != 0;
        return job;
    }

    bool write(const char *data, std::uint32_t length, std::uint32_t *written) override
    {
        DWORD count = 0;
        const BOOL ok = WritePrinter(printer, const_cast<char *>(data), length, &count);
        if (written)
            *written = count;
        return ok != FALSE;
    }

    bool endPage() override { return EndPagePrinter(printer) != FALSE; }

    bool endDocument() override
    {
        const bool ended = EndDocPrinter(printer) != FALSE;
        if (ended)
            documentStarted = false;
        return ended;
    }

    void close() override
    {
        if (printer) {
            // A document started and not ended would print what it got.
            if (documentStarted)
                AbortPrinter(printer);
            ClosePrinter(printer);
            printer = nullptr;
        }
        documentStarted = false;
    }

    std::uint32_t lastError() const override { return GetLastError(); }

private:
    HMODULE library = nullptr;
    HANDLE printer = nullptr;
    bool documentStarted = false;
};

} // namespace

std::unique_ptr<SpoolerBackend> makePlatformSpooler(PrintControl *)
{
    return std::make_unique<WinSpooler>();
}
