#include "receipt_reader.h"
#include "barcode_rules.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace receipt {

namespace {

std::string lowered(const char *begin, const char *end)
{
    std::string name(begin, end);
    for (char &c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool isNameCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The tags that enclose data: <name>DATA</name>.
bool isBlockTag(const std::string &name)
{
    static const char *const names[] = {"ean8", "ean13", "upca", "upce", "code39", "code93", "code128",
                                        "inter", "codabar", "qrcode", "barra_mostrar", "barra_largura",
                                        "barra_altura", "qrcode_largura", "qrcode_error", "qrcode_tipo",
                                        "abre_gaveta"};
    return std::find_if(std::begin(names), std::end(names), [&](const char *n) { return name == n; })
           != std::end(names);
}

bool *styleFlag(TextStyle &style, const std::string &name)
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

bool alignmentNamed(const std::string &name, Alignment &alignment)
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
    Reader(const char *data, std::size_t size, bool keepPieces)
        : at(data)
        , end(data + size)
        , keepPieces(keepPieces)
    {
    }

    ReceiptReading read()
    {
        if (keepPieces)
            // Every piece starts at a line feed or at a tag.
            reading.pieces.reserve((std::size_t(std::count(at, end, '\n')) + std::size_t(std::count(at, end, '<'))) * 2 + 16);
        while (at < end && !reading.error.isError()) {
            const char *special = findSpecial(at);
            if (keepPieces)
                text.append(at, special);
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
                text.push_back('<');
                ++at;
            }
        }
        flushText();
        if (reading.error.isError())
            reading.pieces.clear();
        return std::move(reading);
    }

private:
    const char *findSpecial(const char *from) const
    {
        while (from < end && *from != '<' && *from != '\n')
            ++from;
        return from;
    }

    Piece &add(PieceKind kind)
    {
        Piece &piece = keepPieces ? reading.pieces.emplace_back() : (scratch = Piece());
        piece.kind = kind;
        piece.line = line;
        piece.alignment = alignment;
        piece.style = style;
        return piece;
    }

    void flushText()
    {
        if (text.empty())
            return;
        if (!keepPieces) {
            text.clear();
            return;
        }
        add(PieceKind::Text).bytes = std::move(text);
        text.clear();
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
        if (p == nameStart || p == end || *p != '>')
            return false;
        const std::string name = lowered(nameStart, p);
        const char *afterTag = p + 1;

        if (!closing && isBlockTag(name)) {
            const std::string closeTag = "</" + name + ">";
            const char *close = findClosing(afterTag, closeTag);
            if (!close) {
                flushText();
                fail("<" + name + ">", "<" + name + "> sem " + closeTag);
                tagEnd = end;
                return true;
            }
            flushText();
            const std::string data(afterTag, close);
            block(name, data);
            line += int(std::count(afterTag, close, '\n'));
            tagEnd = close + closeTag.size();
            reading.hasTags = true;
            return true;
        }
        if (!(closing ? closingTag(name) : openingTag(name)))
            return false;
        tagEnd = afterTag;
        reading.hasTags = true;
        return true;
    }

    const char *findClosing(const char *from, const std::string &closeTag) const
    {
        for (const char *p = from; std::size_t(end - p) >= closeTag.size(); ++p) {
            if (*p == '<' && lowered(p, p + closeTag.size()) == closeTag)
                return p;
        }
        return nullptr;
    }

    bool openingTag(const std::string &name)
    {
        Alignment blockAlignment;
        if (bool *flag = styleFlag(style, name)) {
            flushText();
            *flag = true;
            return true;
        }
        if (alignmentNamed(name, blockAlignment)) {
            flushText();
            if (!alignmentBlockOpen)
                alignmentBefore = alignment;
            alignmentBlockOpen = true;
            alignment = blockAlignment;
            return true;
        }
        return false;
    }

    bool closingTag(const std::string &name)
    {
        Alignment named;
        if (bool *flag = styleFlag(style, name)) {
            flushText();
            *flag = false;
            return true;
        }
        if (alignmentNamed(name, named)) {
            flushText();
            // Closing a block goes back to the alignment before it; alone,
            // the tag sets the alignment from here on.
            alignment = alignmentBlockOpen ? alignmentBefore : named;
            alignmentBlockOpen = false;
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
            const char *name;
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
                alignmentBlockOpen = false;
            }
            Piece &piece = add(function.kind);
            piece.ruleCharacter = name == "linha_dupla" ? '=' : '-';
            piece.partial = name == "corte_parcial";
            piece.count = function.kind == PieceKind::FeedLines ? feedLinesCount : 0;
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
            range(1, 5, barcodeOptions.moduleWidth);
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
        } else if (name == "qrcode") {
            qrCode(tag, data);
        } else {
            barcode(tag, name, data);
        }
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
        Piece &piece = add(PieceKind::QrCode);
        piece.bytes = data;
        piece.qr = qr;
    }

    void barcode(const std::string &tag, const std::string &name, const std::string &data)
    {
        BarcodeKind kind = barcodeKindNamed(name);
        const std::string problem = barcodeProblem(kind, data);
        if (!problem.empty())
            return fail(tag, tag + " " + problem);
        Piece &piece = add(PieceKind::Barcode);
        piece.bytes = data;
        piece.barcode = kind;
        piece.barcodeOptions = barcodeOptions;
    }

    const char *at;
    const char *const end;
    const bool keepPieces;
    Piece scratch; // what a check makes of a piece, never kept
    int line = 1;
    std::string text;
    TextStyle style;
    Alignment alignment = Alignment::Left;
    Alignment alignmentBefore = Alignment::Left;
    bool alignmentBlockOpen = false;
    BarcodeOptions barcodeOptions;
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

ReceiptReading readFrom(const char *data, std::size_t size, bool keepPieces)
{
    // A UTF-8 byte-order mark says how the file is written; it is no text.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
    }
    return Reader(data, size, keepPieces).read();
}

} // namespace

ReceiptReading readReceipt(const char *data, std::size_t size)
{
    return readFrom(data, size, true);
}

ReceiptReading checkReceipt(const char *data, std::size_t size)
{
    return readFrom(data, size, false);
}

} // namespace receipt
