// TZintLib: finding and loading the plugin, refusing what is not the plugin,
// the list-item and scale mappings, and symbols that zxing-cpp decodes.
#include "Oracle.h"
#include "PluginSupport.h"
#include "ZintLib.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <link.h>

using namespace plugintest;

namespace {

// ---- Mappings ------------------------------------------------------------

struct SymbologyCase {
    const char *name;
    int index;
    int zintBarType;
    int symbology;
};

class ZintSymbology : public ::testing::TestWithParam<SymbologyCase> {};

TEST_P(ZintSymbology, MapsListItemOrOverride)
{
    const SymbologyCase &c = GetParam();
    EXPECT_EQ(TZintLib::ZintSymbology(c.index, c.zintBarType), c.symbology);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ZintSymbology,
    ::testing::Values(SymbologyCase{"Gs1LimitedIs30", 13, 0, 30}, SymbologyCase{"Gs1StackedIs79", 14, 0, 79},
                      SymbologyCase{"Gs1StandardIs29", 15, 0, 29},
                      SymbologyCase{"Gs1StackedOmniIs80", 16, 0, 80}, SymbologyCase{"Pdf417Is55", 17, 0, 55},
                      SymbologyCase{"Pdf417TruncIs56", 18, 0, 56}, SymbologyCase{"QrIsNone", 12, 0, 0},
                      SymbologyCase{"JanIsNone", 0, 0, 0}, SymbologyCase{"PastTheListIsNone", 19, 0, 0},
                      SymbologyCase{"NoSelectionIsNone", -1, 0, 0},
                      SymbologyCase{"Exactly1000IsNoOverride", 15, 1000, 29},
                      SymbologyCase{"NegativeTypeIsNoOverride", 17, -5, 55},
                      SymbologyCase{"OverrideBeatsTheIndex", 15, 1058, 58},
                      SymbologyCase{"OverrideWithoutLibraryItem", 0, 1001, 1},
                      SymbologyCase{"OverrideOfUnknownNumber", 13, 1999, 999}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ZintScale, ThinWdItemsAreOneTwoThreeAndNoSelectionTwo)
{
    EXPECT_EQ(TZintLib::ZintScale(0), 1.0);
    EXPECT_EQ(TZintLib::ZintScale(1), 2.0);
    EXPECT_EQ(TZintLib::ZintScale(2), 3.0);
    EXPECT_EQ(TZintLib::ZintScale(-1), 2.0);
    EXPECT_EQ(TZintLib::ZintScale(3), 2.0);
}

// ---- Loading -------------------------------------------------------------

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What lies in the folder under the name libzintbar.so.
enum class Content { Nothing, Plugin, NoExport, Garbage, Empty, OtherMachine, Elf32 };

QByteArray contentBytes(Content c)
{
    QByteArray plugin = readFile(QStringLiteral(ZINTBAR_PLUGIN));
    switch (c) {
    case Content::Nothing:
        return {};
    case Content::Plugin:
        return plugin;
    case Content::NoExport:
        return readFile(QStringLiteral(ZINTBAR_NOEXPORT));
    case Content::Garbage: {
        QByteArray bytes(4096, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 131 + 7) & 0xFF);
        return bytes;
    }
    case Content::Empty:
        return {};
    case Content::OtherMachine:
        plugin[18] = char(183);   // e_machine: AArch64
        plugin[19] = 0;
        return plugin;
    case Content::Elf32:
        plugin[4] = 1;   // EI_CLASS: 32-bit
        return plugin;
    }
    return {};
}

struct LoadCase {
    const char *name;
    Content content;
    bool loaded;
    bool hasZintDll;
};

class ZintLibLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ZintLibLoad, TakesOnlyThePluginWithItsExport)
{
    const LoadCase &c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QLatin1String(TZintLib::kFileName));
    if (c.content != Content::Nothing) {
        ASSERT_TRUE(writeFile(path, contentBytes(c.content)));
    }

    TZintLib lib;
    EXPECT_EQ(lib.Load(QStringList{dir.path()}), c.loaded);
    EXPECT_EQ(lib.loaded(), c.loaded);
    EXPECT_EQ(lib.hasZintDll(), c.hasZintDll);
    EXPECT_EQ(lib.fileName(), c.loaded ? path : QString());

    // Whatever was loaded, a call fails cleanly unless the export is there.
    const TZintResult r = lib.Call(29, QStringLiteral("0490123456789"), 1.0, 50, 20, 5, kBlack, kWhite, QFont(),
                                   kBlack, true, false);
    EXPECT_EQ(r.ok(), c.hasZintDll);
    if (!c.hasZintDll) {
        EXPECT_TRUE(r.picture.isNull());
        EXPECT_TRUE(r.errorText.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ZintLibLoad,
    ::testing::Values(LoadCase{"MissingFileIsNoLibrary", Content::Nothing, false, false},
                      LoadCase{"GarbageIsNoLibrary", Content::Garbage, false, false},
                      LoadCase{"EmptyFileIsNoLibrary", Content::Empty, false, false},
                      LoadCase{"OtherArchitectureIsNoLibrary", Content::OtherMachine, false, false},
                      LoadCase{"Elf32IsNoLibrary", Content::Elf32, false, false},
                      LoadCase{"LibraryWithoutExportIsLoadedWithoutExport", Content::NoExport, true, false},
                      LoadCase{"ThePluginIsLoadedWithItsExport", Content::Plugin, true, true}),
    [](const auto &info) { return std::string(info.param.name); });

// A damaged plugin (a copy cut short, bytes that are no library) is no
// library. Each load runs in a child process of its own, so that a load
// that kills its process fails one case, not the whole suite.
struct Damage {
    const char *name;
    QByteArray (*make)(const QByteArray &plugin);
};

QByteArray noise(qsizetype size, unsigned seed)
{
    QByteArray bytes(size, '\0');
    for (char &b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = char(seed >> 16);
    }
    return bytes;
}

// The plugin with the file size of its first loadable segment doubled.
QByteArray segmentPastTheEnd(const QByteArray &plugin)
{
    QByteArray bytes = plugin;
    ElfW(Ehdr) eh;
    std::memcpy(&eh, bytes.constData(), sizeof eh);
    for (int i = 0; i < eh.e_phnum; ++i) {
        ElfW(Phdr) ph;
        char *at = bytes.data() + eh.e_phoff + size_t(i) * sizeof ph;
        std::memcpy(&ph, at, sizeof ph);
        if (ph.p_type == PT_LOAD) {
            ph.p_filesz = ph.p_memsz = bytes.size() * 2;
            std::memcpy(at, &ph, sizeof ph);
            break;
        }
    }
    return bytes;
}

const Damage kDamages[] = {
    {"CutTo4KiB", [](const QByteArray &p) { return p.left(4096); }},
    {"CutTo16KiB", [](const QByteArray &p) { return p.left(16384); }},
    {"CutInHalf", [](const QByteArray &p) { return p.left(p.size() / 2); }},
    {"LastByteMissing", [](const QByteArray &p) { return p.left(p.size() - 1); }},
    {"RandomBytes", [](const QByteArray &p) { return noise(p.size(), 1); }},
    {"ElfHeaderThenRandomBytes", [](const QByteArray &p) { return p.left(64) + noise(p.size() - 64, 2); }},
    {"SegmentPastTheEnd", segmentPastTheEnd},
};

class DamagedPlugin : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedPlugin, IsNoLibrary)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(TZintLib::kFileName));
    ASSERT_TRUE(writeFile(path, GetParam().make(readFile(QStringLiteral(ZINTBAR_PLUGIN)))));
    EXPECT_EXIT(
        {
            TZintLib lib;
            const bool loaded = lib.Load(QStringList{dir.path()}) || lib.LoadFile(path) || lib.loaded();
            std::exit(loaded ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedPlugin, ::testing::ValuesIn(kDamages),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ZintLib, LoadFileTakesAnExplicitPath)
{
    TZintLib lib;
    EXPECT_TRUE(lib.LoadFile(QStringLiteral(ZINTBAR_PLUGIN)));
    EXPECT_TRUE(lib.hasZintDll());
    EXPECT_FALSE(lib.LoadFile(QStringLiteral(ZINTBAR_PLUGIN) + QStringLiteral(".missing")));
    EXPECT_FALSE(lib.loaded());   // a failed load releases what was loaded before
    EXPECT_FALSE(lib.hasZintDll());
}

TEST(ZintLib, SearchTakesTheFirstFolderHoldingTheFile)
{
    QTemporaryDir empty, broken, good;
    ASSERT_TRUE(empty.isValid() && broken.isValid() && good.isValid());
    const QString name = QLatin1String(TZintLib::kFileName);
    ASSERT_TRUE(writeFile(broken.filePath(name), contentBytes(Content::Garbage)));
    ASSERT_TRUE(writeFile(good.filePath(name), contentBytes(Content::Plugin)));

    TZintLib lib;
    EXPECT_TRUE(lib.Load(QStringList{empty.path(), good.path(), broken.path()}));
    EXPECT_EQ(lib.fileName(), good.filePath(name));
    // The first file found decides, even when it is not loadable.
    EXPECT_FALSE(lib.Load(QStringList{empty.path(), broken.path(), good.path()}));
    EXPECT_FALSE(lib.loaded());
    EXPECT_FALSE(lib.Load(QStringList{}));
}

TEST(ZintLib, SearchStartsBesideTheExecutable)
{
    QStringList folders = TZintLib::SearchFolders();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(folders.first(), QDir::cleanPath(QCoreApplication::applicationDirPath()));
    EXPECT_GE(folders.size(), 2);   // and then the install prefix's lib folder
    EXPECT_EQ(folders.removeDuplicates(), 0);
}

TEST(ZintLib, UnloadForgetsTheLibrary)
{
    TZintLib lib;
    ASSERT_TRUE(lib.LoadFile(QStringLiteral(ZINTBAR_PLUGIN)));
    lib.Unload();
    EXPECT_FALSE(lib.loaded());
    EXPECT_FALSE(lib.hasZintDll());
    EXPECT_TRUE(lib.fileName().isEmpty());
    EXPECT_FALSE(lib.Call(29, QStringLiteral("0490123456789"), 1.0, 50, 0, 0, kBlack, kWhite, QFont(), kBlack,
                          false, false)
                     .ok());
}

TEST(ZintLib, CallWithoutLibraryFailsWithoutText)
{
    const TZintLib lib;
    const TZintResult r =
        lib.Call(55, QStringLiteral("text"), 1.0, 50, 0, 0, kBlack, kWhite, QFont(), kBlack, false, false);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.picture.isNull());
    EXPECT_TRUE(r.errorText.isEmpty());
}

// ---- Calls through the loader ----------------------------------------------

class ZintLibCall : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(lib.LoadFile(QStringLiteral(ZINTBAR_PLUGIN))); }

    TZintResult call(int index, const QString &text, int thinWd = 0, std::uint32_t bar = kBlack,
                     std::uint32_t back = kWhite) const
    {
        return lib.Call(TZintLib::ZintSymbology(index, 0), text, TZintLib::ZintScale(thinWd), 50, 20, 5, bar,
                        back, QFont(), kBlack, true, false);
    }

    TZintLib lib;
};

