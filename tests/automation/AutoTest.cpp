// The automation object and the macro object in-process: range rules, which
// writes create, the methods, and failures left for the reply.
#include "Auto.h"

#include "../app/ModelTestSupport.h"
#include "AutoCases.h"
#include "CommandLine.h"
#include "LaterSymbols.h"
#include "Oracle.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Host : ICommandHost {
    bool showMainForm = true;
    int shows = 0, hides = 0;
    void SetShowMainForm(bool v) override { showMainForm = v; }
    bool ShowMainForm() const override { return showMainForm; }
    void Show(bool v) override
    {
        showMainForm = v;
        ++(v ? shows : hides);
    }
};

struct Fixture {
    JobModel m;
    MemClipboard clip;
    Host h;
    TAuto a{m, h};
    int creations = 0;   // runs of the creation flow (each clears the status line first)
    Fixture()
    {
        m.setClipboard(&clip);
        QObject::connect(&m, &JobModel::statusTextChanged, [this](const QString &t) { creations += t.isEmpty(); });
        m.AutoCopy.setChecked(true);
        m.CdType.setItemIndex(cbarJAN);
        m.EditCode.setText("490123456789");
        m.RB_Click();
        m.HistoryEx1.Clear();
        creations = 0;
    }
};

TEST(Auto, EveryPropertyWrittenAndReadBack)
{
    Fixture f;
    for (const AutoWrite &w : kAutoWrites) {
        const int before = f.creations;
        ASSERT_TRUE(f.a.setProperty(w.property, w.write)) << w.property;
        EXPECT_FALSE(f.a.TakeFailure()) << w.property;
        EXPECT_EQ(f.a.property(w.property), w.read) << w.property << " = " << w.write.toString().toStdString();
        EXPECT_EQ(f.creations - before, w.creations) << w.property << " = " << w.write.toString().toStdString();
    }
    // What the reads stand for.
    EXPECT_TRUE(f.m.CopyEmf.Checked() && !f.m.CopyMf.Checked() && !f.m.CopyBm.Checked());
    EXPECT_EQ(f.m.BarImage1.BarFont().pointSize(), 14);
    EXPECT_EQ(f.m.BarImage1.StartChar(), u'A') << "Z: no item, the component's start character falls back";
    EXPECT_EQ(f.m.BarImage1.StopChar(), u'C');
    EXPECT_EQ(f.m.ZintPrimary, "extra");
    EXPECT_FALSE(f.m.ClipboardWatcher1.hasOnChange());
}

TEST(Auto, ClipBWatchAttachesWithoutEnabling)
{
    Fixture f;
    f.m.setWatcherEnabled(false);
    f.a.setClipBWatch(1);
    EXPECT_TRUE(f.m.ClipbrdWatch.Checked());
    EXPECT_TRUE(f.m.ClipboardWatcher1.hasOnChange());
    EXPECT_FALSE(f.m.WatcherEnabled()) << "watching starts at the next enabling";
    // Zebrix's own copy enables the watcher afterwards: watching starts.
    ASSERT_TRUE(f.m.CopyPicture());
    EXPECT_TRUE(f.m.ClipboardWatcher1.Registered());
    f.a.setClipBWatch(0);
    EXPECT_FALSE(f.m.ClipboardWatcher1.Registered()) << "off ends watching at once";
    EXPECT_TRUE(f.m.WatcherEnabled());
}

TEST(Auto, EmptyStartOrStopCharFails)
{
    Fixture f;
    f.a.setCodeType(cbarNW7);
    f.a.setStopChar("");
    const auto failure = f.a.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->name, automation_error::kFailed);
    EXPECT_EQ(f.m.StopCH.ItemIndex(), -1) << "the list is left without a selection";
    f.a.setStartChar("D");
    EXPECT_FALSE(f.a.TakeFailure());
    EXPECT_EQ(f.m.BarImage1.StartChar(), u'D');
}

TEST(Auto, CodeTypeRawLibrarySymbology)
{
#ifdef ZINTBAR_PLUGIN
    Fixture f;
    f.m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    f.a.setCode("Zebrix");
    f.a.setCopyType(0);
    f.a.setCodeType(1055);
    EXPECT_EQ(f.a.CodeType(), cbarJAN) << "the raw symbology is not shown";
    const auto d = oracle::Decode(f.m.Image1.Picture().toImage());
    EXPECT_EQ(d.format, ZXing::BarcodeFormat::PDF417);
    f.a.setCodeType(17);
    EXPECT_EQ(f.m.ZintBarType, 0);
#else
    GTEST_SKIP() << "no plugin";
#endif
}

