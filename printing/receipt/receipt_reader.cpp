#include "receipt_reader.h"
#include "barcode_rules.h"
#include "raster_pictures.h"
#include "symbols.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

namespace receipt {

namespace {

// The longest tag name; a longer word between '<' and '>' is text.
constexpr std::size_t longestName = 16;

// A tag name in lower case, in `buffer` (of longestName bytes). Tag names
// are ASCII: no locale's idea of a letter.
std::string_view lowered(const char *begin, const char *end, char *buffer)
{
    const std::size_t length = std::min(std::size_t(end - begin), longestName);
    for (std::size_t i = 0; i < length; ++i) {
        const char c = begin[i];
        buffer[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    return std::string_view(buffer, length);
}

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The tags that enclose data: <name>DATA</name>.
bool isBlockTag(std::string_view name)
{
    // The character modes and alignments, the commonest tags, are shorter.
    if (name.size() < 3)
        return false;
    static constexpr std::string_view names[] = {"ean8", "ean13", "upca", "upce", "code39", "code93", "code128",
                                        "code128a", "code128b", "code128c", "inter", "codabar", "qrcode",
                                        "barra_mostrar", "barra_largura", "barra_altura", "qrcode_largura",
                                        "qrcode_error", "qrcode_tipo", "abre_gaveta", "ignorar_tags",
                                        "logo_kc1", "logo_kc2", "logo_fatorx", "logo_fatory", "bmp",
                                        "code11", "msi", "std"};
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// Only 0, 1 and blanks: a picture as lines of dots.
bool isDotLines(const char *begin, const char *end)
{
    return std::all_of(begin, end, [](char c) { return c == '0' || c == '1' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

bool *styleFlag(TextStyle &style, std::string_view name)
{
    if (name == "n")
        return &style.bold;
    if (name == "e")
        return &style.doubleWidth;
    if (name == "a")
        return &style.doubleHeight;
    if (name == "s")
        return &style.underline;
    if (name == "c")
        return &style.fontB;
    if (name == "i")
        return &style.italic;
    if (name == "in")
        return &style.inverted;
    return nullptr;
}

bool alignmentNamed(std::string_view name, Alignment &alignment)
{
    if (name == "ce")
        alignment = Alignment::Centre;
    else if (name == "ad")
        alignment = Alignment::Right;
    else if (name == "ae")
        alignment = Alignment::Left;
    else
        return false;
    return true;
}

// A decimal parameter in [low, high], blanks around it allowed.
bool parameterIn(const std::string &text, int low, int high, int &value)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    if (first == std::string::npos || last - first >= 4)
        return false;
    int number = 0;
    for (std::size_t i = first; i <= last; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        number = number * 10 + (text[i] - '0');
    }
    if (number < low || number > high)
        return false;
    value = number;
    return true;
}

class Reader
{
public:
    Reader(const char *data, std::size_t size, int columns, bool keepPieces, const PieceSink *sink,
           const PictureLoader &pictures)
        : at(data)
        , end(data + size)
        , printDots(columns * dotsPerColumn)
        , keepPieces(keepPieces)
        , sink(sink)
        , pictures(pictures)
    {
    }

    ReceiptReading read()
    {
        nextTag = nextOf('<', at);
        nextLineFeed = nextOf('\n', at);
        // About one piece per line feed and one per tag.
        if (keepPieces)
            reading.pieces.reserve(std::size_t(std::count(at, end, '\n') + std::count(at, end, '<')) + 16);
        while (at < end && !reading.error.isError()) {
            const char *special = findSpecial(at);
            if (!textBegin)
                textBegin = at;
            at = special;
            if (at == end)
                break;
            if (*at == '\n') {
                flushText();
                add(PieceKind::LineFeed);
                ++line;
                ++at;
                continue;
            }
            const char *tagEnd = nullptr;
            if (readTag(tagEnd)) {
                at = tagEnd;
            } else {
                ++at; // the '<' stays in the text
            }
        }
        flushText();
        deliver();
        if (reading.error.isError())
            reading.pieces.clear();
        return std::move(reading);
    }

private:
    // The next '<' or LF from `from` on, or `end`; the next of each is
    // remembered, as most bytes are neither.
    const char *findSpecial(const char *from)
    {
        if (nextTag < from)
            nextTag = nextOf('<', from);
        if (nextLineFeed < from)
            nextLineFeed = nextOf('\n', from);
        return std::min(nextTag, nextLineFeed);
    }

    const char *nextOf(char c, const char *from) const
    {
        const void *found = std::memchr(from, c, std::size_t(end - from));
        return found ? static_cast<const char *>(found) : end;
    }

    // The scratch piece made new, its text's buffer kept for the next.
    Piece &reused()
    {
        // Field by field: a whole new piece would cost more than the reading.
        scratch.bytes.clear();
        scratch.ruleCharacter = blank.ruleCharacter;
        scratch.barcode = blank.barcode;
        scratch.barcodeOptions = blank.barcodeOptions;
        scratch.qr = blank.qr;
        scratch.logo = blank.logo;
        scratch.pictureWidth = blank.pictureWidth;
        scratch.pictureHeight = blank.pictureHeight;
        scratch.partial = blank.partial;
        scratch.drawer = blank.drawer;
        scratch.count = blank.count;
        return scratch;
    }

    // The piece made last, handed over once it is complete.
    void deliver()
    {
        if (delivering && !reading.error.isError())
            (*sink)(scratch, scratch.kind == PieceKind::Text ? sinkText : std::string_view(scratch.bytes));
        delivering = false;
    }

    Piece &add(PieceKind kind)
    {
        deliver();
        Piece &piece = keepPieces ? reading.pieces.emplace_back() : reused();
        delivering = sink != nullptr;
        piece.kind = kind;
        piece.line = line;
        piece.alignment = alignment;
        piece.style = style;
        return piece;
    }

    // The text since the last piece is the file's bytes up to `at`.
    void flushText()
    {
        const char *begin = textBegin;
        textBegin = nullptr;
        if (!begin || begin == at || (!keepPieces && !sink))
            return;
        Piece &piece = add(PieceKind::Text);
        if (keepPieces)
            piece.bytes.assign(begin, std::size_t(at - begin));
        else
            sinkText = std::string_view(begin, std::size_t(at - begin));
    }

    // A text piece the file does not hold as such.
    void madeText(const std::string &text)
    {
        Piece &piece = add(PieceKind::Text);
        madeTextHeld = text;
        if (keepPieces)
            piece.bytes = text;
        else
            sinkText = madeTextHeld;
    }

    void fail(const std::string &tag, const std::string &reason)
    {
        reading.error.line = line;
        reading.error.tag = tag;
        reading.error.reason = reason;
    }

    // At a '<': carries out the tag that starts there, if it is one, and
    // sets `tagEnd` past it (past its closing tag for a block).
    bool readTag(const char *&tagEnd)
    {
        const char *p = at + 1;
        const bool closing = p < end && *p == '/';
        if (closing)
            ++p;
        const char *nameStart = p;
        while (p < end && isNameCharacter(*p))
            ++p;
        if (p == nameStart || p == end || *p != '>' || std::size_t(p - nameStart) > longestName)
            return false;
        char buffer[longestName];
        const std::string_view name = lowered(nameStart, p, buffer);
        const char *afterTag = p + 1;

        if (!closing && isBlockTag(name)) {
            const std::string closeTag = "</" + std::string(name) + ">";
            const char *close = findClosing(afterTag, closeTag);
            if (!close) {
                flushText();
                fail("<" + std::string(name) + ">", "<" + std::string(name) + "> sem " + closeTag);
                tagEnd = end;
                return true;
            }
            // A picture from a file or in Base64 needs a loader: without
            // one the tag stays text.
            if (name == "bmp" && !pictures && !isDotLines(afterTag, close))
                return false;
            flushText();
            tagEnd = close + closeTag.size();
            reading.hasTags = true;
            if (name == "ignorar_tags") {
                literalText(afterTag, close);
                return true;
            }
            const std::string data(afterTag, close);
            block(std::string(name), data);
            line += int(std::count(afterTag, close, '\n'));
            return true;
        }
        if (!(closing ? closingTag(name) : openingTag(name)))
            return false;
        tagEnd = afterTag;
        reading.hasTags = true;
        return true;
    }

    // The text of <ignorar_tags>: as written, tags and all, its line feeds
    // ending lines.
    void literalText(const char *begin, const char *stop)
    {
        const char *resume = at;
        while (begin < stop) {
            const char *lineFeed = std::find(begin, stop, '\n');
            textBegin = begin;
            at = lineFeed;
            flushText();
            if (lineFeed == stop)
                break;
            add(PieceKind::LineFeed);
            ++line;
            begin = lineFeed + 1;
        }
        at = resume;
    }

    const char *findClosing(const char *from, const std::string &closeTag) const
    {
        for (const char *p = from; std::size_t(end - p) >= closeTag.size(); ++p) {
            if (*p == '<' && std::equal(closeTag.begin(), closeTag.end(), p, [](char wanted, char c) {
                    return wanted == (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
                }))
                return p;
        }
        return nullptr;
    }

    bool openingTag(std::string_view name)
    {
        Alignment blockAlignment;
        if (bool *flag = styleFlag(style, name)) {
            flushText();
            *flag = true;
            return true;
        }
        if (alignmentNamed(name, blockAlignment)) {
            flushText();
            alignmentsBefore.push_back(alignment);
            alignment = blockAlignment;
            return true;
        }
        return false;
    }

    bool closingTag(std::string_view name)
    {
        Alignment named;
        if (bool *flag = styleFlag(style, name)) {
            flushText();
            *flag = false;
            return true;
        }
        if (alignmentNamed(name, named)) {
            flushText();
            // Closing a block goes back to the alignment before it, the
            // innermost block first; alone, the tag sets the alignment from
            // here on.
            if (alignmentsBefore.empty()) {
                alignment = named;
            } else {
                alignment = alignmentsBefore.back();
                alignmentsBefore.pop_back();
            }
            return true;
        }
        if (name == "fn" || name == "fa" || name == "fb") {
            flushText();
            if (name == "fn")
                style = TextStyle();
            else
                style.fontB = name == "fb";
            return true;
        }
        static const struct {
            std::string_view name;
            PieceKind kind;
        } functions[] = {
            {"linha_simples", PieceKind::Rule}, {"linha_dupla", PieceKind::Rule},
            {"pular_linhas", PieceKind::FeedLines}, {"lf", PieceKind::LineFeed},
            {"cr", PieceKind::CarriageReturn}, {"corte", PieceKind::Cut},
            {"corte_total", PieceKind::Cut}, {"corte_parcial", PieceKind::Cut},
            {"abre_gaveta", PieceKind::Drawer}, {"zera", PieceKind::Reset},
            {"reset", PieceKind::Reset}, {"logo", PieceKind::Logo}, {"beep", PieceKind::Beep},
        };
        for (const auto &function : functions) {
            if (name != function.name)
                continue;
            flushText();
            if (function.kind == PieceKind::Reset) {
                // The printer forgets every mode: so does the receipt.
                style = TextStyle();
                alignment = Alignment::Left;
                alignmentsBefore.clear();
            }
            Piece &piece = add(function.kind);
            piece.ruleCharacter = name == "linha_dupla" ? '=' : '-';
            piece.partial = name == "corte_parcial";
            piece.count = function.kind == PieceKind::FeedLines ? feedLinesCount : 0;
            if (function.kind == PieceKind::Logo)
                piece.logo = logo;
            return true;
        }
        return false;
    }

    void block(const std::string &name, const std::string &data)
    {
        const std::string tag = "<" + name + ">";
        const auto range = [&](int low, int high, int &value) {
            if (!parameterIn(data, low, high, value))
                fail(tag, tag + " aceita de " + std::to_string(low) + " a " + std::to_string(high) + ", não \""
                              + data + "\"");
        };
        int flag = 0;
        if (name == "barra_mostrar") {
            range(0, 1, flag);
            barcodeOptions.showDigits = flag == 1;
        } else if (name == "barra_largura") {
            // The printers take 2 to 6 dots.
            int width = barcodeOptions.moduleWidth - 1;
            range(1, 5, width);
            barcodeOptions.moduleWidth = width + 1;
        } else if (name == "barra_altura") {
            range(1, 255, barcodeOptions.height);
        } else if (name == "qrcode_largura") {
            range(1, 16, qr.moduleSize);
        } else if (name == "qrcode_error") {
            range(0, 3, qr.errorLevel);
        } else if (name == "qrcode_tipo") {
            range(1, 2, qr.model);
        } else if (name == "abre_gaveta") {
            int drawer = 1;
            range(1, 2, drawer);
            add(PieceKind::Drawer).drawer = drawer;
        } else if (name == "logo_kc1") {
            range(0, 255, logo.keyCode1);
        } else if (name == "logo_kc2") {
            range(0, 255, logo.keyCode2);
        } else if (name == "logo_fatorx") {
            range(1, 4, logo.scaleX);
        } else if (name == "logo_fatory") {
            range(1, 4, logo.scaleY);
        } else if (name == "qrcode") {
            qrCode(tag, data);
        } else if (name == "bmp") {
            bmp(tag, data);
        } else {
            barcode(tag, name, data);
        }
    }

    // Lines of 0 and 1 are read here; a file or Base64 by the loader.
    void bmp(const std::string &tag, const std::string &data)
    {
        std::string problem;
        const auto first = data.find_first_not_of(" \t\r\n");
        const bool dotLines = first == std::string::npos || isDotLines(data.data(), data.data() + data.size());
        const Raster raster =
            dotLines ? rasterOfDotLines(data, problem)
                     : pictures(data.substr(first, data.find_last_not_of(" \t\r\n") - first + 1), printDots, problem);
        if (problem.empty() && raster.width <= 0)
            problem = "sem dados";
        if (!problem.empty())
            return fail(tag, tag + " " + problem);
        // Never wider than the paper: scaled down, its proportions kept.
        picture(scaledToWidth(raster, printDots));
    }

    void qrCode(const std::string &tag, const std::string &data)
    {
        if (data.empty())
            return fail(tag, tag + " sem dados");
        const std::size_t capacity = qrCapacity(qr.errorLevel);
        if (data.size() > capacity) {
            static const char levels[] = "LMQH";
            return fail(tag, tag + " com " + std::to_string(data.size()) + " bytes, mais que os "
                                 + std::to_string(capacity) + " de um QR code de nível "
                                 + levels[qr.errorLevel]);
        }
        const SymbolModules symbol = encodeQrCode(data, qr.errorLevel);
        if (!symbol.encoded())
            return fail(tag, tag + " não pode ser desenhado: " + symbol.error);
        // Model 1 goes up to version 14, 73 modules a side.
        if (qr.model == 1 && symbol.columns > 73)
            return fail(tag, tag + " com " + std::to_string(data.size())
                                 + " bytes, mais do que um QR code modelo 1 comporta");
        if (!fitsThePaper(tag, symbol.columns * qr.moduleSize))
            return;
        Piece &piece = add(PieceKind::QrCode);
        piece.bytes = data;
        piece.qr = qr;
    }

    void picture(const Raster &raster)
    {
        Piece &piece = add(PieceKind::Picture);
        piece.bytes = raster.rows;
        piece.pictureWidth = raster.width;
        piece.pictureHeight = raster.height;
    }

    // A symbol wider than the print area is not printed at all: the
    // printer only feeds the paper.
    bool fitsThePaper(const std::string &tag, int dots)
    {
        if (dots <= printDots)
            return true;
        fail(tag, tag + " com " + std::to_string(dots) + " pontos não cabe em " + std::to_string(printDots));
        return false;
    }

    void barcode(const std::string &tag, const std::string &name, const std::string &written)
    {
        BarcodeKind kind = barcodeKindNamed(name);
        const std::string data = leniently(kind, written);
        const std::string problem = barcodeProblem(kind, data);
        if (!problem.empty())
            return fail(tag, tag + " " + problem);
        if (!fitsThePaper(tag, barcodeModules(kind, data) * barcodeOptions.moduleWidth))
            return;
        if (isPictureOnly(kind)) {
            const SymbolModules symbol = encodeBarcode(kind, data);
            picture(rasterOfBarcode(symbol, barcodeOptions.moduleWidth, barcodeOptions.height));
            // The printer's own barcodes show their digits under the bars;
            // these show them as text, in the line the picture leaves.
            if (barcodeOptions.showDigits && !symbol.digits.empty())
                madeText(symbol.digits);
            return;
        }
        Piece &piece = add(PieceKind::Barcode);
        piece.bytes = data;
        piece.barcode = kind;
        piece.barcodeOptions = barcodeOptions;
    }

    const char *at;
    const char *const end;
    const int printDots;
    const bool keepPieces;
    const PieceSink *const sink;
    const PictureLoader &pictures;
    const char *nextTag = nullptr;
    const char *nextLineFeed = nullptr;
    Piece scratch; // a piece not kept: checked, or handed to the sink
    const Piece blank;
    bool delivering = false;
    int line = 1;
    const char *textBegin = nullptr; // where the text not yet made a piece starts
    std::string_view sinkText;       // the text of the Text piece to hand over
    std::string madeTextHeld;        // what sinkText shows of a made text piece
    TextStyle style;
    Alignment alignment = Alignment::Left;
    std::vector<Alignment> alignmentsBefore; // of the alignment blocks open, innermost last
    BarcodeOptions barcodeOptions;
    LogoOptions logo;
    QrOptions qr;
    ReceiptReading reading;
};

} // namespace

std::string ReceiptError::message() const
{
    return "etiqueta inválida na linha " + std::to_string(line) + ": " + reason;
}

std::size_t qrCapacity(int errorLevel)
{
    // Version 40 in byte mode.
    static const std::size_t capacities[] = {2953, 2331, 1663, 1273};
    return capacities[std::clamp(errorLevel, 0, 3)];
}

namespace {

ReceiptReading readFrom(const char *data, std::size_t size, int columns, bool keepPieces, const PieceSink *sink,
                        const PictureLoader &pictures)
{
    // A UTF-8 byte-order mark says how the file is written; it is no text.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
    }
    return Reader(data, size, columns, keepPieces, sink, pictures).read();
}

} // namespace

ReceiptReading readReceipt(const char *data, std::size_t size, int columns, const PictureLoader &pictures)
{
    return readFrom(data, size, columns, true, nullptr, pictures);
}

ReceiptReading checkReceipt(const char *data, std::size_t size, int columns, const PictureLoader &pictures)
{
    return readFrom(data, size, columns, false, nullptr, pictures);
}

ReceiptReading readReceipt(const char *data, std::size_t size, int columns, const PieceSink &sink,
                           const PictureLoader &pictures)
{
    return readFrom(data, size, columns, false, &sink, pictures);
}

} // namespace receipt
