// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: Kerberos credential cache files.
#include "net/kerberosticket.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView cache(reinterpret_cast<const char *>(data), qsizetype(size));
    // A ticket live at the epoch's start is live at any later time too.
    if (KerberosTicket::HoldsLiveTgt(cache, 4'000'000'000) && !KerberosTicket::HoldsLiveTgt(cache, 0))
        __builtin_trap();
    // The owner goes to the client library as one user name: one realm
    // after one "@", never an empty part.
    const QString owner = KerberosTicket::CachePrincipal(cache);
    if (!owner.isEmpty()
        && (owner.count(u'@') != 1 || owner.startsWith(u'@') || owner.endsWith(u'@') || owner.contains(u"/@")))
        __builtin_trap();
    return 0;
}
