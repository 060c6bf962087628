#ifndef ORVANE_DEVICE_STATUS_H
#define ORVANE_DEVICE_STATUS_H

#include "port_target.h"

#include <string>

class NetworkPrinter;

// What a receipt printer says of itself when asked its real-time status
// (ESC/POS DLE EOT 1, 2 and 4), on a port that talks back: a network
// printer, a serial line, a USB printer device. No spooler passes this on.
struct DeviceStatus {
    // silent: nothing came back within half a second; malformed: something
    // did, but not a status byte. Either way the print goes as it would
    // without the question. busy: not asked, as a print holds the line.
    enum class Reply { silent, malformed, known, busy };
    Reply reply = Reply::silent;
    bool offline = false;
    bool coverOpen = false;
    bool paperOut = false;
    bool paperNearEnd = false;
    bool error = false;
};

// The status from the answers to DLE EOT 1, 2 and 4 (one byte each; an
// empty answer when none came). ESC/POS fixes bits 1 and 4 of every status
// byte to 1 and bits 0 and 7 to 0: anything else is not an answer.
DeviceStatus deviceStatusFromAnswers(const std::string &printer, const std::string &offlineCause,
                                     const std::string &paper);

// In the operator's words (UTF-8): "sem papel", "tampa aberta", "erro",
// "offline", "pouco papel" or "pronta", the first that holds; "não
// responde" when no status came back.
std::string deviceStatusText(const DeviceStatus &status);

// True when the printer cannot print now (no paper, cover open, offline,
// an error): the receipt is kept rather than sent into it.
bool deviceStatusRefuses(const DeviceStatus &status);

// Whether the target is a port that answers: a network printer, a serial
// line (COM1..COM9 on Windows; /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and
// the COM names on Linux), or a Linux USB printer device (/dev/usb/lp*).
bool deviceCanAnswer(const PortTarget &target);

// Asks the printer on the target, each answer waited for at most half a
// second (on a serial line a printer silent to the first question is not
// asked the others; a network printer is asked the three at once). A port
// that cannot be opened, or a network printer that takes no connection
// within `connectLimitMs`, is silent.
DeviceStatus queryDeviceStatus(const PortTarget &target, int connectLimitMs = 2000);

// The same on a network printer's open connection. Answers that came only
// in part are not a status.
DeviceStatus askDeviceStatus(NetworkPrinter &printer);

// The three questions and how long an answer is waited for.
extern const char deviceStatusQuestions[3][3];
constexpr int deviceStatusWaitMs = 500;

#endif
