#include "utf16_text.h"

#include <limits>

namespace {

// The largest buffer a QByteArray can hold, with room for its header.
constexpr qint64 maxBuiltSize = std::numeric_limits<int>::max() - 64;

const char32_t replacement = 0xFFFD;

// Walks the code points of UTF-16 text, calling `take` with each.
template <typename Take>
void forEachCodePoint(const QByteArray &bytes, Take take)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const bool little = data[0] == 0xFF;
    const int size = bytes.size();
    auto unitAt = [&](int i) {
        return little ? char32_t(data[i] | data[i + 1] << 8) : char32_t(data[i] << 8 | data[i + 1]);
    };
    int i = 2;
    for (; i + 1 < size; i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < size) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                take(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        take(unit >= 0xD800 && unit <= 0xDFFF ? replacement : unit);
    }
    if (i < size)
        take(replacement);
}

int utf8Length(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

} // namespace

bool startsWithUtf16Mark(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

QByteArray utf8FromUtf16(const QByteArray &bytes)
{
    qint64 size = 0;
    forEachCodePoint(bytes, [&size](char32_t c) { size += utf8Length(c); });
    if (size > maxBuiltSize)
        return QByteArray();
    QByteArray utf8(int(size), Qt::Uninitialized);
    char *out = utf8.data();
    forEachCodePoint(bytes, [&out](char32_t c) {
        switch (utf8Length(c)) {
        case 1:
            *out++ = char(c);
            break;
        case 2:
            *out++ = char(0xC0 | c >> 6);
            *out++ = char(0x80 | (c & 0x3F));
            break;
        case 3:
            *out++ = char(0xE0 | c >> 12);
            *out++ = char(0x80 | (c >> 6 & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
            break;
        default:
            *out++ = char(0xF0 | c >> 18);
            *out++ = char(0x80 | (c >> 12 & 0x3F));
            *out++ = char(0x80 | (c >> 6 & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    });
    return utf8;
}
