// The texts of the QR assist form and its remembered addresses.
#include "QRAssist.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(QRAssist, Compositions)
{
    TMecard c;
    c.KFirstN = QStringLiteral("山田");
    c.KLastN = QStringLiteral("太郎");
    c.FirstN = QStringLiteral("ヤマダ");
    c.Phone1 = "012";
    EXPECT_EQ(ComposeMecard(c), QStringLiteral("MECARD:N:山田,太郎;SOUND:ヤマダ;TEL:012;;"));
    TMecard given;
    given.KLastN = QStringLiteral("太郎");
    EXPECT_EQ(ComposeMecard(given), "MECARD:;") << "a given name alone is dropped";
    TMecard all{"a", "b", "c", "d", "1", "2", "m1", "m2", "n"};
    EXPECT_EQ(ComposeMecard(all), "MECARD:N:a,b;SOUND:c,d;TEL:1;TEL:2;EMAIL:m1;EMAIL:m2;NOTE:n;;");

    EXPECT_EQ(ComposeMatmsg("a", "", "s", ""), "MATMSG:TO:a;SUB:s;;");
    EXPECT_EQ(ComposeMatmsg("a", "b", "s", "line 1\nline 2"), "MATMSG:TO:a;TO:b;SUB:s;BODY:line 1\nline 2;;");

    QString url = "x://y";
    EXPECT_EQ(ComposeMebkm("", url), "MEBKM:URL:x\\://y;;");
    EXPECT_EQ(url, "x\\://y") << "the field shows the escaped URL";
    EXPECT_EQ(ComposeMebkm("Site", url), "MEBKM:TITLE:Site;URL:x\\\\://y;;") << "composing again escapes again";
    QString none;
    EXPECT_EQ(ComposeMebkm("", none), "MEBKM:;");
}

TEST(QRAssist, WifiAndVCard)
{
    EXPECT_EQ(ComposeWifi("Home", "WPA", "pa;ss", false), "WIFI:T:WPA;S:Home;P:pa\\;ss;;");
    EXPECT_EQ(ComposeWifi("a:b\\c", "nopass", "ignored", true), "WIFI:T:nopass;S:a\\:b\\\\c;H:true;;");
    TMecard c;
    c.KFirstN = QStringLiteral("山田");
    c.KLastN = QStringLiteral("太郎");
    c.Phone1 = "012";
    c.Note = "a,b\nc";
    EXPECT_EQ(ComposeVCard(c), QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\nFN:山田 太郎\r\nTEL:012\r\n"
                                              "NOTE:a\\,b\\nc\r\nEND:VCARD\r\n"));
}

TEST(QRAssist, AddressListRulesAndFiles)
{
    TAddressList list;
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(list.Items(), (QStringList{"a", "b"}));
    list.Add("c");
    EXPECT_EQ(list.Items(), (QStringList{"a", "c", "b"})) << "a new address goes second";
    list.Add("A");
    list.Add("");
    EXPECT_EQ(list.Items(), (QStringList{"a", "c", "b"})) << "membership ignores case";

    QTemporaryDir dir;
    const QString ansi = dir.filePath("ansi.txt"), utf16 = dir.filePath("utf16.txt");
    ASSERT_EQ(list.Save(ansi), "");
    QFile f(ansi);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "a\nc\nb\n");
    f.close();

    QFile u(utf16);
    ASSERT_TRUE(u.open(QIODevice::WriteOnly));
    u.write(QByteArray("\xFF\xFE" "x\0@\0\r\0\n\0\xE5\x65\r\0\n\0", 16));   // x@, 日
    u.close();
    TAddressList wide;
    wide.Load(utf16);
    EXPECT_EQ(wide.Items(), (QStringList{"x@", QStringLiteral("日")}));
    wide.Add("new@");
    ASSERT_EQ(wide.Save(utf16), "");
    TAddressList again;
    again.Load(utf16);
    EXPECT_EQ(again.Encoding(), TTextEncoding::Utf16LE) << "the file keeps its encoding";
    EXPECT_EQ(again.Items(), (QStringList{"x@", "new@", QStringLiteral("日")}));

    TAddressList empty;
    empty.Load(dir.filePath("missing.txt"));
    EXPECT_TRUE(empty.Items().isEmpty());
    EXPECT_EQ(empty.Save(ansi), "");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "a\nc\nb\n") << "an empty list leaves the file alone";
}

TEST(QRAssist, AFifoIsReadWithoutWaitingAndNeverWritten)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("Address.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TAddressList list;
    list.Load(fifo);   // nobody writes into it: no waiting for a writer
    EXPECT_TRUE(list.Damaged());
    EXPECT_TRUE(list.Items().isEmpty());
    list.Add("new@z");
    EXPECT_NE(list.Save(fifo), "") << "nobody reads from it either";
}

} // namespace
