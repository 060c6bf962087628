#include "text_framing.h"
#include "byte_blocks.h"
#include "code_pages.h"

#include <algorithm>
#include <cstring>

namespace {

// How many bytes of [begin, end) equal c.
qsizetype countByte(const char *begin, const char *end, char c)
{
    qsizetype count = 0;
#ifdef ORVANE_SSE2
    const __m128i needle = _mm_set1_epi8(c);
    while (end - begin >= 16) {
        // Each compare gives -1 in a matching lane: up to 255 blocks add up
        // in the 8-bit lanes before they are summed.
        const qsizetype blocks = std::min<qsizetype>((end - begin) / 16, 255);
        __m128i lanes = _mm_setzero_si128();
        for (qsizetype i = 0; i < blocks; ++i, begin += 16)
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(load16(begin), needle));
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    }
#endif
    return count + std::count(begin, end, c);
}

// The first byte of [begin, end) that is not ASCII, or end.
const unsigned char *skipAscii(const unsigned char *begin, const unsigned char *end)
{
#ifdef ORVANE_SSE2
    while (end - begin >= 16 && _mm_movemask_epi8(load16(reinterpret_cast<const char *>(begin))) == 0)
        begin += 16;
#endif
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
    const qsizetype lines = countByte(in, end, '\n') + 1;
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

#ifdef ORVANE_SSE2
    // 16 bytes at a time. Stores write whole blocks and the next store
    // starts where the wanted bytes end, so the extra bytes are overwritten.
    // While 32 or more bytes of text remain, every load stays inside the
    // text and every store inside the framed buffer (whatever follows the
    // current point in it is at least as long as the rest of the text).
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i spaces = _mm_set1_epi8(' ');
    while (end - in >= 32) {
        const char *const blockEnd = in + 16;
        const __m128i block = load16(in);
        unsigned lineFeeds = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeed)));
        if (lineFeeds == 0) {
            store16(out, block);
            out += 16;
            in = blockEnd;
            continue;
        }
        const char *const blockStart = in;
        do {
            const char *const next = blockStart + lowestSetBit(lineFeeds) + 1;
            store16(out, load16(in));
            out += next - in;
            in = next;
            for (int filled = 0; filled < left; filled += 16)
                store16(out + filled, spaces);
            out += left;
            lineFeeds &= lineFeeds - 1;
        } while (lineFeeds != 0);
        if (in != blockEnd) {
            store16(out, load16(in));
            out += blockEnd - in;
            in = blockEnd;
        }
    }
#endif

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

QString utf8UpToZero(const QByteArray &bytes)
{
    const void *zero = std::memchr(bytes.constData(), '\0', size_t(bytes.size()));
    const int length = zero ? int(static_cast<const char *>(zero) - bytes.constData()) : bytes.size();
    const auto *begin = reinterpret_cast<const unsigned char *>(bytes.constData());
    const unsigned char *const end = begin + length;
    // The UTF-8 part goes through the toolkit as it always did (it drops a
    // byte-order mark at the very start); the rest byte by byte.
    const unsigned char *const utf8End = endOfUtf8(begin, end);
    QString text = QString::fromUtf8(bytes.constData(), int(utf8End - begin));
    if (utf8End != end)
        appendMixed(text, utf8End, end);
    return text;
}
