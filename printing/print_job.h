#ifndef ORVANE_PRINT_JOB_H
#define ORVANE_PRINT_JOB_H

#include "job_choices.h"

class PrintControl;

// Prints the job on the road its level chooses, followed by its cut; true
// when both went out. Reads nothing of the window, so
// it may run on any thread.
bool runPrintJob(const PrintJob &job, PrintControl &control);

// The cut of the job sent as a job of its own, after a road that did not
// spool.
void sendCutCommand(const PrintJob &job, PrintControl &control);

#endif
