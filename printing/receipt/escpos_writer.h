#ifndef ORVANE_ESCPOS_WRITER_H
#define ORVANE_ESCPOS_WRITER_H

#include "receipt_pieces.h"
#include "receipt_reader.h"

#include <string>
#include <vector>

struct CodePage;

namespace receipt {

// How the raw roads frame a receipt, as they frame a plain file.
struct EscPosFrame {
    int leftMargin = 0;    // spaces before every line that starts on the left
    int topMargin = 0;     // blank lines before the receipt
    int bottomMargin = 0;  // blank lines after it
    int columns = 48;      // the receipt's width in characters of font A
    std::string setup;     // code page selection and dot-matrix mode: first, and again after a reset
    const CodePage *codePage = nullptr; // the text is converted to it; null: the file's bytes
    bool crlf = false;     // the port road: the text's line feeds as CR LF, never a byte of a command
};

// How many characters in `style` fill `columns` of font A: a font B
// character is three quarters as wide, double width twice as wide.
int ruleCharacters(int columns, const TextStyle &style);

// The pieces as ESC/POS bytes, written as they are read: `read` hands every
// piece to the sink it is given (as readReceipt() does); `sizeHint` is about
// how many bytes they hold. Only the text is converted to the code page;
// command bytes and barcode and QR data go as they are. With
// `restoreModes` the bytes end with the printer's modes back to normal (no
// bold, normal size, left, font A), so the next receipt starts clean.
// Without it, the pieces of a file without tags give the bytes of the plain
// framing.
std::string writeEscPos(const std::function<void(const PieceSink &)> &read, const EscPosFrame &frame,
                        bool restoreModes, std::size_t sizeHint);

} // namespace receipt

#endif
