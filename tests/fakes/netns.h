// Two network namespaces joined by a veth pair: two hosts for tests that
// must not touch a real network. Side A holds 192.0.2.1/24 on "veth-a",
// side B 192.0.2.2/24 on "veth-b" (TEST-NET, reachable only through this
// pair); loopback is up on both and 224.0.0.0/4 is routed over the pair.
// Needs root (CAP_SYS_ADMIN and CAP_NET_ADMIN); the namespaces are deleted
// by the destructor, also when a test fails.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pelmo {

inline constexpr std::uint32_t kNetnsAddressA = 0xC0000201;   // 192.0.2.1
inline constexpr std::uint32_t kNetnsAddressB = 0xC0000202;   // 192.0.2.2
inline constexpr std::uint32_t kNetnsBroadcast = 0xC00002FF;  // 192.0.2.255

class NetnsPair {
 public:
  enum Side { kA, kB };

  // Creates both namespaces; Ready() tells whether it worked and Why()
  // what failed (for GTEST_SKIP when not root).
  NetnsPair();
  ~NetnsPair();
  NetnsPair(const NetnsPair&) = delete;
  NetnsPair& operator=(const NetnsPair&) = delete;

  bool Ready() const { return m_ready; }
  const std::string& Why() const { return m_why; }
  std::string Name(Side side) const;
  static const char* DeviceName(Side side) { return side == kA ? "veth-a" : "veth-b"; }

  // Runs fn on a thread that has entered the side's namespace and returns
  // when it ends. Sockets opened there stay in that namespace and may be
  // used from any thread afterwards.
  void RunIn(Side side, const std::function<void()>& fn) const;
  // Runs "ip -n <namespace> " + arguments; true on success.
  bool Ip(Side side, const std::string& arguments) const;
  // Deletes the veth pair and makes it again with the same names,
  // addresses and routes, as a card plugged anew: the interfaces get new
  // indexes.
  bool MakePairAgain();

 private:
  bool MakePair();
  bool Run(const std::string& command);
  std::string m_prefix;
  bool m_ready = false;
  std::string m_why;
};

}  // namespace pelmo
