#include "receipt_document.h"

#include "escpos_writer.h"
#include "symbol_image.h"
#include "symbols.h"
#include "text_framing.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTextLayout>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstring>

using receipt::Alignment;
using receipt::Piece;
using receipt::PieceKind;
using receipt::TextStyle;

namespace {

// Widths are counted in quarters of a font A character: a font B
// character (9 dots against 12) takes three, double width twice as many.
constexpr int quartersOfFontA = 4;

int quartersOf(const TextStyle &style)
{
    return (style.fontB ? 3 : 4) * (style.doubleWidth ? 2 : 1);
}

struct Run {
    QString text;
    TextStyle style;
};

class ReceiptLayout
{
public:
    ReceiptLayout(QTextDocument &document, const ReceiptLook &look)
        : document(document), look(look), cursor(&document),
          quarterPixels(advance(QString(look.columns, QLatin1Char('M')), look.font) / look.columns / quartersOfFontA),
          width(look.columns * quartersOfFontA)
    {
        document.clear();
        document.setDefaultFont(look.font);
        for (int i = 0; i < look.topMargin; ++i)
            emptyLine();
    }

    void add(const Piece &piece)
    {
        switch (piece.kind) {
        case PieceKind::Text:
            // Read as the raw roads read it: UTF-8, any other byte as
            // Windows-1252, no NUL.
            text(readableText(QByteArray::fromRawData(piece.bytes.data(), int(piece.bytes.size()))), piece);
            break;
        case PieceKind::Rule: {
            // As many characters as the printer gets: the columns, less the
            // margin of a left-aligned line it begins, in the rule's font.
            const bool left = runs.empty() && piece.alignment == Alignment::Left;
            const int columns = look.columns - (left ? std::max(look.leftMargin, 0) : 0);
            text(QString(std::max(receipt::ruleCharacters(columns, piece.style), 0), QLatin1Char(piece.ruleCharacter)),
                 piece);
            break;
        }
        case PieceKind::LineFeed:
            if (runs.empty())
                lineAlignment = piece.alignment;
            endLine();
            break;
        case PieceKind::FeedLines: {
            // The printer prints the line begun with the first of the
            // lines it feeds.
            int blank = piece.count;
            if (!runs.empty()) {
                endLine();
                --blank;
            }
            for (int i = 0; i < blank; ++i)
                emptyLine();
            break;
        }
        case PieceKind::Barcode:
        case PieceKind::QrCode:
            if (!runs.empty())
                endLine();
            symbol(piece);
            break;
        case PieceKind::Picture:
            if (!runs.empty())
                endLine();
            picture(piece);
            break;
        case PieceKind::Cut:
            if (!runs.empty())
                endLine();
            if (look.showCuts)
                cutLine();
            break;
        case PieceKind::Reset:
        case PieceKind::Logo:
            if (!runs.empty())
                endLine();
            break;
        case PieceKind::CarriageReturn:
        case PieceKind::Drawer:
        case PieceKind::Beep:
            break;
        }
    }

    void finish()
    {
        if (!runs.empty())
            endLine();
        for (int i = 0; i < look.bottomMargin; ++i)
            emptyLine();
    }

private:
    // What the document's own layout makes of a text's width: font metrics
    // alone may round otherwise.
    qreal advance(const QString &text, const QFont &font) const
    {
        QTextLayout layout(text, font, document.documentLayout()->paintDevice());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        return line.isValid() ? line.naturalTextWidth() : 0;
    }

    int leftQuarters() const { return std::max(look.leftMargin, 0) * quartersOfFontA; }

    void text(const QString &text, const Piece &piece)
    {
        if (runs.empty()) {
            lineAlignment = piece.alignment;
            used = lineAlignment == Alignment::Left ? leftQuarters() : 0;
            // A margin as wide as the receipt fills lines of its own before
            // the text, as its spaces do on paper.
            for (; used >= width && width > 0 && !text.isEmpty(); used -= width)
                emptyLine();
            indent = used;
        }
        const int step = quartersOf(piece.style);
        int from = 0;
        while (from < text.size()) {
            // The printer goes on to the next line, at its first column,
            // when a character would not fit on this one.
            if (used + step > width && !runs.empty()) {
                endLine();
                lineAlignment = piece.alignment;
                used = indent = 0;
            }
            const int fit = std::max(1, (width - used) / step);
            const int count = std::min(fit, int(text.size()) - from);
            if (!runs.empty() && runs.back().style == piece.style)
                runs.back().text += text.mid(from, count);
            else
                runs.push_back({text.mid(from, count), piece.style});
            used += count * step;
            from += count;
        }
    }

    QTextCharFormat format(const TextStyle &style) const
    {
        QFont font = look.font;
        qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
        if (style.fontB)
            size *= 0.75;
        if (style.doubleHeight)
            size *= 2;
        if (font.pointSizeF() > 0)
            font.setPointSizeF(size);
        else
            font.setPixelSize(std::max(1, int(std::lround(size))));
        if (style.doubleWidth != style.doubleHeight)
            font.setStretch(style.doubleWidth ? 200 : 50);
        font.setBold(style.bold || look.font.bold());
        font.setUnderline(style.underline);
        font.setItalic(style.italic);
        QTextCharFormat format;
        format.setFont(font);
        if (style.inverted) {
            format.setBackground(Qt::black);
            format.setForeground(Qt::white);
        }
        return format;
    }

