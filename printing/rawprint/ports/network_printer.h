#ifndef ORVANE_NETWORK_PRINTER_H
#define ORVANE_NETWORK_PRINTER_H

#include "port_target.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

class PrintControl;

// A receipt printer on the network (raw bytes on a TCP port, 9100 as a
// rule), reached directly: one connection carries the receipt and its cut,
// so nothing of another till's comes between them, and the printer's
// answers to status questions come back on it.
//
// Every wait is bounded by the control's no-answer limit, and slow is not
// dead: each byte the printer takes starts the limit again. Resolving the
// name runs on a thread of its own, so a resolver that never answers is
// left behind; a refused connection (a printer that takes one client at a
// time, busy with another till) is tried again every half second until the
// limit. Failures are told on standard error, with how many bytes the
// printer took.
class NetworkPrinter
{
public:
    NetworkPrinter(const PortTarget &target, PrintControl &control);
    ~NetworkPrinter();
    NetworkPrinter(const NetworkPrinter &) = delete;
    NetworkPrinter &operator=(const NetworkPrinter &) = delete;

    // Resolves the name and connects; false (and said, unless `report` is
    // false) when it cannot.
    bool open(bool report = true);
    bool isOpen() const;

    // Sends every byte; false once the printer has taken nothing for the
    // limit, closed the connection, or the print was abandoned.
    bool write(const char *data, std::size_t length);

    // Waits until the printer has taken every byte written (the kernel's
    // buffers hold a whole receipt long before the printer has it); false
    // as write is.
    bool finish();

    // Sends a question and returns what comes back, up to `answerSize`
    // bytes, within `wait`; what came in before the question is dropped, so
    // an earlier answer is never read as this one's.
    std::string ask(const std::string &question, std::size_t answerSize, std::chrono::milliseconds wait);

    void close();

    // The bytes the printer has taken so far.
    std::size_t bytesTaken() const;
    // "HOST:PORT", as the diagnostics name the printer.
    const std::string &address() const;

private:
    bool sendAll(const char *data, std::size_t length);

    struct Link;
    std::unique_ptr<Link> link;
};

#endif
