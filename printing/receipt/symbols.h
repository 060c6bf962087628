#ifndef ORVANE_RECEIPT_SYMBOLS_H
#define ORVANE_RECEIPT_SYMBOLS_H

#include "receipt_pieces.h"

#include <string>
#include <vector>

namespace receipt {

// The barcodes and the QR code a receipt may carry, encoded by zint. Plain
// C++ like the raw spooler: the reader checks a symbol's data with it
// before any road starts, and the page roads draw what it encodes.

// The symbol's modules, without quiet zones: one byte per module, row
// after row, nonzero for a dark module. A barcode is one row.
struct SymbolModules {
    int columns = 0;
    int rows = 0;
    std::vector<unsigned char> dark;
    // What a barcode shows under its bars, its check digit included.
    std::string digits;
    // Why the data makes no symbol, in the operator's words; empty when it
    // does.
    std::string error;

    bool encoded() const { return error.empty() && columns > 0 && rows > 0; }
    bool isDark(int column, int row) const { return dark[std::size_t(row) * std::size_t(columns) + std::size_t(column)] != 0; }
};

// `data`: the bytes between the tags, as the file holds them (a QR code's
// URL in UTF-8), given to zint as they are, like the printer gets them.
// `errorLevel`: 0 to 3 for L, M, Q, H.
SymbolModules encodeQrCode(const std::string &data, int errorLevel);
SymbolModules encodeBarcode(BarcodeKind kind, const std::string &data);

} // namespace receipt

#endif