TEST_F(ZintLibCall, LibraryFailureGivesLibzintsTextAndNoPicture)
{
    const TZintResult letters = call(15, QStringLiteral("ABC"));
    EXPECT_FALSE(letters.ok());
    EXPECT_TRUE(letters.picture.isNull());
    EXPECT_TRUE(letters.errorText.contains(QLatin1String("Invalid character"))) << letters.errorText.toStdString();

    const TZintResult range = call(13, QStringLiteral("2490123456789"));
    EXPECT_TRUE(range.picture.isNull());
    EXPECT_TRUE(range.errorText.contains(QLatin1String("out of range"))) << range.errorText.toStdString();

    const TZintResult unknown =
        lib.Call(TZintLib::ZintSymbology(0, 1999), QStringLiteral("1"), 1.0, 50, 0, 0, kBlack, kWhite, QFont(),
                 kBlack, false, false);
    EXPECT_TRUE(unknown.picture.isNull());
    EXPECT_TRUE(unknown.errorText.contains(QLatin1String("Symbology out of range")));
}

TEST_F(ZintLibCall, ColoursArriveInTheirChannels)
{
    // 0x00BBGGRR: bars pure red, background pure blue.
    const TZintResult r = call(15, QStringLiteral("0490123456789"), 0, kRed, kBlue);
    ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
    EXPECT_EQ(r.picture.format(), QImage::Format_RGB888);
    EXPECT_EQ(r.picture.pixel(0, 0), qRgb(0, 0, 255));   // the left margin
    bool red = false;
    for (int x = 0; x < r.picture.width() && !red; ++x)
        red = r.picture.pixel(x, 5 + 10) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);
}

