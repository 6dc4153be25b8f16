// The colour palette: mouse, keys and the selection rules for outside colours.
#include "ColorPalette.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QPoint centre(const TColorPalette &p, int cell) { return p.cellRect(cell).center(); }

TEST(ColorPalette, FiftyTwoColoursInFourRowsOfThirteen)
{
    const auto &c = TColorPalette::Colors();
    ASSERT_EQ(c.size(), 52u);
    EXPECT_EQ(c[0], 0xFFFFFFu);
    EXPECT_EQ(c[12], 0xCC99FFu);
    EXPECT_EQ(c[13], 0xCCCCCCu);
    EXPECT_EQ(c[39], 0x000000u);
    EXPECT_EQ(c[51], 0x330066u);
    TColorPalette p;
    EXPECT_EQ(p.cellAt(centre(p, 14)), 14);
    EXPECT_EQ(p.cellAt(QPoint(-1, 3)), -1);
}

TEST(ColorPalette, NewPaletteSelectsTheFirstCellForBoth)
{
    TColorPalette p;
    EXPECT_EQ(p.foregroundColor(), 0xFFFFFFu);
    EXPECT_EQ(p.backgroundColor(), 0xFFFFFFu);
}

TEST(ColorPalette, LeftClickForegroundRightClickBackground)
{
    TColorPalette p;
    p.show();
    QSignalSpy spy(&p, &TColorPalette::selectionChanged);
    QTest::mouseClick(&p, Qt::LeftButton, {}, centre(p, 14));
    EXPECT_EQ(p.foregroundColor(), 0x3333FFu);
    EXPECT_EQ(p.backgroundColor(), 0xFFFFFFu);
    QTest::mouseClick(&p, Qt::RightButton, {}, centre(p, 40));
    EXPECT_EQ(p.backgroundColor(), 0x000066u);
    EXPECT_EQ(p.foregroundColor(), 0x3333FFu);
    EXPECT_EQ(spy.count(), 2);
}

struct KeyCase { const char *name; int start; Qt::Key key; int focus; };
class PaletteKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(PaletteKeys, ArrowsMoveTheFocusAndWrap)
{
    const auto &c = GetParam();
    TColorPalette p;
    p.show();
    QTest::mouseClick(&p, Qt::LeftButton, {}, centre(p, c.start));   // focus there
    QTest::keyClick(&p, c.key);
    EXPECT_EQ(p.focusCell(), c.focus) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, PaletteKeys, ::testing::Values(
    KeyCase{"right", 0, Qt::Key_Right, 1}, KeyCase{"left wraps to the end", 0, Qt::Key_Left, 51},
    KeyCase{"right wraps to the start", 51, Qt::Key_Right, 0}, KeyCase{"down", 5, Qt::Key_Down, 18},
    KeyCase{"down from the last row wraps", 45, Qt::Key_Down, 6},
    KeyCase{"up from the first row wraps", 3, Qt::Key_Up, 42}),
    [](const auto &i) { std::string n = i.param.name; for (char &ch : n) if (ch == ' ') ch = '_'; return n; });

TEST(ColorPalette, FAndBPickTheFocusedCellInEitherCase)
{
    for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        TColorPalette p;
        p.show();
        p.setFocus();
        QTest::keyClick(&p, Qt::Key_Right);
        QTest::keyClick(&p, Qt::Key_Right);
        QTest::keyClick(&p, Qt::Key_F, mods);
        EXPECT_EQ(p.foregroundCell(), 2);
        QTest::keyClick(&p, Qt::Key_Down);
        QTest::keyClick(&p, Qt::Key_B, mods);
        EXPECT_EQ(p.backgroundCell(), 15);
        EXPECT_EQ(p.foregroundCell(), 2);
    }
}

TEST(ColorPalette, OutsideColoursSelectTheFirstEqualCellOrNothing)
{
    TColorPalette p;
    p.setForegroundColor(0x000000);
    EXPECT_EQ(p.foregroundCell(), 39);
    p.setForegroundColor(0x123456);   // not in the palette
    EXPECT_EQ(p.foregroundCell(), 39) << "the selection stays";
    p.setBackgroundColor(0x0000FF);   // pure red is not one of the 52
    EXPECT_EQ(p.backgroundCell(), 0);
    EXPECT_EQ(p.backgroundColor(), 0xFFFFFFu);
}

} // namespace
