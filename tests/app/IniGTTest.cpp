// The settings file over real files: the forms each kind is written in,
// what hand edits keep, the encodings, and files that are not settings.
#include "HistoryEx.h"
#include "IniGT.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class IniFile : public ::testing::Test
{
protected:
    void SetUp() override { ini.setFileName(dir.filePath("zebrixd.ini")); }
    QString text() { return QString::fromUtf8(readAll(dir.filePath("zebrixd.ini"))); }
    QTemporaryDir dir;
    TIniGT ini;
};

TEST_F(IniFile, EveryKindRoundTripsInItsForm)
{
    ini.WriteInt("Options", "BarHeight", -50);
    ini.WriteBool("Options", "AutoCopy", true);
    ini.WriteHex("Options", "Colour", 255);
    ini.WriteQuoted("Desktop", "LastStr", QStringLiteral(" 490 日本 "));
    ini.WriteFloat("Options", "Ratio", 2.5);
    const QDateTime when(QDate(2026, 12, 8), QTime(18, 0));
    ini.WriteDateTime("Options", "When", when);
    EXPECT_EQ(text().toStdString(), "[Options]\nBarHeight=-50\nAutoCopy=1\nColour=0x000000FF\nRatio=2.5\nWhen=46364.75\n"
                      "[Desktop]\nLastStr=\" 490 日本 \"\n");
    EXPECT_EQ(ini.ReadInt("options", "barheight", 0), -50) << "sections and keys match in any case";
    EXPECT_TRUE(ini.ReadBool("Options", "AutoCopy", false));
    EXPECT_EQ(ini.ReadHex("Options", "Colour", 0), 255u);
    EXPECT_EQ(ini.ReadStr("Desktop", "LastStr", ""), QStringLiteral(" 490 日本 ")) << "blanks survive in quotes";
    EXPECT_EQ(ini.ReadFloat("Options", "Ratio", 0), 2.5);
    EXPECT_EQ(ini.ReadDateTime("Options", "When", {}), when);
    EXPECT_EQ(ini.ReadInt("Options", "Missing", 7), 7);
    EXPECT_EQ(ini.ReadHex("Options", "Missing", 0xABCDEF), 0xABCDEFu);
}

