// The ten linear symbologies beyond JAN/UPC, encoding alone: typical data,
// and long data to show that time grows linearly. (Encoding and drawing
// against libzint: LinearBench.cpp.)
#include "BarImage.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr size_t kRounds = 256;   // different data every round

// Typical data of each symbology, varied by a counter.
std::vector<QString> dataFor(TBarTypes type)
{
    std::vector<QString> v;
    for (size_t i = 0; i < kRounds; ++i) {
        const QString n = QString::number(i * 7919 % 100000).rightJustified(5, u'0');
        switch (type) {
        case cbarCODE39: v.push_back(u"ZEBRIX-"_s + n); break;
        case cbarNW7: v.push_back(u"1234-"_s + n); break;
        case cbarCUSTOMER: v.push_back(u"2630023"_s + n.left(1) + u"-30-8-4"_s + n.right(2)); break;
        case cbarCODE128: v.push_back(u"Zebrix-"_s + n + u"<CODEC>123456"_s); break;
        case cbarCODE93: v.push_back(u"ZEBRIX<+>C<+>O<+>D<+>E"_s + n); break;
        default: v.push_back(u"4901234"_s + n); break;   // the two-of-five family: 12 digits
        }
    }
    return v;
}

void Zebrix_Encode(benchmark::State &state, TBarTypes type)
{
    const TEncoder encode = EncoderFor(type);
    const std::vector<QString> data = dataFor(type);
    TEncodeInput in;
    in.CD = true;
    in.StartChar = u'B';
    in.StopChar = u'C';
    in.StartStopChar = true;
    size_t i = 0;
    for (auto _ : state) {
        in.Code = data[i++ % kRounds];
        TEncodeResult r = encode(in);
        if (r.Pattern.empty()) {
            state.SkipWithError("data rejected");
            break;
        }
        benchmark::DoNotOptimize(r.Pattern.data());
    }
}

// Long data, encoder only: the time per character stays the same.
void Zebrix_EncodeLong(benchmark::State &state, TBarTypes type)
{
    const TEncoder encode = EncoderFor(type);
    const int n = int(state.range(0));
    QString code;
    switch (type) {
    case cbarCODE128: code = QString(n, u'Z'); break;
    case cbarCODE93: code = QString(n, u'9'); break;
    default: code = QString(n, u'7'); break;
    }
    TEncodeInput in;
    in.Code = code;
    in.CD = true;
    in.StartChar = u'B';
    in.StartStopChar = true;
    for (auto _ : state) {
        TEncodeResult r = encode(in);
        benchmark::DoNotOptimize(r.Pattern.data());
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

#define ZEBRIX_SYMBOLOGY(name, type) BENCHMARK_CAPTURE(Zebrix_Encode, name, type)->Unit(benchmark::kMicrosecond)

ZEBRIX_SYMBOLOGY(Code39, cbarCODE39);
ZEBRIX_SYMBOLOGY(NW7, cbarNW7);
ZEBRIX_SYMBOLOGY(ITF, cbarITF);
ZEBRIX_SYMBOLOGY(CTF, cbarCTF);
ZEBRIX_SYMBOLOGY(IATA, cbarIATA);
ZEBRIX_SYMBOLOGY(Matrix, cbarMATRIX);
ZEBRIX_SYMBOLOGY(NEC, cbarNEC);
ZEBRIX_SYMBOLOGY(Customer, cbarCUSTOMER);
ZEBRIX_SYMBOLOGY(Code128, cbarCODE128);
ZEBRIX_SYMBOLOGY(Code93, cbarCODE93);

BENCHMARK_CAPTURE(Zebrix_EncodeLong, Code39, cbarCODE39)
    ->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Zebrix_EncodeLong, Code128, cbarCODE128)
    ->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Zebrix_EncodeLong, Code93, cbarCODE93)
    ->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);

} // namespace
