#ifndef ORVANE_SCHEDULER_HEARTBEAT_H
#define ORVANE_SCHEDULER_HEARTBEAT_H

#include <memory>

class PrintControl;

// While it lives, asks the print scheduler a small question over and over
// on a thread of its own, and counts every answer as progress of the wait
// the control marks. For calls whose own progress cannot be seen (the
// toolkit's printer queries): a scheduler that answers slowly keeps them
// going, one that is silent lets the control's limit end them. Does
// nothing where the spooler is not a scheduler over a connection (Windows).
class SchedulerHeartbeat
{
public:
    explicit SchedulerHeartbeat(PrintControl *control);
    ~SchedulerHeartbeat();
    SchedulerHeartbeat(const SchedulerHeartbeat &) = delete;
    SchedulerHeartbeat &operator=(const SchedulerHeartbeat &) = delete;

    struct Beat;

private:
    std::shared_ptr<Beat> beat;
};

#endif
