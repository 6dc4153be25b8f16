// TTrayIcon2: Zebrix's icon in the desktop's notification area, over
// QSystemTrayIcon. It registers only where a notification area exists (Qt
// would otherwise "show" it nowhere); the tip text is cut at 62 characters.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <functional>

class QMenu;
class QSystemTrayIcon;

class TTrayIcon2 : public QObject
{
    Q_OBJECT
public:
    // The icon leaves the notification area when the object goes (its
    // QSystemTrayIcon is a child).
    explicit TTrayIcon2(QObject *parent = nullptr) : QObject(parent) {}

    static constexpr int kMaxTip = 62;

    const QIcon &Icon() const { return m_icon; }
    void setIcon(const QIcon &icon);
    const QString &TipHelp() const { return m_tip; }
    void setTipHelp(const QString &tip);
    // The menu of the right button (and, when set, of the left one).
    void setRBPopupMenu(QMenu *menu);
    void setLBPopupMenu(QMenu *menu) { m_left = menu; }
    bool AutoPopup = true;

    bool Visible() const;
    // Registers the icon (true) or removes it. Registering fails (false,
    // nothing shown) without an icon image or where the desktop has no
    // notification area; the caller says "タスクトレイにアイコンを登録できません。".
    bool setVisible(bool on);
    // Whether this desktop has a notification area at all.
    static bool Available();

    std::function<void()> OnDblClick;
    std::function<void(Qt::MouseButton, QPoint)> OnMouseDown;

private:
    QIcon m_icon;
    QString m_tip;
    QMenu *m_left = nullptr;
    QMenu *m_right = nullptr;
    QSystemTrayIcon *m_tray = nullptr;   // made at the first registration
};
