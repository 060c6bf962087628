#include "barcode_rules.h"
#include "code128_sets.h"
#include "symbols.h"

#include <algorithm>
#include <cstring>

namespace receipt {

namespace {

bool allDigits(const std::string &data)
{
    return std::all_of(data.begin(), data.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool allIn(const std::string &data, const char *allowed)
{
    return std::all_of(data.begin(), data.end(), [allowed](char c) { return c != '\0' && std::strchr(allowed, c); });
}

// The EAN/UPC check digit of the digits before the last one: weights 3
// and 1 from the right.
bool checkDigitRight(const std::string &digits)
{
    int sum = 0;
    int weight = 3;
    for (auto i = digits.size() - 1; i-- > 0;) {
        sum += (digits[i] - '0') * weight;
        weight = 4 - weight;
    }
    return (10 - sum % 10) % 10 == digits.back() - '0';
}

// EAN-8, EAN-13, UPC-A: `length` digits without the check digit, or one
// more with it right.
std::string eanProblem(const std::string &data, std::size_t length)
{
    const std::string counts = std::to_string(length) + " ou " + std::to_string(length + 1) + " algarismos";
    if (!allDigits(data) || (data.size() != length && data.size() != length + 1))
        return "precisa de " + counts;
    if (data.size() == length + 1 && !checkDigitRight(data))
        return "com o dígito verificador errado";
    return std::string();
}

bool isCodabarEnd(char c)
{
    return std::strchr("ABCDabcd", c) && c != '\0';
}

// What the printers' own barcode command takes.
std::string printerProblem(BarcodeKind kind, const std::string &data)
{
    if (data.empty())
        return "sem dados";
    // Code 128 is counted in the bytes its code sets make.
    if (isCode128(kind))
        return code128Data(kind, data).problem;
    if (data.size() > 255u)
        return "com mais caracteres do que a impressora aceita";
    switch (kind) {
    case BarcodeKind::Ean8:
        return eanProblem(data, 7);
    case BarcodeKind::Ean13:
        return eanProblem(data, 12);
    case BarcodeKind::UpcA:
        return eanProblem(data, 11);
    case BarcodeKind::UpcE:
        if (data.size() == 11 && allDigits(data) && data[0] == '0') {
            if (upcEOfUpcA(data).empty())
                return "com 11 algarismos de um UPC-A que não se reduz a UPC-E";
            return std::string();
        }
        if (!allDigits(data) || data.size() < 6 || data.size() > 8)
            return "precisa de 6, 7 ou 8 algarismos, ou dos 11 de um UPC-A";
        // The printers take number system 0 only.
        if (data.size() > 6 && data[0] != '0')
            return "com 7 ou 8 algarismos começa com 0";
        return std::string();
    case BarcodeKind::Code39:
        if (!allIn(data, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%+-./"))
            return "aceita só 0-9, A-Z maiúsculas, espaço e $ % + - . /";
        return std::string();
    case BarcodeKind::Code93:
        if (!std::all_of(data.begin(), data.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
            return "aceita só caracteres ASCII visíveis";
        return std::string();
    case BarcodeKind::Code128:
    case BarcodeKind::Code128A:
    case BarcodeKind::Code128B:
    case BarcodeKind::Code128C:
        return std::string();
    case BarcodeKind::Code11:
    case BarcodeKind::Msi:
    case BarcodeKind::Standard2of5:
        // Drawn as a picture: what zint takes.
        return std::string();
    case BarcodeKind::Interleaved:
        if (!allDigits(data) || data.size() % 2 != 0)
            return "precisa de um número par de algarismos";
        return std::string();
    case BarcodeKind::Codabar:
        if (data.size() < 3 || !isCodabarEnd(data.front()) || !isCodabarEnd(data.back())
            || !allIn(data.substr(1, data.size() - 2), "0123456789-$:/.+"))
            return "começa e termina com A, B, C ou D e tem entre eles só 0-9 - $ : / . +";
        return std::string();
    }
    return std::string();
}

} // namespace

std::string upcEOfUpcA(const std::string &upcA)
{
    if (upcA.size() != 11 || !allDigits(upcA) || upcA[0] != '0')
        return std::string();
    // The number system, five digits of maker and five of product; zeros
    // are left out where the maker's code ends in them.
    const std::string maker = upcA.substr(1, 5);
    const std::string product = upcA.substr(6, 5);
    std::string six;
    if (maker.compare(3, 2, "00") == 0 && maker[2] <= '2' && product.compare(0, 2, "00") == 0)
        six = maker.substr(0, 2) + product.substr(2, 3) + maker[2];
    else if (maker.compare(3, 2, "00") == 0 && product.compare(0, 3, "000") == 0)
        six = maker.substr(0, 3) + product.substr(3, 2) + '3';
    else if (maker[4] == '0' && product.compare(0, 4, "0000") == 0)
        six = maker.substr(0, 4) + product[4] + '4';
    else if (maker[4] != '0' && product.compare(0, 4, "0000") == 0 && product[4] >= '5')
        six = maker + product[4];
    return six.empty() ? six : '0' + six;
}

BarcodeKind barcodeKindNamed(const std::string &name)
{
    if (name == "ean8")
        return BarcodeKind::Ean8;
    if (name == "upca")
        return BarcodeKind::UpcA;
    if (name == "upce")
        return BarcodeKind::UpcE;
    if (name == "code39")
        return BarcodeKind::Code39;
    if (name == "code93")
        return BarcodeKind::Code93;
    if (name == "code128")
        return BarcodeKind::Code128;
    if (name == "code128a")
        return BarcodeKind::Code128A;
    if (name == "code128b")
        return BarcodeKind::Code128B;
    if (name == "code128c")
        return BarcodeKind::Code128C;
    if (name == "code11")
        return BarcodeKind::Code11;
    if (name == "msi")
        return BarcodeKind::Msi;
    if (name == "std")
        return BarcodeKind::Standard2of5;
    if (name == "inter")
        return BarcodeKind::Interleaved;
    if (name == "codabar")
        return BarcodeKind::Codabar;
    return BarcodeKind::Ean13;
}

std::string barcodeProblem(BarcodeKind kind, const std::string &data)
{
    std::string problem = printerProblem(kind, data);
    if (!problem.empty())
        return problem;
    // What the printer takes the page roads must draw too: zint has limits
    // of its own (a Code 128 much shorter than the printer's 253 bytes).
    const SymbolModules symbol = encodeBarcode(kind, data);
    return symbol.encoded() ? std::string() : "não pode ser desenhado: " + symbol.error;
}

std::string leniently(BarcodeKind kind, const std::string &data)
{
    const auto first = data.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    std::string trimmed = data.substr(first, data.find_last_not_of(" \t\r\n") - first + 1);
    if (kind == BarcodeKind::Interleaved && trimmed.size() % 2 != 0 && allDigits(trimmed))
        trimmed.insert(trimmed.begin(), '0');
    return trimmed;
}

bool isPictureOnly(BarcodeKind kind)
{
    return kind == BarcodeKind::Code11 || kind == BarcodeKind::Msi || kind == BarcodeKind::Standard2of5;
}

int barcodeModules(BarcodeKind kind, const std::string &data)
{
    if (isCode128(kind))
        return code128Data(kind, data).modules();
    return encodeBarcode(kind, data).columns;
}

} // namespace receipt
