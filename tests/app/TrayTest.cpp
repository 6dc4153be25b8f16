// Living in a real notification area: a StatusNotifierItem watcher on the
// session bus (this test's own, on a thread of its own) makes the desktop's
// notification area available to Qt, as a desktop's panel would.
#include "TrayIcon2.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

namespace {

class TWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    bool hostRegistered() const { return true; }
    QStringList items() const { return {}; }
    int protocolVersion() const { return 0; }
    std::atomic<int> registered{0};

public slots:
    void RegisterStatusNotifierItem(const QString &service)
    {
        ++registered;
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString &) {}

signals:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierItemUnregistered(const QString &service);
    void StatusNotifierHostRegistered();
};

class RealTray : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != u"xcb" || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "needs an X server and a session bus (xvfb-run, dbus-run-session)";
        watcher.moveToThread(&thread);
        thread.start();
        bool ok = false;
        QMetaObject::invokeMethod(
            &watcher,
            [this, &ok] {
                QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "tray-watcher");
                ok = bus.registerObject("/StatusNotifierWatcher", &watcher, QDBusConnection::ExportAllContents)
                    && bus.registerService("org.kde.StatusNotifierWatcher");
            },
            Qt::BlockingQueuedConnection);
        ASSERT_TRUE(ok) << "the watcher could not take its name";
        ASSERT_TRUE(TTrayIcon2::Available());
    }
    void TearDown() override
    {
        QMetaObject::invokeMethod(
            &watcher, [] { QDBusConnection::disconnectFromBus("tray-watcher"); }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    QThread thread;
    TWatcher watcher;
};

TEST_F(RealTray, CloseBoxHidesOpenShowsCloseEnds)
{
    Window w;
    w.action("TrayIcon")->trigger();   // Ctrl+T
    EXPECT_TRUE(w.model.ResTaskTray);
    EXPECT_TRUE(w.window.TrayIcon21()->Visible());
    EXPECT_FALSE(w.window.ShowMainForm());
    for (int i = 0; i < 200 && watcher.registered == 0; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_GE(watcher.registered, 1) << "the icon reached the notification area";

    w.window.close();   // the close box
    EXPECT_FALSE(w.window.isVisible());
    EXPECT_FALSE(w.window.Closed()) << "it only hides";
    w.window.Open1Click();
    EXPECT_TRUE(w.window.isVisible());
    w.window.Close2Click();   // "閉じる(&X)"
    EXPECT_TRUE(w.window.Closed());
    EXPECT_FALSE(w.window.TrayIcon21()->Visible());
    QFile ini(w.dir.filePath("zebrixd.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("TaskTary=1\n")) << "residence kept for the next start";
}

} // namespace

#include "TrayTest.moc"
