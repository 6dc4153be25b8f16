// The job settings and the creation flow, without widgets.
#include "ModelTestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const QString kCreated = QStringLiteral("作成しました.");
const QString kNotCreated = QStringLiteral("作成できませんでした.");

TEST(JobSettings, DesignedDefaults)
{
    JobModel m;
    EXPECT_EQ(m.CdType.Count(), 13);
    EXPECT_EQ(m.CdType.ItemIndex(), 1);
    EXPECT_EQ(m.CdType.Items().at(12), QStringLiteral("QR2コード"));
    EXPECT_EQ(m.ThinWd.Items(), (QStringList{"1倍", "2倍", "3倍"}));
    EXPECT_EQ(m.ThinWd.ItemIndex(), 0);
    EXPECT_EQ(m.ComntPos.ItemIndex(), 1);
    EXPECT_EQ(m.ComntAl.ItemIndex(), 1);
    EXPECT_EQ(m.QRErr.ItemIndex(), 0);
    EXPECT_EQ(m.BarHeight.Value(), 50);
    EXPECT_EQ(m.LeftMargin.Value(), 20);
    EXPECT_EQ(m.TopMargin.Value(), 5);
    EXPECT_EQ(m.QRVer.Value(), 4);
    EXPECT_TRUE(m.CopyEmf.Checked());
    EXPECT_FALSE(m.CopyBm.Checked() || m.CopyMf.Checked() || m.AutoCopy.Checked());
    EXPECT_FALSE(m.ComntStr.Enabled());
    EXPECT_FALSE(m.FontBtn.Enabled());
    EXPECT_EQ(m.BarCol, 0u);
    EXPECT_EQ(m.BackCol, 0xFFFFFFu);
    EXPECT_EQ(m.BarImage1.BarPicture(), pbarEMF);
    EXPECT_TRUE(m.BarImage1.StartStopChar);
    EXPECT_EQ(m.ErrBmp.size(), QSize(60, 28));
    EXPECT_EQ(m.ErrWmf.width(), 60);
    EXPECT_EQ(m.ErrWmf.toImage(), m.ErrBmp) << "both error pictures show the same word";
    EXPECT_EQ(m.ErrBmp.pixelColor(1, 7), QColor(Qt::black)) << "the E's top left dot";
    EXPECT_EQ(m.ErrBmp.pixelColor(0, 0), QColor(Qt::white));
}

TEST(JobSettings, SpinEditsHoldText)
{
    JobModel m;
    m.BarHeight.setText("500");
    EXPECT_EQ(m.BarHeight.Value(), 500) << "outside the range is kept";
    m.BarHeight.setText("abc");
    EXPECT_EQ(m.BarHeight.Value(), 20) << "not a number reads as the minimum";
    EXPECT_EQ(m.BarHeight.Text(), "20") << "and the edit is reset to it";
    m.BarHeight.setText("-3");
    EXPECT_EQ(m.BarHeight.Value(), -3);
}

TEST(JobSettings, ListSelectionFromCodeRunsNoHandlerButAUserPickDoes)
{
    JobModel m;
    m.EditCode.setText("4901234567894");
    m.CdType.setItemIndex(0);
    EXPECT_TRUE(m.StatusText().isEmpty()) << "no creation from a programmatic selection";
    m.ThinWd.UserSelect(1);
    EXPECT_EQ(m.StatusText(), kCreated);
    EXPECT_EQ(m.BarImage1.Scale(), 2);
}

TEST(CreationFlow, LinearSuccessAndFailure)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.RB_Click();
    EXPECT_EQ(m.StatusText(), kCreated);
    EXPECT_FALSE(m.BError);
    EXPECT_FALSE(m.Running);
    EXPECT_EQ(m.BarImage1.Code(), "4901234567894");
    EXPECT_TRUE(m.BarImage1.Picture().isMetafile()) << "the default copy kind is EMF";
    EXPECT_EQ(m.HistoryEx1.History(), QStringList{"4901234567894"});

    m.EditCode.setText("12");
    m.RB_Click();
    EXPECT_EQ(m.StatusText(), kNotCreated);
    EXPECT_TRUE(m.BError);
    EXPECT_EQ(m.HistoryEx1.History(), QStringList{"4901234567894"}) << "a failure is not remembered";
    EXPECT_EQ(QSize(m.BarImage1.Width(), m.BarImage1.Height()), QSize(60, 28));
    EXPECT_TRUE(m.BarImage1.Picture().isMetafile()) << "the error picture in the metafile kind";

    m.CopyBm.Click();
    EXPECT_TRUE(m.CopyBm.Checked());
    EXPECT_FALSE(m.CopyEmf.Checked());
    EXPECT_TRUE(m.BarImage1.Picture().isBitmap());
    EXPECT_EQ(m.BarImage1.Picture().bitmap(), m.ErrBmp);
}

