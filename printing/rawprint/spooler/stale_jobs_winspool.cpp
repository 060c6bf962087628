// The Windows spooler holds no job of ours: a document is spooled as it is
// written and printed once it ends, so no job waits for a release that a
// killed run would never send. A document whose program ended before it
// did is the spooler's to clean up.

#include "stale_jobs.h"

const char *const runTagAttribute = "";

std::string thisRunTag()
{
    return std::string();
}

bool runHasEnded(const std::string &)
{
    return false;
}

int cancelJobsLeftBehind(PrintControl *, bool)
{
    return 0;
}

void startCancellingJobsLeftBehind()
{
}

bool cancellingJobsLeftBehind()
{
    return false;
}

void noteJobMayBeLeft()
{
}

bool jobsMayBeLeft()
{
    return false;
}

void cancelJobsThisRunLeft(int)
{
}
