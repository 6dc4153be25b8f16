// EAN-13 encode + 24-bit raster render at Scale 2 (2 pixels per module), bar
// height 50, with and without the human-readable line; libzint making the
// same symbol into its RGB buffer, side by side.
#include "BarImage.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <zint.h>

#include <vector>

namespace {

const char kData[] = "490123456789";   // check digit added by both

// Different data every round, so nothing measured once is reused.
std::vector<QString> codes()
{
    std::vector<QString> v;
    for (int i = 0; i < 256; ++i)
        v.push_back(QStringLiteral("4901234%1").arg(i * 97 % 100000, 5, 10, QLatin1Char('0')));
    return v;
}

void Zebrix_Ean13(benchmark::State &state)
{
    const bool text = state.range(0) != 0;
    TBarImage b;
    b.setMatch(true);
    b.setScale(2);
    b.setBarHeight(50);
    b.setSymbolDisp(text);
    const std::vector<QString> data = codes();
    size_t i = 0;
    for (auto _ : state) {
        b.setCode(data[i++ & 255]);
        benchmark::DoNotOptimize(b.Picture().bitmap().constBits());
    }
    if (b.Error)
        state.SkipWithError("drawing failed");
    state.SetLabel(text ? "with text" : "bars only");
}

void Zint_Ean13(benchmark::State &state)
{
    const bool text = state.range(0) != 0;
    for (auto _ : state) {
        zint_symbol *s = ZBarcode_Create();
        s->symbology = BARCODE_EANX;
        s->scale = 1.0f;          // 2 pixels per module
        s->height = 25.0f;        // in modules: 50 pixels
        s->show_hrt = text ? 1 : 0;
        const int err = ZBarcode_Encode_and_Buffer(s, reinterpret_cast<const unsigned char *>(kData),
                                                   int(sizeof kData - 1), 0);
        benchmark::DoNotOptimize(s->bitmap);
        if (err >= ZINT_ERROR)
            state.SkipWithError(s->errtxt);
        ZBarcode_Delete(s);
    }
    state.SetLabel(text ? "with text" : "bars only");
}

BENCHMARK(Zebrix_Ean13)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(Zint_Ean13)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    // Text needs a GUI application; nothing is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