TEST(CreationFlow, EmptyDataStopsAfterClearingTheStatus)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.RB_Click();
    const int w = m.BarImage1.Width();
    m.EditCode.setText("");
    m.RB_Click();
    EXPECT_TRUE(m.StatusText().isEmpty());
    EXPECT_EQ(m.BarImage1.Width(), w) << "the old picture stays";
    EXPECT_FALSE(m.Running);
}

TEST(CreationFlow, NothingWhileCreating)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.Creating = true;
    m.RB_Click();
    EXPECT_TRUE(m.StatusText().isEmpty());
    EXPECT_FALSE(m.BarImage1.BarDisped());
}

TEST(CreationFlow, PasteErrorPutsTheTextOnTheClipboardAndRestoresTheWatcher)
{
    JobModel m;
    MemClipboard cb;
    m.setClipboard(&cb);
    Select(m, 0, "x");
    m.RB_Click();
    EXPECT_EQ(cb.writes, 0) << "without PasteError the clipboard is untouched";
    m.PasteError.Click();
    m.setWatcherEnabled(true);
    m.RB_Click();
    EXPECT_EQ(cb.text, kNotCreated);
    EXPECT_TRUE(m.WatcherEnabled());
}

TEST(CreationFlow, OneDrawingAndOneAutomaticCopyPerCreation)
{
    JobModel m;
    MemClipboard cb;
    m.setClipboard(&cb);
    int drawings = 0;
    m.BarImage1.OnPaintBar = [&](TBarImage &b) { drawings += b.BarEnabled(); };
    m.AutoCopy.Click();
    Select(m, 0, "4901234567894");
    m.RB_Click();
    EXPECT_EQ(drawings, 1);
    EXPECT_EQ(cb.writes, 1);
    EXPECT_EQ(cb.kind, "emf");
    EXPECT_FALSE(cb.bytes.isEmpty());
}

TEST(Copy, EveryKindOffersTheBitmapFormBesideIt)
{
    // The bitmap a linear symbol has in the bitmap kind, with text, comment and colours.
    JobModel m;
    MemClipboard cb;
    m.setClipboard(&cb);
    m.AddCodeChar.setChecked(true);
    m.ComntStr.setText("SAMPLE");
    m.Comnt.setChecked(true);
    m.BarImage1.setBarColor(0x0000FF);
    m.CopyBm.Click();
    Select(m, 10, "ZEBRIX 128");
    m.RB_Click();
    ASSERT_FALSE(m.BError);
    const QImage bitmap = m.CurrentPicture().bitmap();
    for (TMenuItemState *kind : {&m.CopyEmf, &m.CopyMf, &m.CopyJpg}) {
        kind->Click();
        EXPECT_TRUE(m.CopyPicture()) << kind->Name().toStdString();
        EXPECT_EQ(cb.png, bitmap) << kind->Name().toStdString();
    }
    cb.refuse = true;
    EXPECT_FALSE(m.CopyPicture()) << "a refused copy is reported";
    m.CopyEmf.Click();
    EXPECT_FALSE(m.CopyPicture());
}

TEST(CreationFlow, JobPushedIntoTheComponent)
{
    JobModel m;
    Select(m, 3, "1234");   // NW-7
    m.CdTypeChange();
    m.StartCh.setItemIndex(2);
    m.StopCH.setItemIndex(3);
    m.CheckDigit.setChecked(true);
    m.ThinWd.setItemIndex(2);
    m.BarHeight.setText("77");
    m.LeftMargin.setText("13");
    m.TopMargin.setText("4");
    m.BoxDraw.setChecked(true);
    m.AddCodeChar.setChecked(true);
    m.AddSChar.setChecked(true);
    m.ComntAl.setItemIndex(2);
    m.RB_Click();
    const TBarImage &b = m.BarImage1;
    EXPECT_EQ(b.BarType(), cbarNW7);
    EXPECT_EQ(b.StartChar(), u'C');
    EXPECT_EQ(b.StopChar(), u'D');
    EXPECT_TRUE(b.CD());
    EXPECT_EQ(b.Scale(), 3);
    EXPECT_GE(b.BarHeight(), 77);
    EXPECT_EQ(b.BarSpaceLeft(), 13);
    EXPECT_EQ(b.BarSpaceRight(), 13);
    EXPECT_EQ(b.BarSpaceUp(), 4);
    EXPECT_EQ(b.BarSpaceDown(), 4);
    EXPECT_EQ(b.BarFrame(), 3);
    EXPECT_TRUE(b.SymbolDisp());
    EXPECT_TRUE(b.ShowStartStop);
    EXPECT_EQ(b.CommentDownLoc(), locRight);
    EXPECT_EQ(m.StatusText(), kCreated);
}

