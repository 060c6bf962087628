#include "code_pages.h"
#include "code_page_tables.h"

#include <cstring>

namespace {

enum Table { pc850, pc858, pc860, wpc1252, tableCount };

const char16_t *const tables[tableCount] = {CodePageTables::pc850, CodePageTables::pc858,
                                            CodePageTables::pc860, CodePageTables::windows1252};

// ESC t n on ESC/POS printers; Bematech's own command set numbers its
// pages differently.
const std::array<CodePage, 10> pages = {{
    {"epson pc850", {0x1b, 0x74, 2}, 3, pc850},
    {"epson pc860", {0x1b, 0x74, 3}, 3, pc860},
    {"epson pc858", {0x1b, 0x74, 19}, 3, pc858},
    {"epson wpc1252", {0x1b, 0x74, 16}, 3, wpc1252},
    {"bematech pc850", {0x1b, 0x74, 2}, 3, pc850},
    {"bematech pc860", {0x1b, 0x74, 4}, 3, pc860},
    {"pc850", {}, 0, pc850},
    {"pc860", {}, 0, pc860},
    {"pc858", {}, 0, pc858},
    {"wpc1252", {}, 0, wpc1252},
}};

// Every character of these pages lies below U+2600.
constexpr char32_t reverseSize = 0x2600;

// Character to byte, per table; 0 where the page lacks the character (no
// byte 0x80 to 0xFF is 0, and ASCII never comes here).
struct ReverseTables {
    unsigned char byte[tableCount][reverseSize] = {};
    ReverseTables()
    {
        for (int t = 0; t < tableCount; ++t)
            for (int i = 0; i < 128; ++i)
                if (tables[t][i] != 0xFFFD)
                    byte[t][tables[t][i]] = static_cast<unsigned char>(0x80 + i);
    }
};

const ReverseTables &reverseTables()
{
    static const ReverseTables reverse;
    return reverse;
}

} // namespace

const std::array<CodePage, 10> &codePages()
{
    return pages;
}

const CodePage *codePageNamed(const std::string &name)
{
    for (const CodePage &page : pages)
        if (name == page.name)
            return &page;
    return nullptr;
}

char16_t codePageCharacter(const CodePage &page, unsigned char byte)
{
    return byte < 0x80 ? char16_t(byte) : tables[page.table][byte - 0x80];
}

char16_t windows1252Character(unsigned char byte)
{
    return byte < 0x80 ? char16_t(byte) : CodePageTables::windows1252[byte - 0x80];
}

std::size_t convertToCodePage(char *text, std::size_t length, const CodePage &page)
{
    const unsigned char *const toByte = reverseTables().byte[page.table];
    const unsigned char *in = reinterpret_cast<const unsigned char *>(text);
    const unsigned char *const end = in + length;
    unsigned char *out = reinterpret_cast<unsigned char *>(text);

    // Every character takes at least the one byte it becomes, so the output
    // never overtakes the input.
    while (in < end) {
        const unsigned char byte = *in;
        if (byte < 0x80) {
            *out++ = byte;
            ++in;
            continue;
        }
        char32_t character;
        const int sequence = utf8SequenceAt(in, end, character);
        if (sequence > 0) {
            in += sequence;
        } else {
            character = windows1252Character(byte);
            ++in;
        }
        const unsigned char converted = character < reverseSize ? toByte[character] : 0;
        *out++ = converted ? converted : '?';
    }
    return std::size_t(out - reinterpret_cast<unsigned char *>(text));
}
