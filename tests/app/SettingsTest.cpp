// Zebrix's keys: what a closing writes, in which order, and what a start
// reads back into the controls.
#include "JobModel.h"
#include "Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Keys of a section in file order.
QStringList keysOf(const QString &file, const QString &section)
{
    TIniGT ini;
    ini.setFileName(file);
    return ini.ReadSection(section);
}

TEST(Settings, AFirstClosingWritesEveryKeyInOrderWithTheDefaults)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("zebrixd.ini");
    TIniGT ini;
    ini.setFileName(file);
    JobModel m;
    TWindowSettings w;
    ReadSettings(ini, m, w);
    ReadPlacementAndFont(ini, m, w);
    ASSERT_EQ(WriteSettings(ini, m, w), "");
    EXPECT_EQ(keysOf(file, "Options"),
              (QStringList{"TaskTary", "CodeType", "ThinWidth", "CheckDigit", "AddCodeChar", "FormType", "FormStyle",
                           "AutoCopy", "CopyToMf", "CopyToEMf", "CopyToBm", "CBWatch", "BarHeight", "LeftMargin",
                           "TopMargin", "Font.Name", "Font.Size", "Font.Style", "Font.Color", "BoxDraw", "Comment",
                           "ComntPos", "ComntAl", "ComntStr", "QRVersion", "QRErrLebel", "Trim_Space", "PasteErr",
                           "AddSChar", "StartChar", "StopChar", "BWindow"}));
    EXPECT_EQ(keysOf(file, "Desktop"), (QStringList{"Windows.Flags", "Windows.Show", "Windows.MaxX", "Windows.MaxY",
                                                   "Windows.X", "Windows.Y", "Windows.XSize", "Windows.YSize",
                                                   "LastStr"}));
    const QString text = QString::fromUtf8(readAll(file));
    for (const char *line : {"CodeType=1\n", "CopyToEMf=1\n", "BarHeight=50\n", "LeftMargin=20\n", "TopMargin=5\n",
                             "QRVersion=4\n", "QRErrLebel=0\n", "ComntPos=1\n", "LastStr=\"\"\n", "[Language]\nLanguage=ja\n",
                             "[HistoryEx1]\nCount=-1\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line;
    EXPECT_FALSE(text.contains("BarColor=") || text.contains("BackColor=") || text.contains("NoSaveIni"));
}

TEST(Settings, EverythingChosenComesBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("zebrixd.ini");
    {
        TIniGT ini;
        ini.setFileName(file);
        JobModel m;
        m.CdType.setItemIndex(3);
        m.CdTypeChange();
        m.StopCH.setItemIndex(2);
        m.ThinWd.setItemIndex(2);
        m.CheckDigit.setChecked(true);
        m.AddCodeChar.setChecked(true);
        m.CopyBm.Click();
        m.AutoCopy.Click();
        m.BarHeight.setValue(150);
        m.Comnt.setChecked(true);
        m.ComntStr.setText(QStringLiteral("価格"));
        m.ComntPos.setItemIndex(0);
        m.EditCode.setText(QStringLiteral(" A123B "));
        m.HistoryEx1.Append("first");
        m.HistoryEx1.Append("second");
        m.ResTaskTray = true;
        QFont f = m.Fnt;
        f.setItalic(true);
        m.ApplyFont(f, 0x00FF00);
        TWindowSettings w;
        w.FormType = TViewMode::Minimum;
        w.FormStyle = true;
        w.Placement.Normal = QRect(100, 20, 300, 200);
        ASSERT_EQ(WriteSettings(ini, m, w), "");
    }
    TIniGT ini;
    ini.setFileName(file);
    JobModel m;
    m.Creating = true;
    TWindowSettings w;
    ReadSettings(ini, m, w);
    ReadPlacementAndFont(ini, m, w);
    m.HistoryEx1.IniFile = file;
    m.HistoryEx1.LoadFromIni();
    EXPECT_EQ(m.CdType.ItemIndex(), 3);
    EXPECT_EQ(m.StopCH.ItemIndex(), 2);
    EXPECT_EQ(m.ThinWd.ItemIndex(), 2);
    EXPECT_TRUE(m.CheckDigit.Checked() && m.AddCodeChar.Checked() && m.Comnt.Checked());
    EXPECT_TRUE(m.CopyBm.Checked() && !m.CopyEmf.Checked() && m.AutoCopy.Checked());
    EXPECT_EQ(m.BarHeight.Value(), 150) << "a stored number outside the edit's range is used as it is";
    EXPECT_EQ(m.ComntStr.Text(), QStringLiteral("価格"));
    EXPECT_EQ(m.ComntPos.ItemIndex(), 0);
    EXPECT_EQ(m.EditCode.Text(), " A123B ") << "blanks at either end survive";
    EXPECT_EQ(m.HistoryEx1.History(), (QStringList{"second", "first"}));
    EXPECT_TRUE(m.ResTaskTray);
    EXPECT_TRUE(m.Fnt.italic());
    EXPECT_EQ(m.FntColor, 0x00FF00u);
    EXPECT_EQ(w.FormType, TViewMode::Minimum);
    EXPECT_TRUE(w.FormStyle);
    EXPECT_EQ(w.Placement.Normal, QRect(100, 20, 300, 200));
    EXPECT_TRUE(m.ComntStr.Enabled()) << "the comment's handler ran";
}

// Hand edits the controls cannot show as they are: the copy kinds stay one
// radio group (and one key is 1 again on writing), a symbology below the
// list's items selects none.
struct HandCase { const char *name; const char *file; const char *checked; int codeType; };
class HandEdits : public ::testing::TestWithParam<HandCase> {};

TEST_P(HandEdits, EndAsTheControlsCanShowThem)
{
    const HandCase &c = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath("zebrixd.ini");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(c.file);
    f.close();
    TIniGT ini;
    ini.setFileName(file);
    JobModel m;
    TWindowSettings w;
    ReadSettings(ini, m, w);
    QStringList checked;
    for (TMenuItemState *k : {&m.CopyMf, &m.CopyEmf, &m.CopyBm, &m.CopyJpg})
        if (k->Checked())
            checked << k->Name();
    EXPECT_EQ(checked, QStringList{QString::fromLatin1(c.checked)});
    EXPECT_EQ(m.CdType.ItemIndex(), c.codeType);
    WriteSettings(ini, m, w);
    const QString text = QString::fromUtf8(readAll(file));
    EXPECT_EQ(text.count(QRegularExpression("CopyTo(Mf|EMf|Bm)=1\n")), 1) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, HandEdits, ::testing::Values(
    HandCase{"MetafileAlone", "[Options]\nCopyToMf=1\n", "CopyMf", 1},
    HandCase{"AllThree", "[Options]\nCopyToMf=1\nCopyToEMf=1\nCopyToBm=1\n", "CopyMf", 1},
    HandCase{"BitmapAlone", "[Options]\nCopyToBm=1\n", "CopyBm", 1},
    HandCase{"None", "[Options]\nCopyToEMf=0\n", "CopyBm", 1},
    HandCase{"NegativeSymbology", "[Options]\nCodeType=-3\n", "CopyEmf", -1},
    HandCase{"SymbologyBeyondTheItems", "[Options]\nCodeType=13\n", "CopyEmf", 0}),
    [](const auto &info) { return std::string(info.param.name); });

// With the library the list goes on to 24; one past it is JAN, as for any
// value beyond the items.
TEST(Settings, SymbologiesAfterTheLibrarysReadAndWrittenBack)
{
    for (const auto &[stored, read] : {std::pair{19, 19}, std::pair{21, 21}, std::pair{24, 24}, std::pair{25, 0}}) {
        QTemporaryDir dir;
        const QString file = dir.filePath("zebrixd.ini");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("[Options]\nCodeType=") + QByteArray::number(stored) + "\n");
        f.close();
        TIniGT ini;
        ini.setFileName(file);
        JobModel m;
        m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
        TWindowSettings w;
        ReadSettings(ini, m, w);
        EXPECT_EQ(m.CdType.ItemIndex(), read) << stored;
        WriteSettings(ini, m, w);
        EXPECT_TRUE(QString::fromUtf8(readAll(file)).contains(QStringLiteral("CodeType=%1\n").arg(read))) << stored;
    }
}