TEST_F(IniFile, IntegerAndHexReadRules)
{
    writeAll(dir.filePath("zebrixd.ini"),
             "[A]\nhex=0x1F\nHEX2=0X10\nbad=12abc\nempty=\nspaced =  42  \nbig=99999999999\n"
             "h1=0x000000ff\nh2=255\nh3=0xZZ\nh4=\n");
    EXPECT_EQ(ini.ReadInt("A", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInt("A", "hex2", 0), 16);
    EXPECT_EQ(ini.ReadInt("A", "bad", -1), -1);
    EXPECT_EQ(ini.ReadInt("A", "empty", -1), -1);
    EXPECT_EQ(ini.ReadInt("A", "spaced", 0), 42);
    EXPECT_EQ(ini.ReadInt("A", "big", -1), -1);
    EXPECT_EQ(ini.ReadHex("A", "h1", 0), 255u);
    EXPECT_EQ(ini.ReadHex("A", "h2", 0), 5u) << "the first two characters are skipped, whatever they are";
    EXPECT_THROW(ini.ReadHex("A", "h3", 0), EIniConvertError);
    EXPECT_THROW(ini.ReadHex("A", "h4", 0), EIniConvertError);
    EXPECT_TRUE(ini.Check("A", "hex"));
    EXPECT_FALSE(ini.Check("A", "empty"));
    EXPECT_FALSE(ini.Check("A", "nothing"));
}

// Any text comes back exactly; a text the lines carry as they are is written
// as it always was, one they cannot in the escaped form.
struct TextCase { const char *name; QString text; bool quoted; const char *line; };
class Texts : public ::testing::TestWithParam<TextCase> {};

TEST_P(Texts, ComeBackExactly)
{
    const TextCase &c = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath("t.ini");
    {
        TIniGT ini;
        ini.setFileName(file);
        c.quoted ? ini.WriteQuoted("Desktop", "LastStr", c.text) : ini.WriteStr("Desktop", "LastStr", c.text);
        ini.WriteInt("Options", "NoSaveIni", 0);
        QFont font;
        font.setFamily(c.text);
        ini.WriteFont("Options", "Font", font, 0);
    }
    EXPECT_EQ(QString::fromUtf8(readAll(file)).section(u'\n', 1, 1), QString::fromUtf8(c.line));
    TIniGT ini;
    ini.setFileName(file);
    EXPECT_EQ(ini.ReadStr("Desktop", "LastStr", "default"), c.text);
    EXPECT_EQ(ini.ReadSection("Desktop"), QStringList{"LastStr"}) << "no key of the text's own";
    EXPECT_FALSE(ini.ReadBool("Options", "NoSaveIni", true));
    QFont font;
    TColor colour = 0;
    ini.ReadFont("Options", "Font", font, colour);
    EXPECT_EQ(font.family(), c.text.isEmpty() ? QFont().family() : c.text);
}

INSTANTIATE_TEST_SUITE_P(Values, Texts, ::testing::Values(
    TextCase{"Plain", "4901234567894", false, "LastStr=4901234567894"},
    TextCase{"PlainQuoted", " 490 日本; ", true, "LastStr=\" 490 日本; \""},
    TextCase{"BackslashesStayAsTheyAre", "C:\\tmp\\n", true, "LastStr=\"C:\\tmp\\n\""},
    TextCase{"QuotesInsideQuotes", "a\"b'c", true, "LastStr=\"a\"b'c\""},
    TextCase{"LineBreaksAndASection", "x\n[Options]\r\nNoSaveIni=1", true, "LastStr=$'x\\n[Options]\\r\\nNoSaveIni=1'"},
    TextCase{"BareQuotedWouldLoseItsQuotes", "\"q\"", false, "LastStr=$'\"q\"'"},
    TextCase{"BareBlanksWouldGo", "  c ", false, "LastStr=$'  c '"},
    TextCase{"LooksEscaped", "$'a'", false, "LastStr=$'$\\'a\\''"},
    TextCase{"ControlsAndLoneSurrogate", QString("t\tb\x01") + QChar(0) + QChar(0xD800), true, "LastStr=$'t\\tb\\x01\\x00\\ud800'"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(IniFile, HandWrittenLookalikesReadAsWritten)
{
    writeAll(dir.filePath("zebrixd.ini"), "[S]\nA=$'open\nB=$'bad\\q'\nC=$'x'y'\nD=$'ok\\x41'\n");
    EXPECT_EQ(ini.ReadStr("S", "A", ""), "$'open");
    EXPECT_EQ(ini.ReadStr("S", "B", ""), "$'bad\\q'");
    EXPECT_EQ(ini.ReadStr("S", "C", ""), "$'x'y'");
    EXPECT_EQ(ini.ReadStr("S", "D", ""), "okA");
}

struct FenceCase { TIniGTFence fence; const char *written; const char *read; };
class Fences : public ::testing::TestWithParam<FenceCase> {};

TEST_P(Fences, WrittenAndStripped)
{
    const FenceCase &c = GetParam();
    QTemporaryDir dir;
    TIniGT ini;
    ini.setFileName(dir.filePath("f.ini"));
    ini.setFence(c.fence);
    ini.WriteStr("S", "K", "text");
    EXPECT_EQ(QString::fromUtf8(readAll(dir.filePath("f.ini"))), QStringLiteral("[S]\nK=%1\n").arg(QString::fromUtf8(c.written)));
    EXPECT_EQ(ini.ReadStr("S", "K", ""), "text");
    // What each mode strips from a value written by hand.
    writeAll(dir.filePath("f.ini"), "[S]\nQ=\"q\"\nC=｢c｣\n");
    EXPECT_EQ(ini.ReadStr("S", "C", ""), QString::fromUtf8(c.read));
    EXPECT_EQ(ini.ReadStr("S", "Q", ""), "q") << "quotes go for every mode";
    EXPECT_EQ(ini.ReadStr("S", "missing", "dflt"), "dflt");
}

INSTANTIATE_TEST_SUITE_P(Modes, Fences, ::testing::Values(
    FenceCase{fnDoubleQuote, "\"text\"", "｢c｣"}, FenceCase{fnParenthesis, "｢text｣", "c"},
    FenceCase{fnVer11Mode, "｢text｣", "c"}, FenceCase{fnNone, "text", "｢c｣"}));

TEST_F(IniFile, HandEditsAreKeptAndKeysReplacedInPlace)
{
    const QByteArray hand = "; Zebrix settings, edited by hand\r\n"
                            "\r\n"
                            "[options]\r\n"
                            "  barheight = 80  \r\n"
                            "Unknown=kept\r\n"
                            "ComntStr='  quoted  '\r\n"
                            "\r\n"
                            "# another comment\r\n"
                            "[Other]\r\n"
                            "x=1\r\n";
    writeAll(dir.filePath("zebrixd.ini"), hand);
    EXPECT_EQ(ini.ReadInt("Options", "BarHeight", 0), 80);
    EXPECT_EQ(ini.ReadStr("Options", "comntstr", ""), "  quoted  ");
    EXPECT_EQ(ini.ReadSection("OPTIONS"), (QStringList{"barheight", "Unknown", "ComntStr"}));
    EXPECT_EQ(ini.ReadSectionValues("Options"), (QStringList{"barheight=80", "Unknown=kept", "ComntStr=  quoted  "}));
    ini.WriteInt("Options", "BarHeight", 50);
    ini.WriteInt("Options", "TopMargin", 5);
    ini.WriteStr("Desktop", "LastStr", "x");
    EXPECT_EQ(readAll(dir.filePath("zebrixd.ini")).toStdString(), "; Zebrix settings, edited by hand\r\n"
                                                    "\r\n"
                                                    "[options]\r\n"
                                                    "barheight=50\r\n"
                                                    "Unknown=kept\r\n"
                                                    "ComntStr='  quoted  '\r\n"
                                                    "TopMargin=5\r\n"
                                                    "\r\n"
                                                    "# another comment\r\n"
                                                    "[Other]\r\n"
                                                    "x=1\r\n"
                                                    "[Desktop]\r\n"
                                                    "LastStr=x\r\n");
    ini.EraseSection("other");
    EXPECT_FALSE(text().contains("[Other]"));
    EXPECT_TRUE(text().contains("[Desktop]"));
}

TEST_F(IniFile, GroupsFontPlacementPositionSizeList)
{
    QFont f(QStringLiteral("Noto Sans CJK JP"), 9);
    f.setBold(true);
    f.setUnderline(true);
    ini.WriteFont("Options", "Font", f, 0x0000FF);
    TWinPlacement p;
    p.Normal = QRect(100, 50, 300, 200);
    ini.WriteWin("Desktop", "Windows", p);
    ini.WriteWinPos("D", "P", QPoint(-3, 4));
    ini.WriteWinSize("D", "S", QSize(30, 40));
    ini.WriteList("D", "L", {"a", "", "c"});
    const QString t = text();
    for (const char *line : {"Font.Name=Noto Sans CJK JP\n", "Font.Size=9\n", "Font.Style=5\n", "Font.Color=0x000000FF\n",
                             "Windows.X=100\n", "Windows.XSize=400\n", "Windows.Y=50\n", "Windows.YSize=250\n",
                             "P.X=-3\n", "S.XSize=30\n", "L.Count=3\n", "L.1=\n"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(line))) << line;

    QFont read(QStringLiteral("DejaVu Sans"), 12);
    TColor colour = 0;
    ini.ReadFont("Options", "Font", read, colour);
    EXPECT_EQ(read.family(), "Noto Sans CJK JP");
    EXPECT_EQ(read.pointSize(), 9);
    EXPECT_TRUE(read.bold() && read.underline() && !read.italic());
    EXPECT_EQ(colour, 0x0000FFu);
    TWinPlacement back;
    ini.ReadWin("Desktop", "Windows", back);
    EXPECT_EQ(back, p);
    QPoint pos;
    ini.ReadWinPos("D", "P", pos);
    EXPECT_EQ(pos, QPoint(-3, 4));
    QSize size;
    ini.ReadWinSize("D", "S", size);
    EXPECT_EQ(size, QSize(30, 40));
    QStringList list{"old"};
    ini.ReadList("D", "L", list);
    EXPECT_EQ(list, (QStringList{"a", "", "c"}));
    // Missing parts default to the current values.
    QFont untouched(QStringLiteral("DejaVu Sans"), 12);
    ini.ReadFont("None", "Font", untouched, colour);
    EXPECT_EQ(untouched.family(), "DejaVu Sans");
}

TEST_F(IniFile, Utf16AndUtf8MarksStay)
{
    for (const QByteArray &mark : {QByteArray("\xFF\xFE"), QByteArray("\xFE\xFF"), QByteArray("\xEF\xBB\xBF")}) {
        const QString hand = QStringLiteral("[Options]\r\nComntStr=価格\r\n");
        QByteArray bytes = mark;
        if (mark.size() == 3) {
            bytes += hand.toUtf8();
        } else {
            for (QChar c : hand) {
                const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
                bytes += mark.at(0) == '\xFF' ? QByteArray(1, lo) + hi : QByteArray(1, hi) + lo;
            }
        }
        writeAll(dir.filePath("zebrixd.ini"), bytes);
        EXPECT_EQ(ini.ReadStr("options", "ComntStr", ""), QStringLiteral("価格"));
        ini.WriteStr("Options", "Extra", QStringLiteral("日本"));
        const QByteArray after = readAll(dir.filePath("zebrixd.ini"));
        EXPECT_TRUE(after.startsWith(mark)) << mark.toHex().constData();
        EXPECT_EQ(ini.ReadStr("Options", "Extra", ""), QStringLiteral("日本"));
        EXPECT_EQ(ini.ReadStr("Options", "ComntStr", ""), QStringLiteral("価格"));
        if (mark == "\xFF\xFE") {
            EXPECT_TRUE(after.contains(QByteArray("E\0x\0t\0r\0a\0", 10))) << "UTF-16LE, not 8-bit text";
        }
    }
}

TEST_F(IniFile, NamesDefaultDirAndReadOnlyFiles)
{
    TIniGT placed;
    placed.setDefaultDir(ddWindows);
    placed.setFileName("zebrixd.ini");
    EXPECT_EQ(placed.FileName(), "/etc/xdg/zebrixd.ini");
    placed.setDefaultDir(ddNone);
    EXPECT_EQ(placed.FileName(), "zebrixd.ini");
    placed.setDefaultDir(ddApplication);
    EXPECT_EQ(QFileInfo(placed.FileName()).path(), QCoreApplication::applicationDirPath());
    placed.setFileName("sub/x.ini");
    EXPECT_EQ(placed.FileName(), "sub/x.ini") << "a name with a folder is used as it is";

    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    TIniGT user;
    user.Loaded();
    EXPECT_EQ(user.FileName(), dir.filePath("config/zebrixd/zebrixd.ini").replace("zebrixd", QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()));
    EXPECT_TRUE(QFileInfo(QFileInfo(user.FileName()).path()).isDir()) << "the folder is made on demand";
    qunsetenv("XDG_CONFIG_HOME");

    // A read-only file of the user's becomes writable again.
    const QString ro = dir.filePath("ro.ini");
    writeAll(ro, "[A]\nk=1\n");
    ::chmod(QFile::encodeName(ro).constData(), 0444);
    TIniGT opened;
    opened.setFileName(ro);
    struct stat st {};
    ::stat(QFile::encodeName(ro).constData(), &st);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
}

TEST(IniFileDamaged, FilesThatAreNoSettingsGiveDefaultsAndStayUntouched)
{
    QTemporaryDir dir;
    QByteArray random(64 * 1024, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 2654435761u) >> 13);
    const QString big = dir.filePath("big.ini"), line = dir.filePath("line.ini"), noise = dir.filePath("noise.ini");
    writeAll(noise, random);
    writeAll(line, "[Options]\nBarHeight=" + QByteArray(10 << 20, '7') + "\n");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.resize(100LL << 20);   // sparse: 100 MB of NULs
    }
    QDir(dir.path()).mkdir("folder.ini");
    ASSERT_EQ(::symlink("nowhere/x.ini", QFile::encodeName(dir.filePath("dangling.ini")).constData()), 0);

    for (const char *name : {"noise.ini", "line.ini", "big.ini", "folder.ini"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        const QByteArray before = QFileInfo(path).isFile() && QFileInfo(path).size() < (1 << 20) ? readAll(path) : QByteArray();
        const qint64 size = QFileInfo(path).size();
        TIniGT ini;
        ini.setFileName(path);
        EXPECT_EQ(ini.ReadInt("Options", "BarHeight", 50), 50) << name;
        EXPECT_TRUE(ini.Damaged()) << name;
        ini.WriteInt("Options", "BarHeight", 60);
        EXPECT_NE(ini.LastWriteError(), "") << name;
        EXPECT_EQ(QFileInfo(path).size(), size) << name;
        if (!before.isEmpty()) {
            EXPECT_EQ(readAll(path), before) << name;
        }
    }
    // A write that would take a readable file past the size Zebrix reads
    // leaves it as it was, readable at the next start.
    const QString full = dir.filePath("full.ini");
    const QByteArray almost = "[Options]\nBarHeight=70\n[History]\nH0=" + QByteArray(TIniGT::kMaxFileSize - 40, 'h') + "\n";
    writeAll(full, almost);
    TIniGT nearly;
    nearly.setFileName(full);
    nearly.WriteStr("Options", "ComntStr", QString(1000, u'c'));
    EXPECT_TRUE(nearly.LastWriteError().contains("more than the 4194304")) << nearly.LastWriteError().toStdString();
    EXPECT_EQ(readAll(full), almost);
    TIniGT next;
    next.setFileName(full);
    EXPECT_EQ(next.ReadInt("Options", "BarHeight", 50), 70);

    // A dangling symlink is a file that does not exist yet: written where it points, when it can be.
    TIniGT dangling;
    dangling.setFileName(dir.filePath("dangling.ini"));
    EXPECT_EQ(dangling.ReadInt("Options", "BarHeight", 50), 50);
    dangling.WriteInt("Options", "BarHeight", 60);
    EXPECT_NE(dangling.LastWriteError(), "") << "its folder does not exist";
    QDir(dir.path()).mkdir("nowhere");
    dangling.WriteInt("Options", "BarHeight", 60);
    EXPECT_EQ(dangling.LastWriteError(), "");
    EXPECT_TRUE(QFileInfo(dir.filePath("dangling.ini")).isSymLink()) << "the link stays a link";
    EXPECT_EQ(readAll(dir.filePath("nowhere/x.ini")), "[Options]\nBarHeight=60\n");
}

TEST(IniFileDamaged, AKilledWriterLeavesTheOldFileOrTheNewOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("z.ini");
    const QByteArray value(200 * 1024, 'v');   // a big file: each write takes a while
    constexpr int kRounds = 20;
    int checked = 0;
    for (int round = 0; round < kRounds; ++round) {
        // The writer says on a pipe when its first whole file is in place.
        int written[2];
        ASSERT_EQ(::pipe(written), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(written[0]);
            TIniGT ini;
            ini.setFileName(path);
            for (int i = 0;; ++i) {
                ini.BeginUpdate();
                ini.WriteStr("A", "Payload", QString::fromLatin1(value));
                ini.WriteInt("A", "Round", i);
                ini.WriteStr("Z", "End", "complete");
                ini.EndUpdate();
                if (i == 0) {
                    [[maybe_unused]] const ssize_t n = ::write(written[1], "w", 1);
                    ::close(written[1]);
                }
            }
        }
        ::close(written[1]);
        // Once there is a whole file (or the writer is gone), the kill lands
        // a little later each round.
        char c;
        [[maybe_unused]] const ssize_t n = ::read(written[0], &c, 1);
        ::close(written[0]);
        ::usleep(useconds_t(2000 + round * 1500));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (!QFileInfo::exists(path))
            continue;   // the writer never completed a file
        TIniGT check;
        check.setFileName(path);
        EXPECT_EQ(check.ReadStr("Z", "End", ""), "complete") << "round " << round;
        EXPECT_EQ(check.ReadStr("A", "Payload", "").size(), value.size());
        ++checked;
    }
    EXPECT_EQ(checked, kRounds) << "rounds that found a file to check";
    const QStringList left = QDir(dir.path()).entryList(QDir::Files);
    EXPECT_LE(left.size(), 21) << "temporaries of killed writers are named beside the file";
}

// Japanese text in a Shift-JIS locale: written and read back in that code
// page (the locale is made here with localedef; the round trip runs in a
// child process started with it).
TEST(IniFileEncoding, ShiftJisLocaleRoundTrip)
{
    const QByteArray child = qgetenv("ZEBRIX_INI_SJIS_FILE");
    if (!child.isEmpty()) {
        TIniGT ini;
        ini.setFileName(QString::fromLocal8Bit(child));
        ini.WriteStr("Options", "ComntStr", QStringLiteral("価格 ￥100"));
        EXPECT_EQ(ini.ReadStr("Options", "ComntStr", ""), QStringLiteral("価格 ￥100"));
        return;
    }
    if (QStandardPaths::findExecutable("localedef").isEmpty())
        GTEST_SKIP() << "localedef is not installed";
    QTemporaryDir dir;
    QProcess def;
    def.start("localedef", {"-i", "ja_JP", "-f", "SHIFT_JIS", dir.filePath("ja_JP.SJIS")});
    def.waitForFinished(60000);
    if (!QFileInfo(dir.filePath("ja_JP.SJIS")).isDir())
        GTEST_SKIP() << "the Shift-JIS locale could not be made";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LOCPATH", dir.path());
    env.insert("LC_ALL", "ja_JP.SJIS");
    env.insert("ZEBRIX_INI_SJIS_FILE", dir.filePath("sjis.ini"));
    run.setProcessEnvironment(env);
    run.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=IniFileEncoding.ShiftJisLocaleRoundTrip"});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardOutput().toStdString();
    const QByteArray bytes = readAll(dir.filePath("sjis.ini"));
    EXPECT_TRUE(bytes.contains("\x89\xBF\x8A\x69")) << "価格 in Shift-JIS: " << bytes.toHex().constData();
}

// --- The history in the settings file -------------------------------------------------

TEST(HistoryIni, StoredFormAndLoading)
{
    QTemporaryDir dir;
    THistoryEx h;
    h.IniFile = dir.filePath("z.ini");
    h.Append("A");
    h.Append("");
    h.Append("B C");
    h.SaveToIni();
    EXPECT_EQ(readAll(h.IniFile), "[HistoryEx1]\n0=\"B C\"\n1=NIL\n2=\"A\"\nCount=3\n");

    // Every entry comes back, NIL and line breaks included (an earlier
    // version's "NIL" still stands for an empty entry).
    THistoryEx odd;
    odd.IniFile = dir.filePath("odd.ini");
    for (const char *entry : {"\"q\"", "NIL", "a\n[Options]\nNoSaveIni=1"})
        odd.Append(QString::fromUtf8(entry));
    odd.SaveToIni();
    THistoryEx back;
    back.IniFile = odd.IniFile;
    back.LoadFromIni();
    EXPECT_EQ(back.History(), odd.History());

    writeAll(h.IniFile, "[HistoryEx1]\nCount=4\n0=\"X\"\n1=\"Y\"\n2=\"X\"\n3=\"NIL\"\n4=\"beyond count\"\n");
    THistoryEx l;
    l.IniFile = h.IniFile;
    l.LoadFromIni();
    EXPECT_EQ(l.History(), (QStringList{"X", "Y"}));

    l.Clear();
    l.SaveToIni();
    THistoryEx cleared;
    cleared.IniFile = h.IniFile;
    cleared.LoadFromIni();
    EXPECT_EQ(cleared.Count(), -1);
    EXPECT_TRUE(cleared.History().isEmpty());
    EXPECT_TRUE(QString::fromUtf8(readAll(h.IniFile)).contains("Count=-1"));

    writeAll(h.IniFile, "[HistoryEx1]\nCount=1000000000\n0=\"only\"\n");
    THistoryEx huge;
    huge.IniFile = h.IniFile;
    huge.LoadFromIni();
    EXPECT_EQ(huge.History(), QStringList{"only"});
}

} // namespace
