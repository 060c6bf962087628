#ifndef ORVANE_PRINT_JOB_H
#define ORVANE_PRINT_JOB_H

#include <QByteArray>
#include <QString>

#include "raw_spooler.h"

class PrintControl;

// One press of IMPRIMIR: the file and every choice the window showed at
// that moment. The print runs on a thread of its own from this copy, so
// nothing the operator does meanwhile changes it.
struct PrintJob {
    QString level;            // "alto", "medio", "baixo" or "escrita direta"
    QString printerName;
    QString directTarget;     // the port or file of "escrita direta"
    QString dotMatrixMode;
    QString fontFace;
    QString codePage;         // the printer's code page on the raw roads; empty: bytes unchanged
    QByteArray fileData;
    QByteArray cutSequence;   // empty: an empty cut document
    int leftMargin = 0;
    int topMargin = 0;
    int bottomMargin = 0;
    int pageMargin = 0;
    int fontSize = 0;
    bool bold = false;
};

// Prints the job on the road its level chooses, followed by its cut; true
// when both went out. Reads nothing of the window, so
// it may run on any thread.
bool runPrintJob(const PrintJob &job, PrintControl &control);

// The bytes both direct-write roads send: the file framed by the margins,
// behind the dot-matrix mode sequence. Null when it would not fit in memory.
QByteArray directText(const PrintJob &job);

// The cut of the job, a raw part to follow the print in its own job; and
// the same sent as a job of its own (after a road that did not spool).
SpoolPart cutPart(const PrintJob &job);
void sendCutCommand(const PrintJob &job, PrintControl &control);

// The page roads ("medio", "alto"), the cut included.
bool printPlainDocument(const PrintJob &job, PrintControl &control);
bool printHtmlDocument(const PrintJob &job, PrintControl &control);

#endif
