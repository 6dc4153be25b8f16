// The option interpreter on any parameter lists (one parameter per line of
// the input): every list is interpreted or stops with a conversion error,
// nothing is saved, and Running is clear again afterwards.
#include "CommandLine.h"
#include "JobModel.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace {

// Runs no window and saves nothing (a fuzzer must not write files).
struct Host : ICommandHost {
    void Save(JobModel &, const QString &) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_options";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static JobModel model;   // one model: its state carries over, as in a running window
    model.Params = SplitParamText(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    // A wait would hold the fuzzer up; a delay is the one option left out.
    for (QString &p : model.Params)
        if (p.startsWith(QStringLiteral("/D:"), Qt::CaseInsensitive))
            p.clear();
    Host host;
    try {
        InterpretParams(model, host);
    } catch (const EConvertError &) {
    }
    if (model.Running)
        std::abort();
    model.DelayTime = 0;
    return 0;
}
