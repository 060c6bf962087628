#ifndef ORVANE_PRINTER_STATE_H
#define ORVANE_PRINTER_STATE_H

#include <cstdint>
#include <string>
#include <vector>

class PrintControl;

// What the spooler says of one printer, for the operator to see before the
// press: whether it can print now, and why not.
struct PrinterState {
    enum class Reply { known, notFound, noAnswer };
    enum class Activity { idle, printing, paused };

    Reply reply = Reply::noAnswer;
    Activity activity = Activity::idle;
    bool acceptingJobs = true;
    // Why the queue was paused or refuses jobs, when the spooler tells
    // (cupsdisable -r, cupsreject -r, a backend's last ERROR: line).
    std::string message;
    bool paperOut = false;
    bool paperJam = false;
    bool doorOpen = false;
    bool offline = false;
    // Any other error the spooler reports.
    bool otherError = false;
    int queuedJobs = 0;

    // A printer the spooler could not tell of: unknown, or no answer.
    static PrinterState withReply(Reply reply)
    {
        PrinterState state;
        state.reply = reply;
        return state;
    }
};

// The state in the operator's words (UTF-8), its parts joined in this order:
// "pronta" or "imprimindo" or "pausada" (with ": " and the message when there
// is one), "não aceita trabalhos" (with the message when the queue is not
// paused), the conditions ("sem papel", "papel
// atolado", "tampa aberta", "offline", "com erro"), then ", N trabalhos na
// fila". "pronta" means nothing stands in the way: an idle queue that
// refuses jobs or reports a condition shows only those ("não aceita
// trabalhos", "sem papel").
std::string printerStateText(const PrinterState &state);

// A CUPS queue's printer-state (3 idle, 4 processing, 5 stopped),
// printer-state-reasons, printer-state-message, printer-is-accepting-jobs and
// the count of its jobs that will print (a job held with no release does not).
PrinterState printerStateFromCups(int printerState, const std::vector<std::string> &reasons,
                                  const std::string &message, bool acceptingJobs, int queuedJobs);

// A Windows printer's PRINTER_INFO_2 Status, Attributes and cJobs. The
// spooler sets Status only while it sends a job to the device.
PrinterState printerStateFromWinspool(std::uint32_t status, std::uint32_t attributes,
                                      std::uint32_t jobs);

// Asks the platform's spooler for the printer's state. Bounded by the
// control's no-answer limit where the platform allows it (CUPS); a spooler
// that gives no answer within it is Reply::noAnswer. Without a control, the
// default limit applies.
PrinterState queryPrinterState(const char *printerName, PrintControl *control = nullptr);

#endif
