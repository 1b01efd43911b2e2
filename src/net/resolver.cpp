#include "resolver.h"

#include <QStringList>

QString DottedIPv4(std::uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

std::optional<std::uint32_t> NumericIPv4(const QString &text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (const QChar c : part) {
            if (!c.isDigit() || c.unicode() > 0x7f)
                return std::nullopt;
        }
        const int byte = part.toInt();
        if (byte > 255)
            return std::nullopt;
        value = (value << 8) | std::uint32_t(byte);
    }
    return value;
}
