#include "escpos_writer.h"
#include "code128_sets.h"
#include "code_pages.h"

#include <algorithm>
#include <string_view>

namespace receipt {

namespace {

constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;
constexpr char FS = 0x1C;

// The printer's function B codes of GS k.
char barcodeSystem(BarcodeKind kind)
{
    switch (kind) {
    case BarcodeKind::UpcA: return 65;
    case BarcodeKind::UpcE: return 66;
    case BarcodeKind::Ean13: return 67;
    case BarcodeKind::Ean8: return 68;
    case BarcodeKind::Code39: return 69;
    case BarcodeKind::Interleaved: return 70;
    case BarcodeKind::Codabar: return 71;
    case BarcodeKind::Code93: return 72;
    case BarcodeKind::Code128:
    case BarcodeKind::Code128A:
    case BarcodeKind::Code128B:
    case BarcodeKind::Code128C: return 73;
    case BarcodeKind::Code11:
    case BarcodeKind::Msi:
    case BarcodeKind::Standard2of5: break; // printed as pictures
    }
    return 67;
}

class Writer
{
public:
    explicit Writer(const EscPosFrame &frame)
        : frame(frame)
        , lineEnd(frame.crlf ? "\r\n" : "\n")
    {
    }

    void begin(std::size_t bytes)
    {
        out.reserve(bytes + bytes / 4 + frame.setup.size() + std::size_t(frame.topMargin + frame.bottomMargin) * 2 + 64);
        out = frame.setup;
        for (int i = 0; i < frame.topMargin; ++i)
            out += lineEnd;
    }

    std::string finish(bool restoreModes)
    {
        // A line begun is printed first: the printer takes an alignment
        // only at the start of a line, and the next job starts there.
        const bool lineBegun = !atLineStart;
        if (lineBegun) {
            out += lineEnd;
            atLineStart = true;
        }
        if (restoreModes) {
            setStyle(TextStyle());
            command({ESC, 'a', 0});
            printerAlignment = Alignment::Left;
        }
        if (!lineBegun) {
            beginLine(Alignment::Left);
            out += lineEnd;
        }
        for (int i = 0; i < frame.bottomMargin; ++i)
            out += lineEnd;
        return std::move(out);
    }

    void piece(const Piece &piece, std::string_view bytes)
    {
        switch (piece.kind) {
        case PieceKind::Text:
            beginLine(piece.alignment);
            setStyle(piece.style);
            text(bytes);
            break;
        default:
            function(piece);
        }
    }

private:
    void command(std::initializer_list<char> bytes) { out.append(bytes.begin(), bytes.size()); }

    // The margin and the alignment of a line are set by what starts it.
    void beginLine(Alignment alignment, bool margin = true)
    {
        if (!atLineStart)
            return;
        atLineStart = false;
        if (alignment != printerAlignment) {
            printerAlignment = alignment;
            command({ESC, 'a', char(alignment == Alignment::Left ? 0 : alignment == Alignment::Centre ? 1 : 2)});
        }
        if (margin && alignment == Alignment::Left && frame.leftMargin > 0) {
            // The margin is blank paper of normal width, whatever the
            // modes of the line before.
            setStyle(TextStyle());
            out.append(std::size_t(frame.leftMargin), ' ');
        }
    }

    // Blocks that print on lines of their own (barcodes, cuts, the logo)
    // first print the line begun.
    void endLineBegun()
    {
        if (!atLineStart) {
            out += lineEnd;
            atLineStart = true;
        }
    }

    void setStyle(const TextStyle &style)
    {
        if (style.bold != printerStyle.bold)
            command({ESC, 'E', char(style.bold)});
        if (style.doubleWidth != printerStyle.doubleWidth || style.doubleHeight != printerStyle.doubleHeight)
            command({GS, '!', char((style.doubleWidth ? 0x10 : 0) | (style.doubleHeight ? 0x01 : 0))});
        if (style.underline != printerStyle.underline)
            command({ESC, '-', char(style.underline)});
        if (style.fontB != printerStyle.fontB)
            command({ESC, 'M', char(style.fontB)});
        if (style.inverted != printerStyle.inverted)
            command({GS, 'B', char(style.inverted)});
        printerStyle = style;
    }

    void text(std::string_view bytes)
    {
        const std::size_t start = out.size();
        out += bytes;
        if (frame.codePage)
            out.resize(start + convertToCodePage(&out[start], out.size() - start, *frame.codePage));
    }

    void barcode(const Piece &piece)
    {
        const BarcodeOptions &options = piece.barcodeOptions;
        command({GS, 'H', char(options.showDigits ? 2 : 0)});
        command({GS, 'w', char(options.moduleWidth)});
        command({GS, 'h', char(options.height)});
        // Code 128 says which of its code sets the data starts in; a brace
        // is the escape of that selection.
        const std::string data =
            isCode128(piece.barcode) ? code128Data(piece.barcode, piece.bytes).printerBytes : piece.bytes;
        command({GS, 'k', barcodeSystem(piece.barcode), char(data.size())});
        out += data;
    }

