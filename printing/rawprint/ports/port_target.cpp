#include "port_target.h"

#include <cctype>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

std::string lowered(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool allDigits(const std::string &text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// A decimal number within 1..maximum; 0 when the text is not one.
unsigned long number(const std::string &text, unsigned long maximum)
{
    if (!allDigits(text) || text.size() > 9)
        return 0;
    const unsigned long value = std::stoul(text);
    return value <= maximum ? value : 0;
}

// "HOST[:PORT]" with HOST an IPv6 address in brackets, or a name or IPv4
// address without a colon.
bool readNetworkAddress(std::string rest, PortTarget &target)
{
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string host;
    std::string port;
    bool portGiven = false;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            return false;
        host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return false;
            port = after.substr(1);
            portGiven = true;
        }
    } else {
        const std::size_t colon = rest.find(':');
        host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            port = rest.substr(colon + 1);
            portGiven = true;
        }
    }
    if (host.empty() || host.find_first_of(" \t/[]") != std::string::npos)
        return false;
    int portNumber = 9100;
    if (portGiven) {
        portNumber = static_cast<int>(number(port, 65535));
        if (portNumber == 0)
            return false;
    }
    target.kind = PortTarget::Kind::network;
    target.host = host;
    target.port = portNumber;
    return true;
}

// "9600", "9600,n,8,1" or "9600,n,8,1,x" (x: XON/XOFF, p: hardware).
bool readSerialSettings(const std::string &text, SerialSettings &settings)
{
    std::string fields[5];
    int count = 0;
    std::size_t at = 0;
    for (;;) {
        if (count == 5)
            return false;
        const std::size_t comma = text.find(',', at);
        fields[count++] = lowered(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    if (count != 1 && count < 4)
        return false;
    SerialSettings read;
    read.speed = static_cast<unsigned>(number(fields[0], 4000000));
    if (read.speed == 0)
        return false;
    if (count >= 4) {
        if (fields[1].size() != 1 || std::string("neoms").find(fields[1][0]) == std::string::npos)
            return false;
        read.parity = fields[1][0];
        read.dataBits = static_cast<int>(number(fields[2], 8));
        if (read.dataBits < 5)
            return false;
        if (fields[3] == "1")
            read.stopBits = 1;
        else if (fields[3] == "2" || fields[3] == "1.5")
            read.stopBits = 2;
        else
            return false;
    }
    if (count == 5) {
        if (fields[4] == "x")
            read.flow = SerialSettings::Flow::xonXoff;
        else if (fields[4] == "p")
            read.flow = SerialSettings::Flow::hardware;
        else
            return false;
    }
    settings = read;
    return true;
}

// "LPT1".."LPT9" or "COM1".."COM9", any case, with an optional trailing
// colon: the port number 1..9, or 0 when the text names no such port.
int portNumber(std::string text, const char *prefix)
{
    if (!text.empty() && text.back() == ':')
        text.pop_back();
    if (text.size() != 4 || lowered(text.substr(0, 3)) != lowered(prefix))
        return 0;
    const char digit = text[3];
    return (digit >= '1' && digit <= '9') ? digit - '0' : 0;
}

#ifndef _WIN32
bool exists(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool isCharacterDevice(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}
#endif

// The device a port name stands for on this platform.
std::string devicePath(const std::string &name)
{
#ifdef _WIN32
    return name;
#else
    if (const int lpt = portNumber(name, "LPT"))
        return "/dev/lp" + std::to_string(lpt - 1);
    if (const int com = portNumber(name, "COM"))
        return "/dev/ttyS" + std::to_string(com - 1);
    return name;
#endif
}

// Whether NAME, before a ":SETTINGS", names a serial line.
bool namesSerialLine(const std::string &name)
{
    if (portNumber(name, "COM"))
        return true;
#ifdef _WIN32
    return lowered(name).rfind("\\\\.\\com", 0) == 0;
#else
    return isCharacterDevice(name);
#endif
}

} // namespace

PortTarget parsePortTarget(const std::string &text)
{
    PortTarget target;
    const std::string lower = lowered(text);
    if (lower.rfind("tcp://", 0) == 0 && readNetworkAddress(text.substr(6), target))
        return target;
    if (lower.rfind("tcp:", 0) == 0 && lower.rfind("tcp://", 0) != 0 && readNetworkAddress(text.substr(4), target))
        return target;

    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos && colon > 0) {
        const std::string name = text.substr(0, colon);
        SerialSettings settings;
#ifndef _WIN32
        // A file that exists under the whole name keeps it.
        const bool whole = exists(text);
#else
        const bool whole = false;
#endif
        if (!whole && readSerialSettings(text.substr(colon + 1), settings) && namesSerialLine(name)) {
            target.kind = PortTarget::Kind::serial;
            target.path = devicePath(name);
            target.serial = settings;
            return target;
        }
    }
    target.path = devicePath(text);
    if (portNumber(text, "COM"))
        target.kind = PortTarget::Kind::serial;
    return target;
}

std::string networkAddressText(const PortTarget &target)
{
    const bool ipv6 = target.host.find(':') != std::string::npos;
    return (ipv6 ? "[" + target.host + "]" : target.host) + ":" + std::to_string(target.port);
}
