// What options do to the window where there is no notification area (the
// offscreen platform has none): every message holds nothing up, and the
// window never hides into nothing.
#include "Instance.h"
#include "JobModel.h"
#include "MainWindow.h"
#include "Texts.h"
#include "WindowHost.h"

#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>
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

} // namespace
