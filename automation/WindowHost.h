// The command-line host of the window: what options do to the main window
// and the notification-area icon. Every message it shows holds nothing up:
// the running instance may be interpreting a second start's parameters,
// whose sender waits for the end.
#pragma once

#include "CommandLine.h"

#include <QObject>
#include <functional>

class QSystemTrayIcon;
class TZebCode;

class TWindowHost : public QObject, public ICommandHost
{
    Q_OBJECT
public:
    explicit TWindowHost(TZebCode *window);
    ~TWindowHost() override;

    void ProcessMessages() override;
    void Minimize() override;
    void RequestClose() override;
    // "/VOFF" brings up the icon; where there is no notification area it
    // says so and tray residence ends (ResTaskTray cleared): the window must
    // never hide into nothing.
    void SetTrayIcon(bool visible) override;
    void SetShowMainForm(bool show) override { m_showMainForm = show; }
    bool ShowMainForm() const { return m_showMainForm; }
    QSystemTrayIcon *TrayIcon() const { return m_tray; }

    // Open1: shows a hidden window, hides a shown one.
    void Open1Click();
    // The close request with tray residence on: brings up the icon and marks
    // the window hidden; false, after saying so, where there is no
    // notification area (tray residence then ends).
    bool EnterTray();
    // A message over the window, shown without waiting for anybody to read it.
    void ShowError(const QString &message);

private:
    bool showIcon();
    void trayFailed();
    // Runs a slot's body; what it throws is shown, never passed on.
    void shielded(const std::function<void()> &body);

    TZebCode *m_window;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_showMainForm = true;
};
