#ifndef ORVANE_SYMBOL_READING_H
#define ORVANE_SYMBOL_READING_H

// What zbarimg (zbar-tools) reads from an image: one "TYPE:DATA" line per
// symbol it finds, in its own order.

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

inline QStringList symbolsReadFrom(const QString &imagePath)
{
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("-q"), imagePath});
    if (!zbar.waitForFinished(60000))
        return {QStringLiteral("zbarimg did not finish")};
    QStringList read = QString::fromUtf8(zbar.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    read.sort();
    return read;
}

inline QStringList symbolsReadFrom(const QImage &image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("symbol.png"));
    if (!image.save(path))
        return {QStringLiteral("image not saved")};
    return symbolsReadFrom(path);
}

#endif
