#include "transport/net_interfaces.h"

#include <algorithm>
#include <vector>

#include "transport/net.h"

namespace pelmo {

std::vector<std::uint32_t> GetInterfaces() {
  std::vector<std::uint32_t> lan;
  std::vector<std::uint32_t> loopback;
  ForEachInterfaceAddress([&](std::uint32_t address, bool isLoopback) {
    auto& target = isLoopback ? loopback : lan;
    // One address on two interfaces would be joined to a group twice.
    if (std::find(target.begin(), target.end(), address) == target.end()) {
      target.push_back(address);
    }
  });
  // Loopback last, so that the first address is a LAN one.
  for (std::uint32_t address : loopback) {
    if (std::find(lan.begin(), lan.end(), address) == lan.end()) lan.push_back(address);
  }
  return lan;
}

std::uint32_t GetLocalAddress() {
  const std::vector<std::uint32_t> interfaces = GetInterfaces();
  return interfaces.empty() ? 0 : interfaces.front();
}

}  // namespace pelmo
