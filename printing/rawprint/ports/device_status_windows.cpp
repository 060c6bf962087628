#include "device_status.h"

#include "serial_mode.h"

#include <windows.h>

namespace {

std::string answerTo(HANDLE port, const char *question)
{
    DWORD count = 0;
    if (!WriteFile(port, question, 3, &count, nullptr) || count != 3)
        return std::string();
    char byte = 0;
    if (!ReadFile(port, &byte, 1, &count, nullptr) || count != 1)
        return std::string();
    return std::string(1, byte);
}

} // namespace

DeviceStatus queryPortStatus(const PortTarget &target)
{
    const HANDLE port = CreateFileA(target.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
    // A COM port is the program's alone while a print writes it.
    if (port == INVALID_HANDLE_VALUE)
        return DeviceStatus{GetLastError() == ERROR_ACCESS_DENIED ? DeviceStatus::Reply::busy
                                                                  : DeviceStatus::Reply::silent};
    std::string answers[3];
    SerialMode mode;
    std::string error;
    if (SerialMode::isSerialLine(port) && mode.enter(port, target.serial, error)) {
        // Each question and its answer bounded by the half-second wait.
        COMMTIMEOUTS timeouts = {};
        timeouts.ReadTotalTimeoutConstant = deviceStatusWaitMs;
        timeouts.WriteTotalTimeoutConstant = deviceStatusWaitMs;
        SetCommTimeouts(port, &timeouts);
        PurgeComm(port, PURGE_RXCLEAR);
        for (int i = 0; i < 3; ++i) {
            answers[i] = answerTo(port, deviceStatusQuestions[i]);
            if (answers[i].empty())
                break;
        }
        mode.leave(true);
    }
    CloseHandle(port);
    if (mode.busy())
        return DeviceStatus{DeviceStatus::Reply::busy};
    return deviceStatusFromAnswers(answers[0], answers[1], answers[2]);
}