TEST(CreationFlow, CommentSpaceIsOneLineAsTheComponentMeasuresIt)
{
    JobModel m;
    QFont f = m.Fnt;
    f.setPointSize(9);
    m.ApplyFont(f, 0);
    Select(m, 0, "4901234567894");
    m.ComntStr.setText("PRICE");
    m.ComntPos.setItemIndex(0);
    m.Comnt.setChecked(true);   // runs a creation
    EXPECT_TRUE(m.ComntStr.Enabled());
    const int line = m.BarImage1.TextLineHeight();
    EXPECT_GT(line, 12) << "a line is taller than the font's 12-pixel size";
    EXPECT_EQ(m.BarImage1.BarSpaceUp(), 5 + line);
    EXPECT_EQ(m.BarImage1.BarSpaceDown(), 5);
    EXPECT_EQ(m.BarImage1.CommentUp(), "PRICE");
    m.ComntPos.setItemIndex(1);
    m.RB_Click();
    EXPECT_EQ(m.BarImage1.BarSpaceUp(), 5);
    EXPECT_EQ(m.BarImage1.BarSpaceDown(), 5 + line);
    EXPECT_TRUE(m.BarImage1.CommentUp().isEmpty());
}

// A symbol with its text and a comment above or below (position 0 or 1),
// with or without a frame, as pixels: a metafile without the extra pixel it
// reports each way.
QImage drawWithComment(int index, const QString &data, TBarPictures kind, int position, bool frame)
{
    JobModel m;
    m.SetPictureKind(kind);
    Select(m, index, data);
    m.StartCh.setItemIndex(1);   // Code 128 set B: lower case
    m.AddCodeChar.setChecked(true);
    m.BoxDraw.setChecked(frame);
    m.ComntStr.setText("SAMPLE");
    m.ComntPos.setItemIndex(position);
    m.Comnt.setChecked(true);
    m.RB_Click();
    const TPicture &p = m.BarImage1.Picture();
    const int extra = p.isMetafile() ? 1 : 0;
    return p.toImage().copy(0, 0, p.width() - extra, p.height() - extra).convertToFormat(QImage::Format_RGB32);
}

// The frame runs between the comment and the symbol, never along a row that
// holds text or bars (Code 128 for a text reaching below the baseline).
TEST(CreationFlow, FrameNeverCrossesTheCommentTheTextOrTheBars)
{
    struct Symbol { int index; const char *data; };
    for (const Symbol symbol : {Symbol{0, "4901234567894"}, Symbol{10, "Typography"}})
        for (TBarPictures kind : {pbarBMP, pbarEMF})
            for (int position : {0, 1}) {
                const QString data = QString::fromLatin1(symbol.data);
                const QImage framed = drawWithComment(symbol.index, data, kind, position, true);
                const QImage bare = drawWithComment(symbol.index, data, kind, position, false);
                ASSERT_EQ(framed.size(), bare.size());
                int frameRows = 0;
                for (int y = 0; y < framed.height(); ++y) {
                    bool frameRow = true, ink = false;
                    for (int x = 0; x < framed.width(); ++x) {
                        frameRow = frameRow && qGray(framed.pixel(x, y)) < 128;
                        ink = ink || bare.pixel(x, y) != 0xFFFFFFFFu;
                    }
                    frameRows += frameRow;
                    EXPECT_FALSE(frameRow && ink) << symbol.data << ", kind " << int(kind) << ", comment "
                                                  << (position ? "below" : "above") << ", row " << y;
                }
                EXPECT_EQ(frameRows, 2 * 3) << "top and bottom of a 3-pixel frame";
            }
}

TEST(CreationFlow, AddCodeCharSwitchesTheTextAtOnceWithoutACreation)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.RB_Click();
    m.setStatusText("marker");
    m.AddCodeChar.setChecked(true);
    EXPECT_TRUE(m.FontBtn.Enabled());
    EXPECT_TRUE(m.CharSmp.Enabled());
    EXPECT_TRUE(m.BarImage1.SymbolDisp());
    EXPECT_EQ(m.StatusText(), "marker") << "no RB_Click";
}

