#include "lan_addresses.h"

namespace kz {

bool isVirtualAdapterName(const QString& name) {
    static const char* const prefixes[] = {"docker", "veth", "br-", "virbr", "vmnet", "vboxnet",
                                           "lxc", "lxd", "cni", "flannel", "tun", "tap", "wg",
                                           "zt", "tailscale", "vEthernet", "VirtualBox", "VMware",
                                           "Hyper-V"};
    for (const char* p : prefixes)
        if (name.startsWith(QLatin1String(p), Qt::CaseInsensitive)) return true;
    return false;
}

} // namespace kz
