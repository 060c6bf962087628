#ifndef ORVANE_SYMBOL_IMAGE_H
#define ORVANE_SYMBOL_IMAGE_H

#include "symbols.h"

#include <QImage>

// How a symbol is drawn, in the pixels of the device that shows it.
struct SymbolLook {
    // A QR code's module, a barcode's narrowest bar.
    int modulePixels = 2;
    // Barcodes: the height of the bars.
    int barHeight = 40;
    // Barcodes: the digits under the bars.
    bool showDigits = true;
};

// Receipt printers count in dots of 1/8 mm (203 dpi). These give the look
// of the printer's symbol on a device of `pixelsPerMm`: the size it has on
// paper, never less than two pixels a module, so that a phone or a scanner
// reads it from a screen too.
SymbolLook qrCodeLook(const receipt::SymbolModules &modules, int moduleDots, qreal pixelsPerMm);
SymbolLook barcodeLook(int barWidthDots, int heightDots, bool showDigits, qreal pixelsPerMm);

// Black on white with the quiet zone scanners need around it (four
// modules around a QR code, ten beside a barcode). Null when the modules
// hold no symbol.
QImage symbolImage(const receipt::SymbolModules &modules, const SymbolLook &look);

#endif
