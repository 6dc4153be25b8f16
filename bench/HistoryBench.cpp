// The settings file at start-up: the job settings, the placement and font,
// and the history read from a file whose history section holds 8,000,
// 16,000 and 32,000 keys, and from one filled with history keys up to the
// largest settings file Zebrix reads (4 MB). Milliseconds per start; the
// time should grow with the file, not with its square.
#include "HistoryEx.h"
#include "IniGT.h"
#include "JobModel.h"
#include "Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Zebrix's own keys as a closing window leaves them, then the history
// section with `keys` entries (13-digit data, as JAN codes are), or as many
// as fit below the size limit when keys is 0.
QByteArray settingsFile(int keys)
{
    QByteArray text = "[Options]\nTaskTary=0\nCodeType=1\nThinWidth=0\nCheckDigit=1\nAddCodeChar=1\nFormType=1\n"
                      "FormStyle=0\nAutoCopy=1\nCopyToMf=0\nCopyToEMf=1\nCopyToBm=0\nCBWatch=0\nBarHeight=50\n"
                      "LeftMargin=20\nTopMargin=5\nFont.Name=Sans\nFont.Size=9\nFont.Style=0\nFont.Color=0x00000000\n"
                      "[Desktop]\nWindows.Flags=0\nWindows.Show=1\nWindows.MaxX=-1\nWindows.MaxY=-1\nWindows.X=10\n"
                      "Windows.Y=10\nWindows.XSize=610\nWindows.YSize=410\nLastStr=\"4901234567894\"\n"
                      "[HistoryEx1]\n";
    const qint64 limit = TIniGT::kMaxFileSize - 32;   // room for the Count line
    QByteArray entries;
    int n = 0;
    for (; keys == 0 ? text.size() + entries.size() < limit - 40 : n < keys; ++n)
        entries += QByteArray::number(n) + "=\"49" + QByteArray::number(10000000000LL + n) + "\"\n";
    return text + entries + "Count=" + QByteArray::number(n) + "\n";
}

void StartUpRead(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("zebrixd.ini"));
    const QByteArray bytes = settingsFile(int(state.range(0)));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            state.SkipWithError("the settings file could not be written");
            return;
        }
    }
    for (auto _ : state) {
        JobModel m;
        m.Ini.setFileName(file);
        TWindowSettings window;
        ReadSettings(m.Ini, m, window);
        ReadPlacementAndFont(m.Ini, m, window);
        m.HistoryEx1.IniFile = file;
        m.HistoryEx1.LoadFromIni();
        if (m.HistoryEx1.History().size() != 10)
            state.SkipWithError("the history did not come back");
    }
    state.counters["bytes"] = double(bytes.size());
    state.SetLabel(state.range(0) == 0 ? "4 MB file" : "history keys");
}

BENCHMARK(StartUpRead)->Arg(8000)->Arg(16000)->Arg(32000)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
