#ifndef ORVANE_RECEIPT_READER_H
#define ORVANE_RECEIPT_READER_H

#include "raster_pictures.h"
#include "receipt_pieces.h"

#include <cstddef>
#include <functional>
#include <string_view>

namespace receipt {

// The blank lines </pular_linhas> feeds.
constexpr int feedLinesCount = 5;

// The printer's dots in a column of font A: the print area is the
// receipt's columns times this (576 dots for 48 columns).
constexpr int dotsPerColumn = 12;

// Reads a receipt written with tags into pieces. Tag names in any case; a
// '<' that opens no known tag, and a tag used in a form it does not have,
// stay text as written. The text between tags keeps the file's bytes; a
// UTF-8 byte-order mark at the start is dropped.
//
// Every tag is checked here, before anything prints: a barcode whose data
// its symbology cannot carry, a QR code over the largest symbol's
// capacity, a barcode or QR code wider than the print area of a receipt of
// `columns`, a parameter out of its range, a block tag never closed. The
// first such tag is the reading's error, and then there are no pieces.
//
// `pictures` reads a <bmp> that names a file or holds Base64; without it
// such a tag stays text.
ReceiptReading readReceipt(const char *data, std::size_t size, int columns,
                           const PictureLoader &pictures = PictureLoader());

// Takes each piece as it is read, and its bytes: the text of a Text piece
// (whose `bytes` are left empty, so that no text is copied), the data of
// the others. Both hold only during the call.
using PieceSink = std::function<void(const Piece &, std::string_view bytes)>;

// The same reading with every piece handed to `sink` rather than kept, so
// that a writer carries the receipt out as it is read. When the reading
// ends in an error, some pieces have been handed over already: what was
// made of them must be dropped.
ReceiptReading readReceipt(const char *data, std::size_t size, int columns, const PieceSink &sink,
                           const PictureLoader &pictures = PictureLoader());

// The same reading without keeping the pieces: whether the file has tags,
// and its first bad one. Cheap in memory for a file of any size.
ReceiptReading checkReceipt(const char *data, std::size_t size, int columns,
                            const PictureLoader &pictures = PictureLoader());

// The most bytes one QR code holds at an error level (0 L to 3 H).
std::size_t qrCapacity(int errorLevel);

} // namespace receipt

#endif
