// Runs the raw printing code of the platform it was built for, so that a
// script can compare what Windows (under wine) and Linux do with the same
// bytes. Built twice from this one source: an .exe with mingw-w64 and a
// native program.
//
//   wine_driver raw PRINTER HEXBYTES   sendRawToPrinter on the platform's
//                                      spooler; its texts go to standard
//                                      output untouched
//   wine_driver port PATH HEXBYTES     DirectPortWriter on PATH
//
// HEXBYTES is the data as pairs of hex digits ("0d0a1b40"); "-" or an empty
// argument is no data at all. Standard output carries only what the printing
// code writes; the driver's own report is one line on standard error:
//
//   wine_driver: raw result=true|false
//   wine_driver: port open=true|false write=true|false close=true|false
//
// The exit status is 0 after a run and 2 for a usage error; callers look at
// the report and the bytes, not at the status.

#include "direct_port.h"
#include "raw_spooler.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// False for an odd count of digits or anything that is not a hex digit.
bool decodeHex(const char *text, std::vector<char> *bytes)
{
    bytes->clear();
    if (std::strcmp(text, "-") == 0)
        return true;
    const std::size_t length = std::strlen(text);
    if (length % 2 != 0)
        return false;
    for (std::size_t i = 0; i < length; i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes->push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

const char *yesNo(bool value)
{
    return value ? "true" : "false";
}

int usage()
{
    std::cerr << "usage: wine_driver raw PRINTER HEXBYTES\n"
                 "       wine_driver port PATH HEXBYTES\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
#ifdef _WIN32
    // The C runtime would turn every LF of standard output and standard
    // error into CR LF; the texts are compared byte for byte with Linux's.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc != 4)
        return usage();
    const std::string command = argv[1];
    std::vector<char> data;
    if (!decodeHex(argv[3], &data)) {
        std::cerr << "wine_driver: not hex bytes: " << argv[3] << '\n';
        return usage();
    }

    if (command == "raw") {
        const bool result = sendRawToPrinter(argv[2], data.data(),
                                             static_cast<std::int32_t>(data.size()));
        std::cout.flush();
        std::cerr << "wine_driver: raw result=" << yesNo(result) << std::endl;
        return 0;
    }

    if (command == "port") {
        DirectPortWriter writer(argv[2]);
        const bool opened = writer.isOpen();
        const bool written = writer.write(data.data(), data.size());
        const bool closed = writer.close();
        std::cerr << "wine_driver: port open=" << yesNo(opened) << " write=" << yesNo(written)
                  << " close=" << yesNo(closed) << std::endl;
        return 0;
    }

    return usage();
}
