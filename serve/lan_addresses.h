#pragma once
#include <QStringList>

namespace kz {

// This computer's IPv4 addresses on its local networks, as a tablet would open them: never
// loopback, never an adapter that is down or belongs to a virtual machine or container.
// One file per system (getifaddrs, GetAdaptersAddresses).
QStringList lanAddresses();

// The addresses to open in a browser ("http://HOST:PORT/") for a server listening on
// listenAddress: that address when it is a single one (a loopback one opens on this computer
// only), this computer's LAN addresses (lan) when it listens on every address (0.0.0.0, ::).
QStringList openableUrls(const QString& listenAddress, quint16 port, const QStringList& lan);

// The server window's heading above those addresses: a loopback address opens on this
// computer only, and the window says so rather than send the teacher to the tablets with it.
QString openableHeading(const QStringList& urls);

// True for adapter names of virtual machines, containers and tunnels.
bool isVirtualAdapterName(const QString& name);

} // namespace kz
