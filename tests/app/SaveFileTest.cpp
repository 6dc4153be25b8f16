// Saving the current symbol in every kind, read back by other programs and
// decoded; the picture kind around a save; failures that must not damage
// a good file.
#include "LaterSymbols.h"
#include "LibreOffice.h"
#include "MetaParse.h"
#include "ModelTestSupport.h"
#include "Oracle.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QThread>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using ZXing::BarcodeFormat;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A JPEG decoded by libjpeg itself, as another program would.
QImage decodeJpeg(const QByteArray &bytes)
{
    struct Err {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
    } err{};
    jpeg_decompress_struct cinfo{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Err *>(c->err)->jump, 1); };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    QImage img(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = img.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return img;
}

QImage renderSvg(const QString &path)
{
    QSvgRenderer r(path);
    if (!r.isValid())
        return {};
    QImage img(r.defaultSize() * 2, QImage::Format_RGB888);
    img.fill(Qt::white);
    QPainter p(&img);
    r.render(&p);
    return img;
}

QImage renderPdf(const QString &path)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        return {};
    QTemporaryDir out;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("192"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), path, out.filePath(QStringLiteral("page"))});
    p.waitForFinished(60000);
    return QImage(out.filePath(QStringLiteral("page.png")));
}

// The three engines, each at a size the decoder reads comfortably, and the
// symbologies after the library's (read with the options they need).
struct Symbol {
    const char *name;
    int index;
    const char *data;
    BarcodeFormat format;
    const char *text;
    const TLaterSymbol *later = nullptr;
};
const Symbol kLinear{"linear", 0, "4901234567894", BarcodeFormat::EAN13, "4901234567894"};
const Symbol kQR{"qr", 12, "Zebrix 日本", BarcodeFormat::QRCode, "Zebrix 日本"};
const Symbol kLibrary{"library", 17, "Zebrix PDF417", BarcodeFormat::PDF417, "Zebrix PDF417"};
std::vector<Symbol> laterSymbols()
{
    std::vector<Symbol> v;
    for (const TLaterSymbol &l : kLaterSymbols)
        v.push_back({l.name, l.index, l.data, l.format, l.text, &l});
    return v;
}

void prepare(JobModel &m, const Symbol &s)
{
    m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    ASSERT_TRUE(m.LibraryLoaded());
    m.ThinWd.setItemIndex(1);   // scale 2
    Select(m, s.index, QString::fromUtf8(s.data));
    m.CdTypeChange();
    ASSERT_FALSE(m.BError) << m.StatusText().toStdString();
}

class SaveEveryKind : public ::testing::TestWithParam<Symbol> {};

