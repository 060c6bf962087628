#ifndef ORVANE_PASSWORD_PROMPT_H
#define ORVANE_PASSWORD_PROMPT_H

// A print server that asks for a password gets none: the spooler's library
// would otherwise ask on the terminal the program was started from (a till
// program's console), reading it with echo off while the print waits. The
// library keeps this choice per thread: every thread that may talk to the
// scheduler (ours, and Qt's printer queries) calls it first.
void refusePasswordPrompts();

#endif