struct CdTypeCase { int index; QStringList start; bool startEnabled; bool stopEnabled; };
class CdTypeChangeLists : public ::testing::TestWithParam<CdTypeCase> {};

TEST_P(CdTypeChangeLists, StartAndStopLists)
{
    const auto &c = GetParam();
    JobModel m;
    m.CdType.setItemIndex(c.index);
    m.CdTypeChange();
    EXPECT_EQ(m.StartCh.Items(), c.start);
    EXPECT_EQ(m.StopCH.Items(), c.start);
    EXPECT_EQ(m.StartCh.ItemIndex(), 0);
    EXPECT_EQ(m.StartCh.Enabled(), c.startEnabled);
    EXPECT_EQ(m.StopCH.Enabled(), c.stopEnabled);
}

INSTANTIATE_TEST_SUITE_P(Table, CdTypeChangeLists, ::testing::Values(
    CdTypeCase{2, {"*"}, false, false},
    CdTypeCase{3, {"A", "B", "C", "D"}, true, true},
    CdTypeCase{10, {"A", "B", "C"}, true, false},
    CdTypeCase{0, {"A", "B", "C"}, false, false}));

TEST(CdTypeChange, OtherSymbologiesKeepTheLists)
{
    JobModel m;
    m.CdType.setItemIndex(3);
    m.CdTypeChange();
    m.CdType.setItemIndex(4);
    m.CdTypeChange();
    EXPECT_EQ(m.StartCh.Count(), 4);
    EXPECT_FALSE(m.StartCh.Enabled());
}

TEST(CdTypeChange, PanelsByEngine)
{
    JobModel m;
    m.CdType.setItemIndex(12);
    m.CdTypeChange();
    EXPECT_TRUE(m.QRPanel.Visible());
    EXPECT_TRUE(m.Image1View.Visible());
    EXPECT_FALSE(m.BarImage1View.Visible());
    for (const TControlState *c : std::initializer_list<const TControlState *>{&m.Panel3, &m.Panel5, &m.LeftMargin,
                                                                                &m.TopMargin, &m.BarHeight, &m.BoxDraw})
        EXPECT_FALSE(c->Enabled()) << c->Name().toStdString();
    m.CdType.setItemIndex(0);
    m.CdTypeChange();
    EXPECT_FALSE(m.QRPanel.Visible());
    EXPECT_TRUE(m.BarImage1View.Visible());
    EXPECT_TRUE(m.BarHeight.Enabled());
    EXPECT_TRUE(m.BoxDraw.Enabled());
}

// The symbologies after the library's: the picture they are made in, the
// panel of 特殊, and the controls that do not apply to them.
struct LaterControls { int index; bool image1, qrPanel, barHeight, boxDraw; };
class CdTypeChangeLater : public ::testing::TestWithParam<LaterControls> {};

TEST_P(CdTypeChangeLater, ControlsThatApply)
{
    const LaterControls &c = GetParam();
    JobModel m;
    m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    ASSERT_EQ(m.CdType.Count(), kIndexCount);
    m.CdType.setItemIndex(c.index);
    m.CdTypeChange();
    EXPECT_EQ(m.Image1View.Visible(), c.image1);
    EXPECT_EQ(m.BarImage1View.Visible(), !c.image1);
    EXPECT_EQ(m.QRPanel.Visible(), c.qrPanel);
    EXPECT_TRUE(m.SpCode.Enabled());
    for (const TControlState *qr : std::initializer_list<const TControlState *>{&m.QRVer, &m.QRErr, &m.QRSubBtn})
        EXPECT_FALSE(qr->Enabled()) << qr->Name().toStdString();
    EXPECT_EQ(m.BarHeight.Enabled(), c.barHeight);
    EXPECT_EQ(m.BoxDraw.Enabled(), c.boxDraw);
    for (const TControlState *off : std::initializer_list<const TControlState *>{&m.CheckDigit, &m.AddSChar,
                                                                                  &m.StartCh, &m.StopCH})
        EXPECT_FALSE(off->Enabled()) << off->Name().toStdString();
    // Back to JAN: everything as it was.
    m.CdType.setItemIndex(cbarJAN);
    m.CdTypeChange();
    for (const TControlState *on : std::initializer_list<const TControlState *>{&m.CheckDigit, &m.AddSChar,
                                                                                 &m.BarHeight, &m.BoxDraw})
        EXPECT_TRUE(on->Enabled()) << on->Name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, CdTypeChangeLater, ::testing::Values(
    LaterControls{cbarGS1128, false, false, true, true}, LaterControls{cbarITF14, false, false, true, false},
    LaterControls{cbarJANADD, false, false, true, true}, LaterControls{kIndexDataMatrix, true, true, false, true},
    LaterControls{kIndexGS1DataMatrix, true, false, false, true}, LaterControls{kIndexAztec, true, true, false, true}));

