// A Windows printer's state: GetPrinter level 2, as the spooler sees it.
//
// The spooler does not ask an idle device how it is; it sets Status only
// while it sends a job to it. Its calls cannot be bounded from here: the
// window does not wait for a query that does not return.

#include "printer_state.h"

#include "print_control.h"

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

PrinterState queryPrinterState(const char *printerName, PrintControl *control)
{
    WaitScope wait(control);
    const std::string name = printerName ? printerName : "";
    if (name.empty())
        return PrinterState::withReply(PrinterState::Reply::notFound);
    // The winspool declarations take writable strings.
    std::vector<char> writable(name.c_str(), name.c_str() + name.size() + 1);
    HANDLE printer = nullptr;
    if (!OpenPrinterA(writable.data(), &printer, nullptr)) {
        return PrinterState::withReply(GetLastError() == ERROR_INVALID_PRINTER_NAME ? PrinterState::Reply::notFound
                                                                      : PrinterState::Reply::noAnswer);
    }
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    // DWORD-sized cells keep PRINTER_INFO_2A aligned.
    std::vector<DWORD> buffer(needed / sizeof(DWORD) + 1);
    const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    const bool read = needed > 0
                      && GetPrinterA(printer, 2, reinterpret_cast<LPBYTE>(buffer.data()), size, &needed);
    ClosePrinter(printer);
    if (!read)
        return PrinterState::withReply(PrinterState::Reply::noAnswer);
    const PRINTER_INFO_2A *info = reinterpret_cast<const PRINTER_INFO_2A *>(buffer.data());
    return printerStateFromWinspool(info->Status, info->Attributes, info->cJobs);
}
