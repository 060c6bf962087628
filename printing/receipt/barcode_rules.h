#ifndef ORVANE_BARCODE_RULES_H
#define ORVANE_BARCODE_RULES_H

#include "receipt_pieces.h"

#include <string>

namespace receipt {

// The symbology of a barcode tag's name ("ean13", "inter"...).
BarcodeKind barcodeKindNamed(const std::string &name);

// Why the symbology cannot carry the data, in Portuguese; empty when it
// can. What every writer can print: the printers' own barcode command
// takes at most 255 bytes, and zint must be able to draw it.
std::string barcodeProblem(BarcodeKind kind, const std::string &data);

// The seven digits of the UPC-E (number system 0) that the 11 digits of a
// UPC-A reduce to, as the printers reduce them; empty when they do not.
std::string upcEOfUpcA(const std::string &upcA);

// The data as the till programs mean it: without the spaces and line
// breaks around it, an interleaved 2 of 5 of odd length behind a 0.
std::string leniently(BarcodeKind kind, const std::string &data);

// The barcodes the printers have no command for, printed as pictures.
bool isPictureOnly(BarcodeKind kind);

// The modules of the symbol the printer gets, from its first bar to its
// last; the data is one barcodeProblem() takes.
int barcodeModules(BarcodeKind kind, const std::string &data);

} // namespace receipt

#endif