TEST_P(SaveEveryKind, FilesOpenElsewhereAndDecode)
{
    const Symbol &s = GetParam();
    JobModel m;
    ASSERT_NO_FATAL_FAILURE(prepare(m, s));
    QTemporaryDir dir;
    auto path = [&](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    auto decodes = [&](const QImage &img, const char *what) {
        ASSERT_FALSE(img.isNull()) << what;
        const oracle::Decoded r = s.later ? DecodeLater(img, *s.later) : oracle::Decode(img, s.format);
        ASSERT_TRUE(r.ok) << s.name << " " << what << ": read '" << r.text << "'";
        EXPECT_EQ(r.text, s.text) << what;
    };

    // BMP: 24 bits per pixel, the exact pixels of the picture.
    ASSERT_TRUE(m.SaveFile(path("a.bmp")));
    const QByteArray bmp = readAll(path("a.bmp"));
    ASSERT_GE(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(quint8(bmp.at(28)), 24) << "bits per pixel";
    m.SetPictureKind(pbarBMP);
    m.RB_Click();
    EXPECT_EQ(QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB888), m.CurrentPicture().bitmap());
    decodes(QImage::fromData(bmp, "BMP"), "bmp");

    ASSERT_TRUE(m.SaveFile(path("a.png")));
    decodes(QImage(path("a.png")), "png");

    ASSERT_TRUE(m.SaveFile(path("a.jpg")));
    const QImage jpeg = decodeJpeg(readAll(path("a.jpg")));
    EXPECT_EQ(jpeg.size(), m.CurrentPicture().toImage().size());
    decodes(jpeg, "jpg");

    ASSERT_TRUE(m.SaveFile(path("a.svg")));
    decodes(renderSvg(path("a.svg")), "svg");

    ASSERT_TRUE(m.SaveFile(path("a.pdf")));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        std::puts("pdftoppm is not installed: the PDF is not rendered");
    else
        decodes(renderPdf(path("a.pdf")), "pdf");

    ASSERT_TRUE(m.SaveFile(path("a.emf")));
    const metaparse::Emf emf = metaparse::ParseEmf(readAll(path("a.emf")));
    ASSERT_TRUE(emf.ok) << emf.error;
    m.SetPictureKind(pbarWMF);
    m.RB_Click();
    ASSERT_TRUE(m.CurrentPicture().isMetafile());
    EXPECT_EQ(emf.header.bounds.right - emf.header.bounds.left + 1, m.CurrentPicture().width());
    EXPECT_EQ(emf.header.bounds.bottom - emf.header.bounds.top + 1, m.CurrentPicture().height());
    // A library symbol travels in the EMF as the plugin's bitmap, unchanged.
    for (const metaparse::Picture &p : metaparse::PlayEmf(emf).images)
        decodes(p.image, "the emf's image");
    // LibreOffice draws the picture one pixel larger than it is at 96 dpi;
    // zxing-cpp's Aztec reader does not take the doubled column and row.
    if (s.format == BarcodeFormat::Aztec)
        return;
    const QString why = libreoffice::Unavailable();
    if (!why.isEmpty()) {
        std::printf("LibreOffice oracle skipped: %s\n", qPrintable(why));
        return;
    }
    const auto rendered = libreoffice::Render({{QStringLiteral("a.emf"), readAll(path("a.emf"))}});
    ASSERT_EQ(rendered.size(), 1u);
    const QImage page = rendered.front().page;
    ASSERT_FALSE(page.isNull());
    decodes(page.copy(libreoffice::InkBox(page).adjusted(-20, -20, 20, 20)), "emf in LibreOffice");
}

INSTANTIATE_TEST_SUITE_P(Symbols, SaveEveryKind, ::testing::Values(kLinear, kQR, kLibrary),
                         [](const auto &i) { return std::string(i.param.name); });
INSTANTIATE_TEST_SUITE_P(Later, SaveEveryKind, ::testing::ValuesIn(laterSymbols()),
                         [](const auto &i) { return std::string(i.param.name); });

TEST(SaveFile, KindByLowerCaseExtensionAndJpegForAnythingElse)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.RB_Click();
    QTemporaryDir dir;
    const std::pair<const char *, QByteArray> cases[] = {
        {"upper.EMF", QByteArray::fromHex("01000000")}, {"upper.BMP", "BM"}, {"meta.wmf", "\xD7\xCD\xC6\x9A"},
        {"noext", "\xFF\xD8"}, {"dotted.name.txt", "\xFF\xD8"}, {"x.Png", "\x89PNG"}, {"x.SVG", "<?xml"},
        {"x.pdf", "%PDF"}};
    for (const auto &[name, magic] : cases) {
        const QString p = dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(m.SaveFile(p)) << name;
        EXPECT_TRUE(readAll(p).startsWith(magic)) << name;
    }
}

TEST(SaveFile, OddCharactersInNames)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    QTemporaryDir dir;
    for (const QString &name : {QStringLiteral("バーコード 1.bmp"), QStringLiteral("a b#%&'\"$.png"),
                                QStringLiteral("line\nbreak.jpg"), QStringLiteral("-dash.emf")}) {
        const QString p = dir.filePath(name);
        EXPECT_TRUE(m.SaveFile(p)) << name.toStdString();
        EXPECT_GT(QFileInfo(p).size(), 0) << name.toStdString();
    }
}

TEST(SaveFile, PictureKindIsRestoredAfterTheSave)
{
    QTemporaryDir dir;
    JobModel m;
    m.CopyBm.Click();
    Select(m, 0, "4901234567894");
    m.RB_Click();
    ASSERT_TRUE(m.SaveFile(dir.filePath("x.emf")));
    EXPECT_EQ(m.BarImage1.BarPicture(), pbarBMP);
    EXPECT_TRUE(m.BarImage1.Picture().isBitmap()) << "the window ends on a bitmap";

    JobModel e;   // EMF is the default kind
    Select(e, 0, "4901234567894");
    ASSERT_TRUE(e.SaveFile(dir.filePath("x.bmp")));
    EXPECT_EQ(e.BarImage1.BarPicture(), pbarEMF);
    EXPECT_TRUE(e.BarImage1.Picture().isMetafile());

    // A write that fails leaves the window in its kind all the same.
    for (int index : {0, 12}) {
        Select(e, index, "4901234567894");
        EXPECT_THROW(e.SaveFile(dir.filePath("missing/x.bmp")), std::runtime_error);
        EXPECT_EQ(e.BarImage1.BarPicture(), pbarEMF);
        EXPECT_TRUE(e.CurrentPicture().isMetafile()) << index;
    }
}

