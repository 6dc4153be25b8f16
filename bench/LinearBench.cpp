// Every linear symbology encoded and drawn into a 24-bit raster, with and
// without its human-readable line, against libzint making the nearest
// symbol into its RGB buffer: the same picture on both sides as far as
// libzint goes (2 pixels per module, bars 50 pixels long, the text under
// them). Registered in pairs, so that a run with random interleaving and
// repetitions holds the two side by side.
//
// bench_engine --count zebrix|zint <case> <text 0|1> <n>: makes the symbol n
// times and nothing else, for counting instructions.
// bench_engine --count-all <n>: under callgrind, every case of the guard
// (bench/guard.sh) on both sides, each warmed up, then n symbols counted
// alone (a dump of its own, named after the case).
#include "BarImage.h"
#include "LinearCases.h"
#include "Text.h"

#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>
#include <zint.h>

#include <cstring>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

constexpr size_t kRounds = 256;   // different data every round

// A component set up for a case, as the window would draw it.
struct TZebrix {
    TBarImage b;
    std::vector<QString> data;

    TZebrix(const TLinearCase &c, bool text)
    {
        b.setBarEnabled(false);
        b.setMatch(true);
        b.setScale(2);
        b.setCD(c.checkDigit);
        b.setStartChar(u'B');
        b.setStopChar(u'C');
        b.setBarType(c.type);
        b.setSymbolDisp(text);
        // Bars 50 pixels long: the text line is part of BarHeight.
        b.setBarHeight(50 + (text ? b.TextLineHeight() : 0));
        b.setBarEnabled(true);
        for (size_t i = 0; i < kRounds; ++i)
            data.push_back(c.zebrixData(i));
    }
    bool make(size_t i)
    {
        b.setCode(data[i % kRounds]);
        return !b.Error;
    }
};

struct TZint {
    const TLinearCase &c;
    bool text;
    std::vector<std::string> data;

    TZint(const TLinearCase &cs, bool t) : c(cs), text(t)
    {
        for (size_t i = 0; i < kRounds; ++i)
            data.push_back(c.zintData(i));
    }
    bool make(size_t i)
    {
        const std::string &d = data[i % kRounds];
        zint_symbol *s = ZBarcode_Create();
        s->symbology = c.zint;
        s->scale = 1.0f;     // 2 pixels per module
        s->height = 25.0f;   // in modules: 50 pixels
        s->show_hrt = text ? 1 : 0;
        s->option_2 = c.zintOption2;
        const int err = ZBarcode_Encode_and_Buffer(s, reinterpret_cast<const unsigned char *>(d.data()),
                                                   int(d.size()), 0);
        benchmark::DoNotOptimize(s->bitmap);
        ZBarcode_Delete(s);
        return err < ZINT_ERROR;
    }
};

void Zebrix_Linear(benchmark::State &state, const TLinearCase *c)
{
    const bool text = state.range(0) != 0;
    TZebrix z(*c, text);
    size_t i = 0;
    for (auto _ : state)
        if (!z.make(i++)) {
            state.SkipWithError("drawing failed");
            break;
        }
    state.SetLabel(text ? "with text" : "bars only");
}

void Zint_Linear(benchmark::State &state, const TLinearCase *c)
{
    const bool text = state.range(0) != 0;
    TZint z(*c, text);
    size_t i = 0;
    for (auto _ : state)
        if (!z.make(i++)) {
            state.SkipWithError("libzint refused the data");
            break;
        }
    state.SetLabel(std::string(text ? "with text" : "bars only") + (c->zintText ? "" : " (libzint draws none)"));
}

[[maybe_unused]] const bool registered = [] {
    for (const TLinearCase &c : LinearCases()) {
        benchmark::RegisterBenchmark(("Zebrix_Linear/"s + c.name).c_str(), Zebrix_Linear, &c)
            ->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("Zint_Linear/"s + c.name).c_str(), Zint_Linear, &c)
            ->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

} // namespace

int CountLinear(const char *who, const char *name, bool text, long n)
{
    for (const TLinearCase &c : LinearCases()) {
        if (std::strcmp(c.name, name) != 0)
            continue;
        bool ok = true;
        if (std::strcmp(who, "zebrix") == 0) {
            TZebrix z(c, text);
            for (long i = 0; i < n; ++i)
                ok = z.make(size_t(i)) && ok;
        } else {
            TZint z(c, text);
            for (long i = 0; i < n; ++i)
                ok = z.make(size_t(i)) && ok;
        }
        return ok ? 0 : 1;
    }
    return 2;
}

int CountAll(long n)
{
    // The guard's cases: EAN-13 with and without its text, Code 128 with it.
    const std::pair<const char *, bool> cases[] = {{"JAN", true}, {"JAN", false}, {"Code128", true}};
    for (const auto &[name, text] : cases)
        for (const char *who : {"zebrix", "zint"}) {
            for (const TLinearCase &c : LinearCases()) {
                if (std::strcmp(c.name, name) != 0)
                    continue;
                const std::string label = std::string(who) + "/" + name + (text ? "/text" : "/bars");
                auto run = [&](auto &maker) {
                    for (long i = 0; i < 300; ++i)   // glyphs, kerning and buffers settled
                        maker.make(size_t(i));
                    CALLGRIND_ZERO_STATS;
                    for (long i = 0; i < n; ++i)
                        maker.make(size_t(300 + i));
                    CALLGRIND_DUMP_STATS_AT(label.c_str());
                };
                if (std::strcmp(who, "zebrix") == 0) {
                    TZebrix z(c, text);
                    run(z);
                } else {
                    TZint z(c, text);
                    run(z);
                }
            }
        }
    return 0;
}