TEST(Settings, HandKeysAreReadAndNeverWritten)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("zebrixd.ini");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Options]\nBarColor=255\nBackColor=65535\nCodeType=18\nFont.Color=nonsense\n");
    f.close();
    TIniGT ini;
    ini.setFileName(file);
    JobModel m;   // no plugin: 13 items
    TWindowSettings w;
    ReadSettings(ini, m, w);
    ReadPlacementAndFont(ini, m, w);
    EXPECT_EQ(m.BarCol, 255u);
    EXPECT_EQ(m.BackCol, 65535u);
    EXPECT_EQ(m.CdType.ItemIndex(), 0) << "18 is beyond the items: JAN";
    WriteSettings(ini, m, w);
    EXPECT_TRUE(QString::fromUtf8(readAll(file)).contains("BarColor=255\nBackColor=65535\n")) << "kept as written";

    // NoSaveIni keeps the file as it is, byte for byte.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Options]\nNoSaveIni=1\nCodeType=4\n");
    f.close();
    const QByteArray before = readAll(file);
    JobModel again;
    ReadSettings(ini, again, w);
    again.CdType.setItemIndex(7);
    again.HistoryEx1.Append("x");
    EXPECT_EQ(WriteSettings(ini, again, w), "");
    EXPECT_EQ(readAll(file), before);
}

} // namespace
