// QR encoding time: Zebrix's encoder against libqrencode (8-bit mode, the
// same version, level and bytes), with the time ratio printed after the runs.
//
//   bench_qr [Google Benchmark options]        time both, print the ratios
//   bench_qr --encode zebrix|qrencode CASE N   encode one case N times and
//                                              exit (for callgrind, see
//                                              qr_callgrind.sh)
#include "QREncoder.h"

#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
    const char *name;
    int version;
    int level;   // 1 L .. 4 H
    int length;
};

constexpr Case kCases[] = {
    {"1-L/17", 1, kQRLevelL, 17},
    {"10-M/200", 10, kQRLevelM, 200},
    {"40-L/2953", 40, kQRLevelL, 2953},
};

// Bytes 0x01-0xFF, the same for every run.
std::string input(const Case &c)
{
    std::mt19937 rng(unsigned(c.length));
    std::uniform_int_distribution<int> byte(1, 255);
    std::string s(size_t(c.length), '\0');
    for (char &ch : s)
        ch = char(byte(rng));
    return s;
}

QRecLevel qrencodeLevel(int level)
{
    static constexpr QRecLevel kLevels[] = {QR_ECLEVEL_L, QR_ECLEVEL_M, QR_ECLEVEL_Q, QR_ECLEVEL_H};
    return kLevels[level - 1];
}

bool encodeZebrix(const Case &c, const std::string &data, std::vector<int32_t> &out)
{
    return EncodeQRSymbol(c.version, c.level, data.c_str(), out.data()) == kQROk;
}

// libqrencode treats the version as a minimum; the case is only fair when it
// keeps it.
bool encodeQrencode(const Case &c, const std::string &data)
{
    QRcode *q = QRcode_encodeData(int(data.size()), reinterpret_cast<const unsigned char *>(data.data()), c.version,
                                  qrencodeLevel(c.level));
    const bool ok = q != nullptr && q->version == c.version;
    QRcode_free(q);
    return ok;
}

void benchZebrix(benchmark::State &state, const Case &c)
{
    const std::string data = input(c);
    std::vector<int32_t> out(kQRMaxOutputLength);
    for (auto _ : state) {
        if (!encodeZebrix(c, data, out)) {
            state.SkipWithError("encoding failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
}

void benchQrencode(benchmark::State &state, const Case &c)
{
    const std::string data = input(c);
    for (auto _ : state)
        if (!encodeQrencode(c, data)) {
            state.SkipWithError("libqrencode did not keep the version");
            break;
        }
}

// Console output as usual, and the times kept for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (!r.error_occurred && (r.run_type == Run::RT_Iteration || r.aggregate_name == "median")) {
                const double toMicroseconds = benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond)
                    / benchmark::GetTimeUnitMultiplier(r.time_unit);
                m_times[r.run_name.function_name] = {r.GetAdjustedRealTime() * toMicroseconds,
                                                     r.GetAdjustedCPUTime() * toMicroseconds};
            }
        ConsoleReporter::ReportRuns(runs);
    }

    // Real time and CPU time (the steadier one on a shared machine).
    void printRatios() const
    {
        std::printf("\n%-12s %22s %22s %16s\n", "", "Zebrix us", "libqrencode us", "ratio");
        std::printf("%-12s %10s %11s %10s %11s %7s %8s\n", "case", "real", "cpu", "real", "cpu", "real", "cpu");
        for (const Case &c : kCases) {
            const auto z = m_times.find(std::string("Zebrix/") + c.name);
            const auto q = m_times.find(std::string("libqrencode/") + c.name);
            if (z == m_times.end() || q == m_times.end())
                continue;
            const Times &a = z->second, &b = q->second;
            std::printf("%-12s %10.2f %11.2f %10.2f %11.2f %7.3f %8.3f\n", c.name, a.real, a.cpu, b.real, b.cpu,
                        a.real / b.real, a.cpu / b.cpu);
        }
    }

private:
    struct Times {
        double real = 0, cpu = 0;   // microseconds per encode
    };
    std::map<std::string, Times> m_times;
};

// --encode zebrix|qrencode CASE N
int encodeMany(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s --encode zebrix|qrencode CASE COUNT\n", argv[0]);
        return 2;
    }
    const Case *c = nullptr;
    for (const Case &k : kCases)
        if (std::strcmp(k.name, argv[3]) == 0)
            c = &k;
    const bool zebrix = std::strcmp(argv[2], "zebrix") == 0;
    if (c == nullptr || (!zebrix && std::strcmp(argv[2], "qrencode") != 0)) {
        std::fprintf(stderr, "unknown encoder or case\n");
        return 2;
    }
    const std::string data = input(*c);
    std::vector<int32_t> out(kQRMaxOutputLength);
    const int count = std::atoi(argv[4]);
    for (int i = 0; i < count; ++i)
        if (!(zebrix ? encodeZebrix(*c, data, out) : encodeQrencode(*c, data)))
            return 1;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--encode") == 0)
        return encodeMany(argc, argv);
    for (const Case &c : kCases) {
        benchmark::RegisterBenchmark((std::string("Zebrix/") + c.name).c_str(), benchZebrix, c)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("libqrencode/") + c.name).c_str(), benchQrencode, c)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
