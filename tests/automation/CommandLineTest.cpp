// The option language: which rule a parameter matches, and what each option
// does to the job.
#include "CommandLine.h"
#include "JobModel.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct MatchCase { const char *param; const char *rule; };
class ParamMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ParamMatching, FirstRuleInTableOrder)
{
    const auto &c = GetParam();
    const TParamRule *rule = MatchParam(QString::fromUtf8(c.param));
    if (!c.rule) {
        EXPECT_EQ(rule, nullptr) << c.param << " is data";
        return;
    }
    ASSERT_NE(rule, nullptr) << c.param;
    EXPECT_STREQ(rule->text, c.rule) << c.param;
}

INSTANTIATE_TEST_SUITE_P(Table, ParamMatching, ::testing::Values(
    MatchCase{"/S", "/S"}, MatchCase{"/s", "/S"}, MatchCase{"/ST", "/ST"}, MatchCase{"/STB", "/ST"},
    MatchCase{"/SAVE:x.bmp", "/SAVE:"}, MatchCase{"/save:", "/SAVE:"}, MatchCase{"/SP", "/SP"},
    MatchCase{"/jan", "/JAN"}, MatchCase{"/Gs1Ltd", "/GS1LTD"}, MatchCase{"/PDF417", "/PDF417"},
    MatchCase{"/pdf417t", "/PDF417T"}, MatchCase{"/1020", "/1"}, MatchCase{"/15", "/1"},
    MatchCase{"/C39", "/C39"}, MatchCase{"/C:Price", "/C:"}, MatchCase{"/CAU", "/CAU"},
    MatchCase{"/SC1", "/SC1"}, MatchCase{"/SC1x", "/SC1"}, MatchCase{"SC0", "SC0"}, MatchCase{"sc0", "SC0"},
    MatchCase{"/SC0", nullptr}, MatchCase{"/EXIT", "/EXIT"}, MatchCase{"/EXITX", nullptr},
    MatchCase{"/D:500", "/D:"}, MatchCase{"/QRV10", "/QRV"}, MatchCase{"/QRE2", "/QRE"},
    MatchCase{"4901234567894", nullptr}, MatchCase{"/JANX", nullptr}, MatchCase{"/", nullptr},
    MatchCase{"/VOFF", "/VOFF"}, MatchCase{"/AC1", "/AC1"}, MatchCase{"/TN4", nullptr},
    MatchCase{"/gs1128", "/GS1128"}, MatchCase{"/ITF14", "/ITF14"}, MatchCase{"/JanAdd", "/JANADD"},
    MatchCase{"/dm", "/DM"}, MatchCase{"/GS1DM", "/GS1DM"}, MatchCase{"/aztec", "/AZTEC"},
    MatchCase{"/D:1", "/D:"}, MatchCase{"/ITF-14", nullptr}));

// Records what options ask of the window.
struct Host : ICommandHost {
    int minimized = 0, closes = 0, messages = 0;
    int tray = -1, showMainForm = -1;
    QStringList saves;
    void ProcessMessages() override { ++messages; }
    void Minimize() override { ++minimized; }
    void RequestClose() override { ++closes; }
    void SetTrayIcon(bool v) override { tray = v; }
    void SetShowMainForm(bool v) override { showMainForm = v; }
    void Save(JobModel &m, const QString &f) override
    {
        saves << f;
        ICommandHost::Save(m, f);
    }
};

void run(JobModel &m, Host &h, const QStringList &params)
{
    m.Params = params;
    InterpretParams(m, h);
}

TEST(InterpretParams, JanWithTextLineCreatesCopiesAndSavesKeepingTheNamesCase)
{
    QTemporaryDir dir;
    JobModel m;
    int copies = 0;
    m.BarImage1.OnPaintBar = [&](TBarImage &b) { copies += b.BarEnabled() && m.AutoCopy.Checked(); };
    Host h;
    const QString file = dir.filePath("Out.BMP");
    run(m, h, {"/jan", "4901234567894", "/cc1", "/save:" + file});
    EXPECT_EQ(m.CdType.ItemIndex(), 0);
    EXPECT_TRUE(m.AddCodeChar.Checked());
    EXPECT_EQ(m.StatusText(), "作成しました.");
    EXPECT_EQ(copies, 1) << "the final creation runs with AutoCopy checked, the saves without";
    EXPECT_FALSE(m.AutoCopy.Checked()) << "and AutoCopy is restored";
    EXPECT_EQ(h.saves, QStringList{file});
    EXPECT_TRUE(QFileInfo::exists(file)) << "Out.BMP, not OUT.BMP";
    EXPECT_FALSE(m.NoHist);
    // The interpretation's own creation adds nothing to the history (the
    // save's creations do, as every creation).
    JobModel plain;
    run(plain, h, {"/jan", "4901234567894"});
    EXPECT_TRUE(plain.HistoryEx1.History().isEmpty());
    EXPECT_FALSE(m.Running);
    EXPECT_EQ(h.closes, 0);
}

