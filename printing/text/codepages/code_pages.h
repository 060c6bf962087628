#ifndef ORVANE_CODE_PAGES_H
#define ORVANE_CODE_PAGES_H

// The code pages of receipt and dot-matrix printers that the raw roads can
// convert text to, and the reading of the file's bytes they share with the
// page roads: every well-formed UTF-8 sequence as UTF-8, every other byte
// as Windows-1252. Plain C++ types and tables of our own, so that every
// platform converts to the same bytes.

#include <array>
#include <cstddef>
#include <string>

struct CodePage {
    const char *name;              // as config.ini and the list in CONFIGURAÇÃO write it
    unsigned char selection[3];    // the command that selects the page on the printer
    std::size_t selectionLength;   // 0: the page is set on the printer itself
    int table;                     // which of the tables in code_page_tables.h
};

// Every page the list offers, in its order (the list puts "" first).
const std::array<CodePage, 10> &codePages();

// The page named exactly `name`; null for "" and for any other name: then
// nothing is converted.
const CodePage *codePageNamed(const std::string &name);

// The character of byte 0x80 to 0xFF on the page; U+FFFD where it has none.
char16_t codePageCharacter(const CodePage &page, unsigned char byte);

// The character of a byte 0x80 to 0xFF in Windows-1252; U+FFFD for the five
// bytes it leaves undefined (81 8D 8F 90 9D), as no character is meant.
char16_t windows1252Character(unsigned char byte);

// Converts text in place to the page and returns its new length, never more
// than `length`. ASCII bytes stay as they are, NUL and control bytes too.
// Every well-formed UTF-8 sequence, and every other byte read as
// Windows-1252, becomes the page's byte for its character, or '?' when the
// page lacks it.
std::size_t convertToCodePage(char *text, std::size_t length, const CodePage &page);

// The length of the well-formed UTF-8 sequence of two to four bytes that
// starts at `at`, with its character in `character`; 0 when none starts
// there (no overlong forms, no surrogates, nothing above U+10FFFF).
inline int utf8SequenceAt(const unsigned char *at, const unsigned char *end, char32_t &character)
{
    const std::ptrdiff_t left = end - at;
    const unsigned lead = at[0];
    auto trail = [at](int i, unsigned low = 0x80, unsigned high = 0xBF) {
        return at[i] >= low && at[i] <= high;
    };
    if (lead >= 0xC2 && lead <= 0xDF) {
        if (left < 2 || !trail(1))
            return 0;
        character = char32_t((lead & 0x1F) << 6 | (at[1] & 0x3F));
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : 0xBF;
        if (left < 3 || !trail(1, low, high) || !trail(2))
            return 0;
        character = char32_t((lead & 0x0F) << 12 | (at[1] & 0x3F) << 6 | (at[2] & 0x3F));
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        if (left < 4 || !trail(1, low, high) || !trail(2) || !trail(3))
            return 0;
        character = char32_t((lead & 0x07) << 18 | (at[1] & 0x3F) << 12 | (at[2] & 0x3F) << 6 | (at[3] & 0x3F));
        return 4;
    }
    return 0;
}

#endif
