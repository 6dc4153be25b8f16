// A display of a test's own with a real window manager on it: Xvfb and
// openbox, started for the test and ended with it. Under a window manager
// windows get frames, placement and activation as a user's desktop gives
// them; the X tools (xdotool, xprop, xwininfo, xclip) drive and read it
// through the real keyboard and window paths.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class TDesktop
{
public:
    TDesktop() = default;
    ~TDesktop();
    TDesktop(const TDesktop &) = delete;
    TDesktop &operator=(const TDesktop &) = delete;

    // Starts the X server and the window manager and waits until the window
    // manager runs. False, with the reason, when either cannot.
    bool Start(QString *why);
    // ":N", for DISPLAY.
    const QString &Display() const { return m_display; }

    // Runs an X tool on this display to its end (at most 60 s); its standard
    // output, without the final line break. exitCode, when given, gets its status.
    QString Run(const QString &program, const QStringList &args, int *exitCode = nullptr) const;
    // The visible top-level windows of a class (WM_CLASS), by window id.
    QStringList Windows(const QString &windowClass) const;
    // The outer geometry of a window: its frame included, as the window
    // manager reports it (_NET_FRAME_EXTENTS).
    struct TFrame { int x = 0, y = 0, width = 0, height = 0; };
    TFrame Frame(const QString &window) const;

    // Waits until the state holds (true), running `pump` between looks (for
    // a test's own event loop); false when it did not within the bound.
    static bool WaitFor(const std::function<bool()> &state, int boundMs = 60000,
                        const std::function<void()> &pump = {});

private:
    bool TryStart(QString *why);
    void Stop();

    QTemporaryDir m_home;
    QProcess m_server, m_wm;
    QString m_display;
};
