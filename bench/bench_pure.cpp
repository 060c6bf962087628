// Throughput of the pure text functions on receipt-like text:
//   frameText     - the bytes of the raw roads (margins around every line)
//   buildHtmlPage - the page of the "alto" road (LF -> <br>, space -> &nbsp;)
//   readableText  - what the preview and the page roads decode (for comparison)
//   floor_copy    - a fresh buffer filled by memcpy: the floor for the above
//   directText    - the raw roads' bytes of the same text, plain, and with
//                   receipt tags (bold, centring, rules every few lines) read
// at 1 KiB, 1 MiB and 64 MiB. Each reports bytes of input per second, the
// time per input byte ("ns/B", constant when the cost grows linearly) and a
// fitted complexity (expected: O(N)).
//
// Run:  bench_pure [--benchmark_filter=REGEX] [--benchmark_repetitions=N]

#include "html_page.h"
#include "direct_text.h"
#include "text_framing.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace {

// A small deterministic generator: the same text on every run and machine.
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

const char *const products[] = {
    "P\xc3\xa3o franc\xc3\xaas", "Caf\xc3\xa9 coado 250ml", "P\xc3\xa3o de queijo", "A\xc3\xa7\xc3\xba"
    "car cristal", "Leite integral 1L", "Manteiga c/ sal 200g", "Queijo minas frescal",
    "Presunto fatiado", "Bolo de fub\xc3\xa1", "Refrigerante lata", "\xc3\x81gua mineral 500ml",
    "Biscoito recheado", "Suco de laranja 1L", "Iogurte natural", "Sonho de creme"};
const char *const words[] = {"de", "o", "venda", "cliente", "pedido", "total", "parcela", "entrega",
                             "relat\xc3\xb3rio", "per\xc3\xadodo", "loja", "caixa", "operador",
                             "produto", "estoque", "saldo", "pagamento", "cart\xc3\xa3o", "troco"};

void padTo(std::string &line, std::size_t width)
{
    if (line.size() < width)
        line.append(width - line.size(), ' ');
}

// One line of 40 to 80 bytes, like the ones a point-of-sale program writes:
// item rows with columns aligned by runs of spaces, rulers, totals and prose.
std::string receiptLine(Lcg &random, int number)
{
    std::string line;
    switch (random.below(8)) {
    case 0:
        line.assign(std::size_t(40 + random.below(2) * 8), random.below(2) ? '-' : '=');
        break;
    case 1: {
        line = "TOTAL R$";
        const std::string value = std::to_string(random.below(100000)) + "," + std::to_string(10 + random.below(90));
        padTo(line, std::size_t(40 + random.below(20)) - value.size());
        line += value;
        break;
    }
    case 2:
    case 3: {
        const std::size_t width = std::size_t(40 + random.below(41));
        while (line.size() < width) {
            if (!line.empty())
                line += ' ';
            line += words[random.below(int(sizeof words / sizeof *words))];
        }
        break;
    }
    default: {
        char number3[8];
        std::snprintf(number3, sizeof number3, "%03d", number % 1000);
        line = number3;
        line += "  ";
        line += products[random.below(int(sizeof products / sizeof *products))];
        padTo(line, 24);
        line += std::to_string(1 + random.below(20)) + "un";
        padTo(line, 32);
        line += std::to_string(random.below(100)) + "," + std::to_string(10 + random.below(90));
        padTo(line, 42);
        line += std::to_string(random.below(1000)) + "," + std::to_string(10 + random.below(90));
        if (random.below(3) == 0) {
            padTo(line, std::size_t(50 + random.below(20)));
            line += "desc. 0,00";
        }
        break;
    }
    }
    return line;
}

// Receipt text of exactly `size` bytes ending in a LF; built once per size.
const QByteArray &receiptText(std::int64_t size)
{
    static std::map<std::int64_t, QByteArray> cache;
    auto found = cache.find(size);
    if (found != cache.end())
        return found->second;

    Lcg random(20240611);
    std::string text;
    text.reserve(std::size_t(size) + 128);
    for (int number = 1; std::int64_t(text.size()) < size; ++number) {
        text += receiptLine(random, number);
        text += '\n';
    }
    text.resize(std::size_t(size));
    if (!text.empty())
        text.back() = '\n';
    return cache.emplace(size, QByteArray(text.data(), int(text.size()))).first->second;
}

void describeText(const QByteArray &text)
{
    const auto lines = std::count(text.begin(), text.end(), '\n');
    const auto spaces = std::count(text.begin(), text.end(), ' ');
    benchmark::AddCustomContext("receipt text", std::to_string(double(text.size()) / double(lines))
                                                    .substr(0, 4)
                                                    + " bytes per line, "
                                                    + std::to_string(100 * spaces / text.size())
                                                    + "% spaces");
}

