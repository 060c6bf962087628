#include "scheduler_heartbeat.h"

struct SchedulerHeartbeat::Beat {
};

SchedulerHeartbeat::SchedulerHeartbeat(PrintControl *)
{
}

SchedulerHeartbeat::~SchedulerHeartbeat() = default;
