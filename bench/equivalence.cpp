// Checks that the fast frameText and buildHtmlPage give, byte for byte,
// what the plain one-byte-at-a-time definitions below give, on many random
// texts: every length from 0 to 300 (the block loops start at 32 bytes)
// and longer ones, runs of LFs and spaces, zero and high bytes, margins
// from 0 to 40. Prints "N passed, 0 failed" and exits 0 when all agree.
// Run it under valgrind or a sanitizer build to see the block loops stay
// inside their buffers.

#include "html_page.h"
#include "text_framing.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>

namespace {

QByteArray plainFrame(const QByteArray &text, int left, int top, int bottom, const QByteArray &prefix)
{
    QByteArray out = prefix + QByteArray(top, '\n') + QByteArray(left, ' ');
    for (const char c : text) {
        out += c;
        if (c == '\n')
            out += QByteArray(left, ' ');
    }
    return out + '\n' + QByteArray(bottom, '\n');
}

QByteArray plainPage(const QByteArray &text, int fontSize, const QByteArray &face, bool bold)
{
    QByteArray out = "<html><body><font style='font-size: " + QByteArray::number(fontSize)
                     + "px; font-family: " + face + (bold ? "; font-weight: 600'>" : ";'>");
    for (const char c : text) {
        if (c == '\n')
            out += "<br>";
        else if (c == ' ')
            out += "&nbsp;";
        else
            out += c;
    }
    return out + "</font></body></html>";
}

class Lcg
{
public:
    explicit Lcg(std::uint64_t seed) : state(seed) {}
    std::uint32_t next()
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return std::uint32_t(state >> 33);
    }
    int below(int n) { return int(next() % std::uint32_t(n)); }

private:
    std::uint64_t state;
};

// Mostly letters, with LFs and spaces at a rate that changes per text (from
// none to nearly all), plus zero, tab, CR and high bytes.
QByteArray randomText(Lcg &random, int length)
{
    const int specialRate = random.below(101);
    QByteArray text(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i) {
        if (random.below(100) < specialRate) {
            text[i] = random.below(3) == 0 ? '\n' : ' ';
        } else {
            const char others[] = {'a', 'Z', '0', '\0', '\t', '\r', char(0x80), char(0xc3), char(0xff), '<', '&'};
            text[i] = others[random.below(int(sizeof others))];
        }
    }
    return text;
}

} // namespace

int main()
{
    Lcg random(7);
    int passed = 0;
    int failed = 0;
    const QByteArray prefixes[] = {QByteArray(), dotMatrixPrefix("draft condensed")};
    for (int round = 0; round < 40; ++round) {
        for (int length = 0; length <= 300 + (round == 0 ? 5000 : 0); ++length) {
            // A copy of its own, so that any read past the end is seen by the tools.
            const QByteArray text = randomText(random, length);
            const int left = round < 2 ? round * 16 : random.below(41);
            const int top = random.below(4);
            const int bottom = random.below(3);
            const QByteArray &prefix = prefixes[random.below(2)];
            if (frameText(text, left, top, bottom, prefix) == plainFrame(text, left, top, bottom, prefix)) {
                ++passed;
            } else {
                ++failed;
                std::printf("frameText differs: length %d, left %d, top %d, bottom %d\n", length, left, top, bottom);
            }
            const bool bold = random.below(2) == 0;
            if (buildHtmlPage(text, 12, "Arial", bold) == plainPage(text, 12, "Arial", bold)) {
                ++passed;
            } else {
                ++failed;
                std::printf("buildHtmlPage differs: length %d\n", length);
            }
        }
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