    QTextBlockFormat blockFormat(Alignment alignment, qreal contentPixels, qreal leftPixels = 0) const
    {
        // Aligned within the receipt's columns, whatever the page's width.
        const qreal room = width * quarterPixels - contentPixels;
        qreal left = leftPixels;
        if (alignment == Alignment::Centre)
            left = std::max(room / 2, 0.0);
        else if (alignment == Alignment::Right)
            left = std::max(room, 0.0);
        QTextBlockFormat format;
        format.setLeftMargin(left);
        format.setNonBreakableLines(true);
        return format;
    }

    QTextCursor &newBlock(const QTextBlockFormat &format, const QTextCharFormat &charFormat)
    {
        if (!firstUsed) {
            cursor.setBlockFormat(format);
            cursor.setBlockCharFormat(charFormat);
            firstUsed = true;
        } else {
            cursor.insertBlock(format, charFormat);
        }
        return cursor;
    }

    void emptyLine()
    {
        newBlock(blockFormat(Alignment::Left, 0), format(TextStyle()));
    }

    void endLine()
    {
        if (runs.empty()) {
            emptyLine();
            return;
        }
        // The text's own width: a proportional font the operator chose for
        // the page is centred by what it draws.
        qreal content = 0;
        for (const Run &run : runs)
            content += advance(run.text, format(run.style).font());
        newBlock(blockFormat(lineAlignment, content, indent * quarterPixels), format(runs.front().style));
        for (const Run &run : runs)
            cursor.insertText(run.text, format(run.style));
        runs.clear();
        used = indent = 0;
    }

    // `size`: in the document's pixels; by default the image's own size.
    void image(const QImage &image, Alignment alignment, QSizeF size = QSizeF())
    {
        const QString name = QStringLiteral("orvane-symbol:%1").arg(++images);
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        QTextImageFormat picture;
        picture.setName(name);
        if (size.isEmpty())
            size = QSizeF(image.size()) / look.imageScale;
        picture.setWidth(size.width());
        picture.setHeight(size.height());
        newBlock(blockFormat(alignment, picture.width()), format(TextStyle()));
        cursor.insertImage(picture);
    }

public:
    QString problem;

private:
    void symbol(const Piece &piece)
    {
        const qreal pixelsPerMm = look.pixelsPerMm * look.imageScale;
        const bool qrCode = piece.kind == PieceKind::QrCode;
        const receipt::SymbolModules modules = qrCode ? receipt::encodeQrCode(piece.bytes, piece.qr.errorLevel)
                                                      : receipt::encodeBarcode(piece.barcode, piece.bytes);
        if (!modules.encoded()) {
            // Never a receipt without its symbol: the first one missing is
            // told, and the page roads print nothing.
            if (problem.isEmpty()) {
                receipt::ReceiptError error;
                error.line = piece.line;
                error.reason = modules.error;
                problem = QString::fromStdString(error.message());
            }
            return;
        }
        const receipt::BarcodeOptions &options = piece.barcodeOptions;
        image(symbolImage(modules, qrCode ? qrCodeLook(modules, piece.qr.moduleSize, pixelsPerMm)
                                          : barcodeLook(options.moduleWidth, options.height, options.showDigits,
                                                        pixelsPerMm)),
              piece.alignment);
    }

    // The printer's dots, one image pixel each, drawn at their size on
    // paper (8 dots a millimetre).
    void picture(const Piece &piece)
    {
        QImage dots(piece.pictureWidth, piece.pictureHeight, QImage::Format_Mono);
        dots.setColor(0, qRgb(255, 255, 255));
        dots.setColor(1, qRgb(0, 0, 0));
        const int rowBytes = (piece.pictureWidth + 7) / 8;
        for (int y = 0; y < piece.pictureHeight; ++y)
            std::memcpy(dots.scanLine(y), piece.bytes.data() + std::size_t(y) * std::size_t(rowBytes), std::size_t(rowBytes));
        const qreal pixelsPerDot = look.pixelsPerMm / 8;
        image(dots, piece.alignment, QSizeF(piece.pictureWidth * pixelsPerDot, piece.pictureHeight * pixelsPerDot));
    }

    void cutLine()
    {
        const int scale = look.imageScale;
        QImage line(int(std::ceil(width * quarterPixels * scale)), 3 * scale, QImage::Format_RGB32);
        line.fill(Qt::white);
        QPainter painter(&line);
        const int dash = 6 * scale;
        for (int x = 0; x < line.width(); x += 2 * dash)
            painter.fillRect(x, scale, dash, scale, Qt::darkGray);
        painter.end();
        image(line, Alignment::Left);
    }

    QTextDocument &document;
    const ReceiptLook &look;
    QTextCursor cursor;
    const qreal quarterPixels;
    const int width;
    std::vector<Run> runs;
    Alignment lineAlignment = Alignment::Left;
    int used = 0;
    int indent = 0;
    int images = 0;
    bool firstUsed = false;
};

} // namespace

QFont fixedPitchFont(QFont font)
{
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).fixedPitch())
        return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pointSizeF() > 0)
        fixed.setPointSizeF(font.pointSizeF());
    else
        fixed.setPixelSize(font.pixelSize());
    fixed.setBold(font.bold());
    return fixed;
}

QString layOutReceipt(QTextDocument &document, const std::vector<Piece> &pieces, const ReceiptLook &look)
{
    ReceiptLayout layout(document, look);
    for (const Piece &piece : pieces)
        layout.add(piece);
    layout.finish();
    return layout.problem;
}
