#include "html_page.h"

#include <algorithm>
#include <limits>

namespace {

// The largest buffer a QByteArray can hold, with room for its header.
constexpr qsizetype maxBuiltSize = std::numeric_limits<int>::max() - 64;

const char openingNormal[] =
    "<html><body><font style='font-size: #font-size#px; font-family: #font-face#;'>";
const char openingBold[] =
    "<html><body><font style='font-size: #font-size#px; font-family: #font-face#; font-weight: 600'>";
const char closing[] = "</font></body></html>";

// What a LF and a space become.
const char lineBreak[] = "<br>";
const char space[] = "&nbsp;";
constexpr int lineBreakSize = sizeof lineBreak - 1;
constexpr int spaceSize = sizeof space - 1;

// How many LFs and spaces [begin, end) holds, in one pass.
void countSpecials(const char *begin, const char *end, qsizetype &lineFeeds, qsizetype &spaces)
{
    lineFeeds = 0;
    spaces = 0;
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
