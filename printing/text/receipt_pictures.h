#ifndef ORVANE_RECEIPT_PICTURES_H
#define ORVANE_RECEIPT_PICTURES_H

#include "raster_pictures.h"

#include <QImage>
#include <QString>

// The pictures of <bmp> tags, read with Qt: a PNG, BMP or JPEG file named
// by its path (absolute, or relative to `receiptFolder`, then to the
// program's folder), or such a file in Base64. A picture wider than the
// paper is scaled down as it is read; one of more than 16 million pixels,
// or of more than 64 MB once decoded (16-bit colour), is refused before it
// is decoded, so a decompression bomb never is.
receipt::PictureLoader pictureLoader(const QString &receiptFolder);

// The picture as the printer's dots: transparent pixels white, a picture
// of two colours cut at mid-grey, any other dithered by error diffusion.
receipt::Raster dotsOfImage(const QImage &image);

#endif
