#include "output_streams.h"

#include <algorithm>
#include <iostream>
#include <streambuf>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#endif

namespace {

#ifdef _WIN32

void neverWait(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_PIPE)
        return;
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    SetNamedPipeHandleState(handle, &mode, nullptr, nullptr);
}

#else

// A pipe gets a description of its own, which the program that started us
// does not share, and which never waits; a socket is made not to wait.
void neverWait(int fd)
{
    struct stat status;
    if (fstat(fd, &status) != 0)
        return;
    if (S_ISFIFO(status.st_mode)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        const int own = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (own < 0)
            return;
        if (own != fd) {
            dup2(own, fd);
            close(own);
        }
    } else if (S_ISSOCK(status.st_mode)) {
        const int flags = fcntl(fd, F_GETFL);
        if (flags >= 0)
            fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

#endif

// Standard output through a buffer that writes what the descriptor takes
// and drops the rest, so that a full pipe neither blocks nor silences
// later lines for good (a stream whose write failed once stays failed).
class DroppingBuffer : public std::streambuf
{
public:
    explicit DroppingBuffer(int fd)
        : fd(fd)
    {
        setp(space, space + sizeof space);
    }

protected:
    int_type overflow(int_type c) override
    {
        drain();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override
    {
        drain();
        return 0;
    }

    std::streamsize xsputn(const char *data, std::streamsize count) override
    {
        if (count > epptr() - pptr()) {
            drain();
            if (count > epptr() - pptr()) {
                send(data, static_cast<size_t>(count));
                return count;
            }
        }
        std::copy(data, data + count, pptr());
        pbump(static_cast<int>(count));
        return count;
    }

private:
    void drain()
    {
        send(pbase(), static_cast<size_t>(pptr() - pbase()));
        setp(space, space + sizeof space);
    }

    void send(const char *data, size_t count)
    {
        while (count > 0) {
#ifdef _WIN32
            const int written = _write(fd, data, static_cast<unsigned>(count));
#else
            const ssize_t written = ::write(fd, data, count);
            if (written < 0 && errno == EINTR)
                continue;
#endif
            if (written <= 0)
                return; // full, closed or failed: the rest is dropped
            data += written;
            count -= static_cast<size_t>(written);
        }
    }

    const int fd;
    char space[8192];
};

} // namespace

void keepOutputFromBlocking()
{
#ifdef _WIN32
    neverWait(STD_OUTPUT_HANDLE);
    neverWait(STD_ERROR_HANDLE);
    const int outputFd = 1;
#else
    neverWait(STDOUT_FILENO);
    neverWait(STDERR_FILENO);
    const int outputFd = STDOUT_FILENO;
#endif
    // Never destroyed: the stream is flushed after every other object.
    static DroppingBuffer *const output = new DroppingBuffer(outputFd);
    std::cout.flush();
    std::cout.rdbuf(output);
}
