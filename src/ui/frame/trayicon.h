// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The program's icon in the notification area and what clicks on it do to
// the main window: a left click minimises an active window, raises one that
// is behind others and restores a minimised or hidden one; a right click
// shows the window menu. The icon itself exists only where the desktop has
// a tray; the bookkeeping and the click handling work without one.
class CTrayIcon : public QObject
{
    Q_OBJECT
public:
    // The mouse messages the tray reports (the platform's numbers).
    enum MouseMessage { LeftButtonUp = 0x0202, RightButtonUp = 0x0205, LeftDoubleClick = 0x0203 };
    // Window commands of the window menu (the platform's numbers).
    enum SysCommand {
        ScSize = 0xF000, ScMove = 0xF010, ScMinimize = 0xF020, ScMaximize = 0xF030,
        ScClose = 0xF060, ScRestore = 0xF120
    };
    // Characters the tip can hold.
    static constexpr int TipLength = 63;

    CTrayIcon();
    ~CTrayIcon() override;

    // Adds (show) or removes the icon, the tip being `window`'s title now.
    // True when the desktop took the request; `shown` follows it anyway.
    bool ShowTrayIcon(QWidget *window, bool show);
    // The frame became active or inactive. `toTaskbar`: it lost the
    // activation to the taskbar or tray itself.
    virtual void OnFrameActivate(bool active, bool toTaskbar);
    // A mouse message on the icon.
    virtual void OnTrayMouse(QWidget *window, int message);

    // The window menu as a right click shows it for `window`'s state; its
    // actions carry their window command as data.
    QMenu *PrepareWindowMenu(QWidget *window);
    // Carries out a window command on `window`.
    static void SendSysCommand(QWidget *window, int command);
    // `window`'s state changed from `before`: remembers whether it is
    // maximised, so that a restore from the tray brings a window that was
    // maximised before it was minimised back maximised.
    static void NoteStateChange(QWidget *window, Qt::WindowStates before);
    // `window` is maximised, or was when it was last minimised.
    static bool WasMaximised(const QWidget *window);
    // The taskbar-lost flag counts only this long after the deactivation:
    // a click into the tray comes at once, anything later was another
    // program taking the front.
    static constexpr int TaskbarClickWindowMs = 1000;

    bool requested() const { return m_requested; }
    bool shown() const { return m_shown; }
    bool lostToTaskbar() const { return m_lostToTaskbar; }
    // The desktop's icon object, when the desktop has a tray and it is shown.
    QSystemTrayIcon *SystemIcon() const { return m_icon.get(); }
    QMenu *WindowMenu() const { return m_menu.get(); }

private:
    bool m_requested = false;
    bool m_shown = false;
    bool m_lostToTaskbar = false;
    QElapsedTimer m_sinceDeactivation;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QWidget> m_window;
};