TEST(InterpretParams, CommentTakesTheRestUpperCasedAndTheNextParameterIsData)
{
    JobModel m;
    Host h;
    run(m, h, {"/C39", "/C:Price", "100"});
    EXPECT_EQ(m.ComntStr.Text(), "PRICE");
    EXPECT_TRUE(m.Comnt.Checked());
    EXPECT_EQ(m.EditCode.Text(), "100");
    EXPECT_EQ(m.BarImage1.CommentDown(), "PRICE");
    // The next interpretation draws no comment unless "/C:" is given again.
    run(m, h, {"200"});
    EXPECT_FALSE(m.Comnt.Checked());
    EXPECT_TRUE(m.BarImage1.CommentDown().isEmpty());
}

TEST(InterpretParams, DelayHoldsTheCreationAndTheInterpreterAndStays)
{
    JobModel m;
    Host h;
    QElapsedTimer t;
    t.start();
    run(m, h, {"/JAN", "4901234567894", "/D:300"});
    EXPECT_GE(t.elapsed(), 600);
    EXPECT_EQ(m.DelayTime, 300);
    t.restart();
    m.RB_Click();
    EXPECT_GE(t.elapsed(), 300) << "every later creation waits too";
    run(m, h, {"4901234567894"});
    EXPECT_EQ(m.DelayTime, 0);
}

TEST(InterpretParams, RawLibrarySymbology)
{
    JobModel m;
    Host h;
    run(m, h, {"/1020", "x"});
    EXPECT_EQ(m.ZintBarType, 0) << "without the library";
    JobModel lib;
    lib.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    ASSERT_TRUE(lib.LibraryLoaded());
    run(lib, h, {"/1055", "Hello"});
    EXPECT_EQ(lib.ZintBarType, 1055);
    EXPECT_FALSE(lib.BError) << "PDF417 through the override";
    run(lib, h, {"/15", "x"});
    EXPECT_EQ(lib.ZintBarType, 0) << "below 1000";
    EXPECT_THROW(run(lib, h, {"/1abc"}), EConvertError);
    EXPECT_FALSE(lib.Running);
}

TEST(InterpretParams, SpecialCodeOptionHasNoSlashToTurnOff)
{
    JobModel m;
    Host h;
    run(m, h, {"/SC1"});
    EXPECT_TRUE(m.SpCode.Checked());
    run(m, h, {"/SC0"});
    EXPECT_TRUE(m.SpCode.Checked());
    EXPECT_EQ(m.EditCode.Text(), "/SC0") << "data";
    run(m, h, {"sc0"});
    EXPECT_FALSE(m.SpCode.Checked());
}

