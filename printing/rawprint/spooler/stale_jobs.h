#ifndef ORVANE_STALE_JOBS_H
#define ORVANE_STALE_JOBS_H

#include <string>

class PrintControl;

// Jobs that a run of the program left held. A print holds its job until
// the whole document is in; a run killed meanwhile (from a task manager, by
// a power cut of the till) never releases it, and whoever released it later
// would print an old receipt. Every job carries the tag of the run that
// made it, so that the next print or the next start on this machine can
// find the held jobs whose run has ended, and cancel them. Jobs of runs of
// other machines, and of runs still going, are never touched.

// The job attribute that carries the tag.
extern const char *const runTagAttribute;

// This run's tag: the machine, its boot, the process and its start.
std::string thisRunTag();

// Whether the run of `tag` has ended: a run of this machine whose process
// is gone, or is another process now, or of a boot before this one.
bool runHasEnded(const std::string &tag);

// Cancels the held jobs of this user that ended runs of this machine left,
// and with ownToo those of this run (when none of its prints is under way).
// How many were cancelled; -1 when the spooler gave no answer.
int cancelJobsLeftBehind(PrintControl *control, bool ownToo);

// The same on a thread of its own, at start-up; nothing waits for it.
void startCancellingJobsLeftBehind();
bool cancellingJobsLeftBehind();

// A print of this run may have left its job held: its cancel found no
// scheduler, or the answer to the job's creation never came.
void noteJobMayBeLeft();
// At the next print, or when the run ends (within `limitMs`), the jobs this
// run left are cancelled. True when there may be some.
bool jobsMayBeLeft();
void cancelJobsThisRunLeft(int limitMs);

#endif
