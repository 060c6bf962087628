#ifndef ORVANE_UTF16_TEXT_H
#define ORVANE_UTF16_TEXT_H

#include <QByteArray>

// Text saved as UTF-16 says so with a byte-order mark (FF FE little endian,
// FE FF big endian): Windows PowerShell and Notepad write it so. Everything
// else in the program reads UTF-8 (or Windows-1252), so such a text is
// turned into UTF-8 once, as it is read.

bool startsWithUtf16Mark(const QByteArray &bytes);

// The UTF-8 of a text that starts with a UTF-16 byte-order mark, the mark
// left out; a surrogate without its pair, and an odd last byte, become
// U+FFFD. Null when the UTF-8 would not fit in memory.
QByteArray utf8FromUtf16(const QByteArray &bytes);

#endif
