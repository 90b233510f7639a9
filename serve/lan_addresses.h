#pragma once
#include <QStringList>

namespace kz {

// This computer's IPv4 addresses on its local networks, as a tablet would open them: never
// loopback, never an adapter that is down or belongs to a virtual machine or container.
// One file per system (getifaddrs, GetAdaptersAddresses).
QStringList lanAddresses();

// True for adapter names of virtual machines, containers and tunnels.
bool isVirtualAdapterName(const QString& name);

} // namespace kz
