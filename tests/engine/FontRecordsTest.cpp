// Remembered fonts hold only while nothing they depend on changed: the face
// file, the fontconfig configuration; a damaged file is no record at all.
#include "FontRecords.h"
#include "Text.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kPlatform = QStringLiteral("offscreen");

TMetaFont someFont()
{
    TMetaFont f;
    f.Family = QStringLiteral("Zebrix Test Face");
    f.PixelSize = 12;
    return f;
}

// A record of a face file of the test's own, kept and read back.
class FontRecords : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // The user's configuration folder is the test's own (without a
        // fontconfig configuration in it).
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        face = dir.filePath(QStringLiteral("face.ttf")).toUtf8();
        ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), face));
        file = dir.filePath(QStringLiteral("fonts"));
        SetFontRecordFile(file, kPlatform);
        auto r = std::make_shared<TFontRecord>();
        r->font = someFont();
        r->faceFile = face;
        r->faceStamp = TFileStamp::of(face);
        r->ascent = 11;
        r->height = 14;
        r->blendKind = 1;   // straight
        r->gamma = 1.0;
        r->glyphs[U'4'] = 23;
        StoreFontRecord(r);
    }
    void TearDown() override
    {
        SetFontRecordFile({}, {});
        qputenv("XDG_CONFIG_HOME", savedConfig);
    }

    // The record as a new run finds it in the file.
    std::shared_ptr<const TFontRecord> readAgain()
    {
        SetFontRecordFile(file, kPlatform);
        return FindFontRecord(someFont());
    }

    QTemporaryDir dir;
    QByteArray face;
    QString file;
    QByteArray savedConfig;
};

TEST_F(FontRecords, HoldWhileNothingChanged)
{
    const auto r = readAgain();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->faceFile, face);
    EXPECT_EQ(r->height, 14);
    EXPECT_EQ(r->glyphs.at(U'4'), 23u);
}

struct Change { const char *name; std::function<void(const QByteArray &face)> make; };

class FaceFileChanges : public FontRecords, public ::testing::WithParamInterface<Change> {};

TEST_P(FaceFileChanges, VoidTheRecord)
{
    ASSERT_TRUE(readAgain());
    GetParam().make(face);
    EXPECT_FALSE(readAgain());
}

INSTANTIATE_TEST_SUITE_P(Face, FaceFileChanges, ::testing::Values(
    Change{"Removed", [](const QByteArray &f) { QFile::remove(QString::fromUtf8(f)); }},
    Change{"Rewritten", [](const QByteArray &f) {
        QFile file(QString::fromUtf8(f));
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("x");
    }},
    Change{"ReplacedByAnother", [](const QByteArray &f) {
        QFile::remove(QString::fromUtf8(f));
        QFile::copy(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"), QString::fromUtf8(f));
    }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FontRecords, AFontconfigConfigurationThatAppearsVoidsThemAll)
{
    // A user's configuration file where there was none: fontconfig may now
    // resolve or draw every font differently.
    ASSERT_TRUE(readAgain());
    const QString config = dir.filePath(QStringLiteral("config/fontconfig"));
    QDir().mkpath(config);
    QFile conf(config + QStringLiteral("/fonts.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("<fontconfig/>\n");
    conf.close();
    EXPECT_FALSE(readAgain());
}

TEST_F(FontRecords, ADamagedFileIsNoRecord)
{
    ASSERT_TRUE(readAgain());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray bytes = f.readAll();
    for (qsizetype cut : {qsizetype(0), qsizetype(3), bytes.size() / 2, bytes.size() - 1}) {
        f.resize(0);
        f.seek(0);
        f.write(bytes.left(cut));
        f.flush();
        EXPECT_FALSE(readAgain()) << "cut at " << cut;
    }
    f.resize(0);
    f.seek(0);
    f.write(QByteArray(4096, '\xff'));
    f.flush();
    EXPECT_FALSE(readAgain());
}

TEST_F(FontRecords, AnotherPlatformsDrawingIsNotThisOnes)
{
    ASSERT_TRUE(readAgain());
    SetFontRecordFile(file, QStringLiteral("xcb"));
    EXPECT_FALSE(FindFontRecord(someFont()));
}

// The fonts Zebrix meets take the simple path with Qt's fonts at hand, so
// that both the window and the remembered fonts draw them fast.
class SimpleText : public ::testing::TestWithParam<std::tuple<const char *, int, bool, bool>> {};

TEST_P(SimpleText, FontsZebrixMeetsAreShapedByZebrix)
{
    const auto &[family, px, bold, italic] = GetParam();
    QFont f(QString::fromUtf8(family));
    f.setPixelSize(px);
    f.setBold(bold);
    f.setItalic(italic);
    EXPECT_TRUE(ShapesSimpleText(f));
    f.setUnderline(true);
    EXPECT_FALSE(ShapesSimpleText(f)) << "decorations are QPainter's";
}

INSTANTIATE_TEST_SUITE_P(Fonts, SimpleText,
                         ::testing::Combine(::testing::Values("Noto Sans CJK JP", "DejaVu Sans"),
                                            ::testing::Values(9, 12, 20), ::testing::Bool(), ::testing::Bool()));

} // namespace
