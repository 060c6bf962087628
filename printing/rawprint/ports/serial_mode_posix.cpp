#include "serial_mode.h"

#include "print_control.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct SerialMode::Saved {
    int fd = -1;
    termios before = {};
};

namespace {

speed_t speedCode(unsigned speed)
{
    switch (speed) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

tcflag_t dataBitsFlag(int bits)
{
    switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

} // namespace

SerialMode::SerialMode() = default;
SerialMode::~SerialMode()
{
    leave(false);
}

bool SerialMode::isSerialLine(Handle handle)
{
    return ::isatty(handle) == 1;
}

bool SerialMode::enter(Handle handle, const SerialSettings &settings, std::string &error)
{
    if (!takeLine()) {
        error = "a porta serial esta em uso";
        return false;
    }
    auto keep = std::make_unique<Saved>();
    keep->fd = handle;
    if (::tcgetattr(handle, &keep->before) != 0) {
        error = "o destino nao e uma porta serial";
        releaseLine();
        return false;
    }
    termios mode = keep->before;
    ::cfmakeraw(&mode);
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    mode.c_cflag |= dataBitsFlag(settings.dataBits) | CREAD | CLOCAL;
    switch (settings.parity) {
    case 'e': mode.c_cflag |= PARENB; break;
    case 'o': mode.c_cflag |= PARENB | PARODD; break;
    case 'm': mode.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 's': mode.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (settings.stopBits == 2)
        mode.c_cflag |= CSTOPB;
    if (settings.flow == SerialSettings::Flow::xonXoff)
        mode.c_iflag |= IXON | IXOFF;
    else if (settings.flow == SerialSettings::Flow::hardware)
        mode.c_cflag |= CRTSCTS;
    if (settings.speed != 0) {
        const speed_t code = speedCode(settings.speed);
        if (code == B0) {
            error = "velocidade nao suportada: " + std::to_string(settings.speed);
            releaseLine();
            return false;
        }
        ::cfsetospeed(&mode, code);
        ::cfsetispeed(&mode, code);
    }
    if (::tcsetattr(handle, TCSANOW, &mode) != 0) {
        error = "a porta serial recusou o modo da impressao";
        releaseLine();
        return false;
    }
    saved = std::move(keep);
    return true;
}

bool SerialMode::drain(PrintControl &control)
{
    if (!saved)
        return true;
    // tcdrain would wait for ever on a line whose flow control holds it:
    // the bytes still queued are watched instead, and each one that leaves
    // is progress.
    WaitScope wait(&control);
    int left = -1;
    for (;;) {
        int queued = 0;
        if (::ioctl(saved->fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return true;
        if (queued != left) {
            left = queued;
            control.beginWait();
        } else if (control.shouldStop()) {
            return false;
        }
        ::usleep(10 * 1000);
    }
}

void SerialMode::leave(bool discardOutput)
{
    if (!saved)
        return;
    if (discardOutput)
        ::tcflush(saved->fd, TCOFLUSH);
    ::tcsetattr(saved->fd, TCSANOW, &saved->before);
    saved.reset();
    releaseLine();
}
