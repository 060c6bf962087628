#ifndef ORVANE_ESCPOS_READBACK_H
#define ORVANE_ESCPOS_READBACK_H

// What a receipt printer makes of ESC/POS bytes, as text the tests compare:
// each printed line as "L:", "C:" or "R:" (its alignment) followed by its
// characters, each run of equal modes behind the modes' letters in
// brackets (b bold, w double width, h double height, u underline, f font B,
// i white on black; "[]" back to none); every other deed on a line of its
// own behind a "#". Characters are read through the code page selected.

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
                deed(QStringLiteral("logo %1").arg(byteAt(at + 1)));
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
        case 'a': alignment = n == 1 ? 'C' : n == 2 ? 'R' : 'L'; ++at; break;
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
            QString data = QString::fromLatin1(take(length));
            if (n == 73 && data.startsWith("{B"))
                data = data.mid(2);
            lineAlignment = alignment;
            deed(QStringLiteral("%1 %2 '%3' digits %4 width %5 height %6")
                     .arg(n >= 65 && n <= 73 ? names[n - 65] : "?").arg(QChar(alignment)).arg(data)
                     .arg(barcodeDigits).arg(barcodeWidth).arg(barcodeHeight));
            break;
        }
        case '(': qrFunction(); break;
        default: deed(QStringLiteral("? GS %1").arg(command, 2, 16, QChar('0')));
        }
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
