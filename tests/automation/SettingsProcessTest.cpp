// The settings file across real runs of zebrixd, each closed by a forwarded
// "/EXIT": what a first run writes, what the next run restores, what hand
// edits do, and that the window's end empties the clipboard it owns.
#include "ProcessFixture.h"

#include <QStandardPaths>

namespace {

using namespace processes;

class SettingsRuns : public Processes
{
protected:
    QString iniFile() const { return root.filePath("config/zebrixd/zebrixd.ini"); }
    QString ini() const { return QString::fromUtf8(readFile(iniFile())); }
    void writeIni(const QByteArray &text)
    {
        QDir().mkpath(QFileInfo(iniFile()).path());
        QFile f(iniFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    // One run: the instance starts with `args`, takes each list of `lists`,
    // and is closed by a forwarded "/EXIT".
    void session(const QStringList &args, const QList<QStringList> &lists = {})
    {
        QProcess *instance = startInstance(args);
        for (const QStringList &list : lists)
            EXPECT_EQ(run(list), 0) << lastError.toStdString();
        EXPECT_EQ(run({"/EXIT"}), 0) << lastError.toStdString();
        EXPECT_EQ(finish(instance), 0) << "the instance did not end";
    }
    // The keys of a section, in file order.
    QStringList keys(const char *section) const
    {
        QStringList found;
        bool inside = false;
        for (const QString &line : ini().split(u'\n')) {
            if (line.startsWith(u'['))
                inside = line == QStringLiteral("[%1]").arg(QString::fromLatin1(section));
            else if (inside && line.contains(u'='))
                found << line.left(line.indexOf(u'='));
        }
        return found;
    }
};

TEST_F(SettingsRuns, AFirstRunWritesTheKeysInTheirOrder)
{
    session({});
    ASSERT_TRUE(QFileInfo::exists(iniFile())) << "folder and file made on demand";
    const QStringList options = keys("Options");
    ASSERT_GE(options.size(), 2);
    EXPECT_EQ(options.mid(0, 3), (QStringList{"TaskTary", "CodeType", "ThinWidth"}));
    EXPECT_EQ(options.back(), "BWindow");
    for (const char *line : {"CopyToEMf=1\n", "BarHeight=50\n", "LeftMargin=20\n", "TopMargin=5\n", "QRVersion=4\n",
                             "TaskTary=0\n", "[Language]\nLanguage=ja\n"})
        EXPECT_TRUE(ini().contains(QString::fromUtf8(line))) << line;
    EXPECT_FALSE(ini().contains("BarColor") || ini().contains("BackColor"));
    EXPECT_TRUE(keys("Desktop").contains("Windows.XSize"));
}

TEST_F(SettingsRuns, ChoicesComeBackOnTheNextRun)
{
    // A hand edit of the view mode is read and written back.
    writeIni("[Options]\nFormType=2\n");
    // "/HT60" creates at once, outside the options' own creation: that
    // symbol's data line goes into the history.
    session({"/C128", "/TN2", "/CD1", "/CC1", "/C:PRICE", " LEAD", "/HT60", "/QRV7", "/QRE2"});
    EXPECT_TRUE(ini().contains("LastStr=\" LEAD\"\n")) << ini().toStdString();
    session({}, {{"/SAVE:" + out("again.png")}});
    const QString text = ini();
    for (const char *line : {"CodeType=10\n", "ThinWidth=1\n", "CheckDigit=1\n", "AddCodeChar=1\n", "Comment=0\n",
                             "BarHeight=60\n", "QRVersion=7\n", "QRErrLebel=2\n", "FormType=2\n", "LastStr=\" LEAD\"\n",
                             "0=\" LEAD\"\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
    // The second run made the symbol from what the first one left.
    const oracle::Decoded d = decodeFile(out("again.png"));
    EXPECT_EQ(d.format, ZXing::BarcodeFormat::Code128);
    EXPECT_EQ(d.text, " LEAD");
}

TEST_F(SettingsRuns, HandKeysColourAndNoSaveIni)
{
    writeIni("; by hand\n[Options]\nBarColor=255\nNoSaveIni=1\nCodeType=2\n");
    const QByteArray before = readFile(iniFile());
    for (int runs = 0; runs < 2; ++runs)
        session({}, {{"/C39", "RED", "/CC0", "/SAVE:" + out("red.png")}, {"/C128", "OTHER"}});
    EXPECT_EQ(readFile(iniFile()), before) << "NoSaveIni keeps the file as it is";
    const QImage red(out("red.png"));
    ASSERT_FALSE(red.isNull());
    bool sawRed = false;
    for (int x = 0; x < red.width(); ++x)
        sawRed |= red.pixelColor(x, red.height() / 2) == QColor(255, 0, 0);
    EXPECT_TRUE(sawRed) << "BarColor 255 (0x000000FF) draws red bars";
    EXPECT_EQ(decodeFile(out("red.png")).text, "RED");
}

TEST_F(SettingsRuns, AFileThatIsNoSettingsFileIsLeftAlone)
{
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 11);
    writeIni(noise);
    session({"/C39", "X"});
    EXPECT_EQ(readFile(iniFile()), noise) << "never destroyed, never written";
    EXPECT_TRUE(lastError.contains("the settings were not saved: " + iniFile() + ": it is not a settings file"))
        << lastError.toStdString();
}

// The end of the session, and SIGTERM like it: the window closes for real,
// tray residence is stored as off.
TEST_F(SettingsRuns, TerminationClosesForRealAndSaves)
{
    writeIni("[Options]\nTaskTary=1\n");
    QProcess *instance = startInstance({"/C39", "TERM"});
    ASSERT_EQ(run({"/C93", "LATER"}), 0) << lastError.toStdString();
    instance->terminate();
    EXPECT_EQ(finish(instance), 0);
    const QString text = ini();
    EXPECT_TRUE(text.contains("TaskTary=0\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("CodeType=11\n"));
}

// On a real X display: the clipboard Zebrix owns is empty after it ends.
TEST_F(SettingsRuns, TheClipboardIsEmptyAfterTheEnd)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xclip").isEmpty())
        GTEST_SKIP() << "needs an X server and xclip";
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));
    auto targets = [this] {
        QProcess x;
        x.setProcessEnvironment(env);
        x.start("xclip", {"-selection", "clipboard", "-t", "TARGETS", "-o"});
        x.waitForFinished(kBoundMs);
        return QString::fromUtf8(x.readAllStandardOutput());
    };
    QProcess *instance = startInstance();
    ASSERT_EQ(run({"/C39", "CLIP"}), 0) << lastError.toStdString();   // created and copied
    EXPECT_TRUE(targets().contains("image/png")) << "the symbol is on the clipboard";
    EXPECT_EQ(run({"/EXIT"}), 0);
    EXPECT_EQ(finish(instance), 0);
    EXPECT_FALSE(targets().contains("image/png")) << "Zebrix left its symbol behind";
}

} // namespace
