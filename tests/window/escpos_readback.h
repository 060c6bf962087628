#ifndef ORVANE_ESCPOS_READBACK_H
#define ORVANE_ESCPOS_READBACK_H

// What a receipt printer makes of ESC/POS bytes, as text the tests compare:
// each printed line as "L:", "C:" or "R:" (its alignment) followed by its
// characters, each run of equal modes behind the modes' letters in
// brackets (b bold, w double width, h double height, u underline, f font B,
// i white on black; "[]" back to none); every other deed on a line of its
// own behind a "#". Characters are read through the code page selected.
// As the printers do, ESC a counts only at the start of a line; Code 128
// data is read as the printer reads its code sets and braces, and told
// with the sets it went in and the symbol's modules.

#include "code_pages.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class EscPosReadback
{
public:
    // Reads `bytes`; unknown commands are told as "#? XX".
    static QString read(const QByteArray &bytes)
    {
        EscPosReadback reader(bytes);
        reader.run();
        return reader.lines.join('\n');
    }

private:
    explicit EscPosReadback(const QByteArray &bytes)
        : bytes(bytes)
    {
    }

    struct Modes {
        bool bold = false, wide = false, tall = false, underline = false, fontB = false, inverted = false;
        QString letters() const
        {
            QString l;
            if (bold) l += 'b';
            if (wide) l += 'w';
            if (tall) l += 'h';
            if (underline) l += 'u';
            if (fontB) l += 'f';
            if (inverted) l += 'i';
            return l;
        }
    };

    int byteAt(int i) const { return i < bytes.size() ? uchar(bytes.at(i)) : -1; }
    QByteArray take(int count)
    {
        const QByteArray data = bytes.mid(at, count);
        at += count;
        return data;
    }

    void endLine()
    {
        if (!line.isEmpty() || lineStarted)
            lines << QStringLiteral("%1:%2").arg(QChar(lineAlignment)).arg(line);
        line.clear();
        lineStarted = false;
        lineModes.clear();
    }

    void print(char16_t c)
    {
        if (!lineStarted) {
            lineStarted = true;
            lineAlignment = alignment;
        }
        const QString letters = modes.letters();
        if (letters != lineModes) {
            line += '[' + letters + ']';
            lineModes = letters;
        }
        line += QChar(c);
    }

    void deed(const QString &text)
    {
        if (lineStarted)
            endLine();
        lines << '#' + text;
    }

    char16_t character(uchar byte) const
    {
        if (byte < 0x80 || codePage < 0)
            return byte;
        for (const CodePage &page : codePages())
            if (page.selectionLength == 3 && page.selection[2] == codePage && QByteArray(page.name).startsWith("epson"))
                return codePageCharacter(page, byte);
        return u'\uFFFD';
    }

    void run()
    {
        while (at < bytes.size()) {
            const int c = byteAt(at++);
            if (c == 0x0A) {
                if (lineStarted)
                    endLine();
                else
                    lines << QStringLiteral("%1:").arg(QChar(alignment));
            } else if (c == 0x0D) {
                // A carriage return alone moves nothing on these printers.
            } else if (c == 0x1B) {
                escape(byteAt(at++));
            } else if (c == 0x1D) {
                groupSeparator(byteAt(at++));
            } else if (c == 0x1C && byteAt(at) == 'p') {
                deed(QStringLiteral("logo %1 %2").arg(byteAt(at + 1)).arg(byteAt(at + 2)));
                at += 3;
            } else if (c >= 0x20) {
                print(character(uchar(c)));
            } else {
                deed(QStringLiteral("? %1").arg(c, 2, 16, QChar('0')));
            }
        }
        if (lineStarted)
            endLine();
        lines << QStringLiteral("#end %1 %2").arg(modes.letters().isEmpty() ? "normal" : modes.letters()).arg(QChar(alignment));
    }

    void escape(int command)
    {
        const int n = byteAt(at);
        switch (command) {
        case 'E': modes.bold = n & 1; ++at; break;
        case '-': modes.underline = n & 3; ++at; break;
        case 'M': modes.fontB = n & 1; ++at; break;
        case 'a':
            if (!lineStarted)
                alignment = n == 1 ? 'C' : n == 2 ? 'R' : 'L';
            ++at;
            break;
        case 't': codePage = n; ++at; break;
        case 'd': deed(QStringLiteral("feed %1").arg(n)); ++at; break;
        case 'p': deed(QStringLiteral("drawer %1 %2 %3").arg(n + 1).arg(byteAt(at + 1)).arg(byteAt(at + 2))); at += 3; break;
        case 'B': deed(QStringLiteral("beep")); at += 2; break;
        case '@':
            deed(QStringLiteral("reset"));
            modes = Modes();
            alignment = 'L';
            codePage = -1;
            break;
        default: deed(QStringLiteral("? ESC %1").arg(command, 2, 16, QChar('0')));
        }
    }

    void groupSeparator(int command)
    {
        const int n = byteAt(at);
        switch (command) {
        case '!': modes.wide = n & 0x10; modes.tall = n & 0x01; ++at; break;
        case 'B': modes.inverted = n & 1; ++at; break;
        case 'H': barcodeDigits = n; ++at; break;
        case 'w': barcodeWidth = n; ++at; break;
        case 'h': barcodeHeight = n; ++at; break;
        case 'V': deed(n == 65 || n == 0 ? "cut full" : "cut partial"); at += n >= 65 ? 2 : 1; break;
        case 'k': {
            static const char *const names[] = {"upca", "upce", "ean13", "ean8", "code39", "inter", "codabar", "code93", "code128"};
            const int length = byteAt(at + 1);
            at += 2;
            const QByteArray raw = take(length);
            QString data = QString::fromLatin1(raw);
            QString rest;
            if (n == 73)
                data = code128(raw, rest);
            lineAlignment = alignment;
            deed(QStringLiteral("%1 %2 '%3' digits %4 width %5 height %6")
                     .arg(n >= 65 && n <= 73 ? names[n - 65] : "?").arg(QChar(alignment)).arg(data)
                     .arg(barcodeDigits).arg(barcodeWidth).arg(barcodeHeight));
            // What follows a pair the printer cannot read prints as text.
            for (const QChar c : rest)
                print(c.unicode());
            break;
        }
        case 'v': rasterImage(); break;
        case '(':
            if (n == 'L')
                graphicsFunction();
            else
                qrFunction();
            break;
        default: deed(QStringLiteral("? GS %1").arg(command, 2, 16, QChar('0')));
        }
    }

    // Code 128 data as the printer reads it: "sets B C, 277 modules: text";
    // the bytes after a pair it cannot read go to `rest`.
    static QString code128(const QByteArray &raw, QString &rest)
    {
        QString text;
        QString sets;
        char set = 0;
        int characters = 0;
        for (int i = 0; i < raw.size(); ++i) {
            const char c = raw.at(i);
            if (c == '{' && i + 1 < raw.size()) {
                const char pair = raw.at(++i);
                if (pair == 'A' || pair == 'B' || pair == 'C') {
                    set = pair;
                    sets += (sets.isEmpty() ? "" : " ") + QString(QChar(pair));
                    ++characters;
                    continue;
                }
                if (pair == '{' && set != 'C' && set != 0) {
                    text += '{';
                    ++characters;
                    continue;
                }
                if (pair >= '1' && pair <= '4' && set != 0) {
                    text += QStringLiteral("<FNC%1>").arg(pair);
                    ++characters;
                    continue;
                }
                rest = QString::fromLatin1(raw.mid(i - 1));
                return QStringLiteral("stops at {%1: %2").arg(QChar(pair)).arg(text);
            }
            if (set == 0) {
                rest = QString::fromLatin1(raw.mid(i));
                return QStringLiteral("no code set");
            }
            if (set == 'C') {
                if (uchar(c) > 99) {
                    rest = QString::fromLatin1(raw.mid(i));
                    return QStringLiteral("stops at byte %1: %2").arg(int(uchar(c))).arg(text);
                }
                text += QStringLiteral("%1").arg(int(uchar(c)), 2, 10, QChar('0'));
            } else if (set == 'A' && uchar(c) >= 0x60) {
                rest = QString::fromLatin1(raw.mid(i));
                return QStringLiteral("stops at '%1' in set A: %2").arg(QChar(c)).arg(text);
            } else {
                text += QChar(c);
            }
            ++characters;
        }
        // Each character 11 modules, the check character too; the stop 13.
        return QStringLiteral("sets %1, %2 modules: %3").arg(sets).arg(11 * (characters + 1) + 13).arg(text);
    }

    // GS v 0 m xL xH yL yH: its rows of dots as 0 and 1, joined by "/".
    void rasterImage()
    {
        const int rowBytes = byteAt(at + 2) | byteAt(at + 3) << 8;
        const int rows = byteAt(at + 4) | byteAt(at + 5) << 8;
        at += 6;
        const QByteArray data = take(rowBytes * rows);
        QStringList dots;
        for (int y = 0; y < rows; ++y) {
            QString row;
            for (int x = 0; x < rowBytes * 8; ++x)
                row += (uchar(data.at(y * rowBytes + x / 8)) >> (7 - x % 8)) & 1 ? '1' : '0';
            dots << row;
        }
        lineAlignment = alignment;
        deed(QStringLiteral("picture %1 %2x%3 %4").arg(QChar(alignment)).arg(rowBytes * 8).arg(rows).arg(dots.join('/')));
    }

    void graphicsFunction()
    {
        // GS ( L pL pH m fn kc1 kc2 x y: fn 69 prints stored graphics.
        const int length = byteAt(at + 1) | byteAt(at + 2) << 8;
        const QByteArray body = bytes.mid(at + 3, length);
        at += 3 + length;
        if (body.size() == 6 && body.at(1) == 69)
            deed(QStringLiteral("logo %1 %2 scale %3 %4").arg(int(uchar(body.at(2)))).arg(int(uchar(body.at(3))))
                     .arg(int(body.at(4))).arg(int(body.at(5))));
        else
            deed(QStringLiteral("? GS ( L"));
    }

    void qrFunction()
    {
        // GS ( k pL pH cn fn ...
        const int length = byteAt(at + 1) | byteAt(at + 2) << 8;
        const QByteArray body = bytes.mid(at + 3, length);
        at += 3 + length;
        const char function = body.size() > 1 ? body.at(1) : 0;
        if (function == 'A')
            qrModel = uchar(body.at(2)) - '0';
        else if (function == 'C')
            qrSize = uchar(body.at(2));
        else if (function == 'E')
            qrLevel = uchar(body.at(2)) - '0';
        else if (function == 'P')
            qrData = body.mid(3);
        else if (function == 'Q')
            deed(QStringLiteral("qrcode %1 model %2 size %3 level %4 '%5'").arg(QChar(alignment)).arg(qrModel)
                     .arg(qrSize).arg(qrLevel).arg(QString::fromUtf8(qrData)));
    }

    const QByteArray bytes;
    int at = 0;
    QStringList lines;
    QString line;
    QString lineModes;
    bool lineStarted = false;
    char lineAlignment = 'L';
    char alignment = 'L';
    Modes modes;
    int codePage = -1;
    int barcodeDigits = 0, barcodeWidth = 3, barcodeHeight = 162;
    int qrModel = 2, qrSize = 3, qrLevel = 0;
    QByteArray qrData;
};

#endif
