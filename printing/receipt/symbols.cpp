#include "symbols.h"
#include "barcode_rules.h"
#include "code128_sets.h"

#include <zint.h>

#include <algorithm>
#include <memory>

namespace receipt {

namespace {

enum class Kind { Barcode, QrCode };

struct SymbolRequest {
    Kind kind = Kind::QrCode;
    BarcodeKind barcode = BarcodeKind::Ean13;
    std::string data;
    int qrErrorLevel = 0;
};

int zintSymbology(const SymbolRequest &request)
{
    if (request.kind == Kind::QrCode)
        return BARCODE_QRCODE;
    switch (request.barcode) {
    case BarcodeKind::Ean8:
    case BarcodeKind::Ean13: return BARCODE_EANX;
    case BarcodeKind::UpcA: return BARCODE_UPCA;
    case BarcodeKind::UpcE: return BARCODE_UPCE;
    case BarcodeKind::Code39: return BARCODE_CODE39;
    case BarcodeKind::Code93: return BARCODE_CODE93;
    case BarcodeKind::Code128:
    case BarcodeKind::Code128C: return BARCODE_CODE128;
    // zint has no way to choose set A: data of set A, one symbol
    // character each in set B too, is drawn in set B, as wide.
    case BarcodeKind::Code128A:
    case BarcodeKind::Code128B: return BARCODE_CODE128B;
    case BarcodeKind::Interleaved: return BARCODE_C25INTER;
    case BarcodeKind::Codabar: return BARCODE_CODABAR;
    case BarcodeKind::Code11: return BARCODE_CODE11;
    case BarcodeKind::Msi: return BARCODE_MSI_PLESSEY;
    case BarcodeKind::Standard2of5: return BARCODE_C25STANDARD;
    }
    return BARCODE_EANX;
}

bool allDigits(const std::string &data)
{
    return std::all_of(data.begin(), data.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What zint cannot tell: EAN-8 and EAN-13 share one symbology that takes
// either length (and a shorter number padded with zeros), and Code 128
// would take bytes above ASCII as Latin-1.
std::string precheck(const SymbolRequest &request)
{
    const std::string &data = request.data;
    if (data.empty())
        return "dados vazios";
    if (request.kind == Kind::QrCode) {
        if (request.qrErrorLevel < 0 || request.qrErrorLevel > 3)
            return "nível de correção do QR code fora de 0 a 3";
        return {};
    }
    switch (request.barcode) {
    case BarcodeKind::Ean8:
        if (!allDigits(data) || (data.size() != 7 && data.size() != 8))
            return "EAN-8 pede 7 ou 8 dígitos";
        break;
    case BarcodeKind::Ean13:
        if (!allDigits(data) || (data.size() != 12 && data.size() != 13))
            return "EAN-13 pede 12 ou 13 dígitos";
        break;
    case BarcodeKind::Code128:
    case BarcodeKind::Code128B:
        if (std::any_of(data.begin(), data.end(), [](char c) { return (unsigned char)c > 0x7F; }))
            return "Code 128 aceita só caracteres ASCII";
        break;
    default:
        break;
    }
    return {};
}

std::string zintError(int status)
{
    switch (status) {
    case ZINT_ERROR_TOO_LONG: return "dados longos ou curtos demais para o código";
    case ZINT_ERROR_INVALID_DATA: return "caracteres que o código não aceita";
    case ZINT_ERROR_INVALID_CHECK: return "dígito verificador errado";
    case ZINT_ERROR_INVALID_OPTION: return "opção inválida para o código";
    default: return "o código não pôde ser gerado";
    }
}

SymbolModules encodeSymbol(const SymbolRequest &request)
{
    SymbolModules modules;
    modules.error = precheck(request);
    if (!modules.error.empty())
        return modules;

    const std::unique_ptr<zint_symbol, void (*)(zint_symbol *)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol) {
        modules.error = "sem memória para o código";
        return modules;
    }
    symbol->symbology = zintSymbology(request);
    // The bytes as they are, like the printer gets them; no text, border or
    // quiet zone: the drawing adds its own. Half scale is one pixel a module.
    symbol->input_mode = DATA_MODE;
    symbol->show_hrt = 0;
    symbol->scale = 0.5f;
    symbol->whitespace_width = 0;
    symbol->whitespace_height = 0;
    symbol->border_width = 0;
    symbol->guard_descent = 0;
    if (request.kind == Kind::QrCode)
        symbol->option_1 = request.qrErrorLevel + 1;
    // zint reads eight digits as a short EAN-13: an EAN-8 goes without its
    // check digit, which is compared with the one zint works out.
    const bool ean8Checked = request.kind == Kind::Barcode && request.barcode == BarcodeKind::Ean8 && request.data.size() == 8;
    const std::string data = ean8Checked ? request.data.substr(0, 7) : request.data;
    const int status = ZBarcode_Encode_and_Buffer(
        symbol.get(), reinterpret_cast<const unsigned char *>(data.data()), int(data.size()), 0);
    if (status >= ZINT_ERROR || !symbol->bitmap || symbol->bitmap_width <= 0 || symbol->bitmap_height <= 0) {
        modules.error = zintError(status);
        return modules;
    }

    if (ean8Checked && std::string(reinterpret_cast<const char *>(symbol->text)) != request.data) {
        modules.error = zintError(ZINT_ERROR_INVALID_CHECK);
        return modules;
    }

    // The bitmap is RGB. A barcode's bars are read from its top row, from
    // the first bar to the last: zint leaves room beside EAN and UPC bars
    // for digits it is not asked to show.
    const bool matrix = request.kind == Kind::QrCode;
    const auto darkAt = [&](int column, int row) {
        return symbol->bitmap[3 * (std::size_t(row) * std::size_t(symbol->bitmap_width) + std::size_t(column))] < 128;
    };
    int first = 0;
    int last = symbol->bitmap_width - 1;
    if (!matrix) {
        while (first < last && !darkAt(first, 0))
            ++first;
        while (last > first && !darkAt(last, 0))
            --last;
    }
    modules.columns = last - first + 1;
    modules.rows = matrix ? symbol->bitmap_height : 1;
    modules.dark.resize(std::size_t(modules.columns) * std::size_t(modules.rows));
    for (int row = 0; row < modules.rows; ++row) {
        for (int column = 0; column < modules.columns; ++column)
            modules.dark[std::size_t(row) * std::size_t(modules.columns) + std::size_t(column)] = darkAt(first + column, row);
    }
    if (!matrix)
        modules.digits = reinterpret_cast<const char *>(symbol->text);
    return modules;
}

} // namespace

SymbolModules encodeQrCode(const std::string &data, int errorLevel)
{
    SymbolRequest request;
    request.kind = Kind::QrCode;
    request.data = data;
    request.qrErrorLevel = errorLevel;
    return encodeSymbol(request);
}

SymbolModules encodeBarcode(BarcodeKind kind, const std::string &data)
{
    SymbolRequest request;
    request.kind = Kind::Barcode;
    request.barcode = kind;
    request.data = data;
    // The UPC-A form of a UPC-E, reduced as the printer reduces it.
    if (kind == BarcodeKind::UpcE && data.size() == 11)
        request.data = upcEOfUpcA(data);
    // Code 128 in the code sets the printer gets.
    if (isCode128(kind)) {
        const Code128Data code = code128Data(kind, data);
        if (!code.problem.empty()) {
            SymbolModules modules;
            modules.error = code.problem;
            return modules;
        }
        request.barcode = code.drawnAs;
        request.data = code.text;
    }
    return encodeSymbol(request);
}

} // namespace receipt
