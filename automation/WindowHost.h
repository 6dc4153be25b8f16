// The command-line host of the window: what options do to the main window
// and its notification-area icon. Every message it shows holds nothing up:
// the running instance may be interpreting a second start's parameters,
// whose sender waits for the end.
#pragma once

#include "CommandLine.h"

#include <QObject>

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
    void SetShowMainForm(bool show) override;
    bool ShowMainForm() const override;
    // The automation object's Show: the window shown (raised) or hidden, its mark with it.
    void Show(bool show) override;

    // Open1: shows a hidden window, hides a shown one.
    void Open1Click();
    // The close request with tray residence on (see TZebCode::EnterTray).
    bool EnterTray();
    // A message over the window, shown without waiting for anybody to read it.
    void ShowError(const QString &message);

private:
    TZebCode *m_window;
};
