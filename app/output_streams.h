#ifndef ORVANE_OUTPUT_STREAMS_H
#define ORVANE_OUTPUT_STREAMS_H

// The diagnostics on standard output and standard error never hold the
// program: a till program that reads them only after the program ended, or
// never, leaves a pipe that fills up, and a write to it would wait for
// ever. From this call on, what a pipe cannot take at once is dropped.
void keepOutputFromBlocking();

#endif
