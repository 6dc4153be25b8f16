#include "TrayIcon2.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

void TTrayIcon2::setIcon(const QIcon &icon)
{
    m_icon = icon;
    if (m_tray)
        m_tray->setIcon(icon);
}

void TTrayIcon2::setTipHelp(const QString &tip)
{
    m_tip = tip.left(kMaxTip);
    if (m_tray)
        m_tray->setToolTip(m_tip);
}

void TTrayIcon2::setRBPopupMenu(QMenu *menu)
{
    m_right = menu;
    if (m_tray)
        m_tray->setContextMenu(AutoPopup ? menu : nullptr);
}

bool TTrayIcon2::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool TTrayIcon2::Visible() const { return m_tray && m_tray->isVisible(); }

bool TTrayIcon2::setVisible(bool on)
{
    if (!on) {
        if (m_tray)
            m_tray->hide();
        return true;
    }
    if (m_icon.isNull() || !Available())
        return false;
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(m_icon, this);
        m_tray->setToolTip(m_tip);
        m_tray->setContextMenu(AutoPopup ? m_right : nullptr);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            switch (r) {
            case QSystemTrayIcon::DoubleClick:
                if (OnDblClick)
                    OnDblClick();
                break;
            case QSystemTrayIcon::Trigger:
                if (m_left && AutoPopup)
                    m_left->popup(QCursor::pos());
                else if (OnMouseDown)
                    OnMouseDown(Qt::LeftButton, QCursor::pos());
                break;
            case QSystemTrayIcon::MiddleClick:
                if (OnMouseDown)
                    OnMouseDown(Qt::MiddleButton, QCursor::pos());
                break;
            default:
                break;
            }
        });
    }
    m_tray->show();
    return true;
}
