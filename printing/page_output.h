#ifndef ORVANE_PAGE_OUTPUT_H
#define ORVANE_PAGE_OUTPUT_H

class PrintControl;
class QPrinter;
class QTextDocument;

// Prints a document on the printer named in `printer`. False when painting
// failed or the spooler did not take the job: on Linux Qt paints a PDF with
// the page the queue would have given, and that PDF goes through the same
// spooler steps as a raw document, so a queue that refuses the job, is gone
// or whose scheduler is down is seen; Qt's own CUPS output would not tell.
// On Windows the printer's driver prints through Qt, whose state tells.
bool printPages(QTextDocument &document, QPrinter &printer, PrintControl &control);

#endif
