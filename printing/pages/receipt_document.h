#ifndef ORVANE_RECEIPT_DOCUMENT_H
#define ORVANE_RECEIPT_DOCUMENT_H

#include "receipt_pieces.h"

#include <QFont>
#include <QString>

#include <vector>

class QTextDocument;

// How a receipt written with tags is drawn on a page or in the preview.
struct ReceiptLook {
    // Font A at its normal size; fixed pitch, as the printer's is.
    QFont font;
    // The receipt's width in characters of font A.
    int columns = 48;
    // Blank columns before every left-aligned line, blank lines above and
    // below the receipt.
    int leftMargin = 0;
    int topMargin = 0;
    int bottomMargin = 0;
    // The document's pixels in a millimetre, for the symbols' sizes, and
    // how many image pixels go in one of them: more than one on paper, so
    // that the symbols' edges stay sharp at the printer's resolution.
    qreal pixelsPerMm = 96 / 25.4;
    int imageScale = 1;
    // The preview shows a cut as a dashed line; paper shows nothing.
    bool showCuts = false;
};

// `font`, or the system's fixed-pitch font at its size and weight where
// the family is missing and the stand-in is proportional (Courier New
// under wine): a receipt's columns need one width for every character.
QFont fixedPitchFont(QFont font);

// Fills `document` with the receipt as the printer prints it: a paragraph
// for each printed line, in the character modes of its text, aligned
// within `columns` and wrapped where the printer wraps; ruled lines across
// the receipt; barcodes and QR codes as images. Drawer pulses, beeps and
// the printer's stored logo print nothing. Returns what could not be
// drawn ("etiqueta inválida na linha N: ..."), empty when all was.
QString layOutReceipt(QTextDocument &document, const std::vector<receipt::Piece> &pieces, const ReceiptLook &look);

#endif
