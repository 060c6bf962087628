#include "symbol_image.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal dotsPerMm = 8;

int pixelsFor(qreal mm, qreal pixelsPerMm)
{
    return std::max(2, int(std::ceil(mm * pixelsPerMm - 0.01)));
}

} // namespace

SymbolLook qrCodeLook(const receipt::SymbolModules &, int moduleDots, qreal pixelsPerMm)
{
    SymbolLook look;
    look.modulePixels = pixelsFor(moduleDots / dotsPerMm, pixelsPerMm);
    look.showDigits = false;
    return look;
}

SymbolLook barcodeLook(int barWidthDots, int heightDots, bool showDigits, qreal pixelsPerMm)
{
    SymbolLook look;
    look.modulePixels = pixelsFor(barWidthDots / dotsPerMm, pixelsPerMm);
    look.barHeight = std::max(look.modulePixels, int(std::lround(heightDots / dotsPerMm * pixelsPerMm)));
    look.showDigits = showDigits;
    return look;
}

QImage symbolImage(const receipt::SymbolModules &modules, const SymbolLook &look)
{
    if (!modules.encoded())
        return {};
    const int module = std::max(1, look.modulePixels);
    const bool matrix = modules.rows > 1;
    const int quietX = (matrix ? 4 : 10) * module;
    const int quietY = matrix ? 4 * module : module;
    const int rowHeight = matrix ? module : std::max(1, look.barHeight);
    const bool digits = !matrix && look.showDigits && !modules.digits.empty();
    const int digitsHeight = digits ? std::max(10, 8 * module) : 0;

    QImage image(modules.columns * module + 2 * quietX, modules.rows * rowHeight + digitsHeight + 2 * quietY,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int row = 0; row < modules.rows; ++row) {
        for (int column = 0; column < modules.columns; ++column) {
            if (modules.isDark(column, row))
                painter.fillRect(quietX + column * module, quietY + row * rowHeight, module, rowHeight, Qt::black);
        }
    }
    if (digits) {
        QFont font(QStringLiteral("Courier New"));
        font.setStyleHint(QFont::Monospace);
        font.setPixelSize(digitsHeight * 3 / 4);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, quietY + rowHeight, image.width(), digitsHeight), Qt::AlignCenter,
                         QString::fromStdString(modules.digits));
    }
    return image;
}
