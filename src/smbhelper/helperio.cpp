// SPDX-License-Identifier: GPL-3.0-or-later
#include "helperio.h"

#include <cerrno>
#include <cstdio>
#include <utility>
#include <unistd.h>

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string PercentDecode(const std::string &text)
{
    std::string out;
    out.reserve(text.size()); // never reallocated: it may hold a password
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

void HelperOutput::Item(std::uint32_t type, const std::string &name)
{
    // The name goes as it is, after its length: no name is too long or
    // holds a byte that could break the reply's framing.
    char head[32];
    std::snprintf(head, sizeof head, "i %x %zu ", unsigned(type), name.size());
    m_pending += head;
    m_pending += name;
    m_pending += '\n';
    if (m_pending.size() > 16384)
        Write(std::exchange(m_pending, std::string()));
}

void HelperOutput::End(std::uint32_t code)
{
    m_pending += "e " + std::to_string(code) + "\n";
    Write(std::exchange(m_pending, std::string()));
}

void HelperOutput::Write(const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(m_fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            _exit(3); // the program has gone away
        done += std::size_t(n);
    }
}
