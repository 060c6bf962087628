#include "background_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void lowerThisThreadToBackground()
{
#ifdef __linux__
    // On Linux a nice value belongs to the thread: the weakest one still
    // gets a share of a busy processor, so the thread always ends.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
#endif
}
