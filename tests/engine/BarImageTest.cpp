// The component's properties: initial values, setter rules, events and the
// common front of both renderers.
#include "BarImage.h"
#include "Clipboard.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <tuple>

namespace {

// Counts drawings through the component's own events.
struct Counted : TBarImage {
    int paints = 0, painted = 0;
    Counted()
    {
        OnPaintBar = [this](TBarImage &) { ++paints; };
        OnPaintedBar = [this](TBarImage &) { ++painted; };
    }
};

TEST(BarImageProperties, InitialValues)
{
    TBarImage b;
    EXPECT_EQ(b.BarType(), cbarJAN);
    EXPECT_TRUE(b.Code().isEmpty());
    EXPECT_EQ(b.CommentUpLoc(), locLeft);
    EXPECT_EQ(b.CommentDownLoc(), locLeft);
    EXPECT_EQ(b.StartChar(), u'A');
    EXPECT_EQ(b.StopChar(), u'A');
    EXPECT_FALSE(b.CD());
    EXPECT_EQ(b.Scale(), 1);
    EXPECT_TRUE(b.SymbolDisp());
    EXPECT_FALSE(b.Transparent());
    EXPECT_EQ(b.BarColor(), 0x000000u);
    EXPECT_EQ(b.BackColor(), 0xFFFFFFu);
    EXPECT_EQ(b.BarWidth(), 0);
    EXPECT_EQ(b.BarHeight(), 105);
    EXPECT_EQ(b.BarLeft(), 0);
    EXPECT_EQ(b.BarTop(), 0);
    EXPECT_EQ(b.BarSpaceUp(), 0);
    EXPECT_EQ(b.BarSpaceDown(), 0);
    EXPECT_EQ(b.BarSpaceLeft(), 10);
    EXPECT_EQ(b.BarSpaceRight(), 10);
    EXPECT_FALSE(b.Match());
    EXPECT_EQ(b.BarPicture(), pbarBMP);
    EXPECT_EQ(b.ElementRatio(), 20);
    EXPECT_TRUE(b.BarEnabled());
    EXPECT_FALSE(b.BarDisped());
    EXPECT_EQ(b.BarFrame(), 0);
    EXPECT_FALSE(b.Error);
    EXPECT_FALSE(b.ShowStartStop);
    EXPECT_FALSE(b.StartStopChar);
    EXPECT_EQ(b.BarFont().pointSize(), 9);
}

// Which setters redraw: every row sets one property on a component that has
// data, and says whether a drawing follows.
struct SetterCase {
    const char *name;
    TBarTypes type;
    std::function<void(TBarImage &)> set;
    bool redraws;
};

class SetterRedraws : public ::testing::TestWithParam<SetterCase> {};

TEST_P(SetterRedraws, WithCode)
{
    const SetterCase &c = GetParam();
    Counted b;
    b.setBarType(c.type);
    b.setCode(QStringLiteral("4901234567894"));
    b.paints = 0;
    c.set(b);
    EXPECT_EQ(b.paints, c.redraws ? 1 : 0) << c.name;
}

TEST_P(SetterRedraws, NeverWithoutCode)
{
    const SetterCase &c = GetParam();
    Counted b;
    b.setBarType(c.type);
    b.paints = 0;
    c.set(b);
    EXPECT_EQ(b.paints, 0) << c.name;
}

const QFont kOtherFont(QStringLiteral("DejaVu Sans"), 12);

INSTANTIATE_TEST_SUITE_P(Table, SetterRedraws, ::testing::Values(
    SetterCase{"BarType", cbarJAN, [](TBarImage &b) { b.setBarType(cbarUPC); }, true},
    SetterCase{"CommentUp", cbarJAN, [](TBarImage &b) { b.setCommentUp("x"); }, true},
    SetterCase{"CommentDown", cbarJAN, [](TBarImage &b) { b.setCommentDown("x"); }, true},
    SetterCase{"CommentUpLoc without comment", cbarJAN, [](TBarImage &b) { b.setCommentUpLoc(locRight); }, false},
    SetterCase{"CommentDownLoc without comment", cbarJAN, [](TBarImage &b) { b.setCommentDownLoc(locRight); }, false},
    SetterCase{"StartChar for JAN", cbarJAN, [](TBarImage &b) { b.setStartChar(u'B'); }, false},
    SetterCase{"StartChar for NW-7", cbarNW7, [](TBarImage &b) { b.setStartChar(u'B'); }, true},
    SetterCase{"StartChar for Code 128", cbarCODE128, [](TBarImage &b) { b.setStartChar(u'B'); }, true},
    SetterCase{"StopChar for NW-7", cbarNW7, [](TBarImage &b) { b.setStopChar(u'B'); }, true},
    SetterCase{"StopChar for Code 128", cbarCODE128, [](TBarImage &b) { b.setStopChar(u'B'); }, false},
    SetterCase{"CD for JAN", cbarJAN, [](TBarImage &b) { b.setCD(true); }, false},
    SetterCase{"CD for UPC", cbarUPC, [](TBarImage &b) { b.setCD(true); }, false},
    SetterCase{"CD for IATA", cbarIATA, [](TBarImage &b) { b.setCD(true); }, false},
    SetterCase{"CD for Code 128", cbarCODE128, [](TBarImage &b) { b.setCD(true); }, false},
    SetterCase{"CD for customer", cbarCUSTOMER, [](TBarImage &b) { b.setCD(true); }, false},
    SetterCase{"CD for Code 93", cbarCODE93, [](TBarImage &b) { b.setCD(true); }, false},
    SetterCase{"CD for Code 39", cbarCODE39, [](TBarImage &b) { b.setCD(true); }, true},
    SetterCase{"CD for NW-7", cbarNW7, [](TBarImage &b) { b.setCD(true); }, true},
    SetterCase{"CD for ITF", cbarITF, [](TBarImage &b) { b.setCD(true); }, true},
    SetterCase{"CD for CTF", cbarCTF, [](TBarImage &b) { b.setCD(true); }, true},
    SetterCase{"CD for Matrix", cbarMATRIX, [](TBarImage &b) { b.setCD(true); }, true},
    SetterCase{"CD for NEC", cbarNEC, [](TBarImage &b) { b.setCD(true); }, true},
    SetterCase{"Scale", cbarJAN, [](TBarImage &b) { b.setScale(2); }, true},
    SetterCase{"SymbolDisp", cbarJAN, [](TBarImage &b) { b.setSymbolDisp(false); }, true},
    SetterCase{"BarColor", cbarJAN, [](TBarImage &b) { b.setBarColor(0xFF); }, true},
    SetterCase{"BackColor", cbarJAN, [](TBarImage &b) { b.setBackColor(0xFF); }, true},
    SetterCase{"BarLeft", cbarJAN, [](TBarImage &b) { b.setBarLeft(3); }, true},
    SetterCase{"BarTop", cbarJAN, [](TBarImage &b) { b.setBarTop(3); }, true},
    SetterCase{"BarFrame", cbarJAN, [](TBarImage &b) { b.setBarFrame(3); }, true},
    SetterCase{"BarFont", cbarJAN, [](TBarImage &b) { b.setBarFont(&kOtherFont); }, true},
    SetterCase{"BarFont null", cbarJAN, [](TBarImage &b) { b.setBarFont(nullptr); }, false},
    SetterCase{"BarFont own object", cbarJAN, [](TBarImage &b) { b.setBarFont(&b.BarFont()); }, false},
    SetterCase{"BarFont without text line", cbarJAN, [](TBarImage &b) { b.setSymbolDisp(false); static_cast<Counted &>(b).paints = 0; b.setBarFont(&kOtherFont); }, false},
    SetterCase{"Transparent", cbarJAN, [](TBarImage &b) { b.setTransparent(true); }, true},
    SetterCase{"BarHeight", cbarJAN, [](TBarImage &b) { b.setBarHeight(60); }, true},
    SetterCase{"BarHeight for customer", cbarCUSTOMER, [](TBarImage &b) { b.setBarHeight(60); }, false},
    SetterCase{"BarSpaceUp", cbarJAN, [](TBarImage &b) { b.setBarSpaceUp(1); }, true},
    SetterCase{"BarSpaceDown", cbarJAN, [](TBarImage &b) { b.setBarSpaceDown(1); }, true},
    SetterCase{"BarSpaceLeft", cbarJAN, [](TBarImage &b) { b.setBarSpaceLeft(1); }, true},
    SetterCase{"BarSpaceRight", cbarJAN, [](TBarImage &b) { b.setBarSpaceRight(1); }, true},
    SetterCase{"Match", cbarJAN, [](TBarImage &b) { b.setMatch(true); }, true},
    SetterCase{"BarPicture without Match", cbarJAN, [](TBarImage &b) { b.setBarPicture(pbarEMF); }, false},
    SetterCase{"ElementRatio for JAN", cbarJAN, [](TBarImage &b) { b.setElementRatio(25); }, false},
    SetterCase{"ElementRatio for Code 128", cbarCODE128, [](TBarImage &b) { b.setElementRatio(25); }, false},
    SetterCase{"ElementRatio for Code 93", cbarCODE93, [](TBarImage &b) { b.setElementRatio(25); }, false},
    SetterCase{"ElementRatio for Code 39", cbarCODE39, [](TBarImage &b) { b.setElementRatio(25); }, true},
    SetterCase{"ElementRatio for NEC", cbarNEC, [](TBarImage &b) { b.setElementRatio(25); }, true},
    SetterCase{"BarEnabled already on", cbarJAN, [](TBarImage &b) { b.setBarEnabled(true); }, false},
    SetterCase{"BarEnabled off", cbarJAN, [](TBarImage &b) { b.setBarEnabled(false); }, false}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

TEST(BarImageProperties, CommentLocRedrawsOnlyWithItsComment)
{
    Counted b;
    b.setCode("4901234567894");
    b.setCommentUp("up");
    b.setCommentDown("down");
    b.paints = 0;
    b.setCommentUpLoc(locCenter);
    b.setCommentDownLoc(locRight);
    EXPECT_EQ(b.paints, 2);
}

TEST(BarImageProperties, StartAndStopCharAreClampedToAToD)
{
    TBarImage b;
    for (QChar c : {QChar(u'A'), QChar(u'B'), QChar(u'C'), QChar(u'D')}) {
        b.setStartChar(c);
        b.setStopChar(c);
        EXPECT_EQ(b.StartChar(), c);
        EXPECT_EQ(b.StopChar(), c);
    }
    for (QChar c : {QChar(u'*'), QChar(u'a'), QChar(u'E'), QChar(), QChar(0x3042)}) {
        b.setStartChar(c);
        b.setStopChar(c);
        EXPECT_EQ(b.StartChar(), u'A');
        EXPECT_EQ(b.StopChar(), u'A');
    }
}

TEST(BarImageProperties, NegativeSpacesBecomeZero)
{
    TBarImage b;
    b.setBarSpaceUp(-1);
    b.setBarSpaceDown(-5);
    b.setBarSpaceLeft(-100);
    b.setBarSpaceRight(INT_MIN);
    EXPECT_EQ(b.BarSpaceUp(), 0);
    EXPECT_EQ(b.BarSpaceDown(), 0);
    EXPECT_EQ(b.BarSpaceLeft(), 0);
    EXPECT_EQ(b.BarSpaceRight(), 0);
}

TEST(BarImageProperties, TransparentMatchAndPictureKindExcludeEachOther)
{
    TBarImage b;
    b.setBarPicture(pbarEMF);
    EXPECT_EQ(b.BarPicture(), pbarBMP) << "a metafile needs Match";
    b.setMatch(true);
    b.setBarPicture(pbarEMF);
    EXPECT_EQ(b.BarPicture(), pbarEMF);
    b.setTransparent(true);
    EXPECT_FALSE(b.Match());
    EXPECT_EQ(b.BarPicture(), pbarBMP);
    b.setMatch(true);
    EXPECT_FALSE(b.Transparent());
    b.setBarPicture(pbarWMF);
    b.setMatch(false);
    EXPECT_EQ(b.BarPicture(), pbarBMP);
}

TEST(BarImageProperties, PlainFieldsTakeEffectAtTheNextDrawing)
{
    Counted b;
    b.setMatch(true);
    b.setCode("490123456789");
    ASSERT_EQ(b.Symbol(), "490123456789") << "the data as typed";
    const QImage before = b.Picture().bitmap();
    b.ShowStartStop = true;
    EXPECT_EQ(b.Symbol(), "490123456789");
    EXPECT_EQ(b.Picture().bitmap(), before);
    b.RepaintBarcode();
    EXPECT_EQ(b.Symbol(), "4901234567894") << "the encoder's text, with the check digit";
}

TEST(BarImageDrawing, EmptyCodeDrawsNothingAndKeepsError)
{
    Counted b;
    b.setMatch(true);
    b.setCode("4901234567894");
    ASSERT_TRUE(b.BarDisped());
    const QImage before = b.Picture().bitmap();
    b.Error = true;
    b.paints = 0;
    b.setCode(QString());
    EXPECT_EQ(b.paints, 0);
    EXPECT_TRUE(b.BarDisped());
    EXPECT_TRUE(b.Error);
    b.RepaintBarcode();
    EXPECT_EQ(b.paints, 1);
    EXPECT_FALSE(b.BarDisped());
    EXPECT_TRUE(b.Error);
    EXPECT_EQ(b.Picture().bitmap(), before);
}

TEST(BarImageDrawing, EventsAndTheirOrder)
{
    std::string order;
    TBarImage b;
    b.OnPaintBar = [&](TBarImage &x) { order += x.BarDisped() ? "B1" : "B0"; };
    b.OnPaintedBar = [&](TBarImage &x) { order += x.Error ? "E" : "D"; };
    b.setCode("4901234567894");
    EXPECT_EQ(order, "B0D");
    order.clear();
    b.setCode("49012345678");   // 11 digits: rejected
    EXPECT_EQ(order, "B1E") << "OnPaintedBar fires after a failed drawing too";
    order.clear();
    b.setBarEnabled(false);
    b.RepaintBarcode();
    EXPECT_EQ(order, "B0") << "OnPaintBar only, when drawing is off";
    order.clear();
    b.setCode("4901234567894");
    EXPECT_EQ(order, "B0");
    order.clear();
    b.setBarEnabled(true);
    EXPECT_EQ(order, "B0D");
}

TEST(BarImageDrawing, RejectedDataKeepsPreviousBitmapOrShowsBitmapForMetafileKinds)
{
    TBarImage b;
    b.setMatch(true);
    b.setCode("4901234567894");
    const QImage good = b.Picture().bitmap();
    b.setCode("12");
    EXPECT_TRUE(b.Error);
    EXPECT_FALSE(b.BarDisped());
    EXPECT_TRUE(b.Symbol().isEmpty());
    EXPECT_EQ(b.Picture().bitmap(), good);

    b.setBarPicture(pbarEMF);
    b.setCode("4901234567894");
    ASSERT_TRUE(b.Picture().isMetafile());
    b.setCode("12");
    EXPECT_TRUE(b.Error);
    EXPECT_TRUE(b.Picture().isBitmap()) << "the metafile is discarded before drawing";
}

TEST(BarImageDrawing, ErrorClearsOnTheNextGoodDrawing)
{
    TBarImage b;
    b.setCode("x");
    EXPECT_TRUE(b.Error);
    b.setCode("4901234567894");
    EXPECT_FALSE(b.Error);
    EXPECT_TRUE(b.BarDisped());
}

struct WidthCase { TBarTypes type; int scale; int ratio; char digit; int pixels; };
class ElementWidths : public ::testing::TestWithParam<WidthCase> {};

TEST_P(ElementWidths, Pixels)
{
    const auto &c = GetParam();
    TBarImage b;
    b.setBarType(c.type);
    b.setScale(TSCale(c.scale));
    b.setElementRatio(TElementRatio(c.ratio));
    EXPECT_EQ(b.ElementWidth(c.digit), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Table, ElementWidths, ::testing::Values(
    WidthCase{cbarCODE39, 1, 25, '3', 2}, WidthCase{cbarCODE39, 2, 25, '3', 5},
    WidthCase{cbarCODE39, 1, 29, '3', 2}, WidthCase{cbarCODE39, 1, 30, '3', 3},
    WidthCase{cbarCODE39, 3, 20, '3', 6}, WidthCase{cbarCODE39, 3, 30, '1', 3},
    WidthCase{cbarNEC, 2, 25, '2', 5}, WidthCase{cbarITF, 3, 27, '2', 8},
    WidthCase{cbarCODE128, 2, 25, '3', 4}, WidthCase{cbarCODE128, 1, 30, '7', 4},
    WidthCase{cbarCODE93, 2, 30, '5', 6}, WidthCase{cbarJAN, 3, 30, '1', 3}));

TEST(BarImageUpc, RepaintUPCA2EAndBack)
{
    TBarImage b;
    b.setBarType(cbarUPC);
    b.setCode("01234500005");
    ASSERT_TRUE(b.BarDisped());
    b.RepaintUPCA2E();
    EXPECT_EQ(b.Code(), "0123455");
    EXPECT_TRUE(b.BarDisped());
    b.RepaintUPCE2A();
    EXPECT_EQ(b.Code(), "01234500005");
    EXPECT_TRUE(b.BarDisped());
}

TEST(BarImageUpc, NotCompressibleOrWrongStateLeavesCodeAndClearsBarDisped)
{
    TBarImage b;
    b.setBarType(cbarUPC);
    b.setCode("03600029145");
    ASSERT_TRUE(b.BarDisped());
    b.RepaintUPCA2E();
    EXPECT_EQ(b.Code(), "03600029145");
    EXPECT_FALSE(b.BarDisped());

    b.setCode("0123455");          // UPC-E, but RepaintUPCA2E wants 11 digits
    b.RepaintUPCA2E();
    EXPECT_EQ(b.Code(), "0123455");
    EXPECT_FALSE(b.BarDisped());

    b.setBarType(cbarJAN);
    b.setCode("01234500005");      // right length, wrong symbology
    b.RepaintUPCA2E();
    EXPECT_EQ(b.Code(), "01234500005");
    EXPECT_FALSE(b.BarDisped());
}

TEST(BarImageLimits, AbsurdPictureIsAFailedDrawing)
{
    for (TBarPictures kind : {pbarBMP, pbarEMF}) {
        TBarImage b;
        b.setMatch(true);
        b.setBarPicture(kind);
        b.setCode("4901234567894");
        ASSERT_FALSE(b.Error);
        b.setBarSpaceLeft(40000);
        EXPECT_TRUE(b.Error) << "too wide";
        b.setBarSpaceLeft(10);
        EXPECT_FALSE(b.Error);
        b.setBarHeight(INT_MAX);
        EXPECT_TRUE(b.Error) << "too high";
        b.setBarHeight(50);
        b.setBarTop(INT_MAX);
        EXPECT_TRUE(b.Error) << "no overflow";
    }
}

// Properties near the ends of the integer range, with every text and a
// frame, so that every sum of the layout is taken: nothing may overflow (the
// sanitizer build checks), a picture too large is a failed drawing, and
// without Match whatever lies outside the bitmap is lost, not wrapped into it.
struct LimitCase {
    const char *name;
    int left, top, spaceLeft, spaceRight, spaceUp, spaceDown;
    bool fits;   // the picture W x H is small enough
};
enum class Drawing { RasterMatch, MetafileMatch, RasterWithoutMatch };
class ExtremeLayout : public ::testing::TestWithParam<std::tuple<LimitCase, Drawing>> {};

void drawExtreme(TBarImage &b, const LimitCase &c, bool match, TBarPictures kind)
{
    b.setBarEnabled(false);
    b.setCode("4901234567894");
    b.setMatch(match);
    b.setBarPicture(kind);
    b.setBarFrame(3);
    b.setCommentUp("UP");
    b.setCommentDown("DOWN");
    b.setBarLeft(c.left);
    b.setBarTop(c.top);
    b.setBarSpaceLeft(c.spaceLeft);
    b.setBarSpaceRight(c.spaceRight);
    b.setBarSpaceUp(c.spaceUp);
    b.setBarSpaceDown(c.spaceDown);
    b.setBarEnabled(true);
}

TEST_P(ExtremeLayout, NeverWrapsAround)
{
    const auto &[c, drawing] = GetParam();
    TBarImage b;
    if (drawing == Drawing::RasterWithoutMatch) {
        drawExtreme(b, c, false, pbarBMP);
        ASSERT_FALSE(b.Error);
        // The bitmap the control started with holds what falls into it, the
        // same pixels as the matched picture there; else it stays white.
        QImage expected(105, 105, QImage::Format_RGB888);
        expected.fill(Qt::white);
        if (c.fits) {
            TBarImage matched;
            drawExtreme(matched, c, true, pbarBMP);
            QPainter p(&expected);
            p.drawImage(0, 0, matched.Picture().bitmap());
        }
        EXPECT_EQ(b.Picture().bitmap(), expected);
        return;
    }
    drawExtreme(b, c, true, drawing == Drawing::RasterMatch ? pbarBMP : pbarEMF);
    ASSERT_EQ(b.Error, !c.fits);
    if (!c.fits)
        return;
    const qint64 W = qint64(c.left) + c.spaceLeft + b.BarWidth() + c.spaceRight;
    const qint64 H = qint64(c.top) + c.spaceUp + b.BarHeight() + c.spaceDown;
    EXPECT_EQ(qint64(b.Width()), W);
    EXPECT_EQ(qint64(b.Height()), H);
    // Rectangles are recorded as far as they lie in the picture.
    for (const TMetaRecord &r : b.Picture().metafile().records()) {
        if (r.kind == TMetaRecord::FillRect) {
            EXPECT_TRUE(QRect(0, 0, b.Width(), b.Height()).contains(r.rect));
        }
    }
}

std::string extremeName(const ::testing::TestParamInfo<ExtremeLayout::ParamType> &info)
{
    static const char *const kDrawings[] = {"RasterMatch", "MetafileMatch", "RasterWithoutMatch"};
    return std::string(std::get<0>(info.param).name) + "_" + kDrawings[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Table, ExtremeLayout, ::testing::Combine(::testing::Values(
    LimitCase{"TopAtTheEndSpaceUpOne", 0, INT_MAX, 10, 10, 1, 0, false},
    LimitCase{"LeftAtTheEndSpaceLeftTen", INT_MAX, 0, 10, 10, 0, 0, false},
    LimitCase{"LeftNearTheEndEverySpaceLarge", INT_MAX - 5, 0, INT_MAX, INT_MAX, 7, 7, false},
    LimitCase{"TopNearTheEndEverySpaceLarge", 0, INT_MAX - 5, 7, 7, INT_MAX, INT_MAX, false},
    LimitCase{"EverythingAtTheEnd", INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, false},
    LimitCase{"LeftAtTheStartSpaceLeftAtTheEnd", INT_MIN, 0, INT_MAX, 10, 0, 0, true},
    LimitCase{"TopAtTheStartSpaceUpAtTheEnd", 0, INT_MIN, 10, 10, INT_MAX, 0, true},
    LimitCase{"LeftAndTopAtTheStart", INT_MIN, INT_MIN, 10, 10, 10, 10, false}),
    ::testing::Values(Drawing::RasterMatch, Drawing::MetafileMatch, Drawing::RasterWithoutMatch)),
    extremeName);

// An in-memory clipboard.
struct MemClipboard : IClipboard {
    QString kind;
    QImage image;
    QByteArray bytes;
    TMetafilePict pict;
    bool refuse = false;
    bool setBitmap(const QImage &i) override { kind = "bitmap"; image = i; return !refuse; }
    bool setEnhancedMetafile(const QByteArray &b, const QImage &) override { kind = "emf"; bytes = b; return !refuse; }
    bool setWindowsMetafile(const QByteArray &b, const TMetafilePict &p, const QImage &) override { kind = "wmf"; bytes = b; pict = p; return !refuse; }
    bool setText(const QString &) override { kind = "text"; return !refuse; }
};

TEST(BarImageClipboard, CopyFollowsPictureKind)
{
    MemClipboard cb;
    TBarImage::SetClipboard(&cb);
    TBarImage b;
    b.setMatch(true);
    b.setCode("4901234567894");
    EXPECT_TRUE(b.CopyToClipboard());
    EXPECT_EQ(cb.kind, "bitmap");
    EXPECT_EQ(cb.image, b.Picture().bitmap());

    b.setBarPicture(pbarEMF);
    EXPECT_TRUE(b.CopyToClipboard());
    EXPECT_EQ(cb.kind, "emf");

    b.setBarPicture(pbarWMF);
    b.CopyToClipboard();
    EXPECT_EQ(cb.kind, "wmf");
    EXPECT_EQ(cb.pict.mm, 8);
    // 0.01 mm at 96 dpi: 2540 per 96 pixels.
    EXPECT_NEAR(cb.pict.xExt, b.Picture().width() * 2540 / 96, 1);
    EXPECT_NEAR(cb.pict.yExt, b.Picture().height() * 2540 / 96, 1);

    // After a failed drawing the picture goes as whatever it holds (a bitmap).
    b.setCode("1");
    b.CopyToClipboard();
    EXPECT_EQ(cb.kind, "bitmap");

    cb.refuse = true;
    b.setCode("4901234567894");
    EXPECT_FALSE(b.CopyToClipboard()) << "a refusal reaches the caller";
    TBarImage::SetClipboard(nullptr);
    EXPECT_FALSE(b.CopyToClipboard());
}

} // namespace
