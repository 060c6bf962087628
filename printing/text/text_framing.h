#ifndef ORVANE_TEXT_FRAMING_H
#define ORVANE_TEXT_FRAMING_H

#include <QByteArray>
#include <QList>
#include <QString>

struct CodePage;

// Frames text for the printer: `top` LF bytes, then every LF-separated line
// (a final LF makes a last, empty line) with `left` spaces before it and one
// LF after it, then `bottom` LF bytes. `prefix` goes in front of it all.
// The text's own bytes pass unchanged. A null array means the framed
// text would not fit in memory.
QByteArray frameText(const QByteArray &text, int left, int top, int bottom,
                     const QByteArray &prefix = QByteArray());

// The pages of a text that form feeds (0x0C) separate, for the roads that
// lay pages out: the text cut at each form feed, the form feeds left out.
// A line end just before a form feed ends that page's last line; a form
// feed that ends the text (line ends after it aside) starts no page. A
// text without form feeds is its one page.
QList<QByteArray> formFeedPages(const QByteArray &text);

// The escape sequence that puts a dot-matrix printer in the named mode
// ("draft", "draft condensed"); empty for any other text.
QByteArray dotMatrixPrefix(const QString &mode);

// The text framed as frameText() does and converted to a printer's code
// page (see convertToCodePage()), behind the page's selection command and
// `prefix`. A UTF-8 byte-order mark at the start of the text is dropped.
// Null when it would not fit in memory.
QByteArray frameTextInCodePage(const QByteArray &text, int left, int top, int bottom,
                               const QByteArray &prefix, const CodePage &page);

// Bytes as text: every well-formed UTF-8 sequence as UTF-8, every other byte
// as Windows-1252, the code page of the Windows programs that write many
// receipts, and NUL bytes left out (a NUL shows nothing on paper, and what
// follows it prints). What the page roads and the preview show of a
// buffer; a UTF-8 buffer without NULs reads as QString::fromUtf8() reads it.
QString readableText(const QByteArray &bytes);

#endif
