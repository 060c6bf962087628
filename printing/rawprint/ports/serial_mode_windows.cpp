#include "serial_mode.h"

#include "print_control.h"

#include <windows.h>

struct SerialMode::Saved {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DCB before = {};
    COMMTIMEOUTS timeoutsBefore = {};
};

SerialMode::SerialMode() = default;
SerialMode::~SerialMode()
{
    leave(false);
}

bool SerialMode::isSerialLine(Handle handle)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    return GetFileType(handle) == FILE_TYPE_CHAR && GetCommState(handle, &dcb);
}

bool SerialMode::enter(Handle handle, const SerialSettings &settings, std::string &error)
{
    if (!takeLine()) {
        error = "a porta serial esta em uso";
        return false;
    }
    auto keep = std::make_unique<Saved>();
    keep->handle = handle;
    keep->before.DCBlength = sizeof keep->before;
    if (!GetCommState(handle, &keep->before) || !GetCommTimeouts(handle, &keep->timeoutsBefore)) {
        error = "o destino nao e uma porta serial";
        releaseLine();
        return false;
    }
    DCB mode = keep->before;
    mode.fBinary = TRUE;
    mode.fParity = settings.parity != 'n';
    switch (settings.parity) {
    case 'e': mode.Parity = EVENPARITY; break;
    case 'o': mode.Parity = ODDPARITY; break;
    case 'm': mode.Parity = MARKPARITY; break;
    case 's': mode.Parity = SPACEPARITY; break;
    default: mode.Parity = NOPARITY; break;
    }
    mode.ByteSize = static_cast<BYTE>(settings.dataBits);
    mode.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    if (settings.speed != 0)
        mode.BaudRate = settings.speed;
    const bool hardware = settings.flow == SerialSettings::Flow::hardware;
    const bool xonXoff = settings.flow == SerialSettings::Flow::xonXoff;
    mode.fOutxCtsFlow = hardware;
    mode.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    mode.fOutxDsrFlow = FALSE;
    mode.fDtrControl = DTR_CONTROL_ENABLE;
    mode.fDsrSensitivity = FALSE;
    mode.fOutX = xonXoff;
    mode.fInX = xonXoff;
    mode.fErrorChar = FALSE;
    mode.fNull = FALSE;
    mode.fAbortOnError = FALSE;
    // The writes are bounded by the program's own waits (overlapped, given
    // up after the no-answer limit); a read returns what has come at once.
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!SetCommState(handle, &mode) || !SetCommTimeouts(handle, &timeouts)) {
        error = "a porta serial recusou o modo da impressao (erro " + std::to_string(GetLastError()) + " do Windows)";
        SetCommState(handle, &keep->before);
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
    WaitScope wait(&control);
    DWORD left = MAXDWORD;
    for (;;) {
        COMSTAT status = {};
        DWORD errors = 0;
        if (!ClearCommError(saved->handle, &errors, &status) || status.cbOutQue == 0)
            return true;
        if (status.cbOutQue != left) {
            left = status.cbOutQue;
            control.beginWait();
        } else if (control.shouldStop()) {
            return false;
        }
        Sleep(10);
    }
}

void SerialMode::leave(bool discardOutput)
{
    if (!saved)
        return;
    if (discardOutput)
        PurgeComm(saved->handle, PURGE_TXABORT | PURGE_TXCLEAR);
    SetCommState(saved->handle, &saved->before);
    SetCommTimeouts(saved->handle, &saved->timeoutsBefore);
    saved.reset();
    releaseLine();
}
