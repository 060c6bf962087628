#ifndef ORVANE_PRINTER_NAMES_H
#define ORVANE_PRINTER_NAMES_H

#include <string>
#include <vector>

class PrintControl;

// The printers the spooler offers, in its order.
struct PrinterNames {
    bool answered = false; // false: the spooler gave no answer in time
    std::vector<std::string> names;
};

// Asks the platform's spooler which printers are installed. Bounded by the
// control's no-answer limit where the platform allows it (CUPS); without a
// control, the default limit applies.
PrinterNames listPrinters(PrintControl *control = nullptr);

#endif
