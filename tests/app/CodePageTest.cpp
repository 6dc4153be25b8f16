#include "CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, Utf8LocaleRoundTripsAndLoneSurrogatesBecomeQuestionMarks)
{
    // Qt runs with a UTF-8 locale (it switches a plain C locale to C.UTF-8).
    ASSERT_EQ(AnsiCodeSet().toUpper().replace("-", ""), "UTF8");
    const QString text = QStringLiteral("ABC 日本語 😀");
    EXPECT_EQ(FromAnsi(ToAnsi(text)), text);
    QString lone = QStringLiteral("a");
    lone += QChar(0xD800);
    lone += u'b';
    EXPECT_EQ(ToAnsi(lone), QByteArray("a?b"));
}

} // namespace
