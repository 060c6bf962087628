#include "direct_port.h"

#include "port_target.h"
#include "print_control.h"
#include "serial_mode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

struct DirectPortWriter::Stream
{
#ifdef _WIN32
    HANDLE handle = INVALID_HANDLE_VALUE;
    // Signalled when an overlapped write ends.
    HANDLE done = nullptr;
    // Where the next write goes: a file opened for overlapped writes has no
    // position of its own.
    unsigned long long offset = 0;
#else
    int fd = -1;
#endif
    std::size_t written = 0;
    // A serial line in raw mode for the print, its settings put back after.
    SerialMode serial;
    PrintControl ownControl;
    PrintControl *control = &ownControl;
};

namespace {

// Bytes per write. Small enough that a slow printer (a dot-matrix one takes
// a few hundred bytes a second) finishes one well within the no-answer
// limit: a write that is still under way shows no progress.
const std::size_t pieceSize = 1024;

// Why a wait for the target ended, for the diagnostics.
std::string stopReason(const PrintControl &control)
{
    if (control.abandoned())
        return "impressao abandonada";
    std::ostringstream text;
    text << "o destino nao recebeu bytes em " << control.noAnswerLimit().count() / 1000.0 << " s";
    return text.str();
}

void reportOpenFailure(const std::string &path, const std::string &reason)
{
    std::fprintf(stderr, "escrita direta: nao foi possivel abrir %s: %s\n", path.c_str(),
                 reason.c_str());
}

#ifdef _WIN32
std::string systemError(DWORD code)
{
    return "erro " + std::to_string(code) + " do Windows";
}
#else
bool isFifo(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}
#endif

} // namespace

std::string directPortPath(const std::string &target)
{
    return parsePortTarget(target).path;
}

DirectPortWriter::DirectPortWriter(const std::string &target, PrintControl *control)
    : stream(new Stream)
{
    if (control)
        stream->control = control;
    const PortTarget parsed = parsePortTarget(target);
    const std::string &path = parsed.path;
    if (path.empty()) {
        failed = true;
        return;
    }
#ifdef _WIN32
    // CREATE_ALWAYS, as fopen "w" does; overlapped, so that a write the port
    // does not take can be given up.
    // A serial port is opened as it is; anything else is emptied first.
    const bool serial = parsed.kind == PortTarget::Kind::serial;
    stream->handle = CreateFileA(path.c_str(), GENERIC_WRITE, serial ? 0 : FILE_SHARE_READ, nullptr,
                                 serial ? OPEN_EXISTING : CREATE_ALWAYS, FILE_FLAG_OVERLAPPED, nullptr);
    if (stream->handle == INVALID_HANDLE_VALUE) {
        reportOpenFailure(path, systemError(GetLastError()));
    } else if (!(stream->done = CreateEventA(nullptr, TRUE, FALSE, nullptr))) {
        reportOpenFailure(path, systemError(GetLastError()));
        CloseHandle(stream->handle);
        stream->handle = INVALID_HANDLE_VALUE;
    }
#else
    // A port must exist: never leave a plain file where the device should
    // be. Non-blocking, so that neither opening nor writing waits for ever.
    const bool port = path != target;
    const int flags = O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC | O_NONBLOCK | (port ? 0 : O_CREAT);
    WaitScope wait(stream->control);
    for (;;) {
        stream->fd = ::open(path.c_str(), flags, 0666);
        if (stream->fd >= 0)
            break;
        // A FIFO refuses a non-blocking writer until someone opens it to read.
        if (errno != ENXIO || !isFifo(path)) {
            reportOpenFailure(path, std::strerror(errno));
            break;
        }
        if (stream->control->shouldStop()) {
            reportOpenFailure(path, stopReason(*stream->control));
            break;
        }
        ::usleep(100 * 1000);
    }
#endif
    if (isOpen())
        enterSerialMode(parsed);
    if (!isOpen())
        failed = true;
}

void DirectPortWriter::enterSerialMode(const PortTarget &target)
{
#ifdef _WIN32
    const SerialMode::Handle handle = stream->handle;
#else
    const SerialMode::Handle handle = stream->fd;
#endif
    std::string error;
    if (SerialMode::isSerialLine(handle)) {
        if (stream->serial.enter(handle, target.serial, error))
            return;
    } else if (target.kind != PortTarget::Kind::serial || target.serial.speed == 0) {
        // A file, a FIFO, a parallel port: the bytes go as they are.
        return;
    } else {
        error = "o destino nao e uma porta serial";
    }
    reportOpenFailure(target.path, error);
    failed = true;
    close();
}

