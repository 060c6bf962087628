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

} // namespace receipt

#endif
