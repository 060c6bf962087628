#include "direct_port.h"

#include <cstdio>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

struct DirectPortWriter::Stream
{
    std::FILE *file = nullptr;
};

namespace {

#ifndef _WIN32
// "LPT1".."LPT9" or "COM1".."COM9", any case, with an optional trailing
// colon: the port number 1..9, or 0 when the text names no such port.
int portNumber(const std::string &target, const char *prefix)
{
    std::string text = target;
    if (!text.empty() && text.back() == ':')
        text.pop_back();
    if (text.size() != 4)
        return 0;
    for (int i = 0; i < 3; ++i) {
        char c = text[static_cast<std::size_t>(i)];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != prefix[i])
            return 0;
    }
    const char digit = text[3];
    return (digit >= '1' && digit <= '9') ? digit - '0' : 0;
}
#endif

} // namespace

std::string directPortPath(const std::string &target)
{
#ifdef _WIN32
    // Windows knows its own device names.
    return target;
#else
    if (const int lpt = portNumber(target, "LPT"))
        return "/dev/lp" + std::to_string(lpt - 1);
    if (const int com = portNumber(target, "COM"))
        return "/dev/ttyS" + std::to_string(com - 1);
    return target;
#endif
}

DirectPortWriter::DirectPortWriter(const std::string &target)
    : stream(new Stream)
{
    const std::string path = directPortPath(target);
    if (!path.empty()) {
#ifdef _WIN32
        // Text mode: the C runtime turns every LF into CR LF.
        stream->file = std::fopen(path.c_str(), "w");
#else
        // Binary: the CR before every LF is written by write() itself.
        if (path == target) {
            stream->file = std::fopen(path.c_str(), "wb");
        } else {
            // A port must exist: never leave a plain file where the device
            // should be.
            const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
            if (fd >= 0 && !(stream->file = ::fdopen(fd, "wb")))
                ::close(fd);
        }
#endif
    }
    if (!stream->file)
        failed = true;
}

DirectPortWriter::~DirectPortWriter()
{
    close();
    delete stream;
}

bool DirectPortWriter::isOpen() const
{
    return stream->file != nullptr;
}

bool DirectPortWriter::write(const char *data, std::size_t length)
{
    if (!stream->file) {
        failed = true;
        return false;
    }
    if (length == 0)
        return true;
    if (!data) {
        failed = true;
        return false;
    }
#ifdef _WIN32
    const char *bytes = data;
    const std::size_t size = length;
#else
    // The bytes a Windows text-mode stream would put out.
    std::vector<char> converted;
    converted.reserve(length + length / 8 + 1);
    for (std::size_t i = 0; i < length; ++i) {
        if (data[i] == '\n')
            converted.push_back('\r');
        converted.push_back(data[i]);
    }
    const char *bytes = converted.data();
    const std::size_t size = converted.size();
#endif
    if (std::fwrite(bytes, 1, size, stream->file) != size) {
        failed = true;
        return false;
    }
    return true;
}

bool DirectPortWriter::close()
{
    if (stream->file) {
        if (std::fflush(stream->file) != 0 || std::ferror(stream->file))
            failed = true;
        if (std::fclose(stream->file) != 0)
            failed = true;
        stream->file = nullptr;
    }
    return !failed;
}
