#ifndef ORVANE_JOB_CHOICES_H
#define ORVANE_JOB_CHOICES_H

#include <QByteArray>
#include <QString>

#include <future>

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
    QString fileFolder;       // where the file is: a <bmp>'s relative path starts there
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

#endif
