#include "serial_mode.h"

#include <chrono>
#include <mutex>

namespace {

std::timed_mutex &lineInUse()
{
    static std::timed_mutex lock;
    return lock;
}

// A status question is short (three answers of half a second at most); a
// print holds the line longer, and a question meanwhile is given up.
const std::chrono::seconds lineWait{2};

} // namespace

bool SerialMode::takeLine()
{
    wasBusy = !lineInUse().try_lock_for(lineWait);
    return !wasBusy;
}

void SerialMode::releaseLine()
{
    lineInUse().unlock();
}