TEST(InterpretParams, ExitCreatesAndSavesNothing)
{
    QTemporaryDir dir;
    JobModel m;
    Host h;
    run(m, h, {"/C39", "ABC", "/SAVE:" + dir.filePath("x.png"), "/EXIT", "LATER"});
    EXPECT_TRUE(m.ExitFlag);
    EXPECT_TRUE(h.saves.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.png")));
    EXPECT_EQ(m.EditCode.Text(), "ABC") << "data after /EXIT is not taken";
    EXPECT_FALSE(m.BarImage1.BarDisped());
    EXPECT_EQ(h.closes, 1) << "forwarded: the window closes";

    JobModel start;
    start.InitPers = true;
    Host h2;
    run(start, h2, {"/C39", "ABC", "/EXIT"});
    EXPECT_EQ(h2.closes, 0) << "at start-up closing is left to the first showing";
    start.ResTaskTray = true;
    start.InitPers = false;
    run(start, h2, {"/EXIT"});
    EXPECT_TRUE(start.TaskClose);
    EXPECT_FALSE(start.ResTaskTray);
}

struct BadNumber { const char *param; };
class ConversionErrors : public ::testing::TestWithParam<BadNumber> {};

TEST_P(ConversionErrors, StopTheInterpretationKeepingEarlierOptions)
{
    QTemporaryDir dir;
    JobModel m;
    Host h;
    m.Params = {"/TN3", QString::fromLatin1(GetParam().param), "/TN2", "/JAN", "4901234567894",
                "/SAVE:" + dir.filePath("x.bmp")};
    EXPECT_THROW(InterpretParams(m, h), EConvertError) << GetParam().param;
    EXPECT_EQ(m.ThinWd.ItemIndex(), 2) << "options before it stay applied";
    EXPECT_FALSE(m.Running) << "a later interpretation must not wait";
    EXPECT_TRUE(h.saves.isEmpty());
    EXPECT_FALSE(m.BarImage1.BarDisped());
    run(m, h, {"/JAN", "4901234567894"});
    EXPECT_EQ(m.StatusText(), "作成しました.");
}

INSTANTIATE_TEST_SUITE_P(Table, ConversionErrors, ::testing::Values(
    BadNumber{"/HTabc"}, BadNumber{"/LM1.5"}, BadNumber{"/TM"}, BadNumber{"/QRVx"}, BadNumber{"/QRE 1"},
    BadNumber{"/D:soon"}, BadNumber{"/HT99999999999"}));

TEST(InterpretParams, NumbersGoIntoTheSpinEditsUnlimitedAndCreateAtOnce)
{
    JobModel m;
    m.CdType.setItemIndex(0);
    m.EditCode.setText("4901234567894");
    Host h;
    int drawings = 0;
    m.BarImage1.OnPaintBar = [&](TBarImage &b) { drawings += b.BarEnabled(); };
    run(m, h, {"/HT200", "/LM-5", "/TM0", "/QRV7", "/QRE3"});
    EXPECT_EQ(m.BarHeight.Value(), 200);
    EXPECT_EQ(m.LeftMargin.Value(), -5);
    EXPECT_EQ(m.QRVer.Value(), 7);
    EXPECT_EQ(m.QRErr.ItemIndex(), 3);
    EXPECT_EQ(drawings, 5) << "/HT, /LM, /TM and /QRV each create at once, then the final creation";
    run(m, h, {"/QRE9"});
    EXPECT_EQ(m.QRErr.ItemIndex(), -1) << "no selection";
}

TEST(InterpretParams, ListsAndChecksRunNoHandler)
{
    JobModel m;
    m.CdType.setItemIndex(0);
    m.EditCode.setText("4901234567894");
    Host h;
    int drawings = 0;
    m.BarImage1.OnPaintBar = [&](TBarImage &b) { drawings += b.BarEnabled(); };
    run(m, h, {"/TN2", "/CD1", "/CAR", "/CAU", "/C39", "/SC1"});
    EXPECT_EQ(drawings, 1) << "only the final creation";
    EXPECT_TRUE(m.CheckDigit.Checked());
    EXPECT_EQ(m.ComntAl.ItemIndex(), 2);
    EXPECT_EQ(m.ComntPos.ItemIndex(), 0);
    EXPECT_EQ(m.StartCh.Items(), (QStringList{"A", "B", "C"})) << "a symbology switch does not refill the lists";
}

TEST(InterpretParams, WindowOptions)
{
    JobModel m;
    Host h;
    run(m, h, {"/S"});
    EXPECT_EQ(h.minimized, 1);
    run(m, h, {"/ST"});
    EXPECT_TRUE(m.ResTaskTray);
    EXPECT_EQ(h.closes, 1);
    run(m, h, {"/VON"});
    EXPECT_FALSE(m.ResTaskTray);
    EXPECT_EQ(h.tray, 0);
    EXPECT_EQ(h.showMainForm, 1);
    run(m, h, {"/VOFF"});
    EXPECT_TRUE(m.ResTaskTray);
    EXPECT_EQ(h.tray, 1);
    EXPECT_EQ(h.showMainForm, 0);
}

TEST(InterpretParams, StartAndStopCharactersByPositionInTheLists)
{
    JobModel m;
    m.CdType.setItemIndex(3);
    m.CdTypeChange();
    Host h;
    run(m, h, {"/STc", "/SPD", "1234"});
    EXPECT_EQ(m.StartCh.ItemIndex(), 2);
    EXPECT_EQ(m.StopCH.ItemIndex(), 3);
    EXPECT_EQ(m.BarImage1.Symbol(), "1234");
    run(m, h, {"/STX"});
    EXPECT_EQ(m.StartCh.ItemIndex(), -1);
}

TEST(InterpretParams, PictureKindOptions)
{
    JobModel m;
    Host h;
    run(m, h, {"/CBM"});
    EXPECT_EQ(m.BarImage1.BarPicture(), pbarBMP);
    run(m, h, {"/CWM"});
    EXPECT_EQ(m.BarImage1.BarPicture(), pbarWMF);
    run(m, h, {"/CEM"});
    EXPECT_EQ(m.BarImage1.BarPicture(), pbarEMF);
}

TEST(InterpretParams, NoDataLeavesRunningClear)
{
    JobModel m;
    Host h;
    run(m, h, {"/JAN"});
    EXPECT_FALSE(m.Running);
    run(m, h, {"/JAN", "4901234567894"});
    EXPECT_EQ(m.StatusText(), "作成しました.");
}

TEST(InterpretParams, LaterOptionsOverrideEarlierOnes)
{
    JobModel m;
    Host h;
    run(m, h, {"/TN1", "/TN3", "/UPC", "/JAN", "111", "4901234567894"});
    EXPECT_EQ(m.ThinWd.ItemIndex(), 2);
    EXPECT_EQ(m.CdType.ItemIndex(), 0);
    EXPECT_EQ(m.EditCode.Text(), "4901234567894");
}

TEST(ParamText, JoinAndSplit)
{
    const QString text = JoinParamText({"/JAN", "4901234567894"});
    EXPECT_EQ(text, "\n/JAN\r\n4901234567894");
    EXPECT_EQ(SplitParamText(text), (QStringList{"", "/JAN", "4901234567894"}));
    EXPECT_EQ(SplitParamText("a\rb\nc\r\nd"), (QStringList{"a", "b", "c", "d"}));
}

} // namespace
