// The command-line host of the window: what options do to the main window
// and the notification-area icon.
#pragma once

#include "CommandLine.h"

#include <QObject>

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
    void SetTrayIcon(bool visible) override;
    void SetShowMainForm(bool show) override { m_showMainForm = show; }
    bool ShowMainForm() const { return m_showMainForm; }

    // Open1: shows a hidden window, hides a shown one.
    void Open1Click();

private:
    TZebCode *m_window;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_showMainForm = true;
};
