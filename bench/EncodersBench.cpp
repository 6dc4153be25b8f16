// The ten linear symbologies beyond JAN/UPC, encoding alone: typical data,
// and long data to show that time grows linearly. (Encoding and drawing
// against libzint: LinearBench.cpp.) GS1-128, ITF-14 and JAN with add-on:
// encoding alone, Zebrix's encoder against libzint's ZBarcode_Encode on the
// same data, and the picture, Zebrix's component against libzint's buffer.
#include "BarImage.h"

#include <benchmark/benchmark.h>
#include <zint.h>

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

// --- GS1-128, ITF-14, JAN with add-on: encoding alone --------------------------
//
// Zebrix: the encoder function, data to module pattern and human-readable
// text (GS1-128 also reads and checks the AIs and chooses the code sets).
// libzint: ZBarcode_Encode on one symbol reused across rounds (cleared with
// ZBarcode_Clear, its cheapest way to encode again), data to module rows and
// text; and, for reference, a fresh symbol every round as a caller without a
// symbol to reuse pays for it (ZBarcode_Create, _Encode, _Delete). Neither
// side draws.

enum class Added { GS1128, ITF14, JANAddOn };

QString withGs1CheckDigit(const QString &digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits[i].unicode() - u'0') * ((digits.size() - i) % 2 == 1 ? 3 : 1);
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}

// The same data for both sides, varied by a counter: GS1 fields in square
// brackets (libzint's syntax; Zebrix reads it as well), a GTIN-13 for ITF-14
// (check digit added by both), an EAN-13 with a five-digit add-on (joined by
// a space for Zebrix, by "+" for libzint).
std::vector<std::string> addedData(Added a, bool zint)
{
    std::vector<std::string> v;
    for (size_t i = 0; i < kRounds; ++i) {
        const QString n = QString::number(i * 7919 % 100000).rightJustified(5, u'0');
        switch (a) {
        case Added::GS1128:
            v.push_back((u"[01]"_s + withGs1CheckDigit(u"04912345"_s + n) + u"[17]251231[10]LOT"_s + n).toStdString());
            break;
        case Added::ITF14: v.push_back((u"14912345"_s + n).toStdString()); break;
        case Added::JANAddOn:
            v.push_back((withGs1CheckDigit(u"4912345"_s + n) + (zint ? u'+' : u' ') + n).toStdString());
            break;
        }
    }
    return v;
}

void Zebrix_EncodeAdded(benchmark::State &state, TEncoder encode, Added a)
{
    std::vector<QString> data;
    for (const std::string &d : addedData(a, false))
        data.push_back(QString::fromStdString(d));
    TEncodeInput in;
    size_t i = 0;
    for (auto _ : state) {
        in.Code = data[i++ % kRounds];
        TEncodeResult r = encode(in);
        if (r.Pattern.empty()) {
            state.SkipWithError("data rejected");
            break;
        }
        benchmark::DoNotOptimize(r.Pattern.data());
        benchmark::DoNotOptimize(r.Symbol.data());
    }
}

void Zint_EncodeAdded(benchmark::State &state, int symbology, Added a)
{
    const std::vector<std::string> data = addedData(a, true);
    zint_symbol *s = ZBarcode_Create();
    s->symbology = symbology;
    size_t i = 0;
    for (auto _ : state) {
        const std::string &d = data[i++ % kRounds];
        ZBarcode_Clear(s);
        const int err = ZBarcode_Encode(s, reinterpret_cast<const unsigned char *>(d.data()), int(d.size()));
        benchmark::DoNotOptimize(s->encoded_data);
        if (err >= ZINT_ERROR) {
            state.SkipWithError(s->errtxt);
            break;
        }
    }
    ZBarcode_Delete(s);
}

