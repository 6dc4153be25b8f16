// zebrixd under a real window manager (openbox on an X server of each
// scenario's own): where the window comes back after restarts.
#include "Desktop.h"
#include "ProcessFixture.h"

namespace {

using namespace processes;

class DesktopRuns : public Processes
{
protected:
    void SetUp() override
    {
        Processes::SetUp();
        QString why;
        ASSERT_TRUE(desktop.Start(&why)) << why.toStdString();
        env.remove("QT_QPA_PLATFORM");
        env.insert("DISPLAY", desktop.Display());
    }
    // The window of a run, once the window manager has framed it at its height.
    QString shownWindow(int height)
    {
        QString window;
        EXPECT_TRUE(TDesktop::WaitFor([&] {
            const QStringList windows = desktop.Windows("zebrixd");
            window = windows.value(0);
            return windows.size() == 1 && desktop.Frame(window).height == height;
        })) << "no window " << height << " high";
        return window;
    }
    TDesktop desktop;
};

TEST_F(DesktopRuns, TheWindowStaysWhereItWasAcrossRestarts)
{
    QProcess *first = startInstance();
    const QString window = shownWindow(367);
    desktop.Run("xdotool", {"windowmove", window, "300", "150"});
    TDesktop::TFrame placed;
    ASSERT_TRUE(TDesktop::WaitFor([&] {
        placed = desktop.Frame(window);
        return placed.x != 0 || placed.y != 0;
    }));
    EXPECT_EQ(run({"/EXIT"}), 0);
    EXPECT_EQ(finish(first), 0);
    for (int restart = 1; restart <= 5; ++restart) {
        QProcess *instance = startInstance();
        const TDesktop::TFrame again = desktop.Frame(shownWindow(367));
        EXPECT_EQ(QPoint(again.x, again.y), QPoint(placed.x, placed.y)) << "restart " << restart;
        EXPECT_EQ(run({"/EXIT"}), 0);
        EXPECT_EQ(finish(instance), 0);
    }
}

} // namespace
