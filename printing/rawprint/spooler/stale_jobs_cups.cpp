#include "stale_jobs.h"

#include "cups_link.h"
#include "print_control.h"

#include <cups/cups.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

const char *const runTagAttribute = "orvane-run";

namespace {

std::atomic<int> cleaners{0};
std::atomic<bool> leftoversPossible{false};

std::string hostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

std::string bootId()
{
    std::ifstream file("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(file, id);
    return id.empty() ? "-" : id;
}

// When the process started, in clock ticks after boot; "-" when unknown.
std::string processStart(long pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(file, stat);
    // The command name may hold spaces and parentheses: the fields after
    // it start at the last ')'; the start time is the 20th of those.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return "-";
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int n = 0; n < 20 && fields >> field; ++n) {
    }
    return fields ? field : "-";
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

struct HeldJob {
    int id;
    std::string tag;
};

// The held jobs of this user on the scheduler, with their tags.
bool heldJobs(CupsLink &link, std::vector<HeldJob> *jobs)
{
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
    const char *const wanted[] = {"job-id", "job-state", runTagAttribute};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    ipp_t *response = link.send(request, "/");
    if (!response)
        return false;
    const bool answered = ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING
                          || ippGetStatusCode(response) == IPP_STATUS_ERROR_NOT_FOUND;
    int id = 0;
    int state = 0;
    std::string tag;
    auto take = [&] {
        if (id > 0 && state == IPP_JSTATE_HELD && !tag.empty())
            jobs->push_back({id, tag});
        id = state = 0;
        tag.clear();
    };
    for (ipp_attribute_t *attribute = ippFirstAttribute(response); attribute;
         attribute = ippNextAttribute(response)) {
        const char *name = ippGetName(attribute);
        if (!name) {
            take();
            continue;
        }
        const std::string key = name;
        if (key == "job-id")
            id = ippGetInteger(attribute, 0);
        else if (key == "job-state")
            state = ippGetInteger(attribute, 0);
        else if (key == runTagAttribute && ippGetString(attribute, 0, nullptr))
            tag = ippGetString(attribute, 0, nullptr);
    }
    take();
    ippDelete(response);
    return answered;
}

bool cancel(CupsLink &link, int id)
{
    ipp_t *request = ippNewRequest(IPP_OP_CANCEL_JOB);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ipp_t *response = link.send(request, "/jobs/");
    const bool cancelled = response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING;
    ippDelete(response);
    return cancelled;
}

} // namespace

std::string thisRunTag()
{
    static const std::string tag = hostName() + '/' + bootId() + '/' + std::to_string(getpid()) + '/'
                                   + processStart(getpid());
    return tag;
}

bool runHasEnded(const std::string &tag)
{
    const std::vector<std::string> parts = split(tag, '/');
    if (parts.size() != 4 || parts[0] != hostName())
        return false;
    if (parts[1] != bootId())
        return true;
    long pid = 0;
    try {
        pid = std::stol(parts[2]);
    } catch (...) {
        return false;
    }
    if (pid <= 0)
        return false;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return true;
    const std::string start = processStart(pid);
    return start != "-" && parts[3] != "-" && start != parts[3];
}

int cancelJobsLeftBehind(PrintControl *control, bool ownToo)
{
    PrintControl ownControl;
    CupsLink link(control ? control : &ownControl);
    std::vector<HeldJob> jobs;
    if (!link.connect() || !heldJobs(link, &jobs))
        return -1;
    int cancelled = 0;
    for (const HeldJob &job : jobs) {
        const bool ours = job.tag == thisRunTag();
        if ((ours && ownToo) || (!ours && runHasEnded(job.tag)))
            cancelled += cancel(link, job.id) ? 1 : 0;
    }
    return cancelled;
}

void startCancellingJobsLeftBehind()
{
    ++cleaners;
    std::thread([] {
        cancelJobsLeftBehind(nullptr, false);
        --cleaners;
    }).detach();
}

bool cancellingJobsLeftBehind()
{
    return cleaners.load() > 0;
}

void noteJobMayBeLeft()
{
    leftoversPossible = true;
}

bool jobsMayBeLeft()
{
    return leftoversPossible.load();
}

void cancelJobsThisRunLeft(int limitMs)
{
    if (!leftoversPossible.exchange(false))
        return;
    PrintControl control{std::chrono::milliseconds(limitMs)};
    if (cancelJobsLeftBehind(&control, true) < 0)
        leftoversPossible = true;
}
