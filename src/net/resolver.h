#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The system's resolver (hosts file, DNS), IPv4 only.
std::optional<std::uint32_t> SystemResolveIPv4(const QString &name);

// Dotted text of an IPv4 address held as a number, most significant first.
QString DottedIPv4(std::uint32_t address);
// The number of a dotted IPv4 address; nothing for anything else.
std::optional<std::uint32_t> NumericIPv4(const QString &text);
