#ifndef ORVANE_DIRECT_TEXT_H
#define ORVANE_DIRECT_TEXT_H

#include "job_choices.h"
#include "raw_spooler.h"

// How the text's lines end: LF for the spooler, CR LF for a port, as a
// Windows text-mode stream always wrote them there.
enum class LineEnds { Lf, CrLf };

// The bytes both direct-write roads send: the file framed by the margins,
// behind the dot-matrix mode sequence; a receipt with tags as the printer's
// commands. Null when it would not fit in memory, or when a tag cannot be
// carried out.
QByteArray directText(const PrintJob &job, LineEnds ends = LineEnds::Lf);

// True when the job reads the file's tags.
bool readsTags(const PrintJob &job);

// "etiqueta inválida na linha N: ..." for the first tag of the file that
// cannot be carried out; empty when every tag can, or tags are not read.
QString receiptProblem(const PrintJob &job);

// The diagnostics line of a receipt refused for a tag, on standard output.
void sayReceiptRefused(const QString &problem);

// The cut of the job, a raw part to follow the print in its own job.
SpoolPart cutPart(const PrintJob &job);

#endif
