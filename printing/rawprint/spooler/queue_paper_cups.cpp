#include "queue_paper.h"

#include <cups/cups.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

namespace {

// The queue's name as a path segment: its bytes outside the unreserved
// ones percent-encoded (queue names may carry accents).
std::string pathSegment(const std::string &name)
{
    std::string segment;
    for (const unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '~') {
            segment += char(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            segment += escaped;
        }
    }
    return segment;
}

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

QueuePaper paperOfPpd(const std::string &ppd)
{
    QueuePaper paper;
    const std::string defaultKey = "*DefaultPageSize:";
    std::size_t at = ppd.find("\n" + defaultKey);
    if (at == std::string::npos)
        return paper;
    at += 1 + defaultKey.size();
    const std::string name = trimmed(ppd.substr(at, ppd.find('\n', at) - at));
    if (name.empty())
        return paper;
    // *PaperDimension NAME[/Text]: "WIDTH HEIGHT"
    for (std::size_t line = ppd.find("\n*PaperDimension "); line != std::string::npos;
         line = ppd.find("\n*PaperDimension ", line + 1)) {
        const std::size_t keyStart = line + 17;
        const std::size_t colon = ppd.find(':', keyStart);
        const std::size_t end = ppd.find('\n', keyStart);
        if (colon == std::string::npos || colon > end)
            continue;
        std::string key = ppd.substr(keyStart, colon - keyStart);
        key = trimmed(key.substr(0, key.find('/')));
        double width = 0;
        double height = 0;
        if (key == name && std::sscanf(ppd.c_str() + colon + 1, " \"%lf %lf\"", &width, &height) == 2 && width > 0
            && height > 0) {
            paper.found = true;
            paper.name = name;
            paper.widthPoints = width;
            paper.heightPoints = height;
            return paper;
        }
    }
    return paper;
}

bool askQueuePaper(const std::string &queue, QueuePaper &paper)
{
    paper = {};
    // Kept in memory: a full disk changes nothing.
    const int fd = memfd_create("orvane-ppd", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string resource = "/printers/" + pathSegment(queue) + ".ppd";
    const http_status_t status = cupsGetFd(CUPS_HTTP_DEFAULT, resource.c_str(), fd);
    if (status == HTTP_STATUS_NOT_FOUND) {
        close(fd);
        return true;
    }
    std::string ppd;
    if (status == HTTP_STATUS_OK && lseek(fd, 0, SEEK_SET) == 0) {
        char buffer[16384];
        ssize_t got;
        while ((got = read(fd, buffer, sizeof buffer)) > 0)
            ppd.append(buffer, std::size_t(got));
    }
    close(fd);
    if (status != HTTP_STATUS_OK)
        return false;
    paper = paperOfPpd("\n" + ppd);
    return true;
}
