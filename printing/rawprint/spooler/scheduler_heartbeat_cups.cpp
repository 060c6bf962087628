#include "scheduler_heartbeat.h"

#include "cups_link.h"
#include "print_control.h"

#include <chrono>
#include <mutex>
#include <thread>

struct SchedulerHeartbeat::Beat {
    std::mutex mutex;
    bool stopped = false;
    PrintControl *control;
    PrintControl own;

    Beat(PrintControl *control)
        : control(control)
        , own(control->noAnswerLimit())
    {
    }
};

namespace {

const auto pause = std::chrono::milliseconds(500);

// The beat's thread: the question, then a pause, until stopped. It ends
// within a wait slice of the stop.
void beatOn(std::shared_ptr<SchedulerHeartbeat::Beat> beat)
{
    CupsLink link(&beat->own);
    while (!beat->own.abandoned()) {
        if (!link.http() || link.broken()) {
            link.disconnect();
            if (!link.connect()) {
                std::this_thread::sleep_for(pause);
                continue;
            }
        }
        ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
        ipp_t *answer = link.send(request, "/");
        if (answer) {
            std::lock_guard<std::mutex> lock(beat->mutex);
            if (!beat->stopped)
                beat->control->beginWait();
        }
        ippDelete(answer);
        std::this_thread::sleep_for(pause);
    }
}

} // namespace

SchedulerHeartbeat::SchedulerHeartbeat(PrintControl *control)
{
    if (!control)
        return;
    beat = std::make_shared<Beat>(control);
    std::thread(beatOn, beat).detach();
}

SchedulerHeartbeat::~SchedulerHeartbeat()
{
    if (!beat)
        return;
    std::lock_guard<std::mutex> lock(beat->mutex);
    beat->stopped = true;
    beat->own.abandon();
}
