#include "WindowHost.h"

#include "JobModel.h"
#include "MainWindow.h"

#include <QCoreApplication>

TWindowHost::TWindowHost(TZebCode *window)
    : QObject(window), m_window(window)
{
}

TWindowHost::~TWindowHost() = default;

// The window repaints; what the user does meanwhile waits for the end of the
// interpretation (a dialog opened from a click must not hold it up).
void TWindowHost::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void TWindowHost::Minimize() { m_window->showMinimized(); }

void TWindowHost::RequestClose() { m_window->close(); }

void TWindowHost::ShowError(const QString &message) { m_window->ShowError(message); }

void TWindowHost::SetTrayIcon(bool visible) { m_window->SetTrayIconVisible(visible); }

void TWindowHost::SetShowMainForm(bool show) { m_window->setShowMainForm(show); }

bool TWindowHost::ShowMainForm() const { return m_window->ShowMainForm(); }

bool TWindowHost::EnterTray() { return m_window->EnterTray(); }

void TWindowHost::Open1Click() { m_window->Open1Click(); }

void TWindowHost::Show(bool show)
{
    // Open1 goes from the state its mark gives to the other one: the mark
    // first says the opposite of what is asked.
    m_window->setShowMainForm(!show);
    m_window->Open1Click();
}
