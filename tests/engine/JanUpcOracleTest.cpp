// JAN and UPC symbols drawn by the component decode with zxing-cpp; JAN
// with an add-on decodes with its add-on when the reader looks for one.
#include "BarImage.h"
#include "Oracle.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using ZXing::BarcodeFormat;

struct Kind { const char *name; TBarTypes type; int digits; BarcodeFormat format; };

class JanUpcOracle : public ::testing::TestWithParam<Kind> {};

QString randomDigits(std::mt19937 &rng, int n, bool upce)
{
    std::uniform_int_distribution<int> d(0, 9);
    for (;;) {
        QString s;
        for (int i = 0; i < n; ++i)
            s += QChar(u'0' + d(rng));
        if (!upce)
            return s;
        s[0] = u'0';   // UPC-E exists for number system 0 only
        if (!UPCEToUPCA(s).isEmpty())
            return s;
    }
}

TEST_P(JanUpcOracle, RandomDataDecodesAtScalesOneToThree)
{
    const Kind k = GetParam();
    std::mt19937 rng(20261208u + unsigned(k.digits));
    int decoded = 0;
    for (int i = 0; i < 240; ++i) {
        const int scale = 1 + i % 3;
        const QString data = randomDigits(rng, k.digits, k.type == cbarUPC && k.digits == 7);
        TBarImage b;
        b.setMatch(true);
        b.setSymbolDisp(i % 2 == 0);
        b.setBarHeight(40 + 10 * scale);
        b.setScale(TSCale(scale));
        b.setBarType(k.type);
        b.ShowStartStop = true;
        b.setCode(data);
        ASSERT_FALSE(b.Error) << data.toStdString();
        // Every fifth symbol goes through the metafile and its replay.
        if (i % 5 == 4)
            b.setBarPicture(pbarEMF);
        const QImage img = b.Picture().toImage();
        const oracle::Decoded r = oracle::Decode(img, k.format);
        ASSERT_TRUE(r.ok) << k.name << " " << data.toStdString() << " at scale " << scale;
        EXPECT_EQ(r.text, b.Symbol().toStdString()) << data.toStdString();
        ++decoded;
    }
    EXPECT_EQ(decoded, 240);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JanUpcOracle, ::testing::Values(
    Kind{"EAN-13", cbarJAN, 12, BarcodeFormat::EAN13},
    Kind{"EAN-8", cbarJAN, 7, BarcodeFormat::EAN8},
    Kind{"UPC-A", cbarUPC, 11, BarcodeFormat::UPCA},
    Kind{"UPC-E", cbarUPC, 7, BarcodeFormat::UPCE}),
    [](const auto &i) { std::string n = i.param.name; n.erase(std::remove(n.begin(), n.end(), '-'), n.end()); return n; });

TEST(JanUpcOracle, GivenCheckDigitIsDrawnUnverified)
{
    // A wrong check digit is drawn as given: a reader refuses the symbol.
    TBarImage b;
    b.setMatch(true);
    b.setScale(2);
    b.setCode(QStringLiteral("4901234567890"));
    ASSERT_FALSE(b.Error);
    EXPECT_FALSE(oracle::Decode(b.Picture().bitmap(), BarcodeFormat::EAN13).ok);
    b.setCode(QStringLiteral("4901234567894"));
    EXPECT_EQ(oracle::Decode(b.Picture().bitmap(), BarcodeFormat::EAN13).text, "4901234567894");
}

} // namespace

#include "EmfWriter.h"
#include "LibreOffice.h"

namespace {

TEST(JanUpcOracle, EngineEmfOpensInLibreOfficeAndDecodes)
{
    const QString why = libreoffice::Unavailable();
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    TBarImage b;
    b.setMatch(true);
    b.setBarPicture(pbarEMF);
    b.setScale(2);
    b.setCode(QStringLiteral("4901234567894"));
    ASSERT_TRUE(b.Picture().isMetafile());
    const auto rendered = libreoffice::Render({{QStringLiteral("ean13.emf"), WriteEmf(b.Picture().metafile())}});
    ASSERT_EQ(rendered.size(), 1u);
    const QImage &page = rendered.front().page;
    ASSERT_FALSE(page.isNull());
    const QRect ink = libreoffice::InkBox(page);
    // At 96 dpi the bars come out at their own widths: the symbol is as wide
    // as the component drew it (bars only; the white quiet zones are not ink).
    EXPECT_EQ(ink.width(), 95 * 2);
    const oracle::Decoded r = oracle::Decode(page.copy(ink.adjusted(-20, -20, 20, 20)), ZXing::BarcodeFormat::EAN13);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.text, "4901234567894");
}

