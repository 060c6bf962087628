#ifndef ORVANE_SERIAL_MODE_H
#define ORVANE_SERIAL_MODE_H

#include "port_target.h"

#include <memory>
#include <string>

class PrintControl;

// A serial line (a serial port, a USB serial adapter, a pty) set for the
// print and put back as it was after it. In raw mode no byte is changed,
// added or swallowed on the way out (the kernel's default mode makes every
// 0x0A two bytes, inside printer commands too), nothing is echoed, 8 data
// bits and no flow control unless the settings say otherwise.
class SerialMode
{
public:
#ifdef _WIN32
    using Handle = void *;
#else
    using Handle = int;
#endif

    SerialMode();
    ~SerialMode();
    SerialMode(const SerialMode &) = delete;
    SerialMode &operator=(const SerialMode &) = delete;

    // Whether the open handle is a serial line at all.
    static bool isSerialLine(Handle handle);

    // Remembers the line's settings and sets those of the print; false (and
    // why) when the line refuses them. One line of the program at a time is
    // set so: a status question waits for a print under way, up to a couple
    // of seconds, and is then given up (busy()), so that neither puts back
    // settings the other made.
    bool enter(Handle handle, const SerialSettings &settings, std::string &error);
    bool busy() const { return wasBusy; }

    // Waits until the line has sent what it holds, for as long as it keeps
    // sending (the control's no-answer limit); false when it stopped.
    bool drain(PrintControl &control);

    // Puts the remembered settings back; what the line still holds after a
    // failure is thrown away first.
    void leave(bool discardOutput);

private:
    struct Saved;
    std::unique_ptr<Saved> saved;
    bool wasBusy = false;
    bool takeLine();
    void releaseLine();
};

#endif
