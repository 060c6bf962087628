#pragma once

// Lowers the calling thread below the program's other threads, so that it
// runs on what they leave of the processors: for work that must be done
// but that no one waits for now, such as the debug copies of a large
// document while the document itself goes to the spooler. Best effort: a
// system that refuses leaves the thread as it was.
void lowerThisThreadToBackground();
