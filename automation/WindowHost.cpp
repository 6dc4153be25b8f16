#include "WindowHost.h"

#include "JobModel.h"
#include "MainWindow.h"
#include "Texts.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>

TWindowHost::TWindowHost(TZebCode *window)
    : QObject(window), m_window(window)
{
    m_window->setEnterTray([host = QPointer<TWindowHost>(this)] { return host && host->EnterTray(); });
}

TWindowHost::~TWindowHost() = default;

// The window repaints; what the user does meanwhile waits for the end of the
// interpretation (a dialog opened from a click must not hold it up).
void TWindowHost::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void TWindowHost::Minimize() { m_window->showMinimized(); }

void TWindowHost::RequestClose() { m_window->close(); }

void TWindowHost::ShowError(const QString &message)
{
    auto *box = new QMessageBox(QMessageBox::Critical, texts::AppTitle(), message, QMessageBox::Ok, m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void TWindowHost::shielded(const std::function<void()> &body)
{
    try {
        body();
    } catch (const std::exception &e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(texts::UnknownFailure());
    }
}

void TWindowHost::trayFailed()
{
    m_window->model()->ResTaskTray = false;
    ShowError(texts::TrayRegisterFailed());
}

bool TWindowHost::showIcon()
{
    // Where there is no notification area the icon cannot be registered
    // (Qt would "show" it all the same, nowhere).
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(m_window->windowIcon(), this);
        m_tray->setToolTip(texts::AppTitle());
        auto *menu = new QMenu(m_window);
        QAction *open = menu->addAction(texts::TrayOpen());
        open->setObjectName(QStringLiteral("Open1"));
        menu->addSeparator();
        QAction *close = menu->addAction(texts::TrayClose());
        close->setObjectName(QStringLiteral("Close2"));
        connect(open, &QAction::triggered, this, [this] { shielded([this] { Open1Click(); }); });
        connect(close, &QAction::triggered, this, [this] {
            shielded([this] {
                m_tray->hide();
                m_window->model()->TaskClose = true;
                m_window->close();
            });
        });
        m_tray->setContextMenu(menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::DoubleClick)
                shielded([this] { Open1Click(); });
        });
    }
    m_tray->show();
    return true;
}

void TWindowHost::SetTrayIcon(bool visible)
{
    if (!visible) {
        if (m_tray)
            m_tray->hide();
        return;
    }
    if (!showIcon())
        trayFailed();
}

bool TWindowHost::EnterTray()
{
    bool entered = false;
    shielded([this, &entered] {
        entered = showIcon();
        if (entered)
            m_showMainForm = false;
        else
            trayFailed();
    });
    return entered;
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
