// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// Reply writing for the helper's protocol (see the program's
// net/helperprotocol.h for the format).
class HelperOutput
{
public:
    explicit HelperOutput(int fd) : m_fd(fd) {}
    void Item(std::uint32_t type, const std::string &name);
    void End(std::uint32_t code);

private:
    void Write(const std::string &text);
    int m_fd;
    std::string m_pending;
};

std::string PercentDecode(const std::string &text);
