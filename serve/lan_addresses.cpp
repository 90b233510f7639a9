#include "lan_addresses.h"

#include <algorithm>

namespace kz {

QStringList openableUrls(const QString& listenAddress, quint16 port, const QStringList& lan) {
    const bool ipv6 = listenAddress.contains(u':');
    bool every = true; // 0.0.0.0, ::, 0:0:0:0:0:0:0:0
    for (QChar c : listenAddress)
        every = every && (c == u'0' || c == u'.' || c == u':');
    const QStringList hosts = every ? lan : QStringList{ipv6 ? u'[' + listenAddress + u']' : listenAddress};
    QStringList urls;
    for (const QString& host : hosts)
        urls << QStringLiteral("http://%1:%2/").arg(host).arg(port);
    return urls;
}

QString openableHeading(const QStringList& urls) {
    const bool loopbackOnly = !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QString& u) {
        return u.startsWith(QLatin1String("http://127.")) || u.startsWith(QLatin1String("http://[::1]"));
    });
    return loopbackOnly ? QStringLiteral("このコンピューターのブラウザーだけで開けるアドレス（タブレットからは開けません）:")
                        : QStringLiteral("タブレットやChromebookのブラウザーで開くアドレス:");
}

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
