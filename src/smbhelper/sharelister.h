#pragma once

#include "helperio.h"

#include <string>

// Share listings through Samba's libnetapi, which reports the raw share
// types and Windows error codes.
class ShareLister
{
public:
    bool Init();
    void List(const std::string &server, HelperOutput &out);

private:
    struct libnetapi_ctx *m_ctx = nullptr;
};
