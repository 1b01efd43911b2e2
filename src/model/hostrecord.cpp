// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostrecord.h"

#include "model/netrecord.h"

#include <utility>

QString HostRecord::GetName() const
{
    std::lock_guard lock(m_textLock);
    return name;
}

QString HostRecord::GetAddr() const
{
    std::lock_guard lock(m_textLock);
    return addr;
}

QString HostRecord::GetDisplayName() const
{
    std::lock_guard lock(m_textLock);
    return name.isEmpty() ? addr : name;
}

void HostRecord::SetName(const QString &value)
{
    std::lock_guard lock(m_textLock);
    name = value;
}

void HostRecord::SetAddr(const QString &value)
{
    std::lock_guard lock(m_textLock);
    addr = value;
}

QString HostRecord::GetMovedTo() const
{
    std::lock_guard lock(m_textLock);
    return m_movedTo;
}

void HostRecord::SetMovedTo(const QString &value)
{
    std::lock_guard lock(m_textLock);
    m_movedTo = value;
}

QString HostRecord::GetToldWorkgroup() const
{
    std::lock_guard lock(m_textLock);
    return m_toldWorkgroup;
}

void HostRecord::SetToldWorkgroup(const QString &value)
{
    std::lock_guard lock(m_textLock);
    m_toldWorkgroup = value;
}

QString HostRecord::GetWorkgroup() const
{
    if (net && !net->name.isEmpty())
        return net->name;
    return GetToldWorkgroup();
}

bool HostRecord::ConfirmMove()
{
    std::lock_guard lock(m_textLock);
    if (m_movedTo.isEmpty())
        return false;
    addr = std::exchange(m_movedTo, QString());
    loginConfirmed = true;
    return true;
}
