// Macros of any text on a fresh job model: no crash, a conversion error or
// nothing, and whatever the macro did, AutoCopy, the clipboard watcher and
// the busy flags end as a macro must leave them.
//
// Input: byte 0 picks how the rest becomes text (UTF-8, Latin-1 or UTF-16)
// and whether AutoCopy is checked before the macro. "SAVE" writes nothing:
// the host only encodes the picture for the file's extension.
#include "CommandLine.h"
#include "FuzzSupport.h"
#include "JobModel.h"
#include "Macro.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <cstdint>

namespace {

struct Host : ICommandHost {
    void Save(JobModel &model, const QString &fileName) override
    {
        (void)model.PictureBytes(QFileInfo(fileName).suffix());
    }
};

} // namespace

// Fontconfig keeps its caches until the process ends; they are not ours to free.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text is drawn (human-readable lines, comments): a GUI application, offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = input[0];
    const auto texts = TextsOf(input + 1, size - 1);
    const QString utf8 = QString::fromUtf8(reinterpret_cast<const char *>(input + 1), qsizetype(size - 1));
    const QString &macro = mode % 3 == 0 ? utf8 : texts[size_t(mode % 3 - 1)];
    const bool autoCopy = mode & 0x80;

    JobModel m;
    Host host;
    m.AutoCopy.setChecked(autoCopy);
    try {
        RunMacro(m, host, macro);
    } catch (const EConvertError &) {
        // A number or a QR escape that does not convert: the macro's defined end.
    }
    check(m.AutoCopy.Checked() == autoCopy);
    check(m.WatcherEnabled() || SplitMacroLines(macro).isEmpty());   // a macro without lines does nothing
    check(!m.Running);
    check(!m.NoHist);
    return 0;
}
