#ifndef ORVANE_PORT_TARGET_H
#define ORVANE_PORT_TARGET_H

#include <string>

// How a serial line is set for the print. A speed of 0 keeps the speed the
// port has; the rest is what a receipt printer expects unless the target
// says otherwise (`COM1:9600,e,7,2,x`, as Windows' `mode` writes it).
struct SerialSettings {
    enum class Flow { none, xonXoff, hardware };
    unsigned speed = 0;
    char parity = 'n';   // n, e, o, m or s
    int dataBits = 8;    // 5..8
    int stopBits = 1;    // 1 or 2 (1.5 is taken as 2)
    Flow flow = Flow::none;
};

// What the "escrita direta" field names: a file or device path, a serial
// line with its settings, or a receipt printer on the network.
struct PortTarget {
    enum class Kind { path, serial, network };
    Kind kind = Kind::path;
    // The file or device (path, serial).
    std::string path;
    // Given after the name (serial); a terminal named without them is put
    // in raw mode all the same, at the speed it has.
    SerialSettings serial;
    // The printer's address (network): a name, an IPv4 address or an IPv6
    // address (without its brackets), and the port.
    std::string host;
    int port = 9100;
};

// Reads the field: `tcp://HOST[:PORT][/]` or `TCP:HOST[:PORT]` in any case
// (HOST an IPv6 address in brackets), a port name with its settings
// (`COM1:9600`, `COM1:9600,n,8,1`, `/dev/ttyS0:115200`), or a path. On Linux
// LPT1..9 and COM1..9 stand for /dev/lp0..8 and /dev/ttyS0..8. A text that
// fits none of the first forms is a path, as it always was.
PortTarget parsePortTarget(const std::string &text);

// "HOST:PORT" as the diagnostics name a network printer ("[::1]:9100").
std::string networkAddressText(const PortTarget &target);

#endif
