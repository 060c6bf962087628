#include "device_status.h"

#include "serial_mode.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// One answer byte within the wait; empty when none came.
std::string answerTo(int fd, const char *question)
{
    if (::write(fd, question, 3) != 3)
        return std::string();
    pollfd ready = {fd, POLLIN, 0};
    char byte = 0;
    if (::poll(&ready, 1, deviceStatusWaitMs) <= 0 || ::read(fd, &byte, 1) != 1)
        return std::string();
    return std::string(1, byte);
}

} // namespace

DeviceStatus queryPortStatus(const PortTarget &target)
{
    const int fd = ::open(target.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return DeviceStatus();
    SerialMode mode;
    const bool serial = SerialMode::isSerialLine(fd);
    std::string error;
    std::string answers[3];
    if (!serial || mode.enter(fd, target.serial, error)) {
        // An answer to an earlier question, late, is not this one's.
        if (serial) {
            ::tcflush(fd, TCIFLUSH);
        } else {
            char old[64];
            while (::read(fd, old, sizeof old) > 0) {
            }
        }
        for (int i = 0; i < 3; ++i) {
            answers[i] = answerTo(fd, deviceStatusQuestions[i]);
            if (answers[i].empty())
                break;
        }
        // A question a silent printer never took must not hold the close.
        if (serial)
            ::tcflush(fd, TCOFLUSH);
        mode.leave(false);
    }
    ::close(fd);
    if (mode.busy())
        return DeviceStatus{DeviceStatus::Reply::busy};
    return deviceStatusFromAnswers(answers[0], answers[1], answers[2]);
}
