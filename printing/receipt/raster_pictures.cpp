#include "raster_pictures.h"

#include <algorithm>
#include <vector>

namespace receipt {

Raster blankRaster(int width, int height)
{
    Raster raster;
    raster.width = width;
    raster.height = height;
    raster.rows.assign(std::size_t(raster.rowBytes()) * std::size_t(height), '\0');
    return raster;
}

Raster rasterOfDotLines(const std::string &data, std::string &problem)
{
    std::vector<std::string> lines;
    std::size_t width = 0;
    for (std::size_t start = 0; start <= data.size();) {
        std::size_t stop = data.find('\n', start);
        if (stop == std::string::npos)
            stop = data.size();
        const std::string line = data.substr(start, stop - start);
        start = stop + 1;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        const std::string dots = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
        if (dots.find_first_not_of("01") != std::string::npos) {
            problem = "aceita só linhas de 0 e 1";
            return Raster();
        }
        width = std::max(width, dots.size());
        lines.push_back(dots);
    }
    if (lines.empty()) {
        problem = "sem dados";
        return Raster();
    }
    Raster raster = blankRaster(int(width), int(lines.size()));
    for (std::size_t y = 0; y < lines.size(); ++y) {
        for (std::size_t x = 0; x < lines[y].size(); ++x) {
            if (lines[y][x] == '1')
                raster.setDark(int(x), int(y));
        }
    }
    return raster;
}

Raster scaledToWidth(const Raster &raster, int widthDots)
{
    if (raster.width <= widthDots || widthDots <= 0)
        return raster;
    // Each dot of the smaller picture takes the dot nearest its centre.
    const int height = std::max(1, int((long long)raster.height * widthDots / raster.width));
    Raster scaled = blankRaster(widthDots, height);
    for (int y = 0; y < height; ++y) {
        const int fromY = int(((long long)y * 2 + 1) * raster.height / (2LL * height));
        for (int x = 0; x < widthDots; ++x) {
            const int fromX = int(((long long)x * 2 + 1) * raster.width / (2LL * widthDots));
            if (raster.isDark(fromX, fromY))
                scaled.setDark(x, y);
        }
    }
    return scaled;
}

Raster rasterOfBarcode(const SymbolModules &modules, int moduleDots, int height)
{
    Raster raster = blankRaster(modules.columns * moduleDots, height);
    for (int column = 0; column < modules.columns; ++column) {
        if (!modules.isDark(column, 0))
            continue;
        for (int y = 0; y < height; ++y) {
            for (int x = column * moduleDots; x < (column + 1) * moduleDots; ++x)
                raster.setDark(x, y);
        }
    }
    return raster;
}

} // namespace receipt