TEST_F(ZintLibCall, ScaleOfThinWdWidensTheSymbol)
{
    // DataBar: 96 modules, 2 × scale pixels each, 20-pixel margins, 2 spare columns.
    for (int thinWd : {0, 1, 2, -1}) {
        const TZintResult r = call(15, QStringLiteral("0490123456789"), thinWd);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.picture.width(), 96 * 2 * int(TZintLib::ZintScale(thinWd)) + 40 + 2) << thinWd;
    }
}

TEST_F(ZintLibCall, PictureIsACopyThatOutlivesTheNextCall)
{
    const TZintResult first = call(17, QStringLiteral("first"));
    const QImage snapshot = first.picture.copy();
    call(17, QStringLiteral("a second, longer text that makes another picture"), 2, kRed, kGreen);
    EXPECT_EQ(first.picture, snapshot);
}

struct DecodeCase {
    const char *name;
    int index;
    QString text;
    ZXing::BarcodeFormat format;
    QString decoded;
};

class ZintLibDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ZintLibDecode, ZxingReadsWhatThePluginDraws)
{
    const DecodeCase &c = GetParam();
    TZintLib lib;
    ASSERT_TRUE(lib.LoadFile(QStringLiteral(ZINTBAR_PLUGIN)));
    for (int thinWd : {0, 1, 2}) {
        const TZintResult r = lib.Call(TZintLib::ZintSymbology(c.index, 0), c.text, TZintLib::ZintScale(thinWd),
                                       50, 20, 5, kBlack, kWhite, QFont(), kBlack, true, false);
        ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
        const oracle::Decoded d = oracle::Decode(r.picture, c.format);
        EXPECT_TRUE(d.ok) << "ThinWd " << thinWd;
        EXPECT_EQ(QString::fromStdString(d.text), c.decoded) << "ThinWd " << thinWd;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, ZintLibDecode,
    ::testing::Values(
        DecodeCase{"DataBarThirteenDigitsGetsCheckDigit", 15, QStringLiteral("0490123456789"),
                   ZXing::BarcodeFormat::DataBar, QStringLiteral("04901234567894")},
        DecodeCase{"DataBarFourteenDigits", 15, QStringLiteral("04901234567894"), ZXing::BarcodeFormat::DataBar,
                   QStringLiteral("04901234567894")},
        DecodeCase{"DataBarShortIsZeroPadded", 15, QStringLiteral("12345"), ZXing::BarcodeFormat::DataBar,
                   QStringLiteral("00000000123457")},
        DecodeCase{"DataBarStacked", 14, QStringLiteral("0490123456789"), ZXing::BarcodeFormat::DataBar,
                   QStringLiteral("04901234567894")},
        DecodeCase{"DataBarStackedOmni", 16, QStringLiteral("10614141000415"), ZXing::BarcodeFormat::DataBar,
                   QStringLiteral("10614141000415")},
        DecodeCase{"Pdf417Ascii", 17, QStringLiteral("Zebrix PDF417 0123456789"), ZXing::BarcodeFormat::PDF417,
                   QStringLiteral("Zebrix PDF417 0123456789")},
        DecodeCase{"Pdf417Latin1", 17, QStringLiteral("Café crème, Größe"), ZXing::BarcodeFormat::PDF417,
                   QStringLiteral("Café crème, Größe")},
        DecodeCase{"Pdf417Japanese", 17, QStringLiteral("バーコード作成 テスト"), ZXing::BarcodeFormat::PDF417,
                   QStringLiteral("バーコード作成 テスト")},
        DecodeCase{"Pdf417Truncated", 18, QStringLiteral("Truncated PDF417 ÄÖÜ 漢字"), ZXing::BarcodeFormat::PDF417,
                   QStringLiteral("Truncated PDF417 ÄÖÜ 漢字")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ZintLibCall, DataBarLimitedHas79ModulesAndItsGuards)
{
    // zxing-cpp does not read DataBar Limited: check its width and guards.
    // 79 modules of 2 pixels at scale 1 after the 20-pixel margin: a light
    // and a dark module of the left guard first, the dark module of the right
    // guard at module 73, then five light modules.
    const TZintResult r = lib.Call(30, QStringLiteral("0490123456789"), 1.0, 50, 20, 5, kBlack, kWhite, QFont(),
                                   kBlack, false, false);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.picture.width(), 20 + 79 * 2 + 20 + 2);
    const int y = 5 + 25;
    const auto module = [&](int m) { return r.picture.pixel(20 + 2 * m, y) == qRgb(0, 0, 0); };
    EXPECT_FALSE(module(0));
    EXPECT_TRUE(module(1));
    EXPECT_TRUE(module(73));
    for (int m = 74; m < 79; ++m)
        EXPECT_FALSE(module(m)) << m;
}

} // namespace
