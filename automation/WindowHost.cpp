#include "WindowHost.h"

#include "JobModel.h"
#include "MainWindow.h"
#include "Texts.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

TWindowHost::TWindowHost(TZebCode *window)
    : QObject(window), m_window(window)
{
}

TWindowHost::~TWindowHost() = default;

void TWindowHost::ProcessMessages() { QCoreApplication::processEvents(); }

void TWindowHost::Minimize() { m_window->showMinimized(); }

void TWindowHost::RequestClose() { m_window->close(); }

void TWindowHost::SetTrayIcon(bool visible)
{
    if (!visible) {
        if (m_tray)
            m_tray->hide();
        m_window->setTrayAvailable(false);
        return;
    }
    // Where there is no notification area the icon cannot be registered,
    // and the window must not hide into it.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_window->setTrayAvailable(false);
        QMessageBox::critical(m_window, texts::AppTitle(), texts::TrayRegisterFailed());
        return;
    }
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(m_window->windowIcon(), this);
        m_tray->setToolTip(texts::AppTitle());
        auto *menu = new QMenu(m_window);
        QAction *open = menu->addAction(texts::TrayOpen());
        open->setObjectName(QStringLiteral("Open1"));
        menu->addSeparator();
        QAction *close = menu->addAction(texts::TrayClose());
        close->setObjectName(QStringLiteral("Close2"));
        connect(open, &QAction::triggered, this, &TWindowHost::Open1Click);
        connect(close, &QAction::triggered, this, [this] {
            m_tray->hide();
            m_window->model()->TaskClose = true;
            m_window->close();
        });
        m_tray->setContextMenu(menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::DoubleClick)
                Open1Click();
        });
    }
    m_tray->show();
    m_window->setTrayAvailable(true);
}

void TWindowHost::Open1Click()
{
    if (m_showMainForm) {
        m_showMainForm = false;
        m_window->hide();
    } else {
        m_showMainForm = true;
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
}