// Bytes of input per second, time per input byte, and the N for the fit.
void report(benchmark::State &state, std::int64_t size)
{
    state.SetBytesProcessed(state.iterations() * size);
    state.SetComplexityN(size);
    // Seconds per input byte (printed with a prefix: 400ps = 0.4 ns).
    state.counters["time/B"] = benchmark::Counter(double(size),
                                                  benchmark::Counter::kIsIterationInvariantRate
                                                      | benchmark::Counter::kInvert);
}

void BM_frameText(benchmark::State &state)
{
    const QByteArray &text = receiptText(state.range(0));
    for (auto _ : state) {
        QByteArray framed = frameText(text, 2, 1, 2);
        benchmark::DoNotOptimize(framed.constData());
        benchmark::ClobberMemory();
    }
    report(state, text.size());
}

void BM_frameText_dotMatrix(benchmark::State &state)
{
    const QByteArray &text = receiptText(state.range(0));
    const QByteArray prefix = dotMatrixPrefix(QStringLiteral("draft condensed"));
    for (auto _ : state) {
        QByteArray framed = frameText(text, 8, 3, 5, prefix);
        benchmark::DoNotOptimize(framed.constData());
        benchmark::ClobberMemory();
    }
    report(state, text.size());
}

void BM_buildHtmlPage(benchmark::State &state)
{
    const QByteArray &text = receiptText(state.range(0));
    const QByteArray face("Courier New");
    for (auto _ : state) {
        QByteArray page = buildHtmlPage(text, 12, face, false);
        benchmark::DoNotOptimize(page.constData());
        benchmark::ClobberMemory();
    }
    report(state, text.size());
}

void BM_readableText(benchmark::State &state)
{
    const QByteArray &text = receiptText(state.range(0));
    for (auto _ : state) {
        QString decoded = readableText(text);
        benchmark::DoNotOptimize(decoded.constData());
        benchmark::ClobberMemory();
    }
    report(state, text.size());
}

// The floor for any function that returns a fresh buffer as large as its
// input: allocate it and copy the input in (the first touch of new pages
// costs as much as the copy at 64 MiB).
void BM_floor_copy(benchmark::State &state)
{
    const QByteArray &text = receiptText(state.range(0));
    for (auto _ : state) {
        QByteArray copy(text.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), text.constData(), size_t(text.size()));
        benchmark::DoNotOptimize(copy.constData());
        benchmark::ClobberMemory();
    }
    report(state, text.size());
}

// The receipt text with tags on every line or two, as an NFC-e receipt has them.
const QByteArray &taggedText(std::int64_t size)
{
    static std::map<std::int64_t, QByteArray> made;
    QByteArray &tagged = made[size];
    if (tagged.isEmpty()) {
        const QList<QByteArray> lines = receiptText(size).split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            switch (i % 4) {
            case 0: tagged += "<n>" + lines[i] + "</n>\n"; break;
            case 1: tagged += "<ce>" + lines[i] + "</ce>\n"; break;
            case 2: tagged += "</linha_simples>\n" + lines[i] + '\n'; break;
            default: tagged += lines[i] + '\n';
            }
        }
    }
    return tagged;
}

void directTextOf(benchmark::State &state, const QByteArray &text, const char *tags)
{
    PrintJob job;
    job.fileData = text;
    job.tags = QLatin1String(tags);
    job.leftMargin = 2;
    job.topMargin = 1;
    job.bottomMargin = 2;
    for (auto _ : state) {
        QByteArray bytes = directText(job);
        benchmark::DoNotOptimize(bytes.constData());
        benchmark::ClobberMemory();
    }
    report(state, text.size());
}

void BM_directText_plain(benchmark::State &state)
{
    directTextOf(state, taggedText(state.range(0)), "");
}

void BM_directText_tags(benchmark::State &state)
{
    directTextOf(state, taggedText(state.range(0)), "acbr");
}

void sizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Arg(1 << 10)->Arg(1 << 20)->Arg(64 << 20)->Complexity(benchmark::oN)
        ->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_frameText)->Apply(sizes);
BENCHMARK(BM_frameText_dotMatrix)->Apply(sizes);
BENCHMARK(BM_buildHtmlPage)->Apply(sizes);
BENCHMARK(BM_readableText)->Apply(sizes);
BENCHMARK(BM_floor_copy)->Apply(sizes);
BENCHMARK(BM_directText_plain)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_directText_tags)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    describeText(receiptText(1 << 20));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
