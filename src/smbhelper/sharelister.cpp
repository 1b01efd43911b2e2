#include "sharelister.h"

#include <cstdint>
#include <netapi.h>

namespace {
constexpr uint32_t MoreData = 234;
}

bool ShareLister::Init()
{
    if (uint32_t(libnetapi_init(&m_ctx)) != 0)
        return false;
    libnetapi_set_debuglevel(m_ctx, "0");
    // Browsing is anonymous, as the network's own browser does it.
    libnetapi_set_username(m_ctx, "");
    libnetapi_set_password(m_ctx, "");
    return true;
}

void ShareLister::List(const std::string &server, HelperOutput &out)
{
    uint32_t resume = 0;
    uint32_t status = 0;
    do {
        uint8_t *buffer = nullptr;
        uint32_t read = 0;
        uint32_t total = 0;
        status = uint32_t(NetShareEnum(server.c_str(), 1, &buffer, uint32_t(-1), &read, &total, &resume));
        if ((status == 0 || status == MoreData) && buffer) {
            const auto *info = reinterpret_cast<const SHARE_INFO_1 *>(buffer);
            for (uint32_t i = 0; i < read; ++i) {
                if (info[i].shi1_netname)
                    out.Item(info[i].shi1_type, info[i].shi1_netname);
            }
        }
        if (buffer)
            NetApiBufferFree(buffer);
        // A server that keeps answering "more data" without moving on
        // would loop forever; the program's deadline ends that too.
    } while (status == MoreData);
    out.End(status);
}
