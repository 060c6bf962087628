#include "background_priority.h"

#include <windows.h>

void lowerThisThreadToBackground()
{
    // The lowest priority of the normal class: Windows still lifts a thread
    // starved for seconds, so it always ends.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}
