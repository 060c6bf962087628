#include "text_framing.h"

#include <algorithm>
#include <cstring>
#include <limits>

// The largest buffer a QByteArray can hold, with room for its header.
constexpr qsizetype maxFramedSize = std::numeric_limits<int>::max() - 64;

QByteArray frameText(const QByteArray &text, int left, int top, int bottom, const QByteArray &prefix)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    bottom = std::max(bottom, 0);

    const char *begin = text.constData();
    const char *const end = begin + text.size();
    const qsizetype lines = std::count(begin, end, '\n') + 1;
    const qsizetype size = prefix.size() + top + bottom + text.size() + lines * left + 1;
    if (size > maxFramedSize)
        return QByteArray();

    QByteArray framed(int(size), Qt::Uninitialized);
    char *out = framed.data();
    out = std::copy(prefix.constData(), prefix.constData() + prefix.size(), out);
    out = std::fill_n(out, top, '\n');
    for (const char *line = begin;;) {
        const char *lineEnd = static_cast<const char *>(std::memchr(line, '\n', size_t(end - line)));
        if (!lineEnd)
            lineEnd = end;
        out = std::fill_n(out, left, ' ');
        out = std::copy(line, lineEnd, out);
        *out++ = '\n';
        if (lineEnd == end)
            break;
        line = lineEnd + 1;
    }
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

QString utf8UpToZero(const QByteArray &bytes)
{
    const void *zero = std::memchr(bytes.constData(), '\0', size_t(bytes.size()));
    const int length = zero ? int(static_cast<const char *>(zero) - bytes.constData()) : bytes.size();
    return QString::fromUtf8(bytes.constData(), length);
}
