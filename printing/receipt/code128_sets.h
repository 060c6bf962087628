#ifndef ORVANE_CODE128_SETS_H
#define ORVANE_CODE128_SETS_H

#include "receipt_pieces.h"

#include <string>

namespace receipt {

// A Code 128 barcode as the printer's barcode command takes it and as
// zint draws it: the same code sets, so the same modules on paper and on
// the page.
struct Code128Data {
    // What follows GS k 73 n: a set selection ({A, {B or {C} first, a
    // literal brace as {{, two digits of set C as one byte of their value.
    std::string printerBytes;
    // The characters the symbol carries, for zint to draw.
    std::string text;
    // How zint is asked to draw it: Code128 chooses its sets (the same
    // choice as here), Code128B keeps to set B.
    BarcodeKind drawnAs = BarcodeKind::Code128;
    // The symbol characters from the start character to the last data
    // character: each one 11 modules wide.
    int symbolCharacters = 0;
    // Why the data cannot go in the code set asked, in Portuguese.
    std::string problem;

    // The modules of the whole symbol: its characters, the check
    // character, and the 13 modules of the stop character.
    int modules() const { return 11 * (symbolCharacters + 1) + 13; }
};

// `kind`: one of the Code 128 kinds. <code128> takes set C for a run of
// four or more digits (two when they are the whole data), set B for the
// rest, and keeps the set of data that starts with {A, {B or {C.
Code128Data code128Data(BarcodeKind kind, const std::string &data);

bool isCode128(BarcodeKind kind);

} // namespace receipt

#endif