TEST(SaveFile, WithAutoCopyTheSymbolIsCopiedTwice)
{
    QTemporaryDir dir;
    JobModel m;
    MemClipboard cb;
    m.setClipboard(&cb);
    m.AutoCopy.Click();
    Select(m, 0, "4901234567894");
    ASSERT_TRUE(m.SaveFile(dir.filePath("x.bmp")));
    EXPECT_EQ(cb.writes, 2);
}

TEST(SaveFile, ErrorPictureAfterAFailedCreation)
{
    QTemporaryDir dir;
    JobModel m;
    Select(m, 0, "12");
    ASSERT_TRUE(m.SaveFile(dir.filePath("err.bmp")));
    EXPECT_EQ(QImage(dir.filePath("err.bmp")).size(), QSize(60, 28));
}

TEST(SaveFile, WriteErrorsReachTheCallerAndLeaveGoodFilesAlone)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    QTemporaryDir dir;
    EXPECT_THROW(m.SaveFile(dir.filePath("no/such/folder/x.bmp")), std::runtime_error);
    QDir(dir.path()).mkdir("folder.bmp");
    EXPECT_THROW(m.SaveFile(dir.filePath("folder.bmp")), std::runtime_error) << "a folder of that name";

    // A full disk and a read-only one: a small file system of our own.
    const QString mnt = dir.filePath("small");
    QDir().mkpath(mnt);
    if (mount("tmpfs", mnt.toLocal8Bit().constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
    struct Unmount { QString at; ~Unmount() { umount2(at.toLocal8Bit().constData(), MNT_DETACH); } } unmount{mnt};
    const QString good = mnt + "/good.bmp";
    {
        QFile f(good);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4000, 'g'));
    }
    m.ThinWd.setItemIndex(2);
    m.BarHeight.setText("110");
    // A BMP of this symbol (about 120 KB) is far larger than the 12 KB left.
    try {
        m.SaveFile(good);
        FAIL() << "the full disk was not reported";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(QString::fromLocal8Bit(e.what()).indexOf("good.bmp"), -1) << e.what();
    }
    EXPECT_THROW(m.SaveFile(mnt + "/big.bmp"), std::runtime_error);
    EXPECT_EQ(readAll(good), QByteArray(4000, 'g')) << "the good file is untouched";
    EXPECT_FALSE(QFile::exists(mnt + "/big.bmp")) << "no half-written file";

    ASSERT_EQ(mount("tmpfs", mnt.toLocal8Bit().constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=16k"), 0);
    EXPECT_THROW(m.SaveFile(mnt + "/x.png"), std::runtime_error);
    EXPECT_EQ(readAll(good), QByteArray(4000, 'g'));
}

// A FIFO whose reader never comes, or comes and takes nothing: the save
// fails after the reader's time instead of holding Zebrix for ever.
TEST(SaveFile, AFifoThatNobodyReadsFailsTheSave)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(WriteFileSafely(dir.filePath("fifo"), "bytes"), "nobody read it within 10 seconds");
    // A reader that opened the FIFO and then stopped: more than the pipe holds.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(WriteFileSafely(dir.filePath("fifo"), QByteArray(1 << 20, 'x')), "nobody read it within 10 seconds");
    ::close(reader);
}

// Where a file system has no unnamed files, the content goes through a named
// temporary; a process ended by SIGINT, SIGTERM or SIGHUP in the middle of
// the write leaves none behind, and dies of that signal as it would have.
TEST(SaveFile, NamedTemporaryGoesWithTheSignal)
{
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        QTemporaryDir dir;
        const QString target = dir.filePath("big.bin");
        const pid_t child = ::fork();
        if (child == 0) {
            SetNamedTemporariesOnly(true);
            const QByteArray big(64 << 20, 'z');
            for (;;)
                WriteFileSafely(target, big);
        }
        ASSERT_GT(child, 0);
        // Wait for a temporary beside the target, then end the writer.
        bool seen = false;
        for (int i = 0; i < 6000 && !seen; ++i) {
            for (const QString &e : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
                seen |= e != "big.bin";
            if (!seen)
                QThread::msleep(5);
        }
        ::kill(child, sig);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(seen) << "signal " << sig;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig;
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.isEmpty() || left == QStringList{"big.bin"}) << left.join(' ').toStdString();
    }
}

} // namespace
