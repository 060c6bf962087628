#ifndef ORVANE_PAGE_PRINTING_H
#define ORVANE_PAGE_PRINTING_H

#include "job_choices.h"

class PrintControl;

// The page roads ("medio", "alto"), the cut included.
bool printPlainDocument(const PrintJob &job, PrintControl &control);
bool printHtmlDocument(const PrintJob &job, PrintControl &control);

#endif
