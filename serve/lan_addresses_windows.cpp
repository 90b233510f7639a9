#include "lan_addresses.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <vector>

namespace kz {

QStringList lanAddresses() {
    QStringList out;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG r = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && r == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        r = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                 nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (r != NO_ERROR) return out;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
        if (isVirtualAdapterName(QString::fromWCharArray(a->FriendlyName)) ||
            isVirtualAdapterName(QString::fromWCharArray(a->Description)))
            continue;
        for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
            if (u->Address.lpSockaddr->sa_family != AF_INET) continue;
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) out << QString::fromLatin1(text);
        }
    }
    out.removeDuplicates();
    return out;
}

} // namespace kz
