#include "html_page.h"
#include "byte_blocks.h"

#include <algorithm>
#include <cstring>

namespace {

const char openingNormal[] =
    "<html><body><font style='font-size: #font-size#px; font-family: #font-face#;'>";
const char openingBold[] =
    "<html><body><font style='font-size: #font-size#px; font-family: #font-face#; font-weight: 600'>";
const char closing[] = "</font></body></html>";

// What a LF and a space become; 8 bytes each so that one store writes them.
const char lineBreak[8] = {'<', 'b', 'r', '>'};
const char space[8] = {'&', 'n', 'b', 's', 'p', ';'};
constexpr int lineBreakSize = 4;
constexpr int spaceSize = 6;
static_assert(sizeof closing - 1 >= 8, "an 8-byte store after the text stays inside the page");

// How many LFs and spaces [begin, end) holds, in one pass.
void countSpecials(const char *begin, const char *end, qsizetype &lineFeeds, qsizetype &spaces)
{
    lineFeeds = 0;
    spaces = 0;
#ifdef ORVANE_SSE2
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    while (end - begin >= 16) {
        // Each compare gives -1 in a matching lane: up to 255 blocks add up
        // in the 8-bit lanes before they are summed.
        const qsizetype blocks = std::min<qsizetype>((end - begin) / 16, 255);
        __m128i lineFeedLanes = _mm_setzero_si128();
        __m128i spaceLanes = _mm_setzero_si128();
        for (qsizetype i = 0; i < blocks; ++i, begin += 16) {
            const __m128i block = load16(begin);
            lineFeedLanes = _mm_sub_epi8(lineFeedLanes, _mm_cmpeq_epi8(block, lineFeed));
            spaceLanes = _mm_sub_epi8(spaceLanes, _mm_cmpeq_epi8(block, blank));
        }
        const __m128i lineFeedSums = _mm_sad_epu8(lineFeedLanes, _mm_setzero_si128());
        const __m128i spaceSums = _mm_sad_epu8(spaceLanes, _mm_setzero_si128());
        lineFeeds += _mm_cvtsi128_si32(lineFeedSums) + _mm_extract_epi16(lineFeedSums, 4);
        spaces += _mm_cvtsi128_si32(spaceSums) + _mm_extract_epi16(spaceSums, 4);
    }
#endif
    for (; begin != end; ++begin) {
        lineFeeds += *begin == '\n';
        spaces += *begin == ' ';
    }
}

} // namespace

QByteArray buildHtmlPage(const QByteArray &text, int fontSize, const QByteArray &fontFace, bool bold)
{
    QByteArray opening(bold ? openingBold : openingNormal);
    opening.replace("#font-size#", QByteArray::number(fontSize));
    opening.replace("#font-face#", fontFace);

    const char *in = text.constData();
    const char *const end = in + text.size();
    qsizetype lineFeeds;
    qsizetype spaces;
    countSpecials(in, end, lineFeeds, spaces);
    const qsizetype size = opening.size() + text.size() + lineFeeds * (lineBreakSize - 1)
                           + spaces * (spaceSize - 1) + qsizetype(sizeof closing - 1);
    if (size > maxBuiltSize)
        return QByteArray();

    QByteArray page(int(size), Qt::Uninitialized);
    char *out = std::copy(opening.constData(), opening.constData() + opening.size(), page.data());

#ifdef ORVANE_SSE2
    // 16 bytes at a time. Stores write whole blocks (8 bytes for a LF or a
    // space) and the next store starts where the wanted bytes end, so the
    // extra bytes are overwritten. While 32 or more bytes of text remain,
    // every load stays inside the text and every store inside the page
    // (whatever follows the current point in it is at least as long as the
    // rest of the text plus the closing tags).
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    while (end - in >= 32) {
        const char *const blockEnd = in + 16;
        const __m128i block = load16(in);
        unsigned specials = unsigned(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(block, lineFeed), _mm_cmpeq_epi8(block, blank))));
        if (specials == 0) {
            store16(out, block);
            out += 16;
            in = blockEnd;
            continue;
        }
        const char *const blockStart = in;
        do {
            const char *const special = blockStart + lowestSetBit(specials);
            store16(out, load16(in));
            out += special - in;
            const bool isLineFeed = *special == '\n';
            std::memcpy(out, isLineFeed ? lineBreak : space, 8);
            out += isLineFeed ? lineBreakSize : spaceSize;
            in = special + 1;
            specials &= specials - 1;
        } while (specials != 0);
        if (in != blockEnd) {
            store16(out, load16(in));
            out += blockEnd - in;
            in = blockEnd;
        }
    }
#endif

    for (; in != end; ++in) {
        switch (*in) {
        case '\n':
            out = std::copy_n(lineBreak, lineBreakSize, out);
            break;
        case ' ':
            out = std::copy_n(space, spaceSize, out);
            break;
        default:
            *out++ = *in;
        }
    }
    std::copy_n(closing, sizeof closing - 1, out);
    return page;
}
