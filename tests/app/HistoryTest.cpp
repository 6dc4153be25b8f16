#include "ControlStates.h"
#include "HistoryEx.h"

#include <gtest/gtest.h>

namespace {

TEST(History, AppendMovesDuplicatesToTheTop)
{
    THistoryEx h;
    EXPECT_EQ(h.Count(), -1);
    h.Append("A");
    h.Append("B");
    h.Append("A");
    EXPECT_EQ(h.History(), (QStringList{"A", "B"}));
    EXPECT_EQ(h.Count(), 2);
}

TEST(History, EleventhEntryDropsTheOldest)
{
    THistoryEx h;
    for (int i = 0; i < 11; ++i)
        h.Append(QString::number(i));
    ASSERT_EQ(h.History().size(), 10);
    EXPECT_EQ(h.History().front(), "10");
    EXPECT_EQ(h.History().back(), "1");
}

TEST(History, ComparisonIsExactAndEmptyEntriesCount)
{
    THistoryEx h;
    h.Append("abc");
    h.Append("ABC");
    h.Append("");
    EXPECT_EQ(h.History(), (QStringList{"", "ABC", "abc"}));
}

TEST(History, ClearGivesMinusOneAndTheComboMirrors)
{
    TListState combo("CodeHistory");
    THistoryEx h;
    h.ComboBox = &combo;
    h.Append("X");
    h.Append("Y");
    EXPECT_EQ(combo.Items(), (QStringList{"Y", "X"}));
    EXPECT_EQ(combo.Text(), "Y");
    h.Clear();
    EXPECT_EQ(h.Count(), -1);
    EXPECT_TRUE(h.History().isEmpty());
}

} // namespace
