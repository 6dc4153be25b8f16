// zebrixc: Zebrix without a window. The same option language, interpreter
// and creation flow as the window; one symbol from the parameters, or one
// symbol per line of standard input with --batch.
#include "Batch.h"
#include "CommandLine.h"
#include "JobModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const char kUsage[] = R"(Usage: zebrixc [--type EXT] OPTION... DATA
       zebrixc --batch [--jobs N] OPTION... /SAVE:NAME#####.EXT  < lines

Makes a barcode picture from the data with Zebrix's options, without a window.

Symbology (default UPC):
  /JAN /UPC /C39 /NW7 /ITF /CTF /IATA /MAT /NEC /CST (customer) /C128 /C93
  /QR2 (QR Code)  /GS1Ltd /GS1Stk /GS1Std /GS1SOm /PDF417 /PDF417T (plugin)
  /1nnnn          library symbology nnnn-1000 (nnnn above 1000, plugin)
Drawing:
  /TN1 /TN2 /TN3  module width 1, 2, 3 pixels
  /CD1 /CD0       check character on, off
  /CC1 /CC0       human-readable text on, off
  /AC1 /AC0       start/stop and check characters in the text on, off
  /BC1 /BC0       frame on, off
  /STx /SPx       start, stop character x (NW-7: A-D; Code 128 start: A-C)
  /HTn /LMn /TMn  bar height, left/right and top/bottom margins in pixels
  /C:text         comment (upper-cased); /CAU /CAD above, below;
                  /CAL /CAC /CAR left, centre, right
  /QRVn /QREn     QR version 1-40, error correction 0 L, 1 M, 2 Q, 3 H
  /SC1 SC0        QR data with %XX escapes on, off
  /CBM /CEM /CWM  draw a bitmap, an enhanced metafile, a metafile
  /D:n            wait n ms after the creation
Output:
  /SAVE:name      .bmp, .emf, .png, .svg, .pdf; any other name: JPEG
  /SAVE:-         the picture on standard output (kind: --type, default png)
Anything else is the data. Options are case-insensitive; the file name keeps
its case.

zebrixc options:
  --type EXT      kind of the picture for /SAVE:- (bmp emf jpg png svg pdf)
  --batch         one symbol per non-empty line of standard input (UTF-8);
                  a run of # in the /SAVE: name becomes the line number
  --jobs N        batch: N threads (output identical to one)
  --help          this text

Exit status: 0 the symbol was made (and saved), 1 the creation failed (the
reason on standard error; in a batch: any line failed), 2 an option's number
did not convert or the file could not be written.
)";

// Text (the human-readable line, comments) needs fonts, and fonts need a GUI
// application. Without text a core application starts far faster.
bool needsText(const QStringList &args)
{
    for (const QString &a : args) {
        const QString u = a.toUpper();
        if (u == u"/CC1" || u.startsWith(u"/C:"))
            return true;
    }
    return false;
}

// The command-line host without a window: saves, and "-" for standard output.
class TConsoleHost : public ICommandHost
{
public:
    explicit TConsoleHost(QString type) : m_type(std::move(type)) {}
    void Save(JobModel &m, const QString &fileName) override
    {
        m_saveName = fileName;
        if (fileName != u"-") {
            m_saved = m.SaveFile(fileName);
            return;
        }
        // Standard output: the picture in the kind --type names.
        const bool vector = m_type == u"emf" || m_type == u"svg" || m_type == u"pdf";
        m.SetPictureKind(vector ? pbarWMF : pbarBMP);
        m.RB_Click();
        const QByteArray bytes = m.PictureBytes(m_type);
        if (bytes.isEmpty())
            throw std::runtime_error("the picture could not be converted");
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush())
            throw std::runtime_error("standard output: " + out.errorString().toStdString());
        m_saved = true;
    }
    const QString &saveName() const { return m_saveName; }
    bool saved() const { return m_saved; }

private:
    QString m_type;
    QString m_saveName;
    bool m_saved = false;
};

int oneShot(const QStringList &args, const QString &type)
{
    JobModel m;
    m.LoadLibrary();
    PrepareConsoleModel(m, args);
    m.Params = args;
    TConsoleHost host(type);
    try {
        InterpretParams(m, host);
    } catch (const EConvertError &e) {
        std::fprintf(stderr, "zebrixc: %s\n", qPrintable(e.message()));
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "zebrixc: %s\n", e.what());
        return 2;
    }
    if (m.EditCode.Text().isEmpty()) {
        std::fputs("zebrixc: no data to encode\n", stderr);
        return 1;
    }
    if (m.BError) {
        std::fprintf(stderr, "zebrixc: %s\n", qPrintable(m.StatusText()));
        return 1;
    }
    if (!host.saveName().isEmpty() && !host.saved())
        return 2;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    QString type = QStringLiteral("png");
    bool batch = false;
    int jobs = 1;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == u"--help" || a == u"-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == u"--batch") {
            batch = true;
        } else if ((a == u"--jobs" || a == u"--type") && i + 1 < argc) {
            const QString v = QString::fromLocal8Bit(argv[++i]);
            if (a == u"--type") {
                type = v.toLower();
                static const QStringList kinds = {"bmp", "emf", "jpg", "png", "svg", "pdf"};
                if (!kinds.contains(type)) {
                    std::fprintf(stderr, "zebrixc: --type takes one of %s\n", qPrintable(kinds.join(u' ')));
                    return 2;
                }
            } else {
                bool ok = false;
                jobs = v.toInt(&ok);
                if (!ok || jobs < 1 || jobs > 64) {
                    std::fputs("zebrixc: --jobs takes a number from 1 to 64\n", stderr);
                    return 2;
                }
            }
        } else if (a.startsWith(u"--")) {
            std::fprintf(stderr, "zebrixc: unknown option %s (see zebrixc --help)\n", argv[i]);
            return 2;
        } else {
            args << a;
        }
    }

    // No window: the offscreen platform, whatever display there may be.
    std::unique_ptr<QCoreApplication> app;
    if (needsText(args)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("zebrixc"));
    SetReferenceDpi(96);

    if (batch)
        return RunBatch(args, jobs, stdin);
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return oneShot(args, type);
}
