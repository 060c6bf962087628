#include "code128_sets.h"

#include <algorithm>
#include <vector>

namespace receipt {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The sets zint chooses for printable ASCII: C for a run of four or more
// digits (its first digit left in B when the run is odd, or its last when
// the run starts the data), and for two digits that are all the data.
std::vector<char> shortestSets(const std::string &data)
{
    const std::size_t size = data.size();
    std::vector<char> sets(size, 'B');
    for (std::size_t i = 0; i < size;) {
        if (!isDigit(data[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < size && isDigit(data[j]))
            ++j;
        const std::size_t run = j - i;
        if (run >= 4 || (run == 2 && i == 0 && j == size)) {
            std::size_t from = i;
            std::size_t to = j;
            if (run % 2 != 0) {
                if (i == 0)
                    --to;
                else
                    ++from;
            }
            std::fill(sets.begin() + std::ptrdiff_t(from), sets.begin() + std::ptrdiff_t(to), 'C');
        }
        i = j;
    }
    return sets;
}

// The printer's bytes for `text` in `sets` (one for each character).
void writeSets(Code128Data &code, const std::string &text, const std::vector<char> &sets)
{
    char current = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (sets[i] != current) {
            // The start character, or a change of set: one symbol character.
            current = sets[i];
            code.printerBytes += '{';
            code.printerBytes += current;
            ++code.symbolCharacters;
        }
        if (current == 'C') {
            code.printerBytes += char((text[i] - '0') * 10 + (text[i + 1] - '0'));
            i += 2;
        } else {
            if (text[i] == '{')
                code.printerBytes += '{';
            code.printerBytes += text[i];
            ++i;
        }
        ++code.symbolCharacters;
    }
}

// Data written for the printer's own reading ({B...): its {{ read as a
// brace; false at a pair the printer would read as a command.
bool unescaped(const std::string &data, std::string &text)
{
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '{') {
            if (i + 1 >= data.size() || data[i + 1] != '{')
                return false;
            ++i;
        }
        text += data[i];
    }
    return true;
}

} // namespace

bool isCode128(BarcodeKind kind)
{
    return kind == BarcodeKind::Code128 || kind == BarcodeKind::Code128A || kind == BarcodeKind::Code128B
           || kind == BarcodeKind::Code128C;
}

Code128Data code128Data(BarcodeKind kind, const std::string &data)
{
    Code128Data code;
    std::string text = data;
    if (kind == BarcodeKind::Code128 && data.size() >= 2 && data[0] == '{'
        && (data[1] == 'A' || data[1] == 'B' || data[1] == 'C')) {
        kind = data[1] == 'A' ? BarcodeKind::Code128A : data[1] == 'B' ? BarcodeKind::Code128B : BarcodeKind::Code128C;
        text.clear();
        if (!unescaped(data.substr(2), text)) {
            code.problem = "com um { que não é {{ depois da escolha do conjunto";
            return code;
        }
    }
    code.text = text;
    if (text.empty()) {
        code.problem = "sem dados";
        return code;
    }
    const auto within = [&text](char low, char high) {
        return std::all_of(text.begin(), text.end(), [=](char c) { return c >= low && c <= high; });
    };
    switch (kind) {
    case BarcodeKind::Code128A:
        if (!within(0x20, 0x5F))
            code.problem = "aceita só caracteres ASCII visíveis sem minúsculas";
        code.drawnAs = BarcodeKind::Code128B;
        writeSets(code, text, std::vector<char>(text.size(), 'A'));
        break;
    case BarcodeKind::Code128C:
        if (!within('0', '9') || text.size() % 2 != 0)
            code.problem = "aceita só algarismos, em número par";
        else
            writeSets(code, text, std::vector<char>(text.size(), 'C'));
        break;
    case BarcodeKind::Code128B:
        code.drawnAs = BarcodeKind::Code128B;
        [[fallthrough]];
    default:
        if (!within(0x20, 0x7E))
            code.problem = "aceita só caracteres ASCII visíveis";
        else
            writeSets(code, text, kind == BarcodeKind::Code128B ? std::vector<char>(text.size(), 'B')
                                                                : shortestSets(text));
        break;
    }
    if (code.problem.empty() && code.printerBytes.size() > 255)
        code.problem = "com mais caracteres do que a impressora aceita";
    return code;
}

} // namespace receipt
