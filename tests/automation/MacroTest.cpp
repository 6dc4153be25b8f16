// Macros on the job model, without a bus: every command and value form, what
// draws and what does not, and what comes back however a macro ends.
#include "Macro.h"

#include "../app/ModelTestSupport.h"
#include "CommandLine.h"
#include "LaterSymbols.h"
#include "Oracle.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Records what macros ask of the window.
struct Host : ICommandHost {
    int closes = 0, tray = -1, showMainForm = -1, messages = 0;
    std::function<void()> onMessages;
    void ProcessMessages() override
    {
        ++messages;
        if (onMessages)
            onMessages();
    }
    void RequestClose() override { ++closes; }
    void SetTrayIcon(bool v) override { tray = v; }
    void SetShowMainForm(bool v) override { showMainForm = v; }
};

// A model whose creations are counted: AutoCopy is on during a macro, so
// every creation (and nothing else) puts the picture on the clipboard.
struct Fixture {
    JobModel m;
    MemClipboard clip;
    Host h;
    Fixture() { m.setClipboard(&clip); }
    int creations() const { return clip.writes; }
    void run(const QString &macro) { RunMacro(m, h, macro); }
};

struct MacroCase {
    const char *name;
    const char *macro;
    std::function<void(Fixture &)> check;
};
void PrintTo(const MacroCase &c, std::ostream *os) { *os << c.name; }

class Macros : public ::testing::TestWithParam<MacroCase> {};

TEST_P(Macros, Run)
{
    Fixture f;
    f.run(QString::fromUtf8(GetParam().macro));
    GetParam().check(f);
    EXPECT_FALSE(f.m.AutoCopy.Checked()) << "AutoCopy back as it was";
    EXPECT_TRUE(f.m.WatcherEnabled()) << "the watcher switched on again";
    EXPECT_FALSE(f.m.Running);
    EXPECT_FALSE(f.m.NoHist);
}