    void qrCode(const Piece &piece)
    {
        const QrOptions &qr = piece.qr;
        // Model 2 whatever the tag asks: zint draws no model 1, and the
        // page and the preview show the symbol the paper gets.
        command({GS, '(', 'k', 4, 0, '1', 'A', '2', 0});
        command({GS, '(', 'k', 3, 0, '1', 'C', char(qr.moduleSize)});
        command({GS, '(', 'k', 3, 0, '1', 'E', char('0' + qr.errorLevel)});
        const std::size_t length = piece.bytes.size() + 3;
        command({GS, '(', 'k', char(length & 0xFF), char(length >> 8), '1', 'P', '0'});
        out += piece.bytes;
        command({GS, '(', 'k', 3, 0, '1', 'Q', '0'});
    }

    // GS v 0 in bands of at most 256 rows, which every printer takes.
    void picture(const Piece &piece)
    {
        const int rowBytes = (piece.pictureWidth + 7) / 8;
        for (int top = 0; top < piece.pictureHeight; top += 256) {
            const int rows = std::min(256, piece.pictureHeight - top);
            command({GS, 'v', '0', 0, char(rowBytes & 0xFF), char(rowBytes >> 8), char(rows & 0xFF), char(rows >> 8)});
            out.append(piece.bytes, std::size_t(top) * std::size_t(rowBytes), std::size_t(rows) * std::size_t(rowBytes));
        }
    }

    void function(const Piece &piece)
    {
        switch (piece.kind) {
        case PieceKind::Text:
            break;
        case PieceKind::LineFeed:
            beginLine(piece.alignment);
            out += lineEnd;
            atLineStart = true;
            break;
        case PieceKind::CarriageReturn:
            out += '\r';
            break;
        case PieceKind::FeedLines:
            command({ESC, 'd', char(piece.count)});
            atLineStart = true;
            break;
        case PieceKind::Rule: {
            const bool left = atLineStart && piece.alignment == Alignment::Left;
            beginLine(piece.alignment);
            setStyle(piece.style);
            const int width = frame.columns - (left ? std::max(frame.leftMargin, 0) : 0);
            out.append(std::size_t(std::max(ruleCharacters(width, piece.style), 0)), piece.ruleCharacter);
            break;
        }
        case PieceKind::Barcode:
        case PieceKind::QrCode:
            endLineBegun();
            beginLine(piece.alignment, false);
            if (piece.kind == PieceKind::Barcode)
                barcode(piece);
            else
                qrCode(piece);
            // The printer starts a new line after the symbol.
            atLineStart = true;
            break;
        case PieceKind::Cut:
            endLineBegun();
            // Feeds the last line past the cutter, then cuts.
            command({GS, 'V', char(piece.partial ? 66 : 65), 0});
            break;
        case PieceKind::Drawer:
            command({ESC, 'p', char(piece.drawer == 2 ? 1 : 0), 25, char(250)});
            break;
        case PieceKind::Reset:
            // The printer drops a line it has not printed yet.
            endLineBegun();
            out += ESC;
            out += '@';
            out += frame.setup;
            printerStyle = TextStyle();
            printerAlignment = Alignment::Left;
            break;
        case PieceKind::Logo: {
            endLineBegun();
            const LogoOptions &logo = piece.logo;
            if (logo.keyCode2 == 0)
                command({FS, 'p', char(logo.keyCode1), 0});
            else
                command({GS, '(', 'L', 6, 0, 48, 69, char(logo.keyCode1), char(logo.keyCode2), char(logo.scaleX),
                         char(logo.scaleY)});
            break;
        }
        case PieceKind::Beep:
            command({ESC, 'B', 1, 3});
            break;
        case PieceKind::Picture:
            endLineBegun();
            beginLine(piece.alignment, false);
            picture(piece);
            atLineStart = true;
            break;
        }
    }

    const EscPosFrame &frame;
    const std::string_view lineEnd;
    std::string out;
    bool atLineStart = true;
    TextStyle printerStyle;
    Alignment printerAlignment = Alignment::Left;
};

} // namespace

int ruleCharacters(int columns, const TextStyle &style)
{
    return columns * 4 / ((style.fontB ? 3 : 4) * (style.doubleWidth ? 2 : 1));
}

std::string writeEscPos(const std::function<void(const PieceSink &)> &read, const EscPosFrame &frame,
                        bool restoreModes, std::size_t sizeHint)
{
    Writer writer(frame);
    writer.begin(sizeHint);
    read([&writer](const Piece &each, std::string_view bytes) { writer.piece(each, bytes); });
    return writer.finish(restoreModes);
}

} // namespace receipt
