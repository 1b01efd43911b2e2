// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostrecord.h"

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
