// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helperio.h"

#include <string>

typedef struct _SMBCCTX SMBCCTX;

// Browse lists (workgroups, hosts of a workgroup). These come only from
// SMB1 master browsers, so this client is limited to NT1; that setting is
// process-wide, which is why browsing runs in helpers of its own.
class Browser
{
public:
    bool Init();
    void ListWorkgroups(HelperOutput &out);
    void ListHosts(const std::string &workgroup, HelperOutput &out);

private:
    void ListDirectory(const std::string &url, unsigned type, HelperOutput &out);
    SMBCCTX *m_ctx = nullptr;
};
