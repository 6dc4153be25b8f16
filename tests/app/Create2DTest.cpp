// QR Code and library symbols created by the job model.
#include "ModelTestSupport.h"
#include "Oracle.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

namespace {

using ZXing::BarcodeFormat;

const QString kCreated = QStringLiteral("作成しました.");
const QString kTooLong = QStringLiteral("QR:文字数オーバー.");

TEST(PercentEscapes, Decoding)
{
    EXPECT_EQ(JobModel::DecodePercentEscapes("%41%42"), QByteArray("AB"));
    EXPECT_EQ(JobModel::DecodePercentEscapes("100%%"), QByteArray("100%"));
    EXPECT_EQ(JobModel::DecodePercentEscapes("%%%41"), QByteArray("%A"));
    EXPECT_EQ(JobModel::DecodePercentEscapes("%e3%81%82"), QByteArray("\xE3\x81\x82"));
    EXPECT_EQ(JobModel::DecodePercentEscapes("a%00b"), QByteArray("a\0b", 3));
    for (const char *bad : {"%4G", "%", "%4", "x%", "%%%", "% 1"})
        EXPECT_THROW(JobModel::DecodePercentEscapes(bad), EConvertError) << bad;
}

TEST(PercentEscapes, InvalidEscapeAbandonsTheCreationAndClearsRunning)
{
    JobModel m;
    Select(m, 12, "%4G");
    m.SpCode.setChecked(true);
    try {
        m.RB_Click();
        FAIL() << "no conversion error";
    } catch (const EConvertError &e) {
        EXPECT_NE(e.message().indexOf("4G"), -1);
    }
    EXPECT_FALSE(m.Running);
    EXPECT_TRUE(m.HistoryEx1.History().isEmpty());
}

TEST(QRCreation, SizesOfTheDefaultSymbol)
{
    for (bool raster : {true, false}) {
        for (int width : {0, 2}) {
            JobModel m;
            if (raster)
                m.CopyBm.Click();
            Select(m, 12, "ABC");
            m.CdTypeChange();
            m.QRErr.setItemIndex(1);
            m.ThinWd.setItemIndex(width);
            m.RB_Click();
            EXPECT_EQ(m.StatusText(), kCreated);
            const int side = width == 0 ? 42 : 124;
            EXPECT_EQ(QSize(m.Image1.Width(), m.Image1.Height()), QSize(side, side));
            EXPECT_EQ(m.Image1.Picture().width(), side);
            EXPECT_EQ(m.Image1.Picture().isBitmap(), raster);
            // The last column and row stay background.
            const QImage img = m.Image1.Picture().toImage();
            for (int i = 0; i < side; ++i) {
                EXPECT_EQ(img.pixel(side - 1, i), qRgb(255, 255, 255));
                EXPECT_EQ(img.pixel(i, side - 1), qRgb(255, 255, 255));
            }
        }
    }
}

TEST(QRCreation, CapacityAtVersion4LevelM)
{
    JobModel m;
    m.CdType.setItemIndex(12);
    m.QRErr.setItemIndex(1);
    m.EditCode.setText(QString(62, u'x'));
    m.RB_Click();
    EXPECT_EQ(m.StatusText(), kCreated);
    EXPECT_FALSE(m.BError);
    m.EditCode.setText(QString(63, u'x'));
    m.RB_Click();
    EXPECT_EQ(m.StatusText(), kTooLong);
    EXPECT_TRUE(m.BError);
    EXPECT_EQ(m.Image1.Picture().width(), 60) << "the error picture";
}

TEST(QRCreation, TooMuchDataFailsWithTheErrorPicture)
{
    JobModel m;
    m.CopyBm.Click();
    m.CdType.setItemIndex(12);
    m.QRVer.setValue(40);
    m.EditCode.setText("1");
    m.RB_Click();
    const QSize good(m.Image1.Width(), m.Image1.Height());
    ASSERT_EQ(good, QSize(186, 186));
    // 7089 bytes go to the encoder, which refuses them; 7090 are not even
    // tried. Either way the old symbol does not stay to be saved as this one.
    for (int length : {7089, 7090}) {
        m.EditCode.setText("1");
        m.RB_Click();
        m.EditCode.setText(QString(length, u'7'));
        m.RB_Click();
        EXPECT_EQ(m.StatusText(), kTooLong) << length;
        EXPECT_TRUE(m.BError);
        EXPECT_EQ(QSize(m.Image1.Width(), m.Image1.Height()), QSize(60, 28)) << length;
    }
    EXPECT_EQ(m.HistoryEx1.History().size(), 3) << "QR data lines are remembered whatever the outcome";
}

struct QRErrorCase { int version; int levelIndex; const char *status; };
class QRErrors : public ::testing::TestWithParam<QRErrorCase> {};

TEST_P(QRErrors, StatusErrorPictureAndClipboardWithAutoCopy)
{
    const auto &c = GetParam();
    JobModel m;
    MemClipboard cb;
    m.setClipboard(&cb);
    Select(m, 12, "ABC");
    m.QRVer.setValue(c.version);
    m.QRErr.setItemIndex(c.levelIndex);
    m.RB_Click();
    EXPECT_EQ(m.StatusText(), QString::fromUtf8(c.status));
    EXPECT_TRUE(m.BError);
    EXPECT_EQ(QSize(m.Image1.Width(), m.Image1.Height()), QSize(60, 28));
    EXPECT_EQ(cb.writes, 0) << "without AutoCopy the clipboard is untouched";
    m.AutoCopy.Click();
    m.setWatcherEnabled(true);
    m.RB_Click();
    EXPECT_EQ(cb.kind, "text");
    EXPECT_EQ(cb.text, QString::fromUtf8(c.status));
    EXPECT_TRUE(m.WatcherEnabled()) << "the copy gives the watcher back the state it found";
}

INSTANTIATE_TEST_SUITE_P(Table, QRErrors, ::testing::Values(
    QRErrorCase{0, 1, "QR:バージョン指定エラー."},
    QRErrorCase{41, 1, "QR:バージョン指定エラー."},
    QRErrorCase{4, -1, "QR:誤り訂正レベル指定エラー."}));

TEST(QRCreation, DecodesAtModuleSizesOneToThreeRasterAndMetafile)
{
    const QString data = QStringLiteral("Zebrix QR 日本語 0123456789");
    for (bool raster : {true, false}) {
        for (int width = 0; width < 3; ++width) {
            JobModel m;
            if (raster)
                m.CopyBm.Click();
            Select(m, 12, data);
            m.QRVer.setValue(5);
            m.QRErr.setItemIndex(2);
            m.ThinWd.setItemIndex(width);
            m.RB_Click();
            ASSERT_EQ(m.StatusText(), kCreated);
            const QImage img = m.Image1.Picture().toImage();
            const oracle::Decoded r = oracle::Decode(img, BarcodeFormat::QRCode);
            ASSERT_TRUE(r.ok) << "raster " << raster << " width " << width;
            EXPECT_EQ(QByteArray::fromStdString(r.bytes), data.toUtf8());
            EXPECT_EQ(r.ecLevel, "Q");
        }
    }
}

TEST(QRCreation, PercentEscapesAndTheZeroByte)
{
    JobModel m;
    m.CopyBm.Click();
    Select(m, 12, "%41%42%00CD");
    m.SpCode.setChecked(true);
    m.RB_Click();
    const oracle::Decoded r = oracle::Decode(m.Image1.Picture().toImage(), BarcodeFormat::QRCode);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.bytes, "AB") << "the zero byte ends the data";
}

