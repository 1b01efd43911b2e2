// SPDX-License-Identifier: GPL-3.0-or-later
#include "trayicon.h"

#include "ui/toolkit/accessibility.h"
#include "ui/toolkit/menubar.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QVariant>
#include <QWidget>
#include <QWindow>

CTrayIcon::CTrayIcon() = default;
CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::ShowTrayIcon(QWidget *window, bool show)
{
    m_requested = show;
    m_window = window;
    bool accepted = false;
    if (!show) {
        accepted = m_icon != nullptr;
        m_icon.reset();
    } else if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_icon = std::make_unique<QSystemTrayIcon>(window ? window->windowIcon() : QIcon());
        m_icon->setObjectName(QStringLiteral("trayIcon"));
        // The tip is the title at this moment, cut as the tray's record cuts it.
        m_icon->setToolTip(window ? window->windowTitle().left(TipLength) : QString());
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (!m_window)
                return;
            // The second click of a double click is reported as the double
            // click alone; it is a button release like the first.
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                OnTrayMouse(m_window, LeftButtonUp);
            else if (reason == QSystemTrayIcon::Context)
                OnTrayMouse(m_window, RightButtonUp);
        });
        m_icon->show();
        accepted = true;
    }
    m_shown = show;
    return accepted;
}

namespace {

// Where a window keeps whether it was maximised before it was minimised.
constexpr auto MaximisedBeforeMinimise = "lanterraMaximisedBeforeMinimise";

} // namespace

void CTrayIcon::NoteStateChange(QWidget *window, Qt::WindowStates before)
{
    // Only changes between shown states count: while a window goes to or
    // comes from the minimised state, or is withdrawn, window managers
    // report passing states without the maximised one.
    if (window->isVisible() && !before.testFlag(Qt::WindowMinimized) && !window->isMinimized())
        window->setProperty(MaximisedBeforeMinimise, window->isMaximized());
}

bool CTrayIcon::WasMaximised(const QWidget *window)
{
    // Window managers report a minimised window as minimised only: the
    // maximised state it had lives on in what was noted before.
    return window->windowState().testFlag(Qt::WindowMaximized) || window->property(MaximisedBeforeMinimise).toBool();
}

void CTrayIcon::OnFrameActivate(bool active, bool toTaskbar)
{
    if (active) {
        m_lostToTaskbar = false;
        return;
    }
    m_lostToTaskbar = toTaskbar;
    m_sinceDeactivation.start();
}

void CTrayIcon::OnTrayMouse(QWidget *window, int message)
{
    if (!window)
        return;
    if (message == LeftButtonUp) {
        if (!window->isVisible() || window->isMinimized()) {
            SendSysCommand(window, WasMaximised(window) ? ScMaximize : ScRestore);
            window->raise();
            window->activateWindow();
            return;
        }
        // Trays that do not take the focus leave an active window active
        // while their icon is clicked.
        const bool lost = window->isActiveWindow()
                          || (m_lostToTaskbar && m_sinceDeactivation.isValid()
                              && m_sinceDeactivation.elapsed() < TaskbarClickWindowMs);
        if (lost) {
            SendSysCommand(window, ScMinimize);
        } else {
            window->raise();
            window->activateWindow();
        }
        return;
    }
    if (message == RightButtonUp) {
        QMenu *menu = PrepareWindowMenu(window);
        window->activateWindow();
        menu->popup(QCursor::pos());
    }
}

QMenu *CTrayIcon::PrepareWindowMenu(QWidget *window)
{
    m_menu = std::make_unique<QMenu>();
    m_menu->setObjectName(QStringLiteral("trayWindowMenu"));
    const bool away = !window->isVisible() || window->isMinimized();
    const bool maximised = away ? WasMaximised(window) : window->windowState().testFlag(Qt::WindowMaximized);
    const struct
    {
        int command;
        bool enabled;
    } items[] = {
        {ScRestore, away}, {ScMove, !away}, {ScSize, !away}, {ScMinimize, !away}, {ScMaximize, !maximised || away},
        {0, false},        {ScClose, true},
    };
    for (const auto &item : items) {
        if (!item.command) {
            m_menu->addSeparator();
            continue;
        }
        QAction *action = m_menu->addAction(QString());
        SetMenuItemText(action, WindowMenuText(item.command));
        action->setData(item.command);
        action->setEnabled(item.enabled);
        if (item.command == (away ? ScRestore : ScClose))
            m_menu->setDefaultAction(action);
    }
    QPointer<QWidget> target = window;
    connect(m_menu.get(), &QMenu::triggered, this, [target](QAction *action) {
        if (target)
            SendSysCommand(target, action->data().toInt());
    });
    return m_menu.get();
}

void CTrayIcon::SendSysCommand(QWidget *window, int command)
{
    switch (command) {
    case ScRestore:
    case ScMaximize: {
        Qt::WindowStates state = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (command == ScMaximize)
            state |= Qt::WindowMaximized;
        // A window hidden while minimised keeps that state in its native
        // window, which would map it minimised again.
        if (QWindow *handle = window->windowHandle())
            handle->setWindowStates(state);
        window->setWindowState(state);
        window->show();
        window->setProperty(MaximisedBeforeMinimise, QVariant());
        break;
    }
    case ScMinimize:
        if (!window->isMinimized())
            window->setProperty(MaximisedBeforeMinimise, window->isMaximized());
        window->showMinimized();
        break;
    case ScClose:
        window->close();
        break;
    case ScMove:
        if (QWindow *handle = window->windowHandle())
            handle->startSystemMove();
        break;
    case ScSize:
        if (QWindow *handle = window->windowHandle())
            handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
        break;
    default:
        break;
    }
}
