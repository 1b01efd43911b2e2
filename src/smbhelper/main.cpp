// SPDX-License-Identifier: GPL-3.0-or-later
// lanterra-smbhelper: answers listing requests on its standard input, one at
// a time, and writes the replies on its standard output. The Samba libraries
// print diagnostics on standard output, so the replies go to a private copy
// of it and standard output itself is sent to /dev/null.
//
//   lanterra-smbhelper shares [--allow-smb1]
//                               requests: "shares SERVER",
//                               "shares-login SERVER<tab>USER<tab>DOMAIN<tab>PASSWORD<tab>0|1"
//   lanterra-smbhelper browse   requests: "nets -", "hosts WORKGROUP"

#include "browser.h"
#include "helperio.h"
#include "sharelister.h"

#include "net/neterrors.h"
#include "platform/processlimits.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t MaxRequest = 4096;

bool ReadLine(std::string &line)
{
    line.clear();
    // Never grown past this: a reallocation would leave a copy of a
    // password in freed memory.
    line.reserve(MaxRequest + 1);
    char c = 0;
    for (;;) {
        const ssize_t n = read(0, &c, 1);
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        if (line.size() >= MaxRequest)
            return false;
        line += c;
    }
}

// Zeros a buffer that may have held a password.
void Wipe(std::string &text)
{
    explicit_bzero(text.data(), text.size());
    text.clear();
}

} // namespace

int main(int argc, char **argv)
{
    // A helper may hold a password: it never writes a core file, and other
    // processes of the user cannot read its memory.
    ProcessLimits::KeepSecretsOutOfDumps();
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool allowSmb1 = mode == "shares" && argc == 3 && std::strcmp(argv[2], "--allow-smb1") == 0;
    if ((mode != "shares" && mode != "browse") || argc > (allowSmb1 ? 3 : 2)) {
        std::fprintf(stderr, "usage: lanterra-smbhelper shares [--allow-smb1] | browse\n");
        return 2;
    }

    const int replies = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    if (replies < 0 || devNull < 0)
        return 3;
    dup2(devNull, 1);
    close(devNull);
    fcntl(replies, F_SETFD, FD_CLOEXEC);
    HelperOutput out(replies);

    ShareLister lister;
    Browser browser;
    const bool ready = mode == "shares" ? lister.Init(allowSmb1) : browser.Init();

    std::string line;
    while (ReadLine(line)) {
        const std::size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        std::string encoded = space == std::string::npos ? std::string() : line.substr(space + 1);
        std::string argument = PercentDecode(encoded);
        Wipe(encoded);
        if (!ready)
            out.End(NetError::UnexpectedNetError);
        else if (mode == "shares" && verb == "shares")
            lister.List(argument, out);
        else if (mode == "shares" && verb == "shares-login") {
            lister.ListWithLogin(argument, out);
            Wipe(argument);
            Wipe(line);
            // Its connection stays logged in: no other request may use it.
            break;
        } else if (mode == "browse" && verb == "nets")
            browser.ListWorkgroups(out);
        else if (mode == "browse" && verb == "hosts")
            browser.ListHosts(argument, out);
        else
            out.End(NetError::InvalidParameter);
    }
    return 0;
}