void Zint_CreateEncodeDeleteAdded(benchmark::State &state, int symbology, Added a)
{
    const std::vector<std::string> data = addedData(a, true);
    size_t i = 0;
    for (auto _ : state) {
        const std::string &d = data[i++ % kRounds];
        zint_symbol *s = ZBarcode_Create();
        s->symbology = symbology;
        const int err = ZBarcode_Encode(s, reinterpret_cast<const unsigned char *>(d.data()), int(d.size()));
        benchmark::DoNotOptimize(s->encoded_data);
        if (err >= ZINT_ERROR) {
            state.SkipWithError(s->errtxt);
            ZBarcode_Delete(s);
            break;
        }
        ZBarcode_Delete(s);
    }
}

// --- The same with the picture ---------------------------------------------------
//
// Zebrix: the component encoding and drawing the 24-bit raster (Scale 2, bar
// height 50, the human-readable line; ITF-14 with its bearer bars, JAN with
// the add-on's digits over it). libzint: ZBarcode_Encode_and_Buffer into its
// RGB buffer with its text, the same size, a symbol per round as its callers
// make it.

void Zebrix_RenderAdded(benchmark::State &state, TBarTypes type, Added a)
{
    TBarImage b;
    b.setMatch(true);
    b.setScale(2);
    b.setBarHeight(50);
    b.setBarType(type);
    std::vector<QString> data;
    for (const std::string &d : addedData(a, false))
        data.push_back(QString::fromStdString(d));
    size_t i = 0;
    for (auto _ : state) {
        b.setCode(data[i++ % kRounds]);
        benchmark::DoNotOptimize(b.Picture().bitmap().constBits());
    }
    if (b.Error)
        state.SkipWithError("drawing failed");
}

void Zint_BufferAdded(benchmark::State &state, int symbology, Added a)
{
    const std::vector<std::string> data = addedData(a, true);
    size_t i = 0;
    for (auto _ : state) {
        const std::string &d = data[i++ % kRounds];
        zint_symbol *s = ZBarcode_Create();
        s->symbology = symbology;
        s->scale = 1.0f;     // 2 pixels per module
        s->height = 25.0f;   // in modules: 50 pixels
        const int err = ZBarcode_Encode_and_Buffer(s, reinterpret_cast<const unsigned char *>(d.data()),
                                                   int(d.size()), 0);
        benchmark::DoNotOptimize(s->bitmap);
        if (err >= ZINT_ERROR) {
            state.SkipWithError(s->errtxt);
            ZBarcode_Delete(s);
            break;
        }
        ZBarcode_Delete(s);
    }
}

#define ZEBRIX_ADDED(name, encoder, symbology, added)                                                      \
    BENCHMARK_CAPTURE(Zebrix_EncodeAdded, name, encoder, added)->Unit(benchmark::kMicrosecond);          \
    BENCHMARK_CAPTURE(Zint_EncodeAdded, name, symbology, added)->Unit(benchmark::kMicrosecond);          \
    BENCHMARK_CAPTURE(Zint_CreateEncodeDeleteAdded, name, symbology, added)->Unit(benchmark::kMicrosecond)

ZEBRIX_ADDED(GS1_128, EncodeGS1128, BARCODE_GS1_128, Added::GS1128);
ZEBRIX_ADDED(ITF14, EncodeITF14, BARCODE_ITF14, Added::ITF14);
ZEBRIX_ADDED(JANAddOn, EncodeJANADD, BARCODE_EANX, Added::JANAddOn);

BENCHMARK_CAPTURE(Zebrix_RenderAdded, GS1_128, cbarGS1128, Added::GS1128)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Zint_BufferAdded, GS1_128, BARCODE_GS1_128, Added::GS1128)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Zebrix_RenderAdded, ITF14, cbarITF14, Added::ITF14)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Zint_BufferAdded, ITF14, BARCODE_ITF14, Added::ITF14)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Zebrix_RenderAdded, JANAddOn, cbarJANADD, Added::JANAddOn)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Zint_BufferAdded, JANAddOn, BARCODE_EANX, Added::JANAddOn)->Unit(benchmark::kMicrosecond);

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
