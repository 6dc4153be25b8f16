// zebrixc as a user's shell runs it: one symbol per family, exit statuses
// and the reasons given, standard output, batches of a thousand lines, and
// the one rule for saving that the window, a single run and a batch share.
#include "Batch.h"
#include "FileNames.h"
#include "JobModel.h"
#include "LaterSymbols.h"
#include "Oracle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using ZXing::BarcodeFormat;

// zebrixc remembers fonts in the user's cache folder: here a folder of the
// tests' own, for every run.
class OwnCacheFolder : public ::testing::Environment
{
public:
    void SetUp() override { qputenv("XDG_CACHE_HOME", m_dir.path().toUtf8()); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
auto *const g_cache = static_cast<OwnCacheFolder *>(::testing::AddGlobalTestEnvironment(new OwnCacheFolder));

struct Outcome {
    int status = -1;
    QByteArray out, err;
};

Outcome finish(QProcess &p, const QByteArray &input, int timeoutMs)
{
    p.waitForStarted();
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    Outcome r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Outcome zebrixc(const QStringList &args, const QByteArray &input = {}, int timeoutMs = 120000)
{
    QProcess p;
    p.start(QStringLiteral(ZEBRIXC), args);
    return finish(p, input, timeoutMs);
}

// A command line as a shell runs it; "$Z" is zebrixc.
Outcome shell(const QString &script, const QByteArray &input = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("Z"), QStringLiteral(ZEBRIXC));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    return finish(p, input, 120000);
}

QString quoted(const QString &s) { return u'\'' + QString(s).replace(u'\'', QLatin1String("'\\''")) + u'\''; }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool contains(const QByteArray &text, const char *part) { return QString::fromUtf8(text).contains(QString::fromUtf8(part)); }

// --- One symbol per family ---------------------------------------------------------

struct Family { const char *name; QStringList args; BarcodeFormat format; const char *text; };
class OneShot : public ::testing::TestWithParam<Family> {};

TEST_P(OneShot, DecodesFromTheFile)
{
    const Family &f = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Sym.png"));
    const Outcome r = zebrixc(f.args + QStringList{"/TN2", "/SAVE:" + file});
    ASSERT_EQ(r.status, 0) << f.name << ": " << r.err.toStdString();
    const oracle::Decoded d = oracle::Decode(QImage(file), f.format);
    ASSERT_TRUE(d.ok) << f.name;
    EXPECT_EQ(d.text, f.text) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Families, OneShot, ::testing::Values(
    Family{"jan", {"/JAN", "490123456789"}, BarcodeFormat::EAN13, "4901234567894"},
    Family{"upc", {"/UPC", "03600029145"}, BarcodeFormat::UPCA, "036000291452"},
    Family{"code39", {"/C39", "/CD1", "ZEBRIX-39"}, BarcodeFormat::Code39, "ZEBRIX-39E"},
    Family{"nw7", {"/NW7", "/STB", "/SPD", "1234"}, BarcodeFormat::Codabar, "B1234D"},
    Family{"itf", {"/ITF", "/CD1", "12345"}, BarcodeFormat::ITF, "123457"},
    Family{"code128", {"/C128", "/STB", "Zebrix 128"}, BarcodeFormat::Code128, "Zebrix 128"},
    Family{"code93", {"/C93", "CODE<+>A93"}, BarcodeFormat::Code93, "CODEa93"},
    Family{"qr", {"/QR2", "/QRV5", "/QRE1", "Zebrix QR コード"}, BarcodeFormat::QRCode, "Zebrix QR コード"},
    Family{"text", {"/JAN", "/CC1", "/C:Price", "4901234567894"}, BarcodeFormat::EAN13, "4901234567894"}),
    [](const auto &i) { return std::string(i.param.name); });

bool pluginBuilt() { return QFileInfo::exists(QFileInfo(QStringLiteral(ZEBRIXC)).dir().filePath("libzintbar.so")); }

TEST(ZebrixcLibrary, RawLibrarySymbologyOnItsOwn)
{
    if (!pluginBuilt())
        GTEST_SKIP() << "the stacked-symbol plugin is not built";
    QTemporaryDir dir;
    const QString file = dir.filePath("raw.png");
    const Outcome r = zebrixc({"/1020", "HELLO", "/SAVE:" + file});   // libzint's 20: Code 128
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(oracle::Decode(QImage(file), BarcodeFormat::Code128).text, "HELLO");
}

// The symbologies after the library's, in every kind a reader can read straight.
class OneShotLater : public ::testing::TestWithParam<TLaterSymbol> {};

TEST_P(OneShotLater, DecodesFromEveryRasterKind)
{
    if (!pluginBuilt())
        GTEST_SKIP() << "the stacked-symbol plugin is not built";
    const TLaterSymbol &s = GetParam();
    QTemporaryDir dir;
    for (const char *ext : {"png", "bmp", "jpg"}) {
        const QString file = dir.filePath(QStringLiteral("sym.") + QLatin1StringView(ext));
        const Outcome r = zebrixc({s.option, s.data, "/TN2", "/SAVE:" + file});
        ASSERT_EQ(r.status, 0) << s.name << ": " << r.err.toStdString();
        const oracle::Decoded d = DecodeLater(QImage(file), s);
        EXPECT_TRUE(d.ok) << s.name << " " << ext << ": read '" << d.text << "'";
    }
}

INSTANTIATE_TEST_SUITE_P(Later, OneShotLater, ::testing::ValuesIn(kLaterSymbols),
                         [](const auto &i) { return std::string(i.param.name); });

// --- Exit statuses and what standard error says ------------------------------------------

struct Verdict {
    const char *name;
    QStringList args;
    int status;
    const char *says;   // a part of standard error
};
class Verdicts : public ::testing::TestWithParam<Verdict> {};

// A failed run says why and writes nothing: an existing file stays as it was.
TEST_P(Verdicts, StatusAndReasonAndNoFileOnFailure)
{
    const Verdict &v = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath("out.png");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QStringList args = v.args;
    args.replaceInStrings(QStringLiteral("@"), file);
    const Outcome r = zebrixc(args);
    EXPECT_EQ(r.status, v.status) << v.name << ": " << r.err.toStdString();
    EXPECT_TRUE(contains(r.err, v.says)) << v.name << ": " << r.err.toStdString();
    if (r.status != 0) {
        EXPECT_EQ(readAll(file), "old") << v.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, Verdicts, ::testing::Values(
    Verdict{"JanLength", {"/JAN", "abc", "/SAVE:@"}, 1, "作成できませんでした. (JAN takes 7, 8, 12 or 13 digits; the data has 3"},
    Verdict{"JanCharacter", {"/JAN", "49012345678X", "/SAVE:@"}, 1, "'X' at position 12 is not allowed: JAN takes digits"},
    Verdict{"UpcENumber", {"/UPC", "1234567"}, 1, "'1234567' is no UPC-E number"},
    Verdict{"Code39Character", {"/C39", "AbC", "/SAVE:@"}, 1, "'b' at position 2 is not allowed: CODE39 takes 0-9 A-Z"},
    Verdict{"Nw7Character", {"/NW7", "12x"}, 1, "'x' at position 3 is not allowed: NW-7 takes"},
    Verdict{"ItfCharacter", {"/ITF", "12-34"}, 1, "'-' at position 3 is not allowed: ITF takes digits"},
    Verdict{"Code128CodeSet", {"/C128", "/STC", "12345"}, 1, "'5' at position 5 is not in code set C (code set C takes pairs"},
    Verdict{"Code128Name", {"/C128", "/STA", "A<NOPE>"}, 1, "'<NOPE>' at position 2 is not in code set A"},
    Verdict{"Code128Escape", {"/C128", "/STA", "AB<FNC1"}, 1, "'<FNC1' at position 3 is not a complete escape"},
    Verdict{"Code93Escape", {"/C93", "AB<$"}, 1, "'<$' at position 3 is not a complete escape"},
    Verdict{"QrVersion", {"/QR2", "/QRV0", "x", "/SAVE:@"}, 1, "QR:バージョン指定エラー."},
    Verdict{"Gs1128CheckDigit", {"/GS1128", "(01)04912345123458", "/SAVE:@"}, 1,
            "作成できませんでした. (the check digit '8' at position 18 is wrong: it must be 9 (AI 01))"},
    Verdict{"Gs1DataMatrixSyntax", {"/GS1DM", "(01)04912345123459(99", "/SAVE:@"}, 1,
            "作成できませんでした. ('(99' at position 19: GS1 data is written as fields (AI)value or [AI]value"},
    Verdict{"Itf14CheckDigit", {"/ITF14", "04912345123458"}, 1, "the check digit '8' at position 14 is wrong: it must be 9"},
    Verdict{"JanAddOnLength", {"/JANADD", "4912345123459 123"}, 1,
            "JAN+AddOn takes 12 or 13 digits, a space and 2 or 5 add-on digits; the data has 17 characters"},
    Verdict{"AztecEscape", {"/AZTEC", "/SC1", "ab%G1", "/SAVE:@"}, 1, "'%G1' at byte 3 is not a valid escape"},
    Verdict{"QrTooLong", {"/QR2", QString(8000, u'A'), "/SAVE:@"}, 1, "QR:文字数オーバー."},
    Verdict{"BadEscape", {"/QR2", "/SC1", "ab%G1", "/SAVE:@"}, 1, "'%G1' at byte 3 is not a valid escape"},
    Verdict{"NoData", {"/JAN", "/SAVE:@"}, 1, "no data to encode"},
    Verdict{"NoDataAtAll", {"/SAVE:@"}, 1, "no data to encode"},
    Verdict{"NumberOption", {"/HTabc", "/JAN", "4901234567894", "/SAVE:@"}, 2, "not a valid integer"},
    Verdict{"NoSuchFolder", {"/JAN", "4901234567894", "/SAVE:@.d/no/such.png"}, 2, "No such file or directory"},
    Verdict{"UnknownOption", {"--bogus"}, 2, "unknown option --bogus"},
    Verdict{"Made", {"/JAN", "4901234567894", "/SAVE:@"}, 0, ""}),
    [](const auto &i) { return std::string(i.param.name); });

TEST(ZebrixcLibrary, ReasonsOfThePluginAndOfLibzint)
{
    // zebrixc alone in a folder: no plugin beside it.
    QTemporaryDir dir;
    const QString alone = dir.filePath("zebrixc");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZEBRIXC), alone));
    QProcess p;
    p.start(alone, {"/PDF417", "ABC", "/SAVE:" + dir.filePath("x.png")});
    Outcome r = finish(p, {}, 60000);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "the plugin libzintbar.so was not found")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.png")));
    if (!pluginBuilt())
        return;
    r = zebrixc({"/GS1Ltd", "123x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("zebrixc: ") && r.err.size() > 12 && !contains(r.err, "作成できませんでした"))
        << "libzint's own message: " << r.err.toStdString();
}

// A damaged plugin is no plugin: every symbology but the library's still works.
TEST(ZebrixcLibrary, TruncatedPluginIsNoPlugin)
{
    if (!pluginBuilt())
        GTEST_SKIP() << "the stacked-symbol plugin is not built";
    const QByteArray plugin = readAll(QFileInfo(QStringLiteral(ZEBRIXC)).dir().filePath("libzintbar.so"));
    QTemporaryDir dir;
    const QString exe = dir.filePath("zebrixc");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZEBRIXC), exe));
    QFile damaged(dir.filePath("libzintbar.so"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(plugin.left(4096));
    damaged.close();
    for (const auto &[args, status] : std::initializer_list<std::pair<QStringList, int>>{
             {{"/C39", "ABC", "/SAVE:" + dir.filePath("a.png")}, 0}, {{"/PDF417", "ABC"}, 1}}) {
        QProcess p;
        p.start(exe, args);
        const Outcome r = finish(p, {}, 60000);
        EXPECT_EQ(r.status, status) << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
}

TEST(ZebrixcOutput, PictureOnStandardOutput)
{
    Outcome r = zebrixc({"/C128", "/STB", "piped", "/SAVE:-"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("\x89PNG"));
    EXPECT_EQ(oracle::Decode(QImage::fromData(r.out), BarcodeFormat::Code128).text, "piped");
    r = zebrixc({"--type", "bmp", "/JAN", "4901234567894", "/SAVE:-"});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("BM"));
    r = zebrixc({"--type", "emf", "/JAN", "4901234567894", "/SAVE:-"});
    EXPECT_EQ(r.out.mid(40, 4), " EMF");
    r = zebrixc({"--type", "wmf", "/JAN", "4901234567894", "/SAVE:-"});
    EXPECT_TRUE(r.out.startsWith("\xD7\xCD\xC6\x9A")) << "a placeable Windows metafile";
    // /dev/stdout is a name like any other (no extension: JPEG).
    r = zebrixc({"/JAN", "4901234567894", "/SAVE:/dev/stdout"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("\xFF\xD8"));
}

// Nothing but the result and real errors on standard error, whatever Qt
// thinks; Qt's messages when asked for with QT_LOGGING_RULES.
TEST(ZebrixcOutput, NoWarningNoiseUnlessAskedFor)
{
    QTemporaryDir dir;
    for (const char *rules : {"", "qt.*.debug=true"}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.remove(QStringLiteral("QT_LOGGING_RULES"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        if (*rules)
            env.insert(QStringLiteral("QT_LOGGING_RULES"), QString::fromLatin1(rules));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZEBRIXC), {"/C39", "ABC", "/CC1", "/SAVE:" + dir.filePath("t.svg")});
        const Outcome r = finish(p, {}, 60000);
        EXPECT_EQ(r.status, 0) << rules;
        EXPECT_EQ(r.err.isEmpty(), !*rules) << rules << ": " << r.err.left(200).toStdString();
    }
}

TEST(ZebrixcOutput, HelpAndVersion)
{
    Outcome r = zebrixc({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *part : {"/JAN", "/C128", "/QR2", "/GS1128", "/ITF14", "/JANADD", "/DM", "/GS1DM", "/AZTEC",
                             "/SAVE:", "/HT", "--batch", "--jobs", "/SC1", "SC0", "--version",
                             "symbolic link", "refused", "%XX escape"})
        EXPECT_TRUE(r.out.contains(part)) << part;
    r = zebrixc({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "zebrixc (Zebrix) " ZEBRIX_VERSION "\n");
    EXPECT_TRUE(r.err.isEmpty());
}

// --- Text from remembered fonts ----------------------------------------------------------------

// A single run with text the second time draws from the fonts the first run
// remembered, without Qt's fonts: the very bytes the first run wrote, and
// nothing on standard error. Texts the record lacks, and metafiles, are
// drawn with Qt's fonts again, to the same bytes as a run that remembered
// nothing.
struct TextJob { const char *name; QStringList args; };
class RememberedFonts : public ::testing::TestWithParam<TextJob> {};

// zebrixc with its cache folder; "%OUT" in the arguments is out. The
// picture: standard output, then the file of that name with any extension.
Outcome zebrixcCaching(const QString &cache, QStringList args, const QString &out)
{
    for (QString &a : args)
        a.replace(QStringLiteral("%OUT"), out);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ZEBRIXC), args);
    Outcome r = finish(p, {}, 60000);
    const QFileInfo file(out);
    for (const QFileInfo &f : file.dir().entryInfoList({file.fileName() + QStringLiteral(".*")}, QDir::Files))
        r.out += readAll(f.filePath());
    return r;
}

TEST_P(RememberedFonts, SameBytesAsWithQtsFonts)
{
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QStringList &args = GetParam().args;
    const Outcome first = zebrixcCaching(cache, args, dir.filePath(QStringLiteral("first")));
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(first.err, QByteArray());
    const Outcome second = zebrixcCaching(cache, args, dir.filePath(QStringLiteral("second")));
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    EXPECT_EQ(second.err, QByteArray());
    EXPECT_FALSE(first.out.isEmpty());
    EXPECT_EQ(first.out, second.out);
    // A record file that is damaged, or whose folder cannot be made, is no
    // record: the same bytes still.
    QFile records(QDir(cache + QStringLiteral("/zebrix")).entryInfoList(QDir::Files).value(0).filePath());
    ASSERT_TRUE(records.open(QIODevice::ReadWrite));
    records.resize(records.size() / 2);
    records.close();
    const Outcome damaged = zebrixcCaching(cache, args, dir.filePath(QStringLiteral("damaged")));
    EXPECT_EQ(damaged.err, QByteArray());
    EXPECT_EQ(first.out, damaged.out);
    const Outcome nowhere = zebrixcCaching(QStringLiteral("/proc/self/nowhere"), args, dir.filePath(QStringLiteral("nowhere")));
    EXPECT_EQ(nowhere.err, QByteArray());
    EXPECT_EQ(first.out, nowhere.out);
}

INSTANTIATE_TEST_SUITE_P(Jobs, RememberedFonts, ::testing::Values(
    TextJob{"Ean13Png", {"/JAN", "4901234567894", "/CC1", "/SAVE:%OUT.png"}},
    TextJob{"Code128Bmp", {"/C128", "ZEBRIX12345", "/CC1", "/SAVE:%OUT.bmp"}},
    TextJob{"Code128Double", {"/C128", "/TN2", "Zebrix-00042<CODEC>123456", "/CC1", "/STB", "/SAVE:%OUT.png"}},
    TextJob{"Nw7Jpeg", {"/NW7", "1234-5678", "/CC1", "/SAVE:%OUT.jpg"}},
    TextJob{"CustomerPng", {"/CST", "2630023-30-8-4", "/CC1", "/SAVE:%OUT.png"}},
    TextJob{"LigaturesInAComment", {"/C39", "ABC", "/C:office fi ffl", "/SAVE:%OUT.png"}},
    TextJob{"JapaneseComment", {"/C39", "ABC", "/C:日本語のテキスト、カタカナ", "/SAVE:%OUT.png"}},
    TextJob{"Code93OnStandardOutput", {"--type", "png", "/C93", "ZEBRIX", "/CC1", "/SAVE:-"}},
    TextJob{"Metafile", {"/JAN", "4901234567894", "/CC1", "/SAVE:%OUT.emf"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RememberedFonts, ATextTheRecordLacksIsDrawnWithQtsFonts)
{
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    ASSERT_EQ(zebrixcCaching(cache, {"/C39", "ABC", "/CC1", "/SAVE:%OUT.png"}, dir.filePath("warm")).status, 0);
    const QStringList args = {"/C39", "ABC", "/C:新しい漢字", "/SAVE:%OUT.png"};
    const Outcome lacking = zebrixcCaching(cache, args, dir.filePath(QStringLiteral("lacking")));
    const Outcome fresh = zebrixcCaching(dir.filePath(QStringLiteral("fresh")), args, dir.filePath("fresh"));
    ASSERT_EQ(lacking.status, 0) << lacking.err.toStdString();
    EXPECT_EQ(lacking.err, QByteArray());
    EXPECT_FALSE(lacking.out.isEmpty());
    EXPECT_EQ(lacking.out, fresh.out);
}

// --- The one rule for saving, in every mode ---------------------------------------------------

enum class Mode { Window, OneShot, Batch };

// Saves Code 39 "ABC" as PNG under the name in the mode; the window's
// failures are exceptions, reported here as status 2.
Outcome saveIn(Mode mode, const QString &path)
{
    const QString folder = QFileInfo(path).path();
    switch (mode) {
    case Mode::Window: {
        JobModel m;
        m.CdType.setItemIndex(cbarCODE39);
        m.EditCode.setText(QStringLiteral("ABC"));
        Outcome r;
        try {
            r.status = m.SaveFile(path) ? 0 : 3;
        } catch (const std::runtime_error &e) {
            r.status = 2;
            r.err = e.what();
        }
        return r;
    }
    case Mode::OneShot:
        return zebrixc({"/C39", "ABC", "/SAVE:" + path});
    case Mode::Batch:
        // Line 1 of "t#.png" is "t1.png".
        return zebrixc({"--batch", "/C39", "/SAVE:" + folder + "/t#.png"}, "ABC\n");
    }
    return {};
}

mode_t modeOf(const QString &path, bool follow = true)
{
    struct stat st;
    const QByteArray p = EncodeFileName(path);
    return (follow ? ::stat(p, &st) : ::lstat(p, &st)) == 0 ? st.st_mode : 0;
}

bool isPng(const QString &path) { return readAll(path).startsWith("\x89PNG"); }

// A device node of our own where we may make one (as root), else the system's.
QString device(const QString &path, int major, int minor, const char *system)
{
    return ::mknod(EncodeFileName(path), S_IFCHR | 0666, makedev(major, minor)) == 0 ? path
                                                                                   : QString::fromLatin1(system);
}

// Reads a FIFO from the moment the save starts until it is done.
struct FifoReader {
    std::atomic<bool> done{false};
    QByteArray got;
    std::thread thread;
    explicit FifoReader(const QString &path)
    {
        const int fd = ::open(EncodeFileName(path), O_RDONLY | O_NONBLOCK);
        thread = std::thread([this, fd] {
            char buf[4096];
            for (;;) {
                pollfd p{fd, POLLIN, 0};
                ::poll(&p, 1, 50);
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
                else if ((n == 0 && !got.isEmpty()) || done)
                    break;
            }
            ::close(fd);
        });
    }
    QByteArray take()
    {
        done = true;
        thread.join();
        return got;
    }
};

// A file holding "old" with the mode; returns its name.
QString oldFile(const QString &path, mode_t mode)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("old");
    f.close();
    ::chmod(EncodeFileName(path), mode);
    return path;
}

struct SaveCase {
    const char *name;
    // Makes what the name is before the save; returns the name to save to.
    std::function<QString(const QString &dir, const QString &name)> make;
    int status;
    const char *says;
    // Checks what the name is afterwards.
    std::function<void(const QString &dir, const QString &name)> check;
};

const SaveCase kSaveCases[] = {
    {"NewFileTakesTheUmask", [](const QString &, const QString &n) { return n; }, 0, "",
     [](const QString &, const QString &n) {
         EXPECT_TRUE(isPng(n));
         EXPECT_EQ(modeOf(n) & 0777, 0640u);   // the test runs under umask 027
     }},
    {"ReplacedFileKeepsModeAndOwner",
     [](const QString &, const QString &n) {
         oldFile(n, 0604);
         if (::geteuid() == 0) {
             EXPECT_EQ(::chown(EncodeFileName(n), 4321, 4322), 0);
         }
         return n;
     },
     0, "",
     [](const QString &, const QString &n) {
         EXPECT_TRUE(isPng(n));
         struct stat st;
         ASSERT_EQ(::stat(EncodeFileName(n), &st), 0);
         EXPECT_EQ(st.st_mode & 0777, 0604u);
         if (::geteuid() == 0) {
             EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(uid_t(4321), gid_t(4322)));
         }
     }},
    {"WriteProtectedFileIsRefused", [](const QString &, const QString &n) { return oldFile(n, 0444); },
     2, "Permission denied",
     [](const QString &, const QString &n) {
         EXPECT_EQ(readAll(n), "old");
         EXPECT_EQ(modeOf(n) & 0777, 0444u);
     }},
    {"SymlinkIsFollowed",
     [](const QString &d, const QString &n) {
         QDir(d).mkdir("real");
         oldFile(d + "/real/target.png", 0640);
         QFile::link("real/target.png", n);
         return n;
     },
     0, "",
     [](const QString &d, const QString &n) {
         EXPECT_TRUE(S_ISLNK(modeOf(n, false))) << "the link stays";
         EXPECT_TRUE(isPng(d + "/real/target.png"));
         EXPECT_EQ(modeOf(d + "/real/target.png") & 0777, 0640u);
         EXPECT_EQ(QDir(d + "/real").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
     }},
    {"DanglingSymlinkCreatesItsTarget",
     [](const QString &d, const QString &n) {
         QDir(d).mkdir("real");
         QFile::link("real/new.png", n);
         return n;
     },
     0, "",
     [](const QString &d, const QString &n) {
         EXPECT_TRUE(S_ISLNK(modeOf(n, false)));
         EXPECT_TRUE(isPng(d + "/real/new.png"));
     }},
    {"FifoIsWrittenInPlace",
     [](const QString &, const QString &n) {
         ::mkfifo(EncodeFileName(n), 0644);
         return n;
     },
     0, "", nullptr},   // checked with its reader below
    {"DevNullIsWrittenInPlace", [](const QString &, const QString &n) { return device(n, 1, 3, "/dev/null"); },
     0, "", [](const QString &, const QString &n) {
         if (QFileInfo::exists(n)) {
             EXPECT_TRUE(S_ISCHR(modeOf(n, false)));
         }
         EXPECT_TRUE(S_ISCHR(modeOf("/dev/null", false)));
     }},
    {"DevFullReportsTheFullDevice", [](const QString &, const QString &n) { return device(n, 1, 7, "/dev/full"); },
     2, "No space left on device", [](const QString &, const QString &n) {
         if (QFileInfo::exists(n)) {
             EXPECT_TRUE(S_ISCHR(modeOf(n, false)));
         }
         EXPECT_TRUE(S_ISCHR(modeOf("/dev/full", false)));
     }},
    {"DirectoryIsRefused",
     [](const QString &, const QString &n) {
         QDir().mkdir(n);
         return n;
     },
     2, "Is a directory", [](const QString &, const QString &n) { EXPECT_TRUE(S_ISDIR(modeOf(n))); }},
    {"SocketIsRefused",
     [](const QString &, const QString &n) {
         const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un a{};
         a.sun_family = AF_UNIX;
         const QByteArray p = EncodeFileName(n);
         std::memcpy(a.sun_path, p.constData(), size_t(p.size()));
         ::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
         ::close(s);
         return n;
     },
     2, "socket", [](const QString &, const QString &n) { EXPECT_TRUE(S_ISSOCK(modeOf(n))); }},
};

class SaveRule : public ::testing::TestWithParam<std::tuple<Mode, int>> {
protected:
    void SetUp() override { m_umask = ::umask(027); }
    void TearDown() override { ::umask(m_umask); }
    mode_t m_umask = 0;
};

TEST_P(SaveRule, SameInEveryMode)
{
    const auto [mode, index] = GetParam();
    const SaveCase &c = kSaveCases[index];
    QTemporaryDir dir;
    const QString name = dir.filePath("t1.png");
    const QString target = c.make(dir.path(), name);
    if (mode == Mode::Batch && target != name)
        GTEST_SKIP() << "a batch names its files by a pattern; " << target.toStdString() << " is none of them";
    std::unique_ptr<FifoReader> reader;
    if (S_ISFIFO(modeOf(target)))
        reader = std::make_unique<FifoReader>(target);
    const Outcome r = saveIn(mode, target);
    EXPECT_EQ(r.status, c.status) << r.err.toStdString();
    EXPECT_TRUE(contains(r.err, c.says)) << r.err.toStdString();
    if (reader) {
        EXPECT_TRUE(reader->take().startsWith("\x89PNG")) << "the reader got the picture";
        EXPECT_TRUE(S_ISFIFO(modeOf(target, false))) << "the FIFO stays";
    }
    if (c.check)
        c.check(dir.path(), name);
    // Nothing else is left beside it.
    for (const QString &e : QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        EXPECT_TRUE(e == "t1.png" || e == "real") << e.toStdString();
}

std::string saveRuleName(const ::testing::TestParamInfo<std::tuple<Mode, int>> &i)
{
    static const char *const modes[] = {"Window", "OneShot", "Batch"};
    return std::string(modes[int(std::get<0>(i.param))]) + "_" + kSaveCases[std::get<1>(i.param)].name;
}

INSTANTIATE_TEST_SUITE_P(Targets, SaveRule,
                         ::testing::Combine(::testing::Values(Mode::Window, Mode::OneShot, Mode::Batch),
                                            ::testing::Range(0, int(std::size(kSaveCases)))),
                         saveRuleName);

// File names are bytes: those that are no UTF-8 stay as they are.
TEST(SaveRuleNames, BytesThatAreNoUtf8Survive)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray one = folder + "/\xFF\xFE.png", batch = folder + "/\xFF" "1.png", window = folder + "/\xFE\xFD.bmp";
    Outcome r = shell(QStringLiteral("exec \"$Z\" /C39 ABC \"/SAVE:%1/$(printf '\\377\\376').png\"").arg(dir.path()));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    r = shell(QStringLiteral("exec \"$Z\" --batch /C39 \"/SAVE:%1/$(printf '\\377')#.png\"").arg(dir.path()), "ABC\n");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    JobModel m;
    m.CdType.setItemIndex(cbarCODE39);
    m.EditCode.setText(QStringLiteral("ABC"));
    EXPECT_TRUE(m.SaveFile(DecodeFileName(window)));
    for (const QByteArray &name : {one, batch, window})
        EXPECT_EQ(::access(name.constData(), F_OK), 0) << name.toHex().toStdString();
}

// --- Batches --------------------------------------------------------------------------

TEST(BatchNames, RunOfHashesBecomesTheLineNumber)
{
    EXPECT_EQ(BatchFileName("out/#####.png", 7), "out/00007.png");
    EXPECT_EQ(BatchFileName("a##b##.png", 123), "a123b##.png");
    EXPECT_EQ(BatchFileName("#.bmp", 1000), "1000.bmp");
}

QByteArray batchInput(int lines, int failing)
{
    QByteArray in;
    for (int i = 1; i <= lines; ++i)
        in += (i == failing ? QByteArray("bad\xC3\xA9") : "ZB" + QByteArray::number(i)) + (i % 2 ? "\r\n" : "\n");
    return in;
}

TEST(Batch, ThousandLinesWithAFailureInTheMiddle)
{
    QTemporaryDir dir;
    const Outcome r = zebrixc({"--batch", "/C128", "/STA", "/SAVE:" + dir.filePath("####.png")}, batchInput(1000, 500));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(QString::fromUtf8(r.err.trimmed()),
              QStringLiteral("zebrixc: line 500: 作成できませんでした. ('b' at position 1 is not in code set A)"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("0500.png")));
    int decoded = 0;
    for (int i = 1; i <= 1000; ++i) {
        if (i == 500)
            continue;
        const QString name = dir.filePath(QStringLiteral("%1.png").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(QFileInfo::exists(name)) << i;
        if (i % 10 == 1) {
            const oracle::Decoded d = oracle::Decode(QImage(name), BarcodeFormat::Code128);
            ASSERT_EQ(d.text, "ZB" + std::to_string(i));
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 100);
}

// Every file of several threads gets the mode the umask gives, never more.
TEST(Batch, TwoThreadsWriteTheSameBytesAsOne)
{
    QTemporaryDir one, two;
    QByteArray in;
    for (int i = 1; i <= 300; ++i)
        in += QByteArray::number(4900000000000LL + i) + "\n";
    for (const char *ext : {"png", "bmp", "svg"}) {
        const QString p1 = one.filePath(QStringLiteral("###.%1").arg(QLatin1String(ext)));
        const QString p2 = two.filePath(QStringLiteral("###.%1").arg(QLatin1String(ext)));
        ASSERT_EQ(zebrixc({"--batch", "--jobs", "1", "/JAN", "/CC1", "/SAVE:" + p1}, in).status, 0);
        ASSERT_EQ(zebrixc({"--batch", "--jobs", "2", "/JAN", "/CC1", "/SAVE:" + p2}, in).status, 0);
        for (int i = 1; i <= 300; ++i) {
            const QString n = QStringLiteral("%1.%2").arg(i, 3, 10, QLatin1Char('0')).arg(QLatin1String(ext));
            QFile a(one.filePath(n)), b(two.filePath(n));
            ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << n.toStdString();
            ASSERT_EQ(a.readAll(), b.readAll()) << n.toStdString();
        }
    }
}

TEST(Batch, ManyThreadsKeepTheUmask)
{
    QTemporaryDir dir;
    const Outcome r = shell("umask 022; seq -f '49%011g' 1 3000 | exec \"$Z\" --batch --jobs 8 /JAN /SAVE:" + dir.path()
                            + "/####.bmp");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QFileInfoList files = QDir(dir.path()).entryInfoList(QDir::Files);
    ASSERT_EQ(files.size(), 3000);
    for (const QFileInfo &f : files)
        ASSERT_EQ(modeOf(f.filePath()) & 0777, 0644u) << f.fileName().toStdString();
}

TEST(Batch, NameWithoutHashesAndFullDisk)
{
    QTemporaryDir dir;
    Outcome r = zebrixc({"--batch", "/JAN", "/SAVE:" + dir.filePath("x.png")}, "4901234567894\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("#"));

    const QString mnt = dir.filePath("small");
    QDir().mkpath(mnt);
    if (mount("tmpfs", mnt.toLocal8Bit().constData(), "tmpfs", 0, "size=12k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
    struct Unmount { QString at; ~Unmount() { umount2(at.toLocal8Bit().constData(), MNT_DETACH); } } unmount{mnt};
    r = zebrixc({"--batch", "/JAN", "/TN3", "/HT110", "/SAVE:" + mnt + "/##.bmp"}, batchInput(40, 0).replace("ZB", "49012345678"));
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("line 40")) << "every line is reported";
    // Whatever is there is whole: no half-written files.
    for (const QFileInfo &fi : QDir(mnt).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile f(fi.filePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_FALSE(QImage::fromData(f.readAll()).isNull()) << fi.fileName().toStdString();
    }
}

// The same verdicts as a single run: a bad escape is the data's fault.
TEST(Batch, BadEscapeAndEmptyLinesAndTheLibraryOption)
{
    QTemporaryDir dir;
    Outcome r = zebrixc({"--batch", "/QR2", "/SC1", "/SAVE:" + dir.filePath("#.png")}, "ok\n%G1\n\nok%41\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(QString::fromUtf8(r.err.trimmed()),
              "zebrixc: line 2: '%G1' at byte 1 is not a valid escape: QR data takes %% and %XX (two hexadecimal digits)");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("1.png")) && QFileInfo::exists(dir.filePath("4.png")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("2.png")) || QFileInfo::exists(dir.filePath("3.png")));
    if (!pluginBuilt())
        return;
    r = zebrixc({"--batch", "/1020", "/SAVE:" + dir.filePath("raw#.png")}, "HELLO\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(oracle::Decode(QImage(dir.filePath("raw1.png")), BarcodeFormat::Code128).text, "HELLO");
}

TEST(Batch, InputThatCannotBeRead)
{
    QTemporaryDir dir;
    for (const char *redirect : {"< /", "<&-"}) {
        const Outcome r = shell(QStringLiteral("exec \"$Z\" --batch /C39 /SAVE:%1/#.png %2").arg(dir.path(), redirect));
        EXPECT_EQ(r.status, 2) << redirect;
        EXPECT_TRUE(r.err.contains("standard input")) << redirect << ": " << r.err.toStdString();
    }
}

// The largest memory a command line's processes used, in KiB, and its status.
std::pair<int, long> statusAndPeakKiB(const QString &script)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {-1, 0};
    const pid_t child = ::fork();
    if (child == 0) {
        // Only this command's processes count in this child's rusage.
        const QByteArray s = script.toUtf8();
        const int status = std::system(s.constData());
        rusage ru{};
        ::getrusage(RUSAGE_CHILDREN, &ru);
        const long report[2] = {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ru.ru_maxrss};
        (void)!::write(fds[1], report, sizeof report);
        ::_exit(0);
    }
    ::close(fds[1]);
    long report[2] = {-1, 0};
    (void)!::read(fds[0], report, sizeof report);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return {int(report[0]), report[1]};
}

TEST(Batch, OverlongLineIsThatLinesFailureInBoundedMemory)
{
    QTemporaryDir dir;
    const QString script = QStringLiteral(
        "{ printf 'AB\\n'; head -c 33554432 /dev/zero | tr '\\0' A; printf '\\nCD\\n'; } | "
        "%1 --batch /C39 /SAVE:%2/#.png 2>%2/err")
        .arg(quoted(QStringLiteral(ZEBRIXC)), dir.path());
    const auto [status, peak] = statusAndPeakKiB(script);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(readAll(dir.filePath("err")), "zebrixc: line 2: the line is longer than 65536 bytes\n");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("1.png")) && QFileInfo::exists(dir.filePath("3.png")));
    EXPECT_LT(peak, 256 * 1024) << "KiB at the peak for a 32 MiB line";
}

// A hundred thousand symbols in one batch: every file there, and the memory
// the same as for a thousand (nothing grows with the count).
TEST(Batch, HundredThousandSymbolsInBoundedMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kLines = 20000;   // the sanitizer's own bookkeeping grows: files only
#else
    constexpr int kLines = 100000;
#endif
    auto batch = [](int lines, const QString &folder) {
        return statusAndPeakKiB(QStringLiteral("seq -f 'ZB%06g' 1 ") + QString::number(lines) + QStringLiteral(" | ")
                                + quoted(QStringLiteral(ZEBRIXC)) + QStringLiteral(" --batch --jobs 2 /C128 /STB /SAVE:")
                                + folder + QStringLiteral("/######.png"));
    };
    QTemporaryDir small, big;
    const auto [smallStatus, smallPeak] = batch(1000, small.path());
    const auto [status, peak] = batch(kLines, big.path());
    EXPECT_EQ(smallStatus, 0);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(QDir(big.path()).entryList(QDir::Files).size(), kLines) << "every line has its file";
    EXPECT_EQ(oracle::Decode(QImage(big.filePath(QStringLiteral("%1.png").arg(kLines, 6, 10, QLatin1Char('0')))),
                             BarcodeFormat::Code128).text,
              QStringLiteral("ZB%1").arg(kLines, 6, 10, QLatin1Char('0')).toStdString());
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(peak, smallPeak + 32 * 1024) << "KiB at the peak: " << peak << " against " << smallPeak;
#endif
}

// On a terminal the batch shows how far it is; elsewhere it stays silent
// (the batches above see nothing but their failures).
TEST(Batch, ProgressOnATerminal)
{
    QTemporaryDir dir;
    const QByteArray input = dir.filePath("in").toLocal8Bit();
    QFile in(QString::fromLocal8Bit(input));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(batchInput(50, 7));
    in.close();
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, slave, 2);
    posix_spawn_file_actions_addclose(&actions, master);
    const QByteArray save = "/SAVE:" + dir.filePath("##.png").toLocal8Bit();
    const char *argv[] = {ZEBRIXC, "--batch", "/C128", "/STA", save.constData(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, ZEBRIXC, &actions, nullptr, const_cast<char **>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    QByteArray seen;
    char buf[4096];
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)   // EIO once the terminal's other end is gone
        seen.append(buf, n);
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(seen.contains("\r\x1B[K")) << seen.toStdString();
    EXPECT_TRUE(seen.contains(" lines, ") && seen.contains(" files/s, ") && seen.contains(" failed"));
    EXPECT_TRUE(contains(seen, "line 7: 作成できませんでした."));
}

// A killed batch leaves only whole pictures under their own names: no
// temporary file, whether it was killed while creating or while replacing.
TEST(Batch, KilledBatchLeavesNoTemporaries)
{
    QTemporaryDir dir;
    QByteArray in;
    for (int i = 1; i <= 3000; ++i)
        in += QByteArray::number(4900000000000LL + i) + "\n";
    QFile input(dir.filePath("in"));
    ASSERT_TRUE(input.open(QIODevice::WriteOnly) && input.write(in) == in.size());
    input.close();
    const QString shared = dir.filePath("shared");
    QDir().mkpath(shared);
    // Files to replace: the first 300 lines, run to their end.
    ASSERT_EQ(zebrixc({"--batch", "/JAN", "/TN3", "/HT110", "/SAVE:" + shared + "/####.bmp"}, in.left(300 * 14)).status, 0);
    auto inode = [](const QString &p) {
        struct stat st;
        return ::stat(QFile::encodeName(p), &st) == 0 ? st.st_ino : ino_t(0);
    };
    for (int round = 0; round < 8; ++round) {
        // SIGKILL while creating files in a fresh folder; SIGTERM while replacing
        // those of the last rounds, with one thread and with two.
        const bool term = round % 2 == 0;
        const QString folder = term ? shared : dir.filePath(QStringLiteral("k%1").arg(round));
        QDir().mkpath(folder);
        const QString first = folder + "/0001.bmp";
        const ino_t before = inode(first);
        QProcess p;
        p.setStandardInputFile(input.fileName());
        const QString jobs = round % 4 == 2 ? QStringLiteral("2") : QStringLiteral("1");
        p.start(QStringLiteral(ZEBRIXC),
                {"--batch", "--jobs", jobs, "/JAN", "/TN3", "/HT110", "/SAVE:" + folder + "/####.bmp"});
        ASSERT_TRUE(p.waitForStarted());
        // Wait until the first file is there (or, replacing, is the new one).
        for (int i = 0; i < 6000 && (inode(first) == 0 || inode(first) == before); ++i)
            QThread::msleep(10);
        ASSERT_NE(inode(first), before) << "round " << round;
        if (term)
            p.terminate();
        else
            p.kill();
        p.waitForFinished();
        for (const QString &e : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            ASSERT_TRUE(QRegularExpression(QStringLiteral("^[0-9]{4}\\.bmp$")).match(e).hasMatch())
                << "round " << round << " left " << e.toStdString();
    }
}

} // namespace