TEST(QRCreation, ColoursFromTheWindowFields)
{
    JobModel m;
    m.CopyBm.Click();
    m.BarCol = 0x0000FF;   // red
    m.BackCol = 0xFFFF00;  // cyan
    Select(m, 12, "A");
    m.RB_Click();
    const QImage img = m.Image1.Picture().toImage();
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 255, 255));
    EXPECT_EQ(img.pixel(4, 4), qRgb(255, 0, 0)) << "the finder pattern's corner";
}

TEST(Library, WithoutThePluginThirteenItemsAndNothingHappens)
{
    JobModel m;
    QTemporaryDir empty;
    m.LoadLibrary({empty.path()});
    EXPECT_FALSE(m.LibraryLoaded());
    EXPECT_EQ(m.CdType.Count(), 13);
    m.ZintBarType = 1055;
    Select(m, 0, "ABC");
    m.RB_Click();
    EXPECT_TRUE(m.StatusText().isEmpty());
}

QString pluginFolder() { return QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath(); }

struct LibCase { int index; const char *data; BarcodeFormat format; const char *decoded; };
class LibrarySymbols : public ::testing::TestWithParam<LibCase> {};

TEST_P(LibrarySymbols, DecodeRasterAndMetafile)
{
    const auto &c = GetParam();
    for (bool raster : {true, false}) {
        JobModel m;
        m.LoadLibrary({pluginFolder()});
        ASSERT_TRUE(m.LibraryLoaded());
        ASSERT_EQ(m.CdType.Count(), kIndexCount);
        if (raster)
            m.CopyBm.Click();
        Select(m, c.index, QString::fromUtf8(c.data));
        m.CdTypeChange();
        ASSERT_FALSE(m.BError) << m.StatusText().toStdString();
        EXPECT_TRUE(m.Image1View.Visible());
        EXPECT_EQ(m.Image1.Picture().isBitmap(), raster);
        if (c.format == BarcodeFormat::None)
            continue;   // no reader for this one here
        const oracle::Decoded r = oracle::Decode(m.Image1.Picture().toImage(), c.format);
        ASSERT_TRUE(r.ok) << c.data << " raster " << raster;
        EXPECT_EQ(r.text, c.decoded);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LibrarySymbols, ::testing::Values(
    LibCase{13, "0123456789012", BarcodeFormat::None, ""},
    LibCase{14, "0490123456789", BarcodeFormat::DataBar, "04901234567894"},
    LibCase{15, "0490123456789", BarcodeFormat::DataBar, "04901234567894"},
    LibCase{16, "0490123456789", BarcodeFormat::DataBar, "04901234567894"},
    LibCase{17, "Zebrix PDF417 日本", BarcodeFormat::PDF417, "Zebrix PDF417 日本"},
    LibCase{18, "Zebrix", BarcodeFormat::PDF417, "Zebrix"},
    LibCase{22, "Zebrix DataMatrix 日本", BarcodeFormat::DataMatrix, "Zebrix DataMatrix 日本"},
    LibCase{23, "(01)04912345123459(10)ABC", BarcodeFormat::DataMatrix, "0104912345123459" "10ABC"},
    LibCase{24, "Zebrix Aztec 日本", BarcodeFormat::Aztec, "Zebrix Aztec 日本"}));

// 特殊 takes DataMatrix and Aztec data as bytes with percent escapes, as for
// QR Code; a zero byte ends the data.
struct EscapeCase { int index; const char *data; BarcodeFormat format; std::string bytes; };
class LibraryEscapes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(LibraryEscapes, BytesAsForQR)
{
    const auto &c = GetParam();
    JobModel m;
    m.LoadLibrary({pluginFolder()});
    m.SpCode.setChecked(true);
    Select(m, c.index, QString::fromUtf8(c.data));
    m.CdTypeChange();
    ASSERT_FALSE(m.BError) << m.StatusText().toStdString();
    const oracle::Decoded r = oracle::Decode(m.Image1.Picture().toImage(), c.format);
    ASSERT_TRUE(r.ok) << c.data;
    EXPECT_EQ(r.bytes, c.bytes) << c.data;
}

INSTANTIATE_TEST_SUITE_P(Table, LibraryEscapes, ::testing::Values(
    EscapeCase{22, "A%41%%B%1DC", BarcodeFormat::DataMatrix, "AA%B\x1D" "C"},
    EscapeCase{22, "AB%00CD", BarcodeFormat::DataMatrix, "AB"},
    EscapeCase{24, "%FE%01x", BarcodeFormat::Aztec, "\xFE\x01x"},
    EscapeCase{24, "100%%", BarcodeFormat::Aztec, "100%"}));

TEST(Library, EscapeThatDoesNotConvertFailsTheCreation)
{
    for (const int index : {kIndexDataMatrix, kIndexAztec}) {
        JobModel m;
        m.LoadLibrary({pluginFolder()});
        m.SpCode.setChecked(true);
        Select(m, index, "ok");
        m.RB_Click();
        ASSERT_FALSE(m.BError);
        m.EditCode.setText("%ZZ");
        EXPECT_THROW(m.RB_Click(), EConvertError) << index;
        EXPECT_TRUE(m.BError);
        EXPECT_EQ(QSize(m.Image1.Width(), m.Image1.Height()), QSize(60, 28)) << "the error picture";
        EXPECT_FALSE(m.Running);
    }
}

TEST(Library, Gs1DataMatrixIsCheckedAsGs1128)
{
    JobModel m;
    m.LoadLibrary({pluginFolder()});
    Select(m, kIndexGS1DataMatrix, "(01)04912345123458");
    m.RB_Click();
    EXPECT_TRUE(m.BError);
    EXPECT_EQ(m.StatusText(), "作成できませんでした.");
    EXPECT_EQ(m.FailureReason(texts::TWords::Console), "the check digit '8' at position 18 is wrong: it must be 9 (AI 01)");
    EXPECT_EQ(QSize(m.Image1.Width(), m.Image1.Height()), QSize(60, 28)) << "the error picture";
    // One digit short, the check digit is added.
    m.EditCode.setText("(01)0491234512345");
    m.RB_Click();
    EXPECT_FALSE(m.BError) << m.StatusText().toStdString();
    const oracle::Decoded r = oracle::Decode(m.Image1.Picture().toImage(), BarcodeFormat::DataMatrix);
    EXPECT_TRUE(r.gs1);
    EXPECT_EQ(r.text, "0104912345123459");
}

TEST(Library, RasterPictureLosesItsTwoSpareColumnsAndRows)
{
    JobModel raster, meta;
    for (JobModel *m : {&raster, &meta}) {
        m->LoadLibrary({pluginFolder()});
        Select(*m, 17, "ABC");
    }
    raster.CopyBm.Click();
    raster.RB_Click();
    meta.RB_Click();
    EXPECT_EQ(raster.Image1.Width(), meta.Image1.Width() - 2);
    EXPECT_EQ(raster.Image1.Height(), meta.Image1.Height() - 2);
}

TEST(Library, FailureShowsLibzintsTextAndTheErrorPicture)
{
    JobModel m;
    m.LoadLibrary({pluginFolder()});
    Select(m, 15, "ABC");   // DataBar takes digits only
    m.RB_Click();
    EXPECT_TRUE(m.BError);
    EXPECT_FALSE(m.StatusText().isEmpty());
    EXPECT_EQ(QSize(m.Image1.Width(), m.Image1.Height()), QSize(60, 28));
    m.EditCode.setText("0490123456789");
    m.RB_Click();
    EXPECT_FALSE(m.BError);
}

TEST(Library, OverrideByZintBarType)
{
    JobModel m;
    m.LoadLibrary({pluginFolder()});
    m.CopyBm.Click();
    Select(m, 0, "Hello");
    m.ZintBarType = 1000 + 55;   // PDF417 whatever CdType shows
    m.RB_Click();
    ASSERT_FALSE(m.BError);
    const oracle::Decoded r = oracle::Decode(m.Image1.Picture().toImage(), BarcodeFormat::PDF417);
    EXPECT_EQ(r.text, "Hello");
    EXPECT_EQ(m.ModeText(), "JAN 1×") << "the Mode label is refreshed by a library creation";
}

} // namespace
