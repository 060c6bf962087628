#include "text_framing.h"
#include "code_pages.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The largest buffer a QByteArray can hold, with room for its header.
constexpr qsizetype maxBuiltSize = std::numeric_limits<int>::max() - 64;

// The first byte of [begin, end) that is not ASCII, or end.
const unsigned char *skipAscii(const unsigned char *begin, const unsigned char *end)
{
    while (begin < end && *begin < 0x80)
        ++begin;
    return begin;
}

// Where the well-formed UTF-8 at the start of [begin, end) ends.
const unsigned char *endOfUtf8(const unsigned char *begin, const unsigned char *end)
{
    for (;;) {
        begin = skipAscii(begin, end);
        char32_t character;
        const int sequence = begin < end ? utf8SequenceAt(begin, end, character) : 0;
        if (sequence == 0)
            return begin;
        begin += sequence;
    }
}

// [begin, end) appended to `text`, stray bytes read as Windows-1252.
void appendMixed(QString &text, const unsigned char *begin, const unsigned char *end)
{
    // A byte never makes more than one UTF-16 unit, nor a sequence more
    // units than it has bytes.
    const int start = text.size();
    text.resize(start + int(end - begin));
    char16_t *out = reinterpret_cast<char16_t *>(text.data()) + start;
    while (begin < end) {
        const unsigned char *ascii = skipAscii(begin, end);
        out = std::copy(begin, ascii, out);
        begin = ascii;
        if (begin == end)
            break;
        char32_t character;
        const int sequence = utf8SequenceAt(begin, end, character);
        if (sequence == 0) {
            *out++ = windows1252Character(*begin++);
        } else if (character < 0x10000) {
            *out++ = char16_t(character);
            begin += sequence;
        } else {
            *out++ = QChar::highSurrogate(uint(character));
            *out++ = QChar::lowSurrogate(uint(character));
            begin += sequence;
        }
    }
    text.truncate(int(out - reinterpret_cast<char16_t *>(text.data())));
}

} // namespace

QByteArray frameText(const QByteArray &text, int left, int top, int bottom, const QByteArray &prefix)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    bottom = std::max(bottom, 0);

    const char *in = text.constData();
    const char *const end = in + text.size();
    const qsizetype lines = std::count(in, end, '\n') + 1;
    const qsizetype size = prefix.size() + top + bottom + text.size() + lines * left + 1;
    if (size > maxBuiltSize)
        return QByteArray();

    // The text is copied as it is, with the margin after each of its LFs;
    // the first line's margin goes before it and the last line's LF after.
    QByteArray framed(int(size), Qt::Uninitialized);
    char *out = framed.data();
    out = std::copy(prefix.constData(), prefix.constData() + prefix.size(), out);
    out = std::fill_n(out, top, '\n');
    out = std::fill_n(out, left, ' ');

    for (;;) {
        const char *lineFeed = static_cast<const char *>(std::memchr(in, '\n', size_t(end - in)));
        if (!lineFeed) {
            out = std::copy(in, end, out);
            break;
        }
        out = std::copy(in, lineFeed + 1, out);
        out = std::fill_n(out, left, ' ');
        in = lineFeed + 1;
    }
    *out++ = '\n';
    std::fill_n(out, bottom, '\n');
    return framed;
}

QList<QByteArray> formFeedPages(const QByteArray &text)
{
    if (!text.contains('\f'))
        return {text};
    QList<QByteArray> pages = text.split('\f');
    for (int i = 0; i + 1 < pages.size(); ++i) {
        if (pages[i].endsWith('\n'))
            pages[i].chop(1);
    }
    const QByteArray &last = pages.last();
    if (std::all_of(last.begin(), last.end(), [](char c) { return c == '\n'; }))
        pages.removeLast();
    return pages;
}

QByteArray dotMatrixPrefix(const QString &mode)
{
    if (mode == QLatin1String("draft condensed"))
        return QByteArray("\x1b\x78\x30\x1b\x0f", 5);
    if (mode == QLatin1String("draft"))
        return QByteArray("\x1b\x78\x30\x1b\x12", 5);
    return QByteArray();
}

QByteArray frameTextInCodePage(const QByteArray &text, int left, int top, int bottom,
                               const QByteArray &prefix, const CodePage &page)
{
    // The mark says the file is UTF-8; on paper it would be a "?".
    const int mark = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QByteArray selection(reinterpret_cast<const char *>(page.selection), int(page.selectionLength));
    QByteArray framed = frameText(QByteArray::fromRawData(text.constData() + mark, text.size() - mark),
                                  left, top, bottom, selection + prefix);
    // Framing adds ASCII only, and never inside a UTF-8 sequence (none holds
    // an LF): converting the framed copy gives the same bytes as framing the
    // converted text, without a third copy of a large file.
    if (!framed.isNull())
        framed.truncate(int(convertToCodePage(framed.data(), size_t(framed.size()), page)));
    return framed;
}

QString readableText(const QByteArray &bytes)
{
    const char *at = bytes.constData();
    const char *const end = at + bytes.size();
    QString text;
    for (bool first = true;; first = false) {
        const void *zero = std::memchr(at, '\0', size_t(end - at));
        const char *const segmentEnd = zero ? static_cast<const char *>(zero) : end;
        const auto *begin = reinterpret_cast<const unsigned char *>(at);
        const auto *const stop = reinterpret_cast<const unsigned char *>(segmentEnd);
        // The UTF-8 part goes through the toolkit as it always did (it drops
        // a byte-order mark at the very start); the rest byte by byte.
        const unsigned char *const utf8End = endOfUtf8(begin, stop);
        if (first)
            text = QString::fromUtf8(at, int(utf8End - begin));
        else
            text.append(QString::fromUtf8(at, int(utf8End - begin)));
        if (utf8End != stop)
            appendMixed(text, utf8End, stop);
        if (!zero)
            return text;
        at = segmentEnd + 1;
    }
}
