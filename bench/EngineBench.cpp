// bench_engine: the component's encoders and renderers (EncodersBench.cpp,
// LinearBench.cpp), with the GUI application that text needs.
//
//   bench_engine [benchmark options]
//   bench_engine --count zebrix|zint <case> <text 0|1> <n>   (for callgrind)
//   bench_engine --count-all <n>                            (the guard's cases, under callgrind)
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

int CountLinear(const char *who, const char *name, bool text, long n);
int CountAll(long n);

int main(int argc, char **argv)
{
    // Text needs a GUI application; nothing is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 6 && std::strcmp(argv[1], "--count") == 0)
        return CountLinear(argv[2], argv[3], std::atoi(argv[4]) != 0, std::atol(argv[5]));
    if (argc == 3 && std::strcmp(argv[1], "--count-all") == 0)
        return CountAll(std::atol(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
