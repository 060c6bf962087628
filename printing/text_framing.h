#ifndef ORVANE_TEXT_FRAMING_H
#define ORVANE_TEXT_FRAMING_H

#include <QByteArray>
#include <QString>

// Frames text for the printer: `top` LF bytes, then every LF-separated line
// (a final LF makes a last, empty line) with `left` spaces before it and one
// LF after it, then `bottom` LF bytes. `prefix` goes in front of it all.
// The text's own bytes pass unchanged. A null array means the framed
// text would not fit in memory.
QByteArray frameText(const QByteArray &text, int left, int top, int bottom,
                     const QByteArray &prefix = QByteArray());

// The escape sequence that puts a dot-matrix printer in the named mode
// ("draft", "draft condensed"); empty for any other text.
QByteArray dotMatrixPrefix(const QString &mode);

// Bytes up to the first zero byte, decoded as UTF-8: what the page roads
// and the preview show of a buffer.
QString utf8UpToZero(const QByteArray &bytes);

#endif