// With the library, CodeType 19 to 24 select and create the symbologies
// after the library's.
TEST(Auto, CodeTypeOfTheSymbologiesAfterTheLibrarys)
{
#ifdef ZINTBAR_PLUGIN
    for (const TLaterSymbol &s : kLaterSymbols) {
        Fixture f;
        f.m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
        f.a.setCode(QString::fromLatin1(s.data));
        f.a.setBarScale(1);
        f.a.setCodeType(s.index);
        EXPECT_EQ(f.a.CodeType(), s.index);
        EXPECT_EQ(f.a.Execute(), 0) << s.name << ": " << f.m.StatusText().toStdString();
        EXPECT_TRUE(DecodeLater(f.m.CurrentPicture().toImage(), s).ok) << s.name;
    }
#else
    GTEST_SKIP() << "no plugin";
#endif
}

TEST(Auto, ExecuteReportsTheLastCreation)
{
    Fixture f;
    EXPECT_EQ(f.a.Execute(), 0);
    f.a.setCode("49012345678X");
    EXPECT_EQ(f.a.Execute(), -1);
    f.a.setCode("");
    EXPECT_EQ(f.a.Execute(), -1) << "nothing created: the outcome of the last creation";
    EXPECT_TRUE(f.m.HistoryEx1.History().isEmpty()) << "Execute adds nothing to the history";
    EXPECT_FALSE(f.m.NoHist);
    // A QR escape that does not convert is the member's failure.
    f.a.setCode("%ZZ");
    f.a.setSpecialCode(1);
    f.a.setCodeType(kIndexQR);
    ASSERT_TRUE(f.a.TakeFailure());
    f.a.Execute();
    const auto failure = f.a.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->name, automation_error::kConversion);
    EXPECT_FALSE(f.m.NoHist);
    EXPECT_FALSE(f.m.Running);
}

TEST(Auto, ShowAndHide)
{
    Fixture f;
    f.a.setVisible(0);
    EXPECT_EQ(f.a.Visible(), 0);
    f.a.setVisible(2);
    EXPECT_EQ(f.a.Visible(), 1);
    EXPECT_EQ(f.h.shows + f.h.hides, 0) << "Visible is the mark alone: nothing shows or hides";
    f.a.Show(0);
    EXPECT_EQ(f.a.Visible(), 0);
    f.a.Show(-7);
    EXPECT_EQ(f.a.Visible(), 1);
    EXPECT_EQ(f.h.shows, 1);
    EXPECT_EQ(f.h.hides, 1);
}

TEST(Auto, SaveFileAndTempPicture)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    Fixture f;
    EXPECT_EQ(f.a.SaveFile(dir.filePath("Jan.Png")), 1);
    EXPECT_EQ(oracle::Decode(QImage(dir.filePath("Jan.Png"))).text, "4901234567894");
    EXPECT_EQ(f.a.SaveFile(dir.filePath("missing/x.bmp")), 0);
    ASSERT_TRUE(f.a.TakeFailure()) << "a file that cannot be written is the member's failure";
    const QString folder = dir.filePath("config/") + QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    f.a.setCopyType(pbarWMF);
    EXPECT_EQ(f.a.SaveTempPict(), folder + "/tmppict.emf");
    f.a.setCopyType(pbarBMP);
    EXPECT_EQ(f.a.SaveTempPict(), folder + "/tmppict.bmp");
    EXPECT_EQ(oracle::Decode(QImage(folder + "/tmppict.bmp")).text, "4901234567894");
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(DdeConv, ItemAndPicture)
{
    Fixture f;
    TDdeConv dde(f.m, f.h);
    EXPECT_EQ(dde.Request("DdeZebrix"), "");
    dde.Poke("ddezebrix", "stored");
    EXPECT_EQ(dde.Request("DDEZEBRIX"), "stored");
    dde.Poke("Other", "x");
    const auto failure = dde.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->name, automation_error::kUnknownItem);
    EXPECT_EQ(dde.Request("DdeZebrix"), "stored");

    QByteArray data;
    EXPECT_EQ(dde.Picture(data), "emf");
    EXPECT_EQ(data.left(4), QByteArray("\x01\0\0\0", 4)) << "EMR_HEADER";
    dde.Execute("COPYTYPE BMP\nWRITE 490123456789");
    EXPECT_EQ(dde.Picture(data), "bmp");
    QImage bmp;
    ASSERT_TRUE(bmp.loadFromData(data, "BMP"));
    EXPECT_EQ(oracle::Decode(bmp).text, "4901234567894");
    dde.Execute("HEIGHT x");
    EXPECT_EQ(dde.TakeFailure()->name, automation_error::kConversion);
}

} // namespace
