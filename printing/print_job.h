#ifndef ORVANE_PRINT_JOB_H
#define ORVANE_PRINT_JOB_H

#include <QByteArray>
#include <QString>

#include <future>

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
    QString tags;             // "acbr": the file is a receipt written with tags; empty: plain text
    int columns = 48;         // the receipt's width in characters
    QByteArray fileData;
    QByteArray cutSequence;   // empty: an empty cut document
    int leftMargin = 0;
    int topMargin = 0;
    int bottomMargin = 0;
    int pageMargin = 0;
    int fontSize = 0;
    bool bold = false;
    // The text of the raw roads framed before the press for these very
    // choices; when not valid(), the road frames it.
    std::shared_future<QByteArray> framedAhead;
};

// Prints the job on the road its level chooses, followed by its cut; true
// when both went out. Reads nothing of the window, so
// it may run on any thread. A print the printer itself refused (no paper,
// cover open) or whose paper ran out during it sets `problem` to what the
// operator is told.
bool runPrintJob(const PrintJob &job, PrintControl &control, QString *problem = nullptr);

// How the text's lines end: LF for the spooler, CR LF for a port, as a
// Windows text-mode stream always wrote them there.
enum class LineEnds { Lf, CrLf };

// The bytes both direct-write roads send: the file framed by the margins,
// behind the dot-matrix mode sequence; a receipt with tags as the printer's
// commands. Null when it would not fit in memory, or when a tag cannot be
// carried out.
QByteArray directText(const PrintJob &job, LineEnds ends = LineEnds::Lf);

// True when the job goes to a receipt printer on the network ("escrita
// direta" to tcp://HOST:PORT), which needs no spooler queue.
bool printsToNetwork(const PrintJob &job);

// True when the job reads the file's tags.
bool readsTags(const PrintJob &job);

// "etiqueta inválida na linha N: ..." for the first tag of the file that
// cannot be carried out; empty when every tag can, or tags are not read.
QString receiptProblem(const PrintJob &job);

// The diagnostics line of a receipt refused for a tag, on standard output.
void sayReceiptRefused(const QString &problem);

// The cut of the job, a raw part to follow the print in its own job; and
// the same sent as a job of its own (after a road that did not spool).
SpoolPart cutPart(const PrintJob &job);
void sendCutCommand(const PrintJob &job, PrintControl &control);

// The page roads ("medio", "alto"), the cut included.
bool printPlainDocument(const PrintJob &job, PrintControl &control);
bool printHtmlDocument(const PrintJob &job, PrintControl &control);

#endif
