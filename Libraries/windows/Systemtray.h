#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>
#include <string>

class QMenu;
class QWidget;

// The program's icon in the desktop's notification area, through which the hidden main window
// is reached.
class SystemTrayIcon : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxTipLength = 127;

    // menu, which may be null, becomes the icon's context menu: Qt's XEmbed icon pops it up itself
    // on a right click, and StatusNotifierItem hosts show the copy that Qt publishes on the bus.
    SystemTrayIcon(QWidget& owner, QIcon icon, QMenu* menu, std::string tip);
    ~SystemTrayIcon() override;

    // Adds the icon. Without a tray right now, answers false and adds the icon as soon as a tray
    // appears: desktops often start their panel after the programs of the session.
    bool Add();
    bool Remove();
    // True while the user can reach the program through its icon: it was added and the tray that
    // holds it is still there (a panel may crash or be closed).
    bool IsReachable() const;

    // Left click shows the main window. A right click that left the menu hidden (a host that
    // shows no menus) pops it up at the cursor, or shows the main window where there is no menu or
    // no cursor position.
    void HandleCallback(QSystemTrayIcon::ActivationReason reason);

    QString TipText() const;
    QSystemTrayIcon* TrayIcon() const { return m_trayIcon.get(); }

private:
    void AddIcon();
    void CheckForTray();

    QWidget& m_owner;
    QIcon m_icon;
    QMenu* m_menu;
    std::string m_tip;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    QTimer m_trayWatch;
};
