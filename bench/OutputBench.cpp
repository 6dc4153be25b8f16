// SaveFile per kind for an EAN-13 at Scale 2: microseconds per file, each
// save with its two creations (in the kind needed, then back), as the menu,
// the command line and the automation object run it.
#include "JobModel.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void SaveFile(benchmark::State &state, const char *ext)
{
    QTemporaryDir dir;
    JobModel m;
    m.CdType.setItemIndex(0);
    m.ThinWd.setItemIndex(1);
    m.AddCodeChar.setChecked(true);
    m.EditCode.setText(QStringLiteral("4901234567894"));
    const QString file = dir.filePath(QStringLiteral("bench.") + QLatin1String(ext));
    for (auto _ : state) {
        if (!m.SaveFile(file))
            state.SkipWithError("not saved");
    }
    state.SetLabel(ext);
}

BENCHMARK_CAPTURE(SaveFile, bmp, "bmp")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SaveFile, emf, "emf")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SaveFile, jpg, "jpg")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SaveFile, png, "png")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SaveFile, svg, "svg")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SaveFile, pdf, "pdf")->Unit(benchmark::kMicrosecond);

} // namespace