const MacroCase kMacros[] = {
    {"CodeWordInAnyCase", "code qr2", [](Fixture &f) { EXPECT_EQ(f.m.CdType.ItemIndex(), kIndexQR); }},
    {"CodeWordWithTrailingBlankIsNoWord", "code qr2 ", [](Fixture &f) { EXPECT_EQ(f.m.CdType.ItemIndex(), 1); }},
    {"CodeSetsTheComponentsSymbologyWithoutDrawing", "WRITE 03600029145\nCODE 39",
     [](Fixture &f) {
         EXPECT_EQ(f.m.CdType.ItemIndex(), cbarCODE39);
         EXPECT_EQ(f.m.BarImage1.BarType(), cbarCODE39);
         EXPECT_EQ(f.creations(), 1) << "only the WRITE";
     }},
    {"CodeLibraryWordWithoutTheLibraryLeavesNoSelection", "CODE PDF417",
     [](Fixture &f) { EXPECT_EQ(f.m.CdType.ItemIndex(), -1); }},
    {"WriteTrimsBlanksAndUpperCases", "CODE 128\nWRITE  abc",
     [](Fixture &f) {
         EXPECT_EQ(f.m.EditCode.Text(), "ABC");
         EXPECT_EQ(f.m.BarImage1.Code(), "ABC");
         EXPECT_EQ(f.m.StatusText(), "作成しました.");
         EXPECT_EQ(f.creations(), 1);
         EXPECT_TRUE(f.m.HistoryEx1.History().isEmpty()) << "a WRITE never enters the history";
     }},
    {"WriteTrimsControlCharacters", "CODE 128\nWRITE \tA1\x01",
     [](Fixture &f) { EXPECT_EQ(f.m.EditCode.Text(), "A1"); }},
    {"WriteNothingEmptiesTheLineAndCreatesNothing", "WRITE ",
     [](Fixture &f) {
         EXPECT_TRUE(f.m.EditCode.Text().isEmpty());
         EXPECT_EQ(f.creations(), 0);
         EXPECT_TRUE(f.m.CurrentPicture().isEmpty());
     }},
    {"CloseInTheMiddleEndsTheMacro", "CODE JAN\nCLOSE\nWRITE 1",
     [](Fixture &f) {
         EXPECT_EQ(f.h.closes, 1);
         EXPECT_TRUE(f.m.TaskClose);
         EXPECT_EQ(f.m.CdType.ItemIndex(), cbarJAN);
         EXPECT_TRUE(f.m.EditCode.Text().isEmpty());
     }},
    {"EmptyLineEndsTheMacro", "CODE JAN\n\nCODE NEC", [](Fixture &f) { EXPECT_EQ(f.m.CdType.ItemIndex(), cbarJAN); }},
    {"LineWithoutBlankEndsTheMacro", "CODE JAN\nHELLO\nCODE NEC",
     [](Fixture &f) { EXPECT_EQ(f.m.CdType.ItemIndex(), cbarJAN); }},
    {"EveryLineBreakKind", "THIN 2\rCODE NEC\r\nCHKDIGIT 1\nCOMMENT x\r\n",
     [](Fixture &f) {
         EXPECT_EQ(f.m.ThinWd.ItemIndex(), 1);
         EXPECT_EQ(f.m.CdType.ItemIndex(), cbarNEC);
         EXPECT_TRUE(f.m.CheckDigit.Checked());
         EXPECT_EQ(f.m.ComntStr.Text(), "X");
     }},
    {"UnknownCommandsAndValuesAreIgnored", "FOO BAR\nTHIN 4\nQRERR X\nCHECKDIGIT YES\nCODE NEC",
     [](Fixture &f) {
         EXPECT_EQ(f.m.ThinWd.ItemIndex(), 0);
         EXPECT_EQ(f.m.QRErr.ItemIndex(), 0);
         EXPECT_FALSE(f.m.CheckDigit.Checked());
         EXPECT_EQ(f.m.CdType.ItemIndex(), cbarNEC);
     }},
    {"Width", "THIN 3", [](Fixture &f) { EXPECT_EQ(f.m.ThinWd.ItemIndex(), 2); }},
    {"Booleans", "CHECKDIGIT TRUE\nCODECHAR 1\nQRSPECIAL true",
     [](Fixture &f) {
         EXPECT_TRUE(f.m.CheckDigit.Checked());
         EXPECT_TRUE(f.m.AddCodeChar.Checked());
         EXPECT_TRUE(f.m.SpCode.Checked());
     }},
    {"BooleansOff", "CHECKDIGIT TRUE\nCHKDIGIT 0\nCODECHAR 1\nCODECHAR FALSE",
     [](Fixture &f) {
         EXPECT_FALSE(f.m.CheckDigit.Checked());
         EXPECT_FALSE(f.m.AddCodeChar.Checked());
     }},
    {"ExtCharIsOnlyOnForTrue", "ADDECHAR TRUE\nADDECHAR 1", [](Fixture &f) { EXPECT_FALSE(f.m.AddSChar.Checked()); }},
    {"CommentShowIsOffOnlyForFalse", "COMMENTSHOW NO", [](Fixture &f) { EXPECT_TRUE(f.m.Comnt.Checked()); }},
    {"CommentTextUpperCased", "COMMENT Price 100", [](Fixture &f) { EXPECT_EQ(f.m.ComntStr.Text(), "PRICE 100"); }},
    {"CommentPosition", "COMMENTPOS TOP\nCOMMENTPOS BOTTOM",
     [](Fixture &f) { EXPECT_EQ(f.m.ComntPos.ItemIndex(), 1); }},
    {"CommentAlignRight", "COMMENTALIGN LEFT\nCOMMENTALIGN RIGHT",
     [](Fixture &f) { EXPECT_EQ(f.m.ComntAl.ItemIndex(), 2); }},
    {"CommentAlignWithBlankIsTheElseBranch", "COMMENTALIGN CENTER ",
     [](Fixture &f) { EXPECT_EQ(f.m.ComntAl.ItemIndex(), 2); }},
    {"Integers", "HEIGHT 150\nLEFTMARGIN $1F\nTOPMARGIN -3",
     [](Fixture &f) {
         EXPECT_EQ(f.m.BarHeight.Value(), 150) << "no range check";
         EXPECT_EQ(f.m.LeftMargin.Value(), 31);
         EXPECT_EQ(f.m.TopMargin.Value(), -3);
     }},
    {"QRVersionOutOfRangeOrUnreadableIsIgnored", "QRVER 41\nQRVER X\nQRVER 0\nTHIN 2",
     [](Fixture &f) {
         EXPECT_EQ(f.m.QRVer.Value(), 4);
         EXPECT_EQ(f.m.ThinWd.ItemIndex(), 1) << "QRVER's own conversion error does not end the macro";
     }},
    {"QRVersionRedraws", "CODE QR2\nWRITE HELLO\nQRVER 7",
     [](Fixture &f) {
         EXPECT_EQ(f.m.QRVer.Value(), 7);
         EXPECT_EQ(f.creations(), 2);
         // Version 7: 45 modules, the quiet zone and one light column.
         EXPECT_EQ(f.m.Image1.Picture().width(), 45 + 8 + 1);
     }},
    {"QRLevel", "QRERR H", [](Fixture &f) { EXPECT_EQ(f.m.QRErr.ItemIndex(), 3); }},
    {"StartAndStopItems", "CODE NW7\nSTARTCHAR b\nSTOPCHAR Z",
     [](Fixture &f) {
         EXPECT_EQ(f.m.StartCh.ItemIndex(), 1);
         EXPECT_EQ(f.m.StopCH.ItemIndex(), -1) << "no such item: no selection";
     }},
    {"CopyTypeSetsOnlyThePictureKind", "COPYTYPE WMF",
     [](Fixture &f) {
         EXPECT_EQ(f.m.BarImage1.BarPicture(), pbarWMF);
         EXPECT_TRUE(f.m.CopyEmf.Checked()) << "the copy-kind menu is not changed";
     }},
    {"CopyTypeElseIsEmf", "COPYTYPE BMP\nCOPYTYPE PNG",
     [](Fixture &f) { EXPECT_EQ(f.m.BarImage1.BarPicture(), pbarEMF); }},
    {"ColoursOfTheComponentOnly", "BARCOL $0000FF\nBACKCOL 65280\nBARCOL ",
     [](Fixture &f) {
         EXPECT_EQ(f.m.BarImage1.BarColor(), 0x0000FFu);
         EXPECT_EQ(f.m.BarImage1.BackColor(), 0x00FF00u);
         EXPECT_EQ(f.m.BarCol, 0u) << "QR and library symbols keep the window's colours";
         EXPECT_EQ(f.creations(), 0);
     }},
    {"VisibleFalseLivesInTheTray", "VISIBLE false",
     [](Fixture &f) {
         EXPECT_TRUE(f.m.ResTaskTray);
         EXPECT_EQ(f.h.tray, 1);
         EXPECT_EQ(f.h.showMainForm, 0);
     }},
    {"VisibleElseShowsTheWindow", "VISIBLE FALSE\nVISIBLE NO",
     [](Fixture &f) {
         EXPECT_FALSE(f.m.ResTaskTray);
         EXPECT_EQ(f.h.tray, 0);
         EXPECT_EQ(f.h.showMainForm, 1);
     }},
    {"PokeTakesItsNumberAndDrawsNothing", "WRITE 03600029145\nPOKE 1234",
     [](Fixture &f) { EXPECT_EQ(f.creations(), 1); }},
    {"SettingsThatRedrawAndSettingsThatDoNot",
     "CODE JAN\nWRITE 490123456789\nTHIN 2\nCOMMENTPOS TOP\nQRERR M\nCOMMENT X\nQRSPECIAL 1\nSTARTCHAR B\n"
     "CHECKDIGIT 1\nADDECHAR TRUE\nCOMMENTSHOW TRUE\nHEIGHT 60\nLEFTMARGIN 10\nTOPMARGIN 3\nHEIGHT 60",
     [](Fixture &f) {
         // WRITE, then one creation for each of the seven that change
         // (HEIGHT 60 twice changes once).
         EXPECT_EQ(f.creations(), 1 + 6);
         EXPECT_EQ(f.m.BarImage1.Scale(), 2) << "the width took effect with the next creation";
     }},
    {"CodeCharSwitchesTheTextWithoutACreation", "CODE JAN\nWRITE 490123456789\nCODECHAR 1",
     [](Fixture &f) {
         EXPECT_TRUE(f.m.BarImage1.SymbolDisp());
         EXPECT_EQ(f.m.StatusText(), "作成しました.");
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, Macros, ::testing::ValuesIn(kMacros),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(MacroWords, EveryCodeWord)
{
    const std::pair<const char *, int> words[] = {
        {"JAN", 0}, {"upc", 1}, {"CODE39", 2}, {"Code-39", 2}, {"39", 2}, {"NW7", 3}, {"NW-7", 3}, {"7", 3},
        {"ITF", 4}, {"CTF", 5}, {"IATA", 6}, {"MATRIX", 7}, {"NEC", 8}, {"CST", 9}, {"CUSTOMER", 9},
        {"CODE128", 10}, {"OCDE-128", 10}, {"128", 10}, {"CODE93", 11}, {"OCDE-93", 11}, {"93", 11},
        {"QR2", 12}, {"GS1Ltd", 13}, {"GS1STK", 14}, {"gs1std", 15}, {"GS1SOm", 16}, {"PDF417", 17},
        {"PDF417T", 18}, {"GS1128", 19}, {"itf14", 20}, {"JanAdd", 21}, {"DM", 22}, {"GS1DM", 23}, {"Aztec", 24},
        {"1055", -1}, {"12", -1}, {"CODE 128", -1}, {"", -1}, {"QR", -1}, {"GS1-128", -1}, {"ITF-14", -1}};
    for (const auto &[word, index] : words)
        EXPECT_EQ(MacroSymbology(QString::fromLatin1(word)), index) << word;
}

// The symbologies after the library's, made by "CODE" and "WRITE" and saved.
class MacroLater : public ::testing::TestWithParam<TLaterSymbol> {};

TEST_P(MacroLater, WrittenAndSavedSymbolDecodes)
{
    const TLaterSymbol &s = GetParam();
    QTemporaryDir dir;
    Fixture f;
    f.m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    const QString png = dir.filePath("m.png"), bmp = dir.filePath("m.bmp");
    f.run(QStringLiteral("CODE %1\nTHIN 2\nWRITE %2\nSAVE %3\nSAVE %4").arg(s.word, s.data, png, bmp));
    EXPECT_EQ(f.m.CdType.ItemIndex(), s.index);
    ASSERT_FALSE(f.m.BError) << s.name << ": " << f.m.StatusText().toStdString();
    for (const QString &file : {png, bmp}) {
        const oracle::Decoded d = DecodeLater(QImage(file), s);
        EXPECT_TRUE(d.ok) << s.name << " " << file.toStdString() << ": read '" << d.text << "'";
    }
}

INSTANTIATE_TEST_SUITE_P(Later, MacroLater, ::testing::ValuesIn(kLaterSymbols),
                         [](const auto &i) { return std::string(i.param.name); });

TEST(MacroWords, IntegerForms)
{
    const std::pair<const char *, int> good[] = {{"0", 0}, {"+7", 7}, {"-12", -12}, {"$ff", 255}, {"$FFFFFFFF", -1},
                                                 {"-$10", -16}, {"2147483647", 2147483647},
                                                 {"-2147483648", INT32_MIN}, {"007", 7}};
    for (const auto &[text, value] : good)
        EXPECT_EQ(MacroInt(QString::fromLatin1(text), "HEIGHT"), value) << text;
    for (const char *bad : {"", " 5", "5 ", "1.5", "$", "$123456789", "0x10", "2147483648", "99999999999999999999",
                            "x", "1e3", "--1"})
        EXPECT_THROW(MacroInt(QString::fromLatin1(bad), "HEIGHT"), EConvertError) << bad;
}

TEST(MacroLines, BreaksAndTheEnd)
{
    EXPECT_EQ(SplitMacroLines(""), QStringList());
    EXPECT_EQ(SplitMacroLines("\n"), QStringList{""});
    EXPECT_EQ(SplitMacroLines("A 1\r\nB 2\rC 3\nD 4\n"), (QStringList{"A 1", "B 2", "C 3", "D 4"}));
    EXPECT_EQ(SplitMacroLines("A 1\n\n"), (QStringList{"A 1", ""}));
}

struct BadLine { const char *macro; };
class ConversionErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(ConversionErrors, EndTheMacroAndRestore)
{
    Fixture f;
    f.m.ClipbrdWatch.setChecked(true);
    f.run("THIN 2");
    EXPECT_TRUE(f.m.ClipboardWatcher1.hasOnChange()) << "the watcher's handler reattached";
    EXPECT_THROW(f.run(QStringLiteral("THIN 3\n%1\nTHIN 1").arg(QString::fromUtf8(GetParam().macro))), EConvertError);
    EXPECT_EQ(f.m.ThinWd.ItemIndex(), 2) << "lines before it stay, lines after are not run";
    EXPECT_FALSE(f.m.AutoCopy.Checked());
    EXPECT_TRUE(f.m.WatcherEnabled());
    EXPECT_TRUE(f.m.ClipboardWatcher1.hasOnChange());
    EXPECT_FALSE(f.m.Running);
}

INSTANTIATE_TEST_SUITE_P(Table, ConversionErrors, ::testing::Values(
    BadLine{"HEIGHT x"}, BadLine{"LEFTMARGIN "}, BadLine{"TOPMARGIN 1.5"}, BadLine{"BARCOL red"},
    BadLine{"BACKCOL $GG"}, BadLine{"POKE hdc"}, BadLine{"HEIGHT 99999999999"},
    // A creation whose QR escape does not convert ends the macro the same way.
    BadLine{"CODE QR2\nQRSPECIAL 1\nWRITE %ZZ"}));

TEST(RunMacro, AutoCopyStaysCheckedWhenItWas)
{
    Fixture f;
    f.m.AutoCopy.setChecked(true);
    f.run("CODE JAN\nBAD");
    EXPECT_TRUE(f.m.AutoCopy.Checked());
}

TEST(RunMacro, SaveKeepsTheCaseOfItsFileName)
{
    QTemporaryDir dir;
    Fixture f;
    const QString file = dir.filePath("Mixed Case.Bmp");
    f.run("code jan\nwrite 490123456789\nSAVE " + file + "\nSAVE ");
    ASSERT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Mixed Case.Bmp"});
    const auto d = oracle::Decode(QImage(file));
    EXPECT_EQ(d.format, ZXing::BarcodeFormat::EAN13);
    EXPECT_EQ(d.text, "4901234567894");
}

TEST(RunMacro, RawLibrarySymbology)
{
    Fixture plain;
    plain.run("CODE 1055\nCODE 1X");
    EXPECT_EQ(plain.m.ZintBarType, 0) << "without the library";
    Fixture f;
    f.m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    ASSERT_TRUE(f.m.LibraryLoaded());
    f.run("CODE JAN\nCODE 1055\nWRITE Zebrix\nCOPYTYPE BMP\nWRITE Zebrix 2");
    EXPECT_EQ(f.m.ZintBarType, 1055);
    EXPECT_EQ(f.m.CdType.ItemIndex(), cbarJAN) << "the list keeps its selection";
    const auto d = oracle::Decode(f.m.Image1.Picture().toImage());
    EXPECT_EQ(d.format, ZXing::BarcodeFormat::PDF417);
    EXPECT_EQ(d.text, "ZEBRIX 2");
    f.run("CODE 1");
    EXPECT_EQ(f.m.ZintBarType, 0) << "below 1000 clears the override";
    EXPECT_THROW(f.run("CODE 1X"), EConvertError);
}

} // namespace