TEST(JanUpcOracle, AddOnIsReadWhenTheReaderAsksForIt)
{
    std::mt19937 rng(20261215u);
    for (int i = 0; i < 240; ++i) {
        const int scale = 1 + i % 3;
        const QString addOn = randomDigits(rng, i % 2 == 0 ? 2 : 5, false);
        const QString data = randomDigits(rng, 12, false) + u' ' + addOn;
        TBarImage b;
        b.setBarType(cbarJANADD);
        b.setMatch(true);
        b.setSymbolDisp(i % 4 < 2);   // the add-on's text over it, or none
        b.setBarHeight(40 + 10 * scale);
        b.setScale(TSCale(scale));
        b.setBarSpaceRight(5 * scale);
        b.setCode(data);
        ASSERT_FALSE(b.Error) << data.toStdString();
        const QImage img = b.Picture().toImage();
        ZXing::DecodeHints hints;
        hints.setFormats(BarcodeFormat::EAN13);
        hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Require);
        hints.setTryRotate(false);
        const oracle::Decoded r = oracle::Decode(img, hints);
        ASSERT_TRUE(r.ok) << data.toStdString() << " at scale " << scale;
        EXPECT_EQ(r.text, b.Symbol().toStdString()) << data.toStdString();
        // Without the request the main symbol alone is read.
        EXPECT_EQ(oracle::Decode(img, BarcodeFormat::EAN13).text, b.Symbol().left(13).toStdString());
    }
}

// The add-on's digits stand over its bars, which start one text line lower
// than the main symbol's and end level with them; the main digits go under
// the main symbol.
TEST(JanUpcOracle, AddOnTextAboveItsShortenedBars)
{
    TBarImage b;
    b.setBarType(cbarJANADD);
    b.setMatch(true);
    b.setBarPicture(pbarBMP);
    b.setBarSpaceUp(0);
    b.setBarSpaceDown(0);
    b.setBarSpaceLeft(0);
    b.setScale(2);
    b.setBarHeight(80);
    b.setCode(QStringLiteral("4912345123459 52495"));
    ASSERT_FALSE(b.Error);
    EXPECT_EQ(b.Symbol(), QStringLiteral("4912345123459 52495"));
    const QImage img = b.Picture().toImage();
    const int line = b.TextLineHeight();
    ASSERT_GT(line, 0);
    const auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    const auto inkRows = [&](int x) {
        int first = -1, last = -1;
        for (int y = 0; y < img.height(); ++y)
            if (dark(x, y)) {
                if (first < 0)
                    first = y;
                last = y;
            }
        return std::pair{first, last};
    };
    const int mainBar = 0, addOnBar = kJANAddOnStart * 2;   // the first module of each is a bar
    const auto [mainTop, mainBottom] = inkRows(mainBar);
    const auto [addOnTop, addOnBottom] = inkRows(addOnBar);
    EXPECT_EQ(mainTop, 0);
    EXPECT_EQ(mainBottom, 80 - line - 1);
    EXPECT_EQ(addOnBottom, mainBottom);
    // The add-on's first column has no text: its bar starts a text line down.
    EXPECT_EQ(addOnTop, line);
    // Text over the add-on, none over the main symbol's bars.
    auto inkIn = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (dark(x, y))
                    return true;
        return false;
    };
    EXPECT_TRUE(inkIn(addOnBar + 2, img.width(), 0, line));
    EXPECT_TRUE(inkIn(0, kJANMainModules * 2, 80 - line, 80)) << "the main digits under the main symbol";
    EXPECT_FALSE(inkIn(kJANMainModules * 2, img.width(), 80 - line, 80)) << "nothing under the add-on";
}

} // namespace
