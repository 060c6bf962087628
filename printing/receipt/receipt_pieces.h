#ifndef ORVANE_RECEIPT_PIECES_H
#define ORVANE_RECEIPT_PIECES_H

// A receipt written with tags (<n>bold</n>, <ce>centred</ce>,
// <qrcode>URL</qrcode>, </corte_total>...) as a list of pieces, in the
// order they print. One reader makes the list (receipt_reader.h); the
// ESC/POS writer of the raw roads and the drawing of the page roads and the
// preview each carry it out. Plain C++17, no Qt.
//
// Lines: a line ends at a LineFeed piece (or where a Barcode, QrCode, Cut,
// Logo, Reset or FeedLines piece starts, which print on lines of their own)
// and takes the alignment of the first piece on it, as a receipt printer
// does with ESC a.

#include <string>
#include <vector>

namespace receipt {

enum class Alignment { Left, Centre, Right };

// The character modes in force for a piece of text.
struct TextStyle {
    bool bold = false;          // <n>
    bool doubleWidth = false;   // <e>
    bool doubleHeight = false;  // <a>
    bool underline = false;     // <s>
    bool fontB = false;         // <c> condensed, </fb>; </fa> and </fn> go back to font A
    bool italic = false;        // <i>: the printers have no italic, only the pages draw it
    bool inverted = false;      // <in> white on black

    bool isNormal() const { return *this == TextStyle(); }
    bool operator==(const TextStyle &other) const
    {
        return bold == other.bold && doubleWidth == other.doubleWidth && doubleHeight == other.doubleHeight
               && underline == other.underline && fontB == other.fontB && italic == other.italic
               && inverted == other.inverted;
    }
    bool operator!=(const TextStyle &other) const { return !(*this == other); }
};

enum class BarcodeKind {
    Ean8,        // <ean8>: 7 digits, or 8 with a right check digit
    Ean13,       // <ean13>: 12 digits, or 13 with a right check digit
    UpcA,        // <upca>: 11 digits, or 12 with a right check digit
    UpcE,        // <upce>: 6 digits, or 7 or 8 starting with 0 (number system 0)
    Code39,      // <code39>: 0-9 A-Z space $ % + - . /
    Code93,      // <code93>: ASCII
    Code128,     // <code128>: ASCII, in the shortest code sets (code128_sets.h)
    Code128A,    // <code128a>: ASCII from space to '_', in set A
    Code128B,    // <code128b>: ASCII, in set B
    Code128C,    // <code128c>: an even count of digits, in set C
    Interleaved, // <inter>: interleaved 2 of 5, an even count of digits
    Codabar,     // <codabar>: A-D at both ends, 0-9 - $ : / . + between
    // The printers have no command for these: they print as a Picture.
    Code11,      // <code11>: 0-9 and -
    Msi,         // <msi>: digits
    Standard2of5, // <std>: standard 2 of 5, digits
};

// Set by <barra_mostrar>, <barra_largura>, <barra_altura> for the barcodes
// that follow them.
struct BarcodeOptions {
    bool showDigits = true; // the human-readable digits under the bars
    int moduleWidth = 2;    // the printer's dots, 2 to 6: <barra_largura> 1 to 5 plus one
    int height = 50;        // 1 to 255 dots
};

// Set by <qrcode_largura>, <qrcode_error>, <qrcode_tipo> for the QR codes
// that follow them.
struct QrOptions {
    int moduleSize = 4;  // 1 to 16 dots
    int errorLevel = 0;  // 0 L, 1 M, 2 Q, 3 H
    int model = 2;       // 1 or 2; 1 limits the symbol to version 14, printed as model 2
};

// Set by <logo_kc1>, <logo_kc2>, <logo_fatorx>, <logo_fatory> for the
// </logo> that follow them: which of the graphics stored in the printer,
// and at what scale.
struct LogoOptions {
    int keyCode1 = 32;
    int keyCode2 = 32;   // 0: the older command, image number keyCode1
    int scaleX = 1;      // 1 to 4
    int scaleY = 1;
};

enum class PieceKind {
    Text,           // `bytes`: text of one line (never an LF), as the file has it
    LineFeed,       // the end of a line: an LF of the file, or </lf>
    CarriageReturn, // </cr>
    FeedLines,      // </pular_linhas>: `count` blank lines
    Rule,           // </linha_simples> ('-') or </linha_dupla> ('='): `ruleCharacter` across the
                    // receipt's columns (half as many in double width); the line still ends
                    // at the next LineFeed
    Barcode,        // `bytes` is the data, `barcode` and `barcodeOptions` how to draw it
    QrCode,         // `bytes` is the data (the file's bytes, UTF-8 as a rule), `qr` how to draw it
    Cut,            // `partial`: </corte_parcial>; else </corte>, </corte_total>
    Drawer,         // </abre_gaveta> (drawer 1), <abre_gaveta>2</abre_gaveta>
    Reset,          // </zera>, </reset>: the printer as switched on; style and alignment normal after it
    Logo,           // </logo>: the graphics stored in the printer, `logo` which
    Beep,           // </beep>
    Picture,        // <bmp>, and the barcodes the printers have no command for: `bytes` is a
                    // raster of `pictureWidth` × `pictureHeight` dots (raster_pictures.h)
};

struct Piece {
    PieceKind kind = PieceKind::Text;
    int line = 1;                 // the file's line where the piece starts, from 1
    Alignment alignment = Alignment::Left; // in force for this piece
    TextStyle style;              // Text, Rule: the character modes
    std::string bytes;            // Text: the file's bytes; Barcode, QrCode: the data
    char ruleCharacter = '-';     // Rule
    BarcodeKind barcode = BarcodeKind::Ean13;
    BarcodeOptions barcodeOptions;
    QrOptions qr;
    LogoOptions logo;
    bool partial = false;         // Cut
    int drawer = 1;               // Drawer: 1 or 2
    int count = 0;                // FeedLines
    int pictureWidth = 0;         // Picture: in the printer's dots
    int pictureHeight = 0;
};

// Why a file cannot be printed: the first tag that cannot be carried out.
struct ReceiptError {
    int line = 0;         // 0: no error
    std::string tag;      // as written, "<ean13>"
    std::string reason;   // Portuguese, UTF-8

    bool isError() const { return line > 0; }
    // "etiqueta inválida na linha 12: <ean13> ...", UTF-8.
    std::string message() const;
};

struct ReceiptReading {
    std::vector<Piece> pieces;
    ReceiptError error;      // when set, `pieces` is empty: nothing of the file prints
    bool hasTags = false;    // false: the file is plain text, to print as it always has
};

} // namespace receipt

#endif
