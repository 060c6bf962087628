#include "receipt_pictures.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <set>

namespace {

constexpr qint64 largestPixels = 16 * 1000 * 1000;
// What one decoding may take before it is scaled to the paper: a 16-bit
// picture takes twice the bytes of an 8-bit one of the same size.
constexpr qint64 largestDecodedBytes = 64 * 1024 * 1024;
constexpr qint64 largestFile = 32 * 1024 * 1024;

// The file a value names, where it is; empty when there is none.
QString existingFile(const QString &value, const QString &receiptFolder)
{
    if (value.isEmpty() || value.contains(QLatin1Char('\n')))
        return {};
    const QFileInfo named(value);
    if (named.isAbsolute())
        return named.isFile() ? named.filePath() : QString();
    for (const QString &folder : {receiptFolder, QCoreApplication::applicationDirPath()}) {
        const QFileInfo there(QDir(folder), value);
        if (!folder.isEmpty() && there.isFile())
            return there.filePath();
    }
    return {};
}

receipt::Raster failed(std::string &problem, const QString &why)
{
    problem = why.toStdString();
    return {};
}

receipt::Raster loadPicture(const std::string &value, int widthDots, std::string &problem,
                            const QString &receiptFolder)
{
    const QString text = QString::fromUtf8(value.data(), int(value.size()));
    QByteArray bytes;
    QString name;
    const QString path = existingFile(text, receiptFolder);
    if (!path.isEmpty()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(problem, QStringLiteral("não consegue ler %1: %2").arg(path, file.errorString()));
        if (file.size() > largestFile)
            return failed(problem, QStringLiteral("com o arquivo %1 grande demais").arg(path));
        bytes = file.readAll();
        name = path;
    } else {
        QByteArray base64 = value.c_str();
        base64.replace(' ', "").replace('\t', "").replace('\r', "").replace('\n', "");
        const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || decoded.decoded.isEmpty())
            return failed(problem, QStringLiteral("sem o arquivo %1, que também não é Base64").arg(text.left(80)));
        bytes = decoded.decoded;
        name = QStringLiteral("em Base64");
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format != "png" && format != "bmp" && format != "jpeg" && format != "jpg")
        return failed(problem, QStringLiteral("%1 não é uma imagem PNG, BMP ou JPEG").arg(name));
    const QSize size = reader.size();
    if (!size.isValid())
        return failed(problem, QStringLiteral("%1 não pôde ser lida: %2").arg(name, reader.errorString()));
    const QImage::Format decodedAs = reader.imageFormat();
    const qint64 bitsPerPixel = decodedAs == QImage::Format_Invalid ? 64 : QImage::toPixelFormat(decodedAs).bitsPerPixel();
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > largestPixels || pixels * bitsPerPixel / 8 > largestDecodedBytes)
        return failed(problem, QStringLiteral("%1 é grande demais: %2 × %3 pontos").arg(name).arg(size.width()).arg(size.height()));
    // One pixel one dot; narrower when the paper is, never wider.
    if (size.width() > widthDots)
        reader.setScaledSize(QSize(widthDots, std::max(1, int(qint64(size.height()) * widthDots / size.width()))));
    const QImage image = reader.read();
    if (image.isNull())
        return failed(problem, QStringLiteral("%1 não pôde ser lida: %2").arg(name, reader.errorString()));
    return dotsOfImage(image);
}

} // namespace

receipt::PictureLoader pictureLoader(const QString &receiptFolder)
{
    return [receiptFolder](const std::string &value, int widthDots, std::string &problem) {
        return loadPicture(value, widthDots, problem, receiptFolder);
    };
}

receipt::Raster dotsOfImage(const QImage &image)
{
    // Transparent pixels are the paper's white: the picture is laid on it.
    QImage onPaper(image.size(), QImage::Format_RGB32);
    onPaper.fill(Qt::white);
    {
        QPainter painter(&onPaper);
        painter.drawImage(0, 0, image);
    }
    const int width = onPaper.width();
    const int height = onPaper.height();
    std::set<int> levels;
    for (int y = 0; y < height && levels.size() < 3; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(onPaper.constScanLine(y));
        for (int x = 0; x < width && levels.size() < 3; ++x)
            levels.insert(qGray(line[x]));
    }
    // Two colours are cut at mid-grey; a photograph is diffused (Floyd and
    // Steinberg), both by Qt itself.
    const Qt::ImageConversionFlags dithering =
        Qt::MonoOnly | (levels.size() > 2 ? Qt::DiffuseDither : Qt::ThresholdDither);
    const QImage dots = onPaper.convertToFormat(QImage::Format_Mono, dithering);
    const bool darkIndex[2] = {qGray(dots.color(0)) < 128, dots.colorCount() > 1 && qGray(dots.color(1)) < 128};
    receipt::Raster raster = receipt::blankRaster(width, height);
    for (int y = 0; y < height; ++y) {
        const uchar *line = dots.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int index = (line[x >> 3] >> (7 - (x & 7))) & 1;
            if (darkIndex[index])
                raster.setDark(x, y);
        }
    }
    return raster;
}
