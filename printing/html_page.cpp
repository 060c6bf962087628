#include "html_page.h"

#include <algorithm>
#include <limits>

namespace {

const char openingNormal[] =
    "<html><body><font style='font-size: #font-size#px; font-family: #font-face#;'>";
const char openingBold[] =
    "<html><body><font style='font-size: #font-size#px; font-family: #font-face#; font-weight: 600'>";
const char closing[] = "</font></body></html>";

constexpr qsizetype maxPageSize = std::numeric_limits<int>::max() - 64;

} // namespace

QByteArray buildHtmlPage(const QByteArray &text, int fontSize, const QByteArray &fontFace, bool bold)
{
    QByteArray opening(bold ? openingBold : openingNormal);
    opening.replace("#font-size#", QByteArray::number(fontSize));
    opening.replace("#font-face#", fontFace);

    const char *begin = text.constData();
    const char *const end = begin + text.size();
    const qsizetype lineFeeds = std::count(begin, end, '\n');
    const qsizetype spaces = std::count(begin, end, ' ');
    const qsizetype size = opening.size() + text.size() + lineFeeds * 3 + spaces * 5
                           + qsizetype(sizeof closing - 1);
    if (size > maxPageSize)
        return QByteArray();

    QByteArray page(int(size), Qt::Uninitialized);
    char *out = std::copy(opening.constData(), opening.constData() + opening.size(), page.data());
    for (const char *in = begin; in != end; ++in) {
        switch (*in) {
        case '\n':
            out = std::copy_n("<br>", 4, out);
            break;
        case ' ':
            out = std::copy_n("&nbsp;", 6, out);
            break;
        default:
            *out++ = *in;
        }
    }
    std::copy_n(closing, sizeof closing - 1, out);
    return page;
}
