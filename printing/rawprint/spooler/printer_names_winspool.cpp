// The printers of this machine and its connections to shared ones, as the
// toolkit's own list has them. The spooler's calls cannot be bounded from
// here: the window does not wait for a question that does not return.

#include "printer_names.h"

#include "print_control.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

PrinterNames listPrinters(PrintControl *control)
{
    WaitScope wait(control);
    PrinterNames printers;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
    // DWORD-sized cells keep PRINTER_INFO_4A aligned.
    std::vector<DWORD> buffer(needed / sizeof(DWORD) + 1);
    const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    if (!EnumPrintersA(flags, nullptr, 4, reinterpret_cast<LPBYTE>(buffer.data()), size, &needed, &count))
        return printers;
    printers.answered = true;
    const PRINTER_INFO_4A *info = reinterpret_cast<const PRINTER_INFO_4A *>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (info[i].pPrinterName)
            printers.names.emplace_back(info[i].pPrinterName);
    }
    return printers;
}
