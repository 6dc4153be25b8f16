// What options do to the window where there is no notification area (the
// offscreen platform has none): every message holds nothing up, and the
// window never hides into nothing.
#include "Instance.h"
#include "StartSequence.h"
#include "JobModel.h"
#include "MainWindow.h"
#include "Texts.h"
#include "WindowHost.h"
#include "Auto.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class WindowHost : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            GTEST_SKIP() << "this platform has a notification area";
        window.show();
    }
    // Interprets a list as the running instance does; a modal box that
    // opens meanwhile is noted and closed (else it would hold the test up).
    void interpret(const QStringList &params)
    {
        auto modal = std::make_shared<bool>(false);
        QTimer::singleShot(0, [modal] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                *modal = true;
                w->close();
            }
        });
        instance::InterpretParamList(model, host, params);
        QCoreApplication::processEvents();
        EXPECT_FALSE(*modal) << "a modal box held the list up";
    }
    QStringList shownMessages() const
    {
        QStringList texts;
        for (const QMessageBox *box : window.findChildren<QMessageBox *>()) {
            if (box->isVisible() && !box->isModal())
                texts << box->text();
        }
        return texts;
    }

    JobModel model;
    TZebCode window{&model};
    TWindowHost host{&window};
};

TEST_F(WindowHost, TrayIconWithoutANotificationAreaSaysSoWithoutHoldingUp)
{
    interpret({QStringLiteral("/VOFF")});
    EXPECT_EQ(shownMessages(), QStringList{texts::TrayRegisterFailed()});
    EXPECT_FALSE(model.ResTaskTray) << "no residence in a tray that is not there";
    EXPECT_TRUE(window.isVisible());
}

TEST_F(WindowHost, StayInTheTrayKeepsTheWindowWhereThereIsNoTray)
{
    interpret({QStringLiteral("/ST")});
    EXPECT_TRUE(window.isVisible()) << "hidden into nothing, or closed";
    EXPECT_EQ(shownMessages(), QStringList{texts::TrayRegisterFailed()});
    EXPECT_FALSE(model.ResTaskTray);
    EXPECT_TRUE(host.ShowMainForm());
    // Residence has ended: the close box closes.
    window.close();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(WindowHost, VisibleOverTheBusIsTheMarkAlone)
{
    TAuto automation(model, host);
    automation.setVisible(0);
    EXPECT_EQ(automation.Visible(), 0);
    EXPECT_TRUE(window.isVisible()) << "writing the mark shows or hides nothing";
    automation.setVisible(1);
    EXPECT_EQ(automation.Visible(), 1);
}

} // namespace

namespace {

// The start sequence over a settings file of the test's own.
class StartSequence : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        QDir().mkpath(dir.filePath("config/test_windowhost"));
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    void writeIni(const QByteArray &text)
    {
        QFile f(dir.filePath("config/test_windowhost/test_windowhost.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QTemporaryDir dir;
};

TEST_F(StartSequence, StoredViewModeSymbologyAndColours)
{
    writeIni("[Options]\nFormType=3\nCodeType=25\nBarColor=255\nBarHeight=70\n[Desktop]\nLastStr=\"4901234567894\"\n"
             "[HistoryEx1]\nCount=1\n0=\"OLD\"\n");
    JobModel model;
    TZebCode window(&model);
    TWindowHost host(&window);
    FormCreate(model, window, host, {});
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.frameGeometry().height(), 108) << "view mode 3";
    EXPECT_EQ(model.CdType.ItemIndex(), 0) << "beyond the items: JAN";
    EXPECT_EQ(model.BarImage1.BarColor(), 255u);
    EXPECT_EQ(model.BarHeight.Value(), 70);
    EXPECT_EQ(model.HistoryEx1.History(), (QStringList{"4901234567894", "OLD"})) << "the shown symbol joins the history";
    EXPECT_EQ(model.StatusText(), "作成しました.") << "shown with its data: created";
    EXPECT_FALSE(model.Creating);
    EXPECT_FALSE(model.InitPers);
}

TEST_F(StartSequence, StoredBarcodeWindowHasItsButtonDown)
{
    writeIni("[Options]\nBWindow=1\n");
    JobModel model;
    TZebCode window(&model);
    TWindowHost host(&window);
    FormCreate(model, window, host, {});
    window.show();
    auto *bWin = window.findChild<QToolButton *>(QStringLiteral("BWin"));
    ASSERT_NE(window.Barview(), nullptr);
    EXPECT_TRUE(bWin->isChecked());
    bWin->click();   // the first click closes the barcode window
    EXPECT_EQ(window.Barview(), nullptr);
    EXPECT_FALSE(model.BWindow.Checked());
}

TEST_F(StartSequence, WithParametersTheWindowIsHiddenUntilShown)
{
    JobModel model;
    TZebCode window(&model);
    TWindowHost host(&window);
    window.show();
    FormCreate(model, window, host, {"/C39", "PARAM"});
    EXPECT_FALSE(window.isVisible()) << "hidden during the start";
    EXPECT_EQ(model.CdType.ItemIndex(), 2);
    EXPECT_EQ(model.EditCode.Text(), "PARAM");
    EXPECT_TRUE(model.AutoCopy.Checked()) << "checked after start-up parameters";
    EXPECT_FALSE(model.BError);
}

} // namespace
