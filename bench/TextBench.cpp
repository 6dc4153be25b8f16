// A long comment under a Code 39 symbol, changed and drawn again and again:
// the time per character of measuring and drawing it stays flat from 1,000
// to 100,000 characters, on the raster (BMP), in the metafile (recorded,
// then written as EMF and as WMF), for plain ASCII and for Japanese.
#include "BarImage.h"
#include "EmfWriter.h"
#include "WmfWriter.h"

#include <benchmark/benchmark.h>

namespace {

enum class Output { Raster, Emf, Wmf };

void Zebrix_LongComment(benchmark::State &state, Output output, const char *unit)
{
    const qsizetype length = state.range(0);
    const QString piece = QString::fromUtf8(unit);
    const QString comment = piece.repeated(length / piece.size());
    TBarImage b;
    b.setBarEnabled(false);
    b.setMatch(true);
    b.setBarPicture(output == Output::Raster ? pbarBMP : pbarEMF);
    b.setBarType(cbarCODE39);
    b.setCommentDown(comment);
    b.setBarSpaceDown(b.TextLineHeight());
    b.setCode(QStringLiteral("ZEBRIX"));
    b.setBarEnabled(true);
    size_t bytes = 0;
    int round = 0;
    QString varied = comment;
    for (auto _ : state) {
        // A comment not met in the last rounds: measured and laid out afresh.
        varied[0] = QChar(u'A' + round++ % 26);
        b.setCommentDown(varied);
        if (output == Output::Emf)
            bytes = size_t(WriteEmf(b.Picture().metafile()).size());
        else if (output == Output::Wmf)
            bytes = size_t(WriteWmf(b.Picture().metafile()).size());
        benchmark::DoNotOptimize(b.Picture().bitmap().constBits());
    }
    if (b.Error)
        state.SkipWithError("drawing failed");
    state.counters["per_char"] = benchmark::Counter(double(state.iterations()) * double(comment.size()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(bytes ? QStringLiteral("%1 bytes").arg(bytes).toStdString() : std::string());
}

void lengths(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(Zebrix_LongComment, Raster_Ascii, Output::Raster, "A")->Apply(lengths);
BENCHMARK_CAPTURE(Zebrix_LongComment, Emf_Ascii, Output::Emf, "A")->Apply(lengths);
BENCHMARK_CAPTURE(Zebrix_LongComment, Wmf_Ascii, Output::Wmf, "A")->Apply(lengths);
BENCHMARK_CAPTURE(Zebrix_LongComment, Raster_Japanese, Output::Raster, "日本語のテキスト")->Apply(lengths);
BENCHMARK_CAPTURE(Zebrix_LongComment, Emf_Japanese, Output::Emf, "日本語のテキスト")->Apply(lengths);
BENCHMARK_CAPTURE(Zebrix_LongComment, Wmf_Japanese, Output::Wmf, "日本語のテキスト")->Apply(lengths);

} // namespace
