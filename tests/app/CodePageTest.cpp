#include "CodePage.h"
#include "FileNames.h"

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

TEST(FileNames, AnyBytesSurviveTheRoundTrip)
{
    for (const QByteArray &bytes : {QByteArray("plain.png"), QByteArray("日本語.bmp"), QByteArray("a\xff\xfe" "b.png"),
                                    QByteArray("\xed\xa0\x80x"),   // an encoded surrogate is no UTF-8
                                    QByteArray("\xc0\xaf"),          // nor an overlong "/"
                                    QByteArray("\xe6\x97")}) {       // a cut sequence
        const QString name = DecodeFileName(bytes);
        EXPECT_EQ(EncodeFileName(name), bytes) << bytes.toHex().constData();
    }
    EXPECT_EQ(DecodeFileName("日本語"), QStringLiteral("日本語"));
    EXPECT_EQ(EncodeFileName(QStringLiteral("😀")), QByteArray("\xf0\x9f\x98\x80"));
}

} // namespace
