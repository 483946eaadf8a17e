// The broadcast address that belongs to a local address.
#pragma once

#include <cstdint>
#include <optional>

namespace pelmo {

// The directed broadcast address of the interface that holds localAddress
// (host order), or the limited broadcast when no such interface has one.
// The loopback network has no broadcast flag, but 127.255.255.255 reaches
// it; the limited broadcast from a bot kept on loopback would leave the
// machine.
std::uint32_t BroadcastAddressOf(std::uint32_t localAddress);

// The directed broadcast address of the interface that holds address (host
// order) as the system reports it, up or not (per platform); nullopt when
// no interface holds it or the one that does has none.
std::optional<std::uint32_t> InterfaceBroadcast(std::uint32_t address);

}  // namespace pelmo
