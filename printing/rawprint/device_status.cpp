#include "device_status.h"

#include "network_printer.h"
#include "print_control.h"

#include <chrono>

const char deviceStatusQuestions[3][3] = {{0x10, 0x04, 0x01}, {0x10, 0x04, 0x02}, {0x10, 0x04, 0x04}};

namespace {

bool wellFormed(const std::string &answer)
{
    if (answer.size() != 1)
        return false;
    const unsigned char byte = static_cast<unsigned char>(answer[0]);
    return (byte & 0x93) == 0x12;
}

bool startsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace

DeviceStatus deviceStatusFromAnswers(const std::string &printer, const std::string &offlineCause,
                                     const std::string &paper)
{
    DeviceStatus status;
    if (printer.empty() && offlineCause.empty() && paper.empty())
        return status;
    if (!wellFormed(printer) || !wellFormed(offlineCause) || !wellFormed(paper)) {
        status.reply = DeviceStatus::Reply::malformed;
        return status;
    }
    const auto bits = [](const std::string &answer) { return static_cast<unsigned char>(answer[0]); };
    status.reply = DeviceStatus::Reply::known;
    status.offline = bits(printer) & 0x08;
    status.coverOpen = bits(offlineCause) & 0x04;
    status.paperOut = (bits(offlineCause) & 0x20) || (bits(paper) & 0x60) == 0x60;
    status.paperNearEnd = (bits(paper) & 0x0C) == 0x0C;
    status.error = bits(offlineCause) & 0x40;
    return status;
}

std::string deviceStatusText(const DeviceStatus &status)
{
    if (status.reply != DeviceStatus::Reply::known)
        return "não responde";
    if (status.paperOut)
        return "sem papel";
    if (status.coverOpen)
        return "tampa aberta";
    if (status.error)
        return "erro";
    if (status.offline)
        return "offline";
    if (status.paperNearEnd)
        return "pouco papel";
    return "pronta";
}

bool deviceStatusRefuses(const DeviceStatus &status)
{
    return status.reply == DeviceStatus::Reply::known
           && (status.paperOut || status.coverOpen || status.error || status.offline);
}

bool deviceCanAnswer(const PortTarget &target)
{
    if (target.kind != PortTarget::Kind::path)
        return true;
#ifdef _WIN32
    return false;
#else
    const std::string &path = target.path;
    return startsWith(path, "/dev/ttyS") || startsWith(path, "/dev/ttyUSB") || startsWith(path, "/dev/ttyACM")
           || startsWith(path, "/dev/usb/lp");
#endif
}

DeviceStatus askDeviceStatus(NetworkPrinter &printer)
{
    std::string answers[3];
    for (int i = 0; i < 3; ++i) {
        answers[i] = printer.ask(std::string(deviceStatusQuestions[i], 3), 1,
                                 std::chrono::milliseconds(deviceStatusWaitMs));
        if (answers[i].empty())
            break;
    }
    return deviceStatusFromAnswers(answers[0], answers[1], answers[2]);
}

// Serial lines and USB devices: device_status_posix.cpp, device_status_windows.cpp.
DeviceStatus queryPortStatus(const PortTarget &target);

DeviceStatus queryDeviceStatus(const PortTarget &target, int connectLimitMs)
{
    if (target.kind != PortTarget::Kind::network)
        return queryPortStatus(target);
    PrintControl control{std::chrono::milliseconds(connectLimitMs)};
    NetworkPrinter printer(target, control);
    // Quiet: a printer that cannot be reached is shown as such, not told on
    // the print's stream every few seconds.
    if (!printer.open(false))
        return DeviceStatus();
    return askDeviceStatus(printer);
}
