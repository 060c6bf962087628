#ifndef ORVANE_RASTER_PICTURES_H
#define ORVANE_RASTER_PICTURES_H

#include "symbols.h"

#include <functional>
#include <string>

namespace receipt {

// A picture of the printer's dots, one bit a dot, as the raster command
// GS v 0 takes it: rows of (width + 7) / 8 bytes, the leftmost dot in the
// highest bit, a set bit black.
struct Raster {
    int width = 0;
    int height = 0;
    std::string rows;

    int rowBytes() const { return (width + 7) / 8; }
    bool isDark(int x, int y) const
    {
        return (static_cast<unsigned char>(rows[std::size_t(y) * std::size_t(rowBytes()) + std::size_t(x / 8)])
                >> (7 - x % 8)) & 1;
    }
    void setDark(int x, int y)
    {
        rows[std::size_t(y) * std::size_t(rowBytes()) + std::size_t(x / 8)] |= char(0x80 >> (x % 8));
    }
};

// The dots of a <bmp> that is no lines of 0 and 1 (a file, an image in
// Base64), no wider than `widthDots`; an empty raster and `problem` in
// Portuguese when there is no such picture. The reader has no files and
// no image formats of its own: whoever reads the receipt lends them.
using PictureLoader = std::function<Raster(const std::string &value, int widthDots, std::string &problem)>;

// A blank raster of `width` × `height` dots.
Raster blankRaster(int width, int height);

// Lines of 0 and 1, one row of dots each (1 black); blank lines and the
// spaces around a line are left out, and shorter rows are white at the
// right. Empty `problem` when the data is such lines.
Raster rasterOfDotLines(const std::string &data, std::string &problem);

// No wider than `widthDots`, its proportions kept; never made larger.
Raster scaledToWidth(const Raster &raster, int widthDots);

// A barcode's modules as dots: `moduleDots` wide each, `height` tall.
Raster rasterOfBarcode(const SymbolModules &modules, int moduleDots, int height);

} // namespace receipt

#endif