TEST(CdTypeChange, SelectsLevelMWhenNoLevelIsSelected)
{
    JobModel m;
    m.QRErr.setItemIndex(-1);
    m.CdTypeChange();
    EXPECT_EQ(m.QRErr.ItemIndex(), 1);
    m.QRErr.setItemIndex(3);
    m.CdTypeChange();
    EXPECT_EQ(m.QRErr.ItemIndex(), 3);
}

struct ModeCase { int index; int width; bool cd; const char *start; const char *stop; const char *text; };
class ModeText : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeText, Summary)
{
    const auto &c = GetParam();
    JobModel m;
    m.CdType.setItemIndex(c.index);
    m.CdTypeChange();
    m.ThinWd.setItemIndex(c.width);
    m.CheckDigit.setChecked(c.cd);
    m.StartCh.setItemIndex(m.StartCh.Items().indexOf(c.start));
    m.StopCH.setItemIndex(m.StopCH.Items().indexOf(c.stop));
    m.ShowModeText();
    EXPECT_EQ(m.ModeText(), QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(Table, ModeText, ::testing::Values(
    ModeCase{0, 0, true, "A", "A", "JAN 1×CD "},
    ModeCase{3, 1, false, "A", "B", "NW-7 2×A/B"},
    ModeCase{10, 2, false, "A", "A", "CODE128 3×"},
    ModeCase{12, -1, false, "A", "A", "QR2 ?×"},
    ModeCase{-1, 0, false, "A", "A", "UnKnown 1×"}));

TEST(ModeText, NamesOfAllIndexes)
{
    const QStringList names = {"JAN", "UPC", "CODE39", "NW-7", "ITF", "CTF", "IATA", "MATRIX", "NEC", "CUSTOMER",
                               "CODE128", "CODE93", "QR2", "GS1Limited", "GS1Stack", "GS1Stabdard",
                               "GS1Stack Omni", "PDF417", "PDF417Trunc", "GS1-128", "ITF-14", "JAN+AddOn",
                               "DataMatrix", "GS1DataMatrix", "Aztec"};
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(JobModel::ModeName(i), names.at(i));
    EXPECT_EQ(JobModel::ModeName(kIndexCount), "UnKnown");
    EXPECT_EQ(JobModel::ModeName(-1), "UnKnown");
}

TEST(ModeText, WrittenAfterEachLinearDrawingButNotByQR)
{
    JobModel m;
    Select(m, 10, "ABC");
    m.ThinWd.setItemIndex(2);
    m.RB_Click();
    EXPECT_EQ(m.ModeText(), "CODE128 3×");
    Select(m, 12, "ABC");
    m.RB_Click();
    EXPECT_EQ(m.ModeText(), "CODE128 3×");
}

TEST(Execute, EmptyDataLineGoesIntoTheHistoryOnly)
{
    JobModel m;
    Select(m, 0, "");
    m.Execute();
    EXPECT_EQ(m.HistoryEx1.History(), QStringList{""});
    EXPECT_FALSE(m.BarImage1.BarDisped());
}

TEST(Execute, SuccessfulCreationIsRememberedOnce)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.Execute();
    EXPECT_EQ(m.HistoryEx1.History(), QStringList{"4901234567894"});
    EXPECT_EQ(m.CodeHistory.Text(), "4901234567894");
}

TEST(Execute, NoHistKeepsTheCreationOutOfTheHistory)
{
    JobModel m;
    m.NoHist = true;
    Select(m, 0, "4901234567894");
    m.RB_Click();
    EXPECT_TRUE(m.HistoryEx1.History().isEmpty());
}

TEST(Execute, PickingAHistoryEntryCreatesIt)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.Execute();
    m.EditCode.setText("12");
    m.Execute();
    m.CodeHistory.UserSelect(1);
    EXPECT_EQ(m.EditCode.Text(), "4901234567894");
    EXPECT_EQ(m.StatusText(), kCreated);
}

