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
    // The three questions in one piece: the printer answers each in turn,
    // and a print waits for one round trip instead of three.
    const std::string questions(&deviceStatusQuestions[0][0], sizeof deviceStatusQuestions);
    const std::string answers = printer.ask(questions, 3, std::chrono::milliseconds(deviceStatusWaitMs));
    const auto answer = [&answers](std::size_t i) { return i < answers.size() ? answers.substr(i, 1) : std::string(); };
    return deviceStatusFromAnswers(answer(0), answer(1), answer(2));
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