DirectPortWriter::~DirectPortWriter()
{
    close();
    delete stream;
}

bool DirectPortWriter::isOpen() const
{
#ifdef _WIN32
    return stream->handle != INVALID_HANDLE_VALUE;
#else
    return stream->fd >= 0;
#endif
}

std::size_t DirectPortWriter::bytesWritten() const
{
    return stream->written;
}

bool DirectPortWriter::write(const char *data, std::size_t length)
{
    if (!isOpen()) {
        failed = true;
        return false;
    }
    if (length == 0)
        return true;
    if (!data) {
        failed = true;
        return false;
    }
    // The bytes as given: the caller makes the text's line ends CR LF, and
    // a 10 inside a printer command stays 10.
    const std::string_view converted(data, length);

    PrintControl &control = *stream->control;
    WaitScope wait(&control);
    const std::size_t total = stream->written + converted.size();
    std::string reason;
    for (std::size_t at = 0; at < converted.size() && reason.empty();) {
        const std::size_t size = std::min(converted.size() - at, pieceSize);
#ifdef _WIN32
        OVERLAPPED overlapped = {};
        overlapped.Offset = static_cast<DWORD>(stream->offset);
        overlapped.OffsetHigh = static_cast<DWORD>(stream->offset >> 32);
        overlapped.hEvent = stream->done;
        DWORD taken = 0;
        if (!WriteFile(stream->handle, converted.data() + at, static_cast<DWORD>(size), nullptr,
                       &overlapped)
            && GetLastError() != ERROR_IO_PENDING) {
            reason = systemError(GetLastError());
            break;
        }
        // Waits in slices, so that a port that takes nothing can be given up.
        while (WaitForSingleObject(stream->done, 100) == WAIT_TIMEOUT) {
            if (control.shouldStop()) {
                reason = stopReason(control);
                CancelIo(stream->handle);
                break;
            }
        }
        // Also waits for a cancelled write to end: it still uses the buffer.
        if (!GetOverlappedResult(stream->handle, &overlapped, &taken, TRUE) && reason.empty())
            reason = systemError(GetLastError());
        stream->offset += taken;
        const std::size_t count = taken;
#else
        const ssize_t result = ::write(stream->fd, converted.data() + at, size);
        if (result < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            reason = std::strerror(errno);
            break;
        }
        const std::size_t count = result > 0 ? static_cast<std::size_t>(result) : 0;
        if (count == 0) {
            // Some drivers (the parallel port's) cannot be polled and always
            // say ready: a short pause keeps that from spinning.
            pollfd ready = {stream->fd, POLLOUT, 0};
            if (::poll(&ready, 1, 100) > 0)
                ::usleep(10 * 1000);
        }
#endif
        if (count > 0) {
            at += count;
            stream->written += count;
            control.beginWait();
        } else if (reason.empty() && control.shouldStop()) {
            reason = stopReason(control);
        }
    }
    if (reason.empty())
        return true;
    std::fprintf(stderr, "escrita direta: %zu de %zu bytes enviados antes de parar: %s\n",
                 stream->written, total, reason.c_str());
    failed = true;
    return false;
}

bool DirectPortWriter::close()
{
    if (isOpen() && !failed && !stream->serial.drain(*stream->control)) {
        std::fprintf(stderr, "escrita direta: a porta serial parou de enviar: %s\n",
                     stopReason(*stream->control).c_str());
        failed = true;
    }
    stream->serial.leave(failed);
#ifdef _WIN32
    if (stream->handle != INVALID_HANDLE_VALUE) {
        if (!CloseHandle(stream->handle))
            failed = true;
        CloseHandle(stream->done);
        stream->handle = INVALID_HANDLE_VALUE;
        stream->done = nullptr;
    }
#else
    if (stream->fd >= 0) {
        // A serial port would drain what it still holds for up to 30 s when
        // closed; after a failure that output is given up.
        if (failed)
            ::tcflush(stream->fd, TCOFLUSH);
        if (::close(stream->fd) != 0)
            failed = true;
        stream->fd = -1;
    }
#endif
    return !failed;
}
