#ifndef ORVANE_PRINT_JOB_H
#define ORVANE_PRINT_JOB_H

#include "job_choices.h"

class PrintControl;

// Prints the job on the road its level chooses, followed by its cut; true
// when both went out. Reads nothing of the window, so
// it may run on any thread. A print the printer itself refused (no paper,
// cover open) or whose paper ran out during it sets `problem` to what the
// operator is told.
bool runPrintJob(const PrintJob &job, PrintControl &control, QString *problem = nullptr);

// True when the job goes to a receipt printer on the network ("escrita
// direta" to tcp://HOST:PORT), which needs no spooler queue.
bool printsToNetwork(const PrintJob &job);

// The cut of the job sent as a job of its own, after a road that did not
// spool.
void sendCutCommand(const PrintJob &job, PrintControl &control);

#endif
