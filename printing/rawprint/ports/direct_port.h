#ifndef ORVANE_DIRECT_PORT_H
#define ORVANE_DIRECT_PORT_H

#include <cstddef>
#include <string>

class PrintControl;
struct PortTarget;

// The "escrita direta" output: bytes written unchanged to a port or a file
// (the caller has made the text's line ends CR LF, and only the text's: a
// 10 inside a printer command stays 10).
//
// A target that takes no bytes (a printer switched off, a FIFO nobody reads)
// does not hold the print for ever: opening and writing give up once the
// target has taken nothing for the no-answer limit of the control (or the
// default limit without one), or once the print is abandoned. A failure is
// told on standard error with how many bytes went out before it.
class DirectPortWriter
{
public:
    // Opens (creating or truncating) the target. On Linux the names LPT1..9
    // and COM1..9 (any case, optional trailing colon) stand for /dev/lp0..8
    // and /dev/ttyS0..8, which must exist; any other text is a path. A
    // serial line (a name with its settings after a colon, or any terminal)
    // is put in raw mode for the print and given its settings back at close.
    explicit DirectPortWriter(const std::string &target, PrintControl *control = nullptr);
    ~DirectPortWriter();
    DirectPortWriter(const DirectPortWriter &) = delete;
    DirectPortWriter &operator=(const DirectPortWriter &) = delete;

    bool isOpen() const;
    // Writes every byte, zero bytes included. False when not open or when
    // not every byte could be written.
    bool write(const char *data, std::size_t length);
    // Closes; false when anything written was lost, or when the target never
    // opened.
    bool close();
    // The bytes the target has taken so far.
    std::size_t bytesWritten() const;

private:
    void enterSerialMode(const PortTarget &target);

    struct Stream;
    Stream *stream;
    bool failed = false;
};

// The device or file path a target text names on this platform.
std::string directPortPath(const std::string &target);

#endif
