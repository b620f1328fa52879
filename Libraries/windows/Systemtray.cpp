#include "Systemtray.h"

#include "Application.h"
#include "Pointer.h"
#include "QtText.h"
#include "TrayHost.h"

#include <QMenu>
#include <QWidget>

namespace {

// Qt decides once, when the first icon is made, whether icons go to a StatusNotifierItem host
// or to an XEmbed tray, so no icon is made before a tray is there; until then we look again at
// this interval.
constexpr int kTrayWatchIntervalMs = 2000;

}  // namespace

SystemTrayIcon::SystemTrayIcon(QWidget& owner, QIcon icon, QMenu* menu, std::string tip)
    : m_owner(owner), m_icon(std::move(icon)), m_menu(menu), m_tip(std::move(tip)) {
    m_trayWatch.setInterval(kTrayWatchIntervalMs);
    connect(&m_trayWatch, &QTimer::timeout, this, &SystemTrayIcon::CheckForTray);
}

SystemTrayIcon::~SystemTrayIcon() {
    Remove();
}

QString SystemTrayIcon::TipText() const {
    return ToQString(m_tip).left(kMaxTipLength);
}

bool SystemTrayIcon::Add() {
    if (m_trayIcon) return true;
    if (TrayHost::Instance().IsPresent()) {
        AddIcon();
        return true;
    }
    m_trayWatch.start();
    return false;
}

bool SystemTrayIcon::IsReachable() const {
    return m_trayIcon != nullptr && TrayHost::Instance().IsPresent();
}

bool SystemTrayIcon::Remove() {
    m_trayWatch.stop();
    if (!m_trayIcon) return false;
    m_trayIcon->hide();
    m_trayIcon.reset();
    return true;
}

void SystemTrayIcon::CheckForTray() {
    if (!TrayHost::Instance().IsPresent()) return;
    m_trayWatch.stop();
    AddIcon();
}

void SystemTrayIcon::AddIcon() {
    m_trayIcon = std::make_unique<QSystemTrayIcon>(m_icon);
    m_trayIcon->setToolTip(TipText());
    m_trayIcon->setContextMenu(m_menu);
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, &SystemTrayIcon::HandleCallback);
    m_trayIcon->show();
}

void SystemTrayIcon::HandleCallback(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            ShowMainWindow(m_owner);
            break;
        case QSystemTrayIcon::Context:
            // Qt's XEmbed icon has popped the menu up before it tells of the click; a second
            // popup would move it and announce it twice. (While a menu effect runs the menu is not
            // visible yet, but no longer hidden.)
            if (m_menu != nullptr && !m_menu->isHidden()) break;
            if (const auto cursor = CursorPosition(); m_menu != nullptr && cursor) {
                m_menu->popup(*cursor);
            } else {
                ShowMainWindow(m_owner);
            }
            break;
        default:
            break;
    }
}