TEST(DelayTime, HoldsEveryCreationBeforeRunningClears)
{
    JobModel m;
    Select(m, 0, "4901234567894");
    m.DelayTime = 150;
    QElapsedTimer t;
    t.start();
    m.RB_Click();
    EXPECT_GE(t.elapsed(), 150);
    EXPECT_FALSE(m.Running);
}

TEST(Engines, ZintBarTypeTurnsTheQRBranchOff)
{
    JobModel m;
    Select(m, 12, "ABC");
    m.ZintBarType = 1000;
    m.RB_Click();
    EXPECT_EQ(m.StatusText(), kNotCreated) << "index 12 in the linear component";
    m.ZintBarType = 1020;
    m.RB_Click();
    EXPECT_TRUE(m.StatusText().isEmpty()) << "the library branch without a library does nothing";
    EXPECT_FALSE(m.Running);
}

TEST(Engines, NoSymbologySelectedFails)
{
    JobModel m;
    Select(m, -1, "4901234567894");
    m.RB_Click();
    EXPECT_EQ(m.StatusText(), kNotCreated);
}

// Why a creation failed, in the window's words (the built-in Japanese here;
// zebrixc's English words are its own tests').
struct ReasonCase { const char *name; int index; const char *data; int qrLevel; const char *reason; };
class FailureReasons : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(FailureReasons, StandBesideTheStatus)
{
    const ReasonCase &c = GetParam();
    JobModel m;
    m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});   // items from 13 on
    QStringList said;
    QObject::connect(&m, &JobModel::failureReasonChanged, [&](const QString &r) { said << r; });
    m.QRErr.setItemIndex(c.qrLevel);
    Select(m, c.index, QString::fromUtf8(c.data));
    m.RB_Click();
    EXPECT_EQ(m.FailureReason(), QString::fromUtf8(c.reason));
    EXPECT_EQ(said.value(said.size() - 1), QString::fromUtf8(c.reason));
    // The next success clears it.
    Select(m, cbarCODE39, "OK");
    m.RB_Click();
    EXPECT_EQ(m.FailureReason(), QString());
}

INSTANTIATE_TEST_SUITE_P(Table, FailureReasons, ::testing::Values(
    ReasonCase{"JanLength", cbarJAN, "12345", 0, "JAN のデータは 7, 8, 12 または 13 桁です (このデータは 5 文字)"},
    ReasonCase{"Code39Character", cbarCODE39, "AbC", 0, "2 文字目の 'b' は使えません: CODE39 の文字は 0-9 A-Z - . 空白 $ / + % です"},
    ReasonCase{"UpcE", cbarUPC, "1234567", 0, "'1234567' は UPC-E の番号ではありません: UPC-E は 0 で始まり UPC-A に展開できる 7 桁です"},
    ReasonCase{"QRTooLong", kIndexQR, "123456789012345678901234567890123456789012345678901234567890123", 1,
               "データは 63 バイト、バージョン 4-M は 62 バイトまで"},
    ReasonCase{"Gs1128CheckDigit", cbarGS1128, "(01)04912345123458", 0,
               "18 文字目のチェック・デジット '8' は誤りです: 正しくは 9 (AI 01)"},
    ReasonCase{"Itf14Length", cbarITF14, "12345", 0, "ITF-14 のデータは 13 または 14 桁です (このデータは 5 文字)"},
    ReasonCase{"JanAddOnCharacter", cbarJANADD, "4912345123459-12", 0,
               "14 文字目の '-' は使えません: JAN+AddOn の文字は 数字 0-9 とアドオンの前の空白 1 つ です"},
    ReasonCase{"Gs1DataMatrixDate", kIndexGS1DataMatrix, "[01]04912345123459[17]261332", 0,
               "23 文字目の '261332' (AI 17) は日付 YYMMDD ではありません"},
    ReasonCase{"Success", cbarCODE39, "ABC", 0, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BadInput, AnyDataLineGivesAStatusText)
{
    const QString huge(1 << 20, u'A');
    QString controls;
    for (char16_t c = 1; c < 32; ++c)
        controls += QChar(c);
    const QString emoji = QStringLiteral("😀🎌");
    for (int index : {0, 2, 9, 10, 11, 12}) {
        for (const QString &data : {huge, controls, emoji}) {
            JobModel m;
            Select(m, index, data);
            m.RB_Click();
            EXPECT_FALSE(m.StatusText().isEmpty()) << index;
            EXPECT_FALSE(m.Running);
        }
    }
}

} // namespace
